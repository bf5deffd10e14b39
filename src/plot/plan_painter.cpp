#include "plot/plan_painter.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cmath>

namespace corvane::plot {
namespace {

constexpr double kMark = 4.0;  // half the size of a point symbol, pixels
const QColor kStationColor(0xB0, 0x10, 0x10);
const QColor kPointColor(0x10, 0x30, 0x90);
const QColor kShiftColor(0xE0, 0x70, 0x00);
const QColor kGridColor(0xDD, 0xDD, 0xDD);
const QColor kGridTextColor(0x70, 0x70, 0x70);
constexpr int kKinds = 6;
constexpr int kGridPixels = 10;

// Screen corners of the decorations: the north arrow top right, the scale bar
// bottom left (the bar's share of the width as PaintScaleBar draws it).
QRectF NorthArrowCorner(const PlanView& view) {
  return {view.size.width() - 40, 0, 40, 60};
}
QRectF ScaleBarCorner(const PlanView& view) {
  return {0, view.size.height() - 42, view.size.width() / 5 + 60, 42};
}

QColor KindColor(PointKind kind) {
  switch (kind) {
    case PointKind::Station:
    case PointKind::Backsight:
      return kStationColor;
    case PointKind::Control:
      return QColor(0x10, 0x80, 0x30);
    case PointKind::Reference:
      return QColor(0x80, 0x20, 0x90);
    default:
      return kPointColor;
  }
}

bool Filled(PointKind kind) {
  return kind == PointKind::Station || kind == PointKind::Measured;
}

// Station: filled triangle; backsight: hollow triangle; measured: filled
// circle; control: square; reference: diamond; polar: a cross.
void AddSymbol(QPainterPath& path, PointKind kind, QPointF c) {
  const double r = kMark;
  switch (kind) {
    case PointKind::Station:
    case PointKind::Backsight:
      path.addPolygon(QPolygonF(
          {c + QPointF(0, -r - 1), c + QPointF(r + 0.5, r), c + QPointF(-r - 0.5, r), c + QPointF(0, -r - 1)}));
      break;
    case PointKind::Measured:
      path.addEllipse(c, r - 1, r - 1);
      break;
    case PointKind::Control:
      path.addRect(QRectF(c.x() - r + 0.5, c.y() - r + 0.5, 2 * r - 1, 2 * r - 1));
      break;
    case PointKind::Reference:
      path.addPolygon(QPolygonF(
          {c + QPointF(0, -r), c + QPointF(r, 0), c + QPointF(0, r), c + QPointF(-r, 0), c + QPointF(0, -r)}));
      break;
    case PointKind::Polar:
      path.moveTo(c + QPointF(-r + 1, 0));
      path.lineTo(c + QPointF(r - 1, 0));
      path.moveTo(c + QPointF(0, -r + 1));
      path.lineTo(c + QPointF(0, r - 1));
      break;
  }
}

void SetSymbolStyle(QPainter& p, PointKind kind) {
  const QColor color = KindColor(kind);
  p.setPen(QPen(color, 1.2));
  p.setBrush(Filled(kind) ? QBrush(color) : QBrush(Qt::NoBrush));
}

// One small image a kind, stamped for every mark on raster surfaces.
const std::array<QImage, kKinds>& Sprites() {
  static const std::array<QImage, kKinds> sprites = [] {
    std::array<QImage, kKinds> out;
    for (int k = 0; k < kKinds; ++k) {
      QImage image(13, 13, QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::transparent);
      QPainter p(&image);
      p.setRenderHint(QPainter::Antialiasing);
      QPainterPath path;
      AddSymbol(path, static_cast<PointKind>(k), QPointF(6.5, 6.5));
      SetSymbolStyle(p, static_cast<PointKind>(k));
      p.drawPath(path);
      out[static_cast<size_t>(k)] = image;
    }
    return out;
  }();
  return sprites;
}

// Liang-Barsky: the part of a line inside the rectangle, false when none.
bool ClipLine(QPointF& a, QPointF& b, const QRectF& r) {
  double t0 = 0, t1 = 1;
  const double dx = b.x() - a.x(), dy = b.y() - a.y();
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
  }
  if (t0 > t1 || !std::isfinite(t0) || !std::isfinite(t1)) return false;
  const QPointF a0 = a;
  a = a0 + QPointF(dx * t0, dy * t0);
  b = a0 + QPointF(dx * t1, dy * t1);
  return true;
}

void DrawClipped(QPainter& p, QPointF a, QPointF b, const QRectF& clip) {
  if (ClipLine(a, b, clip)) p.drawLine(a, b);
}

// The smallest of 1, 2 or 5 times a power of ten not below value.
double StepAbove(double value) {
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * power >= value) return m * power;
  }
  return 10 * power;
}

