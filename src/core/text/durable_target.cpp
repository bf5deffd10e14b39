#include "core/text/durable_target.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "core/text/durable_file_calls.h"

namespace corvane {
namespace {

constexpr int kMaxLinkHops = 40;
// Room left in a 255-byte file name for the temporary's own parts.
constexpr size_t kNameRoom = 180;

std::string ErrorText(int err) { return std::strerror(err); }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool ReadLink(const std::string& path, std::string& out) {
  std::string buf(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buf.data(), buf.size());
    if (n < 0) return false;
    if (static_cast<size_t>(n) < buf.size()) {
      out.assign(buf.data(), static_cast<size_t>(n));
      return true;
    }
    buf.resize(buf.size() * 2);
  }
}

// The path lies in /proc (also when reached through /dev/fd or /dev/stdout).
bool InProc(const std::string& path) {
  char* folder = ::realpath(FolderOf(path).c_str(), nullptr);
  const bool inProc = folder && std::strncmp(folder, "/proc/", 6) == 0;
  std::free(folder);
  return inProc;
}

// Eight hex digits standing for this machine, so that temporaries made by
// another machine in a shared folder are never taken for stale ones.
const std::string& HostTag() {
  static const std::string tag = [] {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    unsigned hash = 2166136261u;
    for (const char* c = host; *c; ++c) hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
    char text[9];
    std::snprintf(text, sizeof text, "%08x", hash);
    return std::string(text);
  }();
  return tag;
}

std::string TemporaryPrefix(const std::string& name) {
  std::string prefix(1, '.');
  prefix.append(name, 0, kNameRoom);
  prefix += ".tmp-";
  prefix += HostTag();
  prefix += '-';
  return prefix;
}

std::string UserName(uid_t uid) {
  struct passwd pw {};
  struct passwd* found = nullptr;
  char buf[1024];
  if (::getpwuid_r(uid, &pw, buf, sizeof buf, &found) == 0 && found) return found->pw_name;
  return "user " + std::to_string(uid);
}

bool CopyExtendedAttributes(int fd, const std::string& from, std::string& reason) {
  ssize_t size = ::listxattr(from.c_str(), nullptr, 0);
  if (size <= 0) return true;  // none, or a file system without them
  std::string names(static_cast<size_t>(size), '\0');
  size = ::listxattr(from.c_str(), names.data(), names.size());
  if (size <= 0) return true;
  names.resize(static_cast<size_t>(size));
  for (size_t at = 0; at < names.size();) {
    const std::string name(names.c_str() + at);
    at += name.size() + 1;
    const ssize_t length = ::getxattr(from.c_str(), name.c_str(), nullptr, 0);
    if (length < 0) continue;
    std::string value(static_cast<size_t>(length), '\0');
    const ssize_t got = ::getxattr(from.c_str(), name.c_str(), value.data(), value.size());
    if (got < 0) continue;
    value.resize(static_cast<size_t>(got));
    if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) == 0) continue;
    // Security labels are the system's to give; a file system that takes no
    // attributes has none to keep.
    if (errno == ENOTSUP || name.rfind("security.", 0) == 0) continue;
    reason = "cannot keep its extended attribute " + name + ": " + ErrorText(errno);
    return false;
  }
  return true;
}

}  // namespace

bool ResolveTarget(const std::string& path, FileTarget& target, std::string& reason) {
  std::string p = path;
  for (int hops = 0;; ++hops) {
    if (hops > kMaxLinkHops) {
      reason = ErrorText(ELOOP);
      return false;
    }
    struct stat st {};
    if (InProc(p)) {
      if (::stat(p.c_str(), &st) != 0) {
        reason = ErrorText(errno);
        return false;
      }
      target.exists = target.openFile = true;
      target.st = st;
      break;
    }
    if (::lstat(p.c_str(), &st) != 0) {
      if (errno != ENOENT) {
        reason = ErrorText(errno);
        return false;
      }
      target.exists = false;
      break;
    }
    if (!S_ISLNK(st.st_mode)) {
      target.exists = true;
      target.st = st;
      break;
    }
    std::string link;
    if (!ReadLink(p, link)) {
      reason = ErrorText(errno);
      return false;
    }
    p = !link.empty() && link[0] == '/' ? link : FolderOf(p) + "/" + link;
  }
  target.path = p;
  target.folder = FolderOf(p);
  const size_t slash = p.rfind('/');
  target.name = slash == std::string::npos ? p : p.substr(slash + 1);
  if (target.name.empty() || target.name == "." || target.name == "..") {
    reason = ErrorText(EISDIR);
    return false;
  }
  return true;
}

