#include "core/link/usb_uploads.h"

#include <algorithm>
#include <cstring>

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

const char kTurnOn[] = "Turn on the Instrument and connect it to PC with USB line!";

TransferResult Fail(ITransferEvents& events, const std::string& message, std::string detail = {}) {
  events.ShowMessage(message, MessageIcon::None);
  return Done(TransferOutcome::Failed, std::move(detail));
}

std::string WithoutLineEnds(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return std::string(text);
}

}  // namespace

UsbCoordinateUpload::UsbCoordinateUpload(TransferContext ctx, IUsbLink& usb) : ctx_(ctx), usb_(usb) {}

TransferResult UsbCoordinateUpload::Run() {
  TransferState& state = ctx_.state;
  ITransferEvents& events = ctx_.events;
  // What the button does before the worker starts.
  state.SentLineCount = 0;
  events.SetStatusText(TransferTexts::Uploading());

  static const unsigned char kRequest[3] = {'S', '0', 0};
  if (usb_.WriteData(1, kRequest, 3, 1000) != 3) return Fail(events, kTurnOn);
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
  if (got <= 0) return Fail(events, "Connect failed1!");
  if (first[0] == '0') return Fail(events, "Ask for download failed!");

  static const unsigned char kFileName[16] = {'#', '@', '*', '&', '\r', '\n'};
  if (usb_.WriteData(1, kFileName, 16, 500) != 16) return Fail(events, "Send file name failed!");
  unsigned char second[4] = {};
  got = readReply(second, 4);
  while (got <= 0) {
    if (reads >= kAllReplyReads) return Fail(events, "Connect failed!");
    got = readReply(second, 4);
  }
  if (second[0] == '0') return Fail(events, "Creat file failed!");

  TextLineReader in;
  std::string reason;
  if (!in.Open(state.UploadFilePath, &reason))
    return Fail(events, TransferTexts::OpenFileFailed(), state.UploadFilePath + ": " + reason);
  const int type = ReadUploadType(ctx_.settings);
  std::string piece;
  while (in.ReadPiece(piece, 100)) {
    if (!state.TransferRunning) return Done(TransferOutcome::Stopped);
    const std::string_view line = TextUpToZero(piece.data(), piece.size());
    if (line.size() <= 2) continue;
    ++state.SentLineCount;
    UploadLineResult r = ConvertUploadLine(line, type, ctx_.settings);
    if (!r.message.empty()) events.ShowMessage(r.message, MessageIcon::None);
    if (r.record.empty()) continue;
    const std::string record = WithoutLineEnds(r.record);
    unsigned char block[kRecordBlock] = {};
    std::memcpy(block, record.data(), std::min<size_t>(record.size(), kRecordBlock));
    // A record the instrument did not take must not end in "sent ok!".
    if (usb_.WriteData(3, block, kRecordBytes, 850) != kRecordBytes)
      return Fail(events, TransferTexts::UsbWriteFailed(state.SentLineCount));
    state.LastSentLine = std::string(TextUpToZero(block, kRecordBlock));
    events.RecordSent();
  }
  ctx_.clock.SleepMs(50);
  unsigned char end[kRecordBytes] = {0x04};
  // Without the end block the instrument has not closed its file: no "sent ok!".
  if (usb_.WriteData(3, end, kRecordBytes, 850) != kRecordBytes) return Fail(events, "Write END failed!");
  in.Close();
  events.SetStatusText(TransferTexts::UsbCoordinatesSent());
  return Done(TransferOutcome::Completed);
}

UsbCodeUpload::UsbCodeUpload(TransferContext ctx, IUsbLink& usb) : ctx_(ctx), usb_(usb) {}

TransferResult UsbCodeUpload::Run() {
  TransferState& state = ctx_.state;
  ITransferEvents& events = ctx_.events;
  state.SentLineCount = 0;
  static const unsigned char kRequest[3] = {'S', '1', 0};
  if (usb_.WriteData(1, kRequest, 3, 1000) != 3) return Fail(events, kTurnOn);
  ctx_.clock.SleepMs(1000);
  unsigned char reply[3] = {};
  if (usb_.ReadData(0, reply, 3, 1000) <= 0) return Fail(events, "Connected failed!");

  const std::string path = events.ChooseCodeFile();
  if (path.empty()) return Done(TransferOutcome::Stopped);
  TextLineReader in;
  std::string reason;
  if (!in.Open(path, &reason)) return Fail(events, TransferTexts::OpenFileFailed(), path + ": " + reason);
  std::string piece;
  while (in.ReadPiece(piece, kCodeBlock)) {
    if (!state.TransferRunning) return Done(TransferOutcome::Stopped);
    // The grid shows the code itself; the block carries it with CR LF (a 15-character
    // code keeps only the CR).
    state.LastSentLine = WithoutLineEnds(TextUpToZero(piece.data(), piece.size()));
    const std::string line = state.LastSentLine + "\r\n";
    unsigned char block[kCodeBlock] = {};
    std::memcpy(block, line.data(), std::min<size_t>(line.size(), kCodeBlock));
    if (usb_.WriteData(1, block, kCodeBlock, 850) != kCodeBlock)
      return Fail(events, TransferTexts::UsbWriteFailed(state.SentLineCount + 1u));
    ++state.SentLineCount;
    events.CodeSent();
  }
  ctx_.clock.SleepMs(300);
  unsigned char end[kCodeBlock] = {0x04};
  if (usb_.WriteData(1, end, kCodeBlock, 850) != kCodeBlock) return Fail(events, "Write END failed");
  in.Close();
  events.SetStatusText(TransferTexts::UsbCodesSent());
  return Done(TransferOutcome::Completed);
}

}  // namespace corvane
