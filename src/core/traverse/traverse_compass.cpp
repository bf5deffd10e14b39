#include "core/traverse/traverse_compass.h"

#include <cmath>
#include <limits>
#include <unordered_map>

#include "core/compute/angle_math.h"
#include "core/compute/polar_point.h"
#include "core/text/numbers.h"
#include "core/traverse/control_points.h"
#include "core/traverse/traverse_chain.h"

namespace corvane::traverse {
namespace {

// Leg azimuths carried from the known starting direction with the given angles:
// Az(S1→S2) = Az(S1→B) + β1, Az(Sk→Sk+1) = Az(Sk-1→Sk) + π + βk. One more
// entry carries the closing direction when the last set-up sights one.
std::vector<double> CarryAzimuths(const Chain& chain, const std::vector<double>& beta) {
  const double start =
      Azimuth(chain.start.north, chain.start.east, chain.backsight.north, chain.backsight.east);
  std::vector<double> az;
  az.reserve(beta.size());
  double a = start;
  for (size_t k = 0; k < beta.size(); ++k) {
    a = NormalizeAngle((k == 0 ? a : a + kPi) + beta[k]);
    az.push_back(a);
  }
  return az;
}

SetUpCoordinates Traverse(const Chain& chain, const std::vector<double>& azimuth) {
  const size_t n = chain.setUps.size();
  SetUpCoordinates c;
  c.north.assign(n, 0);
  c.east.assign(n, 0);
  c.height.assign(n, std::nullopt);
  c.north[0] = chain.start.north;
  c.east[0] = chain.start.east;
  c.height[0] = chain.start.height;
  for (size_t k = 0; k + 1 < n; ++k) {
    const ChainLeg& leg = chain.legs[k];
    c.north[k + 1] = c.north[k] + leg.horizontal * std::cos(azimuth[k]);
    c.east[k + 1] = c.east[k] + leg.horizontal * std::sin(azimuth[k]);
    if (c.height[k]) c.height[k + 1] = *c.height[k] + leg.heightDiff;
  }
  return c;
}

}  // namespace

SetUpCoordinates PropagateOpen(const Chain& chain) {
  const size_t n = chain.setUps.size();
  SetUpCoordinates c;
  c.north.assign(n, 0);
  c.east.assign(n, 0);
  c.height.assign(n, std::nullopt);
  // What the recompute reads from the station table: the texts as numbers.
  c.north[0] = CAtof(chain.start.northText);
  c.east[0] = CAtof(chain.start.eastText);
  c.height[0] = chain.start.height;
  double backNorth = CAtof(chain.backsight.northText);
  double backEast = CAtof(chain.backsight.eastText);
  double height = CAtof(chain.start.heightText);
  for (size_t k = 0; k + 1 < n; ++k) {
    const ChainSetUp& s = chain.setUps[k];
    const ChainLeg& leg = chain.legs[k];
    const double correction = Azimuth(c.north[k], c.east[k], backNorth, backEast) - s.backsightAngle;
    const PolarPoint p = ReducePolar({c.north[k], c.east[k], height, s.instrumentHeight},
                                     {s.foresightAngle + correction, leg.zenith, leg.slope, leg.target},
                                     HeightOrder::ComponentThenTarget);
    backNorth = c.north[k];
    backEast = c.east[k];
    // A coordinate beyond the doubles prints as "inf": no number to go on from.
    const auto number = [](const std::string& text) {
      double v = 0;
      return StrictNumber(text, v) ? v : std::numeric_limits<double>::quiet_NaN();
    };
    c.north[k + 1] = number(p.north);
    c.east[k + 1] = number(p.east);
    height = number(p.height);
    if (c.height[0]) c.height[k + 1] = height;
    // A known station on the way goes on from its given coordinates, as the
    // station table will hold them.
    if (const auto& known = chain.knownStation[k + 1]) {
      c.north[k + 1] = CAtof(known->northText);
      c.east[k + 1] = CAtof(known->eastText);
      if (known->height) {
        height = CAtof(known->heightText);
        c.height[k + 1] = height;
      }
    }
  }
  return c;
}

Tolerance CheckTolerance(const Misclosure& m, const AdjustOptions& options) {
  Tolerance t;
  t.allowedRatio = options.toleranceRatio;
  if (m.angular) {
    t.allowedAngular = options.toleranceAngleSec * std::sqrt(static_cast<double>(m.angles)) * kArcSecond;
    t.angularPassed = std::fabs(*m.angular) <= *t.allowedAngular;
  }
  if (m.north && m.east) {
    const double f = std::hypot(*m.north, *m.east);
    t.linearPassed = f == 0 || (m.precisionRatio && *m.precisionRatio >= options.toleranceRatio);
  }
  return t;
}

void FillStations(const Chain& chain, const SetUpCoordinates& at, Adjustment& out) {
  out.stations.clear();
  out.stationOfSetUp.assign(chain.setUps.size(), 0);
  std::unordered_map<std::string_view, int> index;
  for (size_t k = 0; k < chain.setUps.size(); ++k) {
    const std::string& name = chain.setUps[k].station;
    const auto [it, added] = index.emplace(name, static_cast<int>(out.stations.size()));
    out.stationOfSetUp[k] = it->second;
    if (!added) continue;
    StationResult s;
    s.name = name;
    if (const auto& known = chain.knownStation[k]) {
      s.known = true;
      s.north = known->north;
      s.east = known->east;
      s.height = known->height ? known->height : at.height[k];
    } else {
      s.north = at.north[k];
      s.east = at.east[k];
      s.height = at.height[k];
    }
    out.stations.push_back(std::move(s));
  }
}

Adjustment CompassRule(const Chain& chain, const AdjustOptions& options, SetUpCoordinates* coordinates) {
  Adjustment out;
  out.method = Method::Compass;
  out.options = options;
  out.chain = chain;
  const size_t n = chain.setUps.size();
  Misclosure& mis = out.misclosure;
  for (const ChainLeg& leg : chain.legs) mis.length += leg.horizontal;

  if (chain.kind == TraverseKind::Open) {
    mis.angles = static_cast<int>(n) - 1;
    const SetUpCoordinates c = PropagateOpen(chain);
    FillStations(chain, c, out);
    out.tolerance = CheckTolerance(mis, options);
    if (coordinates) *coordinates = c;
    return out;
  }

  // The angles that carry the azimuth: one per leg, and the closing one.
  const bool closingDirection = chain.closingPoint.has_value();
  std::vector<double> beta;
  for (size_t k = 0; k < n; ++k)
    if (k + 1 < n || closingDirection) beta.push_back(chain.setUps[k].beta);
  mis.angles = static_cast<int>(beta.size());
  if (closingDirection) {
    const std::vector<double> carried = CarryAzimuths(chain, beta);
    const KnownPoint& end = *chain.end;
    const double known = Azimuth(end.north, end.east, chain.closingPoint->north, chain.closingPoint->east);
    const double w = NormalizeSigned(carried.back() - known);
    mis.angular = w;
    for (double& b : beta) b -= w / static_cast<double>(beta.size());
  }
  SetUpCoordinates c = Traverse(chain, CarryAzimuths(chain, beta));

  // Linear and height misclosures, spread by the length run to each station.
  const KnownPoint& end = *chain.end;
  const double fN = c.north[n - 1] - end.north;
  const double fE = c.east[n - 1] - end.east;
  mis.north = fN;
  mis.east = fE;
  std::optional<double> fH;
  if (c.height[n - 1] && end.height) fH = *c.height[n - 1] - *end.height;
  mis.height = fH;
  const double f = std::hypot(fN, fE);
  if (f > 0) mis.precisionRatio = mis.length / f;
  double run = 0;
  for (size_t k = 0; k + 1 < n; ++k) {
    run += chain.legs[k].horizontal;
    const double share = run / mis.length;
    c.north[k + 1] -= fN * share;
    c.east[k + 1] -= fE * share;
    if (fH && c.height[k + 1]) *c.height[k + 1] -= *fH * share;
  }
  FillStations(chain, c, out);
  out.tolerance = CheckTolerance(mis, options);
  if (coordinates) *coordinates = std::move(c);
  return out;
}

}  // namespace corvane::traverse
