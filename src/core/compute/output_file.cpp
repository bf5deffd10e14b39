#include "core/compute/output_file.h"

#include <vector>

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
  writer_.Write(text_);  // text mode: every "\n" becomes CR LF
  text_.clear();
}

bool OutputFile::Finish() { return FinishTogether({this}); }

bool OutputFile::FinishTogether(std::initializer_list<OutputFile*> files, std::initializer_list<DurableFile*> also) {
  std::vector<DurableFile*> all;
  for (OutputFile* f : files) {
    f->Store();
    all.push_back(&f->writer_.File());
  }
  all.insert(all.end(), also.begin(), also.end());
  const bool ok = CommitAll(all);
  for (OutputFile* f : files)
    if (f->Failed()) f->reason_ = f->writer_.File().Reason();
  return ok;
}

CommandResult OutputFile::Failure(const char* message) const {
  return CommandResult::Failure(message, path_ + ": " + reason_);
}

}  // namespace corvane
