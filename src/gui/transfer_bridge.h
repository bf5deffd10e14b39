#pragma once
// Carries what a transfer worker tells its page over to the window thread: the
// end of a transfer, status texts and the timer as queued calls; the echoed rows,
// messages and the code-file choice as blocking calls, so the worker waits until
// the window has handled them.
#include <QObject>
#include <atomic>
#include <optional>
#include <string>

#include "core/link/transfer_events.h"
#include "core/settings/settings_store.h"

namespace corvane::gui {

class TransferPage;

// The settings a transfer reads, with the upload layout chosen for this upload in
// place of the stored "Inputdatatype" when there is one.
class TransferSettings final : public ISettingsReader {
 public:
  TransferSettings(const ISettingsReader& base, std::optional<int> uploadType)
      : base_(base), uploadType_(uploadType) {}
  std::string ReadSetting(SettingsSection section, std::string_view name, std::string_view def) const override;

 private:
  const ISettingsReader& base_;
  std::optional<int> uploadType_;
};

class TransferBridge final : public QObject, public ITransferEvents {
 public:
  TransferBridge(TransferPage& page, const ISettingsReader& settings, std::optional<int> uploadType = {});

  const ISettingsReader& Settings() const { return settings_; }
  const QObject* Page() const;
  // From now on nothing reaches the page: blocking calls return at once, a code
  // file is not asked for. Window thread.
  void Detach() { detached_ = true; }

  // Worker thread.
  void DownloadEnded() override;
  void UploadDone() override;
  void BufferComplete() override;
  void RecordSent() override;
  void CodeSent() override;
  void ShowMessage(const std::string& text, corvane::MessageIcon icon) override;
  void SetStatusText(const std::string& text) override;
  void KillTimer() override;
  std::string ChooseCodeFile() override;

 private:
  template <class Call>
  void Post(Call call);
  template <class Call>
  void Wait(Call call);

  TransferPage& page_;
  TransferSettings settings_;
  std::atomic<bool> detached_{false};
};

}  // namespace corvane::gui
