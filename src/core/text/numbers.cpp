#include "core/text/numbers.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
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

namespace {

// Powers of ten a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common short number ("1234.5678", "-0.5", "2e3") read in one pass: its
// digits as an integer of at most 2^53 and a power of ten of at most 22 are both
// exact doubles, so one multiplication or division rounds the true value as the
// full reading does. False (nothing decided) for any other number.
bool ReadShortNumber(const char* p, const char* end, double& value) {
  const bool negative = p < end && *p == '-';
  if (p < end && (*p == '-' || *p == '+')) ++p;
  std::uint64_t digits = 0;
  int significant = 0, exponent = 0;
  bool any = false;
  for (; p < end && IsDigit(*p); ++p) {
    any = true;
    if (digits == 0 && *p == '0') continue;
    if (++significant > 19) return false;
    digits = digits * 10 + static_cast<unsigned>(*p - '0');
  }
  if (p < end && *p == '.') {
    for (++p; p < end && IsDigit(*p); ++p) {
      any = true;
      --exponent;
      if (digits == 0 && *p == '0') continue;
      if (++significant > 19) return false;
      digits = digits * 10 + static_cast<unsigned>(*p - '0');
    }
  }
  if (!any) return false;
  if (p < end && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    const bool down = q < end && *q == '-';
    if (q < end && (*q == '-' || *q == '+')) ++q;
    if (q < end && IsDigit(*q)) {
      int e = 0;
      for (; q < end && IsDigit(*q); ++q) {
        if (e > 9999) return false;
        e = e * 10 + (*q - '0');
      }
      exponent += down ? -e : e;
    }
  }
  if (digits > (std::uint64_t{1} << 53)) return false;
  double v = static_cast<double>(digits);
  if (digits != 0) {
    if (exponent < -22 || exponent > 22) return false;
    v = exponent < 0 ? v / kExactPowers[-exponent] : v * kExactPowers[exponent];
  }
  value = negative ? -v : v;
  return true;
}

}  // namespace

double CAtof(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && IsSpace(text[start])) ++start;
  double quick = 0.0;
  if (ReadShortNumber(text.data() + start, text.data() + text.size(), quick)) return quick;
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

namespace {

// printf("%.*f") of a value whose scaled value lies well inside the doubles'
// integers, or false. The exact product value * 10^decimals is p + e (e from
// the fused multiply-add); it is rounded to an integer with ties to even, as the
// exact value would be, and printed with its sign (-0.000 included).
bool FormatScaled(double value, int decimals, char (&out)[48], size_t& length) {
  if (decimals < 0 || decimals > 9 || !std::isfinite(value)) return false;
  const double scale = kExactPowers[decimals];
  const double p = std::fabs(value) * scale;
  if (!(p < 4e15)) return false;
  const double e = std::fma(std::fabs(value), scale, -p);
  double r = std::nearbyint(p);
  const double below = p - r;  // exact: |p| < 2^52
  if (below == 0.5 && e > 0) r += 1;
  if (below == -0.5 && e < 0) r -= 1;
  auto n = static_cast<std::uint64_t>(r);
  const auto unit = static_cast<std::uint64_t>(scale);
  char* o = out;
  if (std::signbit(value)) *o++ = '-';
  o = std::to_chars(o, out + sizeof out, n / unit).ptr;
  if (decimals > 0) {
    *o++ = '.';
    n %= unit;
    for (int i = decimals - 1; i >= 0; --i, n /= 10) o[i] = static_cast<char>('0' + n % 10);
    o += decimals;
  }
  length = static_cast<size_t>(o - out);
  return true;
}

}  // namespace

std::string FormatFixed(double value, int decimals) {
  char scaled[48];
  size_t scaledLength = 0;
  if (FormatScaled(value, decimals, scaled, scaledLength)) return std::string(scaled, scaledLength);
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
