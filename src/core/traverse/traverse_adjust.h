#pragma once
// A traverse adjustment as one command: the chain of the job, adjusted by the
// chosen method, and the files a surveyor keeps of it.
#include <optional>
#include <string>
#include <vector>

#include "core/command_result.h"
#include "core/grid/record_grid.h"
#include "core/traverse/control_points.h"
#include "core/traverse/traverse_report.h"
#include "core/traverse/traverse_types.h"

namespace corvane::traverse {

// Finds the chain (with the control points and the job's start) and adjusts it.
// Fails with a message naming the row or point when there is nothing to adjust.
CommandResult AdjustTraverse(const RecordGrid& grid, const ControlPoints& control, const AdjustOptions& options,
                             Adjustment& out);

// Where the results go; an empty path writes nothing.
struct AdjustmentFiles {
  std::string stations;
  std::string report;
  std::string json;
};

// Writes the station file, the report and the JSON (in that order) through the
// tool's output files. warnings: station-file lines the dialog would not read
// back as written.
CommandResult WriteAdjustmentFiles(const RecordGrid& grid, const Adjustment& adjustment,
                                   const TraverseCaptions& captions, const AdjustmentFiles& files,
                                   std::vector<std::string>* warnings = nullptr);

// The tolerance failure said in words, or empty when the traverse passes.
std::string ToleranceFailureText(const Adjustment& adjustment);

}  // namespace corvane::traverse
