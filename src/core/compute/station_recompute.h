#pragma once
// Recomputes every measured point of a job from its raw observations with the
// station and backsight coordinates of the StationTable, writes the points in an
// export layout and a framed report beside them (same name, ".rpt").
#include <string>
#include <string_view>

#include "core/compute/command_result.h"
#include "core/compute/export_answer.h"
#include "core/compute/station_table.h"
#include "core/grid/record_grid.h"

namespace corvane {

// Program-folder files the recompute reads.
struct RecomputeFiles {
  std::string reportCaptions;  // COM_LANGUAGE.ini
  std::string dxfTemplate;     // DXF.lib, for layout 6
  static RecomputeFiles InProgramFolder();
};

// The report path of an output path: the text before its last "." and ".rpt".
std::string ReportPathFor(std::string_view outputPath);

// With the export dialog's answer; an empty answer is a cancel. On success the
// output file and then the report are the files to open. Orientation: at each
// backsight the correction is the new backsight azimuth minus the backsight's
// column-6 angle; points before the first station use zeros for the station.
CommandResult RecomputeStations(const RecordGrid& grid, const StationTable& table, std::string_view answer,
                                const RecomputeFiles& files);
CommandResult RecomputeStations(const RecordGrid& grid, const StationTable& table, const ExportAnswer& answer,
                                const RecomputeFiles& files);

}  // namespace corvane
