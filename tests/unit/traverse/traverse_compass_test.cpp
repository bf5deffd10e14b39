// The compass rule and the misclosures: a hand-checked loop, and chains made
// from true coordinates whose exact observations must close and give the true
// coordinates back, by both methods.
#include <cmath>

#include "core/traverse/traverse_outputs.h"
#include "traverse_test_util.h"

namespace corvane {
namespace {

using namespace testing;
using traverse::Method;
using traverse::TraverseKind;

// A loop A-B-C-D-A started on A with the backsight R due north, angles to the
// right with 15" of error in all and the distances a few millimetres off. The
// expected values were worked by hand in the tabular form of the compass rule
// (angles balanced by -3" each, latitudes and departures, corrections in
// proportion to the length run):
//   course  azimuth       length   latitude    departure
//   AB       60-00-02    200.012   100.00432   173.21644
//   BC      150-00-02    149.994  -129.89934    74.99574
//   CD      239-59-57    200.005  -100.00502  -173.20796
//   DA      330-00-00    150.010   129.91247   -75.00500
//   sums                 700.021     0.01243    -0.00077   1:56206
// No published compass-rule example with verifiable numbers could be found in
// a public-domain manual, so this one was built and checked by hand instead.
const char* const kHandLoop =
    "ZAMO RECORD FILE\n"
    "U,ST,A,0.0000,0.0000,0.0000,1000.000,1000.000,100.000,1.500,0.0000,STN\n"
    "U,BS,R,0.0000,0.0000,0.0000,1500.000,1000.000,100.000,0.0000,1.500,BKB\n"
    "U,DP,B,200.012,60.0005,90.0000,0.0000,0.0000,0.0000,0.0000,1.500,TRV\n"
    "U,ST,B,0.0000,0.0000,0.0000,1100.000,1173.000,100.000,1.500,0.0000,STN\n"
    "U,BS,A,0.0000,0.0000,0.0000,1000.000,1000.000,100.000,0.0000,1.500,BKB\n"
    "U,DP,C,149.994,270.0003,90.0000,0.0000,0.0000,0.0000,0.0000,1.500,TRV\n"
    "U,ST,C,0.0000,0.0000,0.0000,970.000,1248.000,100.000,1.500,0.0000,STN\n"
    "U,BS,B,0.0000,0.0000,0.0000,1100.000,1173.000,100.000,0.0000,1.500,BKB\n"
    "U,DP,D,200.005,269.5958,90.0000,0.0000,0.0000,0.0000,0.0000,1.500,TRV\n"
    "U,ST,D,0.0000,0.0000,0.0000,870.000,1075.000,100.000,1.500,0.0000,STN\n"
    "U,BS,C,0.0000,0.0000,0.0000,970.000,1248.000,100.000,0.0000,1.500,BKB\n"
    "U,DP,A,150.010,270.0006,90.0000,0.0000,0.0000,0.0000,0.0000,1.500,TRV\n"
    "U,ST,A,0.0000,0.0000,0.0000,1000.000,1000.000,100.000,1.500,0.0000,STN\n"
    "U,BS,D,0.0000,0.0000,0.0000,870.000,1075.000,100.000,0.0000,1.500,BKB\n"
    "U,DP,R,500.000,210.0003,90.0000,0.0000,0.0000,0.0000,0.0000,1.500,TRV\n";

TEST(CompassRule, HandCheckedLoop) {
  const RecordGrid grid = GridOfText(kHandLoop);
  const traverse::Adjustment a = Adjust(grid, {}, Method::Compass);
  const traverse::Misclosure& m = a.misclosure;
  EXPECT_EQ(a.chain.kind, TraverseKind::Loop);
  EXPECT_EQ(m.angles, 5);
  EXPECT_NEAR(*m.angular / traverse::kArcSecond, 15.0, 1e-6);
  EXPECT_NEAR(*m.north, 0.01243, 5e-6);
  EXPECT_NEAR(*m.east, -0.00077, 5e-6);
  EXPECT_NEAR(*m.height, 0.0, 1e-9);
  EXPECT_NEAR(m.length, 700.021, 1e-9);
  EXPECT_NEAR(*m.precisionRatio, 56206, 1);
  ASSERT_EQ(a.stations.size(), 4u);
  const double expected[][2] = {{1000.0, 1000.0}, {1100.0008, 1173.2167}, {970.0988, 1248.2126}, {870.0902, 1075.0048}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(a.stations[i].north, expected[i][0], 6e-5) << a.stations[i].name;
    EXPECT_NEAR(a.stations[i].east, expected[i][1], 6e-5) << a.stations[i].name;
  }
  // One line per ST/BS row; each backsight line holds the point it names.
  EXPECT_EQ(traverse::StationFileText(grid, a),
            "A,1000.000,1000.000,100.000\nR,1500.000,1000.000,100.000\n"
            "B,1100.001,1173.217,100.000\nA,1000.000,1000.000,100.000\n"
            "C,970.099,1248.213,100.000\nB,1100.001,1173.217,100.000\n"
            "D,870.090,1075.005,100.000\nC,970.099,1248.213,100.000\n"
            "A,1000.000,1000.000,100.000\nD,870.090,1075.005,100.000\n");
  const std::string report = traverse::TraverseReport(a, traverse::DefaultTraverseCaptions());
  for (const char* part : {"loop traverse", "15.0\"", "1:56206", "within tolerance", "60-00-05.0", "210-00-03.0"})
    EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report;
}

struct ExactCase {
  const char* label;
  TraverseKind kind;
  int stations;       // distinct stations
  bool closingSight;  // the last set-up sights a known point
  const char* unit;
  bool enz;
};

void PrintTo(const ExactCase& c, std::ostream* os) { *os << c.label; }

class ExactObservations : public ::testing::TestWithParam<ExactCase> {};

// Exact observations close to within their printed digits and give the true
// coordinates back, whatever the method, unit, order or shape.
TEST_P(ExactObservations, CloseAndGiveTheTruthBack) {
  const ExactCase& c = GetParam();
  TraverseJobRecipe recipe;
  recipe.unit = c.unit;
  recipe.enz = c.enz;
  recipe.stations = ZigZagStations(c.stations, 11);
  for (TruePoint& p : recipe.stations) {
    p.north = std::round(p.north * 1e4) / 1e4;
    p.east = std::round(p.east * 1e4) / 1e4;
    p.height = std::round(p.height * 1e4) / 1e4;
  }
  recipe.backsight = {"B0", recipe.stations[0].north + 120.5, recipe.stations[0].east - 310.25, 97.5};
  std::string control;
  if (c.kind == TraverseKind::Loop) {
    recipe.stations.push_back(recipe.stations.front());
    if (c.closingSight) recipe.closing = recipe.backsight;
  } else if (c.kind == TraverseKind::Link) {
    control = ControlLine(recipe.stations.back());
    if (c.closingSight) {
      recipe.closing = TruePoint{"C9", recipe.stations.back().north - 200, recipe.stations.back().east + 75, 90};
      control += ControlLine(*recipe.closing);
    }
  }
  const RecordGrid grid = GridOfText(TraverseJobText(recipe));
  const traverse::ControlPoints points = Control(control);
  // An open traverse is placed as the recompute places points: to the millimetre.
  const double near = c.kind == TraverseKind::Open ? 2e-3 : 2e-5;
  for (Method method : {Method::Compass, Method::LeastSquares}) {
    const traverse::Adjustment a = Adjust(grid, points, method);
    const traverse::Misclosure& m = a.misclosure;
    EXPECT_EQ(a.chain.kind, c.kind);
    const int setUps = static_cast<int>(recipe.stations.size());
    EXPECT_EQ(m.angles, c.closingSight && c.kind != TraverseKind::Open ? setUps : setUps - 1);
    EXPECT_EQ(m.angular.has_value(), c.closingSight && c.kind != TraverseKind::Open);
    if (m.angular) {
      EXPECT_NEAR(*m.angular / traverse::kArcSecond, 0, 1e-3);
    }
    if (c.kind != TraverseKind::Open) {
      EXPECT_NEAR(*m.north, 0, 1e-5);
      EXPECT_NEAR(*m.east, 0, 1e-5);
      EXPECT_NEAR(*m.height, 0, 1e-5);
      EXPECT_TRUE(a.tolerance.Passed());
    }
    ASSERT_EQ(a.stations.size(), static_cast<size_t>(c.stations));
    for (int k = 0; k < c.stations; ++k) {
      EXPECT_NEAR(a.stations[k].north, recipe.stations[k].north, near) << c.label << " " << a.stations[k].name;
      EXPECT_NEAR(a.stations[k].east, recipe.stations[k].east, near) << c.label << " " << a.stations[k].name;
      EXPECT_NEAR(*a.stations[k].height, recipe.stations[k].height, near) << c.label << " " << a.stations[k].name;
    }
    if (method == Method::LeastSquares && a.leastSquares->sigma0) {
      EXPECT_LT(*a.leastSquares->sigma0, 0.05);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Chains, ExactObservations,
                         ::testing::Values(ExactCase{"loop dms", TraverseKind::Loop, 6, true, "dms", false},
                                           ExactCase{"loop without closing sight", TraverseKind::Loop, 5, false,
                                                     "dms", false},
                                           ExactCase{"link gon ENZ", TraverseKind::Link, 8, true, "gon", true},
                                           ExactCase{"link without closing sight", TraverseKind::Link, 4, false,
                                                     "dms", false},
                                           ExactCase{"shortest link", TraverseKind::Link, 2, true, "dms", false},
                                           ExactCase{"open", TraverseKind::Open, 5, false, "dms", false},
                                           ExactCase{"open gon ENZ", TraverseKind::Open, 3, false, "gon", true}));

// Noisy chains: both methods report the same misclosures, stay near the truth,
// keep the known ends, and the pass/fail line follows the numbers.
TEST(CompassRule, NoisyChainsKeepTheirInvariants) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    TraverseJobRecipe recipe;
    recipe.seed = seed;
    recipe.angleNoiseSec = 4;
    recipe.distanceNoiseMm = 4;
    recipe.stations = ZigZagStations(4 + static_cast<int>(seed % 5), seed);
    recipe.backsight = {"B0", recipe.stations[0].north - 90, recipe.stations[0].east + 40, 100};
    recipe.closing = TruePoint{"C9", recipe.stations.back().north + 150, recipe.stations.back().east, 100};
    const std::string control = ControlLine(recipe.stations.back()) + ControlLine(*recipe.closing);
    const RecordGrid grid = GridOfText(TraverseJobText(recipe));
    traverse::AdjustOptions options;
    options.toleranceAngleSec = 3 + seed;
    options.toleranceRatio = 2000.0 * seed;
    const traverse::Adjustment compass = Adjust(grid, Control(control), Method::Compass, options);
    const traverse::Adjustment lsq = Adjust(grid, Control(control), Method::LeastSquares, options);
    const traverse::Misclosure& m = compass.misclosure;
    EXPECT_EQ(*m.angular, *lsq.misclosure.angular);
    EXPECT_EQ(*m.north, *lsq.misclosure.north);
    const double w = std::fabs(*m.angular / traverse::kArcSecond);
    EXPECT_EQ(compass.tolerance.angularPassed, w <= options.toleranceAngleSec * std::sqrt(m.angles)) << seed;
    EXPECT_EQ(compass.tolerance.linearPassed, *m.precisionRatio >= options.toleranceRatio) << seed;
    EXPECT_EQ(traverse::ToleranceFailureText(compass).empty(), compass.tolerance.Passed());
    for (const traverse::Adjustment* a : {&compass, &lsq}) {
      EXPECT_TRUE(a->stations.back().known);
      EXPECT_NEAR(a->stations.back().north, recipe.stations.back().north, 5e-5);
      for (size_t k = 0; k < a->stations.size(); ++k) {
        EXPECT_NEAR(a->stations[k].north, recipe.stations[k].north, 0.05) << seed;
        EXPECT_NEAR(a->stations[k].east, recipe.stations[k].east, 0.05) << seed;
      }
      const std::string json = traverse::AdjustmentJson(*a);
      EXPECT_EQ(json.find("nan"), std::string::npos);
      EXPECT_EQ(json.find("inf"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace corvane
