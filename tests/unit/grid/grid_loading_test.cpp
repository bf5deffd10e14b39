// Loading lines into the grid: the line splitter, downloads, the Open walk, echoes.
#include <gtest/gtest.h>

#include "core/grid/grid_loading.h"
#include "unit/grid/grid_test_util.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using corvane::testing::FreshGrid;
using corvane::testing::RowText;

TEST(LoadLineIntoRow, SplitsByTheRecordModel) {
  struct Case { const char* line; const char* row; };
  const Case cases[] = {
      {"U,ST,S1, 1000.0 ,2000,100,1.5", "3|U|ST|S1|1000.0|2000|100|1.5"},
      {" U , DP ,P1", "3| U |DP|P1"},  // column 1 untouched, the rest trimmed
      {",a,b", "3||a|b"},                // a comma first: column 1 empty, the rest split
      {"Scale  :1.000000", "3|Scale  |1.000000"},
      {"Key: value :x", "3|Key| value :x"},
      {":abc", "3|||:abc"},  // a colon first is no header: blank split, one word
      {"ZAMO RECORD FILE", "3|ZAMO|RECORD|FILE"},
      {"one two", "3|one||one two"},
      {"single", "3|||single"},
      {"a  b c", "3|a||b c"},  // two blanks in a row: nothing between them
      {"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16", "3|1|2|3|4|5|6|7|8|9|10|11|12|13|14"},
      {"U,,,\t", "3|U"},
  };
  for (const Case& c : cases) {
    RecordGrid g = FreshGrid();
    LoadLineIntoRow(g, 3, c.line);
    EXPECT_EQ(RowText(g, 3), c.row) << c.line;
    EXPECT_EQ(g.RowCount(), 4) << c.line;
  }
  RecordGrid g = FreshGrid();
  LoadLineIntoRow(g, 3, "x");  // too short: nothing at all
  EXPECT_EQ(g.RowCount(), 700);
}

TEST(LoadBufferIntoGrid, LoadsCrLfLinesAndCutsTheGrid) {
  RecordGrid g = FreshGrid();
  g.SetCell(50, 3, "old");
  LoadBufferIntoGrid(g, "U,ST,S1\r\nU,BS,B1\r\nU,DP,P1\r\nnot ended");
  EXPECT_EQ(g.RowCount(), 4);
  EXPECT_EQ(RowText(g, 0), "NUM|MARK|PT#|DATA1|DATA2|DATA3|DATA4|DATA5|DATA6|DATA7|DATA8|DATA9|DATA10|DATA11|DATA12");
  EXPECT_EQ(RowText(g, 1), "1|U|ST|S1");
  EXPECT_EQ(RowText(g, 3), "3|U|DP|P1");

  RecordGrid none = FreshGrid();
  LoadBufferIntoGrid(none, "no line end at all");
  EXPECT_EQ(none.RowCount(), 700);
  EXPECT_EQ(RowText(none, 1), "1");
}

TEST(LoadBufferIntoGrid, EmptyLinesStayInsideTheGrid) {
  RecordGrid g = FreshGrid();
  LoadBufferIntoGrid(g, "U,ST,S1\r\n\r\nU,DP,P1\r\nx\r\n\x04");
  ASSERT_EQ(g.RowCount(), 5);
  EXPECT_EQ(RowText(g, 1), "1|U|ST|S1");
  EXPECT_EQ(RowText(g, 2), "2");
  EXPECT_EQ(RowText(g, 3), "3|U|DP|P1");
  EXPECT_EQ(RowText(g, 4), "4");
  EXPECT_EQ(g.Cell(5, 0), "");
}

RecordGrid OpenBytes(const std::string& bytes, size_t chunk) {
  RecordGrid g = FreshGrid();
  ClearGrid(g, corvane::testing::DefaultCaptions());
  OpenJobWalker w(g);
  for (size_t i = 0; i < bytes.size(); i += chunk) w.Feed(std::string_view(bytes).substr(i, chunk));
  w.Finish();
  return g;
}

