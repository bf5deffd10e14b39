#pragma once
// Caption files: INI files in the program folder that hold every visible text.
#include <string>
#include <string_view>

namespace corvane {

// The value of key in section of the INI file at path, cut to 259 bytes; the
// default when the file, section or key is missing.
std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view def);

// Reads captions from one caption file.
class CaptionReader final {
 public:
  explicit CaptionReader(std::string path) : path_(std::move(path)) {}
  // The caption file of a language (1 English, anything else the local language).
  static CaptionReader ForLanguage(int languageIndex);
  std::string Read(std::string_view section, std::string_view key, std::string_view def) const {
    return ReadProfileString(path_, section, key, def);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace corvane
