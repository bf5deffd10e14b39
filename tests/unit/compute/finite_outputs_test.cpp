// Random jobs whose cells hold numbers beyond the double range, empty and
// non-numeric texts and coinciding points: no export, recompute or report ever
// writes "nan" or "inf".
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <random>

#include "compute_test_util.h"
#include "core/compute/distance_exports.h"
#include "core/compute/instrument_file.h"
#include "core/compute/measured_coordinates.h"
#include "core/compute/station_recompute.h"

namespace corvane {
namespace {

using namespace testing;  // corvane::testing: grids, files, settings

bool HoldsUndefinedNumber(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text.find("nan") != std::string::npos || text.find("inf") != std::string::npos;
}

TEST(FiniteOutputs, NoOutputEverSaysNanOrInf) {
  const char* const values[] = {"0", "10", "1e400", "-1e400", "1e308", "-1e308", "", "x", "90.0000", "1e-400", "5"};
  const char* const kinds[] = {"ST", "BS", "DP", "RP", "MP"};
  const char* const units[] = {"gon", "mil", "dms"};
  std::mt19937 rng(17);
  const auto pick = [&](const auto& list) { return list[rng() % std::size(list)]; };
  TempDir dir;
  std::filesystem::create_directories(dir.Path() / "jobs");
  std::filesystem::create_directories(dir.Path() / "ZMOINDEX");
  for (int job = 0; job < 150; ++job) {
    std::vector<std::string> lines;
    if (rng() % 3 == 0) lines.push_back(std::string("x,AnglUnit,") + pick(units));
    for (int row = 0; row < 8; ++row) {
      std::string line = std::string("U,") + (row < 2 ? kinds[row] : pick(kinds)) + ",P" + std::to_string(row);
      for (int col = 4; col < RecordGrid::kCols; ++col) line += std::string(",") + pick(values);
      lines.push_back(line);
    }
    const RecordGrid grid = JobGrid(lines);
    std::vector<std::string> outputs;
    const auto out = [&](const std::string& name) { return outputs.emplace_back(dir.File(name)); };
    StationTable table;
    ASSERT_TRUE(ScanStations(grid, table).Done());
    for (int layout : {0, 4, 6, 7}) {
      ASSERT_TRUE(ExportMeasuredCoordinates(grid, ExportAnswer{layout, ",", out("c.txt")}).Done());
      ASSERT_TRUE(RecomputeStations(grid, table, ExportAnswer{layout, ",", out("r.txt")},
                                    RecomputeFiles::InProgramFolder())
                      .Done());
      out("r.rpt");
      for (const std::string& file : outputs)
        EXPECT_FALSE(HoldsUndefinedNumber(ReadBytes(file))) << "job " << job << " layout " << layout << " " << file
                                                            << "\n" << Visible(ReadBytes(file));
      outputs.clear();
    }
    for (DistanceLayout layout : {DistanceLayout::A, DistanceLayout::B}) {
      ASSERT_TRUE(ExportHorizontalDistances(grid, layout, out("hd.txt")).Done());
      ASSERT_TRUE(ExportSlopeDistances(grid, layout, out("sd.txt")).Done());
    }
    ASSERT_TRUE(ExportInstrumentCoordinates(grid, out("jobs/i.kvm"), MapSettings()).Done());
    for (const std::string& file : outputs)
      EXPECT_FALSE(HoldsUndefinedNumber(ReadBytes(file))) << "job " << job << " " << file;
  }
}

}  // namespace
}  // namespace corvane
