// Saving the grid, row commands and round trips.
#include <gtest/gtest.h>

#include "core/grid/grid_editing.h"
#include "core/grid/grid_loading.h"
#include "core/grid/grid_saving.h"
#include "unit/grid/grid_test_util.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using corvane::testing::FreshGrid;
using corvane::testing::RowText;

TEST(Save, WritesColumnsUpToTheLastFilledOne) {
  RecordGrid g = FreshGrid();
  g.SetCell(1, 1, "U");
  g.SetCell(1, 2, "ST");
  g.SetCell(1, 3, "P1");
  g.SetCell(3, 1, "A");
  g.SetCell(3, 4, "D");
  g.SetCell(4, 1, "U");
  g.SetCell(4, 14, "####");
  g.SetCell(5, 1, "Scale  ");
  g.SetCell(5, 2, "1.000000");
  g.SetCell(6, 3, "a,b");
  g.SetCell(7, 0, "7");  // the number column alone writes nothing
  EXPECT_EQ(GridSaveText(g), "U,ST,P1\nA,,,D\nU,,,,,,,,,,,,,####\nScale  ,1.000000\n,,a,b\n");
}

TEST(Save, FileHasCrLfAndSurvivesReopening) {
  corvane::testing::TempDir dir;
  RecordGrid g = FreshGrid();
  LoadBufferIntoGrid(g, "U,ST,S1,,,,1000,2000,100,1.5,,TREE\r\nAnglUnit:dms\r\n");
  ASSERT_TRUE(SaveGridToFile(g, dir.File("a.kvm")).Done());
  EXPECT_EQ(corvane::testing::ReadBytes(dir.File("a.kvm")), "U,ST,S1,,,,1000,2000,100,1.5,,TREE\r\nAnglUnit,dms\r\n");
  RecordGrid again = FreshGrid();
  ASSERT_TRUE(OpenJobFile(again, dir.File("a.kvm"), corvane::testing::DefaultCaptions()).Done());
  EXPECT_EQ(RowText(again, 1), RowText(g, 1));
  EXPECT_EQ(RowText(again, 2), "2|AnglUnit|dms");
  const CommandResult failed = SaveGridToFile(g, dir.File("missing/a.kvm"));
  EXPECT_EQ(failed.message, "Open file failed!");
  EXPECT_EQ(failed.detail, dir.File("missing/a.kvm") + ": No such file or directory");
}

TEST(Save, WritesEveryRowOfGridsBeyondSixteenBits) {
  RecordGrid g;
  g.SetRowCount(70001);
  for (int r = 1; r <= 70000; ++r) g.SetCell(r, 1, "r");
  g.SetCell(70000, 1, "last");
  const std::string text = GridSaveText(g);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 70000);
  EXPECT_EQ(text.substr(text.size() - 5), "last\n");
}

TEST(RowCommands, DeleteAndInsertKeepNumbering) {
  auto tenRows = [] {
    RecordGrid g = FreshGrid();
    for (int i = 1; i <= 10; ++i) LoadLineIntoRow(g, i, "U,DP,P" + std::to_string(i));
    return g;
  };
  RecordGrid d = tenRows();
  DeleteRow(d, 5);
  ASSERT_EQ(d.RowCount(), 10);
  EXPECT_EQ(RowText(d, 4), "4|U|DP|P4");
  EXPECT_EQ(RowText(d, 5), "5|U|DP|P6");
  EXPECT_EQ(RowText(d, 9), "9|U|DP|P10");
  DeleteRow(d, 9);  // the last row: only the count shrinks
  EXPECT_EQ(d.RowCount(), 9);
  EXPECT_EQ(RowText(d, 8), "8|U|DP|P9");

  RecordGrid i = tenRows();
  InsertRow(i, 5);
  ASSERT_EQ(i.RowCount(), 12);
  EXPECT_EQ(RowText(i, 5), "5");
  EXPECT_EQ(RowText(i, 6), "6|U|DP|P5");
  EXPECT_EQ(RowText(i, 11), "11|U|DP|P10");
  InsertRow(i, 0);  // the header row moves down like any other
  EXPECT_EQ(RowText(i, 1), "1|MARK|PT#|DATA1|DATA2|DATA3|DATA4|DATA5|DATA6|DATA7|DATA8|DATA9|DATA10|DATA11|DATA12");
  EXPECT_EQ(i.Cell(0, 0), "NUM");
  RecordGrid out = tenRows();
  DeleteRow(out, -1);
  InsertRow(out, 99);
  EXPECT_EQ(out.RowCount(), 11);
}

TEST(RecordGrid, CellsKeepArbitraryBytesAndIgnoreOutOfRange) {
  RecordGrid g;
  g.SetRowCount(2);
  const std::string binary("a\0b\xFF", 4);
  g.SetCell(1, 5, binary);
  g.SetCell(1, 14, std::string(100000, 'z'));
  g.SetCell(1, 5, g.Cell(1, 5));  // a cell set from its own text
  EXPECT_EQ(g.Cell(1, 5), binary);
  EXPECT_EQ(g.Cell(1, 14).size(), 100000u);
  g.SetCell(2, 0, "x");
  g.SetCell(1, 15, "x");
  EXPECT_EQ(g.Cell(2, 0), "");
  EXPECT_EQ(g.Cell(-1, 0), "");
  RecordGrid copy = g;
  EXPECT_EQ(copy.Cell(1, 5), binary);
}

}  // namespace
}  // namespace corvane
