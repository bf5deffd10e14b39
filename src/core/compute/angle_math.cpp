#include "core/compute/angle_math.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "core/text/numbers.h"

namespace corvane {
namespace {

// The value of a run of decimal digits with a decimal point inserted after the
// first `intDigits` of them; missing digits count as trailing zeros, so "3" read
// with two integer digits is 30.
double DigitsValue(std::string_view digits, size_t intDigits) {
  // Up to 15 digits are an exact integer; scaled by an exact power of ten they
  // round as the full reading does.
  if (digits.size() <= 15 && intDigits <= 15) {
    std::uint64_t n = 0;
    for (const char c : digits) n = n * 10 + static_cast<unsigned>(c - '0');
    static constexpr double kTens[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const auto value = static_cast<double>(n);
    return digits.size() > intDigits ? value / kTens[digits.size() - intDigits] : value * kTens[intDigits - digits.size()];
  }
  char text[512];
  if (digits.size() + intDigits + 2 > sizeof text) return 0.0;
  size_t n = std::min(intDigits, digits.size());
  digits.copy(text, n);
  while (n < intDigits) text[n++] = '0';
  if (digits.size() > intDigits) {
    text[n++] = '.';
    n += digits.copy(text + n, std::string_view::npos, intDigits);
  }
  return CAtof(std::string_view(text, n));
}

}  // namespace

double DmsToRadians(double x) {
  if (!std::isfinite(x)) return x / 180.0 * kPi;
  // The shortest decimal text that reads back as x: the digits the value was
  // typed with, free of binary representation error.
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::fixed);
  if (res.ec != std::errc()) return x / 180.0 * kPi;
  const std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
  const size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view decimals = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
  const double d = DigitsValue(whole, whole.size());
  const double m = DigitsValue(decimals.substr(0, std::min<size_t>(2, decimals.size())), 2);
  const double s = decimals.size() > 2 ? DigitsValue(decimals.substr(2), 2) : 0.0;
  const double degrees = d + m * (1.0 / 60.0) + s * (1.0 / 3600.0);
  return (x < 0 ? -degrees : degrees) * (1.0 / 180.0) * kPi;
}

double GonToRadians(double x) { return x / 200.0 * kPi; }

double MilToRadians(double x) { return x / 3200.0 * kPi; }

double AngleToRadians(double x, std::string_view unit) {
  if (unit == "gon") return GonToRadians(x);
  if (unit == "mil") return MilToRadians(x);
  return DmsToRadians(x);
}

double HorizontalDistance(double sd, double z) {
  double d = sd * std::sin(z);
  if (d < 0) d = -d;
  return d;
}

double HeightComponent(double sd, double z) { return sd * std::cos(z); }

double Azimuth(double x1, double y1, double x2, double y2) {
  const double dx = x2 - x1;
  const double dy = y2 - y1;
  if (dx > 0 && dy == 0) return 0.0;
  if (dx > 0 && dy > 0) return std::atan(dy / dx);
  if (dx == 0 && dy > 0) return 1.5707963267948966;
  if (dx < 0 && dy > 0) return std::atan(dy / dx) + kPi;
  if (dx < 0 && dy == 0) return kPi;
  if (dx < 0 && dy < 0) return std::atan(dy / dx) + kPi;
  if (dx == 0 && dy < 0) return 4.71238898038469;
  if (dx > 0 && dy < 0) return std::atan(dy / dx) + 6.283185307179586;
  return 0.0;  // coincident points (or a NaN coordinate): no direction
}

std::string AngleTextForOutput(std::string_view text, std::string_view /*unit*/) { return std::string(text); }

double AngleUnitWalk::ToRadians(std::string_view cellText) const { return AngleToRadians(CAtof(cellText), unit_); }

}  // namespace corvane
