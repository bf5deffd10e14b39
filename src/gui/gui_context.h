#pragma once
// What every window of the desktop program shares: the settings store, the
// caption language and the desktop services.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "core/command_result.h"
#include "core/settings/captions.h"
#include "core/settings/settings_store.h"
#include "gui/gui_services.h"

namespace corvane::gui {

class DesktopState;
class TransferLink;

// The caption language for a desktop whose languages are these (most wanted
// first, as QLocale::uiLanguages gives them): the local captions for Chinese,
// English for anything else.
int LanguageForDesktop(const QStringList& uiLanguages);

class GuiContext final {
 public:
  GuiContext(SettingsStore& settings, IUserPrompts& prompts, IOptionDialogs& dialogs, IShell& shell);
  ~GuiContext();
  GuiContext(const GuiContext&) = delete;
  GuiContext& operator=(const GuiContext&) = delete;

  SettingsStore& Settings() { return settings_; }
  IUserPrompts& Prompts() { return prompts_; }
  IOptionDialogs& Dialogs() { return dialogs_; }
  IShell& Shell() { return shell_; }
  // The transfer state and worker of the application: the one given to UseLink,
  // else one of the context's own, made when first asked for.
  TransferLink& Link();
  void UseLink(TransferLink& link) { link_ = &link; }
  // What the desktop program remembers of itself (window, recent jobs), in a file
  // beside the user's settings file.
  DesktopState& Desktop();

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
  // A command's failure: the tool's message as it stands, the path and reason below.
  void ShowFailure(QWidget* owner, const std::string& message, bool exclamation, const std::string& detail);
  // Shows a command's failure (its message, icon and detail); nothing otherwise.
  void ShowResult(QWidget* owner, const CommandResult& result);
  // Hands finished files to the desktop's "open", in order; one that no program
  // takes is named in a short message. A text that is neither ASCII nor UTF-8
  // (the tool's GBK) opens in the program's own viewer, which reads it as GBK.
  void OpenFiles(QWidget* owner, const std::vector<std::string>& paths);
  // Files a command has written: whoever listens (the main window's status bar)
  // hears of them. OpenFiles announces what it opens.
  void AnnounceWritten(const std::vector<std::string>& paths);
  void SetWrittenListener(std::function<void(const QStringList& paths)> listener) {
    writtenListener_ = std::move(listener);
  }
  // Opens an address; when no program takes it, a message names it.
  bool OpenUrlOrSay(QWidget* owner, const QUrl& url, const QString& failure);

 private:
  SettingsStore& settings_;
  IUserPrompts& prompts_;
  IOptionDialogs& dialogs_;
  IShell& shell_;
  TransferLink* link_ = nullptr;
  std::unique_ptr<TransferLink> ownLink_;
  std::unique_ptr<DesktopState> desktop_;
  std::function<void(const QStringList&)> writtenListener_;
  int languageIndex_ = 0;
};

}  // namespace corvane::gui
