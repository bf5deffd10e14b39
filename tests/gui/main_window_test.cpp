// The main window: menu, tabs, title, about box, desktop programs, help, the
// language switch.
#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QLibraryInfo>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>

#include "gui/about_dlg.h"
#include "gui/desktop_programs.h"
#include "gui/main_dlg.h"
#include "gui/setting_page.h"
#include "gui/transfer_pages.h"
#include "gui_fixture.h"
#include "grid_helpers.h"

namespace corvane::guitest {
namespace {

using gui::CMainDlg;

class MainWindowTest : public GuiFixture {
 protected:
  QStringList MenuTexts(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions()) out << (a->menu() ? a->menu()->title() : a->text());
    return out;
  }
  void CheckEnglishDefaults(CMainDlg& w) {
    EXPECT_EQ(w.windowTitle(), "Corvane");
    EXPECT_EQ(w.TopMenu(0)->title(), "File");
    EXPECT_EQ(w.TopMenu(1)->title(), "Tools");
    EXPECT_EQ(w.TopMenu(2)->title(), "Help");
    EXPECT_EQ(MenuTexts(w.TopMenu(0)),
              QStringList({"&Open...", "Recent &jobs", "&Save", "Save &as...", "C&lear", "", "&Undo", "&Redo", "",
                           "MEAS FILE", "COORD DATA", "&Plan export...", "", "Exit"}));
    EXPECT_EQ(MenuTexts(w.TopMenu(1)), QStringList({"Notepad", "Calc", "language"}));
    EXPECT_EQ(MenuTexts(w.LanguageMenu()), QStringList({"English", "Chinese"}));
    EXPECT_EQ(MenuTexts(w.TopMenu(2)), QStringList({"About", "Help"}));
    EXPECT_EQ(w.Tabs()->tabText(0), "RS232 communication");
    EXPECT_EQ(w.Tabs()->tabText(1), "Setting");
  }
};

TEST_F(MainWindowTest, WithoutCaptionFilesEveryCaptionIsTheEnglishDefault) {
  CMainDlg w(*context_);
  CheckEnglishDefaults(w);
  EXPECT_TRUE(w.Action(gui::kCmdChinese)->isChecked());
  EXPECT_FALSE(w.Action(gui::kCmdEnglish)->isChecked());
  EXPECT_EQ(w.Tabs()->currentIndex(), 0);
  EXPECT_TRUE(w.DataPage()->isVisibleTo(&w));
  EXPECT_FALSE(w.SettingPage()->isVisibleTo(&w));
}

TEST_F(MainWindowTest, LanguageSettingPicksTheCaptionFileAndTheCheckMark) {
  UseProgramFolder(Captions::Installed, true);
  struct Case {
    const char* language;
    const char* file;
    const char* tools;
    bool chinese, english;
  } cases[] = {{"0", "", "工具(&T)", true, false},
               {"1", "", "&Tools", false, true},
               {"5", "", "工具(&T)", false, false}};
  for (const Case& c : cases) {
    Set(SettingsSection::OtherSet, "Language", c.language);
    CMainDlg w(*context_);
    EXPECT_EQ(w.TopMenu(1)->title(), QString::fromUtf8(c.tools)) << c.language;
    EXPECT_EQ(w.Action(gui::kCmdChinese)->isChecked(), c.chinese) << c.language;
    EXPECT_EQ(w.Action(gui::kCmdEnglish)->isChecked(), c.english) << c.language;
  }
}

TEST_F(MainWindowTest, LanguageSwitchRecaptionsEveryPageAndKeepsTheRows) {
  UseProgramFolder(Captions::Installed, true);
  CMainDlg w(*context_);
  std::string forty;
  for (int r = 1; r <= 40; ++r) forty += "U,MP,P" + std::to_string(r) + ",1,2,3\r\n";
  w.DataPage()->OnDownloadComplete(QByteArray::fromStdString(forty));
  ASSERT_EQ(w.DataPage()->Grid().RowCount(), 41);
  w.SettingPage()->Combo(gui::CSettingPage::kAngleUnit)->setCurrentIndex(2);

  w.Action(gui::kCmdEnglish)->trigger();
  EXPECT_EQ(Get(SettingsSection::OtherSet, "language"), "1");
  EXPECT_EQ(w.windowTitle(), "Downloaded job[*] - ZAMO Corvane480");
  EXPECT_EQ(w.TopMenu(0)->title(), "&File");
  EXPECT_EQ(w.Tabs()->tabText(1), "Setting");
  EXPECT_EQ(w.DataPage()->OpenButton()->text(), "Open");
  EXPECT_EQ(w.DataPage()->ComPage()->Button(0)->text(), "Receive");
  EXPECT_EQ(w.DataPage()->Grid().Cell(0, 1), "MARK");
  EXPECT_EQ(w.SettingPage()->Combo(gui::CSettingPage::kAngleUnit)->itemText(0), "DMS");
  EXPECT_EQ(w.DataPage()->Grid().RowCount(), 700);
  for (int r = 1; r <= 40; ++r) ASSERT_EQ(w.DataPage()->Grid().Cell(r, 3), "P" + std::to_string(r));
  EXPECT_TRUE(w.Action(gui::kCmdEnglish)->isChecked());
  EXPECT_FALSE(w.Action(gui::kCmdChinese)->isChecked());

  for (int i = 0; i < 2; ++i) {
    w.Action(gui::kCmdChinese)->trigger();
    EXPECT_EQ(w.TopMenu(0)->title(), QString::fromUtf8("文件(&F)"));
    EXPECT_EQ(w.DataPage()->Grid().Cell(0, 0), "\xD0\xF2\xBA\xC5");
    EXPECT_EQ(w.DataPage()->Grid().Cell(40, 3), "P40");
    EXPECT_TRUE(w.Action(gui::kCmdChinese)->isChecked());
    EXPECT_FALSE(w.Action(gui::kCmdEnglish)->isChecked());
  }
  // The instrument lists hold their items once, with the stored choice.
  QComboBox* angle = w.SettingPage()->Combo(gui::CSettingPage::kAngleUnit);
  EXPECT_EQ(angle->count(), 3);
  EXPECT_EQ(angle->currentIndex(), 0);  // chosen in code, never stored
}

TEST_F(MainWindowTest, QtsOwnTextsFollowTheLanguage) {
  if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_zh_CN.qm"))
    GTEST_SKIP() << "Qt's translations are not installed";
  const auto cancelText = [] {
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    return box.button(QDialogButtonBox::Cancel)->text();
  };
  Set(SettingsSection::OtherSet, "Language", "1");
  auto w = std::make_unique<CMainDlg>(*context_);
  const QString english = cancelText();
  w->Action(gui::kCmdChinese)->trigger();
  EXPECT_EQ(cancelText(), QString::fromUtf8("取消"));
  w->Action(gui::kCmdEnglish)->trigger();
  EXPECT_EQ(cancelText(), english);
  w->Action(gui::kCmdChinese)->trigger();
  w.reset();  // the window takes its translation away with it
  EXPECT_EQ(cancelText(), english);
}

TEST_F(MainWindowTest, WithoutCaptionFilesSwitchingChangesNothingVisible) {
  CMainDlg w(*context_);
  w.Action(gui::kCmdEnglish)->trigger();
  CheckEnglishDefaults(w);
  w.Action(gui::kCmdChinese)->trigger();
  CheckEnglishDefaults(w);
}

TEST_F(MainWindowTest, FailedLanguageWriteKeepsTheCaptionsButMovesTheCheckMark) {
  UseProgramFolder(Captions::Installed, false);
  CMainDlg w(*context_);
  w.Action(gui::kCmdEnglish)->trigger();
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].text, "open regesiter key Failed");
  EXPECT_EQ(prompts_.messages[0].icon, corvane::MessageIcon::None);
  EXPECT_EQ(w.TopMenu(0)->title(), QString::fromUtf8("文件(&F)"));
  EXPECT_TRUE(w.Action(gui::kCmdEnglish)->isChecked());
  EXPECT_FALSE(w.Action(gui::kCmdChinese)->isChecked());
}

