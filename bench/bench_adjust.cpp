// The traverse adjustment as a whole corvane480-cli process:
//   bench_adjust [STATIONS...]      (default 1000 10000)
// For each size a link traverse of that many stations (noise 3" and 3 mm, both
// ends and a closing direction known) is written with its control file, then
// `corvane480-cli adjust JOB --method lsq --control CTL -o ST --json JSON` runs
// RUNS times (BENCH_ADJUST_RUNS, default 5); the best and median wall times are
// printed with the exit status, σ0 and the bound each size must keep
// (1 000 stations 0.2 s, 10 000 stations 2 s).
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/settings/program_folder.h"
#include "support/traverse_job.h"

using namespace corvane;

namespace {

void Write(const std::string& path, const std::string& text) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << text;
}

std::string Read(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

int RunOnce(const std::vector<std::string>& args, double& ms) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    // The tolerance line on stderr is not what is measured.
    if (std::FILE* null = std::fopen("/dev/null", "w")) dup2(fileno(null), 2);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int Bench(int stations, int runs) {
  std::string base = "/tmp/corvane-bench-adjust-";
  base += std::to_string(getpid());
  base += '-';
  base += std::to_string(stations);
  testing::TraverseJobRecipe recipe;
  recipe.stations = testing::ZigZagStations(stations);
  recipe.backsight = {"B0", recipe.stations[0].north - 300, recipe.stations[0].east - 100, 98};
  const testing::TruePoint& last = recipe.stations.back();
  recipe.closing = testing::TruePoint{"C1", last.north + 250, last.east + 400, last.height};
  recipe.angleNoiseSec = 3;
  recipe.distanceNoiseMm = 3;
  Write(base + ".kvm", testing::TraverseJobText(recipe));
  char line[256];
  std::snprintf(line, sizeof line, "%s,%.4f,%.4f,%.4f\n%s,%.4f,%.4f,%.4f\n", last.name.c_str(), last.north, last.east,
                last.height, recipe.closing->name.c_str(), recipe.closing->north, recipe.closing->east,
                recipe.closing->height);
  Write(base + ".ctl", line);
  const std::vector<std::string> args = {ProgramFilePath("corvane480-cli"), "--settings-dir", base + ".settings",
                                         "adjust", base + ".kvm", "--method", "lsq", "--control", base + ".ctl",
                                         "-o", base + ".st", "--json", base + ".json"};
  std::vector<double> times;
  int status = 0;
  for (int i = 0; i < runs; ++i) {
    double ms = 0;
    status = RunOnce(args, ms);
    times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  const std::string json = Read(base + ".json");
  const size_t s0 = json.find("\"sigma0\": ");
  const std::string sigma0 = s0 == std::string::npos ? "?" : json.substr(s0 + 10, json.find(',', s0) - s0 - 10);
  const double bound = stations <= 1000 ? 200 : 2000;
  std::printf("adjust --method lsq, %d stations: best %.0f ms, median %.0f ms (bound %.0f ms: %s), exit %d, sigma0 %s\n",
              stations, times.front(), times[times.size() / 2], bound, times.front() <= bound ? "kept" : "MISSED",
              status, sigma0.c_str());
  for (const char* ext : {".kvm", ".ctl", ".st", ".json"}) unlink((base + ext).c_str());
  std::system(("rm -rf '" + base + ".settings'").c_str());
  return status == 0 && times.front() <= bound ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000};
  const char* runsText = std::getenv("BENCH_ADJUST_RUNS");
  const int runs = std::max(1, runsText ? std::atoi(runsText) : 5);
  int failed = 0;
  for (int n : sizes) failed |= Bench(std::max(2, n), runs);
  return failed;
}
