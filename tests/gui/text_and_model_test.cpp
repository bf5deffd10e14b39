// GBK text at the Qt edge and the grid model over the core grid.
#include <QSignalSpy>

#include "core/grid/grid_loading.h"
#include "gui/gbk_text.h"
#include "gui/record_grid_model.h"
#include "gui_fixture.h"

namespace corvane::guitest {
namespace {

TEST(GbkText, DecodesAndEncodesTheToolsCodePage) {
  struct Case {
    std::string gbk;
    QString shown;
  } cases[] = {
      {"", ""},
      {"P1,100.000", "P1,100.000"},
      {"\xB2\xE2\xC1\xBF", QString::fromUtf8("测量")},
      {"\xD7\xF8\xB1\xEA A1", QString::fromUtf8("坐标 A1")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(gui::FromGbk(c.gbk), c.shown);
    EXPECT_EQ(gui::ToGbk(c.shown), c.gbk);
  }
}

TEST(GbkText, BytesThatAreNotGbkShowAsReplacementCharacters) {
  for (const std::string& bad : {std::string("A\xB2"), std::string("\x81"), std::string("x\xFE")}) {
    const QString shown = gui::FromGbk(bad);
    EXPECT_TRUE(shown.contains(QChar::ReplacementCharacter)) << testing::Visible(bad);
    EXPECT_EQ(shown.at(0), QChar(bad[0] & 0x80 ? 0xFFFD : bad[0]));
  }
  // Characters without a GBK form become "?".
  EXPECT_EQ(gui::ToGbk(QString::fromUtf8("a\U0001F600b")), "a?b");
}

TEST(GbkText, ReusedDecoderKeepsNoStateBetweenCells) {
  gui::GbkDecoder decoder;
  EXPECT_EQ(decoder.Decode("\xB2"), QString(QChar::ReplacementCharacter));
  EXPECT_EQ(decoder.Decode("\xE2\xC1\xBF"), gui::FromGbk("\xE2\xC1\xBF"));
  EXPECT_EQ(decoder.Decode("\xB2\xE2"), QString::fromUtf8("测"));
}

TEST(RecordGridModel, ServesGridRowsBelowTheHeaderAndTellsTheViews) {
  RecordGrid grid;
  gui::RecordGridModel model(grid);
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(model.columnCount(), 15);
  QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  QSignalSpy header(&model, &QAbstractItemModel::headerDataChanged);
  model.Replace([](RecordGrid& g) {
    g.SetRowCount(1);
    g.SetCell(0, 3, "DATA1");
    LoadBufferIntoGrid(g, "U,ST,S1\r\nU,DP,\xB2\xE2\r\n");
  });
  EXPECT_EQ(reset.count(), 1);
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "DATA1");
  EXPECT_EQ(model.data(model.index(0, 3), Qt::DisplayRole).toString(), "S1");
  EXPECT_EQ(model.data(model.index(1, 3), Qt::DisplayRole).toString(), QString::fromUtf8("测"));
  EXPECT_EQ(model.data(model.index(1, 0), Qt::DisplayRole).toString(), "2");
  EXPECT_FALSE(model.flags(model.index(0, 3)).testFlag(Qt::ItemIsEditable));
  model.SetCell(2, 4, "12.5");
  model.SetCell(0, 4, "DATA2");
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].toModelIndex(), model.index(1, 4));
  EXPECT_EQ(header.count(), 1);
  EXPECT_EQ(grid.Cell(2, 4), "12.5");
  EXPECT_EQ(gui::RecordGridModel::GridRow(model.index(1, 4)), 2);
  EXPECT_EQ(model.IndexOf(2, 4), model.index(1, 4));
}

TEST(RecordGridModel, HoldsNoCopyOfTheCells) {
  RecordGrid grid;
  gui::RecordGridModel model(grid);
  model.Replace([](RecordGrid& g) {
    std::string text;
    for (int r = 0; r < 20000; ++r) text += "U,DP,P" + std::to_string(r) + ",12.3450,90.0000,88.1230\r\n";
    LoadBufferIntoGrid(g, text);
  });
  for (int r = 0; r < model.rowCount(); r += 97) (void)model.data(model.index(r, 3), Qt::DisplayRole);
  EXPECT_LT(model.OwnMemoryBytes(), grid.MemoryBytes() / 100);
}

}  // namespace
}  // namespace corvane::guitest
