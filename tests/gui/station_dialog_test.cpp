// The station import dialog of the recompute: its grid, captions, Inport of a
// traverse file, Save as, OK and Cancel.
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

#include "core/compute/station_table.h"
#include "core/grid/grid_loading.h"
#include "gui/station_import_dlg.h"
#include "grid_helpers.h"
#include "gui_fixture.h"

namespace corvane::guitest {
namespace {

using gui::CStationImportDlg;

std::string TestData(const std::string& name) { return std::string(CORVANE_TEST_DATA) + "/" + name; }

class StationDialogTest : public GuiFixture {
 protected:
  void SetUp() override {
    GuiFixture::SetUp();
    qputenv("CORVANE_SETTINGS_DIR", QByteArray::fromStdString(settings_.Path().string()));
    // The worked example: two set-ups, S1 then B1 as station, each sighting the other.
    RecordGrid grid;
    std::string reason;
    const CommandResult opened = OpenJobFile(grid, TestData("compute/job.kvm"), {});
    ASSERT_TRUE(opened.Done()) << opened.detail;
    ASSERT_TRUE(ScanStations(grid, table_).Done());
  }
  void TearDown() override {
    qunsetenv("CORVANE_SETTINGS_DIR");
    GuiFixture::TearDown();
  }
  // The dialog's own language value.
  void DialogLanguage(const char* value) {
    testing::WriteBytes(settings_.File("ZamoSoft/ZamoComm.ini"), std::string("[OtherSet]\nlanguage=") + value + "\n");
  }
  static std::string Rows(const CStationImportDlg& dialog) {
    std::string out;
    for (int r = 1; r < dialog.Grid().RowCount(); ++r) {
      for (int c = 0; c < 7; ++c) out += std::string(dialog.Grid().Cell(r, c)) + (c < 6 ? "," : "\n");
    }
    return out;
  }
  void Inport(CStationImportDlg& dialog, const std::string& file, int format = 0) {
    dialogs_.importAnswer = "{" + std::to_string(format) + "}{" + file + "}";
    dialog.InportButton()->click();
  }

  StationTable table_;
};

TEST_F(StationDialogTest, OpensWithTheFixedHeadersWidthsAndTheTableEntries) {
  CStationImportDlg dialog(*context_, table_);
  const QStringList headers = {"NUM", "    PT#", "        N ", "       E ", "       Z ", "property", "Changed"};
  const int twips[7] = {400, 800, 1250, 1250, 1050, 800, 800};
  const int twipsPerPixel = 1440 / dialog.logicalDpiX();
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(dialog.View()->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), headers[c]);
    EXPECT_EQ(dialog.View()->columnWidth(c), twips[c] / twipsPerPixel) << c;
  }
  EXPECT_EQ(Rows(dialog),
            "1,S1,1000.000,2000.000,100.000,STN,\n2,B1,1100.000,2000.000,101.000,BKB,\n"
            "3,B1,1100.000,2000.000,101.000,STN,\n4,S1,1000.000,2000.000,100.000,BKB,\n");
  EXPECT_EQ(dialog.View()->editTriggers(), QAbstractItemView::NoEditTriggers);
  // Without entries: 24 empty numbered rows.
  StationTable empty;
  CStationImportDlg fresh(*context_, empty);
  EXPECT_EQ(fresh.View()->model()->rowCount(), 24);
  EXPECT_EQ(fresh.View()->model()->data(fresh.View()->model()->index(23, 0)).toString(), "24");
  EXPECT_EQ(fresh.View()->model()->data(fresh.View()->model()->index(23, 1)).toString(), "");
}

