#include "gui/transfer_bridge.h"

#include <QThread>

#include "core/link/transfer_engine.h"
#include "gui/gbk_text.h"
#include "gui/transfer_link.h"
#include "gui/transfer_pages.h"

namespace corvane::gui {

TransferBridge::TransferBridge(TransferPage& page, TransferLink& link, bool progressTimer)
    : page_(page), link_(link), progressTimer_(progressTimer) {}

const QObject* TransferBridge::Page() const { return &page_; }

void TransferBridge::Started() {
  if (progressTimer_ && !detached_) page_.ProgressTimer().start();
}

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

void TransferBridge::NeverStarted() {
  if (!detached_) page_.OnTransferEnded(StoppedResult());
}

void TransferBridge::TransferEnded(const TransferResult& result) {
  // Always delivered, detached or not: the link takes the finished worker back
  // and starts a transfer that waited for it.
  QMetaObject::invokeMethod(
      this,
      [this, result] {
        if (!detached_) page_.OnTransferEnded(result);
        link_.WorkerEnded(this);
      },
      Qt::QueuedConnection);
}

void TransferBridge::RecordSent(const SentRecord& record) {
  Wait([this, &record] { page_.ShowSentLine(record); });
}

void TransferBridge::Progress(const TransferProgress& progress) {
  Post([this, progress] { page_.ShowProgress(progress); });
}

void TransferBridge::ShowMessage(const std::string& text, corvane::MessageIcon icon) {
  Wait([this, &text, icon] { page_.ShowTransferMessage(text, icon == corvane::MessageIcon::Exclamation, {}); });
}

void TransferBridge::SetStatusText(const std::string& text) {
  Post([this, text] { page_.SetStatusText(FromGbk(text)); });
}

std::string TransferBridge::ChooseCodeFile() {
  std::string path;
  Wait([this, &path] { path = page_.ChooseCodeFile(); });
  return path;
}

}  // namespace corvane::gui
