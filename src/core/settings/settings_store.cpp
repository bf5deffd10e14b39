#include "core/settings/settings_store.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <optional>

#include "core/settings/ini_cache.h"
#include "core/settings/program_folder.h"
#include "core/text/numbers.h"
#include "core/text/text_file.h"
#include "core/text/text_helpers.h"

namespace corvane {
namespace {

// A value is read into a 60-byte buffer: 59 characters at most.
constexpr size_t kValueLimit = 59;

bool MakeFolders(const std::string& filePath) {
  size_t slash = filePath.rfind('/');
  if (slash == std::string::npos || slash == 0) return true;
  std::string dir = filePath.substr(0, slash);
  for (size_t pos = 1; pos <= dir.size(); ++pos) {
    if (pos == dir.size() || dir[pos] == '/') {
      std::string part = dir.substr(0, pos);
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
  }
  return true;
}

}  // namespace

const char* SectionName(SettingsSection section) {
  return section == SettingsSection::OtherSet ? "OtherSet" : "ComStatus";
}

const char* WriteOutcomeMessage(WriteOutcome outcome) {
  switch (outcome) {
    case WriteOutcome::KeyMissing:
      return "open regesiter key Failed";
    case WriteOutcome::WriteFailed:
      return "Write regesiter key Failed";
    default:
      return "";
  }
}

SettingsStore::SettingsStore(std::string userFile, std::string defaultsFile)
    : userFile_(std::move(userFile)), defaultsFile_(std::move(defaultsFile)) {}

SettingsStore SettingsStore::OpenIn(const std::string& settingsFolder) {
  return SettingsStore(settingsFolder + "/ZAMO/Corvane.ini", ProgramFilePath("Corvane.defaults.ini"));
}

SettingsStore SettingsStore::OpenDefault() {
  return OpenIn(SettingsFolder());
}

std::string SettingsStore::ReadAny(std::string_view section, std::string_view name, std::string_view def, size_t limit,
                                   bool needSection) const {
  auto user = LoadIniCached(userFile_);
  auto defaults = LoadIniCached(defaultsFile_);
  if (needSection && !user->HasSection(section) && !defaults->HasSection(section)) return std::string(def);
  std::optional<std::string> v = user->Get(section, name);
  if (!v) v = defaults->Get(section, name);
  if (!v || v->size() > limit) return std::string(def);
  // The registry hands back the text up to its first zero byte.
  size_t nul = v->find('\0');
  if (nul != std::string::npos) v->resize(nul);
  return *v;
}

std::string SettingsStore::ReadSetting(SettingsSection section, std::string_view name, std::string_view def) const {
  return ReadAny(SectionName(section), name, def, kValueLimit, true);
}

namespace {

// A name that would not read back as written: empty, with white space at an end,
// or a character that the file uses for its own structure.
bool UsableName(std::string_view name) {
  return !name.empty() && TrimWhite(name).size() == name.size() && name.front() != ';' &&
         name.find_first_of(std::string_view("\r\n=[]\0", 6)) == std::string_view::npos;
}

}  // namespace

bool SettingsStore::WriteUserValue(std::string_view section, std::string_view name, std::string_view value,
                                   std::string* reason) {
  const IniFile user = LoadIniFile(userFile_);
  if (!user.readable) {
    if (reason) *reason = userFile_ + ": " + user.reason;
    return false;
  }
  IniDocument doc = *user.doc;
  doc.Set(section, name, value);
  if (!MakeFolders(userFile_)) {
    if (reason) *reason = userFile_ + ": " + SystemErrorText(errno);
    return false;
  }
  TextFileWriter w;
  std::string why;
  bool ok = w.Open(userFile_, &why);
  if (ok) {
    w.WriteRaw(doc.Serialize());
    ok = w.Commit(&why);
  }
  ForgetIniCached(userFile_);
  if (!ok && reason) *reason = userFile_ + ": " + why;
  return ok;
}

WriteOutcome SettingsStore::WriteSetting(SettingsSection section, std::string_view name, std::string_view value,
                                         std::string* reason) {
  std::lock_guard lock(writeMutex_);
  const char* sec = SectionName(section);
  if (!LoadIniCached(userFile_)->HasSection(sec) && !LoadIniCached(defaultsFile_)->HasSection(sec))
    return WriteOutcome::KeyMissing;
  value = value.substr(0, value.find('\0'));
  // A line end inside a value would break the file.
  if (value.find_first_of("\r\n") != std::string_view::npos || !UsableName(name)) {
    if (reason) *reason = "a name or value that the settings file cannot hold";
    return WriteOutcome::WriteFailed;
  }
  return WriteUserValue(sec, name, value, reason) ? WriteOutcome::Ok : WriteOutcome::WriteFailed;
}

std::string SettingsStore::DevicePath(int comNumber) const {
  std::string def = "/dev/ttyS" + FormatInt(static_cast<long long>(comNumber) - 1);
  std::string v = ReadAny("Devices", "COM" + FormatInt(comNumber), def, 4095, false);
  return v.empty() ? def : v;
}

bool SettingsStore::WriteDevicePath(int comNumber, std::string_view path, std::string* reason) {
  std::lock_guard lock(writeMutex_);
  path = path.substr(0, path.find('\0'));
  if (path.find_first_of("\r\n") != std::string_view::npos) {
    if (reason) *reason = "a device path that the settings file cannot hold";
    return false;
  }
  return WriteUserValue("Devices", "COM" + FormatInt(comNumber), path, reason);
}

std::string SettingsStore::UsbSetting(std::string_view name, std::string_view def) const {
  // A value the user has cleared (a field emptied on the settings page) means the
  // installed one, not "nothing": an empty endpoint map would leave channel 0
  // without an endpoint and fail every USB transfer.
  const std::string mine = ReadAny("Usb", name, def, 259, false);
  if (!TrimWhite(mine).empty()) return mine;
  std::optional<std::string> installed = LoadIniCached(defaultsFile_)->Get("Usb", name);
  if (!installed || installed->size() > 259) return mine;
  installed->resize(std::min(installed->size(), installed->find('\0')));
  return *installed;
}

bool SettingsStore::WriteUsbSetting(std::string_view name, std::string_view value, std::string* reason) {
  std::lock_guard lock(writeMutex_);
  if (name.find_first_of("\r\n=[]") != std::string_view::npos || value.find_first_of("\r\n") != std::string_view::npos) {
    if (reason) *reason = "a USB setting that the settings file cannot hold";
    return false;
  }
  return WriteUserValue("Usb", name, value, reason);
}

namespace {
std::atomic<int> g_unchosenLanguage{0};
}  // namespace

void SetUnchosenLanguage(int languageIndex) { g_unchosenLanguage = languageIndex; }

int ReadLanguageIndex(const ISettingsReader& settings) {
  return CAtoi(settings.ReadSetting(SettingsSection::OtherSet, "language", FormatInt(g_unchosenLanguage.load())));
}

int ReadStationDialogLanguage(const std::string& settingsFolder, int programLanguage) {
  auto doc = LoadIniCached(settingsFolder + "/ZamoSoft/ZamoComm.ini");
  std::optional<std::string> v = doc->Get("OtherSet", "language");
  if (!v) v = LoadIniCached(ProgramFilePath("ZamoComm.defaults.ini"))->Get("OtherSet", "language");
  // Installation gave the dialog the language chosen for the program.
  if (!v) return programLanguage;
  // The value is read into a 5-byte buffer: longer values cannot be read.
  if (v->size() > 4) return 0;
  return CAtoi(*v);
}

}  // namespace corvane
