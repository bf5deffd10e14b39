// Label placement and plan pages: invariants over generated jobs, a PDF read
// back through poppler, the same labels on every surface, ISO sheets at
// standard scales, points without usable coordinates.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <chrono>
#include <cmath>
#include <random>
#include <set>

#include "compute_test_util.h"
#include "core/compute/station_table.h"
#include "plot/plan_export.h"

namespace corvane::plot {
namespace {

using corvane::testing::JobGrid;
using corvane::testing::ReadBytes;
using corvane::testing::RunProgram;
using corvane::testing::TempDir;

bool Overlap(const QRectF& a, const QRectF& b, double tolerance = 0) {
  const QRectF i = a.intersected(b);
  return i.width() > tolerance && i.height() > tolerance;
}

// Points in clusters around random centres, unique names of random length,
// every kind that carries coordinates; distinct places.
std::vector<std::string> ClusteredJob(std::mt19937& rng, int points, double spread) {
  std::uniform_real_distribution<double> unit(0, 1);
  const char* kinds[] = {"ST", "BS", "MP", "CP", "RP", "MP", "MP"};
  std::vector<std::string> lines;
  double cx = 0, cy = 0;
  for (int i = 0; i < points; ++i) {
    if (i % 40 == 0) cx = unit(rng) * spread, cy = unit(rng) * spread;
    const std::string name = "Q" + std::to_string(i) + std::string(static_cast<size_t>(rng() % 8), 'x');
    char coords[96];
    std::snprintf(coords, sizeof coords, "%.4f,%.4f,%.3f", 1000 + cy + unit(rng) * spread / 10,
                  5000 + cx + unit(rng) * spread / 10, 10 + unit(rng));
    lines.push_back(std::string("U,") + kinds[rng() % 7] + "," + name + ",,,," + coords + ",,,C" +
                    std::to_string(rng() % 3));
  }
  return lines;
}

TEST(PlanLayout, LabelsNeverCoverLabelsMarksOrKeptAreasAndEveryOtherIsCounted) {
  std::mt19937 rng(18);
  for (int round = 0; round < 40; ++round) {
    const RecordGrid grid = JobGrid(ClusteredJob(rng, 20 + static_cast<int>(rng() % 1500), 50 + rng() % 2000));
    const PlanScene scene(grid);
    PlanView view = FitView(scene.Extent(), QSizeF(200 + rng() % 900, 150 + rng() % 600), 20);
    view.scale *= std::pow(2.0, static_cast<double>(rng() % 9) - 2);  // from a quarter to 64 times
    const LabelParts parts{rng() % 4 != 0, rng() % 2 == 0, rng() % 3 == 0};
    std::vector<QRectF> keep;
    for (unsigned k = rng() % 3; k > 0; --k)
      keep.emplace_back(rng() % 300, rng() % 300, 20 + rng() % 100, 20 + rng() % 100);
    const PlanLayout layout = LayoutPlan(scene, view, parts, keep);
    SCOPED_TRACE("round " + std::to_string(round));

    const QRectF frame(QPointF(0, 0), view.size);
    std::vector<QRectF> marks;
    for (std::uint32_t i : layout.marks) {
      const QPointF c = view.ToPixel(scene.Points()[i].east, scene.Points()[i].north);
      marks.emplace_back(c.x() - 5, c.y() - 5, 10, 10);  // a symbol with its pen
    }
    std::set<std::uint32_t> labelled;
    for (size_t a = 0; a < layout.labels.size(); ++a) {
      const PlacedLabel& l = layout.labels[a];
      ASSERT_TRUE(frame.contains(l.box));
      ASSERT_TRUE(labelled.insert(l.point).second);
      for (size_t b = a + 1; b < layout.labels.size(); ++b) ASSERT_FALSE(Overlap(l.box, layout.labels[b].box));
      for (const QRectF& m : marks) ASSERT_FALSE(Overlap(l.box, m));
      for (const QRectF& k : keep) ASSERT_FALSE(Overlap(l.box, k));
      if (parts.name) {
        EXPECT_EQ(l.lines[0], LabelText(scene.Name(l.point)));
      }
    }
    // Every point inside the frame with a text is labelled or counted.
    size_t withText = 0;
    for (const EastEntry& e : scene.ByEast()) {
      const std::uint32_t i = e.point;
      const PlanPoint& p = scene.Points()[i];
      withText += frame.contains(view.ToPixel(p.east, p.north)) &&
                  (parts.name || parts.height || (parts.code && !scene.Code(i).empty()));
    }
    EXPECT_EQ(layout.labels.size() + layout.labelsLeftOut, withText);
  }
}

TEST(PlanLayout, CrowdsWhereEveryLabelCollidesEndQuickly) {
  // 100 000 points a metre apart, seen from far away (all in one pixel), one and
  // three pixels apart: no label has room but a few at the edges.
  std::vector<std::string> lines;
  for (int i = 0; i < 100000; ++i)
    lines.push_back("U,MP,N" + std::to_string(i) + ",,,," + std::to_string(1000 + i / 316) + "," +
                    std::to_string(2000 + i % 316) + ",1");
  const RecordGrid grid = JobGrid(lines);
  const PlanScene scene(grid);
  for (const double scale : {1e-4, 1.0, 3.0}) {
    PlanView view = FitView(scene.Extent(), QSizeF(1200, 1000), 10);
    view.scale = scale;
    const auto t0 = std::chrono::steady_clock::now();
    const PlanLayout layout = LayoutPlan(scene, view, {true, true, true}, {});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(seconds, 10) << scale;  // a hang would not end; sanitizers and a busy machine slow it
    EXPECT_EQ(layout.inView, 100000u) << scale;
    EXPECT_EQ(layout.labels.size() + layout.labelsLeftOut, layout.inView) << scale;
    EXPECT_LT(layout.labels.size(), 2000u) << scale;
  }
}

// Word boxes of a PDF page in points, as poppler reads them.
struct Word {
  QString text;
  QRectF box;
};
std::vector<Word> PdfWords(const std::string& pdf, QSizeF* page) {
  const auto r = RunProgram("/usr/bin/pdftotext", {"-bbox", pdf, "-"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  const QString html = QString::fromStdString(r.out);
  const QRegularExpression pageSize(QStringLiteral(R"re(<page width="([\d.]+)" height="([\d.]+)")re"));
  const auto m = pageSize.match(html);
  *page = QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
  const QRegularExpression word(
      QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
  std::vector<Word> words;
  for (auto it = word.globalMatch(html); it.hasNext();) {
    const auto w = it.next();
    words.push_back({w.captured(5), QRectF(QPointF(w.captured(1).toDouble(), w.captured(2).toDouble()),
                                           QPointF(w.captured(3).toDouble(), w.captured(4).toDouble()))});
  }
  return words;
}

TEST(PlanExport, PdfAtFitIsAnIsoSheetWithoutOverlapsAndTheSvgHasTheSameLabels) {
  std::mt19937 rng(4);
  const RecordGrid grid = JobGrid(ClusteredJob(rng, 400, 300));
  const PlanScene scene(grid);
  const TitleBlock title = StandardTitle(scene, "crowd.kvm");
  const PlanSheet sheet = ExportSheet(scene, {}, {}, PlanFormat::Pdf, title);
  PlanOptions options;
  options.labels = {true, true, false};
  TempDir dir;
  ASSERT_TRUE(
      WritePlan(scene, sheet, options, title, QString::fromStdString(dir.File("p.pdf")), PlanFormat::Pdf).Done());
  QSizeF page;
  const std::vector<Word> words = PdfWords(dir.File("p.pdf"), &page);
  EXPECT_TRUE(page.toSize() == QSize(842, 595) || page.toSize() == QSize(595, 842)) << "A4";

  // In the frame: words of labels only, never over each other or over a mark.
  const double pt = 72.0 / 96;
  const QRectF map(sheet.map.topLeft() * pt, sheet.map.size() * pt);
  std::vector<QRectF> marks;
  for (const EastEntry& e : scene.ByEast()) {
    const QPointF c = sheet.map.topLeft() + sheet.view.ToPixel(e.east, e.north);
    if (sheet.map.contains(c)) marks.emplace_back((c - QPointF(3.5, 3.5)) * pt, QSizeF(7, 7) * pt);
  }
  std::multiset<QString> pdfNames;
  for (size_t a = 0; a < words.size(); ++a) {
    if (!map.intersects(words[a].box)) continue;
    EXPECT_TRUE(map.contains(words[a].box)) << words[a].text.toStdString();
    if (words[a].text.startsWith(QLatin1Char('Q'))) pdfNames.insert(words[a].text);
    for (size_t b = a + 1; b < words.size(); ++b)
      EXPECT_FALSE(Overlap(words[a].box, words[b].box, 0.3))
          << words[a].text.toStdString() << " over " << words[b].text.toStdString();
    for (const QRectF& m : marks) EXPECT_FALSE(Overlap(words[a].box, m)) << words[a].text.toStdString();
  }
  const PlanLayout layout = LayoutPlan(scene, sheet.view, options.labels, KeepClear(scene, sheet.view, options, false));
  std::multiset<QString> laidOut;
  for (const PlacedLabel& l : layout.labels) laidOut.insert(l.lines[0]);
  EXPECT_GT(laidOut.size(), 20u);
  EXPECT_GT(layout.labelsLeftOut, 0u) << "a crowded job";
  EXPECT_EQ(pdfNames, laidOut);

  // The SVG of the same sheet: the same names, in the generic font family.
  const std::string svg = dir.File("p.svg");
  ASSERT_TRUE(WritePlan(scene, sheet, options, title, QString::fromStdString(svg), PlanFormat::Svg).Done());
  const QString text = QString::fromStdString(ReadBytes(svg));
  std::multiset<QString> svgNames;
  for (auto it = QRegularExpression(QStringLiteral(">(Q\\d+x*)<")).globalMatch(text); it.hasNext();)
    svgNames.insert(it.next().captured(1));
  EXPECT_EQ(svgNames, laidOut);
  for (auto it = QRegularExpression(QStringLiteral("font-family=\"([^\"]*)\"")).globalMatch(text); it.hasNext();)
    EXPECT_EQ(it.next().captured(1), QStringLiteral("sans-serif"));
  EXPECT_TRUE(text.contains(QStringLiteral(">%1<").arg(layout.labelsLeftOut))) << "counted in the title block";
}

bool IsStandardRatio(double ratio) {
  for (double power = 100; power < 1e12; power *= 10)
    for (const double m : {1.0, 2.0, 2.5, 5.0})
      if (std::fabs(ratio - m * power) < 1e-6 * ratio) return true;
  return false;
}

TEST(PlanSheet, PdfSheetsAreIsoTurnedToTheDrawingAtTheFinestStandardScaleThatHoldsIt) {
  const struct Case {
    double east, north;  // the job's extent in metres
    double ratio;        // asked for; 0 fits
    Paper paper;         // asked for
    Paper sheet;
    bool landscape;
  } cases[] = {
      {400, 100, 0, Paper::Automatic, Paper::A4, true},   {100, 400, 0, Paper::Automatic, Paper::A4, false},
      {0.5, 0.2, 0, Paper::Automatic, Paper::A4, true},   {90000, 40000, 0, Paper::A3, Paper::A3, true},
      {100, 60, 500, Paper::Automatic, Paper::A4, true},  {150, 100, 500, Paper::Automatic, Paper::A3, true},
      {60, 150, 500, Paper::Automatic, Paper::A3, false}, {5000, 5000, 500, Paper::Automatic, Paper::A3, true},
  };
  for (const Case& c : cases) {
    const RecordGrid grid = JobGrid({"U,MP,A,,,,1000,2000,1", "U,MP,B,,,," + std::to_string(1000 + c.north) + "," +
                                                                  std::to_string(2000 + c.east) + ",1"});
    const PlanScene scene(grid);
    ExportArea area;
    area.ratio = c.ratio;
    area.paper = c.paper;
    const PlanSheet sheet = ExportSheet(scene, {}, area, PlanFormat::Pdf, StandardTitle(scene, "j"));
    const std::string what =
        std::to_string(c.east) + " x " + std::to_string(c.north) + " at " + std::to_string(c.ratio);
    EXPECT_EQ(sheet.paper, c.sheet) << what;
    EXPECT_EQ(sheet.landscape, c.landscape) << what;
    EXPECT_EQ(sheet.page, PaperPixels(c.sheet, c.landscape)) << what;
    const double ratio = RatioForScale(sheet.view.scale);
    EXPECT_TRUE(IsStandardRatio(ratio)) << what << ": 1:" << ratio;
    if (c.ratio > 0) {
      EXPECT_NEAR(ratio, c.ratio, 1e-6 * c.ratio);
    }
    // The frame, the band and the data inside the page, one below the other.
    const QRectF page(QPointF(0, 0), sheet.page);
    EXPECT_TRUE(page.contains(sheet.map) && page.contains(sheet.band) && sheet.band.top() > sheet.map.bottom()) << what;
    const QPointF a = sheet.view.ToPixel(2000, 1000), b = sheet.view.ToPixel(2000 + c.east, 1000 + c.north);
    const QRectF frame(QPointF(0, 0), sheet.map.size());
    if (c.ratio == 0) {
      EXPECT_TRUE(frame.contains(a) && frame.contains(b)) << what;
      // The next finer standard scale would not hold it.
      double next = 100;
      for (double r = 100; r < ratio * (1 - 1e-9); r = StandardRatio(r * 1.0001)) next = r;
      PlanView closer = sheet.view;
      closer.scale = ScaleForRatio(next);
      if (next < ratio * (1 - 1e-9)) {
        const QPointF ca = closer.ToPixel(2000, 1000), cb = closer.ToPixel(2000 + c.east, 1000 + c.north);
        EXPECT_FALSE(std::fabs(cb.x() - ca.x()) <= frame.width() - 48 &&
                     std::fabs(cb.y() - ca.y()) <= frame.height() - 48)
            << what << ": 1:" << next << " would do";
      }
    }
  }
}

TEST(PlanScene, PointsWithoutUsableCoordinatesAreLeftOutAndListed) {
  const struct Case {
    const char* line;
    bool drawn;
  } cases[] = {
      {"U,ST,S0,,,,0,0,0", true},  // a station at the origin: its points are reduced from there
      {"U,RP,R0,,,,0,0,0", false},     {"U,MP,M0,,,,0.000,0.000,0.000", false},
      {"U,BS,B0,,,,0,0,0", false},     {"U,CP,C5,,,,0,0,5", true},
      {"U,MP,E,,,,,,", false},         {"U,MP,T,,,,north,2000,1", false},
      {"U,MP,X,,,, 12x,3y,z", true},   {"U,MP,I,,,,1e999,2000,1", false},
      {"U,MP,F,,,,1000,2000,1", true},
  };
  std::vector<std::string> lines;
  std::vector<std::string> notDrawn;
  for (const Case& c : cases) {
    lines.push_back(c.line);
    if (!c.drawn) notDrawn.push_back(std::string(c.line).substr(5, std::string(c.line).find(',', 5) - 5));
  }
  lines.push_back("U,RP,R1,30,90.0000,90.0000,0,0,0,0,1.5");  // measured, no coordinates yet
  notDrawn.push_back("R1");
  const RecordGrid grid = JobGrid(lines);
  PlanScene scene(grid);
  ASSERT_EQ(scene.Points().size(), std::size(cases) + 1);
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(scene.Points()[i].drawable, cases[i].drawn) << cases[i].line;
  // Fit sees only the drawn points: the origin station and the three others.
  EXPECT_EQ(scene.Extent().maxEast, 2000);
  EXPECT_EQ(scene.Extent().minNorth, 0);
  // The recompute gives R1 coordinates, but it has no listed place to shift from.
  StationTable table;
  ASSERT_TRUE(ScanStations(grid, table).Done());
  scene.SetRecompute(table);
  for (const PlanShift& s : scene.Shifts()) EXPECT_TRUE(scene.Points()[s.point].drawable);
  EXPECT_EQ(scene.ShiftOf(std::size(cases)), nullptr);
  const TitleBlock title = StandardTitle(scene, "j");
  EXPECT_TRUE(title.points.startsWith(QStringLiteral("%1 (%2 not drawn)").arg(lines.size()).arg(notDrawn.size())));
  for (const std::string& name : notDrawn) EXPECT_TRUE(title.notDrawn.contains(QString::fromStdString(name))) << name;
}

TEST(PlanExport, ExportsNeverShowTheScreensSelectionRing) {
  const RecordGrid grid = JobGrid({"U,ST,S1,,,,1000,2000,50", "U,MP,M1,,,,1010,2010,52", "U,MP,M2,,,,990,1995,52"});
  const PlanScene scene(grid);
  const auto ring = [](const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        n += c.red() > 220 && c.green() < 90 && c.blue() < 90;
      }
    return n;
  };
  PlanOptions options;
  options.highlight = 1;
  QImage screen(400, 300, QImage::Format_ARGB32_Premultiplied);
  {
    QPainter p(&screen);
    PaintPlan(p, scene, FitView(scene.Extent(), QSizeF(400, 300), 40), options);
  }
  EXPECT_GT(ring(screen), 20) << "the screen rings the selected point";
  TempDir dir;
  const TitleBlock title = StandardTitle(scene, "j");
  ExportArea area;
  area.size = QSizeF(400, 300);
  const QString png = QString::fromStdString(dir.File("p.png"));
  ASSERT_TRUE(
      WritePlan(scene, ExportSheet(scene, {}, area, PlanFormat::Png, title), options, title, png, PlanFormat::Png)
          .Done());
  EXPECT_EQ(ring(QImage(png)), 0);
}

}  // namespace
}  // namespace corvane::plot
