#include "core/traverse/traverse_lsq.h"

#include <Eigen/Sparse>
#include <Eigen/SparseCholesky>
#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "core/traverse/chi_square.h"
#include "core/traverse/control_points.h"
#include "core/traverse/traverse_chain.h"

namespace corvane::traverse {
namespace {

using SparseMatrix = Eigen::SparseMatrix<double>;
// Chain order keeps the normal matrix banded: no reordering, no fill beyond the band.
using Solver = Eigen::SimplicialLDLT<SparseMatrix, Eigen::Lower, Eigen::NaturalOrdering<int>>;

constexpr int kMaxIterations = 20;
constexpr double kSettled = 1e-5;  // metres: 0.01 mm

struct NetPoint {
  double north = 0;
  double east = 0;
  int unknown = -1;  // column of its north (east follows); -1 when known
};

struct Observation {
  Residual::Kind kind = Residual::Kind::Angle;
  int at = 0, back = 0, fore = 0;  // point ids; a distance runs at → fore
  double value = 0;
  double sigma = 0;
  int row = 0;
  const std::string* atName = nullptr;
  const std::string* foreName = nullptr;
};

// The points and observations of the chain.
class Network final {
 public:
  Network(const Chain& chain, const SetUpCoordinates& start, const AdjustOptions& options) {
    const auto knownPoint = [&](const KnownPoint& p) { return Id(p.name, p.north, p.east, true); };
    const int backsight = knownPoint(chain.backsight);
    const size_t n = chain.setUps.size();
    std::vector<int> station(n);
    for (size_t k = 0; k < n; ++k) {
      const auto& known = chain.knownStation[k];
      station[k] = known ? knownPoint(*known) : Id(chain.setUps[k].station, start.north[k], start.east[k], false);
    }
    const double sigmaAngle = options.sigmaAngleSec * kArcSecond;
    for (size_t k = 0; k < n; ++k) {
      const ChainSetUp& s = chain.setUps[k];
      const bool closing = k + 1 == n;
      if (closing && !chain.closingPoint) break;
      const int fore = closing ? knownPoint(*chain.closingPoint) : station[k + 1];
      const std::string& foreName = closing ? chain.closingPoint->name : chain.setUps[k + 1].station;
      observations_.push_back({Residual::Kind::Angle, station[k], k == 0 ? backsight : station[k - 1], fore, s.beta,
                               sigmaAngle, s.foresightRow, &s.station, &foreName});
      if (closing) break;
      const ChainLeg& leg = chain.legs[k];
      const double sigma = options.sigmaDistanceMm / 1000.0 + options.sigmaDistancePpm * 1e-6 * leg.horizontal;
      observations_.push_back({Residual::Kind::Distance, station[k], 0, fore, leg.horizontal, sigma, leg.row,
                               &s.station, &foreName});
    }
  }

  int Unknowns() const { return unknowns_; }
  int Redundancy() const { return static_cast<int>(observations_.size()) - unknowns_; }
  const std::vector<Observation>& Observations() const { return observations_; }
  const NetPoint& Point(const std::string& name) const { return points_[ids_.at(name)]; }

  // The observation equations at the current coordinates, each row divided by
  // its σ: a·dx ≈ l with l = observed - computed. False when two points of an
  // observation coincide.
  bool Linearise(SparseMatrix& a, Eigen::VectorXd& l) const {
    std::vector<Eigen::Triplet<double>> t;
    t.reserve(observations_.size() * 6);
    l.resize(static_cast<Eigen::Index>(observations_.size()));
    for (size_t i = 0; i < observations_.size(); ++i) {
      const Observation& o = observations_[i];
      const int row = static_cast<int>(i);
      const auto add = [&](int id, double dn, double de) {
        const int u = points_[static_cast<size_t>(id)].unknown;
        if (u < 0) return;
        t.emplace_back(row, u, dn / o.sigma);
        t.emplace_back(row, u + 1, de / o.sigma);
      };
      const NetPoint& p = points_[static_cast<size_t>(o.at)];
      const NetPoint& f = points_[static_cast<size_t>(o.fore)];
      const double dn = f.north - p.north, de = f.east - p.east, d2 = dn * dn + de * de;
      if (!(d2 > 0)) return false;
      if (o.kind == Residual::Kind::Distance) {
        const double d = std::sqrt(d2);
        l[row] = (o.value - d) / o.sigma;
        add(o.at, -dn / d, -de / d);
        add(o.fore, dn / d, de / d);
        continue;
      }
      const NetPoint& b = points_[static_cast<size_t>(o.back)];
      const double bn = b.north - p.north, be = b.east - p.east, b2 = bn * bn + be * be;
      if (!(b2 > 0)) return false;
      const double computed = std::atan2(de, dn) - std::atan2(be, bn);
      l[row] = NormalizeSigned(o.value - computed) / o.sigma;
      // d(azimuth p→q)/d(north, east) of p is (ΔE, -ΔN)/d², of q the opposite.
      add(o.fore, -de / d2, dn / d2);
      add(o.back, be / b2, -bn / b2);
      add(o.at, de / d2 - be / b2, -dn / d2 + bn / b2);
    }
    a.resize(static_cast<Eigen::Index>(observations_.size()), unknowns_);
    a.setFromTriplets(t.begin(), t.end());
    return true;
  }

