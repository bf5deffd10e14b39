#pragma once
// An INI text kept as it stands, so that a write changes one line and leaves every
// other byte of the file as it was. Section and key names compare without regard
// to letter case; values are trimmed and lose one pair of enclosing quotes.
//
// The document is the text itself plus an index of its section and entry lines
// (8 bytes each): blank and comment lines cost nothing beyond their bytes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

bool EqualsNoCase(std::string_view a, std::string_view b);

class IniDocument final {
 public:
  // Each line keeps its bytes; a CR before its line end is dropped.
  static IniDocument Parse(std::string_view bytes);

  bool HasSection(std::string_view section) const;
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Replaces the key's value, or adds the key (and the section when missing).
  // The value is written so that Get gives it back byte for byte (quoted when it
  // starts or ends with white space or starts with a quote).
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // Every line ended by "\n".
  const std::string& Serialize() const { return text_; }
  // Bytes held, for memory accounting.
  size_t MemoryBytes() const { return text_.capacity() + marks_.capacity() * sizeof(Mark); }

 private:
  struct Mark {
    uint32_t start;  // offset of the line in text_
    uint32_t size;   // its length without "\n"; the top bit marks a section header
  };
  static constexpr uint32_t kSectionBit = 0x80000000u;
  std::string_view LineOf(const Mark& m) const {
    return std::string_view(text_).substr(m.start, m.size & ~kSectionBit);
  }
  void Index();
  // Index in marks_ of the section header, or -1.
  long FindSection(std::string_view section) const;
  std::string text_;
  std::vector<Mark> marks_;
};

}  // namespace corvane
