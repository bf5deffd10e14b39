// The least-squares adjustment against a plain dense computation written here:
// numeric derivatives of the observation equations, dense normal equations,
// a full inverse for the variances and the residuals' cofactors.
#include <Eigen/Dense>
#include <cmath>
#include <map>

#include "core/traverse/chi_square.h"
#include "traverse_test_util.h"

namespace corvane {
namespace {

using namespace testing;
using traverse::Method;

constexpr double kPi = 3.141592653589793;

struct Reference {
  std::map<std::string, Eigen::Vector2d> at;  // north, east of every point
  std::map<std::string, int> unknown;         // column of an unknown point's north
  Eigen::MatrixXd q;                          // cofactors of the unknowns
  double sigma0 = 0;
  int redundancy = 0;
  std::vector<double> standardised;
};

struct Obs {
  bool angle;
  std::string at, back, fore;
  double value, sigma;
};

double Computed(const Obs& o, const std::map<std::string, Eigen::Vector2d>& x) {
  const auto azimuth = [&](const std::string& a, const std::string& b) {
    const Eigen::Vector2d d = x.at(b) - x.at(a);
    return std::atan2(d[1], d[0]);
  };
  if (!o.angle) return (x.at(o.fore) - x.at(o.at)).norm();
  return azimuth(o.at, o.fore) - azimuth(o.at, o.back);
}

double Misfit(const Obs& o, double computed) {
  double d = std::fmod(o.value - computed, 2 * kPi);
  if (!o.angle) return o.value - computed;
  if (d > kPi) d -= 2 * kPi;
  if (d <= -kPi) d += 2 * kPi;
  return d;
}

Reference DenseAdjustment(const traverse::Adjustment& a, const traverse::AdjustOptions& options) {
  const traverse::Chain& c = a.chain;
  Reference ref;
  ref.at[c.backsight.name] = {c.backsight.north, c.backsight.east};
  if (c.closingPoint) ref.at[c.closingPoint->name] = {c.closingPoint->north, c.closingPoint->east};
  for (size_t k = 0; k < c.setUps.size(); ++k) {
    const std::string& name = c.setUps[k].station;
    const auto& s = a.stations[static_cast<size_t>(a.stationOfSetUp[k])];
    ref.at[name] = {s.north + 0.3, s.east - 0.2};  // a start away from the answer
    if (c.knownStation[k]) ref.at[name] = {c.knownStation[k]->north, c.knownStation[k]->east};
    else if (!ref.unknown.count(name)) ref.unknown.emplace(name, static_cast<int>(2 * ref.unknown.size()));
  }
  std::vector<Obs> obs;
  const size_t n = c.setUps.size();
  for (size_t k = 0; k < n; ++k) {
    const bool last = k + 1 == n;
    if (last && !c.closingPoint) break;
    const std::string& fore = last ? c.closingPoint->name : c.setUps[k + 1].station;
    obs.push_back({true, c.setUps[k].station, k == 0 ? c.backsight.name : c.setUps[k - 1].station, fore,
                   c.setUps[k].beta, options.sigmaAngleSec * kPi / 648000});
    if (last) break;
    const double d = c.legs[k].horizontal;
    obs.push_back({false, c.setUps[k].station, "", fore, d,
                   options.sigmaDistanceMm / 1000 + options.sigmaDistancePpm * 1e-6 * d});
  }
  const int u = static_cast<int>(2 * ref.unknown.size()), m = static_cast<int>(obs.size());
  ref.redundancy = m - u;
  Eigen::MatrixXd A(m, u), P = Eigen::MatrixXd::Zero(m, m);
  Eigen::VectorXd l(m);
  for (int it = 0; it < 50; ++it) {
    for (int i = 0; i < m; ++i) {
      P(i, i) = 1 / (obs[i].sigma * obs[i].sigma);
      l[i] = Misfit(obs[i], Computed(obs[i], ref.at));
      for (const auto& [name, col] : ref.unknown)
        for (int j = 0; j < 2; ++j) {
          auto plus = ref.at, minus = ref.at;
          plus[name][j] += 1e-4;
          minus[name][j] -= 1e-4;
          A(i, col + j) = -Misfit(obs[i], Computed(obs[i], plus)) / 2e-4 + Misfit(obs[i], Computed(obs[i], minus)) / 2e-4;
        }
    }
    const Eigen::MatrixXd N = A.transpose() * P * A;
    const Eigen::VectorXd dx = N.ldlt().solve(A.transpose() * P * l);
    for (const auto& [name, col] : ref.unknown) ref.at[name] += dx.segment<2>(col);
    ref.q = N.inverse();
    if (dx.cwiseAbs().maxCoeff() < 1e-10) break;
  }
  const Eigen::VectorXd v = -l;
  const double vtpv = v.dot(P * v);
  ref.sigma0 = ref.redundancy > 0 ? std::sqrt(vtpv / ref.redundancy) : 0;
  const Eigen::MatrixXd qvv = P.inverse() - A * ref.q * A.transpose();
  for (int i = 0; i < m; ++i) ref.standardised.push_back(v[i] / std::sqrt(qvv(i, i)));
  return ref;
}

struct NetCase {
  const char* label;
  int stations;
  bool loop;
  bool closingSight;
  bool knownMidway;  // a control point the chain passes on its way
  int redundancy;
};

void PrintTo(const NetCase& c, std::ostream* os) { *os << c.label; }

class AgainstDenseSolve : public ::testing::TestWithParam<NetCase> {};

TEST_P(AgainstDenseSolve, SameCoordinatesPrecisionAndResiduals) {
  const NetCase& c = GetParam();
  TraverseJobRecipe recipe;
  recipe.seed = 5;
  recipe.angleNoiseSec = 5;
  recipe.distanceNoiseMm = 5;
  recipe.stations = ZigZagStations(c.stations, 3);
  recipe.backsight = {"B0", recipe.stations[0].north + 50, recipe.stations[0].east - 220, 100};
  std::string control;
  if (c.loop) {
    recipe.stations.push_back(recipe.stations.front());
    if (c.closingSight) recipe.closing = recipe.backsight;
  } else {
    control = ControlLine(recipe.stations.back());
    if (c.closingSight) {
      recipe.closing = TruePoint{"C9", recipe.stations.back().north + 10, recipe.stations.back().east + 300, 100};
      control += ControlLine(*recipe.closing);
    }
  }
  if (c.knownMidway) control += ControlLine(recipe.stations[static_cast<size_t>(c.stations / 2)]);
  traverse::AdjustOptions options;
  options.sigmaAngleSec = 2.5;
  options.sigmaDistanceMm = 2;
  options.sigmaDistancePpm = 3;
  const traverse::Adjustment a =
      Adjust(GridOfText(TraverseJobText(recipe)), Control(control), Method::LeastSquares, options);
  const Reference ref = DenseAdjustment(a, options);
  const traverse::LeastSquaresStats& ls = *a.leastSquares;
  EXPECT_EQ(ls.redundancy, c.redundancy);
  EXPECT_EQ(ref.redundancy, c.redundancy);
  EXPECT_NEAR(*ls.sigma0, ref.sigma0, ref.sigma0 * 1e-5);
  EXPECT_EQ(*ls.chiPassed, *ls.chiLower <= *ls.sigma0 && *ls.sigma0 <= *ls.chiUpper);
  for (const traverse::StationResult& s : a.stations) {
    EXPECT_NEAR(s.north, ref.at.at(s.name)[0], 1e-6) << s.name;
    EXPECT_NEAR(s.east, ref.at.at(s.name)[1], 1e-6) << s.name;
    if (s.known) {
      EXPECT_EQ(*s.sigmaNorth, 0);
      continue;
    }
    const int col = ref.unknown.at(s.name);
    const Eigen::Matrix2d cov = ref.q.block<2, 2>(col, col) * ref.sigma0 * ref.sigma0;
    EXPECT_NEAR(*s.sigmaNorth, std::sqrt(cov(0, 0)), 1e-5 * std::sqrt(cov(0, 0))) << s.name;
    EXPECT_NEAR(*s.sigmaEast, std::sqrt(cov(1, 1)), 1e-5 * std::sqrt(cov(1, 1))) << s.name;
    Eigen::SelfAdjointEigenSolver<Eigen::Matrix2d> eig(cov);
    EXPECT_NEAR(*s.ellipseA, std::sqrt(eig.eigenvalues()[1]), 1e-5 * *s.ellipseA) << s.name;
    EXPECT_NEAR(*s.ellipseB, std::sqrt(eig.eigenvalues()[0]), 1e-5 * *s.ellipseA) << s.name;
    // The major axis points along the larger eigenvector: degrees from north toward east.
    const Eigen::Vector2d major = eig.eigenvectors().col(1);
    double az = std::atan2(major[1], major[0]) * 180 / kPi;
    az = std::fmod(az + 360, 180);
    EXPECT_GE(*s.ellipseAzimuthDeg, 0);
    EXPECT_LT(*s.ellipseAzimuthDeg, 180);
    const double diff = std::fabs(*s.ellipseAzimuthDeg - az);
    EXPECT_LT(std::min(diff, 180 - diff), 1e-3) << s.name;
  }
  ASSERT_EQ(ls.residuals.size(), ref.standardised.size());
  for (size_t i = 0; i < ref.standardised.size(); ++i) {
    ASSERT_TRUE(ls.residuals[i].standardised) << i;
    EXPECT_NEAR(*ls.residuals[i].standardised, ref.standardised[i], 1e-4) << i;
    EXPECT_EQ(ls.residuals[i].flagged, std::fabs(ref.standardised[i]) > 3) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Traverses, AgainstDenseSolve,
                         ::testing::Values(NetCase{"loop", 6, true, true, false, 3},
                                           NetCase{"link with closing sight", 8, false, true, false, 3},
                                           NetCase{"link without closing sight", 5, false, false, false, 2},
                                           NetCase{"link through a control point", 7, false, true, true, 5}));

// A gross error in one distance stands out as the largest standardised residual.
TEST(LeastSquares, FlagsAGrossError) {
  TraverseJobRecipe recipe;
  recipe.stations = ZigZagStations(8, 9);
  recipe.backsight = {"B0", recipe.stations[0].north - 100, recipe.stations[0].east, 100};
  recipe.stations.push_back(recipe.stations.front());
  recipe.closing = recipe.backsight;
  std::string text = TraverseJobText(recipe);
  const size_t leg = text.find("U,DP,S5,") + 8;
  text.replace(leg, 3, std::to_string(std::stoi(text.substr(leg, 3)) + 1));  // one metre longer
  const traverse::Adjustment a = Adjust(GridOfText(text), {}, Method::LeastSquares);
  const auto& r = a.leastSquares->residuals;
  const auto worst = std::max_element(r.begin(), r.end(), [](const auto& x, const auto& y) {
    return std::fabs(*x.standardised) < std::fabs(*y.standardised);
  });
  EXPECT_TRUE(worst->flagged);
  EXPECT_EQ(worst->kind, traverse::Residual::Kind::Distance);
  EXPECT_EQ(worst->to, "S5");
  EXPECT_FALSE(*a.leastSquares->chiPassed);
}

TEST(ChiSquare, QuantilesOfTheTables) {
  const struct {
    double p;
    int dof;
    double x;
  } table[] = {{0.975, 1, 5.0239}, {0.025, 1, 0.000982}, {0.975, 5, 12.8325}, {0.025, 5, 0.8312},
               {0.975, 10, 20.4832}, {0.025, 10, 3.2470}, {0.975, 30, 46.9792}, {0.025, 30, 16.7908},
               {0.95, 2, 5.9915}};
  for (const auto& t : table) {
    EXPECT_NEAR(traverse::ChiSquareQuantile(t.p, t.dof), t.x, t.x * 2e-4) << t.p << " " << t.dof;
    EXPECT_NEAR(traverse::ChiSquareCdf(t.x, t.dof), t.p, 2e-4);
  }
}

}  // namespace
}  // namespace corvane
