#include "core/link/serial_download.h"

#include "core/link/download_steps.h"
#include "core/link/transfer_pages.h"
#include "core/link/transfer_texts.h"

namespace corvane {
namespace {
constexpr int kConnectAttempts = 80;
constexpr int kRequestPauseMs = 300;
constexpr int kReplySize = 20;
constexpr int kChunkSize = 156;
}  // namespace

SerialDownload::SerialDownload(TransferContext ctx, std::unique_ptr<ISerialPort> port, int silenceLimitMs,
                               std::optional<PortRequest> open)
    : SerialTransfer(ctx, std::move(port), std::move(open)), silenceLimitMs_(silenceLimitMs) {}

TransferResult SerialDownload::Exchange() {
  ReportReceived(ctx_, ReceiveBuffer_);
  if (auto ended = Connect()) return *ended;
  return Receive();
}

std::optional<TransferResult> SerialDownload::Connect() {
  for (int attempt = 1;; ++attempt) {
    Port().Write("D0", 2);
    ctx_.clock.SleepMs(kRequestPauseMs);
    char reply[kReplySize];
    const int got = Port().Read(reply, kReplySize);
    if (auto lost = IfLinkLost()) return lost;
    // The instrument is ready; whatever followed the "1" in this read is dropped.
    if (got > 0 && reply[0] == '1') return std::nullopt;
    if (attempt == kConnectAttempts)
      return Failure(TransferTexts::DownloadConnectTimeout(), MessageIcon::None,
                     TransferTexts::DownloadConnectTimeoutNote(ctx_.languageIndex));
    if (!ctx_.token.Running()) return StoppedResult();
  }
}

TransferResult SerialDownload::Receive() {
  int64_t lastData = ctx_.clock.NowMs();
  for (;;) {
    // Stopped by another transfer or the window closing: what came is not lost.
    if (!ctx_.token.Running()) return KeepingData(StoppedResult());
    char chunk[kChunkSize + 1] = {};
    const int got = Port().Read(chunk, kChunkSize);
    if (got > 0) {
      ReceiveBuffer_.Append(TextUpToZero(chunk, static_cast<size_t>(got)));
      ReportReceived(ctx_, ReceiveBuffer_);
      lastData = ctx_.clock.NowMs();
      if (ReceiveBuffer_.EndMarkerReceived()) {
        TransferResult done = KeepingData(Completed());
        done.output.status = SerialProgressText(ReceiveBuffer_.LineEnds());
        return done;
      }
      continue;
    }
    if (auto lost = IfLinkLost()) return KeepingData(*lost);
    if (ctx_.clock.NowMs() - lastData >= silenceLimitMs_)
      return KeepingData(Failure(TransferTexts::DownloadSilent(ctx_.languageIndex, (silenceLimitMs_ + 999) / 1000,
                                                               ReceiveBuffer_.Bytes()),
                                 MessageIcon::Exclamation));
    Port().WaitForInput(kIdleWaitMs);
  }
}

TransferResult SerialDownload::KeepingData(TransferResult result) const {
  return KeepReceived(std::move(result), ReceiveBuffer_);
}

}  // namespace corvane
