// The station scan, the station table and the station import dialog's logic.
#include <gtest/gtest.h>

#include <filesystem>

#include "compute_test_util.h"
#include "core/compute/station_import.h"
#include "core/compute/station_table.h"

namespace corvane {
namespace {

using namespace testing;  // corvane::testing: grids, files, settings

// Two set-ups: the second stands on the first backsight and sights back.
const std::vector<std::string> kTwoSetUps = {
    "U,ST,S1,,,,1000.125,2000.125,100.125,1.5",
    "U,BS,B1,,,0.0000,1100.125,2000.125,101.125",
    "U,DP,P1,10,0,90",
    "U,ST,B1,,,,1100.125,2000.125,101.125,1.5",
    "U,BS,S1,,,180.0000,1000.125,2000.125,100.125",
};

std::string RowText(const StationImportModel& m, int r) {
  std::string out;
  for (int c = 0; c < StationImportModel::kCols; ++c) {
    if (c) out += "|";
    out += m.Cell(r, c);
  }
  return out;
}

TEST(StationScan, CollectsStationsAndBacksightsInGridOrder) {
  StationTable table;
  table.Append().name = "old";
  RecordGrid grid = JobGrid({"x,CoorType,ENZ", "U,ST,S1,,,,2000,1000,100", "X,BS,B1,,,,2000,1100,101", "U,DP,P1"});
  ASSERT_TRUE(ScanStations(grid, table).Done());
  ASSERT_EQ(table.StationCount(), 2);
  const StationEntry& s = table.Entry(1);
  EXPECT_EQ(s.name + "|" + s.north + "|" + s.east + "|" + s.height + "|" + s.property + "|" + s.changed,
            "S1|1000|2000|100|STN|");
  EXPECT_EQ(table.Entry(2).north, "1100");  // every ST/BS row counts, whatever its flag
  EXPECT_EQ(table.Entry(2).property, "BKB");
  EXPECT_EQ(table.Entry(3).name, "");  // beyond the count: an empty entry
}

TEST(StationScan, RowWithoutNameEndsTheCommand) {
  StationTable table;
  const CommandResult r = ScanStations(JobGrid({"U,ST,S1", "U,DP,P", "U,BS,,,,,1,2,3"}), table);
  EXPECT_EQ(r.status, CommandStatus::Failed);
  EXPECT_EQ(r.message, "Lost Point name in line:3");
  EXPECT_EQ(r.icon, MessageIcon::None);
}

TEST(StationScan, HoldsAnyNumberOfEntriesWithNamesOfAnyLength) {
  std::vector<std::string> lines;
  for (int i = 0; i < 150; ++i) {
    const std::string name = "STATION-WITH-A-LONG-NAME-" + std::to_string(i);
    lines.push_back((i % 2 ? "U,BS," : "U,ST,") + name + ",,,,1000000.12345," + std::to_string(i) + ".123456789,7");
  }
  StationTable table;
  ASSERT_TRUE(ScanStations(JobGrid(lines), table).Done());
  ASSERT_EQ(table.StationCount(), 150);
  EXPECT_EQ(table.Entry(150).name, "STATION-WITH-A-LONG-NAME-149");
  EXPECT_EQ(table.Entry(150).east, "149.123456789");
  StationImportModel dialog(table);
  EXPECT_EQ(dialog.RowCount(), 151);
  dialog.Ok(table);
  ASSERT_EQ(table.StationCount(), 150);
  EXPECT_EQ(table.Entry(149).name, "STATION-WITH-A-LONG-NAME-148");
  EXPECT_EQ(table.Entry(149).north, "1000000.12345");
}

TEST(StationImport, OpensWithTheTableOrTwentyFourEmptyRows) {
  StationTable empty;
  StationImportModel fresh(empty);
  EXPECT_EQ(fresh.RowCount(), 25);
  EXPECT_EQ(RowText(fresh, 0), "NUM|    PT#|        N |       E |       Z |property|Changed");
  EXPECT_EQ(RowText(fresh, 24), "24||||||");
  fresh.Ok(empty);
  EXPECT_EQ(empty.StationCount(), 24);
  EXPECT_EQ(empty.Entry(24).name, "");

  StationTable table;
  ASSERT_TRUE(ScanStations(JobGrid(kTwoSetUps), table).Done());
  StationImportModel dialog(table);
  EXPECT_EQ(dialog.RowCount(), 5);
  EXPECT_EQ(RowText(dialog, 1), "1|S1|1000.125|2000.125|100.125|STN|");
  EXPECT_EQ(RowText(dialog, 4), "4|S1|1000.125|2000.125|100.125|BKB|");
  EXPECT_EQ(StationImportModel::ColumnWidthTwips(2), 1250);
}

TEST(StationImport, TraverseFileExample) {
  TempDir dir;
  const std::string traverse = dir.File("poligon.txt");
  WriteBytes(traverse, "S1,1000.000,2000.000,100.000\r\nB1,1100.000,2000.000,101.000\r\nB1\r\nS1\r\nextra,1,2,3\r\n");
  StationTable table;
  ASSERT_TRUE(ScanStations(JobGrid(kTwoSetUps), table).Done());
  StationImportModel dialog(table);
  ASSERT_TRUE(dialog.Inport("{0}{" + traverse + "}").Done());
  EXPECT_EQ(dialog.RowCount(), 5);
  EXPECT_EQ(RowText(dialog, 1), "1|S1|1000.000|2000.000|100.000|STN|Y");
  EXPECT_EQ(RowText(dialog, 2), "2|B1|1100.000|2000.000|101.000|BKB|Y");
  EXPECT_EQ(RowText(dialog, 3), "3|B1|1100.000|2000.000|101.000|BKB|N");
  EXPECT_EQ(RowText(dialog, 4), "4|S1|1000.000|2000.000|100.000|STN|N");
  EXPECT_EQ(table.Entry(1).north, "1000.125");  // Inport leaves the table alone

  // Save as goes to the full path chosen, not to the current folder.
  const std::string saved = dir.File("sub/stations.txt");
  std::filesystem::create_directories(dir.Path() / "sub");
  ASSERT_TRUE(dialog.SaveAs(saved).Done());
  EXPECT_EQ(ReadBytes(saved), Crlf("S1,1000.000,2000.000,100.000,STN,Y\nB1,1100.000,2000.000,101.000,BKB,Y\n"
                                   "B1,1100.000,2000.000,101.000,BKB,N\nS1,1000.000,2000.000,100.000,STN,N\n"));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "stations.txt"));

