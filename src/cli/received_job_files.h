#pragma once
// Where a download puts the job it receives: -o FILE (else standard output) as
// received, and --grid-out FILE as Save writes the grid loaded from it. Both
// places are checked before the transfer starts; at the end both files take
// their places together. When that still fails, the job is kept in a recovery
// file and the message names it: what the instrument sent is never lost.
#include <optional>
#include <string>

#include "cli_common.h"
#include "core/text/text_file.h"

namespace corvane::cli {

class ReceivedJobFiles final {
 public:
  // Checks that the files can be written where the options say. False with the
  // message printed.
  bool Prepare(const CliArgs& args);
  // Writes what arrived (nothing when nothing arrived). False with the message
  // printed.
  bool Keep(const std::string& received, CliEnv& env);

 private:
  std::optional<std::string> out_;
  std::optional<std::string> gridOut_;
  TextFileWriter outFile_;
  TextFileWriter gridFile_;
};

// $XDG_STATE_HOME/corvane480, else ~/.local/state/corvane480.
std::string RecoveryFolder();
// Writes the received text to a new file in the recovery folder; its path, or
// empty (with the reason) when that fails too.
std::string KeepInRecoveryFile(const std::string& received, std::string* reason);

}  // namespace corvane::cli