// Grid numbers inside the map: east along the bottom edge, north along the
// left, none where the scale bar or the north arrow stands.
template <class Visit>
void ForGridNumbers(const PlanView& view, const PlanOptions& options, Visit&& visit) {
  const GridLines grid = GridLinesOf(view);
  const QFontMetricsF fm(PlanFont(kGridPixels));
  const auto put = [&](const QString& text, QPointF at) {
    const QRectF box(at.x(), at.y() - fm.ascent(), fm.horizontalAdvance(text), fm.height());
    if ((options.scaleBar && box.intersects(ScaleBarCorner(view))) ||
        (options.northArrow && box.intersects(NorthArrowCorner(view))))
      return;
    visit(text, at, box);
  };
  for (const GridLine& g : grid.east) put(GroundNumber(g.value, grid.step), QPointF(g.at + 2, view.size.height() - 3));
  for (const GridLine& g : grid.north) put(GroundNumber(g.value, grid.step), QPointF(2, g.at - 2));
}

void PaintGrid(QPainter& p, const PlanView& view, const PlanOptions& options, bool numbers) {
  const GridLines grid = GridLinesOf(view);
  const double w = view.size.width(), h = view.size.height();
  p.setPen(QPen(kGridColor, 0));
  for (const GridLine& g : grid.east) p.drawLine(QPointF(g.at, 0), QPointF(g.at, h));
  for (const GridLine& g : grid.north) p.drawLine(QPointF(0, g.at), QPointF(w, g.at));
  if (!numbers) return;
  p.setFont(PlanFont(kGridPixels));
  p.setPen(kGridTextColor);
  ForGridNumbers(view, options, [&](const QString& text, QPointF at, const QRectF&) { p.drawText(at, text); });
}

void PaintArrow(QPainter& p, const QLineF& line, const QRectF& clip) {
  QPointF a = line.p1(), b = line.p2();
  if (!ClipLine(a, b, clip)) return;
  p.drawLine(a, b);
  if (b != line.p2() || line.length() < 6) return;
  const QLineF back(b, a);
  QLineF wing1 = back, wing2 = back;
  wing1.setLength(6);
  wing2.setLength(6);
  wing1.setAngle(back.angle() + 25);
  wing2.setAngle(back.angle() - 25);
  p.drawLine(wing1);
  p.drawLine(wing2);
}

void PaintMarks(QPainter& p, const PlanScene& scene, const PlanView& view, const PlanLayout& layout) {
  const auto& points = scene.Points();
  const bool raster = p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster;
  if (raster) {
    const auto& sprites = Sprites();
    for (std::uint32_t i : layout.marks) {
      const QPointF c = view.ToPixel(points[i].east, points[i].north);
      p.drawImage(QPoint(static_cast<int>(std::lround(c.x())) - 6, static_cast<int>(std::lround(c.y())) - 6),
                  sprites[static_cast<size_t>(points[i].kind)]);
    }
    return;
  }
  // Vector surfaces: one path a kind, so a file holds one element per kind
  // instead of one per mark. Stations and backsights come last, on top.
  std::array<QPainterPath, kKinds> paths;
  for (std::uint32_t i : layout.marks)
    AddSymbol(paths[static_cast<size_t>(points[i].kind)], points[i].kind,
              view.ToPixel(points[i].east, points[i].north));
  for (const PointKind kind : {PointKind::Polar, PointKind::Measured, PointKind::Control, PointKind::Reference,
                               PointKind::Backsight, PointKind::Station}) {
    const QPainterPath& path = paths[static_cast<size_t>(kind)];
    if (path.isEmpty()) continue;
    SetSymbolStyle(p, kind);
    p.drawPath(path);
  }
}

