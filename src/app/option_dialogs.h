#pragma once
// The option dialogs of the program: the option-dialog library, one object per
// command. A call that fails is shown and answers as a cancel.
#include "gui/gui_services.h"

namespace corvane::app {

class LibraryOptionDialogs final : public gui::IOptionDialogs {
 public:
  explicit LibraryOptionDialogs(gui::IUserPrompts& prompts) : prompts_(prompts) {}
  std::string ShowDownSetDlg() override;
  std::string ShowUpSetDlg() override;
  std::string ShowUpCodeSetDlg() override;
  std::string ShowImportDlg() override;
  std::string ShowExportDlg() override;
  short ShowSdConfirmDlg() override;
  short ShowHdConfirmDlg() override;

 private:
  template <class Result, class Call>
  Result Run(Call call, Result cancelled);
  gui::IUserPrompts& prompts_;
};

}  // namespace corvane::app
