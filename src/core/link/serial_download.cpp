#include "core/link/serial_download.h"

#include "core/link/transfer_pages.h"
#include "core/link/transfer_texts.h"

namespace corvane {
namespace {
constexpr int kConnectAttempts = 80;
constexpr int kRequestPauseMs = 300;
constexpr int kChunkSize = 156;
}  // namespace

SerialDownload::SerialDownload(TransferContext ctx, ISerialPort& port, int silenceLimitMs,
                               std::optional<PortRequest> open)
    : SerialTransfer(ctx, port, std::move(open)), silenceLimitMs_(silenceLimitMs) {}

TransferResult SerialDownload::Exchange() {
  ctx_.state.ClearReceiveBuffer();
  if (auto ended = Connect()) return *ended;
  return Receive();
}

std::optional<TransferResult> SerialDownload::Connect() {
  for (int attempt = 1;; ++attempt) {
    const Reply reply = AskInstrument(ctx_, port_, "D0", kRequestPauseMs, 20);
    if (reply == Reply::LinkLost) return IfLinkLost();
    // The instrument is ready; whatever followed the "1" in this read is dropped.
    if (reply == Reply::Ready) return std::nullopt;
    if (attempt == kConnectAttempts)
      return Failure(TransferTexts::DownloadConnectTimeout(), MessageIcon::None,
                     TransferTexts::DownloadConnectTimeoutNote(ctx_.languageIndex));
    if (!ctx_.state.TransferRunning) return Done(TransferOutcome::Stopped);
  }
}

TransferResult SerialDownload::Receive() {
  int64_t lastData = ctx_.clock.NowMs();
  for (;;) {
    // Stopped by another transfer or the window closing: what came is not lost.
    if (!ctx_.state.TransferRunning) return KeepingData(Done(TransferOutcome::Stopped));
    char chunk[kChunkSize + 1] = {};
    const int got = port_.Read(chunk, kChunkSize);
    if (got > 0) {
      ctx_.state.AppendReceived(TextUpToZero(chunk, static_cast<size_t>(got)));
      lastData = ctx_.clock.NowMs();
      if (ctx_.state.EndMarkerReceived()) {
        TransferResult done = KeepingData(Done(TransferOutcome::Completed));
        done.status = SerialProgressText(ctx_.state);
        return done;
      }
      continue;
    }
    if (auto lost = IfLinkLost()) return KeepingData(*lost);
    if (ctx_.clock.NowMs() - lastData >= silenceLimitMs_)
      return KeepingData(Failure(TransferTexts::DownloadSilent(ctx_.languageIndex, (silenceLimitMs_ + 999) / 1000,
                                                               ctx_.state.ReceivedBytes()),
                                 MessageIcon::Exclamation));
    port_.WaitForInput(kIdleWaitMs);
  }
}

TransferResult SerialDownload::KeepingData(TransferResult result) const {
  result.received = ctx_.state.ReceiveBufferCopy();
  result.handOver = !result.received.empty();
  return result;
}

}  // namespace corvane