void PaintLabels(QPainter& p, const PlanScene& scene, const PlanLayout& layout) {
  if (layout.labels.empty()) return;
  p.setFont(PlanFont(kLabelPixels));
  const auto& points = scene.Points();
  const auto station = [&](const PlacedLabel& l) {
    return points[l.point].kind == PointKind::Station || points[l.point].kind == PointKind::Backsight;
  };
  // In three passes, one colour each: station names, point names, codes and heights.
  for (int pass = 0; pass < 3; ++pass) {
    p.setPen(pass == 0 ? kStationColor : pass == 1 ? QColor(0x20, 0x20, 0x20) : QColor(0x60, 0x60, 0x60));
    for (const PlacedLabel& l : layout.labels) {
      if (pass < 2 && station(l) != (pass == 0)) continue;
      for (int k = pass < 2 ? 0 : 1; k < (pass < 2 ? 1 : l.lineCount); ++k)
        p.drawText(QPointF(l.box.left(), l.box.top() + layout.ascent + layout.lineSpacing * k),
                   l.lines[static_cast<size_t>(k)]);
    }
  }
}

}  // namespace

QString GroundNumber(double value, double step) {
  if (std::fabs(value) >= 1e12) return QString::number(value, 'g', 6);
  const int decimals = step >= 1 ? 0 : std::min(6, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
  return QString::number(value == 0 ? 0.0 : value, 'f', decimals);
}

GridLines GridLinesOf(const PlanView& view) {
  GridLines grid;
  grid.step = StepAbove(90 / view.scale);
  const QRectF ground = view.Ground();
  const double e0 = std::ceil(ground.left() / grid.step), e1 = std::floor(ground.right() / grid.step);
  const double n0 = std::ceil(ground.top() / grid.step), n1 = std::floor(ground.bottom() / grid.step);
  if (!(e1 - e0 < 400 && n1 - n0 < 400)) return grid;  // too fine for the numbers
  for (double k = e0; k <= e1; ++k) grid.east.push_back({k * grid.step, view.ToPixel(k * grid.step, 0).x()});
  for (double k = n0; k <= n1; ++k) grid.north.push_back({k * grid.step, view.ToPixel(0, k * grid.step).y()});
  return grid;
}

double PaintScaleBar(QPainter& p, const PlanView& view, QPointF origin, double maxWidth) {
  double length = NiceStep(std::max(1.0, maxWidth) / view.scale);
  const double px = length * view.scale;
  p.setPen(QPen(Qt::black, 1));
  for (int i = 0; i < 4; ++i) {
    p.setBrush(i % 2 ? Qt::white : Qt::black);
    p.drawRect(QRectF(origin.x() + px * i / 4, origin.y(), px / 4, 5));
  }
  const QFont font = PlanFont(kGridPixels);
  p.setFont(font);
  const QString unit = length >= 1000 ? GroundNumber(length / 1000, length / 1000) + QStringLiteral(" km")
                                      : GroundNumber(length, length) + QStringLiteral(" m");
  p.drawText(QPointF(origin.x(), origin.y() - 3), QStringLiteral("0"));
  p.drawText(QPointF(origin.x() + px - QFontMetricsF(font).horizontalAdvance(unit) / 2, origin.y() - 3), unit);
  return px;
}

void PaintNorthArrow(QPainter& p, QPointF tip) {
  const QPointF arrow[4] = {tip, tip + QPointF(8, 26), tip + QPointF(0, 20), tip + QPointF(-8, 26)};
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::black);
  p.drawPolygon(arrow, 4);
  p.setFont(PlanFont(kLabelPixels));
  p.drawText(QPointF(tip.x() - 4, tip.y() + 40), QStringLiteral("N"));
}

QLineF ShiftArrow(const PlanScene& scene, const PlanShift& shift, const PlanView& view, double exaggeration) {
  const PlanPoint& from = scene.Points()[shift.point];
  const QPointF a = view.ToPixel(from.east, from.north);
  const QPointF d((shift.east - from.east) * view.scale, -(shift.north - from.north) * view.scale);
  return {a, a + d * exaggeration};
}

int PointAt(const PlanScene& scene, const PlanView& view, QPointF pixel, double radius) {
  const double east = view.EastAt(pixel.x()), reach = radius / view.scale;
  int best = -1;
  double bestDistance = radius * radius;
  ForEastRange(scene, east - reach, east + reach, [&](const EastEntry& e) {
    const QPointF d = view.ToPixel(e.east, e.north) - pixel;
    const double distance = d.x() * d.x() + d.y() * d.y();
    if (distance <= bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(e.point);
    }
  });
  return best;
}

