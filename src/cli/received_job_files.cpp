#include "received_job_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "core/file_texts.h"
#include "core/grid/grid_loading.h"
#include "core/grid/grid_saving.h"

namespace corvane::cli {
namespace {

constexpr char kCreatFileFailed[] = "Creat file failed!";

bool ToStandardOutput(const std::optional<std::string>& path) { return !path || path->empty() || *path == "-"; }

bool MakeFolders(const std::string& folder, std::string* reason) {
  for (size_t at = 1; at <= folder.size(); ++at) {
    if (at < folder.size() && folder[at] != '/') continue;
    const std::string part = folder.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      if (reason) *reason = part + ": " + SystemErrorText(errno);
      return false;
    }
  }
  return true;
}

}  // namespace

std::string RecoveryFolder() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') return std::string(state) + "/corvane480";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/state/corvane480";
}

std::string KeepInRecoveryFile(const std::string& received, std::string* reason) {
  const std::string folder = RecoveryFolder();
  if (!MakeFolders(folder, reason)) return {};
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string path = folder + "/download-" + stamp + ".txt";
  struct stat st {};
  for (int n = 2; ::lstat(path.c_str(), &st) == 0; ++n)
    path = folder + "/download-" + stamp + "-" + std::to_string(n) + ".txt";
  std::string why;
  if (!WriteFileDurably(path, received, &why)) {
    if (reason) *reason = path + ": " + why;
    return {};
  }
  return path;
}

bool ReceivedJobFiles::Prepare(const CliArgs& args) {
  out_ = args.Option("-o");
  gridOut_ = args.Option("--grid-out");
  std::string reason;
  if (!ToStandardOutput(out_) && !outFile_.Open(*out_, &reason)) {
    Fail(std::string(kCreatFileFailed) + "\n" + *out_ + ": " + reason);
    return false;
  }
  if (gridOut_ && !gridFile_.Open(*gridOut_, &reason)) {
    Fail(OpenFileFailure(*gridOut_, reason));
    return false;
  }
  if (outFile_.IsOpen() && gridFile_.IsOpen() && outFile_.File().SameTarget(gridFile_.File())) {
    Fail(OpenFileFailure(*gridOut_, "the grid would replace the received text"));
    return false;
  }
  return true;
}

bool ReceivedJobFiles::Keep(const std::string& received, CliEnv& env) {
  if (received.empty()) return true;  // nothing received, nothing written
  std::string message;
  if (ToStandardOutput(out_)) {
    std::string reason;
    if (!WriteOutput(std::nullopt, received, &reason)) message = std::string(kCreatFileFailed) + "\n-: " + reason;
  } else {
    outFile_.WriteRaw(received);
  }
  if (gridOut_) {
    RecordGrid grid;
    ClearGrid(grid, CurrentColumnCaptions(env));
    LoadBufferIntoGrid(grid, received);
    WriteGridText(grid, gridFile_);
  }
  DurableFile* files[2];
  size_t count = 0;
  if (outFile_.IsOpen()) files[count++] = &outFile_.File();
  if (gridFile_.IsOpen()) files[count++] = &gridFile_.File();
  if (message.empty() && !CommitAll(std::span<DurableFile* const>(files, count))) {
    if (outFile_.File().Failed())
      message = std::string(kCreatFileFailed) + "\n" + *out_ + ": " + outFile_.File().Reason();
    else
      message = std::string(kOpenFileFailed) + "\n" + *gridOut_ + ": " + gridFile_.File().Reason();
  }
  if (message.empty()) return true;
  std::string reason;
  const std::string kept = KeepInRecoveryFile(received, &reason);
  Fail(message + "\n" + (kept.empty() ? "The received job could not be kept either: " + reason
                                      : "The received job is kept in " + kept));
  return false;
}

}  // namespace corvane::cli
