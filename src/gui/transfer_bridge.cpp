#include "gui/transfer_bridge.h"

#include <QThread>
#include <strings.h>

#include "core/text/numbers.h"
#include "gui/gbk_text.h"
#include "gui/transfer_pages.h"

namespace corvane::gui {

std::string TransferSettings::ReadSetting(SettingsSection section, std::string_view name,
                                          std::string_view def) const {
  static constexpr std::string_view kUploadType = "Inputdatatype";
  if (uploadType_ && section == SettingsSection::OtherSet && name.size() == kUploadType.size() &&
      ::strncasecmp(name.data(), kUploadType.data(), kUploadType.size()) == 0)
    return FormatInt(*uploadType_);
  return base_.ReadSetting(section, name, def);
}

TransferBridge::TransferBridge(TransferPage& page, const ISettingsReader& settings, std::optional<int> uploadType)
    : page_(page), settings_(settings, uploadType) {}

const QObject* TransferBridge::Page() const { return &page_; }

template <class Call>
void TransferBridge::Post(Call call) {
  if (detached_) return;
  QMetaObject::invokeMethod(
      this,
      [this, call = std::move(call)]() mutable {
        if (!detached_) call();
      },
      Qt::QueuedConnection);
}

template <class Call>
void TransferBridge::Wait(Call call) {
  if (detached_) return;
  const auto guarded = [this, &call] {
    if (!detached_) call();
  };
  // A transfer run on the window thread itself (never by the pages) cannot wait for it.
  if (QThread::currentThread() == thread()) guarded();
  else QMetaObject::invokeMethod(this, guarded, Qt::BlockingQueuedConnection);
}

void TransferBridge::DownloadEnded() {
  Post([this] { page_.OnDownloadEnded(); });
}

void TransferBridge::UploadDone() {
  Post([this] { page_.OnUploadDone(); });
}

void TransferBridge::BufferComplete() {
  Post([this] { page_.HandOverReceived(); });
}

void TransferBridge::RecordSent() {
  Wait([this] { page_.ShowSentLine(false); });
}

void TransferBridge::CodeSent() {
  Wait([this] { page_.ShowSentLine(true); });
}

void TransferBridge::ShowMessage(const std::string& text, corvane::MessageIcon icon) {
  Wait([this, &text, icon] { page_.ShowTransferMessage(text, icon == corvane::MessageIcon::Exclamation); });
}

void TransferBridge::SetStatusText(const std::string& text) {
  Post([this, text] { page_.SetStatusText(FromGbk(text)); });
}

void TransferBridge::KillTimer() {
  Post([this] { page_.StopProgressTimer(); });
}

std::string TransferBridge::ChooseCodeFile() {
  std::string path;
  Wait([this, &path] { path = page_.ChooseCodeFile(); });
  return path;
}

}  // namespace corvane::gui
