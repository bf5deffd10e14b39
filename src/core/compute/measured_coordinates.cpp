#include "core/compute/measured_coordinates.h"

#include <algorithm>

#include "core/compute/angle_math.h"
#include "core/compute/output_file.h"
#include "core/compute/point_format.h"
#include "core/compute/polar_point.h"
#include "core/file_texts.h"
#include "core/text/numbers.h"
#include "core/text/text_helpers.h"

namespace corvane {
namespace {

bool CoordinateKind(std::string_view kind, PointKind& out) {
  if (kind == "ST")
    out = PointKind::Station;
  else if (kind == "BS")
    out = PointKind::Backsight;
  else if (kind == "MP")
    out = PointKind::Measured;
  else if (kind == "CP")
    out = PointKind::Control;
  else if (kind == "RP")
    out = PointKind::Reference;
  else
    return false;
  return true;
}

}  // namespace

void ForEachMeasuredPointOfRows(const RecordGrid& grid, int firstRow, int endRow,
                                const std::function<void(const MeasuredPoint&)>& visit,
                                const std::function<void()>& afterRow) {
  const bool enz = CoordinateOrder(grid) == '2';
  firstRow = std::max(firstRow, 1);
  endRow = std::min(endRow, grid.RowCount());
  AngleUnitWalk unit;
  // The last station, read once per set-up: all 0 until an ST row is met.
  PolarSetup setup;
  MeasuredPoint point;
  std::string number;
  // What the rows before the first set: the unit, the station, the counter.
  int stationRow = 0;
  for (int r = 1; r < firstRow; ++r) {
    const std::string kind = TrimLeftBlanks(grid.Cell(r, 2));
    if (grid.Cell(r, 1) == "U" && (CoordinateKind(kind, point.kind) || kind == "DP")) {
      ++point.counter;
      if (kind == "ST") stationRow = r;
    }
    unit.AfterRow(kind, grid.Cell(r, 3));
  }
  if (stationRow > 0)
    setup = {CAtof(grid.Cell(stationRow, enz ? 8 : 7)), CAtof(grid.Cell(stationRow, enz ? 7 : 8)),
             CAtof(grid.Cell(stationRow, 9)), CAtof(grid.Cell(stationRow, 10))};
  for (int r = firstRow; r < endRow; ++r) {
    const std::string kind = TrimLeftBlanks(grid.Cell(r, 2));
    if (grid.Cell(r, 1) == "U") {
      const bool coordinates = CoordinateKind(kind, point.kind);
      if (coordinates || kind == "DP") {
        point.row = r;
        ++point.counter;
        point.name = grid.Cell(r, 3);
        if (point.name.empty()) point.name = number = FormatInt(point.counter);
        point.code = grid.Cell(r, 12);
        if (coordinates) {
          point.north = grid.Cell(r, enz ? 8 : 7);
          point.east = grid.Cell(r, enz ? 7 : 8);
          point.height = grid.Cell(r, 9);
          point.finite = true;
          if (point.kind == PointKind::Station) {
            setup = {CAtof(point.north), CAtof(point.east), CAtof(point.height), CAtof(grid.Cell(r, 10))};
          }
          visit(point);
        } else {
          point.kind = PointKind::Polar;
          const PolarPoint reduced =
              ReducePolar(setup, {unit.ToRadians(grid.Cell(r, 5)), unit.ToRadians(grid.Cell(r, 6)),
                                  CAtof(grid.Cell(r, 4)), CAtof(grid.Cell(r, 11))},
                          HeightOrder::TargetThenComponent);
          point.north = reduced.north;
          point.east = reduced.east;
          point.height = reduced.height;
          point.finite = reduced.finite;
          visit(point);
        }
      }
    }
    unit.AfterRow(kind, grid.Cell(r, 3));
    if (afterRow) afterRow();
  }
}

void ForEachMeasuredPoint(const RecordGrid& grid, const std::function<void(const MeasuredPoint&)>& visit,
                          const std::function<void()>& afterRow) {
  ForEachMeasuredPointOfRows(grid, 1, grid.RowCount(), visit, afterRow);
}

CommandResult ExportMeasuredCoordinates(const RecordGrid& grid, std::string_view answer) {
  if (answer.empty()) return CommandResult::Cancelled();
  return ExportMeasuredCoordinates(grid, ParseExportAnswer(answer));
}

CommandResult ExportMeasuredCoordinates(const RecordGrid& grid, const ExportAnswer& answer) {
  OutputFile file;
  if (!file.Create(answer.path)) return file.Failure(kOpenFileFailed);
  std::string& out = file.Text();
  if (answer.layout == kDxfLayout) out += kDxfEntitiesHeader;
  ForEachMeasuredPoint(
      grid,
      [&](const MeasuredPoint& p) {
        AppendPointLine(out, p.name, p.code, p.north, p.east, p.height, answer.layout, answer.separator, p.counter);
      },
      [&] { file.Spill(); });
  if (answer.layout == kDxfLayout) out += kDxfEnd;
  if (!file.Finish()) return file.Failure(kOpenFileFailed);
  CommandResult done;
  done.filesToOpen.push_back(answer.path);
  return done;
}

}  // namespace corvane
