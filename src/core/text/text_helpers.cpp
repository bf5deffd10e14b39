#include "core/text/text_helpers.h"

namespace corvane {

std::string PadLeft(std::string_view text, long long n) {
  std::string out;
  const long long missing = n - static_cast<long long>(text.size());
  if (missing > 0) out.assign(static_cast<size_t>(missing), ' ');
  out.append(text);
  return out;
}

std::string PadRight(std::string_view text, long long n) {
  std::string out(text);
  const long long missing = n - static_cast<long long>(text.size());
  if (missing > 0) out.append(static_cast<size_t>(missing), ' ');
  return out;
}

std::string CleanLine(std::string_view text, char ch) {
  // Removing quotes first, then collapsing runs, gives the same text as the
  // restart-from-the-start scan, in one pass.
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '"') continue;
    if (c == ch && !out.empty() && out.back() == ch) continue;
    out.push_back(c);
  }
  return out;
}

std::string TrimLeftBlanks(std::string_view text) {
  size_t b = text.find_first_not_of(' ');
  return b == std::string_view::npos ? std::string() : std::string(text.substr(b));
}

std::string TrimBlanks(std::string_view text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  size_t e = text.find_last_not_of(' ');
  return std::string(text.substr(b, e - b + 1));
}

namespace {
std::string_view TrimChar(std::string_view t, char ch) {
  while (!t.empty() && t.front() == ch) t.remove_prefix(1);
  while (!t.empty() && t.back() == ch) t.remove_suffix(1);
  return t;
}
}  // namespace

std::string_view TrimLineEnds(std::string_view text) { return TrimChar(TrimChar(text, '\r'), '\n'); }

std::string StripExtension(std::string_view text) {
  size_t dot = text.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(text.substr(0, dot));
}

std::string_view TrimRightChar(std::string_view text, char ch) {
  while (!text.empty() && text.back() == ch) text.remove_suffix(1);
  return text;
}

std::string TextInLastBraces(std::string_view answer) {
  const size_t close = answer.rfind('}');
  if (close == std::string_view::npos) return {};
  const size_t open = answer.rfind('{');
  if (open == std::string_view::npos) return std::string(answer.substr(0, close));
  if (close < open) return {};
  return std::string(answer.substr(open + 1, close - open - 1));
}

}  // namespace corvane
