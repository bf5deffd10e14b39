// Time of every export and of the station recompute with its report on
// generated jobs (default sizes 1 000, 10 000 and 100 000 rows, one set-up per
// 100 rows):  bench_exports [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "core/compute/distance_exports.h"
#include "core/compute/instrument_file.h"
#include "core/compute/measured_coordinates.h"
#include "core/compute/station_recompute.h"
#include "core/compute/station_table.h"
#include "core/grid/grid_loading.h"
#include "core/text/numbers.h"

using namespace corvane;

namespace {

// A job of `rows` rows in set-ups of 100: station, backsight, then measured
// points (DP and RP), angle-only records and a coordinate point now and then.
const RecordGrid& Job(int rows) {
  static std::map<int, RecordGrid> jobs;
  auto it = jobs.find(rows);
  if (it != jobs.end()) return it->second;
  RecordGrid& g = jobs[rows];
  g.SetRowCount(rows + 1);
  LoadLineIntoRow(g, 1, "x,AnglUnit,dms");
  char line[256];
  for (int r = 2; r <= rows; ++r) {
    const int s = r / 100, k = r % 100;
    if (k == 0 || r == 2)
      std::snprintf(line, sizeof line, "U,ST,S%d,0.0000,0.0000,0.0000,%.3f,%.3f,100.000,1.500,0.0000,STN", s,
                    1000.0 + s, 2000.0 + s);
    else if (k == 1 || r == 3)
      std::snprintf(line, sizeof line, "U,BS,B%d,0.0000,0.0000,%d.3015,%.3f,%.3f,101.000,0.0000,0.0000,BKB", s, s % 360,
                    1100.0 + s, 2000.0 + s);
    else if (k % 10 == 7)
      std::snprintf(line, sizeof line, "U,AP,A%d,0.0000,%d.1020,89.5950,0.0000,0.0000,0.0000,0.0000,1.700,MARK", r,
                    k * 3);
    else if (k % 10 == 9)
      std::snprintf(line, sizeof line, "U,MP,M%d,0.0000,0.0000,0.0000,%.4f,%.4f,50.1000,0.0000,0.0000,CTRL", r,
                    500.0 + r, 600.0 + r);
    else
      std::snprintf(line, sizeof line, "U,%s,P%d,%.3f,%d.%02d%02d,%d.1520,0.0000,0.0000,0.0000,0.0000,1.600,TREE",
                    k % 2 ? "DP" : "RP", r, 10.0 + k, k * 3, k % 60, (k * 7) % 60, 80 + k % 20);
    LoadLineIntoRow(g, r, line);
  }
  return g;
}

std::string OutDir() {
  static const std::string dir = [] {
    const std::string d =
        std::filesystem::temp_directory_path().string() + "/corvane-bench-" + std::to_string(getpid());
    std::filesystem::create_directories(d + "/jobs");
    std::filesystem::create_directories(d + "/ZMOINDEX");
    return d;
  }();
  return dir;
}

void Check(benchmark::State& state, const CommandResult& r) {
  if (!r.Done()) state.SkipWithError((r.message + " " + r.detail).c_str());
}

template <typename Fn>
void Measure(benchmark::State& state, Fn run) {
  const RecordGrid& grid = Job(static_cast<int>(state.range(0)));
  for (auto _ : state) Check(state, run(grid));
  state.SetComplexityN(state.range(0));
}

void BM_Coordinates(benchmark::State& state, int layout) {
  Measure(state, [&](const RecordGrid& g) {
    return ExportMeasuredCoordinates(g, ExportAnswer{layout, ",", OutDir() + "/coords.txt"});
  });
}

void BM_Distances(benchmark::State& state, bool horizontal, DistanceLayout layout) {
  Measure(state, [&](const RecordGrid& g) {
    const std::string out = OutDir() + "/dist.txt";
    return horizontal ? ExportHorizontalDistances(g, layout, out) : ExportSlopeDistances(g, layout, out);
  });
}

void BM_Angles(benchmark::State& state) {
  Measure(state, [](const RecordGrid& g) { return ExportAngles(g, OutDir() + "/angles.txt"); });
}

class NoSettings final : public ISettingsReader {
 public:
  std::string ReadSetting(SettingsSection, std::string_view, std::string_view def) const override {
    return std::string(def);
  }
};

void BM_Instrument(benchmark::State& state) {
  NoSettings settings;
  Measure(state,
          [&](const RecordGrid& g) { return ExportInstrumentCoordinates(g, OutDir() + "/jobs/job.kvm", settings); });
}

// The whole command after the dialogs: station scan, then recompute and report.
void BM_Recompute(benchmark::State& state, int layout) {
  const RecomputeFiles files = RecomputeFiles::InProgramFolder();
  Measure(state, [&](const RecordGrid& g) {
    StationTable table;
    const CommandResult scan = ScanStations(g, table);
    if (!scan.Done()) return scan;
    return RecomputeStations(g, table, ExportAnswer{layout, ",", OutDir() + "/recomputed.txt"}, files);
  });
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
}

BENCHMARK_CAPTURE(BM_Coordinates, layout0, 0)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Coordinates, layout6_dxf, 6)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Coordinates, layout7, 7)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Distances, horizontal_A, true, DistanceLayout::A)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Distances, horizontal_B, true, DistanceLayout::B)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Distances, slope_A, false, DistanceLayout::A)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Distances, slope_B, false, DistanceLayout::B)->Apply(Sizes);
BENCHMARK(BM_Angles)->Apply(Sizes);
BENCHMARK(BM_Instrument)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Recompute, layout0, 0)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Recompute, layout6_dxf, 6)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(OutDir());
  return 0;
}
