// "Adjust traverse…": the dialog's chain, methods, control file, remembered
// settings, named controls and buttons, the plan's overlay, and the recompute
// run with the adjusted stations loaded into its station dialog.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QAccessible>
#include <filesystem>

#include "core/compute/station_table.h"
#include "core/traverse/traverse_outputs.h"
#include "gui/data_page.h"
#include "gui/plan_page.h"
#include "gui/station_import_dlg.h"
#include "gui/traverse_dlg.h"
#include "gui_fixture.h"
#include "support/traverse_job.h"

namespace corvane::guitest {
namespace {

using gui::CTraverseDlg;

class TraverseDialogTest : public GuiFixture {
 protected:
  void SetUp() override {
    GuiFixture::SetUp();
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(files_.File("cache")));
    testing::TraverseJobRecipe recipe;
    recipe.stations = testing::ZigZagStations(5, 4);
    recipe.backsight = {"B0", recipe.stations[0].north - 100, recipe.stations[0].east, 100};
    recipe.closing = testing::TruePoint{"C9", recipe.stations.back().north, recipe.stations.back().east + 200, 100};
    recipe.angleNoiseSec = recipe.distanceNoiseMm = 4;
    job_ = files_.File("job.kvm");
    testing::WriteBytes(job_, testing::TraverseJobText(recipe));
    const std::string control =
        testing::ControlLine(recipe.stations.back(), ';') + testing::ControlLine(*recipe.closing, ';');
    control_ = files_.File("control.txt");
    testing::WriteBytes(control_, control);
    page_ = std::make_unique<gui::CDataPage>(*context_);
    page_->OpenPath(QString::fromStdString(job_));
  }
  void TearDown() override {
    page_.reset();
    qunsetenv("XDG_CACHE_HOME");
    GuiFixture::TearDown();
  }
  void UseControlFile(CTraverseDlg& dialog) {
    dialog.ControlPathEdit()->setText(QString::fromStdString(control_));
    dialog.FromFileButton()->setChecked(true);
    dialog.Compute();
  }

  std::string job_, control_;
  std::unique_ptr<gui::CDataPage> page_;
};

TEST_F(TraverseDialogTest, ShowsTheChainAndBothMethods) {
  CTraverseDlg dialog(*context_, page_->Grid());
  // From the job alone the traverse is open: propagated, no check.
  ASSERT_TRUE(dialog.Adjustment()) << dialog.Message().toStdString();
  EXPECT_EQ(dialog.Adjustment()->chain.kind, traverse::TraverseKind::Open);
  EXPECT_EQ(dialog.ChainTable()->rowCount(), 5);
  EXPECT_EQ(dialog.ChainTable()->item(1, 2)->text(), "S2");
  EXPECT_TRUE(dialog.ResultLabel()->text().contains("no check"));
  UseControlFile(dialog);
  ASSERT_TRUE(dialog.Adjustment());
  EXPECT_EQ(dialog.Adjustment()->chain.kind, traverse::TraverseKind::Link);
  EXPECT_EQ(dialog.ChainTable()->item(4, 4)->text(), "C9");
  EXPECT_TRUE(dialog.ResultLabel()->text().contains("1:"));
  EXPECT_TRUE(dialog.ResidualTable()->isHidden());
  dialog.MethodBox()->setCurrentIndex(1);
  dialog.Compute();
  ASSERT_TRUE(dialog.Adjustment()->leastSquares);
  EXPECT_FALSE(dialog.ResidualTable()->isHidden());
  EXPECT_EQ(dialog.ResidualTable()->rowCount(), 9);  // 5 angles, 4 distances
  EXPECT_FALSE(dialog.StationTable()->isColumnHidden(4));
  EXPECT_EQ(dialog.StationTable()->item(4, 4)->text(), "known");
  EXPECT_TRUE(dialog.ResultLabel()->text().contains("Sigma0"));
  // A control file with a NaN: the message, nothing to save or recompute.
  testing::WriteBytes(control_, "S5,nan,1,2\n");
  dialog.Compute();
  EXPECT_FALSE(dialog.Adjustment());
  EXPECT_TRUE(dialog.Message().contains("not a finite number"));
  EXPECT_FALSE(dialog.SaveButton()->isEnabled());
  EXPECT_FALSE(dialog.RecomputeButton()->isEnabled());
  EXPECT_EQ(dialog.ChainTable()->rowCount(), 0);
}

TEST_F(TraverseDialogTest, RemembersItsChoicesAndNamesEveryControl) {
  {
    CTraverseDlg dialog(*context_, page_->Grid());
    dialog.MethodBox()->setCurrentIndex(1);
    dialog.SigmaAngleBox()->setValue(1.5);
    dialog.SigmaMmBox()->setValue(2);
    dialog.SigmaPpmBox()->setValue(1);
    dialog.ToleranceAngleBox()->setValue(6);
    dialog.ToleranceRatioBox()->setValue(20000);
    dialog.reject();
  }
  EXPECT_EQ(Get(SettingsSection::OtherSet, "TraverseMethod"), "1");
  EXPECT_EQ(Get(SettingsSection::OtherSet, "TraverseSigmaDistance"), "2,1");
  EXPECT_EQ(Get(SettingsSection::OtherSet, "TraverseTolerance"), "6,20000");
  CTraverseDlg again(*context_, page_->Grid());
  EXPECT_EQ(again.MethodBox()->currentIndex(), 1);
  EXPECT_EQ(again.SigmaAngleBox()->value(), 1.5);
  EXPECT_EQ(again.Adjustment()->options.toleranceRatio, 20000);
  int named = 0;
  for (QWidget* w : again.findChildren<QWidget*>()) {
    if (w->focusPolicy() == Qt::NoFocus || qobject_cast<QLabel*>(w) || !w->parentWidget() ||
        w->parentWidget()->inherits("QAbstractSpinBox") || w->parentWidget()->inherits("QComboBox") ||
        w->inherits("QScrollBar") || w->parent()->inherits("QAbstractScrollArea"))
      continue;
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name).isEmpty())
        << w->metaObject()->className() << " " << w->objectName().toStdString();
    ++named;
  }
  EXPECT_GE(named, 18);  // three tables, ten choices, five buttons
}