  // Moves the unknown points; the largest move.
  double Apply(const Eigen::VectorXd& dx) {
    double largest = 0;
    for (NetPoint& p : points_) {
      if (p.unknown < 0) continue;
      p.north += dx[p.unknown];
      p.east += dx[p.unknown + 1];
      largest = std::max({largest, std::fabs(dx[p.unknown]), std::fabs(dx[p.unknown + 1])});
    }
    return largest;
  }

 private:
  int Id(const std::string& name, double north, double east, bool known) {
    const auto [it, added] = ids_.emplace(name, static_cast<int>(points_.size()));
    if (added) {
      points_.push_back({north, east, known ? -1 : unknowns_});
      if (!known) unknowns_ += 2;
    }
    return it->second;
  }

  std::vector<NetPoint> points_;
  std::unordered_map<std::string, int> ids_;
  std::vector<Observation> observations_;
  int unknowns_ = 0;
};

// The band of the inverse of the normal matrix from its LDLᵀ factor
// (Takahashi's recurrence): Z(i,j) = δij/Di - Σk>i L(k,i) Z(k,j), from the last
// row up. Every entry within the band is exact.
class BandInverse final {
 public:
  BandInverse(const Solver& solver, const SparseMatrix& normal) : n_(static_cast<int>(normal.rows())) {
    const SparseMatrix& l = solver.matrixL().nestedExpression();
    for (const SparseMatrix* m : {&l, &normal})
      for (int c = 0; c < m->outerSize(); ++c)
        for (SparseMatrix::InnerIterator it(*m, c); it; ++it) band_ = std::max(band_, static_cast<int>(it.row()) - c);
    z_.assign(static_cast<size_t>(n_) * static_cast<size_t>(band_ + 1), 0.0);
    const Eigen::VectorXd& d = solver.vectorD();
    std::vector<std::pair<int, double>> column;
    for (int i = n_ - 1; i >= 0; --i) {
      column.clear();
      for (SparseMatrix::InnerIterator it(l, i); it; ++it)
        if (it.row() > i) column.emplace_back(static_cast<int>(it.row()), it.value());
      for (int j = std::min(n_ - 1, i + band_); j > i; --j) {
        double s = 0;
        for (const auto& [k, lki] : column) s += lki * At(k, j);
        Ref(j, i) = -s;
      }
      double s = 0;
      for (const auto& [k, lki] : column) s += lki * At(k, i);
      Ref(i, i) = 1.0 / d[i] - s;
    }
  }

  // Z(i,j); |i - j| must be within the band.
  double At(int i, int j) const {
    if (i < j) std::swap(i, j);
    return z_[static_cast<size_t>(j) * static_cast<size_t>(band_ + 1) + static_cast<size_t>(i - j)];
  }

