#include "exchange/job_features.h"

#include <cmath>
#include <limits>
#include <unordered_map>

#include "core/compute/measured_coordinates.h"
#include "core/compute/station_recompute.h"
#include "core/text/numbers.h"
#include "exchange/crs.h"

namespace corvane::exchange {
namespace {

const char* KindText(PointKind kind) {
  switch (kind) {
    case PointKind::Station: return "ST";
    case PointKind::Backsight: return "BS";
    case PointKind::Measured: return "MP";
    case PointKind::Control: return "CP";
    case PointKind::Reference: return "RP";
    case PointKind::Polar: return "DP";
  }
  return "";
}

// A coordinate's text as a number. A reduced point that overflowed prints as
// "inf" or "nan": that is no coordinate (where reading the text as the exports
// do would make it 0).
double CoordinateValue(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  if (i < text.size() && (text[i] == 'i' || text[i] == 'n' || text[i] == 'I' || text[i] == 'N'))
    return std::numeric_limits<double>::quiet_NaN();
  return CAtof(text);
}

bool Good(const FeaturePoint& p) {
  for (double v : {p.north, p.east, p.height})
    if (!std::isfinite(v) || std::fabs(v) > kCoordinateLimit) return false;
  return true;
}

JobLine Line(const JobPoint& a, const JobPoint& b, int row) {
  const FeaturePoint delta{b.at.north - a.at.north, b.at.east - a.at.east, b.at.height - a.at.height};
  return {a.place, b.place, delta, a.name, b.name, row};
}

}  // namespace

JobFeatures CollectJobFeatures(const RecordGrid& grid, const StationTable* table) {
  JobFeatures f;
  f.points.reserve(static_cast<size_t>(std::max(0, grid.RowCount() - 1)));
  int station = -1;  // index of the current set-up's station
  ForEachMeasuredPoint(grid, [&](const MeasuredPoint& p) {
    JobPoint point;
    point.at = point.place = {CoordinateValue(p.north), CoordinateValue(p.east), CoordinateValue(p.height)};
    point.name.assign(p.name);
    point.code.assign(p.code);
    point.kind = KindText(p.kind);
    point.row = p.row;
    if (p.kind == PointKind::Station) {
      if (station >= 0) f.traverse.push_back(Line(f.points[static_cast<size_t>(station)], point, p.row));
      station = static_cast<int>(f.points.size());
      point.station = point.name;
    } else if (station >= 0) {
      point.station = f.points[static_cast<size_t>(station)].name;
      if (p.kind == PointKind::Backsight || p.kind == PointKind::Polar || p.kind == PointKind::Reference)
        f.sightlines.push_back(Line(f.points[static_cast<size_t>(station)], point, p.row));
    }
    f.points.push_back(std::move(point));
  });
  if (!table) return f;

  std::unordered_map<int, size_t> byRow;
  for (size_t i = 0; i < f.points.size(); ++i) byRow.emplace(f.points[i].row, i);
  ForEachRecomputedRow(grid, *table, [&](const RecomputedRow& r) {
    JobPoint point;
    point.at = point.place = {CoordinateValue(r.north), CoordinateValue(r.east), CoordinateValue(r.height)};
    point.name.assign(r.name);
    point.row = r.row;
    const auto listed = byRow.find(r.row);
    if (listed != byRow.end()) {
      const JobPoint& old = f.points[listed->second];
      point.code = old.code;
      point.kind = old.kind;
      point.station = old.station;
      f.shifts.push_back(Line(old, point, r.row));
    } else {
      point.kind = r.kind == RecomputedRow::Kind::Station ? "ST" : r.kind == RecomputedRow::Kind::Backsight ? "BS" : "";
    }
    f.recomputed.push_back(std::move(point));
  });
  return f;
}

BadCoordinate FindBadCoordinate(const JobFeatures& features) {
  for (const std::vector<JobPoint>* list : {&features.points, &features.recomputed})
    for (const JobPoint& p : *list)
      if (!Good(p.at)) return {true, p.row, p.name};
  return {};
}

}  // namespace corvane::exchange

namespace corvane::exchange {

bool TransformFeatures(JobFeatures& f, const CrsTransform& transform, BadCoordinate& failed) {
  // One batch for PROJ: every geometry's coordinates, remembering whose they are.
  std::vector<double> x, y, z;
  std::vector<const JobPoint*> owner;
  auto add = [&](const FeaturePoint& p, const JobPoint* who) {
    x.push_back(p.east);
    y.push_back(p.north);
    z.push_back(p.height);
    owner.push_back(who);
  };
  for (const std::vector<JobPoint>* list : {&f.points, &f.recomputed})
    for (const JobPoint& p : *list) add(p.place, &p);
  for (const std::vector<JobLine>* list : {&f.traverse, &f.sightlines, &f.shifts})
    for (const JobLine& l : *list) {
      add(l.from, nullptr);
      add(l.to, nullptr);
    }
  const size_t bad = transform.Apply(x.data(), y.data(), z.data(), x.size());
  if (bad < x.size()) {
    // Lines join listed points, which come first: a line can only fail on a
    // point that failed already.
    failed.found = true;
    if (const JobPoint* who = owner[bad]) {
      failed.row = who->row;
      failed.name = who->name;
    }
    return false;
  }
  size_t i = 0;
  auto take = [&](FeaturePoint& p) {
    p = {y[i], x[i], z[i]};
    ++i;
  };
  for (std::vector<JobPoint>* list : {&f.points, &f.recomputed})
    for (JobPoint& p : *list) take(p.place);
  for (std::vector<JobLine>* list : {&f.traverse, &f.sightlines, &f.shifts})
    for (JobLine& l : *list) {
      take(l.from);
      take(l.to);
    }
  return true;
}

}  // namespace corvane::exchange
