#include "core/traverse/traverse_chain.h"

#include <cmath>
#include <string_view>
#include <unordered_map>

#include "core/compute/angle_math.h"
#include "core/compute/point_format.h"
#include "core/grid/grid_columns.h"
#include "core/text/numbers.h"
#include "core/text/text_helpers.h"

namespace corvane::traverse {
namespace {

constexpr double kTwoPi = 2 * kPi;
// A leg shorter than this prints as 0.000: it gives no direction.
constexpr double kShortestLeg = 0.0005;

struct Measured {
  int row;
  int unit;  // index into JobSetUps::units
};

struct JobSetUp {
  int stationRow = 0;
  int backsightRow = 0;
  int backsightUnit = 0;
  std::vector<Measured> measured;
};

struct JobSetUps {
  std::vector<JobSetUp> setUps;
  std::vector<std::string> units{std::string()};
};

std::string Line(int row) { return "Line " + FormatInt(row); }
std::string Quoted(std::string_view name) {
  std::string q(1, '\'');
  q += PointLabel(name);
  q += '\'';
  return q;
}

// Walks the rows once: every "U" station row opens a set-up, the first "U"
// backsight row after it is its backsight, the "U" measured rows after that are
// its points. A station or backsight row without a name ends the walk with the
// recompute's own message.
CommandResult ReadSetUps(const RecordGrid& grid, JobSetUps& job) {
  int unit = 0;
  for (int r = 1; r < grid.RowCount(); ++r) {
    const std::string_view kind = grid.Cell(r, col::kKind);
    const bool marked = grid.Cell(r, col::kMark) == "U";
    if ((kind == "ST" || kind == "BS") && grid.Cell(r, col::kName).empty())
      return CommandResult::Failure("Lost Point name in line:" + FormatInt(r), {}, MessageIcon::None);
    if (marked && kind == "ST") {
      job.setUps.push_back({r, 0, 0, {}});
    } else if (marked && kind == "BS" && !job.setUps.empty() && job.setUps.back().backsightRow == 0) {
      job.setUps.back().backsightRow = r;
      job.setUps.back().backsightUnit = unit;
    } else if (marked && (kind == "DP" || kind == "RP") && !job.setUps.empty() &&
               job.setUps.back().backsightRow != 0) {
      job.setUps.back().measured.push_back({r, unit});
    }
    if (kind == "AnglUnit") {
      job.units.emplace_back(grid.Cell(r, col::kName));
      unit = static_cast<int>(job.units.size()) - 1;
    }
  }
  return {};
}

const Measured* FindMeasured(const RecordGrid& grid, const JobSetUp& s, std::string_view name) {
  for (const Measured& m : s.measured)
    if (grid.Cell(m.row, col::kName) == name) return &m;
  return nullptr;
}

// Reads a number a chain row needs; the failure names the row, the point and what.
bool ChainNumber(const RecordGrid& grid, int row, int column, const char* what, double& value,
                 CommandResult& failure) {
  if (StrictNumber(grid.Cell(row, column), value)) return true;
  failure = CommandResult::Failure(Line(row) + ": the " + what + " of " + Quoted(grid.Cell(row, col::kName)) +
                                   " is not a number ('" + PointLabel(TrimWhite(grid.Cell(row, column))) + "').");
  return false;
}

bool FiniteHeight(const RecordGrid& grid, int row, int column, const char* what, double& value,
                  CommandResult& failure) {
  value = CAtof(grid.Cell(row, column));
  if (std::isfinite(value)) return true;
  failure = CommandResult::Failure(Line(row) + ": the " + what + " of " + Quoted(grid.Cell(row, col::kName)) +
                                   " is not a finite number.");
  return false;
}

// The coordinates of a station or backsight row; false when the row gives no
// plane position.
bool PointFromRow(const RecordGrid& grid, int row, bool enz, KnownPoint& p) {
  p.name = grid.Cell(row, col::kName);
  p.northText = grid.Cell(row, enz ? col::kPlane2 : col::kPlane1);
  p.eastText = grid.Cell(row, enz ? col::kPlane1 : col::kPlane2);
  p.heightText = grid.Cell(row, col::kHeight);
  double h = 0;
  if (StrictNumber(p.heightText, h)) p.height = h;
  return StrictNumber(p.northText, p.north) && StrictNumber(p.eastText, p.east);
}

std::string NoChainMessage(const RecordGrid& grid, const JobSetUps& job) {
  const JobSetUp& first = job.setUps[0];
  const JobSetUp& second = job.setUps[1];
  const std::string_view station = grid.Cell(first.stationRow, col::kName);
  const std::string_view next = grid.Cell(second.stationRow, col::kName);
  std::string text = "No traverse in the job: the set-up in line " + FormatInt(second.stationRow) +
                     " does not continue the one in line " + FormatInt(first.stationRow) + ": ";
  if (second.backsightRow == 0 || grid.Cell(second.backsightRow, col::kName) != station)
    return text + "its backsight is not " + Quoted(station) + ".";
  return text + "no point named " + Quoted(next) + " is measured from " + Quoted(station) + ".";
}

}  // namespace

double NormalizeAngle(double x) {
  x = std::fmod(x, kTwoPi);
  if (x < 0) x += kTwoPi;
  return x >= kTwoPi ? 0.0 : x;
}

double NormalizeSigned(double x) {
  x = NormalizeAngle(x);
  return x > kPi ? x - kTwoPi : x;
}

bool HorizontalAnglesLeft(const RecordGrid& grid, int* row) {
  for (int r = 1; r < grid.RowCount(); ++r) {
    std::string value;
    if (TrimBlanks(grid.Cell(r, col::kMark)) == "HA")
      value = TrimBlanks(grid.Cell(r, col::kKind));
    else if (TrimBlanks(grid.Cell(r, col::kKind)) == "HA")
      value = TrimBlanks(grid.Cell(r, col::kName));
    else
      continue;
    if (row) *row = r;
    return value == "Left";
  }
  return false;
}

CommandResult FindChain(const RecordGrid& grid, const ControlPoints& control, Chain& chain) {
  chain = Chain();
  if (int row = 0; HorizontalAnglesLeft(grid, &row))
    return CommandResult::Failure("The job counts its horizontal angles to the left (HA :Left, line " +
                                  FormatInt(row) + "): only jobs measured to the right can be adjusted.");
  JobSetUps job;
  if (CommandResult read = ReadSetUps(grid, job); !read.Done()) return read;
  chain.setUpsInJob = static_cast<int>(job.setUps.size());
  if (job.setUps.empty()) return CommandResult::Failure("No traverse in the job: it has no set-up (no station row).");
  if (job.setUps.size() == 1)
    return CommandResult::Failure("No traverse in the job: its only set-up is the one in line " +
                                  FormatInt(job.setUps[0].stationRow) + ".");
  const JobSetUp& first = job.setUps[0];
  if (first.backsightRow == 0)
    return CommandResult::Failure("The set-up in line " + FormatInt(first.stationRow) +
                                  " has no backsight row: the traverse has no starting direction.");

  // The longest run of set-ups that continue each other, with the rows that
  // measure each next station.
  std::vector<const Measured*> foresight;
  size_t n = 1;
  while (n < job.setUps.size()) {
    const JobSetUp& before = job.setUps[n - 1];
    const JobSetUp& next = job.setUps[n];
    if (next.backsightRow == 0 ||
        grid.Cell(next.backsightRow, col::kName) != grid.Cell(before.stationRow, col::kName))
      break;
    const Measured* m = FindMeasured(grid, before, grid.Cell(next.stationRow, col::kName));
    if (!m) break;
    foresight.push_back(m);
    ++n;
  }
  if (n == 1) return CommandResult::Failure(NoChainMessage(grid, job));

  // A station met twice can only be the start again, as the last set-up of a loop.
  const std::string_view startName = grid.Cell(first.stationRow, col::kName);
  std::unordered_map<std::string_view, int> seen;
  for (size_t k = 0; k < n; ++k) {
    const int row = job.setUps[k].stationRow;
    const std::string_view name = grid.Cell(row, col::kName);
    const auto [it, added] = seen.emplace(name, row);
    if (!added && !(k == n - 1 && name == startName))
      return CommandResult::Failure("The traverse passes through " + Quoted(name) + " twice (set-ups in lines " +
                                    FormatInt(it->second) + " and " + FormatInt(row) + ").");
  }

  // Known start and direction.
  const bool enz = CoordinateOrder(grid) == '2';
  const auto knownFromJob = [&](int row, KnownPoint& p) {
    if (const KnownPoint* c = control.Find(grid.Cell(row, col::kName))) {
      p = *c;
      return true;
    }
    return PointFromRow(grid, row, enz, p);
  };
  if (!knownFromJob(first.stationRow, chain.start))
    return CommandResult::Failure("The start of the traverse is unknown: " + Quoted(startName) + " (line " +
                                  FormatInt(first.stationRow) + ") has no coordinates in the job or the control file.");
  if (!knownFromJob(first.backsightRow, chain.backsight))
    return CommandResult::Failure("The starting direction is unknown: the backsight " +
                                  Quoted(grid.Cell(first.backsightRow, col::kName)) + " (line " +
                                  FormatInt(first.backsightRow) + ") has no coordinates in the job or the control file.");
  if (chain.start.name == chain.backsight.name ||
      (chain.start.north == chain.backsight.north && chain.start.east == chain.backsight.east))
    return CommandResult::Failure("The set-up in line " + FormatInt(first.stationRow) + " has no direction: its station " +
                                  Quoted(chain.start.name) + " and backsight " + Quoted(chain.backsight.name) +
                                  " coincide.");
  const auto known = [&](std::string_view name) -> std::optional<KnownPoint> {
    if (const KnownPoint* c = control.Find(name)) return *c;
    if (name == chain.start.name) return chain.start;
    if (name == chain.backsight.name) return chain.backsight;
    return std::nullopt;
  };

  // The set-ups and legs with the numbers they need.
  CommandResult failure;
  chain.setUps.resize(n);
  chain.legs.resize(n - 1);
  chain.knownStation.resize(n);
  for (size_t k = 0; k < n; ++k) {
    const JobSetUp& s = job.setUps[k];
    ChainSetUp& c = chain.setUps[k];
    c.stationRow = s.stationRow;
    c.backsightRow = s.backsightRow;
    c.station = grid.Cell(s.stationRow, col::kName);
    c.backsight = grid.Cell(s.backsightRow, col::kName);
    chain.knownStation[k] = known(c.station);
    double value = 0;
    if (!FiniteHeight(grid, s.stationRow, col::kInstrumentHeight, "instrument height", c.instrumentHeight, failure) ||
        !ChainNumber(grid, s.backsightRow, col::kVerticalAngle, "horizontal angle", value, failure))
      return failure;
    c.backsightAngle = AngleToRadians(value, job.units[static_cast<size_t>(s.backsightUnit)]);
    if (k + 1 == n) break;
    const Measured& m = *foresight[k];
    const std::string& unit = job.units[static_cast<size_t>(m.unit)];
    double slope = 0, zenith = 0, target = 0;
    if (!ChainNumber(grid, m.row, col::kHorizontalAngle, "horizontal angle", value, failure) ||
        !ChainNumber(grid, m.row, col::kSlopeDistance, "slope distance", slope, failure) ||
        !ChainNumber(grid, m.row, col::kVerticalAngle, "vertical angle", zenith, failure) ||
        !FiniteHeight(grid, m.row, col::kTargetHeight, "target height", target, failure))
      return failure;
    c.foresightRow = m.row;
    c.foresightAngle = AngleToRadians(value, unit);
    c.beta = NormalizeAngle(c.foresightAngle - c.backsightAngle);
    c.angleUnit = unit;
    const double z = AngleToRadians(zenith, unit);
    ChainLeg& leg = chain.legs[k];
    leg.row = m.row;
    leg.slope = slope;
    leg.zenith = z;
    leg.target = target;
    leg.horizontal = HorizontalDistance(slope, z);
    leg.heightDiff = HeightComponent(slope, z) + c.instrumentHeight - target;
    if (!(leg.horizontal >= kShortestLeg) || !std::isfinite(leg.heightDiff))
      return CommandResult::Failure(Line(m.row) + ": the leg from " + Quoted(c.station) + " to " +
                                    Quoted(grid.Cell(m.row, col::kName)) + " has no length.");
  }

  // Closure: the last set-up on a known point, and a sight from it to another one.
  ChainSetUp& last = chain.setUps[n - 1];
  chain.end = chain.knownStation[n - 1];
  chain.kind = last.station == chain.start.name ? TraverseKind::Loop
               : chain.end                      ? TraverseKind::Link
                                                : TraverseKind::Open;
  if (!chain.end) return {};
  for (const Measured& m : job.setUps[n - 1].measured) {
    const std::string_view name = grid.Cell(m.row, col::kName);
    if (name == last.station || name == last.backsight) continue;
    std::optional<KnownPoint> c = known(name);
    if (!c) continue;
    if (c->north == chain.end->north && c->east == chain.end->east)
      return CommandResult::Failure(Line(m.row) + ": the closing direction from " + Quoted(last.station) + " to " +
                                    Quoted(name) + " has no length: both points have the same coordinates.");
    double value = 0;
    if (!ChainNumber(grid, m.row, col::kHorizontalAngle, "horizontal angle", value, failure)) return failure;
    last.foresightRow = m.row;
    last.foresightAngle = AngleToRadians(value, job.units[static_cast<size_t>(m.unit)]);
    last.beta = NormalizeAngle(last.foresightAngle - last.backsightAngle);
    last.angleUnit = job.units[static_cast<size_t>(m.unit)];
    chain.closingPoint = std::move(c);
    break;
  }
  return {};
}

}  // namespace corvane::traverse
