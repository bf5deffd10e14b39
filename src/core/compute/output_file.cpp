#include "core/compute/output_file.h"

namespace corvane {

bool OutputFile::Create(const std::string& path) {
  path_ = path;
  text_.clear();
  reason_.clear();
  if (path.empty()) {
    reason_ = "no file name";
    return false;
  }
  return writer_.Open(path, &reason_);
}

void OutputFile::Store() {
  // Text mode: every "\n" becomes CR LF.
  converted_.clear();
  size_t start = 0;
  for (size_t nl; (nl = text_.find('\n', start)) != std::string::npos; start = nl + 1) {
    converted_.append(text_, start, nl - start);
    converted_ += "\r\n";
  }
  converted_.append(text_, start, std::string::npos);
  writer_.WriteRaw(converted_);
  text_.clear();
}

bool OutputFile::Finish() {
  Store();
  return writer_.Commit(&reason_);
}

CommandResult OutputFile::Failure(const char* message) const {
  return CommandResult::Failure(message, path_ + ": " + reason_);
}

}  // namespace corvane
