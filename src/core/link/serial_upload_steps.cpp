#include "core/link/serial_upload_steps.h"

#include "core/link/transfer_texts.h"

namespace corvane {

void BeginSerialUpload(TransferContext& ctx, ISerialPort& port) {
  port.Purge();
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
    case PacingResult::Stopped: return StoppedResult();
    case PacingResult::LinkLost:
      return Failure(TransferTexts::LinkLost(ctx.languageIndex, port.LinkFault()), MessageIcon::Exclamation);
    case PacingResult::GaveUp: break;
  }
  port.Purge();
  return Failure(TransferTexts::NoResponse());
}

std::optional<TransferResult> AfterReply(Reply reply, TransferContext& ctx, ISerialPort& port) {
  switch (reply) {
    case Reply::GaveUp: return AfterPacing(PacingResult::GaveUp, ctx, port);
    case Reply::LinkLost: return AfterPacing(PacingResult::LinkLost, ctx, port);
    case Reply::Stopped: return AfterPacing(PacingResult::Stopped, ctx, port);
    default: return std::nullopt;
  }
}

TransferResult FinishSerialUploadFile(TransferContext& ctx, UploadLine& line, ISerialPort& port, int pauseMs,
                                      const UploadProgress& progress) {
  ctx.clock.SleepMs(pauseMs);
  if (auto ended = AfterPacing(line.Write("\x04"), ctx, port)) return progress.With(*ended);
  TransferResult done = progress.With(Completed());
  done.output.status = TransferTexts::SentOk(ctx.languageIndex);
  return done;
}

}  // namespace corvane
