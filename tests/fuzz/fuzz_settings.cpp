// The settings store and the caption reader over any file: a written value reads
// back byte for byte, other values keep theirs, a file the store could not read
// is never replaced, and captions are at most 259 bytes.
#include <sys/stat.h>

#include "core/settings/captions.h"
#include "core/settings/ini_cache.h"
#include "core/settings/settings_store.h"
#include "fuzz_support.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // The value to write comes first, up to a zero byte; the file is the rest.
  const size_t split = bytes.find('\0');
  const std::string_view value = bytes.substr(0, std::min<size_t>(split, 59));
  const std::string_view file = split == std::string_view::npos ? std::string_view() : bytes.substr(split + 1);

  const std::string folder = fuzz::Folder() + "/store";
  const std::string user = folder + "/ZAMO/Corvane.ini";
  const std::string defaults = folder + "/Corvane.defaults.ini";
  ::mkdir(folder.c_str(), 0700);
  ::mkdir((folder + "/ZAMO").c_str(), 0700);
  if (std::FILE* f = std::fopen(defaults.c_str(), "wb")) {
    std::fputs("[OtherSet]\n[ComStatus]\n", f);
    std::fclose(f);
  }
  if (std::FILE* f = std::fopen(user.c_str(), "wb")) {
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
  }
  // A file the store cannot read (over its size limit) must survive a write.
  const bool unreadable = !file.empty() && (file.back() & 1);
  if (unreadable) FUZZ_CHECK(::truncate(user.c_str(), kMaxIniBytes + 1) == 0, "truncate");
  struct stat before {};
  ::stat(user.c_str(), &before);

  SettingsStore store(user, defaults);
  const std::string baudBefore = store.ReadSetting(SettingsSection::ComStatus, "Baud", "-");
  std::string reason;
  const WriteOutcome w = store.WriteSetting(SettingsSection::OtherSet, "Note", value, &reason);
  struct stat now {};
  ::stat(user.c_str(), &now);
  const bool untouched = now.st_ino == before.st_ino && now.st_size == before.st_size &&
                         now.st_mtim.tv_sec == before.st_mtim.tv_sec && now.st_mtim.tv_nsec == before.st_mtim.tv_nsec;
  if (unreadable) {
    FUZZ_CHECK(w == WriteOutcome::WriteFailed, "a file that could not be read was written");
    FUZZ_CHECK(untouched, "a file that could not be read was replaced");
  } else if (value.find_first_of("\r\n") == std::string_view::npos) {
    FUZZ_CHECK(w == WriteOutcome::Ok, "a write failed");
    FUZZ_CHECK(store.ReadSetting(SettingsSection::OtherSet, "Note", "") == value, "a value does not read back");
    FUZZ_CHECK(store.ReadSetting(SettingsSection::ComStatus, "Baud", "-") == baudBefore,
               "a write changed another value");
  } else {
    FUZZ_CHECK(w == WriteOutcome::WriteFailed && untouched, "a value with a line end was written");
  }
  const CaptionReader captions(user);
  const std::string text = captions.Read("OtherSet", std::string(value.substr(0, 8)), "default");
  FUZZ_CHECK(text.size() <= 259, "a caption longer than 259 bytes");
  return 0;
}
