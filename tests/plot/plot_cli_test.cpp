// corvane480-cli plot end to end: files written, exit codes, messages.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "support/test_support.h"

namespace corvane::testing {
namespace {

const std::string kCli = std::string(CORVANE_BIN_DIR) + "/corvane480-cli";
const char* const kJob =
    "ZAMO RECORD FILE\r\n"
    "U,ST,S1,0,0,0,1000.000,2000.000,100.000,1.5,0,STN\r\n"
    "U,BS,B1,0,0,0,1100.000,2000.000,101.000,0,1.6,BKB\r\n"
    "U,DP,P1,25.432,45.3015,88.1520,0,0,0,0,1.6,TREE\r\n";

TEST(PlotCommand, WritesEachFormatAndFailsAsTheOtherCommands) {
  TempDir dir;
  const std::string job = dir.File("job.kvm");
  WriteBytes(job, kJob);
  WriteBytes(dir.File("poligon.txt"), "S1,1001.000,2000.000,100.000\r\nB1,1101.000,2000.000,101.000\r\n");
  const std::string settings = "--settings-dir=" + dir.File("settings");
  const struct Case {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    const char* err;  // start of stderr
  } cases[] = {
      {"png at a size", {"-o", dir.File("a.png"), "--size", "640x480"}, 0, ""},
      {"svg with every label", {"-o", dir.File("a.svg"), "--labels", "name,code,height", "--scale", "1:500"}, 0, ""},
      {"pdf with a recompute",
       {"-o", dir.File("a.pdf"), "--stations", dir.File("poligon.txt"), "--format", "0"},
       0,
       ""},
      {"as a download", {"-o", dir.File("b.png"), "--as", "download"}, 0, ""},
      {"pdf on A3", {"-o", dir.File("a3.pdf"), "--paper", "A3", "--scale", "1:200"}, 0, ""},
      {"a sheet for an image", {"-o", dir.File("c.png"), "--paper", "A3"}, 2, "corvane480-cli plot: --paper"},
      {"pixels for a sheet", {"-o", dir.File("c.pdf"), "--size", "640x480"}, 2, "corvane480-cli plot: --size"},
      {"unwritable output", {"-o", dir.File("no/such/folder/a.png")}, 1, "Open file failed!\n"},
      {"missing job", {"-o", dir.File("c.png")}, 1, "Open file failed!\n"},
      {"unknown format", {"-o", dir.File("a.gif")}, 2, "corvane480-cli plot: -o names"},
      {"bad size", {"-o", dir.File("a.png"), "--size", "640"}, 2, "corvane480-cli plot: --size"},
      {"bad scale", {"-o", dir.File("a.png"), "--scale", "1:0"}, 2, "corvane480-cli plot: --scale"},
      {"bad labels", {"-o", dir.File("a.png"), "--labels", "colour"}, 2, "corvane480-cli plot: --labels"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {settings, "plot", std::string(c.name) == "missing job" ? dir.File("nojob") : job};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult r = RunProgram(kCli, args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.name << "\n" << r.err;
    EXPECT_TRUE(r.err.starts_with(c.err)) << c.name << "\n" << r.err;
    if (c.exitCode == 1) {
      EXPECT_GT(r.err.size(), std::string(c.err).size() + 5) << "the reason beneath";
    }
  }
  const QImage png(QString::fromStdString(dir.File("a.png")));
  EXPECT_EQ(png.size(), QSize(640, 480));
  EXPECT_NE(ReadBytes(dir.File("a.svg")).find(">TREE<"), std::string::npos);
  EXPECT_TRUE(ReadBytes(dir.File("a.pdf")).starts_with("%PDF"));
  const RunResult info = RunProgram("/usr/bin/pdfinfo", {dir.File("a3.pdf")});
  EXPECT_NE(info.out.find("(A3)"), std::string::npos) << info.out;
}

TEST(PlotCommand, TitleBlockInTheCaptionLanguageOfTheSettings) {
  TempDir dir;
  const std::string job = dir.File("job.kvm");
  WriteBytes(job, kJob);
  const struct Case {
    const char* language;
    const char* label;  // of the job's line, UTF-8 in the SVG
  } cases[] = {{"1", ">Job<"}, {"0", ">\xE4\xBD\x9C\xE4\xB8\x9A<"}};
  for (const Case& c : cases) {
    std::filesystem::create_directories(dir.File("s") + c.language + "/ZAMO");
    WriteBytes(dir.File("s") + c.language + "/ZAMO/Corvane.ini",
               std::string("[OtherSet]\r\nlanguage=") + c.language + "\r\n");
    const std::string svg = dir.File("t") + c.language + ".svg";
    const RunResult r = RunProgram(kCli, {"--settings-dir=" + dir.File("s") + c.language, "plot", job, "-o", svg});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(ReadBytes(svg).find(c.label), std::string::npos) << "language " << c.language;
  }
}

// The title block names the CRS of --crs, else of the "Crs" setting; a setting
// PROJ does not know leaves the line out but not the drawing.
TEST(PlotCommand, TitleBlockNamesTheJobsCrs) {
  TempDir dir;
  const std::string job = dir.File("job.kvm");
  WriteBytes(job, kJob);
  const struct Case {
    const char* setting;
    const char* option;  // --crs, or null
    int exitCode;
    const char* line;  // the CRS line's value in the SVG, or null for none
  } cases[] = {{"EPSG:4547", nullptr, 0, ">EPSG:4547 CGCS2000 / 3-degree Gauss-Kruger CM 114E<"},
               {"EPSG:4547", "EPSG:4326", 0, ">EPSG:4326 WGS 84<"},
               {"", nullptr, 0, nullptr},
               {"EPSG:999999", nullptr, 0, nullptr},
               {"", "EPSG:999999", 2, nullptr}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string settings = dir.File("s" + std::to_string(++n));
    std::filesystem::create_directories(settings + "/ZAMO");
    WriteBytes(settings + "/ZAMO/Corvane.ini", std::string("[OtherSet]\r\nlanguage=1\r\nCrs=") + c.setting + "\r\n");
    const std::string svg = settings + ".svg";
    std::vector<std::string> args = {"--settings-dir=" + settings, "plot", job, "-o", svg, "--size", "1600x1200"};
    if (c.option) args.insert(args.end(), {"--crs", c.option});
    const RunResult r = RunProgram(kCli, args);
    ASSERT_EQ(r.exitCode, c.exitCode) << n << r.err;
    if (c.exitCode != 0) continue;
    const std::string text = ReadBytes(svg);
    EXPECT_EQ(text.find(">CRS<") != std::string::npos, c.line != nullptr) << n;
    if (c.line) {
      EXPECT_NE(text.find(c.line), std::string::npos) << n;
    }
  }
}

}  // namespace
}  // namespace corvane::testing
