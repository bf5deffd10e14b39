#include "core/compute/polar_point.h"

#include <cmath>

#include "core/compute/angle_math.h"
#include "core/text/numbers.h"

namespace corvane {

PolarPoint ReducePolar(const PolarSetup& setup, const PolarObservation& seen) {
  const double d = HorizontalDistance(seen.slope, seen.zenith);
  return {Format3(setup.north + d * std::cos(seen.azimuth)), Format3(setup.east + d * std::sin(seen.azimuth)),
          Format3((setup.height + setup.instrument) - seen.target + HeightComponent(seen.slope, seen.zenith))};
}

}  // namespace corvane
