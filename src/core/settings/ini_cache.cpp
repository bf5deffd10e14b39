#include "core/settings/ini_cache.h"

#include <sys/stat.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "core/text/text_file.h"

namespace corvane {
namespace {

struct Entry {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  IniFile file;
};

std::mutex g_mutex;
std::map<std::string, Entry>& Cache() {
  static std::map<std::string, Entry> cache;
  return cache;
}

}  // namespace

IniFile LoadIniFile(const std::string& path) {
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  const int statError = exists ? 0 : errno;
  std::lock_guard lock(g_mutex);
  Entry& e = Cache()[path];
  if (e.file.doc && e.exists == exists &&
      (!exists || (e.dev == st.st_dev && e.ino == st.st_ino && e.size == st.st_size &&
                   e.mtime.tv_sec == st.st_mtim.tv_sec && e.mtime.tv_nsec == st.st_mtim.tv_nsec)))
    return e.file;
  std::string bytes;
  IniFile file;
  if (!exists && statError != ENOENT && statError != ENOTDIR) {
    file.readable = false;
    file.reason = SystemErrorText(statError);
  } else if (exists && !S_ISREG(st.st_mode)) {
    file.readable = false;
    file.reason = SystemErrorText(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  } else if (exists && st.st_size > kMaxIniBytes) {
    file.readable = false;
    file.reason = "the file is larger than 4 MiB";
  } else if (exists && !ReadFileBytes(path, bytes, &file.reason)) {
    file.readable = false;
    bytes.clear();
  }
  file.doc = std::make_shared<const IniDocument>(IniDocument::Parse(bytes));
  e.exists = exists;
  e.dev = exists ? st.st_dev : 0;
  e.ino = exists ? st.st_ino : 0;
  e.size = exists ? st.st_size : 0;
  e.mtime = exists ? st.st_mtim : timespec{};
  e.file = file;
  return file;
}

std::shared_ptr<const IniDocument> LoadIniCached(const std::string& path) {
  return LoadIniFile(path).doc;
}

void ForgetIniCached(const std::string& path) {
  std::lock_guard lock(g_mutex);
  Cache().erase(path);
}

}  // namespace corvane
