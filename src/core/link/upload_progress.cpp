#include "core/link/upload_progress.h"

namespace corvane {

void UploadProgress::Report() {
  TransferProgress p;
  p.sent = done_;
  p.total = total_;
  ctx_.token.Report(p);
  ctx_.events.Progress(p);
}

void UploadProgress::Sent(std::string LastSentLine, bool code) {
  ++done_;
  ctx_.events.RecordSent(SentRecord{SentLineCount_, std::move(LastSentLine), code});
  Report();
}

void UploadProgress::Skipped() {
  ++done_;
  Report();
}

TransferResult UploadProgress::With(TransferResult result) const {
  result.output.sent = done_;
  result.output.total = total_;
  return result;
}

}  // namespace corvane