TEST_F(TraverseDialogTest, SavesTheStationFileAndOpensTheReport) {
  CTraverseDlg dialog(*context_, page_->Grid());
  UseControlFile(dialog);
  const std::string out = files_.File("stations.txt");
  prompts_.saveAnswers.push_back(QString::fromStdString(out));
  dialog.SaveButton()->click();
  std::string expected;
  for (char c : dialog.StationFileText()) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(testing::ReadBytes(out), expected);
  dialog.ReportButton()->click();
  ASSERT_EQ(shell_.urls.size(), 1u);
  const std::string report = testing::ReadBytes(shell_.urls[0].toLocalFile().toStdString());
  EXPECT_NE(report.find("link traverse"), std::string::npos);
  EXPECT_TRUE(prompts_.messages.empty());
}

// The dialog's "Recompute with these stations": the station dialog opens with
// the adjusted lines imported, and the plan draws the traverse.
TEST_F(TraverseDialogTest, RecomputesWithTheAdjustedStations) {
  const std::filesystem::path program = qEnvironmentVariable("CORVANE_PROGRAM_DIR").toStdString();
  std::filesystem::copy_file(std::filesystem::path(CORVANE_BIN_DIR) / "COM_LANGUAGE.ini", program / "COM_LANGUAGE.ini");
  gui::CPlanPage plan(*context_, *page_);
  std::string stationFile;
  page_->SetTraverseDialogRunner([&](CTraverseDlg& dialog) {
    UseControlFile(dialog);
    stationFile = dialog.StationFileText();
    dialog.RecomputeButton()->click();
    return dialog.result();
  });
  std::string shownRows;
  page_->SetStationDialogRunner([&](gui::CStationImportDlg& dialog) {
    for (int r = 1; r < dialog.Grid().RowCount(); ++r)
      for (int c = 1; c <= 4; ++c) shownRows += std::string(dialog.Grid().Cell(r, c)) + (c < 4 ? "," : "\n");
    dialog.OkButton()->click();
    return dialog.result();
  });
  const std::string out = files_.File("points.txt");
  dialogs_.exportAnswer = "{0}{0}{" + out + "}";
  page_->RunGridCommand(gui::kCmdAdjustTraverse);
  EXPECT_EQ(shownRows, stationFile);
  EXPECT_EQ(page_->Stations().Entry(3).changed, "Y");
  EXPECT_TRUE(std::filesystem::exists(out));
  EXPECT_TRUE(plan.TraverseShown());
  page_->ClearGrid();
  EXPECT_FALSE(plan.TraverseShown());
}

}  // namespace
}  // namespace corvane::guitest
