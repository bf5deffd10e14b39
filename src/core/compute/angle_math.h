#pragma once
// Angles given as text in the instrument's units, turned into radians, and the
// small distance and direction reductions the exports and the recompute share.
#include <string>
#include <string_view>

namespace corvane {

inline constexpr double kPi = 3.141592653589793;

// Packed sexagesimal degrees: 123.4530 is 123 degrees 45 minutes 30 seconds,
// 45.30155 is 45 degrees 30 minutes 15.5 seconds. The split follows the decimal
// digits of the value (0.29 is exactly 29 minutes). Negative values carry their
// sign through all three parts; minutes or seconds of 60 or more are taken as
// they are.
double DmsToRadians(double x);
double GonToRadians(double x);
double MilToRadians(double x);
// "dms", "gon" or "mil", compared exactly; any other text (also "DMS", "gon "
// or the empty text) means dms.
double AngleToRadians(double x, std::string_view unit);

// |sd * sin z|, z the zenith angle in radians.
double HorizontalDistance(double sd, double z);
// sd * cos z: positive when the target is above the instrument's horizon.
double HeightComponent(double sd, double z);
// Direction from point 1 to point 2, from the +x axis (northing) toward the +y
// axis (easting), in [0, 2*pi). Two coincident points give 0: there is no
// direction between them, and 0 lets a recompute go on.
double Azimuth(double x1, double y1, double x2, double y2);

// The angle text as it is printed in outputs: unchanged, whatever the unit.
std::string AngleTextForOutput(std::string_view text, std::string_view unit);

// The angle unit in force while an export walks the rows: empty (dms) at the
// start; a row whose kind text (column 2, trimmed as the export trims it) is
// exactly "AnglUnit" sets it to that row's column 3 text for the rows after it.
class AngleUnitWalk final {
 public:
  const std::string& Unit() const { return unit_; }
  double ToRadians(std::string_view cellText) const;
  void AfterRow(std::string_view kind, std::string_view col3) {
    if (kind == "AnglUnit") unit_.assign(col3);
  }

 private:
  std::string unit_;
};

}  // namespace corvane
