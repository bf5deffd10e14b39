#include "option_dialogs.h"

#include "corvanedlg/corvane_dll.h"

namespace corvane::app {

std::string LibraryOptionDialogs::ShowDownSetDlg() { return CCorvaneDll().ShowDownSetDlg(); }
std::string LibraryOptionDialogs::ShowUpSetDlg() { return CCorvaneDll().ShowUpSetDlg(); }
std::string LibraryOptionDialogs::ShowUpCodeSetDlg() { return CCorvaneDll().ShowUpCodeSetDlg(); }
std::string LibraryOptionDialogs::ShowImportDlg() { return CCorvaneDll().ShowImportDlg(); }
std::string LibraryOptionDialogs::ShowExportDlg() { return CCorvaneDll().ShowExportDlg(); }
short LibraryOptionDialogs::ShowSdConfirmDlg() { return CCorvaneDll().ShowSdConfirmDlg(); }
short LibraryOptionDialogs::ShowHdConfirmDlg() { return CCorvaneDll().ShowHdConfirmDlg(); }

}  // namespace corvane::app
