#include "core/link/usb_uploads.h"

#include <algorithm>

#include "core/grid/upload_record.h"
#include "core/link/transfer_texts.h"
#include "core/text/text_file.h"

namespace corvane {
namespace {

constexpr int kReplyPauseMs = 50;
constexpr int kFirstReplyReads = 5;
constexpr int kAllReplyReads = 10;
constexpr int kRecordBlock = 76;
constexpr int kRecordBytes = 74;
constexpr int kCodeBlock = 16;

// The text in a zero-filled block of `size` bytes, written on the channel. False
// when the instrument did not take the whole block.
bool WriteBlock(IUsbLink& usb, int channel, std::string_view text, int size) {
  std::string block(static_cast<size_t>(size), '\0');
  text.copy(block.data(), std::min(text.size(), block.size()));
  return usb.WriteData(channel, reinterpret_cast<const unsigned char*>(block.data()), size, 850) == size;
}

// After the last line: a pause, the end block (0x04 and zeros), then the done text.
// Without the end block the instrument has not closed its file, so no done text.
TransferResult FinishUsbUpload(TransferContext& ctx, IUsbLink& usb, int pauseMs, int channel, int size,
                               const char* failed, const std::string& doneText, unsigned sent) {
  ctx.clock.SleepMs(pauseMs);
  if (!WriteBlock(usb, channel, "\x04", size)) return Failure(failed);
  TransferResult done = Done(TransferOutcome::Completed);
  done.sent = sent;
  done.status = doneText;
  return done;
}

std::string WithoutLineEnds(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return std::string(text);
}

}  // namespace

UsbCoordinateUpload::UsbCoordinateUpload(TransferContext ctx, IUsbLink& usb, UploadJob job)
    : ctx_(ctx), usb_(usb), job_(std::move(job)) {}

TransferResult UsbCoordinateUpload::Run() {
  TransferResult result = Exchange();
  usb_.EndTransfer();
  return result;
}

TransferResult UsbCoordinateUpload::Exchange() {
  TransferState& state = ctx_.state;
  ITransferEvents& events = ctx_.events;
  // What the button does before the worker starts.
  state.SentLineCount = 0;
  events.SetStatusText(TransferTexts::Uploading());

  static const unsigned char kRequest[3] = {'S', '0', 0};
  if (usb_.WriteData(1, kRequest, 3, 1000) != 3) return Failure(TransferTexts::kUsbTurnOnUpload, MessageIcon::None, usb_.LastError());
  // The two replies share one count of reads.
  int reads = 0;
  auto readReply = [&](unsigned char* reply, int size) {
    ctx_.clock.SleepMs(kReplyPauseMs);
    ++reads;
    return usb_.ReadData(0, reply, size, 500);
  };
  unsigned char first[3] = {};
  int got = readReply(first, 3);
  while (got <= 0 && reads < kFirstReplyReads) got = readReply(first, 3);
  if (got <= 0) return Failure(TransferTexts::kUsbNoFirstReply);
  if (first[0] == '0') return Failure(TransferTexts::kUsbAskRefused);

  static const unsigned char kFileName[16] = {'#', '@', '*', '&', '\r', '\n'};
  if (usb_.WriteData(1, kFileName, 16, 500) != 16) return Failure(TransferTexts::kUsbFileNameFailed);
  unsigned char second[4] = {};
  got = readReply(second, 4);
  while (got <= 0) {
    if (reads >= kAllReplyReads) return Failure(TransferTexts::kUsbNoSecondReply);
    got = readReply(second, 4);
  }
  if (second[0] == '0') return Failure(TransferTexts::kUsbCreateFileFailed);

  TextLineReader in;
  std::string reason;
  if (!in.Open(job_.path, &reason)) return Failure(TransferTexts::OpenFileFailed(), MessageIcon::None, job_.path + ": " + reason);
  // The coordinate order is read once for the whole file.
  const bool enz = UploadOrderIsEnz(ctx_.settings);
  unsigned sent = 0;
  std::string piece;
  while (in.ReadPiece(piece, 100)) {
    if (!state.TransferRunning) return Done(TransferOutcome::Stopped);
    const std::string_view line = TextUpToZero(piece.data(), piece.size());
    if (line.size() <= 2) continue;
    ++state.SentLineCount;
    UploadLineResult r = ConvertUploadLine(line, job_.type, enz);
    if (!r.message.empty()) events.ShowMessage(r.message, MessageIcon::None);
    if (r.record.empty()) continue;
    // The record without its line end in a 76-byte block; the first 74 bytes go out.
    const std::string record = WithoutLineEnds(r.record).substr(0, kRecordBlock);
    // A record the instrument did not take must not end in "sent ok!".
    if (!WriteBlock(usb_, 3, record, kRecordBytes)) return Failure(TransferTexts::UsbWriteFailed(state.SentLineCount));
    state.LastSentLine = std::string(TextUpToZero(record.data(), record.size()));
    ++sent;
    events.RecordSent();
  }
  return FinishUsbUpload(ctx_, usb_, 50, 3, kRecordBytes, TransferTexts::kUsbCoordinateEndFailed, TransferTexts::UsbCoordinatesSent(),
                         sent);
}

UsbCodeUpload::UsbCodeUpload(TransferContext ctx, IUsbLink& usb) : ctx_(ctx), usb_(usb) {}

TransferResult UsbCodeUpload::Run() {
  TransferResult result = Exchange();
  usb_.EndTransfer();
  return result;
}

TransferResult UsbCodeUpload::Exchange() {
  TransferState& state = ctx_.state;
  ITransferEvents& events = ctx_.events;
  state.SentLineCount = 0;
  static const unsigned char kRequest[3] = {'S', '1', 0};
  if (usb_.WriteData(1, kRequest, 3, 1000) != 3) return Failure(TransferTexts::kUsbTurnOnUpload, MessageIcon::None, usb_.LastError());
  ctx_.clock.SleepMs(1000);
  unsigned char reply[3] = {};
  if (usb_.ReadData(0, reply, 3, 1000) <= 0) return Failure(TransferTexts::kUsbCodeNoReply);

  const std::string path = events.ChooseCodeFile();
  if (path.empty()) return Done(TransferOutcome::Stopped);
  TextLineReader in;
  std::string reason;
  if (!in.Open(path, &reason)) return Failure(TransferTexts::OpenFileFailed(), MessageIcon::None, path + ": " + reason);
  unsigned sent = 0;
  std::string piece;
  while (in.ReadPiece(piece, kCodeBlock)) {
    if (!state.TransferRunning) return Done(TransferOutcome::Stopped);
    // The grid shows the code itself; the block carries it with CR LF (a 15-character
    // code keeps only the CR).
    state.LastSentLine = WithoutLineEnds(TextUpToZero(piece.data(), piece.size()));
    if (!WriteBlock(usb_, 1, state.LastSentLine + "\r\n", kCodeBlock))
      return Failure(TransferTexts::UsbWriteFailed(state.SentLineCount + 1u));
    ++state.SentLineCount;
    ++sent;
    events.CodeSent();
  }
  return FinishUsbUpload(ctx_, usb_, 300, 1, kCodeBlock, TransferTexts::kUsbCodeEndFailed, TransferTexts::UsbCodesSent(), sent);
}

}  // namespace corvane
