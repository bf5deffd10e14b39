#include "plot/plan_painter.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace corvane::plot {
namespace {

constexpr double kMark = 4.0;         // half the size of a point symbol, pixels
constexpr size_t kLabelCrowd = 4000;  // marks in view beyond which only stations are named
const QColor kStationColor(0xB0, 0x10, 0x10);
const QColor kPointColor(0x10, 0x30, 0x90);
const QColor kShiftColor(0xE0, 0x70, 0x00);

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

// Station: filled triangle; backsight: hollow triangle; measured: filled
// circle; control: square; reference: diamond; polar: cross in a small circle.
void PaintSymbol(QPainter& p, PointKind kind, QPointF c) {
  const QColor color = KindColor(kind);
  p.setPen(QPen(color, 1.2));
  p.setBrush(Qt::NoBrush);
  const double r = kMark;
  switch (kind) {
    case PointKind::Station:
    case PointKind::Backsight: {
      const QPointF tri[3] = {c + QPointF(0, -r - 1), c + QPointF(r + 0.5, r), c + QPointF(-r - 0.5, r)};
      if (kind == PointKind::Station) p.setBrush(color);
      p.drawPolygon(tri, 3);
      break;
    }
    case PointKind::Measured:
      p.setBrush(color);
      p.drawEllipse(c, r - 1, r - 1);
      break;
    case PointKind::Control:
      p.drawRect(QRectF(c.x() - r + 0.5, c.y() - r + 0.5, 2 * r - 1, 2 * r - 1));
      break;
    case PointKind::Reference: {
      const QPointF dia[4] = {c + QPointF(0, -r), c + QPointF(r, 0), c + QPointF(0, r), c + QPointF(-r, 0)};
      p.drawPolygon(dia, 4);
      break;
    }
    case PointKind::Polar:
      p.drawLine(c + QPointF(-r + 1, 0), c + QPointF(r - 1, 0));
      p.drawLine(c + QPointF(0, -r + 1), c + QPointF(0, r - 1));
      break;
  }
}

constexpr int kKinds = 6;

// One small image a kind, stamped for every point on raster surfaces.
const std::array<QImage, kKinds>& Sprites() {
  static const std::array<QImage, kKinds> sprites = [] {
    std::array<QImage, kKinds> out;
    for (int k = 0; k < kKinds; ++k) {
      QImage image(13, 13, QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::transparent);
      QPainter p(&image);
      p.setRenderHint(QPainter::Antialiasing);
      PaintSymbol(p, static_cast<PointKind>(k), QPointF(6.5, 6.5));
      out[static_cast<size_t>(k)] = image;
    }
    return out;
  }();
  return sprites;
}

// Cells of 4x4 pixels taken by labels (and by marks), so labels never overlap.
class Occupancy final {
 public:
  explicit Occupancy(QSizeF size)
      : cols_(std::max(1, static_cast<int>(size.width() / 4) + 1)),
        rows_(std::max(1, static_cast<int>(size.height() / 4) + 1)),
        cells_(static_cast<size_t>(cols_) * static_cast<size_t>(rows_)) {}
  bool Free(const QRectF& r) const { return Walk(r, false); }
  void Take(const QRectF& r) { Walk(r, true); }

 private:
  bool Walk(const QRectF& r, bool take) const {
    const int c0 = std::max(0, static_cast<int>(r.left() / 4)),
              c1 = std::min(cols_ - 1, static_cast<int>(r.right() / 4));
    const int r0 = std::max(0, static_cast<int>(r.top() / 4)),
              r1 = std::min(rows_ - 1, static_cast<int>(r.bottom() / 4));
    if (r.right() < 0 || r.bottom() < 0 || c0 > c1 || r0 > r1) return !take;
    for (int y = r0; y <= r1; ++y)
      for (int x = c0; x <= c1; ++x) {
        auto cell = cells_[static_cast<size_t>(y) * static_cast<size_t>(cols_) + static_cast<size_t>(x)];
        if (take)
          cell = true;
        else if (cell)
          return false;
      }
    return true;
  }
  int cols_, rows_;
  mutable std::vector<bool> cells_;
};

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

// The points whose east lies in [east0, east1], drawable only.
template <class Visit>
void ForEastRange(const PlanScene& scene, double east0, double east1, Visit&& visit) {
  const auto& order = scene.ByEast();
  const auto& points = scene.Points();
  auto it = std::lower_bound(order.begin(), order.end(), east0,
                             [&](std::uint32_t i, double e) { return points[i].east < e; });
  for (; it != order.end() && points[*it].east <= east1; ++it) visit(*it);
}

// The smallest of 1, 2 or 5 times a power of ten not below value.
double StepAbove(double value) {
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * power >= value) return m * power;
  }
  return 10 * power;
}

