// The export commands of corvane480-cli on fixture jobs, compared byte for byte
// with golden files; their failures and cancels.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/cli_runner.h"

namespace corvane {
namespace {

using corvane::testing::ReadBytes;
using corvane::testing::RunProgram;
using corvane::testing::TempDir;
using corvane::testing::Visible;

using corvane::testing::kCli;
const std::string kData = corvane::testing::FixtureFolder("compute");

struct GoldenCase {
  const char* name;
  std::vector<std::string> args;  // "{data}" is the fixture folder, "{dir}" the work folder
  std::vector<std::pair<std::string, std::string>> outputs;  // file in {dir}, golden file
};

std::string Expand(std::string s, const std::string& dir) {
  for (auto [key, value] : {std::pair<std::string, std::string>{"{data}", kData}, {"{dir}", dir}})
    for (size_t p; (p = s.find(key)) != std::string::npos;) s.replace(p, key.size(), value);
  return s;
}

testing::RunResult RunIn(const TempDir& dir, const std::vector<std::string>& args) {
  std::vector<std::string> all;
  for (const std::string& a : args) all.push_back(Expand(a, dir.Path().string() + "/"));
  return corvane::testing::RunCli(dir, all);
}

TEST(CliExports, OutputsMatchGoldenFiles) {
  const GoldenCase cases[] = {
      {"horizontal distances A", {"export-hd", "{data}job.kvm", "--layout", "A", "-o", "{dir}o.txt"},
       {{"o.txt", "job.hd_a.golden"}}},
      {"horizontal distances B", {"export-hd", "{data}job.kvm", "--layout", "B", "-o", "{dir}o.txt"},
       {{"o.txt", "job.hd_b.golden"}}},
      {"horizontal distances by answer", {"export-hd", "{data}job.kvm", "--answer", "1", "-o", "{dir}o.txt"},
       {{"o.txt", "job.hd_b.golden"}}},
      {"slope distances A", {"export-sd", "{data}job.kvm", "--layout", "A", "-o", "{dir}o.txt"},
       {{"o.txt", "job.sd_a.golden"}}},
      {"slope distances B", {"export-sd", "{data}job.kvm", "--answer", "1", "-o", "{dir}o.txt"},
       {{"o.txt", "job.sd_b.golden"}}},
      {"angles", {"export-angles", "{data}job.kvm", "-o", "{dir}o.txt"}, {{"o.txt", "job.angles.golden"}}},
      {"coordinates layout 7", {"export-coords", "{data}job.kvm", "--layout", "7", "-o", "{dir}o.txt"},
       {{"o.txt", "job.l7.golden"}}},
      {"coordinates layout 4 by answer", {"export-coords", "{data}job.kvm", "--answer", "{4}{1}{{dir}o.txt}"},
       {{"o.txt", "job.l4.golden"}}},
      {"instrument file and index", {"export-instrument", "{data}job.kvm", "-o", "{dir}site/job.kvm"},
       {{"site/job.kvm", "job.instrument.golden"}, {"ZMOINDEX/job.INX", "job.index.golden"}}},
      {"report example",
       {"recompute", "{data}report_example.kvm", "--layout", "0", "--sep", "0", "-o", "{dir}ex.txt"},
       {{"ex.txt", "report_example.out.golden"}, {"ex.rpt", "report_example.rpt.golden"}}},
      {"recompute with a traverse file",
       {"recompute", "{data}job.kvm", "--stations", "{data}poligon.txt", "--format", "0", "--save-stations",
        "{dir}st.txt", "--answer", "{0}{0}{{dir}rec.txt}"},
       {{"st.txt", "job.stations.golden"}, {"rec.txt", "job.recompute.golden"}, {"rec.rpt", "job.recompute.rpt.golden"}}},
  };
  for (const GoldenCase& c : cases) {
    TempDir dir;
    std::filesystem::create_directories(dir.Path() / "site");
    std::filesystem::create_directories(dir.Path() / "ZMOINDEX");
    const auto r = RunIn(dir, c.args);
    EXPECT_EQ(r.exitCode, 0) << c.name << "\n" << r.err;
    EXPECT_EQ(r.out, "") << c.name;
    for (const auto& [file, golden] : c.outputs) {
      const std::string got = ReadBytes(dir.File(file));
      const std::string want = ReadBytes(kData + golden);
      ASSERT_FALSE(want.empty()) << golden;
      EXPECT_EQ(got, want) << c.name << ": " << file << "\n--- got:\n" << Visible(got) << "\n--- want:\n" << Visible(want);
    }
  }
}

TEST(CliExports, FailuresGoToStandardErrorWithExitCode1) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    const char* firstLine;
  };
  const Case cases[] = {
      {"no index folder", {"export-instrument", "{data}job.kvm", "-o", "{dir}site/job.kvm"}, "Creat index file failed!"},
      {"no output folder", {"export-hd", "{data}job.kvm", "--layout", "A", "-o", "{dir}none/o.txt"}, "Open file failed!"},
      {"slope list A keeps its own message", {"export-sd", "{data}job.kvm", "--layout", "A", "-o", "{dir}none/o.txt"},
       "Open report file failed!"},
      {"recompute into a missing folder",
       {"recompute", "{data}job.kvm", "--layout", "0", "-o", "{dir}none/o.txt"}, "Open file failed!"},
      {"missing traverse file",
       {"recompute", "{data}job.kvm", "--stations", "{dir}none.txt", "--layout", "0", "-o", "{dir}o.txt"},
       "Open file failed!"},
      {"missing job", {"export-angles", "{dir}none.kvm", "-o", "{dir}o.txt"}, "Open file failed!"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    std::filesystem::create_directories(dir.Path() / "site");
    const auto r = RunIn(dir, c.args);
    EXPECT_EQ(r.exitCode, 1) << c.name;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.firstLine) << c.name << "\n" << r.err;
  }
}

TEST(CliExports, StationWithoutNameStopsTheRecompute) {
  TempDir dir;
  testing::WriteBytes(dir.File("job.kvm"), "U,ST,S1,0,0,0,1,2,3\r\nU,DP,P1,1,2,3\r\nU,BS,,0,0,0,1,2,3\r\n");
  const auto r = RunIn(dir, {"recompute", "{dir}job.kvm", "--layout", "0", "-o", "{dir}o.txt"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Lost Point name in line:3\n");
  EXPECT_FALSE(std::filesystem::exists(dir.File("o.txt")));
}

TEST(CliExports, CancelledDialogsWriteNothing) {
  const std::vector<std::string> cancels[] = {
      {"export-hd", "{data}job.kvm", "--answer", "-1", "-o", "{dir}o.txt"},
      {"export-sd", "{data}job.kvm", "--answer", "7", "-o", "{dir}o.txt"},
      {"export-coords", "{data}job.kvm", "--answer", ""},
      {"recompute", "{data}job.kvm", "--answer", ""},
  };
  for (const auto& args : cancels) {
    TempDir dir;
    const auto r = RunIn(dir, args);
    EXPECT_EQ(r.exitCode, 0) << args[0] << "\n" << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("o.txt"))) << args[0];
  }
  TempDir dir;
  EXPECT_EQ(RunIn(dir, {"export-hd", "{data}job.kvm", "--layout", "C", "-o", "{dir}o.txt"}).exitCode, 2);
  EXPECT_EQ(RunIn(dir, {"export-coords", "{data}job.kvm", "--layout", "0"}).exitCode, 2);
}

}  // namespace
}  // namespace corvane
