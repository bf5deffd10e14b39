#pragma once
// The output file of an export: created first (the command ends with its message
// when that fails), filled in memory, stored in text mode (CR LF) as it grows and
// put in place at the end through the durable writer.
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/compute/command_result.h"
#include "core/text/text_file.h"

namespace corvane {

class OutputFile final {
 public:
  // False when the file cannot be created; Failure() then tells why.
  bool Create(const std::string& path);
  // The text to store; "\n" becomes CR LF on disk.
  std::string& Text() { return text_; }
  // Moves the text gathered so far into the file once there is a good amount of
  // it, so a long export never holds its whole output in memory.
  void Spill() {
    if (text_.size() >= kSpillBytes) Store();
  }
  // Stores the text and puts the file in place. False when writing failed; the
  // file that was there stays as it was.
  bool Finish();
  // Finishes several files of one command as one: all of them take their
  // places, or none does. `also` are other finished files of the same command.
  // False when any failed; Failed() tells which.
  static bool FinishTogether(std::initializer_list<OutputFile*> files,
                             std::initializer_list<DurableFile*> also = {});
  bool Failed() const { return writer_.File().Failed(); }
  // The command's failure with the given message and this file's path and reason.
  CommandResult Failure(const char* message) const;
  const std::string& Path() const { return path_; }
  const DurableFile& File() const { return writer_.File(); }
  // Both would replace the same file.
  bool SameTarget(const OutputFile& other) const { return writer_.File().SameTarget(other.writer_.File()); }

 private:
  static constexpr size_t kSpillBytes = 1 << 20;
  void Store();
  TextFileWriter writer_;
  std::string path_;
  std::string text_;
  std::string reason_;
};

}  // namespace corvane
