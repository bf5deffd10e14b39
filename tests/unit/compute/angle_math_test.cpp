// Angle units, distance reductions and directions.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <cstdio>
#include <string>

#include "core/compute/angle_math.h"
#include "core/text/numbers.h"

namespace corvane {
namespace {

constexpr double kDeg = kPi / 180.0;

TEST(DmsToRadians, SplitsDegreesMinutesSeconds) {
  struct Case {
    double x;
    double degrees;
  };
  const Case cases[] = {
      {123.4530, 123 + 45 / 60.0 + 30 / 3600.0},
      {45.30155, 45 + 30 / 60.0 + 15.5 / 3600.0},
      {0.29, 29 / 60.0},
      {0.5, 50 / 60.0},
      {-10.3000, -10.5},
      {10.7500, 11.25},
      {90.0, 90.0},
      {0.0, 0.0},
      {359.5959, 359 + 59 / 60.0 + 59 / 3600.0},
      {0.00001, 0.1 / 3600.0},
      {1e20, 1e20},
  };
  for (const Case& c : cases) EXPECT_NEAR(DmsToRadians(c.x), c.degrees * kDeg, 1e-13 * std::max(1.0, c.degrees)) << c.x;
  EXPECT_NEAR(DmsToRadians(123.4530), 2.1599903934, 1e-10);
}

// Every minute and second typed as text reads back as exactly those minutes and
// seconds: binary representation error must never carry a part to the integer
// below (0.29 is not 28 minutes 99.99 seconds).
TEST(DmsToRadians, FollowsTheDecimalDigitsOfEveryMinuteAndSecond) {
  int failures = 0;
  for (int d : {0, 1, 7, 45, 89, 123, 359, -3, -271}) {
    for (int m = 0; m < 60; ++m) {
      for (int s = 0; s < 60; ++s) {
        for (int tenth : {-1, 5}) {  // -1: no tenths digit
          char text[64];
          if (tenth < 0) std::snprintf(text, sizeof text, "%d.%02d%02d", d, m, s);
          else std::snprintf(text, sizeof text, "%d.%02d%02d%d", d, m, s, tenth);
          const double secs = s + (tenth < 0 ? 0.0 : tenth / 10.0);
          const double magnitude = std::abs(d) + m / 60.0 + secs / 3600.0;
          const double want = (d < 0 ? -magnitude : magnitude) * kDeg;
          const double got = DmsToRadians(CAtof(text));
          if (std::abs(got - want) > 1e-12 && ++failures < 10) ADD_FAILURE() << text << " gave " << got << " want " << want;
        }
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

// Each part of the shortest text of the value ("dd.mmss...") read through strtod
// gives the same radians to the last bit.
TEST(DmsToRadians, EqualsTheReadingOfEveryPartThroughStrtod) {
  std::mt19937_64 rng(7);
  int failures = 0;
  for (int i = 0; i < 100000; ++i) {
    const double x = i % 2 ? static_cast<double>(static_cast<long long>(rng() % 7200000000) - 3600000000) / 1e7
                           : std::ldexp(static_cast<double>(rng() % (1ull << 53)), static_cast<int>(rng() % 120) - 100);
    char buf[400];
    std::string text(buf, std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::fixed).ptr);
    text += text.find('.') == std::string::npos ? ".0000" : "0000";
    const size_t point = text.find('.');
    const std::string seconds = text.substr(point + 3, 2) + "." + text.substr(point + 5);
    const double parts = std::strtod(text.substr(0, point).c_str(), nullptr) +
                         std::strtod(text.substr(point + 1, 2).c_str(), nullptr) * (1.0 / 60.0) +
                         std::strtod(seconds.c_str(), nullptr) * (1.0 / 3600.0);
    const double want = (x < 0 ? -parts : parts) * (1.0 / 180.0) * kPi, got = DmsToRadians(x);
    if (std::memcmp(&got, &want, sizeof got) != 0 && ++failures < 10) ADD_FAILURE() << x;
  }
}

TEST(AngleToRadians, PicksTheUnitByExactName) {
  struct Case {
    const char* unit;
    double x;
    double want;
  };
  const Case cases[] = {
      {"gon", 100, kPi / 2},         {"mil", 1600, kPi / 2},        {"dms", 90.3, 90.5 * kDeg},
      {"", 90.3, 90.5 * kDeg},       {"DMS", 90.3, 90.5 * kDeg},    {"GON", 100, 100.0 * kDeg},
      {"gon ", 100, 100.0 * kDeg},   {" mil", 1600, 1600.0 * kDeg}, {"gon", 0, 0},
      {"mil", 0, 0},                 {"dms", 0, 0},                 {"gon", 400, 2 * kPi},
  };
  for (const Case& c : cases) EXPECT_NEAR(AngleToRadians(c.x, c.unit), c.want, 1e-12) << '"' << c.unit << '"';
  EXPECT_DOUBLE_EQ(GonToRadians(100), kPi / 2);
  EXPECT_DOUBLE_EQ(MilToRadians(1600), kPi / 2);
}

TEST(Reductions, HorizontalDistanceIsNeverNegative) {
  EXPECT_DOUBLE_EQ(HorizontalDistance(100, kPi / 2), 100);
  EXPECT_EQ(Format3(HeightComponent(100, kPi / 2)), "0.000");
  EXPECT_GT(HorizontalDistance(-5, 1), 0);
  EXPECT_LT(HeightComponent(-5, 1), 0);
  EXPECT_NEAR(HeightComponent(10, kPi / 3), 5, 1e-12);
  EXPECT_NEAR(HorizontalDistance(10, -kPi / 6), 5, 1e-12);
}

TEST(Azimuth, CoversEveryQuadrantAndAxis) {
  struct Case {
    double dx, dy, want;
  };
  const Case cases[] = {
      {5, 0, 0},
      {1, 1, kPi / 4},
      {0, 2, 1.5707963267948966},
      {-1, 1, 3 * kPi / 4},
      {-3, 0, 3.141592653589793},
      {-1, -1, 5 * kPi / 4},
      {0, -2, 4.71238898038469},
      {1, -1, 7 * kPi / 4},
      {0, 0, 0},  // coincident points: no direction, 0 by choice
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(Azimuth(100, 200, 100 + c.dx, 200 + c.dy), c.want, 1e-12) << c.dx << "," << c.dy;
  }
  EXPECT_EQ(Azimuth(0, 0, 0, 7), 1.5707963267948966);
  EXPECT_EQ(Azimuth(0, 0, -7, 0), 3.141592653589793);
  const double westOfNorth = Azimuth(0, 0, 100, -1e-6);
  EXPECT_LT(westOfNorth, 2 * kPi);
  EXPECT_GT(westOfNorth, 2 * kPi - 1e-6);
  EXPECT_EQ(Azimuth(0, 0, NAN, 1), 0.0);
}

TEST(AngleUnitWalk, OnlyTheExactKeyChangesTheUnit) {
  AngleUnitWalk walk;
  EXPECT_EQ(walk.Unit(), "");
  walk.AfterRow("AnglUnit ", "gon");
  EXPECT_EQ(walk.Unit(), "");
  walk.AfterRow("AnglUnit", "gon");
  EXPECT_EQ(walk.Unit(), "gon");
  EXPECT_NEAR(walk.ToRadians("100.0000"), kPi / 2, 1e-15);
  walk.AfterRow("DP", "mil");
  EXPECT_EQ(walk.Unit(), "gon");
  EXPECT_EQ(AngleTextForOutput("45.3015", "gon"), "45.3015");
}

}  // namespace
}  // namespace corvane
