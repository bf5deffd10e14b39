// The GIS exchange as whole processes of corvane480-cli, on a generated job of
// POINTS listed points (default 100 000) in EPSG:4547:
//   export-gis JOB -o OUT.gpkg               (every layer, with the CRS)
//   export-gis JOB -o OUT.geojson            (transformed to WGS 84 through PROJ)
//   import-gis OUT.gpkg -o GRID              (back into a grid, saved)
// Usage: bench_gis [POINTS] [RUNS]; prints the best and the median wall time of
// each and exits 1 when a run fails.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string ProgramFolder() {
  char buf[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  buf[n] = '\0';
  return std::filesystem::path(buf).parent_path().string();
}

// A job of set-ups of 100 points each around N 3380000, E 500000.
void WriteJob(const std::string& path, long points) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::exit(1);
  std::fputs("ZAMO RECORD FILE\r\nAnglUnit:dms\r\n", f);
  long written = 0;
  for (long s = 0; written < points; ++s) {
    const double n = 3380000.0 + (s % 100) * 50.0, e = 500000.0 + (s / 100) * 50.0;
    std::fprintf(f, "U,ST,S%ld,0.0000,0.0000,0.0000,%.3f,%.3f,30.000,1.550,0.0000,STN\r\n", s, n, e);
    std::fprintf(f, "U,BS,B%ld,0.0000,0.0000,0.0000,%.3f,%.3f,31.000,0.0000,1.600,BKB\r\n", s, n + 100, e);
    written += 2;
    for (int p = 0; p < 98 && written < points; ++p, ++written)
      std::fprintf(f, "U,DP,P%ld,%.3f,%d.%04d,%d.1520,0.0000,0.0000,0.0000,0.0000,1.600,CODE%d\r\n", written,
                   5.0 + p % 40, (p * 37) % 360, (p * 113) % 6000, 85 + p % 10, p % 7);
  }
  std::fclose(f);
}

struct Timing {
  double wall = 0;
  double cpu = 0;  // user + system of the process and its threads
};

Timing Run(const std::vector<std::string>& args) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const auto tv = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed: %s ... (status %d)\n", args[3].c_str(), status);
    std::exit(1);
  }
  return {seconds, tv(usage.ru_utime) + tv(usage.ru_stime)};
}

// Wall time is what counts; the CPU time says what a busy machine added to it.
void Report(const char* what, std::vector<Timing> t) {
  std::sort(t.begin(), t.end(), [](const Timing& a, const Timing& b) { return a.wall < b.wall; });
  double cpu = t.front().cpu;
  for (const Timing& x : t) cpu = std::min(cpu, x.cpu);
  std::printf("%-42s wall best %.3f s median %.3f s; CPU best %.3f s\n", what, t.front().wall, t[t.size() / 2].wall,
              cpu);
}

}  // namespace

int main(int argc, char** argv) {
  const long points = argc > 1 ? std::atol(argv[1]) : 100000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  char tmpl[] = "/tmp/bench-gis-XXXXXX";
  if (!::mkdtemp(tmpl)) return 1;
  const std::string dir = tmpl;
  const std::string cli = ProgramFolder() + "/corvane480-cli";
  const std::string settings = dir + "/settings";
  std::filesystem::create_directories(settings + "/ZAMO");
  if (std::FILE* ini = std::fopen((settings + "/ZAMO/Corvane.ini").c_str(), "wb")) {
    std::fputs("[OtherSet]\nCrs=EPSG:4547\n", ini);
    std::fclose(ini);
  }
  const std::string job = dir + "/job.kvm";
  WriteJob(job, points);
  std::printf("%ld points, %d runs, %s\n", points, runs, cli.c_str());
  std::vector<Timing> gpkg, geojson, import;
  for (int i = 0; i < runs; ++i) {
    gpkg.push_back(Run({cli, "--settings-dir", settings, "export-gis", job, "-o", dir + "/out.gpkg"}));
    geojson.push_back(Run({cli, "--settings-dir", settings, "export-gis", job, "-o", dir + "/out.geojson"}));
    import.push_back(Run({cli, "--settings-dir", settings, "import-gis", dir + "/out.gpkg", "-o", dir + "/grid.txt"}));
  }
  Report("export-gis to GeoPackage (all layers)", gpkg);
  Report("export-gis to GeoJSON (PROJ to WGS 84)", geojson);
  Report("import-gis from GeoPackage", import);
  std::filesystem::remove_all(dir);
  return 0;
}
