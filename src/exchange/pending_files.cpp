#include "exchange/pending_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "core/text/text_file.h"

namespace corvane::exchange {
namespace {

namespace fs = std::filesystem;

// The file a target names: through a symbolic link to the file it leads to.
std::string RealTarget(const std::string& target) {
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    const fs::path real = fs::weakly_canonical(target, ec);
    if (!ec) return real.string();
  }
  return target;
}

bool SyncPath(const std::string& path, int flags, std::string& reason) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) {
    reason = SystemErrorText(errno);
    return false;
  }
  const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  if (!ok) reason = SystemErrorText(errno);
  ::close(fd);
  return ok;
}

}  // namespace

std::string FolderOf(const std::string& path) {
  const fs::path parent = fs::path(path).parent_path();
  return parent.empty() ? "." : parent.string();
}

std::string WhyNotWritable(const std::string& target) {
  const std::string folder = FolderOf(RealTarget(target));
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) return folder + ": " + SystemErrorText(errno);
  if (!S_ISDIR(st.st_mode)) return folder + ": not a folder";
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return folder + ": " + SystemErrorText(errno);
  struct stat t {};
  if (::stat(target.c_str(), &t) == 0 && S_ISDIR(t.st_mode)) return target + ": a folder of that name is there";
  return {};
}

PendingFiles::~PendingFiles() {
  for (const std::string& name : reserved_) ::unlink(name.c_str());
}

std::string PendingFiles::TemporaryFor(const std::string& target, const std::string& extension) {
  static std::atomic<unsigned> counter{0};
  static thread_local std::mt19937 random{std::random_device{}()};
  const fs::path real(RealTarget(target));
  const std::string stem = real.filename().string();
  char tag[48];
  std::snprintf(tag, sizeof tag, ".%d.%u.%06x", static_cast<int>(::getpid()), counter++,
                static_cast<unsigned>(random() & 0xFFFFFF));
  const std::string name = (real.parent_path() / ("." + stem + tag + extension)).string();
  reserved_.push_back(name);
  return name;
}

void PendingFiles::Add(const std::string& temporary, const std::string& target) {
  entries_.push_back({temporary, RealTarget(target)});
}

void PendingFiles::RemoveAtPublish(const std::string& target) { stale_.push_back(RealTarget(target)); }

bool PendingFiles::Publish(std::string& error) {
  std::string reason;
  for (const Entry& e : entries_) {
    if (!SyncPath(e.temporary, O_RDONLY, reason)) {
      error = e.target + ": " + reason;
      return false;
    }
    // A file that was there keeps its permissions.
    struct stat st {};
    if (::stat(e.target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::chmod(e.temporary.c_str(), st.st_mode & 07777);
  }
  std::vector<std::string> folders;
  for (const Entry& e : entries_) {
    if (::rename(e.temporary.c_str(), e.target.c_str()) != 0) {
      error = e.target + ": " + SystemErrorText(errno);
      return false;
    }
    folders.push_back(FolderOf(e.target));
  }
  for (const std::string& stale : stale_) {
    bool replaced = false;
    for (const Entry& e : entries_) replaced = replaced || e.target == stale;
    if (!replaced && ::unlink(stale.c_str()) == 0) folders.push_back(FolderOf(stale));
  }
  for (const std::string& folder : folders) SyncPath(folder, O_RDONLY | O_DIRECTORY, reason);
  return true;
}

}  // namespace corvane::exchange
