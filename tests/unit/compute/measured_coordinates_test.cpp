// Coordinates from measurements: copied coordinate rows, reduced polar points.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "compute_test_util.h"
#include "core/compute/measured_coordinates.h"
#include "core/compute/polar_point.h"
#include "core/compute/point_format.h"

namespace corvane {
namespace {

using namespace testing;  // corvane::testing: grids, files, settings

struct Case {
  const char* name;
  std::vector<std::string> lines;
  int layout;
  std::string want;
};

TEST(MeasuredCoordinates, RowsAndLayouts) {
  const std::vector<std::string> setUp = {
      "U,ST,S1,,,,1000,2000,50,1.5,,STN",
      "U,BS,B1,,,0.0000,1100,2000,51",
      "U,DP,P1,100,90.0000,90.0000,,,,,1.5,TREE",
  };
  const Case cases[] = {
      {"station, backsight and a polar point", setUp, 0,
       "S1,1000,2000,50,STN\nB1,1100,2000,51,\nP1,1000.000,2100.000,50.000,TREE\n"},
      {"counter in layout 4", setUp, 4, "1,S1,STN,1000,2000,50\n2,B1,,1100,2000,51\n3,P1,TREE,1000.000,2100.000,50.000\n"},
      {"fixed columns", {"U,MP,P1,0,0,0,1000.000,2100.000,50.000"}, 7,
       "        P1     2100.000    1000.000    50.000 0 \"          \" \"  \" \"      \"\n"},
      {"ENZ swaps columns 7 and 8", {"x,CoorType,ENZ", "U,CP,C1,,,,200,100,10"}, 0, "C1,100,200,10,\n"},
      {"every coordinate kind; others skipped",
       {"U,MP,M,,,,1,2,3", "U,CP,C,,,,1,2,3", "U,RP,R,,,,1,2,3", "U,AP,A,,,,1,2,3", "U,XX,X,,,,1,2,3"}, 1,
       "M,2,1,3,\nC,2,1,3,\nR,2,1,3,\n"},
      {"unnamed rows take their place among exported rows",
       {"U,MP,A,,,,1,2,3", "U,AP,,,,,1,2,3", "U,MP,B,,,,1,2,3", "U,MP,,,,,4,5,6"}, 0,
       "A,1,2,3,\nB,1,2,3,\n3,4,5,6,\n"},
      {"flag must be exactly U", {"u,MP,A,,,,1,2,3", " U,MP,B,,,,1,2,3"}, 0, ""},
      {"point before any station starts at the origin", {"U,DP,P,10,0,90,,,,,2"}, 0, "P,10.000,0.000,-2.000,\n"},
      {"angle unit row makes angles gon", {"x,AnglUnit,gon", "U,DP,P,10,100,100,,,,,0"}, 0,
       "P,0.000,10.000,0.000,\n"},
      {"AnglUnit header line keeps dms", {"AnglUnit:gon", "U,DP,P,10,90,90,,,,,0"}, 0, "P,0.000,10.000,0.000,\n"},
      {"layout outside 0..7 writes nothing", setUp, 9, ""},
      {"DXF without points", {"U,AP,A,1,2,3"}, 6, "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string out = dir.File("out.txt");
    ExportAnswer answer{c.layout, ",", out};
    const CommandResult r = ExportMeasuredCoordinates(JobGrid(c.lines), answer);
    ASSERT_TRUE(r.Done()) << c.name << ": " << r.message;
    EXPECT_EQ(r.filesToOpen, std::vector<std::string>{out}) << c.name;
    EXPECT_EQ(ReadBytes(out), Crlf(c.want)) << c.name << "\n" << testing::Visible(ReadBytes(out));
  }
}

TEST(MeasuredCoordinates, KindLosesLeadingBlanks) {
  RecordGrid grid = JobGrid({"U,MP,A,,,,1,2,3", "U,MP,B,,,,1,2,3"});
  grid.SetCell(1, 2, "  MP");
  grid.SetCell(2, 2, "MP ");
  TempDir dir;
  ASSERT_TRUE(ExportMeasuredCoordinates(grid, ExportAnswer{0, ",", dir.File("o")}).Done());
  EXPECT_EQ(ReadBytes(dir.File("o")), "A,1,2,3,\r\n");
}

TEST(MeasuredCoordinates, AWalkFromAnyRowVisitsAsTheWholeWalk) {
  const RecordGrid grid = JobGrid(RandomJobLines(4, 240));
  using Seen = std::tuple<int, long long, PointKind, std::string, std::string, std::string, std::string, bool>;
  const auto walk = [&grid](int from, int to) {
    std::vector<Seen> seen;
    ForEachMeasuredPointOfRows(grid, from, to, [&](const MeasuredPoint& p) {
      seen.emplace_back(p.row, p.counter, p.kind, std::string(p.name), std::string(p.north), std::string(p.east),
                        std::string(p.height), p.finite);
    });
    return seen;
  };
  const std::vector<Seen> whole = walk(0, grid.RowCount());
  ASSERT_GT(whole.size(), 150u);
  for (int from = 1; from <= grid.RowCount(); from += 3) {
    const auto split = std::find_if(whole.begin(), whole.end(), [from](const Seen& s) { return std::get<0>(s) >= from; });
    EXPECT_EQ(walk(1, from), std::vector<Seen>(whole.begin(), split)) << from;
    EXPECT_EQ(walk(from, grid.RowCount() + 5), std::vector<Seen>(split, whole.end())) << from;
  }
}

TEST(MeasuredCoordinates, DxfWrapsOneBlockPerPoint) {
  TempDir dir;
  const std::string out = dir.File("o.dxf");
  const RecordGrid grid = JobGrid({"U,MP,P1,,,,1000.000,2100.000,50.000", "U,MP,P2,,,,1,2,3"});
  ASSERT_TRUE(ExportMeasuredCoordinates(grid, ExportAnswer{6, "", out}).Done());
  EXPECT_EQ(ReadBytes(out), Crlf("0\nSECTION\n2\nENTITIES\n0\n" +
                                 FormatPointLine("P1", "", "1000.000", "2100.000", "50.000", 6, "", 1) +
                                 FormatPointLine("P2", "", "1", "2", "3", 6, "", 2) + "ENDSEC\n0\nEOF"));
}

TEST(MeasuredCoordinates, DialogAnswers) {
  TempDir dir;
  const RecordGrid grid = JobGrid({"U,MP,P1,,,,1,2,3"});
  EXPECT_EQ(ExportMeasuredCoordinates(grid, std::string_view()).status, CommandStatus::Cancelled);
  const std::string out = dir.File("t.txt");
  ASSERT_TRUE(ExportMeasuredCoordinates(grid, "{3}{2}{" + out + "}").Done());
  EXPECT_EQ(ReadBytes(out), "P1\t\t2\t1\t3\r\n");
  const CommandResult noPath = ExportMeasuredCoordinates(grid, "x0x0 no braces");
  EXPECT_EQ(noPath.message, "Open file failed!");
  const CommandResult badFolder = ExportMeasuredCoordinates(grid, "{0}{0}{" + dir.File("x/y.txt") + "}");
  EXPECT_EQ(badFolder.message, "Open file failed!");
  EXPECT_TRUE(badFolder.filesToOpen.empty());
}

}  // namespace
}  // namespace corvane

namespace corvane {
namespace {

// The export and the recompute add a height's terms in their own order; on values
// like these the two orders print different last digits, and each command keeps
// its own.
TEST(ReducePolar, EachCommandKeepsItsOrderOfTheHeightTerms) {
  const PolarSetup setup{0, 0, 121.13, 1.634};
  const PolarObservation seen{0, 0, -48.2135, 0.062};  // straight up: s cos z is s itself
  EXPECT_EQ(ReducePolar(setup, seen, HeightOrder::TargetThenComponent).height, "74.488");
  EXPECT_EQ(ReducePolar(setup, seen, HeightOrder::ComponentThenTarget).height, "74.489");
}

}  // namespace
}  // namespace corvane
