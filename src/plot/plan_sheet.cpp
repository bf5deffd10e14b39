#include "plot/plan_sheet.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace corvane::plot {
namespace {

constexpr double kPaperMargin = 10 * kPixelsPerMillimetre;  // printers do not print to the edge
constexpr double kImageMargin = 10;
constexpr double kNumbersRoom = 14;  // above and left of the frame, for the grid's numbers
constexpr double kBandGap = 6;
constexpr double kInner = 24;  // inside the frame around the data, for marks and labels at the edge
constexpr double kBandMinHeight = 56;
constexpr int kNumberPixels = 10;

QSizeF Clamped(QSizeF size, PlanFormat format) {
  const double most = format == PlanFormat::Png ? kMaxRasterSide : kMaxVectorSide;
  const auto side = [most](double v) { return std::clamp(std::isfinite(v) ? std::round(v) : most, 200.0, most); };
  return {side(size.width()), side(size.height())};
}

double BandHeight(const TitleBlock& title) {
  return std::max(kBandMinHeight, TitleBlockHeight(TitleRows(title, {}, 0).size()));
}

// The frame and the band on a page.
PlanSheet Frames(QSizeF page, double margin, const TitleBlock& title) {
  PlanSheet sheet;
  sheet.page = page;
  const double band = BandHeight(title);
  const double left = margin + kNumbersRoom, top = margin + kNumbersRoom;
  const double width = std::max(40.0, page.width() - left - margin);
  const double height = std::max(40.0, page.height() - top - margin - kBandGap - band);
  sheet.map = QRectF(left, top, width, height);
  sheet.band = QRectF(margin, sheet.map.bottom() + kBandGap, std::max(40.0, page.width() - 2 * margin), band);
  sheet.landscape = page.width() >= page.height();
  return sheet;
}

// The extent to show fitted into the frame, at the given scale, or at the
// fitting scale (a standard one when asked).
void Place(PlanSheet& sheet, const PlanExtent& extent, double ratio, bool standard) {
  sheet.view = FitView(extent, sheet.map.size(), kInner);
  if (ratio > 0)
    sheet.view.scale = ScaleForRatio(ratio);
  else if (standard)
    sheet.view.scale = ScaleForRatio(StandardRatio(RatioForScale(sheet.view.scale)));
}

bool Holds(const PlanSheet& sheet, const PlanExtent& extent) {
  if (extent.empty) return true;
  const double s = sheet.view.scale;
  return (extent.maxEast - extent.minEast) * s <= sheet.map.width() - 2 * kInner + 1e-6 &&
         (extent.maxNorth - extent.minNorth) * s <= sheet.map.height() - 2 * kInner + 1e-6;
}

PlanExtent Target(const PlanScene& scene, const PlanView& current, const ExportArea& area) {
  return area.wholeJob ? scene.Extent() : ExtentOf(current.Ground());
}

PlanSheet PaperSheet(const PlanExtent& extent, const ExportArea& area, const TitleBlock& title) {
  const bool wide = extent.empty || extent.maxEast - extent.minEast >= extent.maxNorth - extent.minNorth;
  std::vector<Paper> papers = {area.paper};
  if (area.paper == Paper::Automatic)
    papers = area.ratio > 0 ? std::vector{Paper::A4, Paper::A3} : std::vector{Paper::A4};
  PlanSheet best;
  bool found = false;
  for (const Paper paper : papers) {
    for (const bool landscape : {wide, !wide}) {
      PlanSheet sheet = Frames(PaperPixels(paper, landscape), kPaperMargin, title);
      Place(sheet, extent, area.ratio, true);
      sheet.paper = paper;
      sheet.landscape = landscape;
      if (area.ratio > 0) {
        if (Holds(sheet, extent)) return sheet;
        if (landscape == wide) best = sheet;  // none holds it: the largest sheet, turned to suit
      } else if (!found || sheet.view.scale > best.view.scale) {
        best = sheet;  // the finer scale; on a tie the drawing's own orientation
        found = true;
      }
    }
  }
  return best;
}

void PaintGridNumbers(QPainter& p, const PlanSheet& sheet) {
  const GridLines grid = GridLinesOf(sheet.view);
  const QFont font = PlanFont(kNumberPixels);
  const QFontMetricsF fm(font);
  p.setFont(font);
  p.setPen(QColor(0x50, 0x50, 0x50));
  const QRectF& map = sheet.map;
  for (const GridLine& g : grid.east) {
    const QString text = GroundNumber(g.value, grid.step);
    const double w = fm.horizontalAdvance(text), x = map.left() + g.at - w / 2;
    if (x >= map.left() - kNumbersRoom && x + w <= map.right()) p.drawText(QPointF(x, map.top() - 4), text);
  }
  for (const GridLine& g : grid.north) {
    const QString text = GroundNumber(g.value, grid.step);
    const double w = fm.horizontalAdvance(text), y = map.top() + g.at;
    if (y - w / 2 < map.top() || y + w / 2 > map.bottom()) continue;
    p.save();  // along the left edge, read upward
    p.translate(map.left() - 4, y);
    p.rotate(-90);
    p.drawText(QPointF(-w / 2, 0), text);
    p.restore();
  }
}

}  // namespace

