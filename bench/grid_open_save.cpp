// Measures the Open and Save of a synthetic job in one process:
//   grid-open-save LINES [SETUPS] [DIR]
// prints the file size, the wall time of each step and the peak resident memory.
// Helpers of bench/open_save_vs_cp:
//   grid-open-save --write-job FILE LINES    writes the synthetic job
//   grid-open-save --plain-save JOB OUT      saves JOB's grid through the
//                                            byte-by-byte Open walk and the plain save text
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/grid/grid_layout.h"
#include "core/grid/grid_loading.h"
#include "core/grid/grid_saving.h"
#include "core/text/text_file.h"
#include "job_generator.h"

using namespace corvane;

namespace {
long PeakRssKb() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss;
}
double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}
}  // namespace

int PlainSave(const std::string& job, const std::string& out) {
  std::string bytes;
  if (!ReadFileBytes(job, bytes)) return 1;
  ColumnCaptions captions;
  RecordGrid grid;
  ClearGrid(grid, captions);
  OpenJobWalker walker(grid);
  walker.Feed(bytes);
  walker.Finish();
  return WriteTextFile(out, GridSaveText(grid)) ? 0 : 1;
}

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "";
  if (first == "--write-job" && argc > 3)
    return bench::WriteSyntheticJob(argv[2], std::atol(argv[3]), std::atol(argv[3]) / 1000 + 1) ? 0 : 1;
  if (first == "--plain-save" && argc > 3) return PlainSave(argv[2], argv[3]);
  const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
  const long setups = argc > 2 ? std::atol(argv[2]) : 1000;
  const std::string dir = argc > 3 ? argv[3] : "/tmp";
  const std::string job = dir + "/corvane-bench-job-" + std::to_string(getpid()) + ".kvm";
  const std::string saved = job + ".saved";
  const size_t bytes = bench::WriteSyntheticJob(job, lines, setups);
  if (bytes == 0) {
    std::fprintf(stderr, "cannot write %s\n", job.c_str());
    return 1;
  }
  const long rssBefore = PeakRssKb();
  ColumnCaptions captions;
  for (int c = 0; c < RecordGrid::kCols; ++c) captions[static_cast<size_t>(c)] = DefaultColumnCaption(c);
  RecordGrid grid;
  auto t0 = std::chrono::steady_clock::now();
  if (!OpenJobFile(grid, job, captions).Done()) return 1;
  auto t1 = std::chrono::steady_clock::now();
  if (!SaveGridToFile(grid, saved).Done()) return 1;
  auto t2 = std::chrono::steady_clock::now();
  const long peak = PeakRssKb();
  std::printf("lines %ld  file %.1f MB  rows %d\n", lines, static_cast<double>(bytes) / 1e6, grid.RowCount() - 1);
  std::printf("open  %.3f s\nsave  %.3f s\n", Seconds(t0, t1), Seconds(t1, t2));
  std::printf("grid memory %.1f MB  peak RSS %.1f MB (%.2f x file; before open %.1f MB)\n",
              static_cast<double>(grid.MemoryBytes()) / 1e6, static_cast<double>(peak) / 1024.0,
              static_cast<double>(peak) * 1024.0 / static_cast<double>(bytes), static_cast<double>(rssBefore) / 1024.0);
  std::remove(job.c_str());
  std::remove(saved.c_str());
  return 0;
}
