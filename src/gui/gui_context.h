#pragma once
// What every window of the desktop program shares: the settings store, the
// caption language and the desktop services.
#include <QString>
#include <string_view>

#include "core/settings/captions.h"
#include "core/settings/settings_store.h"
#include "gui/gui_services.h"

namespace corvane::gui {

class GuiContext final {
 public:
  GuiContext(SettingsStore& settings, IUserPrompts& prompts, IOptionDialogs& dialogs, IShell& shell)
      : settings_(settings), prompts_(prompts), dialogs_(dialogs), shell_(shell) {}

  SettingsStore& Settings() { return settings_; }
  IUserPrompts& Prompts() { return prompts_; }
  IOptionDialogs& Dialogs() { return dialogs_; }
  IShell& Shell() { return shell_; }

  // 0 the local language, 1 English (other values also pick the local file).
  int LanguageIndex() const { return languageIndex_; }
  // Reads the language setting ("language" under "OtherSet", default "0").
  void ReloadLanguageIndex();

  CaptionReader Captions() const { return CaptionReader::ForLanguage(languageIndex_); }
  // A caption of the current caption file, as Unicode.
  QString Caption(std::string_view section, std::string_view key, std::string_view def) const;
  // The application title ("SoftName"/"Title").
  QString AppTitle() const;

  QString Setting(SettingsSection section, std::string_view name, std::string_view def) const;
  int SettingInt(SettingsSection section, std::string_view name, std::string_view def) const;
  // Writes a setting; a failure shows the store's message (OK button, no icon)
  // owned by `owner`.
  WriteOutcome WriteSetting(QWidget* owner, SettingsSection section, std::string_view name, std::string_view value);

  // A file failure: the tool's message (English in both languages, exclamation
  // icon, the application title as caption), with the path and reason below it.
  void FileFailure(QWidget* owner, const char* message, const QString& path, const std::string& reason);
  // A command whose engine is not built into this program yet.
  void NotAvailable(QWidget* owner, const QString& what);

 private:
  SettingsStore& settings_;
  IUserPrompts& prompts_;
  IOptionDialogs& dialogs_;
  IShell& shell_;
  int languageIndex_ = 0;
};

}  // namespace corvane::gui
