#pragma once
// What an adjustment writes: the station file the recompute's station dialog
// imports, and the JSON summary.
#include <string>
#include <vector>

#include "core/grid/record_grid.h"
#include "core/traverse/traverse_types.h"

namespace corvane::traverse {

// The station file: import format 0 (name,N,E,H; northing first whatever the
// job's order), one line per "ST"/"BS" row of the job in grid order, the order
// in which the station dialog pairs lines with entries. A chain row holds the
// adjusted or known coordinates of the point it names; every other row keeps its
// coordinates from the job. warnings: lines the station dialog would not read
// back as written (longer than it reads, or a name it splits or changes).
std::string StationFileText(const RecordGrid& grid, const Adjustment& adjustment,
                            std::vector<std::string>* warnings = nullptr);

// {"method", "kind", "angles", "angular_misclosure_arcsec", "misclosure_north",
// "misclosure_east", "misclosure_height", "length", "precision_ratio", "sigma0",
// "stations": [{"name", "north", "east", "height", "sigma_north", "sigma_east",
// "ellipse_a", "ellipse_b", "ellipse_azimuth_deg"}]}: metres in the job's own
// north and east, null where a value does not apply (never NaN or infinity);
// names as UTF-8.
std::string AdjustmentJson(const Adjustment& adjustment);

// A number as JSON: the shortest text that reads back as the same double, or
// null when it is not finite.
std::string JsonNumber(double value);

}  // namespace corvane::traverse
