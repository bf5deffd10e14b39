// The station recompute: points from raw observations with new station
// coordinates, the export file and the framed report.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <filesystem>

#include "compute_test_util.h"
#include "core/compute/point_format.h"
#include "core/compute/station_recompute.h"
#include "core/compute/station_report.h"
#include "core/text/codepage.h"
#include "core/text/numbers.h"

namespace corvane {
namespace {

using namespace testing;  // corvane::testing: grids, files, settings

// One set-up, one point: the report example of the manual.
const std::vector<std::string> kExampleJob = {
    "U,ST,S1,,,,1000,2000,100,1.500,,STN",
    "U,BS,B1,,,0.0000,1100,2000,101",
    "U,DP,P1,14.142,45.0000,90.0000,,,,,1.500,TREE",
};

const char* const kExampleReport =
    " _____________________________________________________________________________ \n"
    "|                                                                             |\n"
    "|    新测站点号 :        S1  X=        1000  Y=        2000    Z=      100    |\n"
    "|    新定向点号 :        B1  X=        1100  Y=        2000    Z=      101    |\n"
    "|      原方位角 :    0.0000         仪器高 :  1.500                           |\n"
    "|-----------------------------------------------------------------------------|\n"
    "| ZAMO  NO     VA       HA       SD    REF.YK       Y           X         Z   |\n"
    "|---------- -------- -------- -------- ------ ----------- ----------- --------|\n"
    "|        P1  90.0000  45.0000   14.142  1.500    2010.000    1010.000  100.000|\n"
    "|_____________________________________________________________________________|";

struct Outcome {
  CommandResult result;
  std::string output;
  std::string report;
};

class Recompute : public ::testing::Test {
 protected:
  // Scans the grid, then recomputes into out.<ext> with the given layout.
  Outcome Go(const RecordGrid& grid, int layout, const char* sep = ",", const StationTable* given = nullptr) {
    StationTable table;
    if (given) table = *given;
    else EXPECT_TRUE(ScanStations(grid, table).Done());
    const std::string out = dir.File(layout == 6 ? "out.dxf" : "out.txt");
    Outcome r{RecomputeStations(grid, table, ExportAnswer{layout, sep, out}, files), "", ""};
    r.output = ReadBytes(out);
    r.report = ReadBytes(dir.File("out.rpt"));
    return r;
  }
  TempDir dir;
  RecomputeFiles files = RecomputeFiles::InProgramFolder();
};

TEST_F(Recompute, ReportExampleWithShippedAndDefaultCaptions) {
  const std::string want = Crlf(Utf8ToGbk(kExampleReport));
  for (const std::string& captions : {RecomputeFiles::InProgramFolder().reportCaptions, dir.File("none.ini")}) {
    files.reportCaptions = captions;
    const Outcome r = Go(JobGrid(kExampleJob), 0);
    ASSERT_TRUE(r.result.Done()) << r.result.message << r.result.detail;
    EXPECT_EQ(r.report, want) << captions << "\n" << testing::Visible(r.report);
    EXPECT_EQ(r.output, "S1,1000,2000,100,STN\r\nP1,1010.000,2010.000,100.000,TREE\r\n");
    EXPECT_EQ(r.result.filesToOpen, (std::vector<std::string>{dir.File("out.txt"), dir.File("out.rpt")}));
  }
}

TEST_F(Recompute, CaptionsComeFromTheReportSection) {
  files.reportCaptions = dir.File("c.ini");
  WriteBytes(files.reportCaptions, "[Report]\r\nFirst=New STN:\r\nFifth=| points |\r\n");
  const Outcome r = Go(JobGrid(kExampleJob), 0);
  EXPECT_NE(r.report.find("\r\n|        New STN:        S1  X="), std::string::npos) << r.report;
  EXPECT_NE(r.report.find("\r\n| points |\r\n"), std::string::npos);
  EXPECT_NE(r.report.find(Utf8ToGbk("|    新定向点号 :        B1")), std::string::npos);
}

TEST_F(Recompute, EmptyJobLeavesOnlyTheFrameEnd) {
  const Outcome plain = Go(JobGrid({"u,ST,S1,,,,1,2,3", "U,MP,M,,,,1,2,3"}), 0);
  ASSERT_TRUE(plain.result.Done());
  EXPECT_EQ(plain.output, "");
  EXPECT_EQ(plain.report, "|" + std::string(77, '_') + "|");
  const Outcome dxf = Go(JobGrid({}), 6);
  std::string lib;
  ASSERT_TRUE(ReadDxfTemplate(files.dxfTemplate, lib));
  EXPECT_EQ(dxf.output, Crlf(lib + "ENDSEC\n0\nEOF"));
}

TEST_F(Recompute, OrientationIsNewBacksightAzimuthMinusItsReading) {
  // Backsight due east (90 degrees); the instrument read it at 30 degrees. A
  // point read at 120 degrees lies due south of the station.
  const Outcome r = Go(JobGrid({"U,ST,S,,,,1000,2000,50,1.6", "U,BS,B,,,30.0000,1000,2100,50",
                            "U,DP,P,100,120.0000,90.0000,,,,,1.6"}),
                   0);
  EXPECT_EQ(r.output, "S,1000,2000,50,\r\nP,900.000,2000.000,50.000,\r\n");
}

TEST_F(Recompute, PointsFollowTheTableNotTheGrid) {
  const RecordGrid grid = JobGrid(kExampleJob);
  StationTable table;
  ASSERT_TRUE(ScanStations(grid, table).Done());
  table.MutableEntry(1).north = "500.5";  // as after an Inport and OK
  table.MutableEntry(1).east = "600";
  table.MutableEntry(2).north = "500.5";
  table.MutableEntry(2).east = "700";  // the backsight now lies due east
  const Outcome r = Go(grid, 1, " ", &table);
  // Azimuth 45 + 90 degrees from (500.5, 600), 14.142 away.
  EXPECT_EQ(r.output, "S1 600 500.5 100 STN\r\nP1 610.000 490.500 100.000 TREE\r\n");
}

TEST_F(Recompute, OddSetUps) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::string output;
  };
  const Case cases[] = {
      {"unnamed point takes the processed-record count",
       {"U,ST,S,,,,0,0,0", "U,BS,B,,,0,10,0,0", "U,DP,A,1,0,90", "U,MP,M", "U,RP,B,1,0,90", "U,DP,,1,0,90"},
       "S,0,0,0,\nA,1.000,0.000,0.000,\nB,1.000,0.000,0.000,\n5,1.000,0.000,0.000,\n"},
      {"backsight and point before any station use zeros",
       {"U,BS,B,,,0,0,10,0", "U,DP,P,10,0,90,,,,,0"}, "P,0.000,10.000,0.000,\n"},
      {"coincident station and backsight: no orientation, the angle is the azimuth",
       {"U,ST,S,,,,5,5,0", "U,BS,B,,,90.0000,5,5,0", "U,DP,P,10,90.0000,90,,,,,0"}, "S,5,5,0,\nP,5.000,15.000,0.000,\n"},
      {"gon from an AnglUnit row",
       {"x,AnglUnit,gon", "U,ST,S,,,,0,0,0", "U,BS,B,,,0,10,0,0", "U,DP,P,10,100.0000,100.0000,,,,,0"},
       "S,0,0,0,\nP,0.000,10.000,0.000,\n"},
      {"ENZ job: columns 7 and 8 trade roles",
       {"x,CoorType,ENZ", "U,ST,S,,,,2000,1000,0", "U,BS,B,,,0,2000,1100,0", "U,DP,P,10,90,90,,,,,0"},
       "S,1000,2000,0,\nP,1000.000,2010.000,0.000,\n"},
      {"heights: station + instrument + rise - target",
       {"U,ST,S,,,,0,0,100,1.5", "U,BS,B,,,0,10,0,0", "U,DP,P,20,0,60.0000,,,,,2"}, "S,0,0,100,\nP,17.321,0.000,109.500,\n"},
  };
  for (const Case& c : cases) {
    const Outcome r = Go(JobGrid(c.lines), 0);
    ASSERT_TRUE(r.result.Done()) << c.name;
    EXPECT_EQ(r.output, Crlf(c.output)) << c.name << "\n" << testing::Visible(r.output);
  }
}

