#include "core/compute/measured_coordinates.h"

#include <cmath>

#include "core/compute/angle_math.h"
#include "core/compute/output_file.h"
#include "core/compute/point_format.h"
#include "core/text/numbers.h"
#include "core/text/text_helpers.h"

namespace corvane {
namespace {

bool IsCoordinateKind(std::string_view kind) {
  return kind == "ST" || kind == "BS" || kind == "MP" || kind == "CP" || kind == "RP";
}

}  // namespace

CommandResult ExportMeasuredCoordinates(const RecordGrid& grid, std::string_view answer) {
  if (answer.empty()) return CommandResult::Cancelled();
  return ExportMeasuredCoordinates(grid, ParseExportAnswer(answer));
}

CommandResult ExportMeasuredCoordinates(const RecordGrid& grid, const ExportAnswer& answer) {
  OutputFile file;
  if (!file.Create(answer.path)) return file.Failure("Open file failed!");
  std::string& out = file.Text();
  if (answer.layout == kDxfLayout) out += kDxfEntitiesHeader;
  const bool enz = CoordinateOrder(grid) == '2';
  AngleUnitWalk unit;
  // The last station: its texts stay empty (read as 0) until an ST row is met.
  std::string stNorth, stEast, stHeight, stInstrument;
  long long counter = 0;
  std::string number;
  for (int r = 1; r < grid.RowCount(); ++r) {
    const std::string kind = TrimLeftBlanks(grid.Cell(r, 2));
    if (grid.Cell(r, 1) == "U") {
      const bool coordinates = IsCoordinateKind(kind);
      if (coordinates || kind == "DP") {
        ++counter;
        std::string_view name = grid.Cell(r, 3);
        if (name.empty()) name = number = FormatInt(counter);
        const std::string_view code = grid.Cell(r, 12);
        if (coordinates) {
          const std::string_view north = grid.Cell(r, enz ? 8 : 7), east = grid.Cell(r, enz ? 7 : 8);
          const std::string_view height = grid.Cell(r, 9);
          if (kind == "ST") {
            stNorth = north;
            stEast = east;
            stHeight = height;
            stInstrument = grid.Cell(r, 10);
          }
          AppendPointLine(out, name, code, north, east, height, answer.layout, answer.separator, counter);
        } else {
          const double ha = unit.ToRadians(grid.Cell(r, 5));
          const double z = unit.ToRadians(grid.Cell(r, 6));
          const double sd = CAtof(grid.Cell(r, 4));
          const double th = CAtof(grid.Cell(r, 11));
          const double hd = HorizontalDistance(sd, z);
          const std::string north = Format3(CAtof(stNorth) + hd * std::cos(ha));
          const std::string east = Format3(CAtof(stEast) + hd * std::sin(ha));
          const std::string height = Format3((CAtof(stHeight) + CAtof(stInstrument)) - th + HeightComponent(sd, z));
          AppendPointLine(out, name, code, north, east, height, answer.layout, answer.separator, counter);
        }
      }
    }
    unit.AfterRow(kind, grid.Cell(r, 3));
    file.Spill();
  }
  if (answer.layout == kDxfLayout) out += kDxfEnd;
  if (!file.Finish()) return file.Failure("Open file failed!");
  CommandResult done;
  done.filesToOpen.push_back(answer.path);
  return done;
}

}  // namespace corvane
