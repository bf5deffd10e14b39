#include "core/link/serial_code_upload.h"

#include "core/link/serial_upload_steps.h"
#include "core/link/transfer_texts.h"
#include "core/text/text_helpers.h"

namespace corvane {
namespace {
constexpr int kRequestLimit = 80;
// The pacing polls share the request counter: when the request needed j attempts,
// the whole upload allows 50 - j polls, and at least one.
constexpr int kPollLimit = 50;
constexpr int kAnswerPauseMs = 1000;
constexpr int kCodePauseMs = 400;
constexpr int kEndPauseMs = 900;
constexpr size_t kCodeBuffer = 16;
constexpr long long kCodeWidth = 14;
}  // namespace

SerialCodeUpload::SerialCodeUpload(TransferContext ctx, ISerialPort& port, std::string path,
                                   std::optional<PortRequest> open)
    : SerialTransfer(ctx, port, std::move(open)), path_(std::move(path)) {}

std::optional<TransferResult> SerialCodeUpload::Request(int& requests) {
  for (requests = 1;; ++requests) {
    const Reply reply = AskInstrument(ctx_, port_, "S1", kAnswerPauseMs, 4);
    if (reply == Reply::LinkLost) return IfLinkLost();
    if (reply == Reply::Ready) return std::nullopt;
    if (requests == kRequestLimit) return Failure(TransferTexts::CodeRequestTimeout());
    if (!ctx_.state.TransferRunning) return Done(TransferOutcome::Stopped);
  }
}

TransferResult SerialCodeUpload::Exchange() {
  TransferState& state = ctx_.state;
  BeginSerialUpload(ctx_, port_);
  state.LastSentLine.clear();
  TextLineReader in;
  if (auto ended = OpenUploadFile(path_, in)) return *ended;
  int requests = 0;
  if (auto ended = Request(requests)) return *ended;

  XoffPacing pacing(port_, ctx_.clock, state.TransferRunning, requests, kPollLimit);
  unsigned sent = 0;
  std::string piece;
  while (in.ReadPiece(piece, kCodeBuffer)) {
    if (!state.TransferRunning) return Done(TransferOutcome::Stopped);
    const std::string_view text = TextUpToZero(piece.data(), piece.size());
    if (!text.empty()) {
      ctx_.clock.SleepMs(kCodePauseMs);
      // An XOFF that came during the pause holds this code back until XON.
      if (auto ended = AfterPacing(pacing.AfterPiece(), ctx_, port_)) return *ended;
      ++state.SentLineCount;
      state.LastSentLine = std::string(TrimRightChar(TrimRightChar(text, '\n'), '\r'));
      // A 15-character piece is longer than the field and goes out unpadded.
      const std::string line = PadLeft(state.LastSentLine, kCodeWidth) + "\r\n";
      port_.Write(line.data(), static_cast<int>(line.size()));
      if (auto lost = IfLinkLost()) return *lost;
      ++sent;
      ctx_.events.CodeSent();
    }
    if (auto ended = AfterPacing(pacing.AfterPiece(), ctx_, port_)) return *ended;
  }
  return FinishSerialUploadFile(ctx_, port_, kEndPauseMs, sent);
}

}  // namespace corvane