TEST_F(StationDialogTest, CaptionsFollowTheDialogsOwnLanguageValue) {
  const QString english[3] = {"Inport new STN&BS coordinate from poligon file", "Inport", "Save as"};
  const QString chinese[3] = {QString::fromUtf8("从导线文件导入新的测站和后视坐标"), QString::fromUtf8("导入"),
                              QString::fromUtf8("另存为")};
  struct Case {
    bool captionFiles;
    const char* language;  // nullptr: no value stored
    const char* programLanguage;
    const QString* expected;
  } cases[] = {
      {false, "1", "1", english},
      {true, "1", "0", english},
      // Nothing stored: the dialog follows the program (an English session is English).
      {true, nullptr, "1", english},
      {true, nullptr, "0", chinese},
      {true, "0", "1", chinese},
  };
  for (const Case& c : cases) {
    UseProgramFolder(c.captionFiles ? Captions::Installed : Captions::None, true);
    std::filesystem::remove_all(settings_.Path() / "ZamoSoft");
    if (c.language) DialogLanguage(c.language);
    Set(SettingsSection::OtherSet, "language", c.programLanguage);
    context_->ReloadLanguageIndex();
    const int programLanguage = context_->LanguageIndex();
    CStationImportDlg dialog(*context_, table_);
    EXPECT_EQ(dialog.windowTitle(), c.expected[0]) << c.programLanguage;
    EXPECT_EQ(dialog.InportButton()->text(), c.expected[1]);
    EXPECT_EQ(dialog.SaveAsButton()->text(), c.expected[2]);
    // The dialog never changes the program's language, nor stores its own.
    EXPECT_EQ(context_->LanguageIndex(), programLanguage);
    EXPECT_EQ(std::filesystem::exists(settings_.Path() / "ZamoSoft"), c.language != nullptr);
  }
}

TEST_F(StationDialogTest, InportOfTheWorkedExampleThenSaveAsAndOk) {
  CStationImportDlg dialog(*context_, table_);
  Inport(dialog, TestData("compute/poligon.txt"));
  // Lines 1 and 2 give new coordinates by name; lines 3 and 4 name rows above.
  EXPECT_EQ(Rows(dialog),
            "1,S1,1000.000,2000.000,100.000,STN,Y\n2,B1,1100.010,2000.020,101.005,BKB,Y\n"
            "3,B1,1100.010,2000.020,101.005,BKB,N\n4,S1,1000.000,2000.000,100.000,STN,N\n");
  // Nothing reaches the table before OK.
  EXPECT_EQ(table_.Entry(2).north, "1100.000");
  const std::string saved = files_.File("stations.txt");
  prompts_.saveAnswers.push_back(QString::fromStdString(saved));
  dialog.SaveAsButton()->click();
  EXPECT_EQ(prompts_.filtersAsked.back(), "*.txt;;*.dat;;*.csv;;*.raw;;*.* (*)");
  EXPECT_EQ(prompts_.suffixesAsked, QStringList{"txt"});
  EXPECT_EQ(testing::Visible(testing::ReadBytes(saved)),
            testing::Visible("S1,1000.000,2000.000,100.000,STN,Y\r\nB1,1100.010,2000.020,101.005,BKB,Y\r\n"
                             "B1,1100.010,2000.020,101.005,BKB,N\r\nS1,1000.000,2000.000,100.000,STN,N\r\n"));
  dialog.OkButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  ASSERT_EQ(table_.StationCount(), 4);
  EXPECT_EQ(table_.Entry(2).north, "1100.010");
  EXPECT_EQ(table_.Entry(3).property, "BKB");
  EXPECT_EQ(table_.Entry(4).changed, "N");
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(StationDialogTest, CancelLeavesTheTableAsItWas) {
  CStationImportDlg dialog(*context_, table_);
  Inport(dialog, TestData("compute/poligon.txt"));
  dialog.CancelButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(table_.Entry(2).north, "1100.000");
  EXPECT_EQ(table_.Entry(2).changed, "");
}

TEST_F(StationDialogTest, InportAndSaveAsFailuresAndCancels) {
  CStationImportDlg dialog(*context_, table_);
  const std::string before = Rows(dialog);
  dialogs_.importAnswer = "";
  dialog.InportButton()->click();  // cancelled: nothing
  dialog.SaveAsButton()->click();  // cancelled: nothing
  EXPECT_TRUE(prompts_.messages.empty());
  Inport(dialog, files_.File("missing.txt"));
  prompts_.saveAnswers.push_back(QString::fromStdString(files_.File("no-folder/stations.txt")));
  dialog.SaveAsButton()->click();
  ASSERT_EQ(prompts_.messages.size(), 2u);
  for (const ShownMessage& m : prompts_.messages) {
    EXPECT_EQ(m.text, "Open file failed!");
    EXPECT_EQ(m.icon, corvane::MessageIcon::Exclamation);
    EXPECT_EQ(m.caption, context_->AppTitle());
  }
  EXPECT_TRUE(prompts_.messages[0].detail.contains("missing.txt"));
  EXPECT_EQ(Rows(dialog), before);
}

}  // namespace
}  // namespace corvane::guitest
