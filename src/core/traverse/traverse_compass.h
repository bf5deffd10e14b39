#pragma once
// The misclosures of a traverse's observations and its compass (Bowditch) rule
// adjustment. Both methods report these misclosures; the least-squares
// adjustment starts from the compass-rule coordinates.
#include <optional>
#include <vector>

#include "core/traverse/traverse_types.h"

namespace corvane::traverse {

// Coordinates per set-up, in chain order.
struct SetUpCoordinates {
  std::vector<double> north, east;
  std::vector<std::optional<double>> height;  // empty while the start's height is unknown
};

// An open traverse: every next station placed from the one before as the
// recompute places the point that measures it (orientation on the backsight's
// coordinates, each station printed "%.3f" before the next is placed), so the
// recompute of the job with these stations gives the same texts.
SetUpCoordinates PropagateOpen(const Chain& chain);

// Misclosures (m, w, fN, fE, fH, L, 1:N) and the compass-rule coordinates:
// each angle that carries the azimuth to the closing direction takes -w/m, the
// azimuths are carried again, then station k+1 takes -f·Lk/L in north, east and
// height. An open traverse is propagated only.
Adjustment CompassRule(const Chain& chain, const AdjustOptions& options, SetUpCoordinates* coordinates = nullptr);

// The station list of an adjustment from coordinates per set-up: one entry per
// distinct station in chain order; known stations keep their given coordinates.
void FillStations(const Chain& chain, const SetUpCoordinates& at, Adjustment& out);

// The pass/fail line: w within S·√m seconds, 1:N at least the ratio asked for.
Tolerance CheckTolerance(const Misclosure& misclosure, const AdjustOptions& options);

}  // namespace corvane::traverse
