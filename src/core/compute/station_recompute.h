#pragma once
// Recomputes every measured point of a job from its raw observations with the
// station and backsight coordinates of the StationTable, writes the points in an
// export layout and a framed report beside them (same name, ".rpt").
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "core/compute/command_result.h"
#include "core/compute/export_answer.h"
#include "core/compute/station_table.h"
#include "core/grid/record_grid.h"
#include "core/text/durable_file.h"

namespace corvane {

// Program-folder files the recompute reads.
struct RecomputeFiles {
  std::string reportCaptions;  // COM_LANGUAGE.ini
  std::string dxfTemplate;     // DXF.lib, for layout 6
  static RecomputeFiles InProgramFolder();
};

// One processed row of a recompute. Stations and backsights carry their table
// entry; measured points (DP and RP rows) their new coordinates, "%.3f". The
// texts are valid only during the visit.
struct RecomputedRow {
  enum class Kind { Station, Backsight, Point } kind = Kind::Point;
  int row = 0;
  long long counter = 0;  // place among the processed rows, from 1
  std::string_view name;  // measured points: column 3, or the counter when that is empty
  std::string_view north;
  std::string_view east;
  std::string_view height;
  std::string_view angleUnit;  // the unit in force at this row
  // Backsights: the set-up has an orientation. Without one (station and
  // backsight in the same place or without numeric coordinates, a reading
  // that is not a finite number) its points take the correction 0: their
  // horizontal angles are taken as azimuths.
  bool oriented = true;
};

// Visits the "U" rows of kind ST, BS, DP and RP in grid order. The k-th ST or BS
// row takes table entry k; each backsight sets the orientation of the points
// after it. Before the first station the station is taken at 0, 0, 0. afterRow,
// when given, runs after every grid row.
void ForEachRecomputedRow(const RecordGrid& grid, const StationTable& table,
                          const std::function<void(const RecomputedRow&)>& visit,
                          const std::function<void()>& afterRow = {});

// The report path of an output path: the text before its last "." and ".rpt".
std::string ReportPathFor(std::string_view outputPath);

// With the export dialog's answer; an empty answer is a cancel. On success the
// output file and then the report are the files to open. Orientation: at each
// backsight the correction is the new backsight azimuth minus the backsight's
// column-6 angle; points before the first station use zeros for the station.
// The output and the report take their places together (with `alsoCommit`,
// finished files of the same command), or, when anything fails, none of them
// changes; a report path that names the output file is such a failure.
CommandResult RecomputeStations(const RecordGrid& grid, const StationTable& table, std::string_view answer,
                                const RecomputeFiles& files);
CommandResult RecomputeStations(const RecordGrid& grid, const StationTable& table, const ExportAnswer& answer,
                                const RecomputeFiles& files, std::initializer_list<DurableFile*> alsoCommit = {});

}  // namespace corvane