QSizeF PaperPixels(Paper paper, bool landscape) {
  const QSizeF mm = paper == Paper::A3 ? QSizeF(297, 420) : QSizeF(210, 297);
  const QSizeF px = mm * kPixelsPerMillimetre;
  return landscape ? px.transposed() : px;
}

PlanSheet ExportSheet(const PlanScene& scene, const PlanView& current, const ExportArea& area, PlanFormat format,
                      const TitleBlock& title) {
  const PlanExtent extent = Target(scene, current, area);
  if (format == PlanFormat::Pdf) return PaperSheet(extent, area, title);
  QSizeF size = area.size;
  if (size.isEmpty()) {
    if (!area.wholeJob) {
      size = current.size;
    } else if (area.ratio > 0) {
      // As large as the job at that scale, with the frame's room around it.
      const double s = ScaleForRatio(area.ratio);
      const double w = extent.empty ? 0 : (extent.maxEast - extent.minEast) * s;
      const double h = extent.empty ? 0 : (extent.maxNorth - extent.minNorth) * s;
      const double around = 2 * kInner + 2 * kImageMargin + kNumbersRoom;
      size = QSizeF(w + around, h + around + kBandGap + BandHeight(title));
    } else {
      size = kDefaultPlotSize;
    }
  }
  PlanSheet sheet = Frames(Clamped(size, format), kImageMargin, title);
  Place(sheet, extent, area.ratio, false);
  return sheet;
}

PlanSheet SheetOnPage(const PlanScene& scene, const PlanView& current, const ExportArea& area, QSizeF page,
                      const TitleBlock& title) {
  PlanSheet sheet = Frames(page, 0, title);
  Place(sheet, Target(scene, current, area), area.ratio, true);
  return sheet;
}

PlanLayout PaintPlanPage(QPainter& p, const PlanScene& scene, const PlanSheet& sheet, const PlanOptions& options,
                         const TitleBlock& title) {
  PlanOptions map = options;
  map.highlight = -1;
  map.scaleBar = map.northArrow = false;
  const PlanLayout layout = LayoutPlan(scene, sheet.view, map.labels, KeepClear(scene, sheet.view, map, false));
  // Before the first element and kept after the last: an SVG names no other family.
  p.setFont(PlanFont(kLabelPixels));
  p.save();
  p.fillRect(QRectF(QPointF(0, 0), sheet.page), Qt::white);
  p.save();
  p.translate(sheet.map.topLeft());
  PaintMap(p, scene, sheet.view, map, layout, false);
  p.restore();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(sheet.map);
  if (options.grid) PaintGridNumbers(p, sheet);

  const QRectF& band = sheet.band;
  const QRectF box = PaintTitleBlock(p, TitleRows(title, ScaleText(sheet.view), layout.labelsLeftOut),
                                     band.bottomRight(), band.width() * 0.45);
  if (options.northArrow) PaintNorthArrow(p, QPointF(band.left() + 10, band.top() + 4));
  const double barLeft = band.left() + 40, room = std::min(band.width() / 4, box.left() - barLeft - 40);
  if (options.scaleBar && room > 20) PaintScaleBar(p, sheet.view, QPointF(barLeft, band.top() + 30), room);
  p.restore();
  return layout;
}

}  // namespace corvane::plot
