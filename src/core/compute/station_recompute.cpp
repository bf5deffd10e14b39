#include "core/compute/station_recompute.h"

#include "core/compute/angle_math.h"
#include "core/compute/output_file.h"
#include "core/compute/point_format.h"
#include "core/compute/polar_point.h"
#include "core/compute/station_report.h"
#include "core/file_texts.h"
#include "core/text/numbers.h"
#include "core/text/text_helpers.h"

namespace corvane {

RecomputeFiles RecomputeFiles::InProgramFolder() {
  return {ReportCaptionFilePath(), DxfTemplatePath()};
}

std::string ReportPathFor(std::string_view outputPath) {
  return StripExtension(outputPath) + ".rpt";
}

void ForEachRecomputedRow(const RecordGrid& grid, const StationTable& table,
                          const std::function<void(const RecomputedRow&)>& visit,
                          const std::function<void()>& afterRow) {
  AngleUnitWalk unit;
  double correction = 0.0;
  PolarSetup setup;  // the current station; zeros before the first
  RecomputedRow row;
  int tableIndex = 0;
  std::string number;
  for (int r = 1; r < grid.RowCount(); ++r) {
    const std::string_view kind = grid.Cell(r, 2);
    if (grid.Cell(r, 1) == "U" && (kind == "ST" || kind == "BS" || kind == "DP" || kind == "RP")) {
      row.row = r;
      ++row.counter;
      row.angleUnit = unit.Unit();
      if (kind == "ST" || kind == "BS") {
        const StationEntry& entry = table.Entry(++tableIndex);
        row.kind = kind == "ST" ? RecomputedRow::Kind::Station : RecomputedRow::Kind::Backsight;
        row.name = entry.name;
        row.north = entry.north;
        row.east = entry.east;
        row.height = entry.height;
        if (kind == "ST") {
          setup = {CAtof(entry.north), CAtof(entry.east), CAtof(entry.height), CAtof(grid.Cell(r, 10))};
        } else {
          const double alpha = Azimuth(setup.north, setup.east, CAtof(entry.north), CAtof(entry.east));
          correction = alpha - unit.ToRadians(grid.Cell(r, 6));
        }
        visit(row);
      } else {
        row.kind = RecomputedRow::Kind::Point;
        row.name = grid.Cell(r, 3);
        if (row.name.empty()) row.name = number = FormatInt(row.counter);
        const PolarPoint reduced =
            ReducePolar(setup, {unit.ToRadians(grid.Cell(r, 5)) + correction, unit.ToRadians(grid.Cell(r, 6)),
                                CAtof(grid.Cell(r, 4)), CAtof(grid.Cell(r, 11))},
                        HeightOrder::ComponentThenTarget);
        row.north = reduced.north;
        row.east = reduced.east;
        row.height = reduced.height;
        visit(row);
      }
    }
    unit.AfterRow(kind, grid.Cell(r, 3));
    if (afterRow) afterRow();
  }
}

CommandResult RecomputeStations(const RecordGrid& grid, const StationTable& table, std::string_view answer,
                                const RecomputeFiles& files) {
  if (answer.empty()) return CommandResult::Cancelled();
  return RecomputeStations(grid, table, ParseExportAnswer(answer), files);
}

CommandResult RecomputeStations(const RecordGrid& grid, const StationTable& table, const ExportAnswer& answer,
                                const RecomputeFiles& files) {
  OutputFile output;
  if (!output.Create(answer.path)) return output.Failure(kOpenFileFailed);
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
  ForEachRecomputedRow(
      grid, table,
      [&](const RecomputedRow& p) {
        const int r = p.row;
        const auto angle = [&](int col) { return AngleTextForOutput(grid.Cell(r, col), p.angleUnit); };
        if (p.kind == RecomputedRow::Kind::Backsight) {
          report.AddBacksight(p.name, p.north, p.east, p.height, angle(6));
          return;
        }
        AppendPointLine(out, p.name, grid.Cell(r, 12), p.north, p.east, p.height, answer.layout, answer.separator,
                        p.counter);
        if (p.kind == RecomputedRow::Kind::Station)
          report.AddStation(p.name, p.north, p.east, p.height, grid.Cell(r, 10));
        else
          report.AddPoint(p.name, angle(6), angle(5), grid.Cell(r, 4), grid.Cell(r, 11), p.east, p.north, p.height);
      },
      [&] {
        output.Spill();
        if (reportOpen)
          reportFile.Spill();
        else
          unwritten.clear();
      });
  if (answer.layout == kDxfLayout) out += kDxfEnd;
  if (!output.Finish()) return output.Failure(kOpenFileFailed);

  if (!reportOpen) return reportFile.Failure(kOpenReportFileFailed);
  report.Finish();
  if (!reportFile.Finish()) return reportFile.Failure(kOpenReportFileFailed);
  CommandResult done;
  done.filesToOpen = {answer.path, reportPath};
  return done;
}

}  // namespace corvane
