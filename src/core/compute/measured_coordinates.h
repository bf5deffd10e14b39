#pragma once
// A measurement job as a point list: coordinate rows copied, polar measurements
// reduced from the current station, in one of eight layouts (6 is DXF).
#include <string_view>

#include "core/compute/command_result.h"
#include "core/compute/export_answer.h"
#include "core/grid/record_grid.h"

namespace corvane {

// With the export dialog's answer "{layout}{separator}{path}"; an empty answer
// is a cancel.
CommandResult ExportMeasuredCoordinates(const RecordGrid& grid, std::string_view answer);
CommandResult ExportMeasuredCoordinates(const RecordGrid& grid, const ExportAnswer& answer);

}  // namespace corvane
