#include "core/settings/ini_document.h"

#include "core/text/text_helpers.h"

namespace corvane {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view t) { return TrimWhite(t); }

std::string Unquote(std::string_view v) {
  if (v.size() >= 2 && ((v.front() == '"' && v.back() == '"') || (v.front() == '\'' && v.back() == '\'')))
    v = v.substr(1, v.size() - 2);
  return std::string(v);
}

std::string QuoteIfNeeded(std::string_view v) {
  const bool needs = !v.empty() && (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' || v.back() == '\t' ||
                                    v.front() == '"' || v.front() == '\'');
  if (!needs) return std::string(v);
  return "\"" + std::string(v) + "\"";
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
  size_t start = 0;
  while (start < bytes.size()) {
    size_t nl = bytes.find('\n', start);
    std::string_view raw = bytes.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
    start = nl == std::string_view::npos ? bytes.size() : nl + 1;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    Line line;
    line.raw = std::string(raw);
    std::string_view t = Trim(raw);
    if (!t.empty() && t.front() == '[') {
      size_t close = t.find(']');
      line.kind = Line::kSection;
      line.name = std::string(Trim(t.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
    } else if (!t.empty() && t.front() != ';') {
      size_t eq = t.find('=');
      if (eq != std::string_view::npos) {
        line.kind = Line::kEntry;
        line.name = std::string(Trim(t.substr(0, eq)));
        line.value = Unquote(Trim(t.substr(eq + 1)));
      }
    }
    doc.lines_.push_back(std::move(line));
  }
  return doc;
}

long IniDocument::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Line::kSection && EqualsNoCase(lines_[i].name, section)) return static_cast<long>(i);
  return -1;
}

bool IniDocument::HasSection(std::string_view section) const { return FindSection(section) >= 0; }

std::optional<std::string> IniDocument::Get(std::string_view section, std::string_view key) const {
  long s = FindSection(section);
  if (s < 0) return std::nullopt;
  for (size_t i = static_cast<size_t>(s) + 1; i < lines_.size(); ++i) {
    if (lines_[i].kind == Line::kSection) break;
    if (lines_[i].kind == Line::kEntry && EqualsNoCase(lines_[i].name, key)) return lines_[i].value;
  }
  return std::nullopt;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  Line entry;
  entry.kind = Line::kEntry;
  entry.name = std::string(key);
  entry.value = std::string(value);
  entry.raw = std::string(key) + "=" + QuoteIfNeeded(value);
  long s = FindSection(section);
  if (s < 0) {
    if (!lines_.empty() && !Trim(lines_.back().raw).empty()) lines_.push_back(Line{});
    Line header;
    header.kind = Line::kSection;
    header.name = std::string(section);
    header.raw = "[" + std::string(section) + "]";
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(entry));
    return;
  }
  size_t insertAt = static_cast<size_t>(s) + 1;
  for (size_t i = static_cast<size_t>(s) + 1; i < lines_.size(); ++i) {
    if (lines_[i].kind == Line::kSection) break;
    if (lines_[i].kind == Line::kEntry && EqualsNoCase(lines_[i].name, key)) {
      entry.name = lines_[i].name;  // keep the spelling already in the file
      entry.raw = entry.name + "=" + QuoteIfNeeded(value);
      lines_[i] = std::move(entry);
      return;
    }
    if (lines_[i].kind != Line::kOther || !Trim(lines_[i].raw).empty()) insertAt = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<long>(insertAt), std::move(entry));
}

std::string IniDocument::Serialize() const {
  std::string out;
  for (const Line& l : lines_) {
    out += l.raw;
    out += '\n';
  }
  return out;
}

}  // namespace corvane
