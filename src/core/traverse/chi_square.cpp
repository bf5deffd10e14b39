#include "core/traverse/chi_square.h"

#include <cmath>

namespace corvane::traverse {
namespace {

// The regularised lower incomplete gamma function P(a, x): its series below
// a + 1, its continued fraction (modified Lentz) above.
double GammaP(double a, double x) {
  if (x <= 0) return 0;
  const double logFront = a * std::log(x) - x - std::lgamma(a);
  if (x < a + 1) {
    double term = 1 / a, sum = term;
    for (int n = 1; n < 1000 && std::fabs(term) > std::fabs(sum) * 1e-16; ++n) {
      term *= x / (a + n);
      sum += term;
    }
    return sum * std::exp(logFront);
  }
  constexpr double kTiny = 1e-300;
  double b = x + 1 - a, c = 1 / kTiny, d = 1 / b, h = d;
  for (int i = 1; i < 1000; ++i) {
    const double an = -i * (i - a);
    b += 2;
    d = an * d + b;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = b + an / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    const double delta = d * c;
    h *= delta;
    if (std::fabs(delta - 1) < 1e-16) break;
  }
  return 1 - std::exp(logFront) * h;
}

}  // namespace

double ChiSquareCdf(double x, int dof) { return GammaP(dof / 2.0, x / 2.0); }

double ChiSquareQuantile(double p, int dof) {
  double lo = 0, hi = dof + 10.0 * std::sqrt(2.0 * dof) + 20;
  while (ChiSquareCdf(hi, dof) < p) hi *= 2;
  for (int i = 0; i < 200 && hi - lo > 1e-12 * hi; ++i) {
    const double mid = (lo + hi) / 2;
    (ChiSquareCdf(mid, dof) < p ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

}  // namespace corvane::traverse
