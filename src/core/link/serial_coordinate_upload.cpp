#include "core/link/serial_coordinate_upload.h"

#include "core/grid/upload_record.h"
#include "core/link/serial_upload_steps.h"
#include "core/link/transfer_texts.h"

namespace corvane {
namespace {
constexpr int kFirstRequestLimit = 80;
// The second request stops when the shared counter reaches 20. When the first
// request already needed 19 or more attempts, the second one gets a single try.
constexpr int kSecondRequestLimit = 20;
constexpr int kAnswerPauseMs = 50;
constexpr int kRecordPauseMs = 50;
constexpr int kEndPauseMs = 300;
constexpr size_t kLineBuffer = 100;
}  // namespace

SerialCoordinateUpload::SerialCoordinateUpload(TransferContext ctx, std::unique_ptr<ISerialPort> port, UploadJob job,
                                               std::optional<PortRequest> open)
    : SerialTransfer(ctx, std::move(port), std::move(open)), job_(std::move(job)) {}

std::optional<TransferResult> SerialCoordinateUpload::Handshake(UploadLine& line) {
  const int lang = ctx_.languageIndex;
  int k = 1;
  for (;; ++k) {
    const Reply reply = line.Ask("S0", kAnswerPauseMs, 4);
    if (auto ended = AfterReply(reply, ctx_, Port())) return ended;
    if (reply == Reply::Ready) break;
    if (reply == Reply::Refused) return Failure(TransferTexts::CreateFileFailed(lang));
    if (k == kFirstRequestLimit) return Failure(TransferTexts::FirstRequestTimeout(lang));
    if (!ctx_.token.Running()) return StoppedResult();
  }
  for (;;) {
    ++k;
    const Reply reply = line.Ask("@%&!$\r\n", kAnswerPauseMs, 4);
    if (auto ended = AfterReply(reply, ctx_, Port())) return ended;
    if (reply == Reply::Ready) return std::nullopt;
    if (reply == Reply::Refused) return Failure(TransferTexts::CreateFileFailed(lang));
    if (k >= kSecondRequestLimit) return Failure(TransferTexts::SecondRequestTimeout(lang));
    if (!ctx_.token.Running()) return StoppedResult();
  }
}

TransferResult SerialCoordinateUpload::Exchange() {
  BeginSerialUpload(ctx_, Port());
  UploadProgress progress(ctx_, CountUploadPieces(job_.path, kLineBuffer, 2));
  TextLineReader in;
  if (auto ended = OpenUploadFile(job_.path, in)) return progress.With(*ended);
  UploadLine line(Port(), ctx_.clock, ctx_.token);
  if (auto ended = Handshake(line)) return progress.With(*ended);

  // The coordinate order is read once for the whole file.
  const bool enz = UploadOrderIsEnz(ctx_.settings);
  std::string piece;
  while (in.ReadPiece(piece, kLineBuffer)) {
    if (!ctx_.token.Running()) return progress.With(StoppedResult());
    const std::string_view text = TextUpToZero(piece.data(), piece.size());
    if (text.size() > 2) {
      progress.Next();
      ctx_.clock.SleepMs(kRecordPauseMs);
      // An XOFF that came during the pause holds this record back until XON.
      if (auto ended = AfterPacing(line.Check(), ctx_, Port())) return progress.With(*ended);
      UploadLineResult r = ConvertUploadLine(text, job_.type, enz);
      if (!r.message.empty()) ctx_.events.ShowMessage(r.message, MessageIcon::None);
      // A 76-byte record for layouts 0..6; for any other layout the cleaned line's
      // own bytes and nothing more. Write returns once the record has left the PC.
      if (!r.record.empty()) Port().Write(r.record.data(), static_cast<int>(r.record.size()));
      if (auto lost = IfLinkLost()) return progress.With(*lost);
      progress.Sent(std::move(r.record), false);
    }
    if (auto ended = AfterPacing(line.Check(), ctx_, Port())) return progress.With(*ended);
  }
  return FinishSerialUploadFile(ctx_, line, Port(), kEndPauseMs, progress);
}

}  // namespace corvane
