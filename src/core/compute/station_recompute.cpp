#include "core/compute/station_recompute.h"

#include <cmath>

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
  bool stationPlaced = true;
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
          stationPlaced = ReadsAsFiniteNumber(entry.north) && ReadsAsFiniteNumber(entry.east);
        } else {
          const double north = CAtof(entry.north), east = CAtof(entry.east);
          const double reading = unit.ToRadians(grid.Cell(r, 6));
          row.oriented = stationPlaced && ReadsAsFiniteNumber(entry.north) && ReadsAsFiniteNumber(entry.east) &&
                         std::isfinite(reading) && (north != setup.north || east != setup.east);
          correction = row.oriented ? Azimuth(setup.north, setup.east, north, east) - reading : 0.0;
        }
        visit(row);
      } else {
        row.kind = RecomputedRow::Kind::Point;
        row.oriented = true;
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
                                const RecomputeFiles& files, std::initializer_list<DurableFile*> alsoCommit) {
  OutputFile output;
  if (!output.Create(answer.path)) return output.Failure(kOpenFileFailed);
  std::string& out = output.Text();
  if (answer.layout == kDxfLayout) {
    std::string reason;
    // Without a template there is no drawing: the output stays as it was.
    if (!ReadDxfTemplate(files.dxfTemplate, out, &reason) || out.empty())
      return CommandResult::Failure(kReadDxfTemplateFailed,
                                    files.dxfTemplate + ": " + (reason.empty() ? "the file is empty" : reason));
  }
  // The report grows in a file of its own beside its place, so a long job never
  // holds it in memory; both files take their places only when both are whole.
  const std::string reportPath = ReportPathFor(answer.path);
  OutputFile reportFile;
  if (!reportFile.Create(reportPath)) return reportFile.Failure(kOpenReportFileFailed);
  if (reportFile.SameTarget(output))
    return CommandResult::Failure(kOpenReportFileFailed, reportPath + ": the report would replace the output file");
  for (const DurableFile* f : alsoCommit)
    if (f->SameTarget(output.File()) || f->SameTarget(reportFile.File()))
      return CommandResult::Failure(kOpenFileFailed, f->Path() + ": would replace the output or its report");
  StationReport report(ReadReportCaptions(files.reportCaptions), reportFile.Text());
  ForEachRecomputedRow(
      grid, table,
      [&](const RecomputedRow& p) {
        const int r = p.row;
        const auto angle = [&](int col) { return AngleTextForOutput(grid.Cell(r, col), p.angleUnit); };
        if (p.kind == RecomputedRow::Kind::Backsight) {
          report.AddBacksight(p.name, p.north, p.east, p.height, angle(6), p.oriented);
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
        reportFile.Spill();
      });
  if (answer.layout == kDxfLayout) out += kDxfEnd;
  report.Finish();
  if (!OutputFile::FinishTogether({&output, &reportFile}, alsoCommit)) {
    if (reportFile.Failed()) return reportFile.Failure(kOpenReportFileFailed);
    if (output.Failed()) return output.Failure(kOpenFileFailed);
    for (const DurableFile* f : alsoCommit)
      if (f->Failed()) return CommandResult::Failure(kOpenFileFailed, f->Path() + ": " + f->Reason());
    return output.Failure(kOpenFileFailed);
  }
  CommandResult done;
  done.filesToOpen = {answer.path, reportPath};
  return done;
}

}  // namespace corvane
