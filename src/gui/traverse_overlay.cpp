#include "gui/traverse_overlay.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace corvane::gui {
namespace {

const QColor kTraverseColor(0, 110, 200);
const QColor kErrorColor(210, 40, 40);

bool Drawable(const QPointF& p) { return std::isfinite(p.x()) && std::isfinite(p.y()); }

}  // namespace

TraverseOverlay MakeTraverseOverlay(const traverse::Adjustment& a) {
  TraverseOverlay o;
  const traverse::Chain& c = a.chain;
  o.line.emplace_back(c.backsight.east, c.backsight.north);
  for (size_t k = 0; k < c.setUps.size(); ++k) {
    const traverse::StationResult& s = a.stations[static_cast<size_t>(a.stationOfSetUp[k])];
    o.line.emplace_back(s.east, s.north);
  }
  if (c.closingPoint) o.closingPoint = QPointF(c.closingPoint->east, c.closingPoint->north);
  const traverse::Misclosure& m = a.misclosure;
  if (c.end && m.north && m.east) {
    const QPointF end(c.end->east, c.end->north);
    o.misclosure = QLineF(end, end + QPointF(*m.east, *m.north));
  }
  for (const traverse::StationResult& s : a.stations)
    if (s.ellipseA && *s.ellipseA > 0)
      o.ellipses.push_back({QPointF(s.east, s.north), *s.ellipseA, *s.ellipseB, *s.ellipseAzimuthDeg});
  return o;
}

void PaintTraverseOverlay(QPainter& painter, const TraverseOverlay& o, const plot::PlanView& view,
                          double exaggeration) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const auto pixel = [&](const QPointF& ground) { return view.ToPixel(ground.x(), ground.y()); };
  QPainterPath path;
  bool started = false;
  for (const QPointF& p : o.line) {
    if (!Drawable(p)) continue;
    if (started)
      path.lineTo(pixel(p));
    else
      path.moveTo(pixel(p));
    started = true;
  }
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(kTraverseColor, 2));
  painter.drawPath(path);
  if (o.closingPoint && !o.line.empty()) {
    painter.setPen(QPen(kTraverseColor, 1, Qt::DashLine));
    painter.drawLine(pixel(o.line.back()), pixel(*o.closingPoint));
  }
  painter.setPen(QPen(kErrorColor, 1.5));
  if (o.misclosure && exaggeration > 0) {
    const QPointF from = o.misclosure->p1();
    const QPointF to = from + (o.misclosure->p2() - from) * exaggeration;
    const QLineF arrow(pixel(from), pixel(to));
    painter.drawLine(arrow);
    if (arrow.length() > 6) {
      const QLineF back = QLineF(arrow.p2(), arrow.p1()).unitVector();
      for (double turn : {25.0, -25.0}) {
        QLineF head = back;
        head.setAngle(back.angle() + turn);
        head.setLength(8);
        painter.drawLine(head);
      }
    }
  }
  for (const TraverseOverlay::Ellipse& e : o.ellipses) {
    const double ra = e.a * exaggeration * view.scale, rb = e.b * exaggeration * view.scale;
    if (!Drawable(e.at) || !(ra > 0.5) || ra > 1e6) continue;
    painter.save();
    painter.translate(pixel(e.at));
    // North is up on the screen; the major axis turns clockwise from it.
    painter.rotate(e.azimuthDeg);
    painter.drawEllipse(QRectF(-rb, -ra, 2 * rb, 2 * ra));
    painter.restore();
  }
  painter.restore();
}

}  // namespace corvane::gui
