// Editing cells in place, the two context menus and the row commands.
#include <QLineEdit>

#include "gui_fixture.h"
#include "grid_helpers.h"

namespace corvane::guitest {
namespace {

using gui::CDataPage;

class GridEditingTest : public GuiFixture {
 protected:
  // A page with `rows` data rows "U,MP,P<r>,<r>".
  std::unique_ptr<CDataPage> PageWithRows(int rows) {
    auto page = std::make_unique<CDataPage>(*context_);
    page->resize(900, 500);
    std::string text;
    for (int r = 1; r <= rows; ++r) text += "U,MP,P" + std::to_string(r) + "," + std::to_string(r) + "\r\n";
    page->OnDownloadComplete(QByteArray::fromStdString(text));
    ShowActive(*page);
    return page;
  }
  void DoubleClick(CDataPage& page, int row, int col) {
    const QPoint global = CellGlobal(page, row, col);
    QTableView* view = col < gui::RecordGridView::kFrozenColumns ? page.View()->FrozenView() : page.View();
    QWidget* target = row == 0 ? view->horizontalHeader()->viewport() : view->viewport();
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFromGlobal(global));
    QTest::mouseDClick(target, Qt::LeftButton, {}, target->mapFromGlobal(global));
  }
};

TEST_F(GridEditingTest, EditorWritesTheTypedTextBackWhenItLosesTheFocus) {
  auto page = PageWithRows(3);
  for (int col : {1, 4, 9}) {  // a frozen column, a scrolling one, another
    page->SetStationListValid(1);
    DoubleClick(*page, 2, col);
    ASSERT_TRUE(page->Editor()->isVisible()) << col;
    EXPECT_EQ(page->StationListValid(), 0);
    EXPECT_EQ(page->Editor()->text(), QString::fromStdString(std::string(page->Grid().Cell(2, col))));
    EXPECT_EQ(page->Editor()->selectedText(), page->Editor()->text());
    EXPECT_EQ(page->Editor()->geometry(), page->View()->CellRect(2, col));
    page->Editor()->setText(QString::fromUtf8("新值%1").arg(col));
    page->View()->setFocus();
    EXPECT_FALSE(page->Editor()->isVisible());
    EXPECT_EQ(page->Grid().Cell(2, col), "\xD0\xC2\xD6\xB5" + std::to_string(col)) << col;
  }
  EXPECT_EQ(page->Grid().Cell(1, 3), "P1");
}

TEST_F(GridEditingTest, EnterCommitsAndEscapeLeavesTheCellUnchanged) {
  auto page = PageWithRows(3);
  DoubleClick(*page, 1, 3);
  page->Editor()->setText("KEPT");
  QTest::keyClick(page->Editor(), Qt::Key_Return);
  EXPECT_FALSE(page->Editor()->isVisible());
  EXPECT_EQ(page->Grid().Cell(1, 3), "KEPT");

  DoubleClick(*page, 1, 3);
  page->Editor()->setText("DROPPED");
  QTest::keyClick(page->Editor(), Qt::Key_Escape);
  EXPECT_FALSE(page->Editor()->isVisible());
  EXPECT_EQ(page->Grid().Cell(1, 3), "KEPT");
  // Losing the focus afterwards writes nothing either.
  page->View()->setFocus();
  EXPECT_EQ(page->Grid().Cell(1, 3), "KEPT");
}

TEST_F(GridEditingTest, SaveAndNewContentTakeTheTextBeingEdited) {
  auto page = PageWithRows(2);
  DoubleClick(*page, 2, 3);
  page->Editor()->setText("EDITED");
  const std::string out = files_.File("out.kvm");
  prompts_.saveAnswers.push_back(QString::fromStdString(out));
  QTest::keyClick(page->Editor(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(testing::ReadBytes(out), "U,MP,P1,1\r\nU,MP,EDITED,2\r\n");
  // A download arriving while a cell is edited replaces the grid; the editor
  // does not write into the new content afterwards.
  DoubleClick(*page, 1, 3);
  page->Editor()->setText("LATE");
  page->OnDownloadComplete("U,ST,NEW\r\n");
  EXPECT_FALSE(page->Editor()->isVisible());
  page->View()->setFocus();
  EXPECT_EQ(page->Grid().Cell(1, 3), "NEW");
}

TEST_F(GridEditingTest, HeaderAndNumberCellsOpenNoEditorButResetTheStationList) {
  auto page = PageWithRows(3);
  struct Case {
    int row, col;
  } cases[] = {{0, 0}, {0, 5}, {2, 0}};
  for (const Case& c : cases) {
    page->SetStationListValid(1);
    DoubleClick(*page, c.row, c.col);
    EXPECT_FALSE(page->Editor()->isVisible()) << c.row << "," << c.col;
    EXPECT_EQ(page->StationListValid(), 0) << c.row << "," << c.col;
  }
}

TEST_F(GridEditingTest, EditingOneCellKeepsTheBytesOfEveryOtherCell) {
  auto page = PageWithRows(0);
  // Bytes that are not GBK, a lone lead byte at the end, a valid GBK name.
  const std::string hostile = "U,MP,\xFF\x80\x41,\xB2\xE2\xC1\xBF,\x81\r\nU,ST,S1,x\xB2\r\n";
  page->OnDownloadComplete(QByteArray::fromStdString(hostile));
  const std::string before = GridSaveTextOf(*page);
  EXPECT_TRUE(page->Model().data(page->Model().IndexOf(1, 5), Qt::DisplayRole).toString().contains(QChar::ReplacementCharacter));
  // Opening and leaving a cell of undecodable bytes without typing keeps them.
  page->OpenEditor(1, 3);
  page->View()->setFocus();
  EXPECT_EQ(page->Grid().Cell(1, 3), "\xFF\x80\x41");
  page->OpenEditor(2, 4);
  page->Editor()->setText("y");
  page->View()->setFocus();
  std::string expected = before;
  expected.replace(expected.find("x\xB2"), 2, "y");
  EXPECT_EQ(GridSaveTextOf(*page), expected);
}

TEST_F(GridEditingTest, RowNumberCellsOpenTheRowMenuAndOtherCellsTheConversionMenu) {
  auto page = PageWithRows(10);
  const QStringList conversion = {"MEAS FILE>Coor &Export", "With poligon file", QString::fromUtf8("Adjust traverse…"),
                                  "-", "SD Export", "HD Export", "Angle Export", "-", "COORD DATA>Coor &Import",
                                  "Coor &Export", "-", "Export to &GIS...", "Import from GIS &file..."};
  const QStringList rowMenu = {"Delete one row", "Insert one row"};
  struct Case {
    int row, col;
    const char* menu;
  } cases[] = {{5, 0, "rowMenu"}, {0, 0, "conversionMenu"}, {0, 7, "conversionMenu"}, {3, 1, "conversionMenu"},
               {4, 12, "conversionMenu"}};
  for (const Case& c : cases) {
    MenuScript script;
    ScriptMenus(*page, script);
    RightClick(*page, c.row, c.col);
    ASSERT_TRUE(script.shown) << c.row << "," << c.col;
    EXPECT_EQ(script.name, c.menu);
    EXPECT_EQ(script.titles.join('|'), (script.name == "rowMenu" ? rowMenu : conversion).join('|'));
    EXPECT_EQ(script.pos, CellGlobal(*page, c.row, c.col));
    EXPECT_EQ(page->ContextRow(), c.row);
    EXPECT_EQ(page->ContextCol(), c.col);
  }
}

TEST_F(GridEditingTest, MenusTakeTheirCaptionsFromTheCaptionFile) {
  UseProgramFolder(Captions::Installed, true);
  auto page = PageWithRows(3);
  MenuScript script;
  ScriptMenus(*page, script);
  RightClick(*page, 1, 4);
  EXPECT_TRUE(script.titles.first().startsWith(QString::fromUtf8("测量数据>")));
  RightClick(*page, 1, 0);
  EXPECT_EQ(script.titles.first(), QString::fromUtf8("删除一行"));
}

TEST_F(GridEditingTest, KeyboardMenuOpensForTheCurrentCellElseForTheCellLastUnderTheMouse) {
  struct Case {
    int row, col;  // the current cell; row -1: none
    bool shiftF10;
    const char* menu;
    int contextRow;
  } cases[] = {{3, 4, false, "conversionMenu", 3}, {6, 0, true, "rowMenu", 6}, {2, 1, true, "conversionMenu", 2},
               {-1, 0, false, "rowMenu", 7}};
  for (const Case& c : cases) {
    auto page = PageWithRows(10);
    MenuScript script;
    ScriptMenus(*page, script);
    RightClick(*page, 7, 0);  // the mouse rests over row 7's number
    script = {};
    const QModelIndex current = c.row < 0 ? QModelIndex() : page->Model().IndexOf(c.row, c.col);
    page->View()->selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    if (c.shiftF10) {
      page->View()->setFocus();
      QTest::keyClick(page->View(), Qt::Key_F10, Qt::ShiftModifier);
    } else {
      QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(40, 40), page->mapToGlobal(QPoint(40, 40)));
      QApplication::sendEvent(page.get(), &key);
    }
    ASSERT_TRUE(script.shown) << c.row;
    EXPECT_EQ(script.name, c.menu) << c.row;
    EXPECT_EQ(page->ContextRow(), c.contextRow);
    // At the current cell, else near the page's corner.
    const QPoint at = c.row < 0 ? page->mapToGlobal(QPoint(5, 5))
                                : page->View()->mapToGlobal(page->View()->CellRect(c.row, c.col).bottomLeft());
    EXPECT_EQ(script.pos, at) << c.row;
  }
}

TEST_F(GridEditingTest, RequestsOutsideTheCellsShowNothing) {
  auto page = PageWithRows(2);
  MenuScript script;
  ScriptMenus(*page, script);
  // Below the last row of the grid.
  const QPoint below = page->View()->viewport()->mapToGlobal(QPoint(200, page->View()->viewport()->height() - 2));
  QContextMenuEvent event(QContextMenuEvent::Mouse, page->mapFromGlobal(below), below);
  QApplication::sendEvent(page.get(), &event);
  EXPECT_FALSE(script.shown);
  EXPECT_EQ(page->ContextRow(), -1);
}

TEST_F(GridEditingTest, DeleteAndInsertActOnTheRowOfTheMenu) {
  struct Case {
    int clicked;
    int command;
    int rows;           // data rows afterwards
    const char* row5;   // column 3 of row 5 afterwards
    const char* last;   // column 3 of the last row
  } cases[] = {
      {5, gui::kCmdDeleteRow, 9, "P6", "P10"},
      {5, gui::kCmdInsertRow, 11, "", "P10"},
      {10, gui::kCmdDeleteRow, 9, "P5", "P9"},
  };
  for (const Case& c : cases) {
    auto page = PageWithRows(10);
    MenuScript script;
    script.choose = c.command;
    ScriptMenus(*page, script);
    RightClick(*page, c.clicked, 0);
    EXPECT_EQ(page->Grid().RowCount() - 1, c.rows) << c.command;
    EXPECT_EQ(page->Model().rowCount(), c.rows);
    EXPECT_EQ(page->Grid().Cell(5, 3), c.row5) << c.command;
    EXPECT_EQ(page->Grid().Cell(c.rows, 3), c.last) << c.command;
    for (int r = 1; r <= c.rows; ++r) EXPECT_EQ(page->Grid().Cell(r, 0), std::to_string(r)) << c.command;
  }
}

TEST_F(GridEditingTest, ConversionCommandsAskTheirDialogAndStopWhenItIsCancelled) {
  auto page = PageWithRows(3);
  const std::string before = GridSaveTextOf(*page);
  struct Case {
    int command;
    QStringList dialogs;  // option dialogs asked
    int saveDialogs;      // save dialogs asked
  } cases[] = {
      {gui::kCmdMeasCoorExport, {"export"}, 0}, {gui::kCmdSdExport, {"sd"}, 0},  {gui::kCmdHdExport, {"hd"}, 0},
      {gui::kCmdAngleExport, {}, 1},             {gui::kCmdCoorFileExport, {}, 1},
  };
  for (const Case& c : cases) {
    dialogs_.shown.clear();
    prompts_.filtersAsked.clear();
    MenuScript script;
    script.choose = c.command;
    ScriptMenus(*page, script);
    RightClick(*page, 1, 5);
    EXPECT_EQ(dialogs_.shown, c.dialogs) << c.command;
    EXPECT_EQ(prompts_.filtersAsked.size(), c.saveDialogs) << c.command;
  }
  // A layout answer other than 0 and 1 ends the distance exports before the save dialog.
  dialogs_.sdAnswer = 2;
  page->RunGridCommand(gui::kCmdSdExport);
  EXPECT_EQ(prompts_.filtersAsked.size(), 1);
  EXPECT_TRUE(prompts_.messages.empty());
  EXPECT_TRUE(shell_.urls.empty());
  EXPECT_EQ(GridSaveTextOf(*page), before);
}

TEST_F(GridEditingTest, CoordinateImportReadsTheFileTheDialogNames) {
  auto page = PageWithRows(3);
  const std::string file = files_.File("points.txt");
  testing::WriteBytes(file, "A1,100.5,200.25,10,TREE\r\nA2,1,2,3,POLE\r\n");
  MenuScript script;
  script.choose = gui::kCmdCoorImport;
  ScriptMenus(*page, script);
  dialogs_.importAnswer = "";  // cancelled: nothing changes
  RightClick(*page, 1, 5);
  EXPECT_EQ(page->Grid().Cell(1, 3), "P1");
  dialogs_.importAnswer = "{0}{" + file + "}";
  RightClick(*page, 1, 5);
  EXPECT_EQ(dialogs_.importCalls, 2);
  EXPECT_EQ(page->Grid().Cell(1, 3), "A1");
  EXPECT_EQ(page->Grid().Cell(2, 12), "POLE");
  dialogs_.importAnswer = "{0}{" + files_.File("missing.txt") + "}";
  RightClick(*page, 1, 5);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].text, "Open file failed!");
  EXPECT_EQ(prompts_.messages[0].icon, corvane::MessageIcon::Exclamation);
  EXPECT_EQ(page->Grid().Cell(1, 3), "A1");
}

}  // namespace
}  // namespace corvane::guitest
