#include "core/settings/ini_cache.h"

#include <sys/stat.h>

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
  std::shared_ptr<const IniDocument> doc;
};

std::mutex g_mutex;
std::map<std::string, Entry>& Cache() {
  static std::map<std::string, Entry> cache;
  return cache;
}

constexpr off_t kMaxIniBytes = 4 << 20;  // settings and caption files are small

}  // namespace

std::shared_ptr<const IniDocument> LoadIniCached(const std::string& path) {
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  std::lock_guard lock(g_mutex);
  Entry& e = Cache()[path];
  if (e.doc && e.exists == exists &&
      (!exists || (e.dev == st.st_dev && e.ino == st.st_ino && e.size == st.st_size &&
                   e.mtime.tv_sec == st.st_mtim.tv_sec && e.mtime.tv_nsec == st.st_mtim.tv_nsec)))
    return e.doc;
  std::string bytes;
  if (exists && st.st_size <= kMaxIniBytes) ReadFileBytes(path, bytes);
  e.exists = exists;
  e.dev = exists ? st.st_dev : 0;
  e.ino = exists ? st.st_ino : 0;
  e.size = exists ? st.st_size : 0;
  e.mtime = exists ? st.st_mtim : timespec{};
  e.doc = std::make_shared<const IniDocument>(IniDocument::Parse(bytes));
  return e.doc;
}

void ForgetIniCached(const std::string& path) {
  std::lock_guard lock(g_mutex);
  Cache().erase(path);
}

}  // namespace corvane
