// The option-dialog library: each call's answer has the documented form, the
// upload dialog stores the file layout, choices are remembered.
#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>

#include "corvanedlg/confirm_dialog.h"
#include "corvanedlg/corvane_dll.h"
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
  corvanedlg::FileDialogSpec spec{"t", "import", {"a", "b", "c"}, true, false, "*"};
  {
    corvanedlg::FileOptionsDialog first(spec);
    EXPECT_FALSE(first.OkButton()->isEnabled());
    first.SetPath("/data/x.txt");
    EXPECT_TRUE(first.OkButton()->isEnabled());
    first.SetLayout(2);
    first.SetSeparator(1);
    first.accept();
  }
  corvanedlg::FileOptionsDialog second(spec);
  EXPECT_EQ(second.Layout(), 2);
  EXPECT_EQ(second.Separator(), 1);
}

}  // namespace
}  // namespace corvane::guitest
