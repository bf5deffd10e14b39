#include "core/link/serial_download.h"

#include "core/link/transfer_texts.h"

namespace corvane {
namespace {
constexpr int kConnectAttempts = 80;
constexpr int kRequestPauseMs = 300;
constexpr int kChunkSize = 156;
}  // namespace

SerialDownload::SerialDownload(TransferContext ctx, ISerialPort& port, int silenceLimitMs)
    : ctx_(ctx), port_(port), silenceLimitMs_(silenceLimitMs) {}

TransferResult SerialDownload::Run() {
  ctx_.state.ClearReceiveBuffer();
  if (auto ended = Connect()) return *ended;
  return Receive();
}

std::optional<TransferResult> SerialDownload::Connect() {
  for (int attempt = 1;; ++attempt) {
    const Reply reply = AskInstrument(ctx_, port_, "D0", kRequestPauseMs, 20);
    if (reply == Reply::LinkLost && EndIfLinkLost(ctx_, port_)) return Done(TransferOutcome::Failed);
    // The instrument is ready; whatever followed the "1" in this read is dropped.
    if (reply == Reply::Ready) return std::nullopt;
    if (attempt == kConnectAttempts) {
      // The page keeps its timer and its waiting text until the next transfer.
      ctx_.events.ShowMessage(TransferTexts::DownloadConnectTimeout(), MessageIcon::None);
      port_.Close();
      return Done(TransferOutcome::Failed);
    }
    if (!ctx_.state.TransferRunning) {
      // The transfer that cleared the flag closes and reopens the port itself.
      return Done(TransferOutcome::Stopped);
    }
  }
}

TransferResult SerialDownload::Receive() {
  int64_t lastData = ctx_.clock.NowMs();
  for (;;) {
    if (!ctx_.state.TransferRunning) return Done(TransferOutcome::Stopped);
    char chunk[kChunkSize + 1] = {};
    const int got = port_.Read(chunk, kChunkSize);
    if (got > 0) {
      ctx_.state.AppendReceived(TextUpToZero(chunk, static_cast<size_t>(got)));
      lastData = ctx_.clock.NowMs();
      if (ctx_.state.EndMarkerReceived()) {
        port_.Close();
        ctx_.events.DownloadEnded();
        return Done(TransferOutcome::Completed);
      }
      continue;
    }
    if (const std::string why = port_.LinkFault(); !why.empty())
      return EndKeepingData(TransferTexts::LinkLost(ctx_.languageIndex, why));
    if (ctx_.clock.NowMs() - lastData >= silenceLimitMs_)
      return EndKeepingData(TransferTexts::DownloadSilent(ctx_.languageIndex, (silenceLimitMs_ + 999) / 1000,
                                                          ctx_.state.ReceivedBytes()));
    port_.WaitForInput(kIdleWaitMs);
  }
}

TransferResult SerialDownload::EndKeepingData(const std::string& message) {
  port_.Close();
  if (ctx_.state.ReceivedBytes() > 0) ctx_.events.DownloadEnded();
  else ctx_.events.KillTimer();
  ctx_.events.ShowMessage(message, MessageIcon::Exclamation);
  return Done(TransferOutcome::Failed);
}

}  // namespace corvane
