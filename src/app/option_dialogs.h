#pragma once
// The option dialogs of the program: the option-dialog library, one object per
// command.
#include "gui/gui_services.h"

namespace corvane::app {

class LibraryOptionDialogs final : public gui::IOptionDialogs {
 public:
  std::string ShowDownSetDlg() override;
  std::string ShowUpSetDlg() override;
  std::string ShowUpCodeSetDlg() override;
  std::string ShowImportDlg() override;
  std::string ShowExportDlg() override;
  short ShowSdConfirmDlg() override;
  short ShowHdConfirmDlg() override;
};

}  // namespace corvane::app
