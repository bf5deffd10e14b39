#include "core/link/device_holder.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "core/text/numbers.h"

namespace corvane {
namespace {

bool AllDigits(const char* s) {
  if (!*s) return false;
  for (; *s; ++s)
    if (*s < '0' || *s > '9') return false;
  return true;
}

std::string CommandName(const std::string& procDir) {
  std::ifstream in(procDir + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

// Whether any open file of the process is the device (same file system and inode).
bool HoldsFile(const std::string& procDir, const struct stat& device) {
  const std::string fdDir = procDir + "/fd";
  DIR* dir = ::opendir(fdDir.c_str());
  if (!dir) return false;
  bool found = false;
  while (const dirent* e = ::readdir(dir)) {
    if (!AllDigits(e->d_name)) continue;
    struct stat st {};
    if (::stat((fdDir + "/" + e->d_name).c_str(), &st) == 0 && st.st_dev == device.st_dev &&
        st.st_ino == device.st_ino) {
      found = true;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

}  // namespace

std::vector<DeviceHolder> FindDeviceHolders(const std::string& device, const std::string& procRoot) {
  std::vector<DeviceHolder> holders;
  struct stat target {};
  if (::stat(device.c_str(), &target) != 0) return holders;
  DIR* proc = ::opendir(procRoot.c_str());
  if (!proc) return holders;
  while (const dirent* e = ::readdir(proc)) {
    if (!AllDigits(e->d_name)) continue;
    const std::string procDir = procRoot + "/" + e->d_name;
    if (HoldsFile(procDir, target)) holders.push_back({CAtoi(e->d_name), CommandName(procDir)});
  }
  ::closedir(proc);
  std::sort(holders.begin(), holders.end(), [](const DeviceHolder& a, const DeviceHolder& b) { return a.pid < b.pid; });
  return holders;
}

std::string DeviceHoldersText(const std::vector<DeviceHolder>& holders) {
  std::string text;
  for (const DeviceHolder& h : holders) {
    if (!text.empty()) text += ", ";
    text += (h.name.empty() ? std::string("?") : h.name) + " (process " + FormatInt(h.pid) + ")";
  }
  return text;
}

}  // namespace corvane
