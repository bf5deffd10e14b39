#pragma once
// A measurement job as a point list: coordinate rows copied, polar measurements
// reduced from the current station, in one of eight layouts (6 is DXF). The
// export and the plan view read the list through the same walk.
#include <cstdint>
#include <functional>
#include <string_view>

#include "core/compute/command_result.h"
#include "core/compute/export_answer.h"
#include "core/grid/record_grid.h"

namespace corvane {

// The record kind of a listed point.
enum class PointKind : std::uint8_t { Station, Backsight, Measured, Control, Reference, Polar };

// One point of the list, as the export writes it. The texts point into the grid
// or into the walk's own buffers: valid only during the visit.
struct MeasuredPoint {
  int row = 0;            // grid row
  long long counter = 0;  // place among the listed points, from 1
  PointKind kind = PointKind::Measured;
  std::string_view name;  // column 3, or the counter when that is empty
  std::string_view code;
  std::string_view north;  // coordinate rows: the cells as they stand; polar rows: "%.3f"
  std::string_view east;
  std::string_view height;
  bool finite = true;  // false: a polar row whose reduction overflowed (printed as 0)
};

// Visits the listed points in grid order: "U" rows of kind ST, BS, MP, CP and RP
// (coordinates copied in the job's coordinate order) and DP (reduced from the
// last station, the origin before the first). afterRow, when given, runs after
// every grid row.
void ForEachMeasuredPoint(const RecordGrid& grid, const std::function<void(const MeasuredPoint&)>& visit,
                          const std::function<void()>& afterRow = {});
// The same walk over the grid rows [firstRow, endRow) only, each point as the
// whole walk visits it (the rows before set the station, the unit and the
// counter): two parts of a large job can be walked side by side.
void ForEachMeasuredPointOfRows(const RecordGrid& grid, int firstRow, int endRow,
                                const std::function<void(const MeasuredPoint&)>& visit,
                                const std::function<void()>& afterRow = {});

// With the export dialog's answer "{layout}{separator}{path}"; an empty answer
// is a cancel.
CommandResult ExportMeasuredCoordinates(const RecordGrid& grid, std::string_view answer);
CommandResult ExportMeasuredCoordinates(const RecordGrid& grid, const ExportAnswer& answer);

}  // namespace corvane