 private:
  double& Ref(int i, int j) {
    return z_[static_cast<size_t>(j) * static_cast<size_t>(band_ + 1) + static_cast<size_t>(i - j)];
  }
  int n_ = 0;
  int band_ = 0;
  std::vector<double> z_;
};

bool Factor(Solver& solver, const SparseMatrix& normal) {
  solver.compute(normal);
  if (solver.info() != Eigen::Success) return false;
  const Eigen::VectorXd& d = solver.vectorD();
  if (d.size() == 0) return true;
  const double largest = d.cwiseAbs().maxCoeff();
  return std::isfinite(largest) && d.minCoeff() > largest * 1e-14;
}

void Ellipse(StationResult& s, double qnn, double qee, double qne, double variance) {
  s.sigmaNorth = std::sqrt(std::max(0.0, qnn * variance));
  s.sigmaEast = std::sqrt(std::max(0.0, qee * variance));
  const double mean = (qnn + qee) / 2, half = (qnn - qee) / 2;
  const double root = std::sqrt(half * half + qne * qne);
  s.ellipseA = std::sqrt(std::max(0.0, (mean + root) * variance));
  s.ellipseB = std::sqrt(std::max(0.0, (mean - root) * variance));
  double azimuth = 0.5 * std::atan2(2 * qne, qnn - qee) * 180.0 / 3.141592653589793;
  if (azimuth < 0) azimuth += 180;
  if (azimuth >= 180) azimuth -= 180;
  s.ellipseAzimuthDeg = azimuth;
}

}  // namespace

std::optional<Adjustment> LeastSquares(const Chain& chain, const AdjustOptions& options, CommandResult& failure) {
  SetUpCoordinates at;
  Adjustment out = CompassRule(chain, options, &at);
  out.method = Method::LeastSquares;
  Network net(chain, at, options);
  const int unknowns = net.Unknowns();
  LeastSquaresStats stats;
  stats.redundancy = net.Redundancy();
  const auto singular = [&] {
    failure = CommandResult::Failure(
        "The least-squares adjustment has no unique solution: the traverse does not fix every station.");
    return std::nullopt;
  };

  SparseMatrix a, normal;
  Eigen::VectorXd l;
  Solver solver;
  // Without redundancy the observations fit exactly: the coordinates stay the
  // propagated ones and only their precision is computed.
  if (unknowns > 0 && stats.redundancy > 0) {
    bool settled = false;
    while (!settled && stats.iterations < kMaxIterations) {
      ++stats.iterations;
      if (!net.Linearise(a, l)) return singular();
      normal = SparseMatrix(a.transpose() * a);
      if (!Factor(solver, normal)) return singular();
      const Eigen::VectorXd dx = solver.solve(SparseMatrix(a.transpose()) * l);
      if (!dx.allFinite()) return singular();
      settled = net.Apply(dx) <= kSettled;
    }
    if (!settled) {
      failure = CommandResult::Failure(
          "The least-squares adjustment does not settle within 20 iterations: look for a gross error in the angles "
          "or distances.");
      return std::nullopt;
    }
  }
  if (!net.Linearise(a, l)) return singular();
  std::optional<BandInverse> inverse;
  if (unknowns > 0) {
    normal = SparseMatrix(a.transpose() * a);
    if (!Factor(solver, normal)) return singular();
    inverse.emplace(solver, normal);
  }

  // Residuals (adjusted - observed), each standardised by its own σ: v / σv
  // with σv² = σ² (1 - h), h the observation's share of the solution.
  const Eigen::SparseMatrix<double, Eigen::RowMajor> rows(a);
  const auto& obs = net.Observations();
  for (size_t i = 0; i < obs.size(); ++i) {
    const Observation& o = obs[i];
    const auto row = static_cast<Eigen::Index>(i);
    const double vw = -l[row];
    stats.vtpv += vw * vw;
    double h = 0;
    if (inverse) {
      for (Eigen::SparseMatrix<double, Eigen::RowMajor>::InnerIterator p(rows, row); p; ++p)
        for (Eigen::SparseMatrix<double, Eigen::RowMajor>::InnerIterator q(rows, row); q; ++q)
          h += p.value() * q.value() * inverse->At(static_cast<int>(p.col()), static_cast<int>(q.col()));
    }
    Residual r;
    r.kind = o.kind;
    r.row = o.row;
    r.at = *o.atName;
    r.to = *o.foreName;
    r.observed = o.value;
    r.sigma = o.sigma;
    r.residual = vw * o.sigma;
    if (1 - h > 1e-10) {
      r.standardised = vw / std::sqrt(1 - h);
      r.flagged = std::fabs(*r.standardised) > 3;
    }
    stats.residuals.push_back(std::move(r));
  }
  double variance = 1;
  if (stats.redundancy > 0) {
    stats.sigma0 = std::sqrt(stats.vtpv / stats.redundancy);
    variance = stats.vtpv / stats.redundancy;
    const double lower = ChiSquareQuantile(0.025, stats.redundancy);
    const double upper = ChiSquareQuantile(0.975, stats.redundancy);
    stats.chiLower = std::sqrt(lower / stats.redundancy);
    stats.chiUpper = std::sqrt(upper / stats.redundancy);
    stats.chiPassed = stats.vtpv >= lower && stats.vtpv <= upper;
  }

  // Adjusted coordinates (heights as the compass rule gives them), σ and ellipses.
  for (size_t k = 0; k < chain.setUps.size(); ++k) {
    const NetPoint& p = net.Point(chain.setUps[k].station);
    at.north[k] = p.north;
    at.east[k] = p.east;
  }
  FillStations(chain, at, out);
  for (StationResult& s : out.stations) {
    const NetPoint& p = net.Point(s.name);
    if (p.unknown < 0 || !inverse) {
      Ellipse(s, 0, 0, 0, 0);
      continue;
    }
    Ellipse(s, inverse->At(p.unknown, p.unknown), inverse->At(p.unknown + 1, p.unknown + 1),
            inverse->At(p.unknown + 1, p.unknown), variance);
  }
  out.leastSquares = std::move(stats);
  return out;
}

}  // namespace corvane::traverse
