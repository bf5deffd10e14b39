// The status bar: what the column under the cursor holds for the row's record
// kind, and the files a command wrote with a button that opens their folder.
#include <QHelpEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QToolTip>

#include "gui/main_dlg.h"
#include "gui/written_notice.h"
#include "gui_fixture.h"
#include "grid_helpers.h"

namespace corvane::guitest {
namespace {

class StatusBarTest : public GuiFixture {};

TEST_F(StatusBarTest, ColumnsSayWhatTheyHoldForTheRecordKindOfTheRow) {
  UseProgramFolder(Captions::Installed, true);
  Set(SettingsSection::OtherSet, "language", "1");
  gui::CMainDlg w(*context_);
  ShowActive(w);
  gui::CDataPage& page = *w.DataPage();
  page.OnDownloadComplete("U,ST,S1\r\nU,BS,B1\r\n U,RP,P1\r\nU,MP,M1\r\nAnglUnit:dms\r\nU,XX,Q\r\n");
  struct Case {
    const char* language;
    int row, col;
    const char* status;
  } cases[] = {
      {"1", 1, 10, "DATA8 \u2014 ST: instrument height"},
      {"1", 2, 6, "DATA4 \u2014 BS: horizontal angle read on the backsight"},
      {"1", 3, 4, "DATA2 \u2014 RP: slope distance"},
      {"1", 3, 7, "DATA5 \u2014 RP: field 7 of the line"},
      {"1", 4, 7, "DATA5 \u2014 MP: northing (easting in ENZ jobs)"},
      {"1", 5, 3, "DATA1 \u2014 point name"},
      {"1", 6, 12, "DATA10 \u2014 point code"},
      {"1", 6, 1, "MARK \u2014 record mark (U for the instrument's records), or the key of a header line"},
      {"0", 1, 10, "\u6570\u636e8 \u2014 ST: \u4eea\u5668\u9ad8"},
  };
  QSignalSpy hints(&page, &gui::CDataPage::statusHint);
  for (const Case& c : cases) {
    if (context_->LanguageIndex() != *c.language - '0') w.SwitchLanguage(*c.language - '0');
    page.View()->setCurrentIndex(page.Model().IndexOf(c.row, c.col));
    ASSERT_FALSE(hints.isEmpty()) << c.row << "," << c.col;
    EXPECT_EQ(hints.takeLast().at(0).toString(), QString::fromUtf8(c.status)) << c.row << "," << c.col;
    EXPECT_EQ(w.statusBar()->currentMessage(), QString::fromUtf8(c.status));
    page.View()->setCurrentIndex({});
  }
  // The header's tooltip: the documented caption, then the meaning for the current row.
  w.SwitchLanguage(1);
  page.View()->setCurrentIndex(page.Model().IndexOf(1, 10));
  QWidget* header = page.View()->horizontalHeader()->viewport();
  const QPoint at = header->mapFromGlobal(CellGlobal(page, 0, 10));
  QHelpEvent help(QEvent::ToolTip, at, header->mapToGlobal(at));
  QApplication::sendEvent(header, &help);
  EXPECT_EQ(QToolTip::text(), QString::fromUtf8("DATA8\nST: instrument height"));
  EXPECT_EQ(page.Grid().Cell(0, 10), "DATA8");
}

TEST_F(StatusBarTest, AWrittenFileIsNamedInFullWithAButtonThatOpensItsFolder) {
  gui::CMainDlg w(*context_);
  ShowActive(w);
  w.DataPage()->OnDownloadComplete("U,AP,P1,,1.0000,2.0000,,,,,1.5,C\r\n");
  const std::string out = files_.File("angles.txt");
  prompts_.saveAnswers = {QString::fromStdString(out)};
  w.DataPage()->RunGridCommand(gui::kCmdAngleExport);
  ASSERT_TRUE(std::filesystem::exists(out));
  gui::WrittenNotice* notice = w.Notice();
  EXPECT_TRUE(notice->isVisible());
  EXPECT_EQ(notice->Text(), "Written: " + QString::fromStdString(out));
  EXPECT_EQ(notice->Folder().toStdString(), files_.Path().string());
  // The folder opens; when no program takes it, a message names it.
  for (const bool opens : {true, false}) {
    shell_.urls.clear();
    shell_.opens = opens;
    prompts_.messages.clear();
    notice->OpenFolderButton()->click();
    ASSERT_EQ(shell_.urls.size(), 1u);
    EXPECT_EQ(shell_.urls[0].toLocalFile().toStdString(), files_.Path().string());
    ASSERT_EQ(prompts_.messages.size(), opens ? 0u : 1u);
    if (!opens) {
      EXPECT_EQ(prompts_.messages[0].detail.toStdString(), files_.Path().string());
    }
  }
  // A job saved is named the same way.
  prompts_.saveAnswers = {QString::fromStdString(files_.File("job.kvm"))};
  w.DataPage()->SaveFile();
  EXPECT_EQ(notice->Text(), "Written: " + QString::fromStdString(files_.File("job.kvm")));
}

}  // namespace
}  // namespace corvane::guitest
