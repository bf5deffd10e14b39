#include "gui/gui_context.h"

#include "core/text/numbers.h"
#include "gui/gbk_text.h"

namespace corvane::gui {

void GuiContext::ReloadLanguageIndex() {
  languageIndex_ = CAtoi(settings_.ReadSetting(SettingsSection::OtherSet, "language", "0"));
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
  const WriteOutcome outcome = settings_.WriteSetting(section, name, value);
  if (outcome != WriteOutcome::Ok)
    prompts_.Message(owner, QString::fromLatin1(WriteOutcomeMessage(outcome)), AppTitle(), MessageIcon::None);
  return outcome;
}

void GuiContext::FileFailure(QWidget* owner, const char* message, const QString& path, const std::string& reason) {
  QString detail = path;
  if (!reason.empty()) detail += QStringLiteral(": ") + QString::fromLocal8Bit(reason.c_str());
  prompts_.Message(owner, QString::fromLatin1(message), AppTitle(), MessageIcon::Exclamation, detail);
}

void GuiContext::NotAvailable(QWidget* owner, const QString& what) {
  prompts_.Message(owner, what + QStringLiteral(": not available yet"), AppTitle(), MessageIcon::Information);
}

}  // namespace corvane::gui
