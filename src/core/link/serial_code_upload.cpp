#include "core/link/serial_code_upload.h"

#include "core/link/serial_upload_steps.h"
#include "core/link/transfer_texts.h"
#include "core/text/text_helpers.h"

namespace corvane {
namespace {
constexpr int kRequestLimit = 80;
constexpr int kAnswerPauseMs = 1000;
constexpr int kCodePauseMs = 400;
constexpr int kEndPauseMs = 900;
constexpr size_t kCodeBuffer = 16;
constexpr long long kCodeWidth = 14;
}  // namespace

SerialCodeUpload::SerialCodeUpload(TransferContext ctx, std::unique_ptr<ISerialPort> port, std::string path,
                                   std::optional<PortRequest> open)
    : SerialTransfer(ctx, std::move(port), std::move(open)), path_(std::move(path)) {}

std::optional<TransferResult> SerialCodeUpload::Request(UploadLine& line) {
  for (int requests = 1;; ++requests) {
    const Reply reply = line.Ask("S1", kAnswerPauseMs, 4);
    if (auto ended = AfterReply(reply, ctx_, Port())) return ended;
    if (reply == Reply::Ready) return std::nullopt;
    if (requests == kRequestLimit) return Failure(TransferTexts::CodeRequestTimeout());
    if (!ctx_.token.Running()) return StoppedResult();
  }
}

TransferResult SerialCodeUpload::Exchange() {
  BeginSerialUpload(ctx_, Port());
  UploadProgress progress(ctx_, CountUploadPieces(path_, kCodeBuffer, 0));
  TextLineReader in;
  if (auto ended = OpenUploadFile(path_, in)) return progress.With(*ended);
  UploadLine line(Port(), ctx_.clock, ctx_.token);
  // The pacing's allowance counts the polls of each XOFF alone, not the requests.
  if (auto ended = Request(line)) return progress.With(*ended);

  std::string piece;
  while (in.ReadPiece(piece, kCodeBuffer)) {
    if (!ctx_.token.Running()) return progress.With(StoppedResult());
    const std::string_view text = TextUpToZero(piece.data(), piece.size());
    if (!text.empty()) {
      ctx_.clock.SleepMs(kCodePauseMs);
      // An XOFF that came during the pause holds this code back until XON.
      if (auto ended = AfterPacing(line.Check(), ctx_, Port())) return progress.With(*ended);
      progress.Next();
      std::string code(TrimRightChar(TrimRightChar(text, '\n'), '\r'));
      // A 15-character piece is longer than the field and goes out unpadded.
      const std::string out = PadLeft(code, kCodeWidth) + "\r\n";
      Port().Write(out.data(), static_cast<int>(out.size()));
      if (auto lost = IfLinkLost()) return progress.With(*lost);
      progress.Sent(std::move(code), true);
    }
    if (auto ended = AfterPacing(line.Check(), ctx_, Port())) return progress.With(*ended);
  }
  return FinishSerialUploadFile(ctx_, line, Port(), kEndPauseMs, progress);
}

}  // namespace corvane
