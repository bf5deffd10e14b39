#pragma once
// The values of a traverse adjustment: the settings a surveyor chooses, the
// chain found in a job, and what each method makes of it. Angles are radians,
// distances and coordinates metres (whatever unit the job carries).
#include <optional>
#include <string>
#include <vector>

namespace corvane::traverse {

inline constexpr double kArcSecond = 3.141592653589793 / (180.0 * 3600.0);

enum class Method { Compass, LeastSquares };
enum class TraverseKind { Link, Loop, Open };

const char* MethodName(Method method);      // "compass", "lsq"
const char* KindName(TraverseKind kind);    // "link", "loop", "open"

struct AdjustOptions {
  Method method = Method::Compass;
  double sigmaAngleSec = 3;      // a-priori σ of an angle, arc seconds
  double sigmaDistanceMm = 3;    // σ of a distance: a + b·D
  double sigmaDistancePpm = 2;
  double toleranceAngleSec = 10;  // allowed angular misclosure: S·√m seconds
  double toleranceRatio = 10000;  // allowed linear misclosure: 1:N
};

// A point whose coordinates are given: a control point, or the first set-up's
// station or backsight with their coordinates from the job.
struct KnownPoint {
  std::string name;
  double north = 0;
  double east = 0;
  std::optional<double> height;  // empty height text: unknown
  // The texts as given, written back unchanged into the station file.
  std::string northText;
  std::string eastText;
  std::string heightText;
  int line = 0;  // line of the control file, 0 for a point taken from the job
};

// One set-up of the chain: the station row, its backsight row and the row that
// measures the next station (or the closing direction on the last set-up).
struct ChainSetUp {
  std::string station;
  std::string backsight;
  int stationRow = 0;
  int backsightRow = 0;
  double instrumentHeight = 0;
  double backsightAngle = 0;  // HA on the backsight, radians
  // The foresight: to the next station (or, on the last set-up, to the closing
  // direction's point); 0 when there is none.
  int foresightRow = 0;
  double foresightAngle = 0;  // HA, radians
  double beta = 0;            // foresight HA - backsight HA in [0, 2π)
  std::string angleUnit;      // the unit in force at the foresight row
};

// The leg from set-up k to set-up k+1, from the foresight row of set-up k.
struct ChainLeg {
  int row = 0;
  double horizontal = 0;  // |s·sin v|
  double heightDiff = 0;  // s·cos v + i - t
  // The observation as the row gives it (zenith in radians).
  double slope = 0;
  double zenith = 0;
  double target = 0;
};

// The traverse found in a job. setUps[0] stands on the known start and sights
// the known backsight; legs[k] joins setUps[k] and setUps[k+1].
struct Chain {
  std::vector<ChainSetUp> setUps;
  std::vector<ChainLeg> legs;
  KnownPoint start;      // station of the first set-up
  KnownPoint backsight;  // its backsight
  TraverseKind kind = TraverseKind::Open;
  std::optional<KnownPoint> end;              // the known point the last set-up stands on
  std::optional<KnownPoint> closingPoint;     // the known point of the closing direction
  // Every station by set-up, known or not: its known point where there is one.
  std::vector<std::optional<KnownPoint>> knownStation;
  int setUpsInJob = 0;  // set-ups of the job, chained or not
};

struct StationResult {
  std::string name;
  double north = 0;
  double east = 0;
  std::optional<double> height;
  bool known = false;
  // Least squares only.
  std::optional<double> sigmaNorth, sigmaEast;
  std::optional<double> ellipseA, ellipseB, ellipseAzimuthDeg;
};

struct Residual {
  enum class Kind { Angle, Distance } kind = Kind::Angle;
  int row = 0;             // the foresight row of the observation
  std::string at;          // station the angle is measured at (distance: from)
  std::string to;          // foresight point (distance: to)
  double observed = 0;     // radians or metres
  double sigma = 0;        // a-priori, radians or metres
  double residual = 0;     // adjusted - observed
  std::optional<double> standardised;
  bool flagged = false;    // |standardised| > 3
};

struct LeastSquaresStats {
  int redundancy = 0;
  int iterations = 0;
  double vtpv = 0;
  std::optional<double> sigma0;  // a-posteriori, when redundancy > 0
  std::optional<double> chiLower, chiUpper;  // bounds of σ0 at 95 %
  std::optional<bool> chiPassed;
  std::vector<Residual> residuals;
};

struct Misclosure {
  int angles = 0;                        // m
  std::optional<double> angular;         // w, radians, computed - known
  std::optional<double> north, east;     // fN, fE
  std::optional<double> height;          // fH
  double length = 0;                     // L
  std::optional<double> precisionRatio;  // N of 1:N
};

struct Tolerance {
  std::optional<double> allowedAngular;  // radians: S·√m
  double allowedRatio = 0;               // N
  bool angularPassed = true;
  bool linearPassed = true;
  bool Passed() const { return angularPassed && linearPassed; }
};

struct Adjustment {
  Method method = Method::Compass;
  AdjustOptions options;
  Chain chain;
  Misclosure misclosure;
  Tolerance tolerance;
  // One entry per distinct chain station, in chain order.
  std::vector<StationResult> stations;
  std::optional<LeastSquaresStats> leastSquares;
  // Index into stations of set-up k's station.
  std::vector<int> stationOfSetUp;
};

}  // namespace corvane::traverse
