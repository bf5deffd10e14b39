// Number printing and reading agree with the C runtime on every kind of value,
// ties, signs, huge, tiny and special values included.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include "core/text/numbers.h"

namespace corvane {
namespace {

std::string Printf(double v, int decimals) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

TEST(FormatFixed, MatchesPrintf) {
  const double specials[] = {0.0625, 0.125, 2.5, 0.0005, 0.0015, 1234.5675, -0.0, -0.0001, 1e300, -1e-300,
                             5e-324, INFINITY, -INFINITY, NAN, -NAN, 1e22, 123456789.123456789};
  for (double v : specials)
    for (int d : {0, 1, 3, 4, 6}) EXPECT_EQ(FormatFixed(v, d), Printf(v, d)) << v << " " << d;
  std::mt19937_64 rng(1);
  int differences = 0;
  for (int i = 0; i < 200000; ++i) {
    double v;
    if (i % 3 == 0) {
      const uint64_t bits = rng();
      std::memcpy(&v, &bits, sizeof v);
    } else if (i % 3 == 1) {
      v = static_cast<double>(static_cast<long long>(rng() % 100000000)) / 10000.0 + 0.00005;
    } else {
      v = std::ldexp(static_cast<double>(rng() % 100000), -static_cast<int>(rng() % 24));
    }
    for (int d : {3, 4})
      if (FormatFixed(v, d) != Printf(v, d) && ++differences < 5) ADD_FAILURE() << v << " " << d;
  }
  // Every short count of decimals, exact ties (k + 1/2) / 10^d and both sides of
  // the largest values the one-pass printing takes.
  for (int i = 0; i < 100000; ++i) {
    const int d = i % 10;
    const double scale = std::pow(10.0, d), sign = (rng() & 1) ? 1 : -1;
    const double v = i % 3 == 0   ? (static_cast<double>(rng() % 1000000) + 0.5) / scale * sign
                     : i % 3 == 1 ? std::nextafter(4e15 / scale, (rng() & 1) ? 0.0 : 1e300) * sign
                                  : std::ldexp(static_cast<double>(rng() % (1ull << 53)), -static_cast<int>(rng() % 80)) * sign;
    if (FormatFixed(v, d) != Printf(v, d) && ++differences < 10) ADD_FAILURE() << v << " " << d;
  }
  EXPECT_EQ(FormatFixed(1.5, 40), Printf(1.5, 40));
}

TEST(CAtof, ReadsAsStrtodDoes) {
  const char* specials[] = {"1e999", "-1e999", "1e-400", "4.9e-324", "2.4e-324", "1.7976931348623159e308",
                            "-0", "+5", "5.", ".5", "-.5e3", "123456789012345678901234567890", "0.29", "1E5"};
  std::mt19937_64 rng(2);
  auto same = [](const std::string& s) {
    const double a = std::strtod(s.c_str(), nullptr), b = CAtof(s);
    return std::memcmp(&a, &b, sizeof a) == 0;
  };
  for (const char* s : specials) EXPECT_TRUE(same(s)) << s;
  int differences = 0;
  for (int i = 0; i < 200000; ++i) {
    std::string s = rng() & 1 ? "-" : "";
    const int whole = static_cast<int>(rng() % 20), fraction = static_cast<int>(rng() % 20);
    for (int k = 0; k < whole; ++k) s += static_cast<char>('0' + rng() % 10);
    s += '.';
    for (int k = 0; k < fraction; ++k) s += static_cast<char>('0' + rng() % 10);
    if (whole + fraction == 0) s += '7';
    if (rng() % 4 == 0) s += "e" + std::to_string(static_cast<int>(rng() % 700) - 350);
    if (!same(s) && ++differences < 5) ADD_FAILURE() << s;
  }
}

// The reading before the one-pass path: white space, the plain decimal prefix,
// strtod of a copy of it.
double SlowAtof(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && std::strchr(" \t\n\v\f\r", text[start]) && text[start]) ++start;
  const std::string prefix(text.substr(start, DecimalNumberLength(text.substr(start))));
  return prefix.empty() ? 0.0 : std::strtod(prefix.c_str(), nullptr);
}

TEST(CAtof, HostileCellsReadAsTheSlowReadingDoes) {
  const std::string specials[] = {" \t\r\n\v\f-1.5x", "+.5", "5.e", "5e+", "5e-x", "-e5", ".", "+-1", "1e+0022",
                                  "0.000000000000000000000000001", "9007199254740993", "9007199254740992.0",
                                  "18446744073709551616", std::string("12\0" "34", 5), "\xB2\xE2 3", "3\xFF",
                                  "1e99999999999", "0e99999999999", "-0.0e-5", "00000000000000000000000123.25",
                                  "123456789012345678.5", "1234567890123456789", "0.1e-22", "1e23", "99e21"};
  auto same = [](const std::string& s) {
    const double a = SlowAtof(s), b = CAtof(s);
    return std::memcmp(&a, &b, sizeof a) == 0;
  };
  for (const std::string& s : specials) EXPECT_TRUE(same(s)) << s;
  // Strings built from the bytes a number is made of, and from bytes that end it.
  const std::string pieces[] = {"0", "1", "5", "9", "00", "123", ".", "e", "E", "+", "-", " ", "\t", std::string(1, '\0'),
                                "\xFF", "\xB2", ",", "x", "000000000000", "99999999999", "e22", "e-23", "e308"};
  std::mt19937_64 rng(3);
  int differences = 0;
  for (int i = 0; i < 300000; ++i) {
    std::string s;
    const int n = static_cast<int>(rng() % 12);
    for (int k = 0; k < n; ++k) s += pieces[rng() % std::size(pieces)];
    if (!same(s) && ++differences < 10) ADD_FAILURE() << s;
  }
}

}  // namespace
}  // namespace corvane
