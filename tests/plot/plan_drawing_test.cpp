// The plan drawing: the same points as the coordinate export, exact pixel
// positions, recompute shifts, SVG names, a PDF that renders, hostile jobs.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>

#include "compute_test_util.h"
#include "core/compute/export_answer.h"
#include "core/compute/measured_coordinates.h"
#include "core/compute/station_table.h"
#include "core/text/numbers.h"
#include "plot/plan_export.h"

namespace corvane::plot {
namespace {

using corvane::testing::JobGrid;
using corvane::testing::ReadBytes;
using corvane::testing::TempDir;

const std::vector<std::string> kJob = {
    "U,ST,S1,,,,1000,2000,50,1.5,,STN",         "U,BS,B1,,,0.0000,1100,2000,51",
    "U,DP,P1,100,90.0000,90.0000,,,,,1.5,TREE",  // 100 m east of S1
    "U,MP,M1,,,,1010,2010,52,,,KERB",           "U,CP,C1,,,,990,1990,49",
    "U,DP,,50,180.0000,90.0000,,,,,1.5",  // unnamed: named by its place, 50 m south of S1
};

// The view the pixel tests use: S1 in the centre of 400x300 at 2 pixels a metre.
PlanView KnownView() {
  PlanView view;
  view.centerEast = 2000;
  view.centerNorth = 1000;
  view.scale = 2;
  view.size = QSizeF(400, 300);
  return view;
}

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

TEST(PlanScene, HoldsTheCoordinateExportsPoints) {
  for (const bool enz : {false, true}) {
    std::vector<std::string> lines = kJob;
    if (enz) {
      lines.insert(lines.begin(), "x,CoorType,ENZ");
      for (std::string& l : lines)  // swap the columns of S1
        if (const size_t at = l.find("1000,2000"); at != std::string::npos) l.replace(at, 9, "2000,1000");
    }
    const RecordGrid grid = JobGrid(lines);
    TempDir dir;
    ASSERT_TRUE(ExportMeasuredCoordinates(grid, ExportAnswer{0, ",", dir.File("out.txt")}).Done());
    std::string fromScene;
    const PlanScene scene(grid);
    for (size_t i = 0; i < scene.Points().size(); ++i)
      fromScene += scene.Name(i) + "," + scene.NorthText(i) + "," + scene.EastText(i) + "," + scene.HeightText(i) +
                   "," + std::string(scene.Code(i)) + "\r\n";
    EXPECT_EQ(fromScene, ReadBytes(dir.File("out.txt"))) << (enz ? "ENZ" : "NEZ");
    EXPECT_EQ(scene.CoordinateOrderEnz(), enz);
    EXPECT_EQ(scene.Points()[2].east, 2100.0);
    EXPECT_EQ(scene.Traverse().size(), 1u);
    ASSERT_EQ(scene.SightLines().size(), 1u);
    EXPECT_EQ(scene.SightLines()[0], std::make_pair(0u, 1u));
  }
}

TEST(PlanPainter, PointsAtTheirExactPixels) {
  const RecordGrid grid = JobGrid(kJob);
  const PlanScene scene(grid);
  const PlanView view = KnownView();
  struct Expect {
    const char* name;
    QPointF pixel;
  } const expected[] = {{"S1", {200, 150}}, {"B1", {200, -50}}, {"P1", {400, 150}},
                        {"M1", {220, 130}}, {"C1", {180, 170}}, {"6", {200, 250}}};
  ASSERT_EQ(scene.Points().size(), std::size(expected));
  for (size_t i = 0; i < scene.Points().size(); ++i) {
    EXPECT_EQ(scene.Name(i), expected[i].name);
    EXPECT_EQ(view.ToPixel(scene.Points()[i].east, scene.Points()[i].north), expected[i].pixel) << expected[i].name;
  }
  // The marks land there: M1 is a filled dot, C1 a hollow square, in an image
  // with nothing else drawn.
  QImage image(400, 300, QImage::Format_ARGB32_Premultiplied);
  PlanOptions bare;
  bare.labels = {false, false, false};
  bare.grid = bare.scaleBar = bare.northArrow = bare.sightLines = bare.traverse = false;
  {
    QPainter p(&image);
    PaintPlan(p, scene, view, bare);
  }
  const auto ink = [&](int x, int y) { return image.pixelColor(x, y) != QColor(Qt::white); };
  EXPECT_TRUE(ink(220, 130));      // the centre of M1's dot
  EXPECT_FALSE(ink(180, 170));     // C1's square is hollow...
  EXPECT_TRUE(ink(180 - 3, 170));  // ...with its left side 3.5 pixels out
  EXPECT_FALSE(ink(300, 80));      // empty ground
  EXPECT_EQ(PointAt(scene, view, QPointF(223, 128), 8), 3);
  EXPECT_EQ(PointAt(scene, view, QPointF(300, 80), 8), -1);
}

TEST(PlanPainter, ShiftVectorsHaveTheShiftTimesTheExaggeration) {
  const RecordGrid grid = JobGrid(kJob);
  PlanScene scene(grid);
  // Station and backsight moved 3 m east and 4 m north: every reduced point
  // moves 5 m with them, the orientation stays.
  StationTable table;
  ASSERT_TRUE(ScanStations(grid, table).Done());
  table.MutableEntry(1).north = "1004";
  table.MutableEntry(1).east = "2003";
  table.MutableEntry(2).north = "1104";
  table.MutableEntry(2).east = "2003";
  scene.SetRecompute(table);
  ASSERT_EQ(scene.Shifts().size(), 3u);  // S1, P1 and the unnamed point
  const PlanView view = KnownView();
  for (const double exaggeration : {1.0, 10.0}) {
    for (const PlanShift& s : scene.Shifts()) {
      const QLineF arrow = ShiftArrow(scene, s, view, exaggeration);
      EXPECT_NEAR(arrow.length(), 5 * view.scale * exaggeration, 1e-6) << scene.Name(s.point);
      EXPECT_NEAR(arrow.dx(), 3 * view.scale * exaggeration, 1e-6);
      EXPECT_NEAR(arrow.dy(), -4 * view.scale * exaggeration, 1e-6);  // north is up
    }
  }
}

// Each text element of an SVG file, with how often it occurs.
std::map<QString, int> SvgTexts(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  std::map<QString, int> texts;
  while (!xml.atEnd()) {
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
      ++texts[xml.readElementText(QXmlStreamReader::IncludeChildElements)];
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return texts;
}

TEST(PlanExport, SvgHasOneNameTextPerPoint) {
  std::vector<std::string> lines = kJob;
  lines.push_back("U,MP,<a&b>,,,,1040,1960,50");
  lines.push_back("U,MP,\xB2\xE2\xD5\xBE,,,,960,2040,50");  // GBK for a Chinese name
  const RecordGrid grid = JobGrid(lines);
  const PlanScene scene(grid);
  TempDir dir;
  const QString path = Q(dir.File("plan.svg"));
  const TitleBlock title = StandardTitle(scene, "job.kvm");
  const PlanSheet sheet = ExportSheet(scene, {}, {}, PlanFormat::Svg, title);
  ASSERT_TRUE(WritePlan(scene, sheet, {}, title, path, PlanFormat::Svg).Done());
  const std::map<QString, int> texts = SvgTexts(path);
  for (const QString name : {"S1", "B1", "P1", "M1", "C1", "6", "<a&b>", "\u6D4B\u7AD9"})
    EXPECT_EQ(texts.count(name) ? texts.at(name) : 0, 1) << name.toStdString();
  EXPECT_EQ(texts.count(QStringLiteral("job.kvm")), 1u);  // the title block
}

TEST(PlanExport, PdfRendersToANonEmptyPage) {
  const RecordGrid grid = JobGrid(kJob);
  const PlanScene scene(grid);
  TempDir dir;
  const std::string pdf = dir.File("plan.pdf");
  ExportArea area;
  area.ratio = 1000;
  const TitleBlock title = StandardTitle(scene, "job");
  const PlanSheet sheet = ExportSheet(scene, {}, area, PlanFormat::Pdf, title);
  ASSERT_TRUE(WritePlan(scene, sheet, {}, title, Q(pdf), PlanFormat::Pdf).Done());
  const corvane::testing::RunResult r =
      corvane::testing::RunProgram("/usr/bin/pdftoppm", {"-png", "-r", "30", "-singlefile", pdf, dir.File("page")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  const QImage page(Q(dir.File("page.png")));
  ASSERT_FALSE(page.isNull());
  int dark = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) dark += qGray(page.pixel(x, y)) < 128;
  EXPECT_GT(dark, 50);
}

TEST(PlanScene, ALargeJobReadInHalvesEqualsThePointByPointWalk) {
  // Sizes around the one from which the halves are read side by side, so the
  // second half starts at rows of different kinds.
  for (const int rows : {400, 50000, 50003, 50006}) {
    std::vector<std::string> lines = corvane::testing::RandomJobLines(static_cast<unsigned>(rows), rows);
    // Around the middle: backsights on both sides of it after a station (one
    // with no usable coordinates in the last case).
    const size_t middle = static_cast<size_t>(rows + 1) / 2 - 1;
    const char* around[] = {rows == 50006 ? "U,ST,S,,,,x,y,z" : "U,ST,S,,,,1,2,3", "U,DP,P,5,1,90", "U,BS,B,,,,1,5,1",
                            "U,BS,B,,,,2,5,1", "U,MP,M,,,,7,8,9", "U,BS,B,,,,3,5,1"};
    for (size_t k = 0; k < std::size(around); ++k) lines[middle - 3 + k] = around[k];
    const RecordGrid grid = corvane::testing::JobGrid(lines);
    const PlanScene scene(grid);
    std::vector<PlanPoint> points;
    std::vector<std::uint32_t> traverse;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sightLines;
    double minEast = INFINITY, maxNorth = -INFINITY;
    int station = -1;
    ForEachMeasuredPoint(grid, [&](const MeasuredPoint& p) {
      const double east = CAtof(p.east), north = CAtof(p.north);
      const bool drawable = std::isfinite(east) && std::isfinite(north) && std::fabs(east) <= kDrawableLimit &&
                            std::fabs(north) <= kDrawableLimit &&
                            (p.kind == PointKind::Polar || UsableCoordinates(p.kind, p.north, p.east, p.height));
      const auto index = static_cast<std::uint32_t>(points.size());
      if (p.kind == PointKind::Station) station = drawable ? static_cast<int>(index) : -1;
      if (drawable && p.kind == PointKind::Station) traverse.push_back(index);
      if (drawable && p.kind == PointKind::Backsight && station >= 0)
        sightLines.emplace_back(static_cast<std::uint32_t>(station), index);
      if (drawable) minEast = std::min(minEast, east), maxNorth = std::max(maxNorth, north);
      points.push_back({east, north, CAtof(p.height), p.row, p.kind, drawable, p.kind != PointKind::Polar});
    });
    ASSERT_EQ(scene.Points().size(), points.size()) << rows;
    for (size_t i = 0; i < points.size(); ++i) {
      const PlanPoint &a = scene.Points()[i], &b = points[i];
      ASSERT_TRUE(a.row == b.row && a.kind == b.kind && a.drawable == b.drawable && a.heightText == b.heightText &&
                  std::memcmp(&a.east, &b.east, 24) == 0)
          << rows << " point " << i;
    }
    EXPECT_EQ(scene.Traverse(), traverse) << rows;
    EXPECT_EQ(scene.SightLines(), sightLines) << rows;
    EXPECT_EQ(scene.Extent().minEast, minEast);
    EXPECT_EQ(scene.Extent().maxNorth, maxNorth);
    // By east, equal easts (-0 and 0 among them) in point order.
    std::vector<std::uint32_t> byEast, drawn;
    for (std::uint32_t i = 0; i < points.size(); ++i)
      if (points[i].drawable) drawn.push_back(i);
    std::stable_sort(drawn.begin(), drawn.end(), [&](auto a, auto b) { return points[a].east < points[b].east; });
    for (const EastEntry& e : scene.ByEast()) byEast.push_back(e.point);
    EXPECT_EQ(byEast, drawn) << rows;
  }
}

TEST(PlanExport, HostileJobsGiveValidFiles) {
  const std::string longName(100000, 'N');
  const struct Case {
    const char* name;
    std::vector<std::string> lines;
    size_t drawable;
  } cases[] = {
      {"empty job", {}, 0},
      {"one point", {"U,MP,A,,,,10,20,3"}, 1},
      {"coincident points", {"U,MP,A,,,,10,20,3", "U,MP,B,,,,10,20,3", "U,MP,C,,,,10,20,3"}, 3},
      // A cell that does not begin with a number places nothing; 1e999 is infinite.
      {"text where numbers belong", {"U,MP,A,,,,north,east,up", "U,MP,B,,,,12x,3y,z"}, 1},
      {"NaN and infinity", {"U,MP,A,,,,nan,5,1", "U,MP,B,,,,1e999,-1e999,1", "U,MP,C,,,,5,5,nan"}, 1},
      {"huge coordinates", {"U,MP,A,,,,1e300,1e300,1", "U,MP,B,,,,-1e300,5,1", "U,MP,C,,,,1,1,1e300"}, 1},
      {"100 000-character name", {"U,MP," + longName + ",,,,1,2,3", "U,MP,B,,,,5,6,7"}, 2},
  };
  for (const Case& c : cases) {
    const RecordGrid grid = JobGrid(c.lines);
    const PlanScene scene(grid);
    EXPECT_EQ(scene.ByEast().size(), c.drawable) << c.name;
    TempDir dir;
    for (const PlanFormat format : {PlanFormat::Png, PlanFormat::Svg, PlanFormat::Pdf}) {
      for (const double ratio : {0.0, 500.0}) {
        ExportArea area;
        area.ratio = ratio;
        const TitleBlock title = StandardTitle(scene, "j");
        const PlanSheet sheet = ExportSheet(scene, {}, area, format, title);
        const PlanView& view = sheet.view;
        ASSERT_TRUE(std::isfinite(view.centerEast) && std::isfinite(view.centerNorth) && view.scale > 0) << c.name;
        const QString path = Q(dir.File(format == PlanFormat::Png   ? "p.png"
                                        : format == PlanFormat::Svg ? "p.svg"
                                                                    : "p.pdf"));
        PlanOptions options;
        options.labels = {true, true, true};
        const CommandResult r = WritePlan(scene, sheet, options, title, path, format);
        ASSERT_TRUE(r.Done()) << c.name << ": " << r.detail;
        const bool valid = format == PlanFormat::Png   ? !QImage(path).isNull()
                           : format == PlanFormat::Svg ? !SvgTexts(path).empty()
                                                       : ReadBytes(path.toStdString()).starts_with("%PDF");
        EXPECT_TRUE(valid) << c.name;
      }
    }
  }
}

TEST(PlanExport, UnwritableOutputIsOpenFileFailedWithTheReason) {
  const RecordGrid grid = JobGrid(kJob);
  const PlanScene scene(grid);
  TempDir dir;
  std::filesystem::create_directory(dir.File("ro"));
  std::filesystem::permissions(dir.File("ro"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  const bool root = ::geteuid() == 0;  // root writes anywhere: only the missing folder fails then
  for (const std::string& path : {dir.File("missing/plan.png"), dir.File("ro/plan.svg")}) {
    if (root && path.find("/ro/") != std::string::npos) continue;
    ExportArea area;
    area.size = QSizeF(300, 200);
    const PlanSheet sheet = ExportSheet(scene, {}, area, *PlanFormatOfPath(Q(path)), {});
    const CommandResult r = WritePlan(scene, sheet, {}, {}, Q(path), *PlanFormatOfPath(Q(path)));
    EXPECT_EQ(r.status, CommandStatus::Failed) << path;
    EXPECT_EQ(r.message, "Open file failed!");
    EXPECT_TRUE(r.detail.starts_with(path + ": ") && r.detail.size() > path.size() + 2) << r.detail;
    EXPECT_FALSE(std::filesystem::exists(path));
  }
}

}  // namespace
}  // namespace corvane::plot
