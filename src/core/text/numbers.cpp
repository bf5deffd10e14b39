#include "core/text/numbers.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace corvane {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

size_t DecimalNumberLength(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  // An exponent counts only when at least one digit follows it.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  return i;
}

double CAtof(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && IsSpace(text[start])) ++start;
  const size_t length = DecimalNumberLength(text.substr(start));
  if (length == 0) return 0.0;
  const size_t i = start + length;
  // The prefix is known to be a plain number: from_chars reads it exactly as
  // strtod does (and without a copy); out-of-range values go to strtod for its
  // infinity or zero.
  const char* first = text.data() + start;
  const char* last = text.data() + i;
  double value = 0.0;
  const auto res = std::from_chars(first, last, value, std::chars_format::general);
  if (res.ec == std::errc() && res.ptr == last) return value;
  std::string prefix(first, last);
  errno = 0;
  return std::strtod(prefix.c_str(), nullptr);
}

bool ReadsAsFiniteNumber(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && IsSpace(text[start])) ++start;
  return DecimalNumberLength(text.substr(start)) > 0 && std::isfinite(CAtof(text));
}

int CAtoi(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  bool overflow = false;
  while (i < text.size() && IsDigit(text[i])) {
    if (!overflow) {
      value = value * 10 + (text[i] - '0');
      if (value > static_cast<long long>(INT_MAX) + 1) overflow = true;
    }
    ++i;
  }
  if (negative) value = -value;
  if (overflow || value > INT_MAX) return negative ? INT_MIN : INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

short ToShort(int value) { return static_cast<short>(static_cast<unsigned short>(static_cast<unsigned>(value) & 0xFFFFu)); }

std::string FormatFixed(double value, int decimals) {
  // to_chars prints the same digits as printf("%.*f") (exact value, ties to
  // even, "inf"/"nan" with their sign), several times faster.
  char quick[128];
  if (decimals >= 0 && decimals <= 17) {
    const auto res = std::to_chars(quick, quick + sizeof quick, value, std::chars_format::fixed, decimals);
    if (res.ec == std::errc()) return std::string(quick, res.ptr);
  }
  char small[64];
  int n = std::snprintf(small, sizeof small, "%.*f", decimals, value);
  if (n < 0) return {};
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::string big(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(big.data(), big.size(), "%.*f", decimals, value);
  big.resize(static_cast<size_t>(n));
  return big;
}

std::string FormatInt(long long value) {
  char buf[24];
  return std::string(FormatIntTo(value, buf));
}

std::string_view FormatIntTo(long long value, char (&buf)[24]) {
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string_view(buf, static_cast<size_t>(res.ptr - buf));
}

}  // namespace corvane
