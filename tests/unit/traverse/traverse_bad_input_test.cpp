// Jobs and control files that hold no adjustable traverse: a clear message that
// names the row or the point, never a crash or a NaN; and the sizes a job can
// reach (10 000 set-ups, names of 100 000 characters).
#include <chrono>

#include "core/traverse/traverse_outputs.h"
#include "traverse_test_util.h"

namespace corvane {
namespace {

using namespace testing;

// An open traverse S1 → S2 → S3 started on B1; row r of the grid is line r here.
const std::vector<std::string> kJob = {
    "ZAMO RECORD FILE",
    "U,ST,S1,0.0000,0.0000,0.0000,1000.000,2000.000,100.000,1.500,0.0000,STN",
    "U,BS,B1,0.0000,0.0000,0.0000,1100.000,2000.000,101.000,0.0000,1.500,BKB",
    "U,DP,S2,150.000,45.0000,90.0000,0.0000,0.0000,0.0000,0.0000,1.500,TRV",
    "U,ST,S2,0.0000,0.0000,0.0000,1106.066,2106.066,100.000,1.500,0.0000,STN",
    "U,BS,S1,0.0000,0.0000,10.0000,1000.000,2000.000,100.000,0.0000,1.500,BKB",
    "U,DP,S3,120.000,200.0000,90.0000,0.0000,0.0000,0.0000,0.0000,1.500,TRV",
    "U,ST,S3,0.0000,0.0000,0.0000,1200.000,2200.000,100.000,1.500,0.0000,STN",
    "U,BS,S2,0.0000,0.0000,0.0000,1106.066,2106.066,100.000,0.0000,1.500,BKB",
};

struct Edit {
  int row;           // 1-based line of kJob
  int field;         // field to replace (-1: the whole line; -2: remove the line; -3: insert before)
  const char* text;
};

struct BadCase {
  const char* label;
  std::vector<Edit> edits;
  const char* control;
  std::vector<const char*> message;  // parts the message must hold
};

std::string Apply(const std::vector<Edit>& edits) {
  std::vector<std::string> lines = kJob;
  // From the last row up, so earlier rows keep their numbers.
  std::vector<Edit> sorted = edits;
  std::sort(sorted.begin(), sorted.end(), [](const Edit& a, const Edit& b) { return a.row > b.row; });
  for (const Edit& e : sorted) {
    const size_t i = static_cast<size_t>(e.row - 1);
    if (e.field == -1) lines[i] = e.text;
    if (e.field == -2) lines.erase(lines.begin() + static_cast<long>(i));
    if (e.field == -3) lines.insert(lines.begin() + static_cast<long>(i), e.text);
    if (e.field >= 0) {
      size_t start = 0;
      for (int f = 0; f < e.field; ++f) start = lines[i].find(',', start) + 1;
      const size_t end = lines[i].find(',', start);
      lines[i].replace(start, end == std::string::npos ? std::string::npos : end - start, e.text);
    }
  }
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

class BadInput : public ::testing::TestWithParam<BadCase> {};
void PrintTo(const BadCase& c, std::ostream* os) { *os << c.label; }

TEST_P(BadInput, EndsWithAMessageNamingTheRowOrPoint) {
  const BadCase& c = GetParam();
  const RecordGrid grid = GridOfText(Apply(c.edits));
  traverse::ControlPoints control;
  CommandResult r = traverse::ParseControlText(c.control, 0, control);
  for (traverse::Method method : {traverse::Method::Compass, traverse::Method::LeastSquares}) {
    if (r.Done()) {
      traverse::AdjustOptions options;
      options.method = method;
      traverse::Adjustment a;
      r = traverse::AdjustTraverse(grid, control, options, a);
    }
    ASSERT_EQ(r.status, CommandStatus::Failed);
    for (const char* part : c.message) EXPECT_NE(r.message.find(part), std::string::npos) << part << "\n" << r.message;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, BadInput,
    ::testing::Values(
        BadCase{"no set-up", {{2, -2, ""}, {3, -2, ""}, {5, -2, ""}, {6, -2, ""}, {8, -2, ""}, {9, -2, ""}}, "",
                {"no set-up"}},
        BadCase{"single set-up", {{5, -2, ""}, {6, -2, ""}, {7, -2, ""}, {8, -2, ""}, {9, -2, ""}}, "",
                {"only set-up", "line 2"}},
        BadCase{"backsight of another point", {{6, 2, "X9"}}, "", {"line 5", "line 2", "backsight is not 'S1'"}},
        BadCase{"next station not measured", {{4, 2, "P4"}}, "", {"no point named 'S2'", "'S1'"}},
        BadCase{"angles to the left", {{2, -3, "HA      :Left"}}, "", {"HA :Left", "line 2"}},
        BadCase{"angles to the left as a record", {{2, -3, "U,HA,Left"}}, "", {"HA :Left", "line 2"}},
        BadCase{"same station twice",
                {{9, -1, "U,BS,S2,0.0000,0.0000,0.0000,1106.066,2106.066,100.000,0.0000,1.500,BKB\n"
                         "U,DP,S2,120.000,10.0000,90.0000,0.0000,0.0000,0.0000,0.0000,1.500,TRV\n"
                         "U,ST,S2,0.0000,0.0000,0.0000,1106.066,2106.066,100.000,1.500,0.0000,STN\n"
                         "U,BS,S3,0.0000,0.0000,0.0000,1200.000,2200.000,100.000,0.0000,1.500,BKB"}},
                "",
                {"passes through 'S2' twice", "lines 5 and 11"}},
        BadCase{"zero-length leg", {{4, 3, "0.000"}}, "", {"Line 4", "leg from 'S1' to 'S2'", "no length"}},
        BadCase{"vertical sight", {{4, 5, "0.0000"}}, "", {"Line 4", "no length"}},
        BadCase{"non-numeric distance", {{7, 3, "abc"}}, "", {"Line 7", "slope distance of 'S3'", "('abc')"}},
        BadCase{"empty backsight angle", {{6, 5, ""}}, "", {"Line 6", "horizontal angle of 'S1'"}},
        BadCase{"non-numeric foresight angle", {{7, 4, "2OO.0000"}}, "", {"Line 7", "horizontal angle of 'S3'"}},
        BadCase{"non-numeric vertical angle", {{4, 5, "9O"}}, "", {"Line 4", "vertical angle of 'S2'"}},
        BadCase{"infinite target height", {{4, 10, "1e999"}}, "", {"Line 4", "target height of 'S2'"}},
        BadCase{"coincident start", {{3, 6, "1000.000"}, {3, 7, "2000.000"}}, "",
                {"line 2 has no direction", "'S1'", "'B1'"}},
        BadCase{"backsight on the station's name", {{3, 2, "S1"}}, "", {"line 2 has no direction"}},
        BadCase{"unknown start", {{2, 6, ""}, {2, 7, ""}}, "", {"start of the traverse is unknown", "'S1' (line 2)"}},
        BadCase{"unknown backsight", {{3, 7, "n/a"}}, "", {"starting direction is unknown", "'B1' (line 3)"}},
        BadCase{"no backsight row", {{3, -2, ""}}, "", {"line 2 has no backsight row"}},
        BadCase{"station without a name", {{5, 2, ""}}, "", {"Lost Point name in line:5"}},
        BadCase{"coordinates beyond any arithmetic", {{2, 6, "1.7e308"}, {3, 6, "-1e308"}, {4, 3, "1.7e308"}, {4, 4, "180"}}, "",
                {"too large"}},
        BadCase{"NaN northing in the control file", {}, "S1,1000,2000,100\nS3,nan,2200,100\n",
                {"Line 2 of the control file", "northing of 'S3'", "('nan')"}},
        BadCase{"infinite height in the control file", {}, "S3,1200,2200,inf\n", {"Line 1", "height of 'S3'"}},
        BadCase{"overflowing easting in the control file", {}, "S3,1200,1e999,100\n", {"easting of 'S3'"}},
        BadCase{"missing easting in the control file", {}, "S3,1200\n", {"easting of 'S3' is missing"}},
        BadCase{"a point given twice", {}, "S3,1200,2200,100\nS3,1200,2200.5,100\n",
                {"Line 2 of the control file gives 'S3' other coordinates than line 1"}}));

// Names of 100 000 characters: the traverse is adjusted, messages cut the
// name, and the station file says which lines the dialog cannot read back.
TEST(TraverseSizes, HundredThousandCharacterNames) {
  const std::string longName(100000, 'N');
  std::string text = Apply({});
  for (size_t at; (at = text.find("S2,")) != std::string::npos;) text.replace(at, 2, longName);
  const RecordGrid grid = GridOfText(text);
  for (traverse::Method method : {traverse::Method::Compass, traverse::Method::LeastSquares}) {
    const traverse::Adjustment a = Adjust(grid, {}, method);
    ASSERT_EQ(a.stations.size(), 3u);
    EXPECT_EQ(a.stations[1].name, longName);
    std::vector<std::string> warnings;
    EXPECT_NE(traverse::StationFileText(grid, a, &warnings).find(longName + ",1106.066,2106.066"), std::string::npos);
    ASSERT_EQ(warnings.size(), 2u);  // its station row and the backsight row that names it
    EXPECT_LT(warnings[0].size(), 300u);
    EXPECT_NE(traverse::AdjustmentJson(a).find(longName), std::string::npos);
  }
  traverse::Adjustment a;
  std::string broken = Apply({{7, 3, "x"}});
  for (size_t at; (at = broken.find("S3,")) != std::string::npos;) broken.replace(at, 2, longName);
  const CommandResult bad = traverse::AdjustTraverse(GridOfText(broken), {}, {}, a);
  ASSERT_FALSE(bad.Done());
  EXPECT_LT(bad.message.size(), 300u);
  EXPECT_NE(bad.message.find("(100000 characters)"), std::string::npos) << bad.message;
}

// 10 000 set-ups: both methods finish, in time proportional to the length, and
// write nothing that is not a number.
TEST(TraverseSizes, TenThousandSetUps) {
  TraverseJobRecipe recipe;
  recipe.angleNoiseSec = 2;
  recipe.distanceNoiseMm = 2;
  recipe.stations = ZigZagStations(10000);
  recipe.backsight = {"B0", recipe.stations[0].north - 100, recipe.stations[0].east, 100};
  recipe.closing = TruePoint{"C1", recipe.stations.back().north + 100, recipe.stations.back().east, 100};
  const RecordGrid grid = GridOfText(TraverseJobText(recipe));
  const traverse::ControlPoints control = Control(ControlLine(recipe.stations.back()) + ControlLine(*recipe.closing));
  // Least squares starts from the compass rule: one run covers both.
  const auto t0 = std::chrono::steady_clock::now();
  const traverse::Adjustment a = Adjust(grid, control, traverse::Method::LeastSquares);
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(60));
  EXPECT_EQ(a.stations.size(), 10000u);
  EXPECT_EQ(a.misclosure.angles, 10000);
  EXPECT_EQ(a.leastSquares->redundancy, 3);
  const std::string json = traverse::AdjustmentJson(a);
  EXPECT_EQ(json.find("nan"), std::string::npos);
  EXPECT_EQ(json.find("inf"), std::string::npos);
}

}  // namespace
}  // namespace corvane
