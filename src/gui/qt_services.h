#pragma once
// The real file dialogs, message boxes and shell of the desktop.
#include "gui/gui_services.h"

namespace corvane::gui {

class QtUserPrompts final : public IUserPrompts {
 public:
  QString OpenFileName(QWidget* parent, const QString& filter) override;
  QString SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix) override;
  void Message(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
               const QString& detail) override;
  SaveChoice AskToSave(QWidget* parent, const QString& text, const QString& caption) override;
  bool Confirm(QWidget* parent, const QString& text, const QString& caption) override;

 private:
  void Remember(const QString& path);
  QString lastFolder_;
};

class QtShell final : public IShell {
 public:
  bool OpenUrl(const QUrl& url) override;
  bool StartProgram(const QString& program) override;
};

}  // namespace corvane::gui
