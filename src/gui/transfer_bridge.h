#pragma once
// Carries what a transfer worker tells its page over to the window thread: status
// texts, progress and the end of the transfer as queued calls; the echoed rows,
// messages and the code-file choice as blocking calls, so the worker waits until
// the window has handled them.
#include <QObject>
#include <atomic>
#include <string>

#include "core/link/transfer_events.h"

namespace corvane::gui {

class TransferLink;
class TransferPage;

class TransferBridge final : public QObject, public ITransferEvents {
 public:
  TransferBridge(TransferPage& page, TransferLink& link, bool progressTimer);

  const QObject* Page() const;
  // The worker has been started: the page's progress timer runs when it has one.
  void Started();
  // The transfer was dropped before its worker started: its page hears that it
  // stopped. Window thread.
  void NeverStarted();
  // From now on nothing reaches the page: blocking calls return at once, a code
  // file is not asked for. Window thread.
  void Detach() { detached_ = true; }

  // Worker thread.
  void TransferEnded(const TransferResult& result) override;
  void RecordSent(const SentRecord& record) override;
  void Progress(const TransferProgress& progress) override;
  void ShowMessage(const std::string& text, corvane::MessageIcon icon) override;
  void SetStatusText(const std::string& text) override;
  std::string ChooseCodeFile() override;

 private:
  template <class Call>
  void Post(Call call);
  template <class Call>
  void Wait(Call call);

  TransferPage& page_;
  TransferLink& link_;
  bool progressTimer_;
  std::atomic<bool> detached_{false};
};

}  // namespace corvane::gui