bool MayReplace(const FileTarget& target, std::string& reason) {
  if (!target.exists || target.openFile) return true;
  const struct stat& st = target.st;
  if (S_ISDIR(st.st_mode)) {
    reason = ErrorText(EISDIR);
    return false;
  }
  if (!S_ISREG(st.st_mode)) return true;
  // A read-only file stays as it is, even where the folder would allow replacing it.
  if ((st.st_mode & 0222) == 0 || ::access(target.path.c_str(), W_OK) != 0) {
    reason = ErrorText(EACCES);
    return false;
  }
  // A new file would take only this name; the others would keep the old
  // content without anyone noticing. Writing in place would keep the names
  // together but could leave all of them half written.
  if (st.st_nlink > 1) {
    reason = "the file has " + std::to_string(st.st_nlink) +
             " names (hard links) and a new file would take only this one; save it under another name, or remove "
             "its other names first";
    return false;
  }
  return true;
}

bool KeepAttributes(int fd, const FileTarget& target, std::string& reason) {
  const DurableFileCalls& calls = DurableCalls();
  struct stat mine {};
  if (::fstat(fd, &mine) != 0) {
    reason = ErrorText(errno);
    return false;
  }
  const uid_t owner = target.st.st_uid;
  const gid_t group = target.st.st_gid;
  if (mine.st_uid != owner && ::geteuid() != 0) {
    reason = "the file belongs to " + UserName(owner) +
             " and a new file would belong to you; save it under another name, or ask its owner";
    return false;
  }
  if (mine.st_uid != owner || mine.st_gid != group) {
    const uid_t newOwner = mine.st_uid != owner ? owner : static_cast<uid_t>(-1);
    const gid_t newGroup = mine.st_gid != group ? group : static_cast<gid_t>(-1);
    if (calls.fchown(fd, newOwner, newGroup) != 0) {
      reason = std::string(mine.st_uid != owner ? "cannot keep its owner: " : "cannot keep its group: ") +
               ErrorText(errno);
      return false;
    }
  }
  if (calls.fchmod(fd, target.st.st_mode & 07777) != 0) {
    // File systems without permissions of their own (a FAT memory stick) refuse
    // any change but already give every file the same mode.
    const int err = errno;
    struct stat now {};
    if (::fstat(fd, &now) != 0 || (now.st_mode & 07777) != (target.st.st_mode & 07777)) {
      reason = "cannot keep its permissions: " + ErrorText(err);
      return false;
    }
  }
  return CopyExtendedAttributes(fd, target.path, reason);
}

std::string TemporaryName(const std::string& name) {
  static std::atomic<unsigned> counter{0};
  const auto now = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  const unsigned long long mix = now * 0x9E3779B97F4A7C15ull + counter.fetch_add(1);
  char tail[32];
  std::snprintf(tail, sizeof tail, "%ld-%06llx", static_cast<long>(::getpid()), (mix >> 20) & 0xFFFFFFull);
  return TemporaryPrefix(name) + tail;
}

void RemoveStaleTemporaries(int folderFd, const std::string& name) {
  const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listFd < 0) return;
  DIR* dir = ::fdopendir(listFd);
  if (!dir) {
    ::close(listFd);
    return;
  }
  const std::string prefix = TemporaryPrefix(name);
  const pid_t self = ::getpid();
  while (const dirent* e = ::readdir(dir)) {
    const char* entry = e->d_name;
    if (std::strncmp(entry, prefix.c_str(), prefix.size()) != 0) continue;
    char* end = nullptr;
    const long pid = std::strtol(entry + prefix.size(), &end, 10);
    if (pid <= 0 || !end || *end != '-' || pid == self) continue;
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    struct stat st {};
    if (::fstatat(folderFd, entry, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
      ::unlinkat(folderFd, entry, 0);
  }
  ::closedir(dir);
}

}  // namespace corvane
