// corvane480-cli's grid commands on fixture files, compared with golden files.
#include <gtest/gtest.h>

#include "e2e/cli_runner.h"

namespace corvane {
namespace {

using corvane::testing::ReadBytes;
using corvane::testing::RunProgram;
using corvane::testing::TempDir;
using corvane::testing::Visible;

using corvane::testing::kCli;
using corvane::testing::RunCli;
const std::string kData = corvane::testing::FixtureFolder("grid");

struct GoldenCase {
  const char* name;
  std::vector<std::string> args;  // "{data}" stands for the fixture folder, "{out}" for the output file
  const char* golden;
  bool toStdout;
};

std::string Expand(std::string s, const std::string& out) {
  for (auto [key, value] : {std::pair<std::string, std::string>{"{data}", kData}, {"{out}", out}}) {
    for (size_t p; (p = s.find(key)) != std::string::npos;) s.replace(p, key.size(), value);
  }
  return s;
}

TEST(CliGrid, OutputsMatchGoldenFiles) {
  const GoldenCase cases[] = {
      {"open and save", {"open", "{data}job.kvm", "-o", "{out}"}, "job.saved.golden", false},
      {"open to stdout", {"open", "{data}job.kvm"}, "job.saved.golden", true},
      {"open dump", {"open", "{data}job.kvm", "--dump"}, "job.dump.golden", true},
      {"download", {"load-download", "{data}download.txt", "-o", "{out}"}, "download.saved.golden", false},
      {"download dump", {"load-download", "{data}download.txt", "--dump"}, "download.dump.golden", true},
      {"open as download", {"open", "{data}download.txt", "--as", "download", "--dump"}, "download.dump.golden", true},
      {"import layout 0", {"import", "{data}coords.txt", "--layout", "0", "-o", "{out}"}, "coords.l0.golden", false},
      {"import answer", {"import", "--answer", "{4}{{data}coords4.txt}", "-o", "{out}"}, "coords4.l4.golden", false},
      {"upload records", {"upload-records", "{data}coords.txt", "--type", "0"}, "coords.records.golden", true},
  };
  for (const GoldenCase& c : cases) {
    TempDir dir;
    const std::string out = dir.File("out.txt");
    corvane::testing::UseEnglishCaptions(dir);
    std::vector<std::string> args;
    for (const std::string& a : c.args) args.push_back(Expand(a, out));
    auto r = RunCli(dir, args);
    EXPECT_EQ(r.exitCode, 0) << c.name << "\n" << r.err;
    const std::string got = c.toStdout ? r.out : ReadBytes(out);
    const std::string want = ReadBytes(kData + c.golden);
    EXPECT_EQ(got, want) << c.name << "\n--- got:\n" << Visible(got) << "\n--- want:\n" << Visible(want);
  }
}

TEST(CliGrid, TooLongFieldWarnsAndGoesOn) {
  TempDir dir;
  auto r = RunProgram(kCli, {"--settings-dir", dir.Path().string(), "upload-records", kData + "coords.txt"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, "The data 0 in line:ABCDEFGHIJKLMNOP,1,2,3,LONG\r\nis too long(>14),will be drop!\n");
}

TEST(CliGrid, FailuresAndUsageErrorsHaveTheirExitCodes) {
  TempDir dir;
  const std::string s = dir.File("settings");
  struct Case { std::vector<std::string> args; int code; const char* errStart; };
  const Case cases[] = {
      {{"open", dir.File("missing.kvm")}, 1, "Open file failed!\n"},
      {{"open", dir.Path().string()}, 1, "Open file failed!\n"},
      {{"open", kData + "job.kvm", "-o", dir.File("no/such/dir/x")}, 1, "Open file failed!\n"},
      {{"import", dir.File("missing.txt"), "--layout", "0"}, 1, "Open file failed!\n"},
      {{"upload-records", dir.File("missing.txt")}, 1, "Open file failed!\n"},
      {{"open"}, 2, "corvane480-cli open: missing FILE"},
      {{"open", "a", "--bogus", "1"}, 2, "corvane480-cli open: unknown option --bogus"},
      {{"import", "a.txt"}, 2, "corvane480-cli import: --layout"},
      {{"import", "a.txt", "--layout", "x"}, 2, "corvane480-cli import: option --layout takes a whole number"},
      {{"frobnicate"}, 2, "corvane480-cli: unknown command"},
      {{}, 2, "Usage:"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args{"--settings-dir", s};
    args.insert(args.end(), c.args.begin(), c.args.end());
    auto r = RunProgram(kCli, args);
    EXPECT_EQ(r.exitCode, c.code) << (c.args.empty() ? "" : c.args[0]) << "\n" << r.err;
    EXPECT_EQ(r.err.rfind(c.errStart, 0), 0u) << r.err;
  }
  // A cancelled import dialog changes nothing and is no failure.
  EXPECT_EQ(RunProgram(kCli, {"--settings-dir", s, "import", "--answer", ""}).exitCode, 0);
}

TEST(CliGrid, SaveNeverDestroysTheOldFileOnFailure) {
  TempDir dir;
  const std::string out = dir.File("keep.kvm");
  corvane::testing::WriteBytes(out, "precious");
  auto r = RunProgram(kCli, {"--settings-dir", dir.File("s"), "open", dir.File("missing"), "-o", out});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(ReadBytes(out), "precious");
}

TEST(CliGrid, HostileInputLoadsWithoutHarm) {
  TempDir dir;
  std::string hostile(3 << 20, 'A');  // one line of three megabytes
  hostile += "\r\n";
  hostile += std::string("\0\0\xFF\xFE,\x81\x30,", 8);
  for (int i = 0; i < 256; ++i) hostile.push_back(static_cast<char>(i));
  corvane::testing::WriteBytes(dir.File("bad.kvm"), hostile);
  auto r = RunProgram(kCli, {"--settings-dir", dir.File("s"), "open", dir.File("bad.kvm"), "-o", dir.File("o")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const std::string saved = ReadBytes(dir.File("o"));
  EXPECT_EQ(saved.substr(0, (3 << 20) + 2), ",," + std::string(3 << 20, 'A'));
  EXPECT_NE(saved.find(std::string("\0\0\xFF\xFE", 4)), std::string::npos);  // bytes kept as they were
}

}  // namespace
}  // namespace corvane