  dialog.Ok(table);
  ASSERT_EQ(table.StationCount(), 4);
  EXPECT_EQ(table.Entry(3).north, "1100.000");
  EXPECT_EQ(table.Entry(3).property, "BKB");
  EXPECT_EQ(table.Entry(4).changed, "N");
}

TEST(StationImport, LineForms) {
  struct Case {
    const char* name;
    const char* file;
    int format;
    const char* row1;
    const char* row2;
  };
  const Case cases[] = {
      {"leading blank stays in the name", " S1,1,2,3\n", 0, "1|S1|1000.125|2000.125|100.125|STN|", nullptr},
      {"starts with the separator: a bare name", ",1,2,3\n", 0, "1|S1|1000.125|2000.125|100.125|STN|", nullptr},
      {"format 1 is name, E, N, Z", "S1,1,2,3\n", 1, "1|S1|2|1|3|STN|Y", nullptr},
      {"format 6 as 1", "S1,1,2,3\n", 6, "1|S1|2|1|3|STN|Y", nullptr},
      {"format 2", "S1,c,1,2,3\n", 2, "1|S1|1|2|3|STN|Y", nullptr},
      {"format 3", "S1,c,1,2,3\n", 3, "1|S1|2|1|3|STN|Y", nullptr},
      {"format 4", "S1,c,d,1,2,3\n", 4, "1|S1|1|2|3|STN|Y", nullptr},
      {"format 5", "S1,c,d,1,2,3\n", 5, "1|S1|2|1|3|STN|Y", nullptr},
      {"format 7 skips delimited lines only", "S1,1,2,3\nS1\n", 7, "1|S1|1000.125|2000.125|100.125|STN|",
       "2|S1|1000.125|2000.125|100.125|STN|N"},
      {"semicolons, quotes and blank runs", "\"S1\";1;2;3\nB1  5  6  7\n", 0, "1|S1|1|2|3|STN|Y", "2|B1|5|6|7|BKB|Y"},
      {"tab separated", "S1\t1\t2\t3\n", 0, "1|S1|1|2|3|STN|Y", nullptr},
      {"missing fields read empty", "S1,1\n", 0, "1|S1|1|||STN|Y", nullptr},
      {"name of another entry changes nothing", "B1,1,2,3\n", 0, "1|S1|1000.125|2000.125|100.125|STN|", nullptr},
      {"bare name found nowhere above", "ZZ\n", 0, "1|S1|1000.125|2000.125|100.125|STN|", nullptr},
      {"fields after the tenth are ignored", "S1,1,2,3,4,5,6,7,8,9,10,11\n", 5, "1|S1|4|3|5|STN|Y", nullptr},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteBytes(dir.File("t.txt"), c.file);
    StationTable table;
    ASSERT_TRUE(ScanStations(JobGrid(kTwoSetUps), table).Done());
    StationImportModel dialog(table);
    ASSERT_TRUE(dialog.Inport(c.format, dir.File("t.txt")).Done()) << c.name;
    EXPECT_EQ(RowText(dialog, 1), c.row1) << c.name;
    if (c.row2) {
      EXPECT_EQ(RowText(dialog, 2), c.row2) << c.name;
    }
  }
}

