#include "core/settings/program_folder.h"

#include <unistd.h>

#include <cstdlib>

namespace corvane {

std::string ProgramFolder() {
  if (const char* dir = std::getenv("CORVANE_PROGRAM_DIR"); dir && *dir) {
    std::string d(dir);
    if (d.back() != '/') d += '/';
    return d;
  }
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  std::string exe(buf, static_cast<size_t>(n));
  size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

std::string ProgramFilePath(std::string_view name) {
  while (!name.empty() && (name.front() == '\\' || name.front() == '/')) name.remove_prefix(1);
  return ProgramFolder() + std::string(name);
}

std::string CaptionFilePath(int languageIndex) {
  return ProgramFilePath(languageIndex == 1 ? "\\CV_ENG.ini" : "\\CV_LOCAL.ini");
}

std::string SettingsFolder() {
  if (const char* dir = std::getenv("CORVANE_SETTINGS_DIR"); dir && *dir) return dir;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config";
}

}  // namespace corvane
