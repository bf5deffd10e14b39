#include "core/compute/station_recompute.h"

#include <cmath>

#include "core/compute/angle_math.h"
#include "core/compute/output_file.h"
#include "core/compute/point_format.h"
#include "core/compute/station_report.h"
#include "core/text/numbers.h"
#include "core/text/text_helpers.h"

namespace corvane {

RecomputeFiles RecomputeFiles::InProgramFolder() { return {ReportCaptionFilePath(), DxfTemplatePath()}; }

std::string ReportPathFor(std::string_view outputPath) { return StripExtension(outputPath) + ".rpt"; }

CommandResult RecomputeStations(const RecordGrid& grid, const StationTable& table, std::string_view answer,
                                const RecomputeFiles& files) {
  if (answer.empty()) return CommandResult::Cancelled();
  return RecomputeStations(grid, table, ParseExportAnswer(answer), files);
}

CommandResult RecomputeStations(const RecordGrid& grid, const StationTable& table, const ExportAnswer& answer,
                                const RecomputeFiles& files) {
  OutputFile output;
  if (!output.Create(answer.path)) return output.Failure("Open file failed!");
  std::string& out = output.Text();
  if (answer.layout == kDxfLayout) {
    std::string reason;
    // An unreadable or empty template leaves the created output empty.
    if (!ReadDxfTemplate(files.dxfTemplate, out, &reason) || out.empty()) {
      out.clear();
      output.Finish();
      return CommandResult::Failure(kReadDxfTemplateFailed,
                                    files.dxfTemplate + ": " + (reason.empty() ? "the file is empty" : reason));
    }
  }

  // The report grows in a temporary file beside its place and takes that place
  // only after the output is complete, so a long job never holds it in memory.
  // When it cannot be created the output is still written in full.
  const std::string reportPath = ReportPathFor(answer.path);
  OutputFile reportFile;
  const bool reportOpen = reportFile.Create(reportPath);
  std::string unwritten;  // the report's text when its file cannot be created
  StationReport report(ReadReportCaptions(files.reportCaptions), reportOpen ? reportFile.Text() : unwritten);

  AngleUnitWalk unit;
  double correction = 0.0;
  // The current station: texts of its table entry, its column-10 height and code.
  StationEntry station;
  std::string instrumentHeight;
  double stationNorth = 0, stationEast = 0, stationHeight = 0, instrument = 0;
  long long counter = 0;
  int tableIndex = 0;
  std::string number;
  for (int r = 1; r < grid.RowCount(); ++r) {
    const std::string_view kind = grid.Cell(r, 2);
    if (grid.Cell(r, 1) == "U") {
      if (kind == "ST") {
        ++counter;
        station = table.Entry(++tableIndex);
        instrumentHeight = grid.Cell(r, 10);
        stationNorth = CAtof(station.north);
        stationEast = CAtof(station.east);
        stationHeight = CAtof(station.height);
        instrument = CAtof(instrumentHeight);
        AppendPointLine(out, station.name, grid.Cell(r, 12), station.north, station.east, station.height,
                        answer.layout, answer.separator, counter);
        report.AddStation(station.name, station.north, station.east, station.height, instrumentHeight);
      } else if (kind == "BS") {
        ++counter;
        const StationEntry& backsight = table.Entry(++tableIndex);
        const double alpha = Azimuth(stationNorth, stationEast, CAtof(backsight.north), CAtof(backsight.east));
        const double beta = unit.ToRadians(grid.Cell(r, 6));
        correction = alpha - beta;
        report.AddBacksight(backsight.name, backsight.north, backsight.east, backsight.height,
                            AngleTextForOutput(grid.Cell(r, 6), unit.Unit()));
      } else if (kind == "DP" || kind == "RP") {
        ++counter;
        std::string_view name = grid.Cell(r, 3);
        if (name.empty()) name = number = FormatInt(counter);
        const double h = unit.ToRadians(grid.Cell(r, 5));
        const double v = unit.ToRadians(grid.Cell(r, 6));
        const double s = CAtof(grid.Cell(r, 4));
        const double t = CAtof(grid.Cell(r, 11));
        const double a = h + correction;
        const double d = HorizontalDistance(s, v);
        const double z = HeightComponent(s, v);
        const std::string north = Format3(stationNorth + d * std::cos(a));
        const std::string east = Format3(stationEast + d * std::sin(a));
        const std::string height = Format3(stationHeight + instrument + z - t);
        AppendPointLine(out, name, grid.Cell(r, 12), north, east, height, answer.layout, answer.separator, counter);
        report.AddPoint(name, AngleTextForOutput(grid.Cell(r, 6), unit.Unit()),
                        AngleTextForOutput(grid.Cell(r, 5), unit.Unit()), grid.Cell(r, 4), grid.Cell(r, 11), east,
                        north, height);
      }
    }
    unit.AfterRow(kind, grid.Cell(r, 3));
    output.Spill();
    if (reportOpen) reportFile.Spill();
    else unwritten.clear();
  }
  if (answer.layout == kDxfLayout) out += kDxfEnd;
  if (!output.Finish()) return output.Failure("Open file failed!");

  if (!reportOpen) return reportFile.Failure("Open report file failed!");
  report.Finish();
  if (!reportFile.Finish()) return reportFile.Failure("Open report file failed!");
  CommandResult done;
  done.filesToOpen = {answer.path, reportPath};
  return done;
}

}  // namespace corvane
