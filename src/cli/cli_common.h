#pragma once
// Shared pieces of corvane480-cli: argument handling, the command table, output.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/command_result.h"
#include "core/grid/grid_layout.h"
#include "core/grid/record_grid.h"
#include "core/settings/settings_store.h"

namespace corvane::cli {

// Exit codes: 0 done, 1 ended with one of the tool's failure messages, 2 usage.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

class UsageError : public std::exception {
 public:
  explicit UsageError(std::string text) : text_(std::move(text)) {}
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

// The words after the command name: positionals, "--name value" options and flags.
class CliArgs final {
 public:
  // flags: option names that take no value ("--dump").
  CliArgs(const std::vector<std::string>& words, const std::set<std::string>& flags);
  // Throws UsageError when missing.
  const std::string& Positional(size_t i, const char* what) const;
  std::optional<std::string> Option(const std::string& name) const;
  // Every value an option was given, in order (Option gives the last).
  std::vector<std::string> AllOptions(const std::string& name) const;
  // Integer option; throws UsageError when not a number.
  std::optional<int> IntOption(const std::string& name) const;
  bool Flag(const std::string& name) const;
  // Throws UsageError for options the command did not look at, or extra positionals.
  void ExpectNoMore(size_t positionals) const;

 private:
  std::vector<std::string> positional_;
  std::map<std::string, std::string> options_;
  std::map<std::string, std::vector<std::string>> allOptions_;
  std::set<std::string> flagsSeen_;
  mutable std::set<std::string> asked_;
};

struct CliEnv {
  SettingsStore& settings;
  std::string settingsFolder;
};

using CommandFn = int (*)(const CliArgs& args, CliEnv& env);

struct CommandInfo {
  const char* name;
  const char* usage;    // e.g. "open FILE [-o OUT] [--dump]"
  const char* summary;  // one line
  std::set<std::string> flags;
  CommandFn run;
};

// Commands register themselves from their own source files.
bool RegisterCommand(CommandInfo info);
const std::vector<CommandInfo>& Commands();

// Prints a failure message of the tool on stderr and returns kExitFailed.
int Fail(const std::string& message);
// A command's failure: its message, then its detail on a line of its own.
int Fail(const CommandResult& result);
// Prints a message that the desktop program shows and then goes on from.
void Warn(const std::string& message);

// Writes bytes to the file (atomically) or to stdout when path is empty or "-".
bool WriteOutput(const std::optional<std::string>& path, const std::string& bytes, std::string* reason);

// The grid as text: "rows<TAB>N", then each row's index and 15 escaped cells.
std::string DumpGrid(const RecordGrid& grid);

// The column captions of a fresh grid in the stored caption language.
ColumnCaptions CurrentColumnCaptions(const CliEnv& env);

// Saves the grid as the Save button does, or dumps it with --dump, to -o or stdout.
int EmitGrid(const RecordGrid& grid, const CliArgs& args);

// Loads a job file into a fresh grid: as the Open button does, or as a received
// download with "--as download". Returns false with the failure already printed.
bool LoadJob(RecordGrid& grid, const std::string& path, const CliArgs& args, CliEnv& env);

}  // namespace corvane::cli
