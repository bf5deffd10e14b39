#pragma once
// What a transfer worker tells the front ends, as values. The desktop program turns
// each call into a queued call on its window thread (RecordSent, messages and the
// code-file choice into blocking ones: the worker waits until the window has
// handled them); the command-line program prints.
#include <cstdint>
#include <string>

#include "core/command_result.h"

namespace corvane {

// How far a transfer has come: a download's lines (CR LF pairs) and bytes, an
// upload's records (or codes) sent of the file's total.
struct TransferProgress {
  uint64_t lines = 0;
  uint64_t bytes = 0;
  unsigned sent = 0;
  unsigned total = 0;
};

// What a transfer leaves behind besides how it ended.
struct TransferOutput {
  // A download's text as received (end marker included), and whether it goes into
  // the grid: a finished download does, and so does one cut short with data kept.
  std::string received;
  bool handOver = false;
  // Where an upload got to: the number of the last record (or code) sent, and the
  // file's total.
  unsigned sent = 0;
  unsigned total = 0;
  // A download's lines (CR LF pairs) received.
  uint64_t lines = 0;
  // The status box text at the end; empty when the transfer has none of its own.
  std::string status;
};

// How a transfer ended (done, stopped as Cancelled, failed with the tool's message
// and a line beneath it) and what it leaves.
struct TransferResult : CommandResult {
  TransferOutput output;

  bool Completed() const { return status == CommandStatus::Done; }
  bool Stopped() const { return status == CommandStatus::Cancelled; }
  bool Failed() const { return status == CommandStatus::Failed; }
};

// The record (or code) just sent: row SentLineCount of the grid shows LastSentLine.
struct SentRecord {
  uint16_t SentLineCount = 0;
  std::string LastSentLine;
  bool code = false;
};

class ITransferEvents {
 public:
  virtual ~ITransferEvents() = default;
  // The last call of every transfer, made by the worker once the engine has closed
  // its link: how it ended and what it leaves. The front ends react to this alone.
  virtual void TransferEnded(const TransferResult& result) = 0;
  // A record or code has gone out. The worker waits until the call returns.
  virtual void RecordSent(const SentRecord& record) = 0;
  // Lines and bytes received, records sent of the total.
  virtual void Progress(const TransferProgress& progress) { (void)progress; }
  // A message box with an OK button, for what the transfer tells and goes on from.
  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
  // The transfer page's status box.
  virtual void SetStatusText(const std::string& text) = 0;
  // The file-open dialog of the USB code upload; empty when the user cancels.
  virtual std::string ChooseCodeFile() = 0;
};

}  // namespace corvane
