// Cells that are not numbers, are huge, or hold binary bytes: every export
// finishes, and the DXF outputs keep numbers in their coordinate groups.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "compute_test_util.h"
#include "core/compute/distance_exports.h"
#include "core/compute/instrument_file.h"
#include "core/compute/measured_coordinates.h"
#include "core/compute/station_recompute.h"

namespace corvane {
namespace {

using namespace testing;  // corvane::testing: grids, files, settings

RecordGrid HostileGrid() {
  const std::string big(10000, '9');
  const std::string binary("\x01\xff\x00\r\n\x7f\xfe", 7);
  const std::vector<std::string> texts = {"nan", "inf", "-inf", "1e999", "-1e999", "NaN", "0x1p3", "",
                                          "  ", big, "-" + big, binary, "1e-400", "12.34.56"};
  RecordGrid grid;
  grid.SetRowCount(1);
  const char* kinds[] = {"ST", "BS", "DP", "RP", "MP", "AP", "CP"};
  int r = 0;
  for (size_t t = 0; t < texts.size(); ++t) {
    for (const char* kind : kinds) {
      grid.SetRowCount(++r + 1);
      grid.SetCell(r, 1, "U");
      grid.SetCell(r, 2, kind);
      for (int c = 3; c < RecordGrid::kCols; ++c) grid.SetCell(r, c, texts[(t + static_cast<size_t>(c)) % texts.size()]);
      // Stations and backsights need a name (the scan stops at the first without).
      if (grid.Cell(r, 3).empty() && (kind[1] == 'T' || kind[1] == 'S')) grid.SetCell(r, 3, "x");
    }
  }
  // Unit rows with odd values as well.
  grid.SetRowCount(r + 3);
  grid.SetCell(r + 1, 2, "AnglUnit");
  grid.SetCell(r + 1, 3, binary);
  grid.SetCell(r + 2, 2, "CoorType");
  grid.SetCell(r + 2, 3, big);
  return grid;
}

// Every value line after a coordinate group code (10, 20, 30, 40, 50) is a
// finite number.
void ExpectNumericGroups(const std::string& dxf, const std::string& what) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= dxf.size()) {
    size_t nl = dxf.find("\r\n", start);
    if (nl == std::string::npos) nl = dxf.size();
    lines.push_back(dxf.substr(start, nl - start));
    start = nl + 2;
  }
  ASSERT_EQ(lines.size() % 2, 0u) << what;
  for (size_t i = 0; i + 1 < lines.size(); i += 2) {
    const std::string& code = lines[i];
    if (code != "10" && code != "20" && code != "30" && code != "40" && code != "50") continue;
    char* end = nullptr;
    const double v = std::strtod(lines[i + 1].c_str(), &end);
    EXPECT_TRUE(end && *end == '\0' && !lines[i + 1].empty() && std::isfinite(v))
        << what << " line " << i + 2 << ": '" << lines[i + 1].substr(0, 40) << "'";
  }
}

TEST(HostileCells, EveryExportFinishes) {
  const RecordGrid grid = HostileGrid();
  TempDir dir;
  std::filesystem::create_directories(dir.Path() / "jobs");
  std::filesystem::create_directories(dir.Path() / "ZMOINDEX");
  for (DistanceLayout layout : {DistanceLayout::A, DistanceLayout::B}) {
    EXPECT_TRUE(ExportHorizontalDistances(grid, layout, dir.File("hd.txt")).Done());
    EXPECT_TRUE(ExportSlopeDistances(grid, layout, dir.File("sd.txt")).Done());
  }
  EXPECT_TRUE(ExportAngles(grid, dir.File("a.txt")).Done());
  EXPECT_TRUE(ExportInstrumentCoordinates(grid, dir.File("jobs/i.kvm"), MapSettings()).Done());
  EXPECT_GT(ReadBytes(dir.File("jobs/i.kvm")).size(), 10000u);

  StationTable table;
  ASSERT_TRUE(ScanStations(grid, table).Done());
  EXPECT_EQ(table.StationCount(), 28);
  for (int layout = 0; layout <= 8; ++layout) {
    const std::string coords = dir.File("c" + std::to_string(layout) + ".txt");
    ASSERT_TRUE(ExportMeasuredCoordinates(grid, ExportAnswer{layout, ",", coords}).Done()) << layout;
    const std::string recomputed = dir.File("r" + std::to_string(layout) + ".txt");
    const CommandResult r =
        RecomputeStations(grid, table, ExportAnswer{layout, "\t", recomputed}, RecomputeFiles::InProgramFolder());
    ASSERT_TRUE(r.Done()) << layout << r.message << r.detail;
    EXPECT_GT(ReadBytes(dir.File("r" + std::to_string(layout) + ".rpt")).size(), 10000u);
    if (layout == 6) {
      ExpectNumericGroups(ReadBytes(coords), "coordinates");
      ExpectNumericGroups(ReadBytes(recomputed), "recompute");
    }
  }
}

}  // namespace
}  // namespace corvane
