// Horizontal and slope distance lists (both layouts) and the angle list.
#include <gtest/gtest.h>

#include <filesystem>

#include "compute_test_util.h"
#include "core/compute/distance_exports.h"

namespace corvane {
namespace {

using namespace testing;  // corvane::testing: grids, files, settings

// A set-up as the instrument records it: station, backsight, two points.
const std::vector<std::string> kSetUp = {
    "U,ST,S1,,,,1000,2000,100,1.5",
    "U,BS,B1,,,0.0000,1100,2000,101,,1.2",
    "U,DP,P1,100,45.3015,90.0000,,,,,1.6",
    "U,RP,,100,120.0000,80.0000,,,,,1.6",
};

struct ListCase {
  const char* name;
  std::vector<std::string> lines;
  bool horizontal;
  DistanceLayout layout;
  std::string want;
};

std::string RunList(const ListCase& c, const std::string& path) {
  const RecordGrid grid = JobGrid(c.lines);
  const CommandResult r = c.horizontal ? ExportHorizontalDistances(grid, c.layout, path)
                                       : ExportSlopeDistances(grid, c.layout, path);
  EXPECT_TRUE(r.Done()) << c.name << ": " << r.message;
  EXPECT_EQ(r.filesToOpen, std::vector<std::string>{path}) << c.name;
  return ReadBytes(path);
}

TEST(DistanceLists, LayoutsOfBothReductions) {
  const ListCase cases[] = {
      {"horizontal A", kSetUp, true, DistanceLayout::A,
       "S1  0.0000  0.000  0.000  1.500\n"
       "B1  0.0000  0.000  0.000  1.200\n"
       "P1  45.3015  100.000  0.000  1.6\n"
       "4  120.0000  98.481  17.365  1.6\n"},
      {"slope A", kSetUp, false, DistanceLayout::A,
       "S1  0.0000  0.0000  0.000  1.500\n"
       "B1  0.0000  0.0000  0.000  1.200\n"
       "P1  45.3015  90.0000  100.000  1.600\n"
       "4  120.0000  80.0000  100.000  1.600\n"},
      {"horizontal B", kSetUp, true, DistanceLayout::B,
       "       S1         B1     1.500     0.0000         P1    45.3015    100.000      0.000        1.6\n"
       "       S1         B1     1.500     0.0000          2   120.0000     98.481     17.365        1.6\n"},
      {"slope B", kSetUp, false, DistanceLayout::B,
       "       S1         B1     1.500     0.0000         P1    45.3015    90.0000    100.000      1.600\n"
       "       S1         B1     1.500     0.0000          2   120.0000    80.0000    100.000      1.600\n"},
      {"point before any set-up, layout B", {"U,DP,P0,10,1.0000,90.0000,,,,,0"}, true, DistanceLayout::B,
       "      0.0000         P0     1.0000     10.000      0.000          0\n"},
      {"angle unit row makes zeniths gon", {"x,AnglUnit,gon", "U,DP,P1,100,0,100.0000,,,,,1"}, true,
       DistanceLayout::A, "P1  0  100.000  0.000  1\n"},
      {"AnglUnit key of a header line does not count", {"AnglUnit:gon", "U,DP,P1,100,0,100.0000,,,,,1"}, true,
       DistanceLayout::A, "P1  0  98.481  -17.365  1\n"},
      {"flag must be exactly U", {"u,DP,P1,1,2,3", " U,DP,P2,1,2,3", "U,AP,P3,1,2,3", "U,MP,P4,1,2,3"}, false,
       DistanceLayout::A, ""},
  };
  for (const ListCase& c : cases) {
    TempDir dir;
    const std::string got = RunList(c, dir.File("out.txt"));
    EXPECT_EQ(got, Crlf(c.want)) << c.name << "\n" << testing::Visible(got);
  }
}

TEST(DistanceLists, KindsLoseTrailingBlanksOnly) {
  RecordGrid grid = JobGrid({"U,DP,P1,100,1,90,,,,,0", "U,DP,P2,100,1,90,,,,,0"});
  grid.SetCell(1, 2, "DP  ");
  grid.SetCell(2, 2, " DP");
  TempDir dir;
  ASSERT_TRUE(ExportSlopeDistances(grid, DistanceLayout::A, dir.File("o")).Done());
  EXPECT_EQ(ReadBytes(dir.File("o")), "P1  1  90  100.000  0.000\r\n");
}

TEST(AngleList, WritesApRecordsOnly) {
  RecordGrid grid = JobGrid({
      "U,AP,A1,,10.2030,90.1010,,,,,1.5,CODE",
      "U,DP,P1,100,1,90",
      "U,AP,,,1,2",
      "U,AP,A4,,3,4",
      "U,AP,A5,,5,6",
  });
  grid.SetCell(4, 2, "  AP");  // leading blanks removed
  grid.SetCell(5, 2, "AP ");   // a trailing blank is not
  TempDir dir;
  const std::string out = dir.File("a.txt");
  const CommandResult r = ExportAngles(grid, out);
  ASSERT_TRUE(r.Done());
  EXPECT_EQ(r.filesToOpen, std::vector<std::string>{out});
  EXPECT_EQ(ReadBytes(out), Crlf("A1\tCODE\t10.2030\t90.1010\t1.5\n2\t\t1\t2\t\nA4\t\t3\t4\t\n"));
}

TEST(DistanceLists, ConfirmationAnswers) {
  const RecordGrid grid = JobGrid(kSetUp);
  struct Case {
    int answer;
    CommandStatus status;
  };
  for (const Case c : {Case{0, CommandStatus::Done}, Case{1, CommandStatus::Done}, Case{-1, CommandStatus::Cancelled},
                       Case{2, CommandStatus::Cancelled}, Case{65536, CommandStatus::Done}}) {
    TempDir dir;
    const std::string out = dir.File("o.txt");
    EXPECT_EQ(ExportHorizontalDistances(grid, c.answer, out).status, c.status) << c.answer;
    EXPECT_EQ(ExportSlopeDistances(grid, c.answer, out).status, c.status) << c.answer;
    EXPECT_EQ(std::filesystem::exists(out), c.status == CommandStatus::Done) << c.answer;
  }
}

TEST(DistanceLists, FileFailuresUseTheirOwnMessages) {
  TempDir dir;
  const std::string bad = dir.File("no/such/folder.txt");
  const RecordGrid grid = JobGrid(kSetUp);
  EXPECT_EQ(ExportHorizontalDistances(grid, DistanceLayout::A, bad).message, "Open file failed!");
  EXPECT_EQ(ExportHorizontalDistances(grid, DistanceLayout::B, bad).message, "Open file failed!");
  EXPECT_EQ(ExportSlopeDistances(grid, DistanceLayout::A, bad).message, "Open report file failed!");
  EXPECT_EQ(ExportSlopeDistances(grid, DistanceLayout::B, bad).message, "Open file failed!");
  const CommandResult r = ExportAngles(grid, bad);
  EXPECT_EQ(r.status, CommandStatus::Failed);
  EXPECT_EQ(r.message, "Open file failed!");
  EXPECT_NE(r.detail.find(bad), std::string::npos);
  EXPECT_TRUE(r.filesToOpen.empty());
}

}  // namespace
}  // namespace corvane
