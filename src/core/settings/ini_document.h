#pragma once
// An INI text kept line by line, so that a write changes one line and leaves every
// other byte of the file as it was. Section and key names compare without regard
// to letter case; values are trimmed and lose one pair of enclosing quotes.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

bool EqualsNoCase(std::string_view a, std::string_view b);

class IniDocument final {
 public:
  static IniDocument Parse(std::string_view bytes);

  bool HasSection(std::string_view section) const;
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Replaces the key's value, or adds the key (and the section when missing).
  void Set(std::string_view section, std::string_view key, std::string_view value);
  std::string Serialize() const;

 private:
  struct Line {
    std::string raw;
    enum Kind { kOther, kSection, kEntry } kind = kOther;
    std::string name;   // section name or key, trimmed
    std::string value;  // entry value, trimmed and unquoted
  };
  // Index of the section header line, or -1.
  long FindSection(std::string_view section) const;
  std::vector<Line> lines_;
};

}  // namespace corvane
