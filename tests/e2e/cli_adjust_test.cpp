// corvane480-cli adjust: its station file handed to recompute as it stands, its
// exit codes, and what it leaves on disk when it cannot adjust.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "e2e/cli_runner.h"
#include "support/traverse_job.h"

namespace corvane {
namespace {

using namespace corvane::testing;

struct Files {
  std::string job, control;
};

// A traverse of `n` stations from true coordinates; a link with a closing
// sight, or an open one.
Files WriteTraverse(const TempDir& dir, int n, bool link, double noise) {
  TraverseJobRecipe recipe;
  recipe.stations = ZigZagStations(n, 21);
  recipe.backsight = {"B0", recipe.stations[0].north - 80, recipe.stations[0].east - 60, 100};
  recipe.angleNoiseSec = noise;
  recipe.distanceNoiseMm = noise;
  std::string control;
  if (link) {
    const TruePoint& last = recipe.stations.back();
    recipe.closing = TruePoint{"C9", last.north + 90, last.east - 120, last.height};
    control = ControlLine(last) + ControlLine(*recipe.closing);
  }
  Files f{dir.File("job.kvm"), dir.File("control.txt")};
  WriteBytes(f.job, TraverseJobText(recipe));
  WriteBytes(f.control, control);
  return f;
}

// name → "N,E,H" of lines "name,N,E,H[,...]", CR LF ends.
std::map<std::string, std::string> Coordinates(const std::string& text) {
  std::map<std::string, std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    const std::string line = text.substr(start, end - start);
    start = end == std::string::npos ? text.size() : end + 2;
    const size_t a = line.find(','), b = line.find(',', a + 1), c = line.find(',', b + 1), d = line.find(',', c + 1);
    out[line.substr(0, a)] = line.substr(a + 1, (d == std::string::npos ? line.size() : d) - a - 1);
  }
  return out;
}

TEST(CliAdjust, StationFileGoesStraightIntoTheRecompute) {
  for (const bool link : {true, false}) {
    TempDir dir;
    const Files f = WriteTraverse(dir, 7, link, link ? 3 : 0);
    std::vector<std::string> args = {"adjust", f.job, "--method", "lsq", "-o", dir.File("st.txt"),
                                     "--report", dir.File("adjust.rpt"), "--json", dir.File("adjust.json")};
    if (link) args.insert(args.end(), {"--control", f.control});
    const RunResult adjusted = RunCli(dir, args);
    ASSERT_EQ(adjusted.exitCode, 0) << adjusted.err;
    const RunResult recomputed = RunCli(dir, {"recompute", f.job, "--stations", dir.File("st.txt"), "--format", "0",
                                             "--layout", "0", "-o", dir.File("points.txt")});
    ASSERT_EQ(recomputed.exitCode, 0) << recomputed.err;

    const std::string stationFile = ReadBytes(dir.File("st.txt"));
    const auto stations = Coordinates(stationFile);
    // Every recomputed line of a station (its ST row, and in an open traverse
    // also the point that measured it) carries the station file's coordinates.
    std::string points = ReadBytes(dir.File("points.txt"));
    int checked = 0;
    size_t start = 0;
    while (start < points.size()) {
      const size_t end = points.find("\r\n", start);
      const std::string line = points.substr(start, end - start);
      start = end + 2;
      const std::string name = line.substr(0, line.find(','));
      if (name[0] != 'S') continue;
      const bool stationRow = line.size() > 4 && line.substr(line.size() - 4) == ",STN";
      if (!stationRow && link) continue;
      const std::string coords = line.substr(name.size() + 1, line.rfind(',') - name.size() - 1);
      EXPECT_EQ(coords, stations.at(name)) << (link ? "link " : "open ") << line;
      ++checked;
    }
    EXPECT_EQ(checked, link ? 7 : 13);
    const std::string json = ReadBytes(dir.File("adjust.json"));
    EXPECT_NE(json.find(link ? "\"kind\": \"link\"" : "\"kind\": \"open\""), std::string::npos) << json;
    EXPECT_EQ(json.find("nan"), std::string::npos);
    const std::string report = ReadBytes(dir.File("adjust.rpt"));
    EXPECT_EQ(report.substr(0, 3), " __");
    EXPECT_EQ(report.back(), '|');
  }
}

TEST(CliAdjust, UsageFailuresAndToleranceHaveTheirExitCodes) {
  TempDir dir;
  const Files f = WriteTraverse(dir, 5, true, 20);
  const std::string out = dir.File("out.txt");
  const std::string missing = dir.File("missing.kvm");
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* err;  // a part of stderr
  };
  const Case cases[] = {
      {{"adjust"}, 2, "missing JOB"},
      {{"adjust", missing, "-o", out, "--method", "bowditch"}, 2, "--method takes compass or lsq"},
      {{"adjust", missing}, 2, "-o STATIONS is needed"},
      {{"adjust", missing, "-o", out, "--format", "0"}, 2, "--format goes with --control"},
      {{"adjust", missing, "-o", out, "--control", f.control, "--format", "7"}, 2, "from 0 to 6"},
      {{"adjust", missing, "-o", out, "--sigma-angle", "0"}, 2, "--sigma-angle takes a number above 0"},
      {{"adjust", missing, "-o", out, "--sigma-distance", "0,2"}, 2, "above 0 mm"},
      {{"adjust", missing, "-o", out, "--sigma-distance", "3;2"}, 2, "two numbers"},
      {{"adjust", missing, "-o", out, "--tolerance", "10"}, 2, "two numbers"},
      {{"adjust", missing, "-o", out, "--tolerance", "10,nan"}, 2, "--tolerance"},
      {{"adjust", missing, "-o", out, "--bogus", "1"}, 2, "unknown option --bogus"},
      {{"adjust", missing, "-o", out}, 1, "Open file failed!"},
      {{"adjust", f.job, "-o", out, "--control", missing}, 1, "Open file failed!"},
      // A report that cannot be created: no file is written at all.
      {{"adjust", f.job, "-o", out, "--report", dir.File("no/such/r.rpt")}, 1, "Open report file failed!"},
      {{"adjust", f.job, "-o", out}, 0, ""},  // open traverse without control: no check
      {{"adjust", f.job, "-o", out, "--control", f.control, "--tolerance", "1,1000000"}, 0, "outside the tolerance"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(out);
    const RunResult r = RunCli(dir, c.args);
    EXPECT_EQ(r.exitCode, c.code) << c.args.size() << " " << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(std::filesystem::exists(out), c.code == 0) << r.err;
  }

  // A job with no traverse, or a control file with a NaN: the message names the
  // line and nothing is written.
  WriteBytes(dir.File("one.kvm"), "U,ST,S1,,,,1,2,3,1.5\nU,BS,B1,,,0,5,2,3\n");
  WriteBytes(dir.File("nan.txt"), "C9,nan,1,2\n");
  for (const auto& [args, err] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"adjust", dir.File("one.kvm"), "-o", out}, "only set-up is the one in line 1"},
           {{"adjust", f.job, "-o", out, "--control", dir.File("nan.txt"), "--json", dir.File("j.json")},
            "Line 1 of the control file: the northing of 'C9' is not a finite number ('nan')"}}) {
    std::filesystem::remove(out);
    const RunResult r = RunCli(dir, args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(err), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(dir.File("j.json")));
  }
}

}  // namespace
}  // namespace corvane