std::vector<QRectF> KeepClear(const PlanScene& scene, const PlanView& view, const PlanOptions& options,
                              bool screenDecor) {
  std::vector<QRectF> boxes;
  if (screenDecor) {
    if (options.northArrow) boxes.push_back(NorthArrowCorner(view));
    if (options.scaleBar) boxes.push_back(ScaleBarCorner(view));
    if (options.grid)
      ForGridNumbers(view, options, [&](const QString&, QPointF, const QRectF& box) { boxes.push_back(box); });
  }
  // The recompute's points are marks too.
  if (options.shiftExaggeration > 0) {
    const QRectF frame(QPointF(-kMarkHalf, -kMarkHalf), view.size + QSizeF(2 * kMarkHalf, 2 * kMarkHalf));
    for (const PlanShift& s : scene.Shifts()) {
      const QPointF c = ShiftArrow(scene, s, view, 1).p2();
      if (frame.contains(c)) boxes.emplace_back(c.x() - kMarkHalf, c.y() - kMarkHalf, 2 * kMarkHalf, 2 * kMarkHalf);
    }
  }
  for (const auto& overlay : options.overlays) overlay->KeepClear(view, boxes);
  return boxes;
}

void PaintMap(QPainter& p, const PlanScene& scene, const PlanView& view, const PlanOptions& options,
              const PlanLayout& layout, bool gridNumbers) {
  const QRectF frame(QPointF(0, 0), view.size);
  const QRectF clip = frame.adjusted(-20, -20, 20, 20);
  p.save();
  p.setFont(PlanFont(kLabelPixels));
  p.setClipRect(frame);
  p.fillRect(frame, Qt::white);
  if (options.grid) PaintGrid(p, view, options, gridNumbers);
  p.setRenderHint(QPainter::Antialiasing, true);

  const auto& points = scene.Points();
  const auto pixel = [&](std::uint32_t i) { return view.ToPixel(points[i].east, points[i].north); };
  p.setBrush(Qt::NoBrush);
  if (options.traverse && scene.Traverse().size() > 1) {
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.5, Qt::DashLine));
    for (size_t k = 1; k < scene.Traverse().size(); ++k)
      DrawClipped(p, pixel(scene.Traverse()[k - 1]), pixel(scene.Traverse()[k]), clip);
  }
  if (options.sightLines) {
    p.setPen(QPen(kStationColor, 1, Qt::DotLine));
    for (const auto& [station, backsight] : scene.SightLines()) DrawClipped(p, pixel(station), pixel(backsight), clip);
  }
  PaintMarks(p, scene, view, layout);

  if (options.shiftExaggeration > 0) {
    p.setPen(QPen(kShiftColor, 1.5));
    p.setBrush(Qt::NoBrush);
    for (const PlanShift& s : scene.Shifts()) {
      const QPointF c = view.ToPixel(s.east, s.north);
      if (frame.adjusted(-8, -8, 8, 8).contains(c)) p.drawEllipse(c, kMark, kMark);
      PaintArrow(p, ShiftArrow(scene, s, view, options.shiftExaggeration), clip);
    }
  }
  for (const auto& overlay : options.overlays) {
    p.save();
    overlay->Paint(p, view);
    p.restore();
  }
  PaintLabels(p, scene, layout);

  if (options.highlight >= 0 && static_cast<size_t>(options.highlight) < points.size() &&
      points[static_cast<size_t>(options.highlight)].drawable) {
    const QPointF c = pixel(static_cast<std::uint32_t>(options.highlight));
    if (clip.contains(c)) {
      p.setPen(QPen(QColor(0xFF, 0x20, 0x20), 2.5));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(c, kMark + 5, kMark + 5);
    }
  }
  p.restore();
}

PlanLayout PaintPlan(QPainter& p, const PlanScene& scene, const PlanView& view, const PlanOptions& options) {
  PlanLayout layout = LayoutPlan(scene, view, options.labels, KeepClear(scene, view, options, true));
  PaintMap(p, scene, view, options, layout, true);
  p.save();
  p.setClipRect(QRectF(QPointF(0, 0), view.size));
  // On screen the points can be panned under the decorations: a white ground
  // keeps them readable.
  const QColor veil(255, 255, 255, 200);
  if (options.scaleBar) {
    p.fillRect(QRectF(6, view.size.height() - 40, view.size.width() / 5 + 24, 34), veil);
    PaintScaleBar(p, view, QPointF(12, view.size.height() - 24), view.size.width() / 5);
  }
  if (options.northArrow) {
    p.fillRect(QRectF(view.size.width() - 36, 6, 24, 54), veil);
    PaintNorthArrow(p, QPointF(view.size.width() - 24, 14));
  }
  p.restore();
  return layout;
}

}  // namespace corvane::plot
