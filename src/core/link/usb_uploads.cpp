#include "core/link/usb_uploads.h"

#include "core/grid/upload_record.h"
#include "core/link/transfer_texts.h"
#include "core/link/upload_progress.h"
#include "core/text/text_file.h"

namespace corvane {
namespace {

constexpr int kReplyPauseMs = 50;
constexpr int kFirstReplyReads = 5;
constexpr int kAllReplyReads = 10;
constexpr int kRecordBlock = 76;
constexpr int kRecordBytes = 74;
constexpr int kCodeBlock = 16;
constexpr size_t kLineBuffer = 100;

std::string WithoutLineEnds(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return std::string(text);
}

std::optional<TransferResult> OpenFile(const std::string& path, TextLineReader& in) {
  std::string reason;
  if (in.Open(path, &reason)) return std::nullopt;
  return Failure(TransferTexts::OpenFileFailed(), MessageIcon::None, path + ": " + reason);
}

}  // namespace

UsbCoordinateUpload::UsbCoordinateUpload(TransferContext ctx, std::unique_ptr<IUsbLink> usb, UploadJob job)
    : UsbTransfer(ctx, std::move(usb)), job_(std::move(job)) {}

std::optional<TransferResult> UsbCoordinateUpload::Handshake() {
  static const unsigned char kRequest[3] = {'S', '0', 0};
  if (!Write(1, kRequest, 3, 1000)) return FailureWithReason(TransferTexts::kUsbTurnOnUpload);
  // The two replies share one count of reads.
  int reads = 0;
  auto readReply = [&](unsigned char* reply, int size) {
    ctx_.clock.SleepMs(kReplyPauseMs);
    ++reads;
    return Read(0, reply, size, 500);
  };
  unsigned char first[3] = {};
  int got = readReply(first, 3);
  while (got <= 0 && reads < kFirstReplyReads) got = readReply(first, 3);
  if (got <= 0) return FailureWithReason(TransferTexts::kUsbNoFirstReply);
  if (first[0] == '0') return Failure(TransferTexts::kUsbAskRefused);

  static const unsigned char kFileName[16] = {'#', '@', '*', '&', '\r', '\n'};
  if (!Write(1, kFileName, 16, 500)) return FailureWithReason(TransferTexts::kUsbFileNameFailed);
  unsigned char second[4] = {};
  got = readReply(second, 4);
  while (got <= 0) {
    if (reads >= kAllReplyReads) return FailureWithReason(TransferTexts::kUsbNoSecondReply);
    got = readReply(second, 4);
  }
  if (second[0] == '0') return Failure(TransferTexts::kUsbCreateFileFailed);
  return std::nullopt;
}

TransferResult UsbCoordinateUpload::Exchange() {
  // What the button does before the worker starts.
  ctx_.events.SetStatusText(TransferTexts::Uploading());
  UploadProgress progress(ctx_, CountUploadPieces(job_.path, kLineBuffer, 2));
  if (auto ended = Handshake()) return progress.With(*ended);
  TextLineReader in;
  if (auto ended = OpenFile(job_.path, in)) return progress.With(*ended);
  // The coordinate order is read once for the whole file.
  const bool enz = UploadOrderIsEnz(ctx_.settings);
  std::string piece;
  while (in.ReadPiece(piece, kLineBuffer)) {
    if (!ctx_.token.Running()) return progress.With(StoppedResult());
    const std::string_view line = TextUpToZero(piece.data(), piece.size());
    if (line.size() <= 2) continue;
    progress.Next();
    UploadLineResult r = ConvertUploadLine(line, job_.type, enz);
    if (!r.message.empty()) ctx_.events.ShowMessage(r.message, MessageIcon::None);
    if (r.record.empty()) {
      progress.Skipped();
      continue;
    }
    // The record without its line end in a 76-byte block; the first 74 bytes go out.
    const std::string record = WithoutLineEnds(r.record).substr(0, kRecordBlock);
    // A record the instrument did not take must not end in "sent ok!".
    if (!WriteBlock(3, record, kRecordBytes, 850))
      return progress.With(FailureWithReason(TransferTexts::UsbWriteFailed(progress.SentLineCount())));
    progress.Sent(std::string(TextUpToZero(record.data(), record.size())), false);
  }
  ctx_.clock.SleepMs(50);
  // Asked to stop with the last record: no end block (as over RS-232).
  if (!ctx_.token.Running()) return progress.With(StoppedResult());
  // Without the end block the instrument has not closed its file: no done text.
  if (!WriteBlock(3, "\x04", kRecordBytes, 850))
    return progress.With(FailureWithReason(TransferTexts::kUsbCoordinateEndFailed));
  TransferResult done = progress.With(Completed());
  done.output.status = TransferTexts::UsbCoordinatesSent();
  return done;
}

UsbCodeUpload::UsbCodeUpload(TransferContext ctx, std::unique_ptr<IUsbLink> usb) : UsbTransfer(ctx, std::move(usb)) {}

TransferResult UsbCodeUpload::Exchange() {
  static const unsigned char kRequest[3] = {'S', '1', 0};
  if (!Write(1, kRequest, 3, 1000)) return FailureWithReason(TransferTexts::kUsbTurnOnUpload);
  ctx_.clock.SleepMs(1000);
  unsigned char reply[3] = {};
  if (Read(0, reply, 3, 1000) <= 0) return FailureWithReason(TransferTexts::kUsbCodeNoReply);
  // "0" is the instrument's refusal, as in the other uploads: nothing is sent.
  if (reply[0] == '0') return Failure(TransferTexts::kUsbAskRefused);

  const std::string path = ctx_.events.ChooseCodeFile();
  if (path.empty()) return StoppedResult();
  UploadProgress progress(ctx_, CountUploadPieces(path, kCodeBlock, 0));
  TextLineReader in;
  if (auto ended = OpenFile(path, in)) return progress.With(*ended);
  std::string piece;
  while (in.ReadPiece(piece, kCodeBlock)) {
    if (!ctx_.token.Running()) return progress.With(StoppedResult());
    // The grid shows the code itself; the block carries it with CR LF (a 15-character
    // code keeps only the CR).
    std::string code = WithoutLineEnds(TextUpToZero(piece.data(), piece.size()));
    progress.Next();
    if (!WriteBlock(1, code + "\r\n", kCodeBlock, 850))
      return progress.With(FailureWithReason(TransferTexts::UsbWriteFailed(progress.SentLineCount())));
    progress.Sent(std::move(code), true);
  }
  ctx_.clock.SleepMs(300);
  if (!ctx_.token.Running()) return progress.With(StoppedResult());
  if (!WriteBlock(1, "\x04", kCodeBlock, 850)) return progress.With(FailureWithReason(TransferTexts::kUsbCodeEndFailed));
  TransferResult done = progress.With(Completed());
  done.output.status = TransferTexts::UsbCodesSent();
  return done;
}

}  // namespace corvane
