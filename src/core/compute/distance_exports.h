#pragma once
// Plain text lists of a measurement job: horizontal distances, slope distances
// (each in two layouts) and angle-only records.
#include <optional>
#include <string>

#include "core/compute/command_result.h"
#include "core/grid/record_grid.h"

namespace corvane {

// Layout A: one line per station, backsight and point. Layout B: one line per
// point carrying its station, backsight, instrument height and backsight angle.
enum class DistanceLayout { A, B };

// The confirmation dialog's answer: 0 layout A, 1 layout B; -1 (cancel) and every
// other value mean nothing is done.
std::optional<DistanceLayout> DistanceLayoutFromAnswer(int answer);

CommandResult ExportHorizontalDistances(const RecordGrid& grid, DistanceLayout layout, const std::string& path);
CommandResult ExportSlopeDistances(const RecordGrid& grid, DistanceLayout layout, const std::string& path);
// With the confirmation dialog's answer: Cancelled unless it is 0 or 1.
CommandResult ExportHorizontalDistances(const RecordGrid& grid, int answer, const std::string& path);
CommandResult ExportSlopeDistances(const RecordGrid& grid, int answer, const std::string& path);

// One tab-separated line per "AP" record: name, code, horizontal angle, vertical
// angle, target height.
CommandResult ExportAngles(const RecordGrid& grid, const std::string& path);

}  // namespace corvane
