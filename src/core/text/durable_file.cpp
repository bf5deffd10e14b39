#include "core/text/durable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/text/durable_file_calls.h"
#include "core/text/durable_target.h"

namespace corvane {
namespace {

// Bytes gathered before they go to the file.
constexpr size_t kBufferBytes = 1 << 20;
// The disk starts on what has been written every so many bytes, so the flush at
// the end waits only for the last part of a long file.
constexpr unsigned long long kWritebackBytes = 8ull << 20;

int SystemOpenat(int folder, const char* name, int flags, mode_t mode) { return ::openat(folder, name, flags, mode); }
ssize_t SystemWrite(int fd, const void* data, size_t size) { return ::write(fd, data, size); }
int SystemFsync(int fd) { return ::fsync(fd); }
int SystemClose(int fd) { return ::close(fd); }
int SystemLinkat(int a, const char* from, int b, const char* to, int flags) { return ::linkat(a, from, b, to, flags); }
int SystemRenameat(int a, const char* from, int b, const char* to) { return ::renameat(a, from, b, to); }
int SystemFchown(int fd, uid_t owner, gid_t group) { return ::fchown(fd, owner, group); }
int SystemFchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }

const DurableFileCalls kSystemCalls{&SystemOpenat,   &SystemWrite,  &SystemFsync,  &SystemClose,
                                    &SystemLinkat,   &SystemRenameat, &SystemFchown, &SystemFchmod};

// An unnamed file can be given a name only through /proc.
bool CanNameUnnamedFiles() {
  static const bool can = ::access("/proc/self/fd", X_OK) == 0;
  return can;
}

std::string ProcFdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace

DurableFileCalls& DurableCalls() {
  static DurableFileCalls calls = kSystemCalls;
  return calls;
}

const DurableFileCalls& SystemDurableCalls() { return kSystemCalls; }

DurableFile::~DurableFile() { Discard(); }

bool DurableFile::Fail(int err, const char* what) {
  if (!failed_) reason_ = what ? std::string(what) + ": " + std::strerror(err) : std::string(std::strerror(err));
  failed_ = true;
  return false;
}

bool DurableFile::Open(const std::string& path) {
  Discard();
  path_ = path;
  target_.clear();
  reason_.clear();
  buffer_.clear();
  failed_ = special_ = unnamed_ = targetExisted_ = false;
  unsyncedBytes_ = writtenBytes_ = 0;
  if (path.empty()) {
    reason_ = "no file name";
    failed_ = true;
    return false;
  }
  FileTarget target;
  if (!ResolveTarget(path, target, reason_) || !MayReplace(target, reason_)) {
    failed_ = true;
    return false;
  }
  target_ = target.path;
  folder_ = target.folder;
  name_ = target.name;
  targetExisted_ = target.exists;
  if (target.openFile || (target.exists && !S_ISREG(target.st.st_mode))) {
    // A terminal, a pipe, a device, standard output: there is nothing to replace.
    fd_ = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_TRUNC);
    if (fd_ < 0) return Fail(errno);
    special_ = true;
    return true;
  }
  folderFd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder that may be written but not listed is still a place for the file.
  if (folderFd_ < 0 && errno == EACCES) folderFd_ = ::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (folderFd_ < 0) return Fail(errno);
  RemoveStaleTemporaries(folderFd_, name_);
  // A new file gets the usual permissions (the umask or the folder's default
  // ACL); a replacement starts private and then takes the old file's.
  const mode_t mode = target.exists ? 0600 : 0666;
  if (CanNameUnnamedFiles()) {
    fd_ = DurableCalls().openat(folderFd_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
    unnamed_ = fd_ >= 0;
    // Only a file system without unnamed files goes on to a named temporary.
    if (fd_ < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      const int err = errno;
      Discard();
      return Fail(err);
    }
  }
  if (fd_ < 0) {
    for (int attempt = 0; fd_ < 0 && attempt < 100; ++attempt) {
      tempName_ = TemporaryName(name_);
      fd_ = DurableCalls().openat(folderFd_, tempName_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
      if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
      const int err = errno;
      tempName_.clear();
      Discard();
      return Fail(err);
    }
  }
  if (target.exists && !KeepAttributes(fd_, target, reason_)) {
    Discard();
    failed_ = true;
    return false;
  }
  return true;
}

bool DurableFile::WriteOut(const char* data, size_t size) {
  const DurableFileCalls& calls = DurableCalls();
  while (size > 0) {
    const ssize_t n = calls.write(fd_, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(errno);
    }
    if (n == 0) return Fail(ENOSPC);
    data += n;
    size -= static_cast<size_t>(n);
    writtenBytes_ += static_cast<unsigned long long>(n);
    unsyncedBytes_ += static_cast<unsigned long long>(n);
  }
  if (!special_ && unsyncedBytes_ >= kWritebackBytes) {
    ::sync_file_range(fd_, static_cast<off_t>(writtenBytes_ - unsyncedBytes_), static_cast<off_t>(unsyncedBytes_),
                      SYNC_FILE_RANGE_WRITE);
    unsyncedBytes_ = 0;
  }
  return true;
}

bool DurableFile::FlushBuffer() {
  if (buffer_.empty()) return !failed_;
  const bool ok = WriteOut(buffer_.data(), buffer_.size());
  buffer_.clear();
  return ok;
}

void DurableFile::Write(std::string_view bytes) {
  if (fd_ < 0 || failed_ || bytes.empty()) return;
  if (buffer_.size() + bytes.size() <= kBufferBytes) {
    buffer_.append(bytes);
    return;
  }
  if (!FlushBuffer()) return;
  if (bytes.size() >= kBufferBytes)
    WriteOut(bytes.data(), bytes.size());
  else
    buffer_.append(bytes);
}

bool DurableFile::Finish() {
  if (fd_ < 0) return failed_ ? false : Fail(EBADF);
  if (failed_ || !FlushBuffer()) return false;
  const DurableFileCalls& calls = DurableCalls();
  if (!special_) {
    if (calls.fsync(fd_) != 0) return Fail(errno);
    if (unnamed_) {
      // The content gets a name beside the target; the rename then swaps it in.
      const std::string self = ProcFdPath(fd_);
      int rc = -1;
      for (int attempt = 0; rc != 0 && attempt < 100; ++attempt) {
        tempName_ = TemporaryName(name_);
        rc = calls.linkat(AT_FDCWD, self.c_str(), folderFd_, tempName_.c_str(), AT_SYMLINK_FOLLOW);
        if (rc != 0 && errno != EEXIST) break;
      }
      if (rc != 0) {
        tempName_.clear();
        return Fail(errno);
      }
      unnamed_ = false;
    }
  }
  const int fd = fd_;
  fd_ = -1;
  if (calls.close(fd) != 0 && errno != EINTR) return Fail(errno);
  return true;
}

bool DurableFile::TakePlace() {
  if (special_) return true;
  if (DurableCalls().renameat(folderFd_, tempName_.c_str(), folderFd_, name_.c_str()) != 0) return Fail(errno);
  tempName_.clear();
  return true;
}

void DurableFile::SyncFolder() {
  // After the rename the new file is in place whatever the folder's flush says;
  // a file system that cannot flush a folder keeps its names on its own terms.
  if (folderFd_ >= 0) ::fsync(folderFd_);
}

void DurableFile::CloseAll() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (folderFd_ >= 0) {
    if (!tempName_.empty()) ::unlinkat(folderFd_, tempName_.c_str(), 0);
    if (!backupName_.empty()) ::unlinkat(folderFd_, backupName_.c_str(), 0);
    ::close(folderFd_);
  }
  tempName_.clear();
  backupName_.clear();
  folderFd_ = -1;
  unnamed_ = false;
  buffer_.clear();
  buffer_.shrink_to_fit();
}

void DurableFile::Discard() { CloseAll(); }

bool DurableFile::SameTarget(const DurableFile& other) const {
  struct stat a {}, b {};
  if (folderFd_ < 0 || other.folderFd_ < 0 || ::fstat(folderFd_, &a) != 0 || ::fstat(other.folderFd_, &b) != 0)
    return target_ == other.target_;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && name_ == other.name_;
}

bool DurableFile::Commit() { return CommitAll({this}); }

bool CommitAll(std::span<DurableFile* const> files) {
  const std::vector<DurableFile*> all(files.begin(), files.end());
  bool ok = true;
  for (DurableFile* f : all) {
    if (!f->Finish()) {
      ok = false;
      break;
    }
  }
  // Every file but the last keeps its old content under a second name until
  // all are placed, so a later failure can put it back.
  std::vector<DurableFile*> placed;
  for (size_t i = 0; ok && i < all.size(); ++i) {
    DurableFile* f = all[i];
    if (i + 1 < all.size() && f->targetExisted_ && !f->special_) {
      f->backupName_ = TemporaryName(f->name_);
      if (::linkat(f->folderFd_, f->name_.c_str(), f->folderFd_, f->backupName_.c_str(), 0) != 0)
        f->backupName_.clear();
    }
    if (!f->TakePlace()) {
      ok = false;
      break;
    }
    placed.push_back(f);
  }
  if (!ok) {
    for (DurableFile* f : placed) {
      if (f->special_) continue;
      if (!f->backupName_.empty() &&
          ::renameat(f->folderFd_, f->backupName_.c_str(), f->folderFd_, f->name_.c_str()) == 0)
        f->backupName_.clear();
      else if (!f->targetExisted_)
        ::unlinkat(f->folderFd_, f->name_.c_str(), 0);
    }
  }
  for (DurableFile* f : all) {
    f->SyncFolder();
    f->CloseAll();
  }
  return ok;
}

bool WriteFileDurably(const std::string& path, std::string_view bytes, std::string* reason) {
  DurableFile file;
  bool ok = file.Open(path);
  if (ok) {
    file.Write(bytes);
    ok = file.Commit();
  }
  if (!ok && reason) *reason = file.Reason();
  return ok;
}

}  // namespace corvane
