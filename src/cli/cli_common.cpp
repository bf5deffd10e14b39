#include "cli_common.h"

#include <cstdio>
#include <iostream>

#include "core/file_texts.h"
#include "core/grid/grid_layout.h"
#include "core/grid/grid_loading.h"
#include "core/grid/grid_saving.h"
#include "core/settings/captions.h"
#include "core/text/numbers.h"
#include "core/text/text_file.h"

namespace corvane::cli {

CliArgs::CliArgs(const std::vector<std::string>& words, const std::set<std::string>& flags) {
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    if (w.size() > 1 && w[0] == '-' && w != "-") {
      if (flags.count(w)) {
        flagsSeen_.insert(w);
        continue;
      }
      std::string name = w;
      std::string value;
      if (size_t eq = w.find('='); w.rfind("--", 0) == 0 && eq != std::string::npos) {
        name = w.substr(0, eq);
        value = w.substr(eq + 1);
      } else {
        if (i + 1 >= words.size()) throw UsageError("option " + w + " needs a value");
        value = words[++i];
      }
      options_[name] = value;
      allOptions_[name].push_back(value);
    } else {
      positional_.push_back(w);
    }
  }
}

const std::string& CliArgs::Positional(size_t i, const char* what) const {
  if (i >= positional_.size()) throw UsageError(std::string("missing ") + what);
  return positional_[i];
}

std::optional<std::string> CliArgs::Option(const std::string& name) const {
  asked_.insert(name);
  auto it = options_.find(name);
  if (it == options_.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> CliArgs::AllOptions(const std::string& name) const {
  asked_.insert(name);
  auto it = allOptions_.find(name);
  return it == allOptions_.end() ? std::vector<std::string>{} : it->second;
}

std::optional<int> CliArgs::IntOption(const std::string& name) const {
  auto v = Option(name);
  if (!v) return std::nullopt;
  size_t used = 0;
  int value = 0;
  try {
    value = std::stoi(*v, &used);
  } catch (...) {
    used = 0;
  }
  if (used == 0 || used != v->size()) throw UsageError("option " + name + " takes a whole number, not '" + *v + "'");
  return value;
}

bool CliArgs::Flag(const std::string& name) const {
  asked_.insert(name);
  return flagsSeen_.count(name) > 0;
}

void CliArgs::ExpectNoMore(size_t positionals) const {
  if (positional_.size() > positionals) throw UsageError("unexpected argument '" + positional_[positionals] + "'");
  for (const auto& [name, value] : options_)
    if (!asked_.count(name)) throw UsageError("unknown option " + name);
  for (const auto& name : flagsSeen_)
    if (!asked_.count(name)) throw UsageError("unknown option " + name);
}

namespace {
std::vector<CommandInfo>& Table() {
  static std::vector<CommandInfo> table;
  return table;
}
}  // namespace

bool RegisterCommand(CommandInfo info) {
  Table().push_back(std::move(info));
  return true;
}

const std::vector<CommandInfo>& Commands() {
  return Table();
}

int Fail(const std::string& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", message.c_str());
  return kExitFailed;
}

int Fail(const CommandResult& result) {
  return Fail(result.detail.empty() ? result.message : result.message + "\n" + result.detail);
}

void Warn(const std::string& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", message.c_str());
}

bool WriteOutput(const std::optional<std::string>& path, const std::string& bytes, std::string* reason) {
  if (!path || path->empty() || *path == "-") {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
      if (reason) *reason = "cannot write to standard output";
      return false;
    }
    return true;
  }
  TextFileWriter w;
  if (!w.Open(*path, reason)) return false;
  w.WriteRaw(bytes);
  return w.Commit(reason);
}

std::string DumpGrid(const RecordGrid& grid) {
  std::string out = "rows\t" + FormatInt(grid.RowCount()) + "\n";
  for (int r = 0; r < grid.RowCount(); ++r) {
    out += FormatInt(r);
    for (int c = 0; c < RecordGrid::kCols; ++c) {
      out.push_back('\t');
      for (char ch : grid.Cell(r, c)) {
        switch (ch) {
          case '\\':
            out += "\\\\";
            break;
          case '\t':
            out += "\\t";
            break;
          case '\r':
            out += "\\r";
            break;
          case '\n':
            out += "\\n";
            break;
          default:
            out.push_back(ch);
        }
      }
    }
    out.push_back('\n');
  }
  return out;
}

int EmitGrid(const RecordGrid& grid, const CliArgs& args) {
  const bool dump = args.Flag("--dump");
  const auto out = args.Option("-o");
  std::string reason;
  if (dump) {
    if (!WriteOutput(out, DumpGrid(grid), &reason)) return Fail(OpenFileFailure(out.value_or("-"), reason));
    return kExitOk;
  }
  if (!out || *out == "-") {
    std::string text;
    for (char c : GridSaveText(grid)) {
      if (c == '\n')
        text += "\r\n";
      else
        text.push_back(c);
    }
    if (!WriteOutput(out, text, &reason)) return Fail(OpenFileFailure(out.value_or("-"), reason));
    return kExitOk;
  }
  const CommandResult saved = SaveGridToFile(grid, *out);
  return saved.Done() ? kExitOk : Fail(saved);
}

ColumnCaptions CurrentColumnCaptions(const CliEnv& env) {
  return ReadColumnCaptions(CaptionReader::ForLanguage(ReadLanguageIndex(env.settings)), env.settings);
}

bool LoadJob(RecordGrid& grid, const std::string& path, const CliArgs& args, CliEnv& env) {
  const auto as = args.Option("--as");
  const ColumnCaptions captions = CurrentColumnCaptions(env);
  if (as && *as == "download") {
    std::string bytes, reason;
    if (!ReadFileBytes(path, bytes, &reason)) {
      Fail(OpenFileFailure(path, reason));
      return false;
    }
    ClearGrid(grid, captions);
    LoadBufferIntoGrid(grid, bytes);
    return true;
  }
  if (as && *as != "open") throw UsageError("--as takes 'open' or 'download'");
  const CommandResult opened = OpenJobFile(grid, path, captions);
  if (!opened.Done()) Fail(opened);
  return opened.Done();
}

}  // namespace corvane::cli