TEST(OpenJobWalker, SameRowsForEveryLineEndAndEveryChunking) {
  const std::string lf = "U,ST,S1\n\nU,DP,P1  with   blanks\nx\nlast line";
  const std::string crlf = "U,ST,S1\r\n\r\nU,DP,P1  with   blanks\r\nx\r\nlast line";
  const std::string cr = "U,ST,S1\r\rU,DP,P1  with   blanks\rx\rlast line";
  for (size_t chunk : {1, 2, 3, 7, 4096}) {
    for (const std::string* text : {&lf, &crlf, &cr}) {
      RecordGrid g = OpenBytes(*text, chunk);
      ASSERT_EQ(g.RowCount(), 5) << chunk;
      EXPECT_EQ(RowText(g, 1), "1|U|ST|S1");
      EXPECT_EQ(RowText(g, 2), "2|U|DP|P1 with blanks");
      EXPECT_EQ(RowText(g, 3), "");  // a one-character line takes a number but fills no row
      EXPECT_EQ(RowText(g, 4), "4|last||last line");
    }
  }
  RecordGrid trailing = OpenBytes("ab  ", 1);
  EXPECT_EQ(RowText(trailing, 1), "1|ab||ab ");
}

TEST(OpenJobFile, EmptyFileResetsAndMissingFileChangesNothing) {
  corvane::testing::TempDir dir;
  RecordGrid g = FreshGrid();
  LoadBufferIntoGrid(g, "U,ST,S1\r\n");
  EXPECT_EQ(OpenJobFile(g, dir.File("missing"), corvane::testing::DefaultCaptions()).detail,
            dir.File("missing") + ": No such file or directory");
  EXPECT_EQ(OpenJobFile(g, dir.Path().string(), corvane::testing::DefaultCaptions()).message, "Open file failed!");
  EXPECT_EQ(RowText(g, 1), "1|U|ST|S1");
  corvane::testing::WriteBytes(dir.File("empty"), "");
  ASSERT_TRUE(OpenJobFile(g, dir.File("empty"), corvane::testing::DefaultCaptions()).Done());
  EXPECT_EQ(g.RowCount(), 700);
  EXPECT_EQ(RowText(g, 1), "1");
  EXPECT_EQ(RowText(g, 25), "");
}

TEST(UploadEcho, RecordsAndCodesRebuildTheGridFromTheTop) {
  RecordGrid g = FreshGrid();
  for (int i = 1; i <= 50; ++i) LoadLineIntoRow(g, i, "U,DP,P");
  const char* rec = "          P1,         100.5,        200.25,            10,          TREE\r\n";
  ShowUploadedRecord(g, 1, rec);
  ShowUploadedRecord(g, 2, rec);
  ShowUploadedRecord(g, 3, "  P3,1,2,3,code,with,commas");
  EXPECT_EQ(g.RowCount(), 4);
  EXPECT_EQ(RowText(g, 1), "1|||P1||||100.5|200.25|10|||TREE\r\n");
  EXPECT_EQ(RowText(g, 3), "3|||P3||||1|2|3|||code,with,commas");
  ShowUploadedRecord(g, 702, rec);
  EXPECT_EQ(g.RowCount(), 703);
  ShowSentCode(g, 5, "TREE");
  EXPECT_EQ(g.RowCount(), 6);
  EXPECT_EQ(RowText(g, 5), "5||||||||||||TREE");
  ShowSentRecord(g, 2, "x");  // too short: ignored
  EXPECT_EQ(g.RowCount(), 6);
}

TEST(FillHeaderRow, KeepsLongJobsAndResetsShortOnes) {
  RecordGrid g = FreshGrid();
  for (int i = 1; i <= 40; ++i) LoadLineIntoRow(g, i, "U,DP,P");
  FillHeaderRow(g, corvane::testing::DefaultCaptions());
  EXPECT_EQ(g.RowCount(), 700);
  EXPECT_EQ(RowText(g, 40), "40|U|DP|P");
  EXPECT_EQ(RowText(g, 24), "24|U|DP|P");
  for (int i = 1; i <= 1000; ++i) LoadLineIntoRow(g, i, "U,DP,P");
  FillHeaderRow(g, corvane::testing::DefaultCaptions());
  EXPECT_EQ(g.RowCount(), 1001);
  EXPECT_EQ(RowText(g, 1000), "1000|U|DP|P");
  ClearGrid(g, corvane::testing::DefaultCaptions());
  EXPECT_EQ(g.RowCount(), 700);
  EXPECT_EQ(RowText(g, 24), "24");
  EXPECT_EQ(RowText(g, 25), "");
}

}  // namespace
}  // namespace corvane
