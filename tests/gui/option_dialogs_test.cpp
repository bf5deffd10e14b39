// The option-dialog library: each call's answer has the documented form, the
// upload dialog stores the file layout, choices are remembered.
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QSettings>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>

#include "corvanedlg/confirm_dialog.h"
#include "corvanedlg/corvane_dll.h"
#include "corvanedlg/file_preview.h"
#include "corvanedlg/option_dialog.h"
#include "gui_fixture.h"

namespace corvane::guitest {
namespace {

class OptionDialogsTest : public GuiFixture {
 protected:
  void SetUp() override {
    GuiFixture::SetUp();
    qputenv("CORVANE_SETTINGS_DIR", QByteArray::fromStdString(settings_.Path().string()));
  }
  void TearDown() override {
    qunsetenv("CORVANE_SETTINGS_DIR");
    GuiFixture::TearDown();
  }
  // Answers the next modal dialog: `fill` sets its fields, then OK or Cancel.
  void Answer(std::function<void(QDialog&)> fill, bool ok) {
    QTimer::singleShot(0, [fill, ok] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      fill(*dialog);
      if (auto* box = qobject_cast<QMessageBox*>(dialog)) box->button(ok ? QMessageBox::Ok : QMessageBox::Cancel)->click();
      else ok ? dialog->accept() : dialog->reject();
    });
  }
  static void FileFields(QDialog& d, const QString& path, int layout, int separator = 0) {
    auto& f = static_cast<corvanedlg::FileOptionsDialog&>(d);
    f.SetPath(path);
    f.SetLayout(layout);
    f.SetSeparator(separator);
  }
};

TEST_F(OptionDialogsTest, AnswersHaveTheirDocumentedForms) {
  CCorvaneDll dll;
  Answer([](QDialog& d) { FileFields(d, "/data/points.txt", 3); }, true);
  EXPECT_EQ(dll.ShowImportDlg(), "{3}{/data/points.txt}");
  Answer([](QDialog& d) { FileFields(d, "/data/out.dxf", 6, 2); }, true);
  const std::string exported = dll.ShowExportDlg();
  EXPECT_EQ(exported, "{6}{2}{/data/out.dxf}");
  EXPECT_EQ(exported[1], '6');
  EXPECT_EQ(exported[4], '2');
  Answer([](QDialog& d) { FileFields(d, "/data/codes.txt", 0); }, true);
  EXPECT_EQ(dll.ShowUpCodeSetDlg(), "/data/codes.txt");
  Answer([](QDialog& d) { static_cast<corvanedlg::ConfirmDialog&>(d).SetChoice(1); }, true);
  EXPECT_EQ(dll.ShowSdConfirmDlg(), 1);
  Answer([](QDialog& d) { static_cast<corvanedlg::ConfirmDialog&>(d).SetChoice(0); }, true);
  EXPECT_EQ(dll.ShowHdConfirmDlg(), 0);
  Answer([](QDialog&) {}, true);
  EXPECT_FALSE(dll.ShowDownSetDlg().empty());
}

TEST_F(OptionDialogsTest, CancelledDialogsAnswerEmptyOrMinusOne) {
  CCorvaneDll dll;
  const auto cancel = [this] { Answer([](QDialog& d) { FileFields(d, "/x.txt", 1); }, false); };
  cancel();
  EXPECT_EQ(dll.ShowImportDlg(), "");
  cancel();
  EXPECT_EQ(dll.ShowExportDlg(), "");
  cancel();
  EXPECT_EQ(dll.ShowUpSetDlg(), "");
  cancel();
  EXPECT_EQ(dll.ShowUpCodeSetDlg(), "");
  Answer([](QDialog&) {}, false);
  EXPECT_EQ(dll.ShowSdConfirmDlg(), -1);
  Answer([](QDialog&) {}, false);
  EXPECT_EQ(dll.ShowDownSetDlg(), "");
  EXPECT_EQ(Get(SettingsSection::OtherSet, "Inputdatatype"), "<none>");
}

TEST_F(OptionDialogsTest, UploadDialogStoresTheFileLayout) {
  CCorvaneDll dll;
  Answer([](QDialog& d) { FileFields(d, "/data/up.txt", 4); }, true);
  EXPECT_EQ(dll.ShowUpSetDlg(), "{4}{/data/up.txt}");
  EXPECT_EQ(Get(SettingsSection::OtherSet, "Inputdatatype"), "4");
}

TEST_F(OptionDialogsTest, OkNeedsAPathAndChoicesAreRemembered) {
  corvanedlg::FileDialogSetup setup{"t", "import", {"a", "b", "c"}, true, false, "*"};
  {
    corvanedlg::FileOptionsDialog first(setup);
    EXPECT_FALSE(first.OkButton()->isEnabled());
    first.SetPath("/data/x.txt");
    EXPECT_TRUE(first.OkButton()->isEnabled());
    first.SetLayout(2);
    first.SetSeparator(1);
    first.accept();
  }
  corvanedlg::FileOptionsDialog second(setup);
  EXPECT_EQ(second.Layout(), 2);
  EXPECT_EQ(second.Separator(), 1);
  EXPECT_EQ(second.Path(), "/data/x.txt");
  // Each dialog remembers its own file.
  setup.memoryKey = "other";
  corvanedlg::FileOptionsDialog other(setup);
  EXPECT_EQ(other.Path(), "");
}

// A name typed without a folder lands in the dialog's folder: the last file's,
// else the last folder used, else the home folder; never where the program started.
TEST_F(OptionDialogsTest, ABareNameLandsInTheDialogsFolder) {
  const QString jobs = QString::fromStdString(files_.File("jobs"));
  const QString other = QString::fromStdString(files_.File("other"));
  const corvanedlg::FileDialogSetup setup{"t", "export", {"0"}, true, true, "*", corvanedlg::Preview::None};
  struct Case {
    QString lastPath, lastFolder;
    QString typed, expected;
  } cases[] = {
      {jobs + "/a.txt", other, "out.txt", jobs + "/out.txt"},
      {"", other, " out.txt ", other + "/out.txt"},
      {"", "", "out.txt", QDir::homePath() + "/out.txt"},
      {jobs + "/a.txt", "", "sub/out.txt", jobs + "/sub/out.txt"},
      {jobs + "/a.txt", "", other + "/x.txt", other + "/x.txt"},
      {jobs + "/a.txt", "", "", ""},
  };
  for (const Case& c : cases) {
    {
      QSettings memory(corvanedlg::MemoryFile(), QSettings::IniFormat);
      memory.clear();
      if (!c.lastFolder.isEmpty()) memory.setValue("lastFolder", c.lastFolder);
      if (!c.lastPath.isEmpty()) memory.setValue("export/lastPath", c.lastPath);
    }
    corvanedlg::FileOptionsDialog dialog(setup);
    dialog.SetPath(c.typed);
    EXPECT_EQ(dialog.Path(), c.expected) << c.typed.toStdString();
  }
  // The answer carries the whole path.
  QSettings(corvanedlg::MemoryFile(), QSettings::IniFormat).setValue("export/lastPath", jobs + "/a.txt");
  CCorvaneDll dll;
  Answer([](QDialog& d) { FileFields(d, "out.dxf", 6); }, true);
  EXPECT_EQ(dll.ShowExportDlg(), "{6}{0}{" + (jobs + "/out.dxf").toStdString() + "}");
}

TEST_F(OptionDialogsTest, DownloadDialogShowsTheLineAboutToBeUsed) {
  Set(SettingsSection::OtherSet, "language", "1");
  for (const auto& [name, value] : {std::pair{"Port", "1"}, {"Baud", "6"}, {"Character", "1"}, {"Parity", "2"},
                                    {"StopBit", "1"}})
    Set(SettingsSection::ComStatus, name, value);
  ASSERT_TRUE(store_->WriteDevicePath(2, "/dev/ttyUSB0"));
  QString shown;
  Answer([&](QDialog& d) { shown = static_cast<QMessageBox&>(d).informativeText(); }, true);
  EXPECT_EQ(CCorvaneDll().ShowDownSetDlg(), "{2}{115200}");
  // One and a half stop bits stored: the line really uses two, and the dialog says so.
  EXPECT_EQ(shown, "COM2: /dev/ttyUSB0\n115200 bit/s, 7 data bits, even parity, 2 (1.5 stored; the line uses 2) stop bit(s)");
}

TEST_F(OptionDialogsTest, PreviewsShowWhatTheCommandWillMakeOfTheFile) {
  Set(SettingsSection::OtherSet, "language", "1");
  const std::string file = files_.File("points.txt");
  testing::WriteBytes(file, "7,P1,TREE,1000.5,2000.25,10\r\n8,A-VERY-LONG-POINT-NAME,X,1,2,3\r\n\r\n");
  const QString path = QString::fromStdString(file);
  // The import's fields for layout 4 (number, name, code, N, E, height), then 0.
  EXPECT_EQ(corvanedlg::ImportPreview(path, 4, false),
            "Point         N             E             Height        Code\n"
            "P1            1000.5        2000.25       10            TREE\n"
            "A-VERY-LONG-POINT-NAME1             2             3             X\n" +
                QString(56, ' '));
  EXPECT_TRUE(corvanedlg::ImportPreview(path, 0, false).contains("\n7             P1            TREE          1000.5"));
  // ENZ order: the import swaps what it places, the preview still names N and E.
  EXPECT_EQ(corvanedlg::ImportPreview(path, 4, true).section('\n', 1, 1), corvanedlg::ImportPreview(path, 4, false).section('\n', 1, 1));
  // The upload's records, and the line it drops.
  const QStringList records = corvanedlg::UploadPreview(path, 4, false).split('\n');
  ASSERT_EQ(records.size(), 3);
  EXPECT_EQ(records[1], "            P1,        1000.5,       2000.25,            10,          TREE");
  EXPECT_TRUE(records[2].startsWith("(not sent) The data 1 in line:")) << records[2].toStdString();
  EXPECT_EQ(corvanedlg::UploadPreview(path, 4, true).split('\n')[1],
            "            P1,       2000.25,        1000.5,            10,          TREE");
  EXPECT_TRUE(corvanedlg::CodePreview(QString::fromStdString(files_.File("missing.txt"))).startsWith("The file cannot be read: "));
  EXPECT_EQ(corvanedlg::ImportPreview("", 0, false), "");
}

TEST_F(OptionDialogsTest, CodeAndExportPreviews) {
  const std::string codes = files_.File("codes.txt");
  testing::WriteBytes(codes, "TREE\r\nFENCE-POST-LONG-NAME\r\n\r\n");
  EXPECT_EQ(corvanedlg::CodePreview(QString::fromStdString(codes)), "TREE\nFENCE-POST-LONG\n-NAME\n");
  EXPECT_EQ(corvanedlg::ExportPreview(0, 0), "S1,1000.000,2000.000,100.000,STN\nP1,1010.000,2010.000,99.850,TREE");
  EXPECT_EQ(corvanedlg::ExportPreview(5, 2), "1\tS1\tSTN\t2000.000\t1000.000\t100.000\n2\tP1\tTREE\t2010.000\t1010.000\t99.850");
  const QStringList dxf = corvanedlg::ExportPreview(6, 0).split('\n');
  EXPECT_EQ(dxf.mid(0, 5), QStringList({"0", "SECTION", "2", "ENTITIES", "0"}));
  EXPECT_EQ(dxf[5].toUpper(), "CIRCLE");
  EXPECT_EQ(dxf.back(), "...");
}

TEST_F(OptionDialogsTest, PreviewFollowsTheFileAndTheChoices) {
  const std::string file = files_.File("p.txt");
  testing::WriteBytes(file, "P1 1 2 3 C\r\n");
  corvanedlg::FileOptionsDialog dialog({"t", "import", {"0", "1"}, false, false, "*", corvanedlg::Preview::Import});
  EXPECT_EQ(dialog.PreviewText(), "");
  dialog.SetPath(QString::fromStdString(file));
  EXPECT_EQ(dialog.PreviewText().section('\n', 1, 1), "P1            1             2             3             C");
  dialog.SetLayout(1);
  EXPECT_EQ(dialog.PreviewText().section('\n', 1, 1), "P1            2             1             3             C");
  corvanedlg::FileOptionsDialog exporting({"t", "export", {"0", "1"}, true, true, "*", corvanedlg::Preview::Export});
  exporting.SetSeparator(1);
  EXPECT_EQ(exporting.PreviewText().section('\n', 0, 0), "S1 1000.000 2000.000 100.000 STN");
}

TEST_F(OptionDialogsTest, AFileToWriteThatIsThereIsReplacedOnlyWhenTheUserAgrees) {
  const std::string file = files_.File("out.txt");
  testing::WriteBytes(file, "old");
  for (const bool agree : {false, true}) {
    corvanedlg::FileOptionsDialog dialog({"t", "export", {"0"}, true, true, "*", corvanedlg::Preview::Export});
    dialog.SetPath(QString::fromStdString(file));
    QTimer::singleShot(0, [agree] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      box->button(agree ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    dialog.accept();
    EXPECT_EQ(dialog.result(), agree ? QDialog::Accepted : QDialog::Rejected);
  }
}

TEST_F(OptionDialogsTest, ConfirmDialogsExplainBothLayouts) {
  Set(SettingsSection::OtherSet, "language", "1");
  corvanedlg::ConfirmDialog hd("t", "hd", corvanedlg::DistanceList::Horizontal);
  corvanedlg::ConfirmDialog sd("t", "sd", corvanedlg::DistanceList::Slope);
  EXPECT_TRUE(hd.Explanation(0).contains("horizontal distance, height difference"));
  EXPECT_TRUE(hd.Explanation(1).startsWith("One line for every measured point, carrying its set-up"));
  EXPECT_TRUE(sd.Explanation(0).contains("vertical angle, slope distance"));
  EXPECT_NE(sd.Explanation(1), hd.Explanation(1));
}

}  // namespace
}  // namespace corvane::guitest
