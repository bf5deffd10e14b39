#pragma once
// A measurement job as GIS features: the points the coordinate export lists
// (the same walk, so the two never disagree), the traverse through the stations
// in set-up order, the sight lines from each station to what it measured, and
// with a station table the recomputed points and their shifts.
#include <cstdint>
#include <string>
#include <vector>

#include "core/compute/station_table.h"
#include "core/grid/record_grid.h"

namespace corvane::exchange {

// Coordinates beyond this (metres or degrees) are refused: no survey lies there,
// and doubles lose the millimetres long before.
inline constexpr double kCoordinateLimit = 1e10;

struct FeaturePoint {
  double north = 0, east = 0, height = 0;
};

// A listed point. Texts are GBK bytes as in the grid.
struct JobPoint {
  FeaturePoint at;     // the job's coordinates
  FeaturePoint place;  // where the geometry goes: `at`, or transformed to the output's CRS
  std::string name;     // column 3, or the counter when that is empty
  std::string code;     // column 12
  std::string kind;     // "ST", "BS", "DP", "RP", "MP", "CP"
  std::string station;  // the set-up's station (its own name for a station); empty before the first
  int row = 0;          // grid row
};

// A line between two points of the job.
struct JobLine {
  FeaturePoint from, to;  // geometry, as JobPoint::place
  FeaturePoint delta;     // to - from in the job's coordinates (the shifts' dN, dE, dH)
  std::string fromName, toName;
  int row = 0;  // grid row of the line's end (the station, the point measured, the recomputed row)
};

struct JobFeatures {
  std::vector<JobPoint> points;
  std::vector<JobLine> traverse;    // station to the next station
  std::vector<JobLine> sightlines;  // station to each point measured from it (BS, DP, RP)
  std::vector<JobPoint> recomputed; // the recompute's stations, backsights and points
  std::vector<JobLine> shifts;      // listed point to its recomputed place
};

// The first point whose coordinates are not finite or lie beyond the limit.
struct BadCoordinate {
  bool found = false;
  int row = 0;
  std::string name;
};

// The layers of the grid; recomputed points and shifts only with a table.
JobFeatures CollectJobFeatures(const RecordGrid& grid, const StationTable* table);

// Checks every coordinate of the features.
BadCoordinate FindBadCoordinate(const JobFeatures& features);

}  // namespace corvane::exchange

namespace corvane::exchange {
class CrsTransform;
// Moves every geometry (JobPoint::place, JobLine::from and to) through the
// transform. On a point that cannot be transformed: false, with that point.
bool TransformFeatures(JobFeatures& features, const CrsTransform& transform, BadCoordinate& failed);
}  // namespace corvane::exchange
