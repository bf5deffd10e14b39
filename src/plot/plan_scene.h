#pragma once
// The job as plan-view geometry: every point of the coordinate export's list
// (the same walk, so the drawing and the export never disagree), the sight
// lines from each station to its backsight, the traverse through the stations,
// and optionally the points of a recompute beside the originals. Names, codes
// and heights are read from the grid when needed, so a point costs 32 bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/compute/measured_coordinates.h"
#include "core/compute/station_table.h"
#include "core/grid/record_grid.h"

namespace corvane::plot {

// Coordinates beyond this (metres) are not drawn: no survey lies there, and
// doubles lose the millimetres long before.
inline constexpr double kDrawableLimit = 1e10;

// Whether a row's plane coordinate cells place a point: both cells begin with a
// number, and a row other than a station is not all zeros (what the instrument
// writes for a point it has no coordinates of). A station at 0,0,0 stays: its
// measured points are reduced from there.
bool UsableCoordinates(PointKind kind, std::string_view north, std::string_view east, std::string_view height);

struct PlanPoint {
  double east = 0;   // x of the drawing
  double north = 0;  // y of the drawing
  double height = 0;
  std::int32_t row = 0;  // grid row
  PointKind kind = PointKind::Measured;
  bool drawable = false;    // usable plan coordinates (UsableCoordinates), finite and within kDrawableLimit
  bool heightText = false;  // the height is printed from the grid cell (coordinate rows)
};

// A recomputed point and the listed point of the same row.
struct PlanShift {
  std::uint32_t point = 0;  // index into Points()
  double east = 0;
  double north = 0;
  double height = 0;
};

// A drawable point in east order, with what a view needs of it side by side.
struct EastEntry {
  double east = 0;
  double north = 0;
  std::uint32_t point = 0;  // index into Points()
  PointKind kind = PointKind::Measured;
};

struct PlanExtent {
  double minEast = 0, minNorth = 0, maxEast = 0, maxNorth = 0;
  bool empty = true;
};

class PlanScene final {
 public:
  PlanScene() = default;
  // The scene of a grid; the grid must outlive the scene and stay unchanged.
  explicit PlanScene(const RecordGrid& grid) { Rebuild(grid); }
  void Rebuild(const RecordGrid& grid);

  // Adds the points of a recompute with the table (replacing earlier ones).
  void SetRecompute(const StationTable& table);
  void ClearRecompute() {
    shifts_.clear();
    shifts_.shrink_to_fit();
  }

  const std::vector<PlanPoint>& Points() const { return points_; }
  const std::vector<PlanShift>& Shifts() const { return shifts_; }
  // Station → backsight index pairs, and the stations in set-up order.
  const std::vector<std::pair<std::uint32_t, std::uint32_t>>& SightLines() const { return sightLines_; }
  const std::vector<std::uint32_t>& Traverse() const { return traverse_; }
  // Drawable points by east, for the points in a view.
  const std::vector<EastEntry>& ByEast() const { return byEast_; }
  const PlanExtent& Extent() const { return extent_; }
  // Points the list holds but the drawing cannot place.
  std::size_t UndrawableCount() const { return points_.size() - byEast_.size(); }
  // The first `most` of them, in list order.
  std::vector<std::uint32_t> UndrawablePoints(std::size_t most) const;
  // The recompute's point for a listed point, or null.
  const PlanShift* ShiftOf(std::size_t point) const;
  bool CoordinateOrderEnz() const { return enz_; }

  // The point of a grid row, or -1.
  int PointOfRow(int gridRow) const;
  // Texts of a point as the export writes them (GBK bytes).
  std::string Name(std::size_t i) const;
  // The name without a copy: the cell, or the counter written into buf.
  std::string_view NameBytes(std::size_t i, char (&buf)[24]) const;
  std::string_view Code(std::size_t i) const;
  std::string HeightText(std::size_t i) const;
  std::string NorthText(std::size_t i) const;
  std::string EastText(std::size_t i) const;

  // Bytes the scene holds (its arrays), for the memory budget.
  std::size_t MemoryBytes() const;

 private:
  const RecordGrid* grid_ = nullptr;
  bool enz_ = false;
  std::vector<PlanPoint> points_;
  std::vector<PlanShift> shifts_;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> sightLines_;
  std::vector<std::uint32_t> traverse_;
  std::vector<EastEntry> byEast_;
  PlanExtent extent_;
};

}  // namespace corvane::plot
