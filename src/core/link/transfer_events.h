#pragma once
// What a transfer worker tells the pages. The desktop program turns each call into
// a queued call on its window thread (the "Sent" calls into blocking ones: the
// worker waits until the data page has shown the line); the command-line program
// prints.
#include <string>

#include "core/message_icon.h"

namespace corvane {


class ITransferEvents {
 public:
  virtual ~ITransferEvents() = default;
  // The serial download saw its end marker (or ended with data kept): the transfer
  // page closes the port, stops its timer and hands the buffer to the data page.
  virtual void DownloadEnded() = 0;
  // A serial upload sent its whole file: the page closes the port and shows the
  // done text (see FinishSerialUpload).
  virtual void UploadDone() = 0;
  // ReceiveBuffer holds a finished download: the data page loads it into the grid.
  virtual void BufferComplete() = 0;
  // Row SentLineCount of the grid shows LastSentLine: a coordinate record, or a code.
  // The worker waits until the call returns.
  virtual void RecordSent() = 0;
  virtual void CodeSent() = 0;
  // A message box with an OK button.
  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
  // The transfer page's status box.
  virtual void SetStatusText(const std::string& text) = 0;
  // Stops the transfer page's progress timer.
  virtual void KillTimer() = 0;
  // The file-open dialog of the USB code upload; empty when the user cancels.
  virtual std::string ChooseCodeFile() = 0;
};

}  // namespace corvane
