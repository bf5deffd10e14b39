#pragma once
// What a transfer worker tells the pages. The desktop program turns each call into
// a queued call on its window thread (the "Sent" calls into blocking ones: the
// worker waits until the data page has shown the line); the command-line program
// prints.
#include <string>

#include "core/message_icon.h"

namespace corvane {

enum class TransferOutcome {
  Completed,  // the instrument has everything / the end marker arrived
  Failed,     // ended with a message
  Stopped,    // TransferRunning was cleared (another transfer, Ctrl-C, the window closed)
};

// How a transfer ended, and what it leaves behind. Carried by the one event that
// ends every transfer.
struct TransferResult {
  TransferOutcome outcome = TransferOutcome::Failed;
  // The tool's message to show (GBK), with its icon; empty for none.
  std::string message;
  MessageIcon icon = MessageIcon::None;
  // A line beneath the message: a file or device and the system's reason.
  std::string detail;
  // A download's text as received (end marker included), and whether it goes into
  // the grid: a finished download does, and so does one cut short with data kept.
  std::string received;
  bool handOver = false;
  // Records or codes an upload sent.
  unsigned sent = 0;
  // The status box text at the end; empty keeps what the box shows.
  std::string status;
};

class ITransferEvents {
 public:
  virtual ~ITransferEvents() = default;
  // The last call of every transfer, made by the worker once the engine has closed
  // its link: the outcome and what the transfer leaves (received text, count sent,
  // the message to show). The front ends react to this alone.
  virtual void TransferEnded(const TransferResult& result) = 0;
  // Row SentLineCount of the grid shows LastSentLine: a coordinate record, or a code.
  // The worker waits until the call returns.
  virtual void RecordSent() = 0;
  virtual void CodeSent() = 0;
  // A message box with an OK button, for what the transfer tells and goes on from.
  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
  // The transfer page's status box.
  virtual void SetStatusText(const std::string& text) = 0;
  // The file-open dialog of the USB code upload; empty when the user cancels.
  virtual std::string ChooseCodeFile() = 0;
};

}  // namespace corvane
