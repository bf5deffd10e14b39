#pragma once
// Finds the traverse in a job. A set-up is a station row ("ST", marked "U"),
// the first backsight row after it and the measured rows ("DP", "RP") after
// that, up to the next station row. The set-ups from the first one on form the
// chain while each one's backsight is the station before it and that station
// measured a point named like it. Angles are read in the unit in force, as the
// recompute reads them; distances and heights with the recompute's formulas.
#include "core/command_result.h"
#include "core/grid/record_grid.h"
#include "core/traverse/control_points.h"
#include "core/traverse/traverse_types.h"

namespace corvane::traverse {

// True when the job counts its horizontal angles to the left: the first "HA"
// header (key "HA" in column 1 with the value in column 2, or in column 2 with
// the value in column 3) reads "Left". No such header means right. row: the
// header's grid row.
bool HorizontalAnglesLeft(const RecordGrid& grid, int* row = nullptr);

// The chain of the job with its known points: the control points, and the first
// set-up's station and backsight from the job where the control does not name
// them. Fails with a message naming the row or the point when the job holds no
// traverse, counts angles to the left, starts without a known station and
// direction, or a chain row lacks a number it needs.
CommandResult FindChain(const RecordGrid& grid, const ControlPoints& control, Chain& chain);

// x in [0, 2π) and in (-π, π].
double NormalizeAngle(double x);
double NormalizeSigned(double x);

}  // namespace corvane::traverse
