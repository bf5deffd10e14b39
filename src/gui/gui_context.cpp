#include "gui/gui_context.h"

#include "core/text/numbers.h"
#include "gui/file_paths.h"
#include "gui/gbk_text.h"
#include "gui/transfer_link.h"

namespace corvane::gui {

GuiContext::GuiContext(SettingsStore& settings, IUserPrompts& prompts, IOptionDialogs& dialogs, IShell& shell)
    : settings_(settings), prompts_(prompts), dialogs_(dialogs), shell_(shell) {}

GuiContext::~GuiContext() = default;

TransferLink& GuiContext::Link() {
  if (link_) return *link_;
  if (!ownLink_) ownLink_ = std::make_unique<TransferLink>();
  return *ownLink_;
}

void GuiContext::ReloadLanguageIndex() {
  languageIndex_ = ReadLanguageIndex(settings_);
}

QString GuiContext::Caption(std::string_view section, std::string_view key, std::string_view def) const {
  return FromGbk(Captions().Read(section, key, def));
}

QString GuiContext::AppTitle() const { return Caption("SoftName", "Title", "Corvane"); }

QString GuiContext::Setting(SettingsSection section, std::string_view name, std::string_view def) const {
  return FromGbk(settings_.ReadSetting(section, name, def));
}

int GuiContext::SettingInt(SettingsSection section, std::string_view name, std::string_view def) const {
  return CAtoi(settings_.ReadSetting(section, name, def));
}

WriteOutcome GuiContext::WriteSetting(QWidget* owner, SettingsSection section, std::string_view name,
                                      std::string_view value) {
  std::string reason;
  const WriteOutcome outcome = settings_.WriteSetting(section, name, value, &reason);
  if (outcome != WriteOutcome::Ok)
    prompts_.Message(owner, QString::fromLatin1(WriteOutcomeMessage(outcome)), AppTitle(), MessageIcon::None,
                     QString::fromLocal8Bit(reason.c_str()));
  return outcome;
}

void GuiContext::FileFailure(QWidget* owner, const char* message, const QString& path, const std::string& reason) {
  QString detail = path;
  if (!reason.empty()) detail += QStringLiteral(": ") + QString::fromLocal8Bit(reason.c_str());
  prompts_.Message(owner, QString::fromLatin1(message), AppTitle(), MessageIcon::Exclamation, detail);
}

void GuiContext::ShowFailure(QWidget* owner, const std::string& message, bool exclamation, const std::string& detail) {
  prompts_.Message(owner, FromGbk(message), AppTitle(), exclamation ? MessageIcon::Exclamation : MessageIcon::None,
                   QtPath(detail));
}

void GuiContext::ShowResult(QWidget* owner, const CommandResult& result) {
  if (result.status == CommandStatus::Failed)
    ShowFailure(owner, result.message, result.icon == MessageIcon::Exclamation, result.detail);
}

void GuiContext::OpenFiles(QWidget* owner, const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (shell_.OpenUrl(QUrl::fromLocalFile(QtPath(path)))) continue;
    const QString text = languageIndex_ == 1 ? QStringLiteral("The file is written, but no program opened it.")
                                             : QString::fromUtf8("文件已写好，但没有程序打开它。");
    prompts_.Message(owner, text, AppTitle(), MessageIcon::Information, QtPath(path));
  }
}

}  // namespace corvane::gui
