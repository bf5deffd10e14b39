#pragma once
// The χ² distribution for the test of an adjustment's variance factor.

namespace corvane::traverse {

// P(X ≤ x) for X ~ χ² with `dof` degrees of freedom (dof ≥ 1, x ≥ 0).
double ChiSquareCdf(double x, int dof);
// The x with ChiSquareCdf(x, dof) = p, for 0 < p < 1.
double ChiSquareQuantile(double p, int dof);

}  // namespace corvane::traverse
