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

bool OutputFile::Finish() {
  writer_.Write(text_);
  return writer_.Commit(&reason_);
}

CommandResult OutputFile::Failure(const char* message) const {
  return CommandResult::Failure(message, path_ + ": " + reason_);
}

}  // namespace corvane
