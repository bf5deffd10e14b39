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
};

// north = N + d cos a, east = E + d sin a, height = (H + i) - t + s cos z, with
// d = |s sin z|.
PolarPoint ReducePolar(const PolarSetup& setup, const PolarObservation& seen);

}  // namespace corvane
