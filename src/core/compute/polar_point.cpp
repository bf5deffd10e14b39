#include "core/compute/polar_point.h"

#include <cmath>

#include "core/compute/angle_math.h"
#include "core/text/numbers.h"

namespace corvane {

PolarPoint ReducePolar(const PolarSetup& setup, const PolarObservation& seen, HeightOrder order) {
  const double d = HorizontalDistance(seen.slope, seen.zenith);
  const double z = HeightComponent(seen.slope, seen.zenith);
  const double height = order == HeightOrder::TargetThenComponent
                            ? (setup.height + setup.instrument) - seen.target + z
                            : setup.height + setup.instrument + z - seen.target;
  const double north = setup.north + d * std::cos(seen.azimuth);
  const double east = setup.east + d * std::sin(seen.azimuth);
  return {Format3(north), Format3(east), Format3(height),
          std::isfinite(north) && std::isfinite(east) && std::isfinite(height)};
}

}  // namespace corvane
