#include "corvanedlg/corvane_dll.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <memory>

#include "core/link/transfer_pages.h"
#include "core/settings/settings_store.h"
#include "corvanedlg/confirm_dialog.h"
#include "corvanedlg/download_text.h"
#include "corvanedlg/option_dialog.h"

using corvanedlg::Tr;

namespace {

// The window a dialog belongs to: the modal dialog on top (a dialog opened from
// the station dialog), else the active window, else the program's main window.
// A button pressed through the accessibility bus or while another program has
// the focus leaves no active window; the dialog still opens over its window.
QWidget* Owner() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  if (QWidget* active = QApplication::activeWindow()) return active;
  for (QWidget* top : QApplication::topLevelWidgets())
    if (top->isVisible() && top->inherits("QMainWindow")) return top;
  return nullptr;
}

std::string Bytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

std::string Braced(int value) {
  std::string text = "{";
  text += std::to_string(value);
  return text + "}";
}

// The six layouts of coordinate lists; the files read also know 6, which reads as 1.
QStringList CoordinateLayouts(bool withSix) {
  QStringList layouts{Tr("0: PT, N, E, Z, CODE", "0: 点号, N, E, Z, 代码"),
                      Tr("1: PT, E, N, Z, CODE", "1: 点号, E, N, Z, 代码"),
                      Tr("2: PT, CODE, N, E, Z", "2: 点号, 代码, N, E, Z"),
                      Tr("3: PT, CODE, E, N, Z", "3: 点号, 代码, E, N, Z"),
                      Tr("4: NO, PT, CODE, N, E, Z", "4: 序号, 点号, 代码, N, E, Z"),
                      Tr("5: NO, PT, CODE, E, N, Z", "5: 序号, 点号, 代码, E, N, Z")};
  if (withSix) layouts << Tr("6: PT, E, N, Z, CODE (as 1)", "6: 点号, E, N, Z, 代码 (同 1)");
  return layouts;
}

QString CoordinateFilter() {
  return QStringLiteral("*.txt;;*.dat;;*.csv;;*.raw;;*.xyz;;*.* (*)");
}

// Runs a file dialog; the accepted dialog or nullptr.
std::unique_ptr<corvanedlg::FileOptionsDialog> RunFileDialog(corvanedlg::FileDialogSetup setup) {
  auto dialog = std::make_unique<corvanedlg::FileOptionsDialog>(std::move(setup), Owner());
  if (dialog->exec() != QDialog::Accepted) return nullptr;
  return dialog;
}

}  // namespace

CCorvaneDll::CCorvaneDll() : CCorvaneDll(corvane::ReadLanguageIndex(corvane::SettingsStore::OpenDefault())) {}
CCorvaneDll::CCorvaneDll(int languageIndex) : languageIndex_(languageIndex < 0 ? 0 : languageIndex) {}
CCorvaneDll::~CCorvaneDll() = default;

std::string CCorvaneDll::ShowDownSetDlg() {
  const corvanedlg::LanguageScope language(languageIndex_);
  const corvane::SettingsStore store = corvane::SettingsStore::OpenDefault();
  // What the download is about to use: the stored line settings on the device
  // behind the stored port.
  const corvane::LineSettings line = corvane::ReadLineSettings(store);
  QMessageBox box(Owner());
  box.setObjectName(QStringLiteral("download"));
  box.setWindowTitle(Tr("Download", "下载"));
  box.setIcon(QMessageBox::Question);
  box.setText(Tr("Set the instrument to send its job, then press OK.", "请将仪器设置为发送数据，然后按确定。"));
  box.setInformativeText(
      corvanedlg::DownloadLineText(line, QFile::decodeName(QByteArray::fromStdString(store.DevicePath(line.comNumber)))));
  box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
  if (box.exec() != QMessageBox::Ok) return {};
  return Braced(line.comNumber) + Braced(line.baud);
}

std::string CCorvaneDll::ShowUpSetDlg() {
  const corvanedlg::LanguageScope language(languageIndex_);
  auto dialog = RunFileDialog({Tr("Upload coordinates", "上传坐标"), QStringLiteral("upload"), CoordinateLayouts(true),
                               false, false, CoordinateFilter(), corvanedlg::Preview::Upload});
  if (!dialog) return {};
  // The layout chosen here is what the upload reads when it converts the lines.
  corvane::SettingsStore store = corvane::SettingsStore::OpenDefault();
  const corvane::WriteOutcome outcome =
      store.WriteSetting(corvane::SettingsSection::OtherSet, "Inputdatatype", std::to_string(dialog->Layout()));
  if (outcome != corvane::WriteOutcome::Ok)
    QMessageBox::warning(Owner(), QString(), QString::fromLatin1(corvane::WriteOutcomeMessage(outcome)));
  return Braced(dialog->Layout()) + "{" + Bytes(dialog->Path()) + "}";
}

std::string CCorvaneDll::ShowUpCodeSetDlg() {
  const corvanedlg::LanguageScope language(languageIndex_);
  auto dialog = RunFileDialog({Tr("Upload codes", "上传代码"), QStringLiteral("uploadCode"), {}, false, false,
                               CoordinateFilter(), corvanedlg::Preview::Codes});
  return dialog ? Bytes(dialog->Path()) : std::string();
}

std::string CCorvaneDll::ShowImportDlg() {
  const corvanedlg::LanguageScope language(languageIndex_);
  auto dialog = RunFileDialog({Tr("Import coordinates", "导入坐标"), QStringLiteral("import"), CoordinateLayouts(true),
                               false, false, CoordinateFilter(), corvanedlg::Preview::Import});
  if (!dialog) return {};
  return Braced(dialog->Layout()) + "{" + Bytes(dialog->Path()) + "}";
}

std::string CCorvaneDll::ShowExportDlg() {
  const corvanedlg::LanguageScope language(languageIndex_);
  QStringList layouts = CoordinateLayouts(false);
  layouts << Tr("6: DXF drawing", "6: DXF 图形") << Tr("7: fixed columns", "7: 固定列宽");
  auto dialog = RunFileDialog({Tr("Export coordinates", "导出坐标"), QStringLiteral("export"), layouts, true, true,
                               QStringLiteral("*.txt;;*.dat;;*.csv;;*.dxf;;*.* (*)"), corvanedlg::Preview::Export});
  if (!dialog) return {};
  return Braced(dialog->Layout()) + Braced(dialog->Separator()) + "{" + Bytes(dialog->Path()) + "}";
}

short CCorvaneDll::ShowSdConfirmDlg() {
  const corvanedlg::LanguageScope language(languageIndex_);
  corvanedlg::ConfirmDialog dialog(Tr("Slope distance export", "斜距导出"), QStringLiteral("sd"),
                                  corvanedlg::DistanceList::Slope, Owner());
  return dialog.exec() == QDialog::Accepted ? static_cast<short>(dialog.Choice()) : short{-1};
}

short CCorvaneDll::ShowHdConfirmDlg() {
  const corvanedlg::LanguageScope language(languageIndex_);
  corvanedlg::ConfirmDialog dialog(Tr("Horizontal distance export", "平距导出"), QStringLiteral("hd"),
                                  corvanedlg::DistanceList::Horizontal, Owner());
  return dialog.exec() == QDialog::Accepted ? static_cast<short>(dialog.Choice()) : short{-1};
}
