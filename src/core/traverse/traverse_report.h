#pragma once
// The framed text report of a traverse adjustment, 79 bytes a line like the
// recompute's report: the chain (stations, angles, legs), the misclosures with
// the tolerances and the pass/fail line, for least squares σ0 with its χ² test
// and every residual, and the stations with their precision. Captions come from
// section "Traverse" of the caption file in the program's language.
#include <string>

#include "core/settings/captions.h"
#include "core/traverse/traverse_types.h"

namespace corvane::traverse {

struct TraverseCaptions {
  std::string title, compass, leastSquares;
  std::string link, loop, open;
  std::string setUps, angles, length;
  std::string chainHeader;
  std::string angular, allowed, linear, precision, height, noCheck;
  std::string passed, failed, result, within, outside;
  std::string sigma0, redundancy, iterations, chiTest;
  std::string residuals, residualHeader, angle, distance;
  std::string stations, stationHeader, known;
};

TraverseCaptions DefaultTraverseCaptions();
TraverseCaptions ReadTraverseCaptions(const CaptionReader& captions);

// The whole report; the last line has no line end.
std::string TraverseReport(const Adjustment& adjustment, const TraverseCaptions& captions);

// An angle as the job writes it: "ddd-mm-ss.s" for dms, decimals for gon and mil.
std::string AngleText(double radians, std::string_view unit);

}  // namespace corvane::traverse
