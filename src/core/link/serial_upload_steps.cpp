#include "core/link/serial_upload_steps.h"

#include "core/link/transfer_texts.h"

namespace corvane {

void BeginSerialUpload(TransferContext& ctx, ISerialPort& port) {
  port.Purge();
  ctx.state.SentLineCount = 0;
  ctx.events.SetStatusText(TransferTexts::Uploading());
}

std::optional<TransferResult> OpenUploadFile(const std::string& path, TextLineReader& in) {
  std::string reason;
  if (in.Open(path, &reason)) return std::nullopt;
  return Failure(TransferTexts::OpenFileFailed(), MessageIcon::None, path + ": " + reason);
}

std::optional<TransferResult> AfterPacing(PacingResult pacing, TransferContext& ctx, ISerialPort& port) {
  switch (pacing) {
    case PacingResult::Go: return std::nullopt;
    case PacingResult::Stopped: return Done(TransferOutcome::Stopped);
    case PacingResult::LinkLost:
      return Failure(TransferTexts::LinkLost(ctx.languageIndex, port.LinkFault()), MessageIcon::Exclamation);
    case PacingResult::GaveUp: break;
  }
  port.Purge();
  return Failure(TransferTexts::NoResponse());
}

TransferResult FinishSerialUploadFile(TransferContext& ctx, ISerialPort& port, int pauseMs, unsigned sent) {
  ctx.clock.SleepMs(pauseMs);
  port.Write("\x04", 1);
  if (const std::string why = port.LinkFault(); !why.empty())
    return Failure(TransferTexts::LinkLost(ctx.languageIndex, why), MessageIcon::Exclamation);
  ctx.state.SentLineCount = 0xFFFF;
  TransferResult done = Done(TransferOutcome::Completed);
  done.sent = sent;
  done.status = TransferTexts::SentOk(ctx.languageIndex);
  return done;
}

}  // namespace corvane