TEST_F(Recompute, SetUpsWithoutOrientationTakeTheAngleAsAzimuthAndAreNamed) {
  // Each point is read at a right angle, 10 away: without orientation it lies
  // due east of the station (taken at 0, 0 where it has no numbers).
  const char* const point = "U,DP,P,10,90.0000,90.0000,,,,,0";
  struct Case {
    const char* name;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"station without numbers, reading 1e400", {"U,ST,S,,,,x,,0", "U,BS,B,,,1e400,,y,0", point}},
      {"reading 1e400", {"U,ST,S,,,,0,0,0", "U,BS,B,,,1e400,10,0,0", point}},
      {"reading -1e400 in gon",
       {"x,AnglUnit,gon", "U,ST,S,,,,0,0,0", "U,BS,B,,,-1e400,10,0,0", "U,DP,P,10,100,100,,,,,0"}},
      {"backsight without numbers", {"U,ST,S,,,,0,0,0", "U,BS,B,,,30.0000,abc,,0", point}},
      {"station at 1e400", {"U,ST,S,,,,1e400,0,0", "U,BS,B,,,0,10,0,0", point}},
  };
  const auto undefinedText = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text.find("nan") != std::string::npos || text.find("inf") != std::string::npos;
  };
  const std::string noOrientation = Utf8ToGbk("|    无定向测站 :         S") + std::string(51, ' ') + "|\r\n";
  for (const Case& c : cases) {
    const Outcome r = Go(JobGrid(c.lines), 0);
    ASSERT_TRUE(r.result.Done()) << c.name;
    EXPECT_NE(r.output.find("\r\nP,0.000,10.000,0.000,\r\n"), std::string::npos) << c.name << "\n" << r.output;
    EXPECT_FALSE(undefinedText(r.output) || undefinedText(r.report)) << c.name << "\n" << r.output << r.report;
    EXPECT_NE(r.report.find(noOrientation), std::string::npos) << c.name << "\n" << testing::Visible(r.report);
  }
  EXPECT_EQ(Go(JobGrid(kExampleJob), 0).report.find(Utf8ToGbk("无定向")), std::string::npos);
}

