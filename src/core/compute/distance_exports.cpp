#include "core/compute/distance_exports.h"

#include "core/file_texts.h"
#include "core/compute/angle_math.h"
#include "core/compute/output_file.h"
#include "core/text/numbers.h"
#include "core/text/text_helpers.h"

namespace corvane {
namespace {

enum class Reduction { Horizontal, Slope };

// The point name of a row: its column 3, or the running count when that is empty.
std::string NameOrCount(const RecordGrid& grid, int r, long long n) {
  const std::string_view name = grid.Cell(r, col::kName);
  return name.empty() ? FormatInt(n) : std::string(name);
}

void Join(std::string& out, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (std::string_view f : fields) {
    if (!first) out += "  ";
    out += f;
    first = false;
  }
  out += '\n';
}

// Layout B's running set-up: carried from the last ST and BS rows above a point.
struct SetUp {
  std::string station, backsight, instrumentHeight, backsightAngle = "0.0000";
};

void WriteRows(const RecordGrid& grid, Reduction reduction, DistanceLayout layout, OutputFile& file) {
  std::string& out = file.Text();
  AngleUnitWalk unit;
  SetUp setUp;
  long long n = 0;
  for (int r = 1; r < grid.RowCount(); ++r) {
    const std::string_view kind = TrimRightChar(grid.Cell(r, col::kKind), ' ');
    const bool isPoint = kind == "DP" || kind == "RP";
    if (grid.Cell(r, col::kMark) == "U" && (kind == "ST" || kind == "BS" || isPoint)) {
      std::string hd, vd;
      if (isPoint && reduction == Reduction::Horizontal) {
        const double z = unit.ToRadians(grid.Cell(r, col::kVerticalAngle));
        const double sd = CAtof(grid.Cell(r, col::kSlopeDistance));
        hd = Format3(HorizontalDistance(sd, z));
        vd = Format3(HeightComponent(sd, z));
      }
      const bool horizontal = reduction == Reduction::Horizontal;
      if (layout == DistanceLayout::A) {
        const std::string name = NameOrCount(grid, r, ++n);
        if (kind == "ST") {
          out += name;
          out += horizontal ? "  0.0000  0.000  0.000  " : "  0.0000  0.0000  0.000  ";
          out += Format3(CAtof(grid.Cell(r, col::kInstrumentHeight)));
          out += '\n';
        } else if (kind == "BS") {
          Join(out, {name, grid.Cell(r, col::kVerticalAngle), horizontal ? "0.000" : "0.0000", "0.000", Format3(CAtof(grid.Cell(r, col::kTargetHeight)))});
        } else if (horizontal) {
          Join(out, {name, grid.Cell(r, col::kHorizontalAngle), hd, vd, grid.Cell(r, col::kTargetHeight)});
        } else {
          Join(out, {name, grid.Cell(r, col::kHorizontalAngle), grid.Cell(r, col::kVerticalAngle), Format3(CAtof(grid.Cell(r, col::kSlopeDistance))),
                     Format3(CAtof(grid.Cell(r, col::kTargetHeight)))});
        }
      } else if (kind == "ST") {
        setUp.station = PadLeft(grid.Cell(r, col::kName), 9);
        setUp.instrumentHeight = PadLeft(Format3(CAtof(grid.Cell(r, col::kInstrumentHeight))), 8);
      } else if (kind == "BS") {
        setUp.backsightAngle = PadLeft(grid.Cell(r, col::kVerticalAngle), 9);
        setUp.backsight = PadLeft(grid.Cell(r, col::kName), 9);
      } else {
        const std::string name = PadLeft(NameOrCount(grid, r, ++n), 9);
        const std::string ha = PadLeft(grid.Cell(r, col::kHorizontalAngle), 9);
        if (horizontal)
          Join(out, {setUp.station, setUp.backsight, setUp.instrumentHeight, setUp.backsightAngle, name, ha,
                     PadLeft(hd, 9), PadLeft(vd, 9), PadLeft(grid.Cell(r, col::kTargetHeight), 9)});
        else
          Join(out, {setUp.station, setUp.backsight, setUp.instrumentHeight, setUp.backsightAngle, name, ha,
                     PadLeft(grid.Cell(r, col::kVerticalAngle), 9), PadLeft(Format3(CAtof(grid.Cell(r, col::kSlopeDistance))), 9),
                     PadLeft(Format3(CAtof(grid.Cell(r, col::kTargetHeight))), 9)});
      }
    }
    if (reduction == Reduction::Horizontal) unit.AfterRow(kind, grid.Cell(r, col::kName));
    file.Spill();
  }
}

CommandResult ExportDistances(const RecordGrid& grid, Reduction reduction, DistanceLayout layout,
                              const std::string& path) {
  // The slope list of layout A reports a file it cannot create with the report
  // file's message; the tool has always done so.
  const char* message =
      reduction == Reduction::Slope && layout == DistanceLayout::A ? kOpenReportFileFailed : kOpenFileFailed;
  OutputFile file;
  if (!file.Create(path)) return file.Failure(message);
  WriteRows(grid, reduction, layout, file);
  if (!file.Finish()) return file.Failure(message);
  CommandResult done;
  done.filesToOpen.push_back(path);
  return done;
}

CommandResult WithAnswer(const RecordGrid& grid, Reduction reduction, int answer, const std::string& path) {
  const std::optional<DistanceLayout> layout = DistanceLayoutFromAnswer(answer);
  if (!layout) return CommandResult::Cancelled();
  return ExportDistances(grid, reduction, *layout, path);
}

}  // namespace

std::optional<DistanceLayout> DistanceLayoutFromAnswer(int answer) {
  switch (ToShort(answer)) {
    case 0: return DistanceLayout::A;
    case 1: return DistanceLayout::B;
    default: return std::nullopt;
  }
}

CommandResult ExportHorizontalDistances(const RecordGrid& grid, DistanceLayout layout, const std::string& path) {
  return ExportDistances(grid, Reduction::Horizontal, layout, path);
}

CommandResult ExportSlopeDistances(const RecordGrid& grid, DistanceLayout layout, const std::string& path) {
  return ExportDistances(grid, Reduction::Slope, layout, path);
}

CommandResult ExportHorizontalDistances(const RecordGrid& grid, int answer, const std::string& path) {
  return WithAnswer(grid, Reduction::Horizontal, answer, path);
}

CommandResult ExportSlopeDistances(const RecordGrid& grid, int answer, const std::string& path) {
  return WithAnswer(grid, Reduction::Slope, answer, path);
}

CommandResult ExportAngles(const RecordGrid& grid, const std::string& path) {
  OutputFile file;
  if (!file.Create(path)) return file.Failure(kOpenFileFailed);
  std::string& out = file.Text();
  long long n = 0;
  for (int r = 1; r < grid.RowCount(); ++r) {
    if (grid.Cell(r, col::kMark) != "U" || TrimLeftBlanks(grid.Cell(r, col::kKind)) != "AP") continue;
    out += NameOrCount(grid, r, ++n);
    for (int col : {12, 5, 6, 11}) {
      out += '\t';
      out += grid.Cell(r, col);
    }
    out += '\n';
    file.Spill();
  }
  if (!file.Finish()) return file.Failure(kOpenFileFailed);
  CommandResult done;
  done.filesToOpen.push_back(path);
  return done;
}

}  // namespace corvane
