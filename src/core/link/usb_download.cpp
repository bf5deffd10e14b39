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
  TransferState& state = ctx_.state;
  ITransferEvents& events = ctx_.events;
  state.ClearReceiveBuffer();
  // After a failed handshake the page's timer keeps running, as it always has.
  static const unsigned char kRequest[3] = {'D', '0', 0};
  if (usb_.WriteData(1, kRequest, 3, 1000) != 3) {
    events.ShowMessage("Turn on the Instrument and connect it to PC with USB line", MessageIcon::None);
    return Done(TransferOutcome::Failed);
  }
  ctx_.clock.SleepMs(kReadyPauseMs);
  unsigned char reply[16] = {};
  const int got = usb_.ReadData(0, reply, sizeof reply, 1000);
  if (got < 0) {
    events.ShowMessage("Connection failed1", MessageIcon::None);
    return Done(TransferOutcome::Failed);
  }
  if (got == 0 || reply[0] != '1') {
    events.ShowMessage("Connection failed2", MessageIcon::None);
    return Done(TransferOutcome::Failed);
  }
  static const unsigned char kAck[2] = {'1', 0};
  usb_.WriteData(1, kAck, 2, 850);

  int64_t lastData = ctx_.clock.NowMs();
  bool lastReadFailed = false;
  for (;;) {
    if (!state.TransferRunning) return Done(TransferOutcome::Stopped);
    unsigned char buffer[kDataChunk + 2] = {};
    const int n = usb_.ReadData(2, buffer, kDataChunk, 850);
    if (n > 0) {
      state.AppendReceived(TextUpToZero(buffer, sizeof buffer));
      lastData = ctx_.clock.NowMs();
    }
    if (state.EndMarkerReceived()) {
      events.KillTimer();
      events.BufferComplete();
      events.SetStatusText(TransferTexts::UsbFinished());
      return Done(TransferOutcome::Completed);
    }
    if (n > 0) continue;
    lastReadFailed = n < 0;
    if (ctx_.clock.NowMs() - lastData >= silenceLimitMs_) {
      events.KillTimer();
      if (state.ReceivedBytes() > 0) events.BufferComplete();
      events.ShowMessage(lastReadFailed ? TransferTexts::UsbReceiveFailed(state.ReceivedBytes())
                                        : TransferTexts::DownloadSilent(ctx_.languageIndex,
                                                                        (silenceLimitMs_ + 999) / 1000,
                                                                        state.ReceivedBytes()),
                         MessageIcon::Exclamation);
      return Done(TransferOutcome::Failed);
    }
    // A library that returns at once (failure, or no time-out of its own) must not
    // make this loop spin.
    ctx_.clock.SleepMs(kIdleWaitMs);
  }
}

}  // namespace corvane