TEST_F(MainWindowTest, TabChangeRunsTheLeftAndShownOperations) {
  CMainDlg w(*context_);
  w.Tabs()->setCurrentIndex(1);
  w.SettingPage()->ScaleEdit()->setText("1.005");
  w.SettingPage()->Combo(gui::CSettingPage::kCoorType)->setCurrentIndex(1);
  Set(SettingsSection::OtherSet, "CoorType", "1");
  w.Tabs()->setCurrentIndex(0);
  // Leaving the settings page stored the scale typed there...
  EXPECT_EQ(Get(SettingsSection::OtherSet, "Scale"), "1.005");
  // ...and coming back to the data page swapped the coordinate captions.
  EXPECT_EQ(w.DataPage()->Grid().Cell(0, 7), "DATA6");
  EXPECT_EQ(w.DataPage()->Grid().Cell(0, 8), "DATA5");
  // A rejected scale leaves the stored one and is reported by the main window.
  w.Tabs()->setCurrentIndex(1);
  w.SettingPage()->ScaleEdit()->setText("2");
  w.Tabs()->setCurrentIndex(0);
  EXPECT_EQ(Get(SettingsSection::OtherSet, "Scale"), "1.005");
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].text, "Scale must be:0.99<Scale<1.01");
}

TEST_F(MainWindowTest, AboutBoxShowsTheCaptionTextsAndThePicture) {
  CMainDlg w(*context_);
  QString title, usedFor, instruments;
  bool picture = false;
  w.SetAboutRunner([&](QDialog& d) {
    auto& about = static_cast<gui::CAboutDlg&>(d);
    title = about.windowTitle();
    usedFor = about.UsedFor()->text();
    instruments = about.Instruments()->text();
    picture = !about.Picture()->pixmap().isNull();
  });
  w.Action(gui::kCmdAbout)->trigger();
  EXPECT_EQ(title, "Corvane");
  EXPECT_EQ(usedFor, "Can be used together with following Instruments:");
  EXPECT_EQ(instruments, "PLN/KVM480/L");
  EXPECT_FALSE(picture);  // no this.bmp in this program folder
}

