#include "core/settings/ini_document.h"

#include "core/text/text_helpers.h"

namespace corvane {
namespace {

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view t) {
  return TrimWhite(t);
}

bool IsWhite(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
    v = v.substr(1, v.size() - 2);
  return v;
}

// Quotes a value that reading would otherwise change: white space at either end
// (blank, tab, vertical tab, form feed) is trimmed, a quote at the start removed.
std::string QuoteIfNeeded(std::string_view v) {
  const bool needs = !v.empty() && (IsWhite(v.front()) || IsWhite(v.back()) || v.front() == '"' || v.front() == '\'');
  if (!needs) return std::string(v);
  return "\"" + std::string(v) + "\"";
}

enum class LineKind { kOther, kSection, kEntry };

// What a line is, with its section name or key (trimmed) and entry value.
LineKind Classify(std::string_view raw, std::string_view* name = nullptr, std::string_view* value = nullptr) {
  const std::string_view t = Trim(raw);
  if (!t.empty() && t.front() == '[') {
    const size_t close = t.find(']');
    if (name) *name = Trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return LineKind::kSection;
  }
  if (t.empty() || t.front() == ';') return LineKind::kOther;
  const size_t eq = t.find('=');
  if (eq == std::string_view::npos) return LineKind::kOther;
  if (name) *name = Trim(t.substr(0, eq));
  if (value) *value = Unquote(Trim(t.substr(eq + 1)));
  return LineKind::kEntry;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  doc.text_.reserve(bytes.size() + 1);
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t nl = bytes.find('\n', start);
    std::string_view raw = bytes.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
    start = nl == std::string_view::npos ? bytes.size() : nl + 1;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    doc.text_.append(raw);
    doc.text_.push_back('\n');
  }
  doc.Index();
  return doc;
}

void IniDocument::Index() {
  marks_.clear();
  size_t start = 0;
  while (start < text_.size()) {
    const size_t nl = text_.find('\n', start);
    const std::string_view raw = std::string_view(text_).substr(start, nl - start);
    const LineKind kind = Classify(raw);
    if (kind != LineKind::kOther)
      marks_.push_back({static_cast<uint32_t>(start),
                        static_cast<uint32_t>(raw.size()) | (kind == LineKind::kSection ? kSectionBit : 0)});
    start = nl + 1;
  }
  marks_.shrink_to_fit();
}

long IniDocument::FindSection(std::string_view section) const {
  for (size_t i = 0; i < marks_.size(); ++i) {
    if (!(marks_[i].size & kSectionBit)) continue;
    std::string_view name;
    Classify(LineOf(marks_[i]), &name);
    if (EqualsNoCase(name, section)) return static_cast<long>(i);
  }
  return -1;
}

bool IniDocument::HasSection(std::string_view section) const {
  return FindSection(section) >= 0;
}

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  const long s = FindSection(section);
  if (s < 0) return std::nullopt;
  for (size_t i = static_cast<size_t>(s) + 1; i < marks_.size() && !(marks_[i].size & kSectionBit); ++i) {
    std::string_view name, value;
    Classify(LineOf(marks_[i]), &name, &value);
    if (EqualsNoCase(name, key)) return std::string(value);
  }
  return std::nullopt;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  const long s = FindSection(section);
  if (s < 0) {
    // A blank line before a new section, unless the text already ends with one.
    const size_t lastStart = text_.size() < 2 ? 0 : text_.rfind('\n', text_.size() - 2) + 1;
    if (!text_.empty() && !Trim(std::string_view(text_).substr(lastStart)).empty()) text_.push_back('\n');
    text_.append("[").append(section).append("]\n");
    text_.append(key).append("=").append(QuoteIfNeeded(value)).append("\n");
    Index();
    return;
  }
  // Walk the section's lines: replace the key's line, or insert after the last
  // line of the section that is not blank.
  size_t pos = marks_[static_cast<size_t>(s)].start;
  pos = text_.find('\n', pos) + 1;
  size_t insertAt = pos;
  while (pos < text_.size()) {
    const size_t nl = text_.find('\n', pos);
    const std::string_view raw = std::string_view(text_).substr(pos, nl - pos);
    std::string_view name;
    const LineKind kind = Classify(raw, &name);
    if (kind == LineKind::kSection) break;
    if (kind == LineKind::kEntry && EqualsNoCase(name, key)) {
      // Keep the spelling of the name already in the file.
      const std::string line = std::string(name) + "=" + QuoteIfNeeded(value);
      text_.replace(pos, raw.size(), line);
      Index();
      return;
    }
    if (kind != LineKind::kOther || !Trim(raw).empty()) insertAt = nl + 1;
    pos = nl + 1;
  }
  text_.insert(insertAt, std::string(key) + "=" + QuoteIfNeeded(value) + "\n");
  Index();
}

}  // namespace corvane
