#pragma once
// The option dialogs of the transfers, imports and exports. Each call runs one
// modal dialog and returns the user's choice:
//   ShowDownSetDlg    ""  = cancelled, anything else = go on
//   ShowUpSetDlg      "{layout}{path}"  of the coordinate file to upload
//   ShowUpCodeSetDlg  the path of the code file
//   ShowImportDlg     "{layout}{path}"  of the coordinate file to read
//   ShowExportDlg     "{layout}{separator}{path}"  of the file to write
//   ShowSdConfirmDlg, ShowHdConfirmDlg   0 layout A, 1 layout B, -1 cancelled
// Texts are 8-bit: paths in the file system's encoding.
#include <string>

#if defined(CORVANEDLG_BUILD)
#define CORVANEDLG_API __attribute__((visibility("default")))
#else
#define CORVANEDLG_API
#endif

class CORVANEDLG_API CCorvaneDll {
 public:
  // The dialogs speak the program's caption language: read once from the stored
  // settings here, or passed by a caller that knows it (1 English, else local).
  CCorvaneDll();
  explicit CCorvaneDll(int languageIndex);
  virtual ~CCorvaneDll();
  CCorvaneDll(const CCorvaneDll&) = delete;
  CCorvaneDll& operator=(const CCorvaneDll&) = delete;

  std::string ShowDownSetDlg();
  std::string ShowUpSetDlg();
  std::string ShowUpCodeSetDlg();
  std::string ShowImportDlg();
  std::string ShowExportDlg();
  short ShowSdConfirmDlg();
  short ShowHdConfirmDlg();

 private:
  int languageIndex_;
};
