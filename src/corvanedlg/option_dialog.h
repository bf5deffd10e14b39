#pragma once
// The dialog behind most option calls: a file, and where the call needs them a
// file layout and a separator, with a preview of what the command will make of
// them. It remembers the last file, folder and choices.
#include <QDialog>

#include "corvanedlg/corvane_dll.h"
#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace corvanedlg {

// The library's texts follow the caption language of the CCorvaneDll call being
// shown (LanguageScope); outside a call, the stored setting.
CORVANEDLG_API bool EnglishTexts();
CORVANEDLG_API QString Tr(const char* english, const char* chinese);

// Sets the language of the library's texts while one call runs.
class CORVANEDLG_API LanguageScope {
 public:
  explicit LanguageScope(int languageIndex);
  ~LanguageScope();
  LanguageScope(const LanguageScope&) = delete;
  LanguageScope& operator=(const LanguageScope&) = delete;

 private:
  int previous_;
};

// Where the dialogs keep what they remember.
CORVANEDLG_API QString MemoryFile();

// What the preview shows (see file_preview.h).
enum class Preview { None, Import, Upload, Codes, Export };

struct FileDialogSetup {
  QString title;
  QString memoryKey;      // group of the remembered choices
  QStringList layouts;    // empty: no layout list
  bool separators = false;
  bool saving = false;    // choose a file to write (asks before overwriting)
  QString filter;         // Qt filter list of the browse dialog
  Preview preview = Preview::None;
};

class CORVANEDLG_API FileOptionsDialog final : public QDialog {
  Q_OBJECT
 public:
  explicit FileOptionsDialog(FileDialogSetup setup, QWidget* parent = nullptr);

  int Layout() const;
  int Separator() const;
  // The file chosen; a name typed without a folder lies in the dialog's folder.
  QString Path() const;
  void SetPath(const QString& path);
  void SetLayout(int layout);
  void SetSeparator(int separator);
  QPushButton* OkButton() const { return ok_; }
  QString PreviewText() const;

  void accept() override;

 private:
  void Browse();
  void UpdateOk();
  void UpdatePreview();
  // A file to write that is there already: true when the user agrees to replace it.
  bool MayReplace();

  FileDialogSetup setup_;
  QComboBox* layout_ = nullptr;
  QComboBox* separator_ = nullptr;
  QLineEdit* path_;
  QPlainTextEdit* preview_ = nullptr;
  QPushButton* ok_;
  QString confirmedPath_;  // a file to write the browse dialog already asked about
  QString folder_;         // where a name typed without a folder goes
};

}  // namespace corvanedlg
