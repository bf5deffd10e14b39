#pragma once
// Option dialogs that every benchmark of the desktop program answers with
// "cancelled": the measured work never waits for a person.
#include <string>

#include "gui/gui_services.h"

namespace corvane::bench {

class NoDialogs final : public gui::IOptionDialogs {
 public:
  std::string ShowDownSetDlg() override { return {}; }
  std::string ShowUpSetDlg() override { return {}; }
  std::string ShowUpCodeSetDlg() override { return {}; }
  std::string ShowImportDlg() override { return {}; }
  std::string ShowExportDlg() override { return {}; }
  short ShowSdConfirmDlg() override { return -1; }
  short ShowHdConfirmDlg() override { return -1; }
};

}  // namespace corvane::bench