TEST(StationImport, LongLinesArriveInPieces) {
  TempDir dir;
  // 99 bytes are read at a time: the rest of a long line is the next line.
  WriteBytes(dir.File("t.txt"), "S1," + std::string(96, '1') + "B1,7,8,9\n");
  StationTable table;
  ASSERT_TRUE(ScanStations(JobGrid(kTwoSetUps), table).Done());
  StationImportModel dialog(table);
  ASSERT_TRUE(dialog.Inport(0, dir.File("t.txt")).Done());
  EXPECT_EQ(RowText(dialog, 1), "1|S1|" + std::string(96, '1') + "|||STN|Y");
  EXPECT_EQ(RowText(dialog, 2), "2|B1|7|8|9|BKB|Y");
}

TEST(StationImport, FailuresAndCancel) {
  TempDir dir;
  StationTable table;
  ASSERT_TRUE(ScanStations(JobGrid(kTwoSetUps), table).Done());
  StationImportModel dialog(table);
  EXPECT_EQ(dialog.Inport(std::string_view()).status, CommandStatus::Cancelled);
  const CommandResult missing = dialog.Inport("{0}{" + dir.File("none.txt") + "}");
  EXPECT_EQ(missing.message, "Open file failed!");
  EXPECT_EQ(RowText(dialog, 1), "1|S1|1000.125|2000.125|100.125|STN|");
  EXPECT_EQ(dialog.SaveAs(dir.File("no/folder.txt")).message, "Open file failed!");
  EXPECT_EQ(dialog.SaveAs("").message, "Open file failed!");
}

TEST(StationImport, SaveAsRightAfterOpeningAndOkAfterAShorterValue) {
  TempDir dir;
  StationTable table;
  ASSERT_TRUE(ScanStations(JobGrid(kTwoSetUps), table).Done());
  StationImportModel dialog(table);
  ASSERT_TRUE(dialog.SaveAs(dir.File("s.txt")).Done());
  EXPECT_EQ(ReadBytes(dir.File("s.txt")).substr(0, 36), "S1,1000.125,2000.125,100.125,STN\r\nB1");
  WriteBytes(dir.File("t.txt"), "S1,99.5,2000.125,100.125\n");
  ASSERT_TRUE(dialog.Inport(0, dir.File("t.txt")).Done());
  dialog.Ok(table);
  EXPECT_EQ(table.Entry(1).north, "99.5");
  EXPECT_EQ(table.Entry(1).changed, "Y");
  EXPECT_EQ(table.Entry(2).north, "1100.125");
}

TEST(StationImport, SaveAsKeepsInnerEmptyFields) {
  TempDir dir;
  StationTable table;
  StationEntry& e = table.Append();
  e.name = "S1";
  e.height = "7";
  StationImportModel dialog(table);
  ASSERT_TRUE(dialog.SaveAs(dir.File("s.txt")).Done());
  EXPECT_EQ(ReadBytes(dir.File("s.txt")), "S1,,,7\r\n");
}

}  // namespace
}  // namespace corvane
