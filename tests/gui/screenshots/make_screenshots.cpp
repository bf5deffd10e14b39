// The pictures of the manual (scripts/make-screenshots): the main window in English
// and Chinese with a job loaded, the settings page, the plan page, a finished
// download, the station dialog and the traverse adjustment, saved under the build's
// screenshots folder.
// Not a test: it only draws.
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <QTest>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/compute/station_table.h"
#include "core/grid/grid_loading.h"
#include "gui/data_page.h"
#include "gui/plan_page.h"
#include "gui/traverse_dlg.h"
#include "gui/station_import_dlg.h"
#include "gui/main_dlg.h"
#include "grid_helpers.h"
#include "support/traverse_job.h"
#include "screenshots.h"
#include "transfer_bench.h"

namespace corvane::guitest {
namespace {

const char* const kJob =
    "ZAMO RECORD FILE\r\n"
    "AnglUnit:dms\r\n"
    "U,ST,S1,0.0000,0.0000,0.0000,1000.0000,2000.0000,50.0000,1.5600,0.0000,STN,              ,####\r\n"
    "U,BS,B1,0.0000,0.0000,0.0000,1100.0000,2000.0000,50.2000,0.0000,1.6000,BKS,              ,####\r\n"
    "U,DP,101,125.4310,45.3020,89.5940,0.0000,0.0000,0.0000,0.0000,1.6000,TREE,              ,####\r\n"
    "U,DP,102,98.1200,120.1505,90.1010,0.0000,0.0000,0.0000,0.0000,1.6000,POLE,              ,####\r\n"
    "U,RP,103,64.0080,210.4430,91.0205,0.0000,0.0000,0.0000,0.0000,1.6000,WALL,              ,####\r\n"
    "U,MP,A1,0.0000,0.0000,0.0000,1050.2500,2075.1250,51.0300,0.0000,0.0000,KERB,              ,####\r\n";

class ScreenshotTest : public TransferFixture {
 protected:
  QString Save(QWidget& w, const char* name) { return SaveScreenshot(w, name); }
};

TEST_F(ScreenshotTest, MainWindowInBothLanguagesWithAJob) {
  UseProgramFolder(Captions::Installed, true);
  const std::string job = files_.File("job.kvm");
  testing::WriteBytes(job, kJob);
  struct Shot {
    const char* language;
    const char* main;
    const char* settings;
  } shots[] = {{"1", "main_en.png", "settings_en.png"}, {"0", "main_zh.png", "settings_zh.png"}};
  for (const Shot& s : shots) {
    Set(SettingsSection::OtherSet, "Language", s.language);
    gui::CMainDlg w(*context_);
    w.resize(1000, 460);
    w.DataPage()->OpenPath(QString::fromStdString(job));
    ShowActive(w);
    QTest::qWait(30);
    const QPixmap before = w.grab();
    EXPECT_FALSE(QPixmap(Save(w, s.main)).isNull());
    w.Tabs()->setCurrentIndex(1);
    QTest::qWait(30);
    Save(w, s.settings);
    EXPECT_EQ(before.size(), w.grab().size());
  }
}

TEST_F(ScreenshotTest, PlanPageOfTheDemoJob) {
  UseProgramFolder(Captions::Installed, true);
  Set(SettingsSection::OtherSet, "Language", "1");
  gui::CMainDlg w(*context_);
  w.resize(1000, 600);
  w.DataPage()->OpenPath(QStringLiteral(CORVANE_TEST_DATA "/../../data/demo/job.kvm"));
  w.Tabs()->setCurrentIndex(2);
  ShowActive(w);
  QTest::qWait(30);
  EXPECT_FALSE(QPixmap(Save(w, "plan_en.png")).isNull());
}

TEST_F(ScreenshotTest, FinishedDownload) {
  UseProgramFolder(Captions::Installed, true);
  context_->UseLink(*link_);
  Set(SettingsSection::OtherSet, "Language", "1");
  sim::InstrumentConfig config;
  config.job = kJob;
  SerialInstrument(config);
  dialogs_.downAnswer = "x";
  gui::CMainDlg w(*context_);
  w.resize(1000, 460);
  ShowActive(w);
  w.DataPage()->ComPage()->Button(0)->click();
  ASSERT_TRUE(WaitForTransfer());
  QTest::qWait(30);
  EXPECT_FALSE(QPixmap(Save(w, "download_en.png")).isNull());
}

TEST_F(ScreenshotTest, StationDialogAfterAnInport) {
  UseProgramFolder(Captions::Installed, true);
  qputenv("CORVANE_SETTINGS_DIR", QByteArray::fromStdString(settings_.Path().string()));
  testing::WriteBytes(settings_.File("ZamoSoft/ZamoComm.ini"), "[OtherSet]\nlanguage=1\n");
  RecordGrid grid;
  ASSERT_TRUE(OpenJobFile(grid, CORVANE_TEST_DATA "/compute/job.kvm", {}).Done());
  StationTable table;
  ASSERT_TRUE(ScanStations(grid, table).Done());
  gui::CStationImportDlg dialog(*context_, table);
  dialogs_.importAnswer = "{0}{" CORVANE_TEST_DATA "/compute/poligon.txt}";
  dialog.InportButton()->click();
  ShowActive(dialog);
  Save(dialog, "station_dialog_en.png");
  qunsetenv("CORVANE_SETTINGS_DIR");
}

// The traverse dialog after a least-squares adjustment of a link traverse, and
// the plan with the adjusted traverse, its misclosure and error ellipses.
TEST_F(ScreenshotTest, TraverseDialogAndPlan) {
  UseProgramFolder(Captions::Installed, true);
  Set(SettingsSection::OtherSet, "language", "1");
  context_->ReloadLanguageIndex();
  testing::TraverseJobRecipe recipe;
  recipe.stations = testing::ZigZagStations(5, 4);
  recipe.backsight = {"B0", recipe.stations[0].north - 100, recipe.stations[0].east, 100};
  recipe.closing = testing::TruePoint{"C9", recipe.stations.back().north, recipe.stations.back().east + 200, 100};
  recipe.angleNoiseSec = recipe.distanceNoiseMm = 4;
  const std::string job = files_.File("traverse.kvm"), control = files_.File("control.txt");
  testing::WriteBytes(job, testing::TraverseJobText(recipe));
  testing::WriteBytes(control, testing::ControlLine(recipe.stations.back()) + testing::ControlLine(*recipe.closing));
  gui::CDataPage page(*context_);
  page.OpenPath(QString::fromStdString(job));
  gui::CPlanPage plan(*context_, page);
  page.SetTraverseDialogRunner([&](gui::CTraverseDlg& dialog) {
    dialog.ControlPathEdit()->setText(QString::fromStdString(control));
    dialog.FromFileButton()->setChecked(true);
    dialog.MethodBox()->setCurrentIndex(1);
    dialog.Compute();
    dialog.resize(900, 820);
    ShowActive(dialog);
    Save(dialog, "traverse_en.png");
    return int(QDialog::Rejected);
  });
  page.RunGridCommand(gui::kCmdAdjustTraverse);
  ASSERT_TRUE(plan.TraverseShown());
  plan.TraverseScaleBox()->setCurrentIndex(4);
  plan.resize(900, 600);
  Save(plan, "traverse_plan_en.png");
}

}  // namespace
}  // namespace corvane::guitest
