#pragma once
// Small text operations shared by the loaders, uploads and exports. All work on
// 8-bit text; widths count bytes.
#include <string>
#include <string_view>

namespace corvane {

// Blanks prepended until the text has n bytes; longer text is returned unchanged.
std::string PadLeft(std::string_view text, long long n);
// Blanks appended until the text has n bytes; longer text is returned unchanged.
std::string PadRight(std::string_view text, long long n);
// Every double quote removed, then every run of two or more `ch` reduced to one.
std::string CleanLine(std::string_view text, char ch);
// Leading and trailing space characters removed.
std::string TrimBlanks(std::string_view text);
std::string TrimLeftBlanks(std::string_view text);
// Leading and trailing CR removed, then leading and trailing LF.
std::string_view TrimLineEnds(std::string_view text);
// Leading and trailing white space (space, tab, CR, LF, VT, FF) removed.
inline std::string_view TrimWhite(std::string_view text) {
  const auto white = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  size_t b = 0, e = text.size();
  while (b < e && white(text[b])) ++b;
  while (e > b && white(text[e - 1])) --e;
  return text.substr(b, e - b);
}
// The text before the last "."; empty when there is none.
std::string StripExtension(std::string_view text);
// Trailing characters `ch` removed.
std::string_view TrimRightChar(std::string_view text, char ch);

// Text between the last "{" and the last "}" of a dialog answer. With no "{" the
// text runs from the start; with no "}", or the "}" before the "{", it is empty.
std::string TextInLastBraces(std::string_view answer);

}  // namespace corvane
