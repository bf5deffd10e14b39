#pragma once
// Instrument jobs of a traverse made from true coordinates: each set-up's
// station and backsight rows with their true coordinates and a random circle
// orientation, the foresight to the next station (and on the last set-up to the
// closing point) with the observations the true coordinates give, plus optional
// noise, and one detail point. Shared by the traverse tests and the benchmark.
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace corvane::testing {

struct TruePoint {
  std::string name;
  double north = 0, east = 0, height = 0;
};

struct TraverseJobRecipe {
  std::vector<TruePoint> stations;  // in set-up order; a loop ends on the first again
  TruePoint backsight;              // of the first set-up
  std::optional<TruePoint> closing; // sighted from the last set-up
  std::string unit = "dms";         // "dms" or "gon"
  bool enz = false;                 // columns 7 and 8 hold east, north
  double angleNoiseSec = 0;
  double distanceNoiseMm = 0;
  unsigned seed = 1;
};

inline constexpr double kTestPi = 3.141592653589793;

// Degrees as packed sexagesimal text with the seconds to 1e-7.
inline std::string PackedDms(double degrees) {
  degrees = std::fmod(degrees, 360.0);
  if (degrees < 0) degrees += 360;
  long long tenthMicro = std::llround(degrees * 3600e7);  // units of 1e-7 second
  const long long d = tenthMicro / 36000000000LL;
  tenthMicro -= d * 36000000000LL;
  const long long m = tenthMicro / 600000000LL;
  tenthMicro -= m * 600000000LL;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%lld.%02lld%09lld", d % 360, m, tenthMicro);
  return buf;
}

inline std::string AngleCell(double degrees, const std::string& unit) {
  if (unit == "gon") {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10f", std::fmod(degrees + 720.0, 360.0) / 0.9);
    return buf;
  }
  return PackedDms(degrees);
}

inline double TrueAzimuthDeg(const TruePoint& a, const TruePoint& b) {
  return std::atan2(b.east - a.east, b.north - a.north) * 180.0 / kTestPi;
}

// The job's lines ("\n" between them).
inline std::string TraverseJobText(const TraverseJobRecipe& recipe) {
  std::mt19937 rng(recipe.seed);
  std::uniform_real_distribution<double> circle(0.0, 360.0);
  std::normal_distribution<double> normal(0.0, 1.0);
  char buf[512];
  std::string out = "ZAMO RECORD FILE\n";
  out += "U,AnglUnit," + recipe.unit + "\n";
  out += std::string("U,CoorType,") + (recipe.enz ? "ENZ" : "NEZ") + "\n";
  const auto coords = [&](const TruePoint& p) {
    std::snprintf(buf, sizeof buf, "%.4f,%.4f,%.4f", recipe.enz ? p.east : p.north, recipe.enz ? p.north : p.east,
                  p.height);
    return std::string(buf);
  };
  const double instrument = 1.5, target = 1.6;
  TruePoint back = recipe.backsight;
  for (size_t k = 0; k < recipe.stations.size(); ++k) {
    const TruePoint& p = recipe.stations[k];
    const double orientation = circle(rng);
    out += "U,ST," + p.name + ",0.0000,0.0000,0.0000," + coords(p) + ",1.5000,0.0000,STN\n";
    out += "U,BS," + back.name + ",0.0000,0.0000," +
           AngleCell(TrueAzimuthDeg(p, back) + orientation, recipe.unit) + "," + coords(back) + ",0.0000,1.6000,BKB\n";
    const TruePoint* fore = k + 1 < recipe.stations.size() ? &recipe.stations[k + 1]
                            : recipe.closing               ? &*recipe.closing
                                                         : nullptr;
    if (fore) {
      const double hd = std::hypot(fore->north - p.north, fore->east - p.east);
      const double dh = fore->height + target - p.height - instrument;
      const double slope = std::hypot(hd, dh) + normal(rng) * recipe.distanceNoiseMm / 1000.0;
      const double zenith = std::atan2(hd, dh) * 180.0 / kTestPi;
      const double ha = TrueAzimuthDeg(p, *fore) + orientation + normal(rng) * recipe.angleNoiseSec / 3600.0;
      std::snprintf(buf, sizeof buf, "U,DP,%s,%.7f,%s,%s,0.0000,0.0000,0.0000,0.0000,%.4f,TRV\n", fore->name.c_str(),
                    slope, AngleCell(ha, recipe.unit).c_str(), AngleCell(zenith, recipe.unit).c_str(), target);
      out += buf;
    }
    std::snprintf(buf, sizeof buf, "U,DP,D%zu,12.3450,%s,%s,0.0000,0.0000,0.0000,0.0000,1.6000,DET\n", k,
                  AngleCell(orientation + 40, recipe.unit).c_str(), AngleCell(91, recipe.unit).c_str());
    out += buf;
    back = p;
  }
  return out;
}

// The control-file line of a true point, "name,N,E,H".
inline std::string ControlLine(const TruePoint& p, char separator = ',') {
  char buf[256];
  std::snprintf(buf, sizeof buf, "%s%c%.4f%c%.4f%c%.4f\n", p.name.c_str(), separator, p.north, separator, p.east,
                separator, p.height);
  return buf;
}

// A zig-zag of n stations heading north-east, legs of 150 to 250 m.
inline std::vector<TruePoint> ZigZagStations(int n, unsigned seed = 7) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> length(150.0, 250.0), turn(-60.0, 60.0), rise(-3.0, 3.0);
  std::vector<TruePoint> out;
  TruePoint p{"S1", 5000.0, 3000.0, 100.0};
  for (int k = 0; k < n; ++k) {
    out.push_back(p);
    const double az = (45.0 + turn(rng)) * kTestPi / 180.0;
    const double d = length(rng);
    std::string name(1, 'S');
    name += std::to_string(k + 2);
    p = {name, p.north + d * std::cos(az), p.east + d * std::sin(az), p.height + rise(rng)};
  }
  return out;
}

}  // namespace corvane::testing
