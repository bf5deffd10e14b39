// Every DXF the tool writes, read back by a real DXF reader (ezdxf): entity
// types, layers, positions and texts, and no audit errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "core/text/codepage.h"
#include "e2e/cli_runner.h"

namespace corvane {
namespace {

using corvane::testing::ReadBytes;
using corvane::testing::RunProgram;
using corvane::testing::TempDir;
using corvane::testing::WriteBytes;

using corvane::testing::kCli;
const std::string kData = corvane::testing::FixtureFolder("compute");
const std::string kChecker = std::string(CORVANE_TEST_DATA) + "/../tools/check_dxf.py";

// One exported point as the DXF should draw it (texts as GBK bytes).
struct Point {
  std::string name;
  double north, east, height;
  std::string heightText;
  double labelNorthShift = 1;  // the labels sit one unit south and north of the point
};

std::string JsonText(const std::string& gbk) {
  std::string out = "\"";
  for (char c : GbkToUtf8(gbk)) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string Num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

// A label position is printed with three decimals.
double Round3(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  return std::strtod(buf, nullptr);
}

std::string Xyz(double x, double y, double z) { return "[" + Num(x) + ", " + Num(y) + ", " + Num(z) + "]"; }

std::string Expectation(const std::vector<Point>& points, const char* encoding) {
  std::ostringstream j;
  j << "{";
  // A file made from the template declares its code page and its layers.
  if (encoding) j << "\"encoding\": \"" << encoding << "\", \"layers_declared\": true, ";
  j << "\"entities\": [";
  bool first = true;
  auto add = [&](const std::string& e) {
    j << (first ? "" : ",\n") << e;
    first = false;
  };
  for (const Point& p : points) {
    for (const char* radius : {"0.07", "1"})
      add("{\"type\": \"CIRCLE\", \"layer\": \"ZAMO\", \"center\": " + Xyz(p.east, p.north, p.height) +
          ", \"radius\": " + radius + "}");
    const double below = Round3(p.labelNorthShift ? p.north - 1 : p.north);
    const double above = Round3(p.labelNorthShift ? p.north + 1 : p.north);
    add("{\"type\": \"TEXT\", \"layer\": \"ZAMO_NO\", \"insert\": " + Xyz(Round3(p.east + 1), below, p.height) +
        ", \"text\": " + JsonText(" " + p.name) + ", \"height\": 1, \"rotation\": 0}");
    add("{\"type\": \"TEXT\", \"layer\": \"ZAMO_H\", \"insert\": " + Xyz(Round3(p.east + 1), above, p.height) +
        ", \"text\": " + JsonText(" " + p.heightText) + ", \"height\": 1, \"rotation\": 45}");
  }
  j << "]}";
  return j.str();
}

// The points of a layout-0 output ("name,north,east,height,code" lines).
std::vector<Point> PointsOfLayout0(const std::string& text) {
  std::vector<Point> points;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string s; std::getline(fields, s, ',');) f.push_back(s);
    if (f.size() < 4) continue;
    points.push_back({f[0], std::stod(f[1]), std::stod(f[2]), std::stod(f[3]), f[3]});
  }
  return points;
}

class DxfCheck : public ::testing::Test {
 protected:
  testing::RunResult Cli(std::vector<std::string> args) { return corvane::testing::RunCli(dir, std::move(args)); }
  void ExpectReadable(const std::string& dxf, const std::vector<Point>& points, const char* encoding) {
    ASSERT_FALSE(points.empty());
    const std::string json = dxf + ".json";
    WriteBytes(json, Expectation(points, encoding));
    const auto r = RunProgram("/usr/bin/python3", {kChecker, dxf, json});
    EXPECT_EQ(r.exitCode, 0) << dxf << "\n" << r.out << r.err;
  }
  TempDir dir;
};

TEST_F(DxfCheck, MeasuredCoordinatesLayout6) {
  const std::string job = kData + "job.kvm";
  ASSERT_EQ(Cli({"export-coords", job, "--layout", "0", "-o", dir.File("p.txt")}).exitCode, 0);
  ASSERT_EQ(Cli({"export-coords", job, "--layout", "6", "-o", dir.File("p.dxf")}).exitCode, 0);
  ExpectReadable(dir.File("p.dxf"), PointsOfLayout0(ReadBytes(dir.File("p.txt"))), nullptr);
}

TEST_F(DxfCheck, RecomputeLayout6WithTheShippedTemplate) {
  const std::vector<std::string> common = {"recompute", kData + "job.kvm", "--stations", kData + "poligon.txt"};
  auto run = [&](const char* layout, const std::string& out) {
    std::vector<std::string> args = common;
    args.insert(args.end(), {"--layout", layout, "-o", out});
    return Cli(args).exitCode;
  };
  ASSERT_EQ(run("0", dir.File("r.txt")), 0);
  ASSERT_EQ(run("6", dir.File("r.dxf")), 0);
  ExpectReadable(dir.File("r.dxf"), PointsOfLayout0(ReadBytes(dir.File("r.txt"))), "gbk");
}

TEST_F(DxfCheck, LocalLanguageNamesInTheRecompute) {
  ASSERT_EQ(Cli({"recompute", kData + "dxf_gbk.kvm", "--answer", "{6}{0}{" + dir.File("g.dxf") + "}"}).exitCode, 0);
  ExpectReadable(dir.File("g.dxf"),
                 {{Utf8ToGbk("站1"), 1000, 2000, 50, "50"}, {Utf8ToGbk("测点"), 1000, 2010, 50, "50.000"}}, "gbk");
}

TEST_F(DxfCheck, OddCellsStayReadable) {
  // An empty height, a non-numeric easting and an overflowing northing.
  ASSERT_EQ(Cli({"export-coords", kData + "dxf_odd.kvm", "--layout", "6", "-o", dir.File("o.dxf")}).exitCode, 0);
  ExpectReadable(dir.File("o.dxf"),
                 {{"S1", 1000, 2000, 0, ""},
                  {"P1", 1000, 2010, 0, "0.000"},
                  {"Q1", 500.5, 0, 0, ""},
                  {"Q2", 0, 7, -3, "-3", 0}},
                 nullptr);
}

}  // namespace
}  // namespace corvane