void PaintGrid(QPainter& p, const PlanView& view, const QFont& font) {
  const double step = StepAbove(90 / view.scale);
  const QRectF ground = view.Ground();
  const double e0 = std::ceil(ground.left() / step), e1 = std::floor(ground.right() / step);
  const double n0 = std::ceil(ground.top() / step), n1 = std::floor(ground.bottom() / step);
  if (!(e1 - e0 < 400 && n1 - n0 < 400)) return;  // too fine for the numbers
  p.setFont(font);
  const QFontMetricsF fm(font);
  const double w = view.size.width(), h = view.size.height();
  for (double k = e0; k <= e1; ++k) {
    const double x = view.ToPixel(k * step, 0).x();
    p.setPen(QPen(QColor(0xDD, 0xDD, 0xDD), 0));
    p.drawLine(QPointF(x, 0), QPointF(x, h));
    p.setPen(QColor(0x70, 0x70, 0x70));
    p.drawText(QPointF(x + 2, h - 3), GroundNumber(k * step, step));
  }
  for (double k = n0; k <= n1; ++k) {
    const double y = view.ToPixel(0, k * step).y();
    p.setPen(QPen(QColor(0xDD, 0xDD, 0xDD), 0));
    p.drawLine(QPointF(0, y), QPointF(w, y));
    p.setPen(QColor(0x70, 0x70, 0x70));
    p.drawText(QPointF(2, y - 2), GroundNumber(k * step, step));
  }
}

void PaintScaleBar(QPainter& p, const PlanView& view, const QFont& font) {
  const double length = NiceStep(view.size.width() / 5 / view.scale);
  const double px = length * view.scale;
  const QPointF origin(12, view.size.height() - 24);
  p.setPen(QPen(Qt::black, 1));
  for (int i = 0; i < 4; ++i) {
    p.setBrush(i % 2 ? Qt::white : Qt::black);
    p.drawRect(QRectF(origin.x() + px * i / 4, origin.y(), px / 4, 5));
  }
  p.setFont(font);
  const QString unit = length >= 1000 ? GroundNumber(length / 1000, length / 1000) + QStringLiteral(" km")
                                      : GroundNumber(length, length) + QStringLiteral(" m");
  p.drawText(QPointF(origin.x(), origin.y() - 3), QStringLiteral("0"));
  p.drawText(QPointF(origin.x() + px - QFontMetricsF(font).horizontalAdvance(unit) / 2, origin.y() - 3), unit);
}

void PaintNorthArrow(QPainter& p, const PlanView& view, const QFont& font) {
  const QPointF tip(view.size.width() - 24, 14);
  const QPointF arrow[4] = {tip, tip + QPointF(8, 26), tip + QPointF(0, 20), tip + QPointF(-8, 26)};
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::black);
  p.drawPolygon(arrow, 4);
  p.setFont(font);
  p.drawText(QPointF(tip.x() - 4, tip.y() + 40), QStringLiteral("N"));
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

}  // namespace

QString LabelText(std::string_view bytes) {
  // Up to kMaxLabelChars characters: at most two bytes each in GBK.
  const bool cut = bytes.size() > 2 * kMaxLabelChars;
  if (cut) bytes = bytes.substr(0, 2 * kMaxLabelChars);
  QString text;
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  } else {
    QStringDecoder decoder("GBK");
    text = decoder.isValid() ? decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())))
                             : QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  }
  if (cut || text.size() > kMaxLabelChars) text = text.left(kMaxLabelChars - 1) + QChar(0x2026);
  return text;
}