TEST_F(Recompute, BacksightWithoutStationPrintsAnEmptyHeightBlock) {
  const Outcome r = Go(JobGrid({"U,BS,B,,,12.3456,1,2,3"}), 0);
  EXPECT_NE(r.report.find(Utf8ToGbk("|      原方位角 :   12.3456  ") + std::string(49, ' ') + "|\r\n"), std::string::npos)
      << r.report;
}

TEST_F(Recompute, ManySetUpsRecomputeWithTheirOwnEntries) {
  // 120 set-ups (240 table entries): each station is moved 5 north by the
  // table; each backsight lies due north, read at 0; each point is 10 east.
  std::vector<std::string> lines;
  for (int i = 0; i < 120; ++i) {
    const std::string n = std::to_string(1000 + 100 * i);
    lines.push_back("U,ST,S" + std::to_string(i) + ",,,,1,1,1,0");
    lines.push_back("U,BS,B" + std::to_string(i) + ",,,0.0000,1,1,1");
    lines.push_back("U,DP,,10,90.0000,90.0000,,,,,0");
  }
  const RecordGrid grid = JobGrid(lines);
  StationTable table;
  ASSERT_TRUE(ScanStations(grid, table).Done());
  ASSERT_EQ(table.StationCount(), 240);
  for (int i = 0; i < 120; ++i) {
    StationEntry& st = table.MutableEntry(2 * i + 1);
    st.north = std::to_string(1005 + 100 * i);
    st.east = "2000";
    st.height = "0";
    StationEntry& bs = table.MutableEntry(2 * i + 2);
    bs.north = std::to_string(1105 + 100 * i);
    bs.east = "2000";
  }
  const Outcome r = Go(grid, 0, ",", &table);
  ASSERT_TRUE(r.result.Done());
  std::string want;
  for (int i = 0; i < 120; ++i) {
    want += "S" + std::to_string(i) + "," + std::to_string(1005 + 100 * i) + ",2000,0,\n";
    want += std::to_string(3 * i + 3) + "," + std::to_string(1005 + 100 * i) + ".000,2010.000,0.000,\n";
  }
  EXPECT_EQ(r.output, Crlf(want));
}

TEST_F(Recompute, Failures) {
  const RecordGrid grid = JobGrid(kExampleJob);
  StationTable table;
  ASSERT_TRUE(ScanStations(grid, table).Done());
  EXPECT_EQ(RecomputeStations(grid, table, std::string_view(), files).status, CommandStatus::Cancelled);

  const CommandResult noFolder = RecomputeStations(grid, table, "{0}{0}{" + dir.File("x/out.txt") + "}", files);
  EXPECT_EQ(noFolder.message, "Open file failed!");

  for (const char* lib : {"missing.lib", "empty.lib"}) {
    files.dxfTemplate = dir.File(lib);
    WriteBytes(dir.File("empty.lib"), "");
    const Outcome r = Go(grid, 6);
    EXPECT_EQ(r.result.message, "Read DXF.lib failed!") << lib;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.dxf"))) << lib;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.rpt"))) << lib;
    EXPECT_TRUE(r.result.filesToOpen.empty());
  }

  std::filesystem::create_directory(dir.Path() / "out.rpt");
  const Outcome blocked = Go(grid, 0);
  EXPECT_EQ(blocked.result.message, "Open report file failed!");
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.txt")));
  EXPECT_TRUE(blocked.result.filesToOpen.empty());
}

TEST(ReportPathFor, CutsAtTheLastDot) {
  EXPECT_EQ(ReportPathFor("/jobs/out.txt"), "/jobs/out.rpt");
  EXPECT_EQ(ReportPathFor("/jobs/my.dir/out"), "/jobs/my.rpt");
  EXPECT_EQ(ReportPathFor("/jobs/out"), ".rpt");
}

}  // namespace
}  // namespace corvane
