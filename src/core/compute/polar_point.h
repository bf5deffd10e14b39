#pragma once
// One polar measurement (slope distance, direction, zenith angle, target height)
// reduced to coordinates from the station it was taken at. The coordinate export
// and the recompute share it, so both print the same numbers for the same data.
#include <string>

namespace corvane {

// The set-up a measurement starts from: coordinates of the station and the
// instrument height, all 0 before the job's first station.
struct PolarSetup {
  double north = 0;
  double east = 0;
  double height = 0;
  double instrument = 0;
};

struct PolarObservation {
  double azimuth = 0;  // radians, clockwise from north
  double zenith = 0;   // radians
  double slope = 0;    // slope distance
  double target = 0;   // target height
};

// The reduced point printed "%.3f", as the exports write it.
struct PolarPoint {
  std::string north;
  std::string east;
  std::string height;
  // False when a coordinate overflowed the doubles: the texts then read 0, which
  // is no place, so the callers that draw or adjust points leave it out.
  bool finite = true;
};

// The order the height's terms are added in. The coordinate export and the
// recompute have always added them in their own order; each keeps it, so every
// printed height stays the same to the last digit.
enum class HeightOrder {
  TargetThenComponent,  // (H + i) - t + s cos z: the coordinate export
  ComponentThenTarget,  // H + i + s cos z - t: the recompute
};

// north = N + d cos a, east = E + d sin a, height from H, i, t and s cos z in the
// given order, with d = |s sin z|.
PolarPoint ReducePolar(const PolarSetup& setup, const PolarObservation& seen, HeightOrder order);

}  // namespace corvane