QString GroundNumber(double value, double step) {
  if (std::fabs(value) >= 1e12) return QString::number(value, 'g', 6);
  const int decimals = step >= 1 ? 0 : std::min(6, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
  return QString::number(value == 0 ? 0.0 : value, 'f', decimals);
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
  ForEastRange(scene, east - reach, east + reach, [&](std::uint32_t i) {
    const PlanPoint& pt = scene.Points()[i];
    const QPointF d = view.ToPixel(pt.east, pt.north) - pixel;
    const double distance = d.x() * d.x() + d.y() * d.y();
    if (distance <= bestDistance) {
      bestDistance = distance;
      best = static_cast<int>(i);
    }
  });
  return best;
}

void PaintPlan(QPainter& p, const PlanScene& scene, const PlanView& view, const PlanOptions& options) {
  const bool raster = p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster;
  const QRectF frame(QPointF(0, 0), view.size);
  const QRectF clip = frame.adjusted(-20, -20, 20, 20);
  p.save();
  p.setClipRect(frame);
  p.fillRect(frame, Qt::white);
  QFont font = p.font();
  font.setPixelSize(11);
  QFont small = font;
  small.setPixelSize(10);
  if (options.grid) PaintGrid(p, view, small);
  p.setRenderHint(QPainter::Antialiasing, true);

  const auto& points = scene.Points();
  const auto pixel = [&](std::uint32_t i) { return view.ToPixel(points[i].east, points[i].north); };
  if (options.traverse && scene.Traverse().size() > 1) {
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 1.5, Qt::DashLine));
    for (size_t k = 1; k < scene.Traverse().size(); ++k)
      DrawClipped(p, pixel(scene.Traverse()[k - 1]), pixel(scene.Traverse()[k]), clip);
  }
  if (options.sightLines) {
    p.setPen(QPen(kStationColor, 1, Qt::DotLine));
    for (const auto& [station, backsight] : scene.SightLines()) DrawClipped(p, pixel(station), pixel(backsight), clip);
  }

  // Marks: ordinary points first, stations and backsights on top.
  const QRectF ground = view.Ground();
  const double reach = 8 / view.scale;
  std::vector<std::uint32_t> inView;
  std::vector<std::uint32_t> stations;
  // On raster surfaces one mark a cell of kMarkCell pixels: a crowded view
  // looks the same and costs a fraction.
  constexpr int kMarkCell = 4;
  const int w = std::max(1, static_cast<int>(view.size.width()) / kMarkCell + 1);
  const int h = std::max(1, static_cast<int>(view.size.height()) / kMarkCell + 1);
  std::vector<bool> marked(raster ? static_cast<size_t>(w) * static_cast<size_t>(h) : 0);
  const auto& sprites = Sprites();
  ForEastRange(scene, ground.left() - reach, ground.right() + reach, [&](std::uint32_t i) {
    const PlanPoint& pt = points[i];
    if (pt.north < ground.top() - reach || pt.north > ground.bottom() + reach) return;
    const QPointF c = pixel(i);
    if (pt.kind == PointKind::Station || pt.kind == PointKind::Backsight) {
      stations.push_back(i);
      return;
    }
    if (raster) {
      const int x = static_cast<int>(std::lround(c.x())), y = static_cast<int>(std::lround(c.y()));
      if (x >= 0 && y >= 0 && x / kMarkCell < w && y / kMarkCell < h) {
        auto cell =
            marked[static_cast<size_t>(y / kMarkCell) * static_cast<size_t>(w) + static_cast<size_t>(x / kMarkCell)];
        if (cell) return;  // another mark already covers this place
        cell = true;
      }
      p.drawImage(QPoint(x - 6, y - 6), sprites[static_cast<size_t>(pt.kind)]);
    } else {
      PaintSymbol(p, pt.kind, c);
    }
    inView.push_back(i);
  });
  for (std::uint32_t i : stations) PaintSymbol(p, points[i].kind, pixel(i));
  inView.insert(inView.begin(), stations.begin(), stations.end());

  if (options.shiftExaggeration > 0) {
    p.setPen(QPen(kShiftColor, 1.5));
    p.setBrush(Qt::NoBrush);
    for (const PlanShift& s : scene.Shifts()) {
      const QPointF c = view.ToPixel(s.east, s.north);
      if (frame.adjusted(-8, -8, 8, 8).contains(c)) p.drawEllipse(c, kMark, kMark);
      PaintArrow(p, ShiftArrow(scene, s, view, options.shiftExaggeration), clip);
    }
  }

  // Labels: on raster surfaces only where they fit (stations first); on vector
  // surfaces every point in view gets its texts.
  const LabelParts& parts = options.labels;
  if (parts.name || parts.code || parts.height) {
    p.setFont(font);
    const QFontMetricsF fm(font);
    const double lineHeight = fm.height(), average = fm.averageCharWidth();
    // Widths of plain ASCII labels from a table: no text shaping per label.
    std::array<double, 128> advance{};
    for (int ch = 32; ch < 128; ++ch) advance[static_cast<size_t>(ch)] = fm.horizontalAdvance(QChar(ch));
    const auto widthOf = [&](std::string_view bytes, const QString& text) {
      if (bytes.size() > kMaxLabelChars) return fm.horizontalAdvance(text);
      double width = 0;
      for (char ch : bytes) {
        const auto u = static_cast<unsigned char>(ch);
        if (u < 32 || u >= 128) return fm.horizontalAdvance(text);
        width += advance[u];
      }
      return width;
    };
    // In a crowd of marks only the stations are named: the other names could
    // not be read there, and writing them would cost the frame.
    const bool crowded = raster && inView.size() > kLabelCrowd;
    Occupancy taken(view.size);
    if (raster) {
      for (std::uint32_t i : inView) {
        if (crowded && points[i].kind != PointKind::Station && points[i].kind != PointKind::Backsight) continue;
        const QPointF c = pixel(i);
        taken.Take(QRectF(c.x() - kMark, c.y() - kMark, 2 * kMark, 2 * kMark));
      }
      // The north arrow and the scale bar keep their corners.
      if (options.northArrow) taken.Take(QRectF(view.size.width() - 40, 0, 40, 60));
      if (options.scaleBar) taken.Take(QRectF(0, view.size.height() - 42, view.size.width() / 5 + 60, 42));
    }
    const int lines = (parts.name ? 1 : 0) + (parts.code ? 1 : 0) + (parts.height ? 1 : 0);
    for (std::uint32_t i : inView) {
      const QPointF c = pixel(i);
      const bool station = points[i].kind == PointKind::Station || points[i].kind == PointKind::Backsight;
      const double top = c.y() - lineHeight * lines / 2;
      QPointF at(c.x() + kMark + 4, top + fm.ascent());
      if (crowded && !station) continue;
      if (raster && !station) {
        // A cheap estimate first: most labels of a crowded view stop here.
        const size_t length = std::min<size_t>(kMaxLabelChars, parts.name ? scene.NameLength(i) : 8);
        const double guess = std::max<double>(1, static_cast<double>(length)) * average * 0.8;
        if (!taken.Free(QRectF(at.x(), top, guess, lineHeight * lines)) &&
            !taken.Free(QRectF(c.x() - kMark - 4 - guess, top, guess, lineHeight * lines)))
          continue;
      }
      QString texts[3];
      double width = 0;
      int n = 0;
      const auto add = [&](std::string_view bytes) {
        texts[n] = LabelText(bytes);
        if (raster) width = std::max(width, widthOf(bytes, texts[n]));
        ++n;
      };
      if (parts.name) add(scene.Name(i));
      if (parts.code && !scene.Code(i).empty()) add(scene.Code(i));
      if (parts.height) add(scene.HeightText(i));
      if (raster) {
        // Right of the mark, else left of it (stations come first).
        QRectF box(at.x(), top, width, lineHeight * n);
        if (!taken.Free(box)) {
          box.moveLeft(c.x() - kMark - 4 - width);
          if (!taken.Free(box)) continue;
          at.setX(box.left());
        }
        taken.Take(box);
      }
      p.setPen(station ? kStationColor : QColor(0x20, 0x20, 0x20));
      for (int k = 0; k < n; ++k) {
        if (k == 1) p.setPen(QColor(0x60, 0x60, 0x60));
        p.drawText(at + QPointF(0, lineHeight * k), texts[k]);
      }
    }
  }

  if (options.highlight >= 0 && static_cast<size_t>(options.highlight) < points.size() &&
      points[static_cast<size_t>(options.highlight)].drawable) {
    const QPointF c = pixel(static_cast<std::uint32_t>(options.highlight));
    if (clip.contains(c)) {
      p.setPen(QPen(QColor(0xFF, 0x20, 0x20), 2.5));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(c, kMark + 5, kMark + 5);
    }
  }
  if (options.scaleBar) PaintScaleBar(p, view, small);
  if (options.northArrow) PaintNorthArrow(p, view, font);
  p.restore();
}

}  // namespace corvane::plot
