#include "core/link/usb_download.h"

#include "core/link/download_steps.h"
#include "core/link/transfer_texts.h"

namespace corvane {
namespace {
constexpr int kReadyPauseMs = 600;
constexpr int kDataChunk = 157;
}  // namespace

UsbDownload::UsbDownload(TransferContext ctx, std::unique_ptr<IUsbLink> usb, int silenceLimitMs)
    : UsbTransfer(ctx, std::move(usb)), silenceLimitMs_(silenceLimitMs) {}

TransferResult UsbDownload::KeepingData(TransferResult result) const {
  return KeepReceived(std::move(result), ReceiveBuffer_);
}

TransferResult UsbDownload::Exchange() {
  ReportReceived(ctx_, ReceiveBuffer_);
  static const unsigned char kRequest[3] = {'D', '0', 0};
  if (!Write(1, kRequest, 3, 1000)) return FailureWithReason(TransferTexts::kUsbTurnOnDownload);
  ctx_.clock.SleepMs(kReadyPauseMs);
  unsigned char reply[16] = {};
  const int got = Read(0, reply, sizeof reply, 1000);
  if (got < 0) return FailureWithReason(TransferTexts::kUsbReadyFailed);
  if (got == 0 || reply[0] != '1') return Failure(TransferTexts::kUsbNotReady);
  // The instrument sends only once it has the acknowledgement: one it did not take
  // ends the download at once, with the library's reason.
  static const unsigned char kAck[2] = {'1', 0};
  if (!Write(1, kAck, 2, 850)) return FailureWithReason(TransferTexts::UsbAcknowledgementFailed());
  return Receive();
}

TransferResult UsbDownload::Receive() {
  int64_t lastData = ctx_.clock.NowMs();
  for (;;) {
    // Stopped by another transfer or the window closing: what came is not lost.
    if (!ctx_.token.Running()) return KeepingData(StoppedResult());
    unsigned char buffer[kDataChunk + 2] = {};
    const int n = Read(2, buffer, kDataChunk, 850);
    if (n > 0) {
      ReceiveBuffer_.Append(TextUpToZero(buffer, sizeof buffer));
      ReportReceived(ctx_, ReceiveBuffer_);
      lastData = ctx_.clock.NowMs();
      if (ReceiveBuffer_.EndMarkerReceived()) {
        TransferResult done = KeepingData(Completed());
        done.output.status = TransferTexts::UsbFinished();
        return done;
      }
      continue;
    }
    // A failed read (a stall, an unplugged cable, a lost simulator) ends the
    // download at once: what arrived is kept, and the library says why.
    if (n < 0)
      return KeepingData(
          FailureWithReason(TransferTexts::UsbReceiveFailed(ReceiveBuffer_.Bytes()), MessageIcon::Exclamation));
    if (ctx_.clock.NowMs() - lastData >= silenceLimitMs_)
      return KeepingData(Failure(
          TransferTexts::DownloadSilent(ctx_.languageIndex, (silenceLimitMs_ + 999) / 1000, ReceiveBuffer_.Bytes()),
          MessageIcon::Exclamation));
    // A library that returns at once (failure, or no time-out of its own) must not
    // make this loop spin.
    ctx_.clock.SleepMs(kIdleWaitMs);
  }
}

}  // namespace corvane
