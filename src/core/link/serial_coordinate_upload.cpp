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

SerialCoordinateUpload::SerialCoordinateUpload(TransferContext ctx, ISerialPort& port) : ctx_(ctx), port_(port) {}

std::optional<TransferResult> SerialCoordinateUpload::Handshake() {
  const int lang = ctx_.languageIndex;
  auto refused = [&] {
    // The port stays open; the next transfer closes and reopens it.
    ctx_.events.ShowMessage(TransferTexts::CreateFileFailed(lang), MessageIcon::None);
    return Done(TransferOutcome::Failed);
  };
  int k = 1;
  for (;; ++k) {
    const Reply reply = AskInstrument(ctx_, port_, "S0", kAnswerPauseMs, 4);
    if (reply == Reply::LinkLost && EndIfLinkLost(ctx_, port_)) return Done(TransferOutcome::Failed);
    if (reply == Reply::Ready) break;
    if (reply == Reply::Refused) return refused();
    if (k == kFirstRequestLimit) {
      ctx_.events.ShowMessage(TransferTexts::FirstRequestTimeout(lang), MessageIcon::None);
      port_.Close();
      return Done(TransferOutcome::Failed);
    }
    if (!ctx_.state.TransferRunning) return Done(TransferOutcome::Stopped);
  }
  for (;;) {
    ++k;
    const Reply reply = AskInstrument(ctx_, port_, "@%&!$\r\n", kAnswerPauseMs, 4);
    if (reply == Reply::LinkLost && EndIfLinkLost(ctx_, port_)) return Done(TransferOutcome::Failed);
    if (reply == Reply::Ready) return std::nullopt;
    if (reply == Reply::Refused) return refused();
    if (k >= kSecondRequestLimit) {
      ctx_.events.ShowMessage(TransferTexts::SecondRequestTimeout(lang), MessageIcon::None);
      return Done(TransferOutcome::Failed);
    }
    if (!ctx_.state.TransferRunning) return Done(TransferOutcome::Stopped);
  }
}

TransferResult SerialCoordinateUpload::Run() {
  TransferState& state = ctx_.state;
  BeginSerialUpload(ctx_, port_);
  TextLineReader in;
  if (auto ended = OpenUploadFile(ctx_, port_, in)) return *ended;
  const int type = ReadUploadType(ctx_.settings);
  if (auto ended = Handshake()) return *ended;

  XoffPacing pacing(port_, ctx_.clock, state.TransferRunning, 0, kPollLimit);
  std::string piece;
  while (in.ReadPiece(piece, kLineBuffer)) {
    if (!state.TransferRunning) return Done(TransferOutcome::Stopped);
    const std::string_view line = TextUpToZero(piece.data(), piece.size());
    if (line.size() > 2) {
      ++state.SentLineCount;
      ctx_.clock.SleepMs(kRecordPauseMs);
      UploadLineResult r = ConvertUploadLine(line, type, ctx_.settings);
      if (!r.message.empty()) ctx_.events.ShowMessage(r.message, MessageIcon::None);
      // A 76-byte record for layouts 0..6; for any other layout the cleaned line's
      // own bytes and nothing more.
      if (!r.record.empty()) port_.Write(r.record.data(), static_cast<int>(r.record.size()));
      if (EndIfLinkLost(ctx_, port_)) return Done(TransferOutcome::Failed);
      state.LastSentLine = std::move(r.record);
      ctx_.events.RecordSent();
    }
    if (auto ended = AfterPacing(pacing.AfterPiece(), ctx_, port_, in)) return *ended;
  }
  return FinishSerialUploadFile(ctx_, port_, in, kEndPauseMs);
}

}  // namespace corvane
