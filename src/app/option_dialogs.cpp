#include "option_dialogs.h"

#include <QApplication>
#include <exception>

#include "corvanedlg/corvane_dll.h"

namespace corvane::app {

template <class Result, class Call>
Result LibraryOptionDialogs::Run(Call call, Result cancelled) {
  try {
    CCorvaneDll dll;
    return call(dll);
  } catch (const std::exception& e) {
    // Owned by the dialog on top, else the window in front, as the dialogs themselves are.
    QWidget* owner = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : QApplication::activeWindow();
    prompts_.Message(owner, QStringLiteral("The option dialog could not be shown."),
                     QApplication::applicationName(), corvane::MessageIcon::Exclamation, QString::fromLocal8Bit(e.what()));
  }
  return cancelled;
}

std::string LibraryOptionDialogs::ShowDownSetDlg() {
  return Run([](CCorvaneDll& d) { return d.ShowDownSetDlg(); }, std::string());
}
std::string LibraryOptionDialogs::ShowUpSetDlg() {
  return Run([](CCorvaneDll& d) { return d.ShowUpSetDlg(); }, std::string());
}
std::string LibraryOptionDialogs::ShowUpCodeSetDlg() {
  return Run([](CCorvaneDll& d) { return d.ShowUpCodeSetDlg(); }, std::string());
}
std::string LibraryOptionDialogs::ShowImportDlg() {
  return Run([](CCorvaneDll& d) { return d.ShowImportDlg(); }, std::string());
}
std::string LibraryOptionDialogs::ShowExportDlg() {
  return Run([](CCorvaneDll& d) { return d.ShowExportDlg(); }, std::string());
}
short LibraryOptionDialogs::ShowSdConfirmDlg() {
  return Run([](CCorvaneDll& d) { return d.ShowSdConfirmDlg(); }, short{-1});
}
short LibraryOptionDialogs::ShowHdConfirmDlg() {
  return Run([](CCorvaneDll& d) { return d.ShowHdConfirmDlg(); }, short{-1});
}

}  // namespace corvane::app
