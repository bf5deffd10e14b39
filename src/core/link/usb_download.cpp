#include "core/link/usb_download.h"

#include "core/link/transfer_texts.h"

namespace corvane {
namespace {
constexpr int kReadyPauseMs = 600;
constexpr int kDataChunk = 157;
}  // namespace

UsbDownload::UsbDownload(TransferContext ctx, IUsbLink& usb, int silenceLimitMs)
    : ctx_(ctx), usb_(usb), silenceLimitMs_(silenceLimitMs) {}

TransferResult UsbDownload::Run() {
  TransferResult result = Exchange();
  usb_.EndTransfer();
  return result;
}

TransferResult UsbDownload::KeepingData(TransferResult result) const {
  result.received = ctx_.state.ReceiveBufferCopy();
  result.handOver = !result.received.empty();
  return result;
}

TransferResult UsbDownload::Exchange() {
  TransferState& state = ctx_.state;
  state.ClearReceiveBuffer();
  static const unsigned char kRequest[3] = {'D', '0', 0};
  // Where the library can tell why it failed, that goes beneath the message.
  if (usb_.WriteData(1, kRequest, 3, 1000) != 3)
    return Failure(TransferTexts::kUsbTurnOnDownload, MessageIcon::None, usb_.LastError());
  ctx_.clock.SleepMs(kReadyPauseMs);
  unsigned char reply[16] = {};
  const int got = usb_.ReadData(0, reply, sizeof reply, 1000);
  if (got < 0) return Failure(TransferTexts::kUsbReadyFailed, MessageIcon::None, usb_.LastError());
  if (got == 0 || reply[0] != '1') return Failure(TransferTexts::kUsbNotReady);
  static const unsigned char kAck[2] = {'1', 0};
  usb_.WriteData(1, kAck, 2, 850);

  int64_t lastData = ctx_.clock.NowMs();
  bool lastReadFailed = false;
  for (;;) {
    // Stopped by another transfer or the window closing: what came is not lost.
    if (!state.TransferRunning) return KeepingData(Done(TransferOutcome::Stopped));
    unsigned char buffer[kDataChunk + 2] = {};
    const int n = usb_.ReadData(2, buffer, kDataChunk, 850);
    if (n > 0) {
      state.AppendReceived(TextUpToZero(buffer, sizeof buffer));
      lastData = ctx_.clock.NowMs();
    }
    if (state.EndMarkerReceived()) {
      TransferResult done = KeepingData(Done(TransferOutcome::Completed));
      done.status = TransferTexts::UsbFinished();
      return done;
    }
    if (n > 0) continue;
    lastReadFailed = n < 0;
    if (ctx_.clock.NowMs() - lastData >= silenceLimitMs_)
      return KeepingData(Failure(lastReadFailed ? TransferTexts::UsbReceiveFailed(state.ReceivedBytes())
                                                : TransferTexts::DownloadSilent(ctx_.languageIndex,
                                                                                (silenceLimitMs_ + 999) / 1000,
                                                                                state.ReceivedBytes()),
                                 MessageIcon::Exclamation, lastReadFailed ? usb_.LastError() : std::string()));
    // A library that returns at once (failure, or no time-out of its own) must not
    // make this loop spin.
    ctx_.clock.SleepMs(kIdleWaitMs);
  }
}

}  // namespace corvane
