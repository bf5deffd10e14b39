#pragma once
// The least-squares adjustment of a traverse: parametric, Gauss-Newton from the
// compass-rule coordinates until no coordinate moves by more than 0.01 mm (at
// most 20 iterations). Unknowns are the north and east of every station that is
// not known; observations every angle (the closing one included) with the angle
// σ and every leg's horizontal distance with σ = a + b·D. The normal equations
// are sparse (a traverse couples each station with its two neighbours on either
// side) and solved by a sparse LDLᵀ factorisation; the variances come from the
// band of the inverse, so a long traverse costs time in proportion to its length.
#include <optional>

#include "core/command_result.h"
#include "core/traverse/traverse_compass.h"
#include "core/traverse/traverse_types.h"

namespace corvane::traverse {

// Misclosures and heights as the compass rule gives them; coordinates, σ0 and
// its χ² test at 95 %, σN, σE and 1σ error ellipses (a-posteriori σ0 when there
// is redundancy), and every residual with its standardised value. Fails with a
// message for a singular network or one that does not settle.
std::optional<Adjustment> LeastSquares(const Chain& chain, const AdjustOptions& options, CommandResult& failure);

}  // namespace corvane::traverse
