#include "gui/gui_context.h"

#include <QFileInfo>
#include <QWidget>

#include "core/text/numbers.h"
#include "gui/desktop_state.h"
#include "gui/file_paths.h"
#include "gui/gbk_text.h"
#include "gui/text_viewer.h"
#include "gui/transfer_link.h"

namespace corvane::gui {

int LanguageForDesktop(const QStringList& uiLanguages) {
  const QString first = uiLanguages.value(0).toLower();
  return first == QLatin1String("zh") || first.startsWith(QLatin1String("zh-")) || first.startsWith(QLatin1String("zh_"))
             ? 0
             : 1;
}

GuiContext::GuiContext(SettingsStore& settings, IUserPrompts& prompts, IOptionDialogs& dialogs, IShell& shell)
    : settings_(settings), prompts_(prompts), dialogs_(dialogs), shell_(shell) {}

GuiContext::~GuiContext() = default;

TransferLink& GuiContext::Link() {
  if (link_) return *link_;
  if (!ownLink_) ownLink_ = std::make_unique<TransferLink>();
  return *ownLink_;
}

DesktopState& GuiContext::Desktop() {
  if (!desktop_) {
    const QString folder = QFileInfo(QtPath(settings_.UserFile())).absolutePath();
    desktop_ = std::make_unique<DesktopState>(folder + QStringLiteral("/CorvaneDesktop.ini"));
  }
  return *desktop_;
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

void GuiContext::AnnounceWritten(const std::vector<std::string>& paths) {
  if (!writtenListener_ || paths.empty()) return;
  QStringList list;
  for (const std::string& path : paths) list << QFileInfo(QtPath(path)).absoluteFilePath();
  writtenListener_(list);
}

bool GuiContext::OpenUrlOrSay(QWidget* owner, const QUrl& url, const QString& failure) {
  if (shell_.OpenUrl(url)) return true;
  prompts_.Message(owner, failure, AppTitle(), MessageIcon::Information,
                   url.isLocalFile() ? url.toLocalFile() : url.toString());
  return false;
}

void GuiContext::OpenFiles(QWidget* owner, const std::vector<std::string>& paths) {
  AnnounceWritten(paths);
  for (const std::string& path : paths) {
    const QString file = QtPath(path);
    QByteArray bytes;
    if (NeedsGbkViewer(file, &bytes)) {
      auto* viewer = new TextFileViewer(file, bytes, Caption("Job", "Close", "Close"), owner ? owner->window() : nullptr);
      viewer->show();
      continue;
    }
    const QString text = languageIndex_ == 1 ? QStringLiteral("The file is written, but no program opened it.")
                                             : QString::fromUtf8("文件已写好，但没有程序打开它。");
    OpenUrlOrSay(owner, QUrl::fromLocalFile(file), text);
  }
}

}  // namespace corvane::gui
