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
constexpr int kPollLimit = 50;
constexpr int kAnswerPauseMs = 50;
constexpr int kRecordPauseMs = 50;
constexpr int kEndPauseMs = 300;
constexpr size_t kLineBuffer = 100;
}  // namespace

SerialCoordinateUpload::SerialCoordinateUpload(TransferContext ctx, ISerialPort& port, UploadJob job,
                                               std::optional<PortRequest> open)
    : SerialTransfer(ctx, port, std::move(open)), job_(std::move(job)) {}

std::optional<TransferResult> SerialCoordinateUpload::Handshake() {
  const int lang = ctx_.languageIndex;
  int k = 1;
  for (;; ++k) {
    const Reply reply = AskInstrument(ctx_, port_, "S0", kAnswerPauseMs, 4);
    if (reply == Reply::LinkLost) return IfLinkLost();
    if (reply == Reply::Ready) break;
    if (reply == Reply::Refused) return Failure(TransferTexts::CreateFileFailed(lang));
    if (k == kFirstRequestLimit) return Failure(TransferTexts::FirstRequestTimeout(lang));
    if (!ctx_.state.TransferRunning) return Done(TransferOutcome::Stopped);
  }
  for (;;) {
    ++k;
    const Reply reply = AskInstrument(ctx_, port_, "@%&!$\r\n", kAnswerPauseMs, 4);
    if (reply == Reply::LinkLost) return IfLinkLost();
    if (reply == Reply::Ready) return std::nullopt;
    if (reply == Reply::Refused) return Failure(TransferTexts::CreateFileFailed(lang));
    if (k >= kSecondRequestLimit) return Failure(TransferTexts::SecondRequestTimeout(lang));
    if (!ctx_.state.TransferRunning) return Done(TransferOutcome::Stopped);
  }
}

TransferResult SerialCoordinateUpload::Exchange() {
  TransferState& state = ctx_.state;
  BeginSerialUpload(ctx_, port_);
  TextLineReader in;
  if (auto ended = OpenUploadFile(job_.path, in)) return *ended;
  if (auto ended = Handshake()) return *ended;

  XoffPacing pacing(port_, ctx_.clock, state.TransferRunning, 0, kPollLimit);
  // The coordinate order is read once for the whole file.
  const bool enz = UploadOrderIsEnz(ctx_.settings);
  unsigned sent = 0;
  std::string piece;
  while (in.ReadPiece(piece, kLineBuffer)) {
    if (!state.TransferRunning) return Done(TransferOutcome::Stopped);
    const std::string_view line = TextUpToZero(piece.data(), piece.size());
    if (line.size() > 2) {
      ++state.SentLineCount;
      ctx_.clock.SleepMs(kRecordPauseMs);
      // An XOFF that came during the pause holds this record back until XON.
      if (auto ended = AfterPacing(pacing.AfterPiece(), ctx_, port_)) return *ended;
      UploadLineResult r = ConvertUploadLine(line, job_.type, enz);
      if (!r.message.empty()) ctx_.events.ShowMessage(r.message, MessageIcon::None);
      // A 76-byte record for layouts 0..6; for any other layout the cleaned line's
      // own bytes and nothing more. Write returns once the record has left the PC.
      if (!r.record.empty()) port_.Write(r.record.data(), static_cast<int>(r.record.size()));
      if (auto lost = IfLinkLost()) return *lost;
      state.LastSentLine = std::move(r.record);
      ++sent;
      ctx_.events.RecordSent();
    }
    if (auto ended = AfterPacing(pacing.AfterPiece(), ctx_, port_)) return *ended;
  }
  return FinishSerialUploadFile(ctx_, port_, kEndPauseMs, sent);
}

}  // namespace corvane
