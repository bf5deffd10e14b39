#pragma once
// The persistent settings: sections "OtherSet" and "ComStatus" of one INI file in
// the user's settings folder, plus the defaults file that installation puts in the
// program folder. A section exists when either file declares it; reads of a
// missing section or value give the caller's default; writes go to the user's file
// and replace it atomically.
#include <mutex>
#include <string>
#include <string_view>

namespace corvane {

enum class SettingsSection { OtherSet = 0, ComStatus = 1 };

const char* SectionName(SettingsSection section);

enum class WriteOutcome { Ok, KeyMissing, WriteFailed };

// The store's own message for a failed write ("" for Ok).
const char* WriteOutcomeMessage(WriteOutcome outcome);

// What transfer engines and exports need: reads only.
class ISettingsReader {
 public:
  virtual ~ISettingsReader() = default;
  virtual std::string ReadSetting(SettingsSection section, std::string_view name, std::string_view def) const = 0;
};

class ISettings : public ISettingsReader {
 public:
  // reason: why a failed write failed (for the message after the store's own).
  virtual WriteOutcome WriteSetting(SettingsSection section, std::string_view name, std::string_view value,
                                    std::string* reason = nullptr) = 0;
};

class SettingsStore final : public ISettings {
 public:
  // userFile: the user's settings file; defaultsFile: the installation's file.
  SettingsStore(std::string userFile, std::string defaultsFile);
  // ${settings folder}/ZAMO/Corvane.ini over ${program folder}/Corvane.defaults.ini.
  static SettingsStore OpenDefault();
  static SettingsStore OpenIn(const std::string& settingsFolder);

  std::string ReadSetting(SettingsSection section, std::string_view name, std::string_view def) const override;
  // A value is stored as text up to its first zero byte, as the registry keeps it.
  // The user's file is never replaced when it is there but cannot be read (too
  // large, unreadable): the write fails and says why.
  WriteOutcome WriteSetting(SettingsSection section, std::string_view name, std::string_view value,
                            std::string* reason = nullptr) override;

  // The device behind "COM<n>": the value COM<n> of section "Devices" when present,
  // else /dev/ttyS<n-1>.
  std::string DevicePath(int comNumber) const;
  bool WriteDevicePath(int comNumber, std::string_view path, std::string* reason = nullptr);

  // A value of section "Usb" (the USB instrument's ids and endpoints): the user's
  // value, else (missing or blank) the defaults file's, else `def`.
  std::string UsbSetting(std::string_view name, std::string_view def) const;
  bool WriteUsbSetting(std::string_view name, std::string_view value, std::string* reason = nullptr);

  const std::string& UserFile() const { return userFile_; }

 private:
  // Sets one value in the user's file and replaces the file.
  bool WriteUserValue(std::string_view section, std::string_view name, std::string_view value, std::string* reason);
  std::string ReadAny(std::string_view section, std::string_view name, std::string_view def, size_t limit,
                      bool needSection) const;
  std::string userFile_;
  std::string defaultsFile_;
  std::mutex writeMutex_;
};

// The caption language the program uses: "language" under "OtherSet", 1 for
// English, anything else the local language. With no value stored it is the
// process's unchosen language (0 unless the program has set another).
int ReadLanguageIndex(const ISettingsReader& settings);
// The language of a process whose user has never chosen one (the desktop program
// follows the desktop's language); the stored choice always wins.
void SetUnchosenLanguage(int languageIndex);

// The station dialog's own language value ("language" under its own key), kept in
// ${settings folder}/ZamoSoft/ZamoComm.ini over the installed
// ZamoComm.defaults.ini. With no value stored anywhere the dialog follows the
// program's language; a stored value that cannot be read (more than 4
// characters) gives 0.
int ReadStationDialogLanguage(const std::string& settingsFolder, int programLanguage);

}  // namespace corvane
