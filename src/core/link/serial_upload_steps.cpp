#include "core/link/serial_upload_steps.h"

#include "core/link/transfer_texts.h"

namespace corvane {

void BeginSerialUpload(TransferContext& ctx, ISerialPort& port) {
  port.Purge();
  ctx.state.SentLineCount = 0;
  ctx.events.SetStatusText(TransferTexts::Uploading());
}

std::optional<TransferResult> OpenUploadFile(TransferContext& ctx, ISerialPort& port, TextLineReader& in) {
  std::string reason;
  if (in.Open(ctx.state.UploadFilePath, &reason)) return std::nullopt;
  ctx.events.ShowMessage(TransferTexts::OpenFileFailed(), MessageIcon::None);
  port.Purge();
  port.Close();
  ctx.events.KillTimer();
  return Done(TransferOutcome::Failed, ctx.state.UploadFilePath + ": " + reason);
}

std::optional<TransferResult> AfterPacing(PacingResult pacing, TransferContext& ctx, ISerialPort& port,
                                          TextLineReader& in) {
  switch (pacing) {
    case PacingResult::Go: return std::nullopt;
    case PacingResult::Stopped: return Done(TransferOutcome::Stopped);
    case PacingResult::LinkLost: EndIfLinkLost(ctx, port); return Done(TransferOutcome::Failed);
    case PacingResult::GaveUp: break;
  }
  ctx.events.ShowMessage(TransferTexts::NoResponse(), MessageIcon::None);
  in.Close();
  ctx.events.KillTimer();
  port.Purge();
  port.Close();
  return Done(TransferOutcome::Failed);
}

TransferResult FinishSerialUploadFile(TransferContext& ctx, ISerialPort& port, TextLineReader& in, int pauseMs) {
  ctx.clock.SleepMs(pauseMs);
  port.Write("\x04", 1);
  if (EndIfLinkLost(ctx, port)) return Done(TransferOutcome::Failed);
  in.Close();
  port.Close();
  ctx.events.UploadDone();
  return Done(TransferOutcome::Completed);
}

}  // namespace corvane
