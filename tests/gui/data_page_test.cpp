// The data page: captions, the grid's layout, the transfer pages, the grid
// messages of the transfers.
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QHelpEvent>
#include <QStyleOptionViewItem>
#include <QScrollBar>
#include <QTabBar>
#include <QToolTip>

#include "core/link/receive_buffer.h"
#include "gui/column_fit.h"
#include "gui/record_grid_view.h"
#include "gui/transfer_link.h"
#include "gui/transfer_pages.h"
#include "gui_fixture.h"
#include "grid_helpers.h"

namespace corvane::guitest {
namespace {

using gui::CDataPage;

class DataPageTest : public GuiFixture {};

TEST_F(DataPageTest, FreshPageWithoutCaptionFilesShowsTheEnglishDefaults) {
  CDataPage page(*context_);
  EXPECT_EQ(page.OpenButton()->text(), "Open");
  EXPECT_EQ(page.SaveButton()->text(), "Save");
  EXPECT_EQ(page.ClearButton()->text(), "Clear");
  EXPECT_EQ(page.TransferBox()->title(), "Communication");
  EXPECT_EQ(page.DiskBox()->title(), "Data from disk");
  EXPECT_EQ(page.InnerTab()->tabText(0), "COM");
  EXPECT_EQ(page.InnerTab()->tabText(1), "USB");
  const QStringList com = {"Receive", "Send", "SendCode"}, usb = {"FileDown", "CoordUP", "CodeUp"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(page.ComPage()->Button(i)->text(), com[i]);
    EXPECT_EQ(page.UsbPage()->Button(i)->text(), usb[i]);
  }
  EXPECT_EQ(RowText(page, 0), "NUM|MARK|PT#|DATA1|DATA2|DATA3|DATA4|DATA5|DATA6|DATA7|DATA8|DATA9|DATA10|DATA11|DATA12");
  EXPECT_EQ(page.Model().headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), "DATA1");
  EXPECT_EQ(page.Grid().RowCount(), 700);
  EXPECT_EQ(page.Model().rowCount(), 699);
  EXPECT_EQ(page.Grid().Cell(1, 0), "1");
  EXPECT_EQ(page.Grid().Cell(24, 0), "24");
  EXPECT_EQ(page.Grid().Cell(25, 0), "");
  EXPECT_FALSE(page.Editor()->isVisibleTo(&page));
  EXPECT_EQ(page.StationListValid(), 0);
}

TEST_F(DataPageTest, ColumnsKeepTheTwipsWidthsAsLeastAndWidenUntilNothingIsCut) {
  const std::string job = files_.File("job.kvm");
  const std::string longCode(100, 'C');
  testing::WriteBytes(job, "ZAMO RECORD FILE\r\nScale  :1.000000\r\nAnglUnit:dms\r\n"
                           "U,ST,S1,0.0000,120.0000,300.4530,1000.000,2000.000,100.000,1.500,0.0000," + longCode +
                               ",,####\r\nU,DP,P1,25.123,359.5959,91.0000,0.0,0.0,0.0,0.0,1.600,WALL,,\r\n");
  CDataPage page(*context_);
  page.resize(900, 500);
  const int dpi = page.logicalDpiX();
  const int twips[15] = {400, 400, 650, 800, 900, 850, 850, 1250, 1250, 900, 750, 750, 700, 700, 700};
  gui::RecordGridView& view = *page.View();
  for (int c = 0; c < 15; ++c) EXPECT_GE(view.columnWidth(c), twips[c] / (1440 / dpi)) << c;
  page.OpenPath(QString::fromStdString(job));
  // What the view's own item delegate asks for the cell, and the grid line.
  const auto fits = [&](int row, int col) {
    QStyleOptionViewItem option;
    option.initFrom(&view);
    const QModelIndex index = view.model()->index(row, col);
    return view.itemDelegateForIndex(index)->sizeHint(option, index).width() + 1 <= view.columnWidth(col);
  };
  const int documented = 12;  // the cell of 100 characters
  for (int c = 0; c < 15; ++c) {
    EXPECT_GE(view.columnWidth(c), twips[c] / (1440 / dpi)) << c;
    const QString header = view.model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_LE(gui::HeaderTextWidth(view, header), view.columnWidth(c)) << header.toStdString();
    for (int r = 0; r < view.model()->rowCount(); ++r)
      if (!(r == 3 && c == documented)) {
        EXPECT_TRUE(fits(r, c)) << r << "," << c;
      }
  }
  // Too long even for the widest column: an ellipsis, and the whole text as tooltip.
  EXPECT_EQ(view.columnWidth(documented), gui::MaximumFittedWidth(view));
  EXPECT_FALSE(fits(3, documented));
  EXPECT_EQ(view.textElideMode(), Qt::ElideRight);
  page.show();
  view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
  const QRect cell = view.visualRect(view.model()->index(3, documented));
  QHelpEvent help(QEvent::ToolTip, cell.center(), view.viewport()->mapToGlobal(cell.center()));
  QApplication::sendEvent(view.viewport(), &help);
  EXPECT_EQ(QToolTip::text(), QString::fromStdString(longCode));
  // The frozen copy shows columns 0..2 with the same widths and nothing else.
  for (int c = 0; c < 3; ++c) EXPECT_EQ(view.FrozenView()->columnWidth(c), view.columnWidth(c));
  EXPECT_TRUE(view.FrozenView()->isColumnHidden(3));
  // Clear: back to the documented widths, widened only for the captions.
  page.ClearButton()->click();
  for (int c = 0; c < 15; ++c)
    EXPECT_EQ(view.columnWidth(c), std::max(twips[c] / (1440 / dpi),
                                            gui::HeaderTextWidth(view, view.model()->headerData(c, Qt::Horizontal).toString())))
        << c;
}

TEST_F(DataPageTest, InstalledLocalCaptionsAreShownInChinese) {
  UseProgramFolder(Captions::Installed, true);
  CDataPage page(*context_);
  EXPECT_EQ(page.OpenButton()->text(), QString::fromUtf8("打开"));
  EXPECT_EQ(page.ComPage()->Button(0)->text(), QString::fromUtf8("下载"));
  EXPECT_EQ(page.Model().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString::fromUtf8("序号"));
  // The cells keep GBK bytes.
  EXPECT_EQ(page.Grid().Cell(0, 0), "\xD0\xF2\xBA\xC5");
}

TEST_F(DataPageTest, CoordinateOrderSwapsTheCaptionsOfColumns7And8) {
  struct Case {
    const char* coorType;
    const char* col7;
    const char* col8;
  } cases[] = {{"0", "DATA5", "DATA6"}, {"1", "DATA6", "DATA5"}, {"2", "DATA5", "DATA6"}};
  for (const Case& c : cases) {
    Set(SettingsSection::OtherSet, "CoorType", c.coorType);
    CDataPage page(*context_);
    EXPECT_EQ(page.Grid().Cell(0, 7), c.col7) << c.coorType;
    EXPECT_EQ(page.Grid().Cell(0, 8), c.col8) << c.coorType;
  }
}

TEST_F(DataPageTest, ShownOperationRefreshesTheCoordinateHeaders) {
  CDataPage page(*context_);
  Set(SettingsSection::OtherSet, "CoorType", "1");
  EXPECT_EQ(page.Grid().Cell(0, 7), "DATA5");
  page.OnShown();
  EXPECT_EQ(page.Grid().Cell(0, 7), "DATA6");
  EXPECT_EQ(page.Grid().Cell(0, 8), "DATA5");
  EXPECT_EQ(page.Model().headerData(7, Qt::Horizontal, Qt::DisplayRole).toString(), "DATA6");
  // Any value other than 0 swaps here.
  Set(SettingsSection::OtherSet, "CoorType", "2");
  page.OnShown();
  EXPECT_EQ(page.Grid().Cell(0, 7), "DATA6");
  Set(SettingsSection::OtherSet, "CoorType", "0");
  page.OnShown();
  EXPECT_EQ(page.Grid().Cell(0, 7), "DATA5");
}

TEST_F(DataPageTest, StoredLinkTypeChoosesTheTransferPage) {
  struct Case {
    const char* comtype;
    bool com;
    bool usb;
    int tab;
  } cases[] = {{"0", true, false, 0}, {"1", false, true, 1}, {"2", false, false, 0}, {"65536", true, false, 0}};
  for (const Case& c : cases) {
    Set(SettingsSection::OtherSet, "Comtype", c.comtype);
    CDataPage page(*context_);
    EXPECT_EQ(page.ComPage()->isVisibleTo(&page), c.com) << c.comtype;
    EXPECT_EQ(page.UsbPage()->isVisibleTo(&page), c.usb) << c.comtype;
    EXPECT_EQ(page.InnerTab()->currentIndex(), c.tab) << c.comtype;
  }
}

TEST_F(DataPageTest, InnerTabSwitchesBetweenTheTransferPages) {
  CDataPage page(*context_);
  page.InnerTab()->setCurrentIndex(1);
  EXPECT_FALSE(page.ComPage()->isVisibleTo(&page));
  EXPECT_TRUE(page.UsbPage()->isVisibleTo(&page));
  page.InnerTab()->setCurrentIndex(0);
  EXPECT_TRUE(page.ComPage()->isVisibleTo(&page));
  EXPECT_FALSE(page.UsbPage()->isVisibleTo(&page));
}

TEST_F(DataPageTest, CancelledTransferDialogsLeaveThePortAndStatusAlone) {
  CDataPage page(*context_);
  page.ComPage()->Button(0)->click();
  page.ComPage()->Button(1)->click();
  page.ComPage()->Button(2)->click();
  // An upload answer whose last "}" stands before its last "{" has no path: a cancel too.
  dialogs_.upAnswer = "{0}{/data/up.txt";
  page.ComPage()->Button(1)->click();
  page.UsbPage()->Button(1)->click();
  EXPECT_EQ(dialogs_.shown, QStringList({"down", "up", "upCode", "up", "import"}));
  EXPECT_TRUE(prompts_.messages.empty());
  EXPECT_FALSE(context_->Link().Busy());
  EXPECT_FALSE(page.ComPage()->StopButton()->isEnabled());
  EXPECT_EQ(page.ComPage()->StatusText(), "");
  EXPECT_EQ(page.UsbPage()->StatusText(), "");
  EXPECT_FALSE(page.ComPage()->ProgressTimer().isActive());
}

TEST_F(DataPageTest, ProgressTimerCountsCompleteLinesAfterTheFirst) {
  CDataPage page(*context_);
  TransferToken& token = context_->Link().Token();
  struct Case {
    std::string received;
    QString serial;
    QString usb;  // the USB page keeps its text until two line ends came
  } cases[] = {
      {"", "\r\n    Waiting:", "\r\n    Waiting:"},
      {"ab", "\r\n    Waiting:", "previous"},
      {"ab\r\n", "\r\n    Waiting:", "previous"},
      {"a\r\nb\r\n", "\r\n       1", "\r\n       1"},
      {"1\r\n2\r\n3\r\n4\r\n5\r\n", "\r\n       4", "\r\n       4"},
      {"\r\n\r\n\r\n", "\r\n       2", "\r\n       2"},
  };
  for (const Case& c : cases) {
    ReceiveBuffer received;
    received.Append(c.received);
    token.Report({received.LineEnds(), received.Bytes(), 0, 0});
    page.UsbPage()->SetStatusText("previous");
    page.ComPage()->OnProgressTimer();
    page.UsbPage()->OnProgressTimer();
    EXPECT_EQ(page.ComPage()->StatusText(), c.serial) << c.received;
    EXPECT_EQ(page.UsbPage()->StatusText(), c.usb) << c.received;
  }
  EXPECT_EQ(page.ComPage()->ProgressTimer().interval(), 500);
  EXPECT_EQ(page.UsbPage()->ProgressTimer().interval(), 500);
}

TEST_F(DataPageTest, DownloadMessageLaysTheReceivedLinesIntoRows) {
  CDataPage page(*context_);
  page.OnDownloadComplete("U,ST,P1\r\nAnglUnit:dms\r\nZAMO RECORD FILE\r\ntail without line end");
  EXPECT_EQ(page.Grid().RowCount(), 4);
  EXPECT_EQ(page.Model().rowCount(), 3);
  EXPECT_EQ(RowText(page, 0), "NUM|MARK|PT#|DATA1|DATA2|DATA3|DATA4|DATA5|DATA6|DATA7|DATA8|DATA9|DATA10|DATA11|DATA12");
  EXPECT_EQ(RowText(page, 1), "1|U|ST|P1|||||||||||");
  EXPECT_EQ(RowText(page, 2), "2|AnglUnit|dms||||||||||||");
  EXPECT_EQ(RowText(page, 3), "3|ZAMO|RECORD|FILE|||||||||||");
  EXPECT_EQ(page.Model().data(page.Model().IndexOf(1, 3), Qt::DisplayRole).toString(), "P1");
}

TEST_F(DataPageTest, UploadMessagesRebuildTheGridFromTheTop) {
  CDataPage page(*context_);
  std::string fifty;
  for (int i = 1; i <= 50; ++i) fifty += "U,MP,P" + std::to_string(i) + "\r\n";
  page.OnDownloadComplete(QByteArray::fromStdString(fifty));
  ASSERT_EQ(page.Grid().RowCount(), 51);
  page.OnRecordSent(1, "     A1,  100.0,  200.0,  10.0,  TREE\r\n");
  page.OnRecordSent(2, "A2,1,2,3,C");
  page.OnRecordSent(3, "A3,4,5,6,D");
  EXPECT_EQ(page.Grid().RowCount(), 4);
  EXPECT_EQ(RowText(page, 1), "1|||A1||||100.0|200.0|10.0|||TREE\r\n||");
  EXPECT_EQ(RowText(page, 3), "3|||A3||||4|5|6|||D||");
  // Past 700 rows the grid grows to hold the record.
  page.OnRecordSent(900, "B,1,2,3,E");
  EXPECT_EQ(page.Grid().RowCount(), 901);
  page.OnCodeSent(2, "TREE");
  EXPECT_EQ(page.Grid().RowCount(), 3);
  EXPECT_EQ(RowText(page, 2), "2||||||||||||TREE||");
}

TEST_F(DataPageTest, ClearEmptiesTheGridAndTheReceivedText) {
  CDataPage page(*context_);
  page.ComPage()->SetStatusText("\r\n       2");
  page.UsbPage()->SetStatusText("\r\n  Finished");
  page.OnDownloadComplete("U,ST,P1\r\nU,BS,P2\r\n");
  page.SetStationListValid(1);
  page.ClearButton()->click();
  // Nothing received any more: the status boxes no longer show the last transfer.
  EXPECT_EQ(page.ComPage()->StatusText(), "");
  EXPECT_EQ(page.UsbPage()->StatusText(), "");
  EXPECT_EQ(page.Grid().RowCount(), 700);
  EXPECT_EQ(RowText(page, 1), "1||||||||||||||");
  EXPECT_EQ(page.Grid().Cell(0, 1), "MARK");
  EXPECT_EQ(page.StationListValid(), 0);
}

}  // namespace
}  // namespace corvane::guitest