TEST_F(MainWindowTest, HelpOpensTheShippedManualOrSaysWhereItShouldBe) {
  struct Case {
    bool installed, opens;
    size_t urls, messages;
  } cases[] = {{true, true, 1, 0}, {true, false, 1, 1}, {false, true, 0, 1}};
  for (const Case& c : cases) {
    UseProgramFolder(Captions::None, true);
    const std::filesystem::path manual = program_.Path() / std::to_string(folderCount_) / "manual" / "index.html";
    if (c.installed) {
      std::filesystem::create_directories(manual.parent_path());
      testing::WriteBytes(manual.string(), "<html></html>");
    }
    shell_.urls.clear();
    shell_.opens = c.opens;
    prompts_.messages.clear();
    CMainDlg w(*context_);
    w.Action(gui::kCmdHelp)->trigger();
    ASSERT_EQ(shell_.urls.size(), c.urls);
    if (c.urls) {
      EXPECT_EQ(shell_.urls[0].toLocalFile().toStdString(), manual.string());
    }
    ASSERT_EQ(prompts_.messages.size(), c.messages);
    if (c.messages) {
      EXPECT_EQ(prompts_.messages[0].detail.toStdString(), manual.string());
    }
  }
}

TEST_F(MainWindowTest, NotepadAndCalcStartTheFirstProgramFound) {
  const std::string bin = files_.File("bin"), bin2 = files_.File("bin2");
  for (const std::string& name : {bin + "/kwrite", bin2 + "/gedit", bin2 + "/xcalc", bin + "/kcalc.txt"}) {
    testing::WriteBytes(name, "#!/bin/sh\n");
    std::filesystem::permissions(name, std::filesystem::perms::owner_all);
  }
  testing::WriteBytes(bin + "/galculator", "not executable");
  std::filesystem::permissions(bin + "/galculator", std::filesystem::perms::owner_read);
  CMainDlg w(*context_);
  w.SetProgramSearchPath(QString::fromStdString(bin + ":" + bin2));
  w.Action(gui::kCmdNotepad)->trigger();
  w.Action(gui::kCmdCalc)->trigger();
  EXPECT_EQ(shell_.programs, QStringList({QString::fromStdString(bin2 + "/gedit"),
                                          QString::fromStdString(bin2 + "/xcalc")}));
  shell_.programs.clear();
  w.SetProgramSearchPath(QString::fromStdString(files_.File("empty")));
  w.Action(gui::kCmdNotepad)->trigger();
  EXPECT_TRUE(shell_.programs.isEmpty());
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(MainWindowTest, ExitClosesTheWindow) {
  CMainDlg w(*context_);
  ShowActive(w);
  w.Action(gui::kCmdExit)->trigger();
  EXPECT_FALSE(w.isVisible());
}

}  // namespace
}  // namespace corvane::guitest
