#pragma once
// What the windows ask of the desktop: file dialogs, message boxes, the option
// dialogs, opening files and starting programs. Tests replace these with
// scripted answers.
#include <QString>
#include <QUrl>
#include <string>

#include "core/message_icon.h"

class QWidget;

namespace corvane::gui {

// The answer to "save the changes first?".
enum class SaveChoice { Save, Discard, Cancel };

class IUserPrompts {
 public:
  virtual ~IUserPrompts() = default;
  // filter: the Qt filter list ("*.kvm;;*.txt"). Empty when cancelled.
  virtual QString OpenFileName(QWidget* parent, const QString& filter) = 0;
  // Asks before overwriting. defaultSuffix ("txt", or empty for none) is added to
  // a name typed without an extension. Empty when cancelled.
  virtual QString SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix) = 0;
  // A modal message with an OK button. detail: extra lines under the message.
  virtual void Message(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
                       const QString& detail = {}) = 0;
  // A job with unsaved changes is about to be replaced: Save, Discard or Cancel.
  virtual SaveChoice AskToSave(QWidget* parent, const QString& text, const QString& caption) = 0;
  // A question with Yes and No; true for Yes.
  virtual bool Confirm(QWidget* parent, const QString& text, const QString& caption) = 0;
};

// The option dialogs of the transfers, imports and exports; each answer has the
// documented form ("" or -1 when cancelled).
class IOptionDialogs {
 public:
  virtual ~IOptionDialogs() = default;
  virtual std::string ShowDownSetDlg() = 0;
  virtual std::string ShowUpSetDlg() = 0;
  virtual std::string ShowUpCodeSetDlg() = 0;
  virtual std::string ShowImportDlg() = 0;
  virtual std::string ShowExportDlg() = 0;
  virtual short ShowSdConfirmDlg() = 0;
  virtual short ShowHdConfirmDlg() = 0;
};

// The desktop's "open": files and addresses in their usual program, and
// programs started on their own.
class IShell {
 public:
  virtual ~IShell() = default;
  virtual bool OpenUrl(const QUrl& url) = 0;
  virtual bool StartProgram(const QString& program) = 0;
};

}  // namespace corvane::gui
