#include "plot/plan_layout.h"

#include <QFontMetricsF>
#include <QStringDecoder>
#include <cmath>

namespace corvane::plot {
namespace {

// A label keeps this far from its mark's centre: the mark's half side, the
// label's padding and one occupancy cell, so a label never touches the cells of
// its own mark.
constexpr double kLabelPad = 1;
constexpr double kLabelGap = kMarkHalf + kLabelPad + 2;

// Cells of a surface taken by marks, labels and whatever must stay clear, one
// bit a cell. A rectangle takes every cell it touches, so two rectangles that
// share no cell never overlap.
class Occupancy final {
 public:
  explicit Occupancy(QSizeF size) : width_(size.width()), height_(size.height()) {
    // At most 32 MB: the largest page written (19000 pixels a side) keeps 2-pixel cells.
    while ((width_ / cell_ + 1) * (height_ / cell_ + 1) > static_cast<double>(1 << 28)) cell_ *= 2;
    cols_ = static_cast<int>(width_ / cell_) + 1;
    rows_ = static_cast<int>(height_ / cell_) + 1;
    stride_ = static_cast<size_t>(cols_ + 63) / 64;
    bits_.assign(stride_ * static_cast<size_t>(rows_), 0);
  }
  // Inside the surface and not taken.
  bool Free(const QRectF& r) const {
    if (!(r.left() >= 0 && r.top() >= 0 && r.right() <= width_ && r.bottom() <= height_)) return false;
    return Walk(r, false);
  }
  // Takes the part of r inside the surface.
  void Take(const QRectF& r) {
    const QRectF inside = r.intersected(QRectF(0, 0, width_, height_));
    if (!inside.isEmpty()) Walk(inside, true);
  }

 private:
  bool Walk(const QRectF& r, bool take) const {
    const int c0 = std::clamp(static_cast<int>(r.left() / cell_), 0, cols_ - 1);
    const int c1 = std::clamp(static_cast<int>(std::ceil(r.right() / cell_)) - 1, c0, cols_ - 1);
    const int r0 = std::clamp(static_cast<int>(r.top() / cell_), 0, rows_ - 1);
    const int r1 = std::clamp(static_cast<int>(std::ceil(r.bottom() / cell_)) - 1, r0, rows_ - 1);
    const int w0 = c0 / 64, w1 = c1 / 64;
    for (int y = r0; y <= r1; ++y) {
      std::uint64_t* row = bits_.data() + static_cast<size_t>(y) * stride_;
      for (int w = w0; w <= w1; ++w) {
        const int lo = w == w0 ? c0 % 64 : 0, hi = w == w1 ? c1 % 64 : 63;
        const std::uint64_t mask = (hi == 63 ? ~0ULL : (1ULL << (hi + 1)) - 1) & ~((1ULL << lo) - 1);
        if (take)
          row[w] |= mask;
        else if (row[w] & mask)
          return false;
      }
    }
    return true;
  }

  double width_, height_;
  double cell_ = 2;
  int cols_ = 1, rows_ = 1;
  size_t stride_ = 1;
  mutable std::vector<std::uint64_t> bits_;
};

// One mark a cell of kMarkCell pixels: the cell remembers the point drawn
// there. Marks off the surface are always drawn.
class MarkCells final {
 public:
  static constexpr std::uint32_t kFree = 0xFFFFFFFF;
  explicit MarkCells(QSizeF size)
      : cols_(std::max(1, static_cast<int>(size.width()) / kMarkCell + 1)),
        rows_(std::max(1, static_cast<int>(size.height()) / kMarkCell + 1)),
        owner_(static_cast<size_t>(cols_) * static_cast<size_t>(rows_), kFree) {}
  // kFree when the point takes its cell (or is off the surface), else the
  // point already drawn there (as the caller numbers them).
  std::uint32_t Take(QPointF c, std::uint32_t point) {
    const double x = std::floor(c.x() / kMarkCell), y = std::floor(c.y() / kMarkCell);
    if (x < 0 || y < 0 || x >= cols_ || y >= rows_) return kFree;
    std::uint32_t& cell = owner_[static_cast<size_t>(y) * static_cast<size_t>(cols_) + static_cast<size_t>(x)];
    if (cell != kFree) return cell;
    cell = point;
    return kFree;
  }

 private:
  int cols_, rows_;
  std::vector<std::uint32_t> owner_;
};

// The places a label tries around its mark, in order: right, left, above and
// below on either side, straight above, straight below.
QRectF Candidate(int k, QPointF c, double w, double h) {
  switch (k) {
    case 0:
      return {c.x() + kLabelGap, c.y() - h / 2, w, h};
    case 1:
      return {c.x() - kLabelGap - w, c.y() - h / 2, w, h};
    case 2:
      return {c.x() + kLabelGap, c.y() - 1 - h, w, h};
    case 3:
      return {c.x() + kLabelGap, c.y() + 1, w, h};
    case 4:
      return {c.x() - kLabelGap - w, c.y() - 1 - h, w, h};
    case 5:
      return {c.x() - kLabelGap - w, c.y() + 1, w, h};
    case 6:
      return {c.x() - w / 2, c.y() - kLabelGap - h, w, h};
    default:
      return {c.x() - w / 2, c.y() + kLabelGap, w, h};
  }
}
constexpr int kCandidates = 8;

QRectF Padded(const QRectF& box) {
  return box.adjusted(-kLabelPad, -kLabelPad, kLabelPad, kLabelPad);
}

}  // namespace

QFont PlanFont(int pixelSize) {
  QFont font(QStringLiteral("sans-serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setKerning(false);
  return font;
}

QString FromGbkBytes(std::string_view bytes) {
  const auto size = static_cast<qsizetype>(bytes.size());
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return QString::fromLatin1(bytes.data(), size);
  QStringDecoder decoder("GBK");
  return decoder.isValid() ? decoder.decode(QByteArrayView(bytes.data(), size))
                           : QString::fromLatin1(bytes.data(), size);
}

QString LabelText(std::string_view bytes) {
  // Up to kMaxLabelChars characters: at most two bytes each in GBK.
  const bool cut = bytes.size() > 2 * kMaxLabelChars;
  if (cut) bytes = bytes.substr(0, 2 * kMaxLabelChars);
  QString text = FromGbkBytes(bytes);
  if (cut || text.size() > kMaxLabelChars) text = text.left(kMaxLabelChars - 1) + QChar(0x2026);
  return text;
}

PlanLayout LayoutPlan(const PlanScene& scene, const PlanView& view, const LabelParts& parts,
                      const std::vector<QRectF>& keepClear) {
  PlanLayout out;
  const QFontMetricsF fm(PlanFont(kLabelPixels));
  out.lineSpacing = fm.lineSpacing();
  out.ascent = fm.ascent();
  // Inside the surface, edges included.
  const auto inFrame = [&](QPointF c) {
    return c.x() >= 0 && c.y() >= 0 && c.x() <= view.size.width() && c.y() <= view.size.height();
  };
  const QRectF ground = view.Ground();
  const double reach = (kMarkHalf + 2) / view.scale;
  const auto hasText = [&](std::uint32_t i) {
    return parts.name || parts.height || (parts.code && !scene.Code(i).empty());
  };
  // The same point again (a station that is a backsight later): in the same
  // place with the same texts, it loses nothing under the other's mark. Both
  // are entries of the east order, where neighbours lie side by side.
  const auto& order = scene.ByEast();
  // The name of the last owner compared with: many points of a crowded cell
  // meet the same owner one after another.
  std::uint32_t namedOwner = MarkCells::kFree;
  std::string_view ownerName;
  char ownerBuf[24];
  const auto samePoint = [&](const EastEntry& a, std::uint32_t owner) {
    const EastEntry& b = order[owner];
    if (a.east != b.east || a.north != b.north) return false;
    if (parts.name && namedOwner != owner) {
      ownerName = scene.NameBytes(b.point, ownerBuf);
      namedOwner = owner;
    }
    char bufA[24];
    return (!parts.name || scene.NameBytes(a.point, bufA) == ownerName) &&
           (!parts.code || scene.Code(a.point) == scene.Code(b.point)) &&
           (!parts.height || scene.HeightText(a.point) == scene.HeightText(b.point));
  };
  // Marks: one a cell, stations apart from the other points and drawn last.
  MarkCells pointCells(view.size), stationCells(view.size);
  std::vector<std::uint32_t> stations;
  std::vector<QPointF> pixels, stationPixels;  // of the marks, in their order
  // Points in view under another point's mark, with texts of their own.
  size_t hidden = 0;
  ForEastRange(scene, ground.left() - reach, ground.right() + reach, [&](const EastEntry& e) {
    if (e.north < ground.top() - reach || e.north > ground.bottom() + reach) return;
    const QPointF c = view.ToPixel(e.east, e.north);
    const bool inside = inFrame(c);
    out.inView += inside;
    const bool station = e.kind == PointKind::Station || e.kind == PointKind::Backsight;
    const auto ordinal = static_cast<std::uint32_t>(&e - order.data());
    const std::uint32_t owner = (station ? stationCells : pointCells).Take(c, ordinal);
    if (owner != MarkCells::kFree) {
      hidden += inside && parts.Any() && hasText(e.point) && !samePoint(e, owner);
      return;
    }
    (station ? stations : out.marks).push_back(e.point);
    (station ? stationPixels : pixels).push_back(c);
  });
  const size_t ordinary = out.marks.size();
  out.marks.insert(out.marks.end(), stations.begin(), stations.end());
  pixels.insert(pixels.end(), stationPixels.begin(), stationPixels.end());
  out.labelsLeftOut = hidden;
  if (!parts.Any()) return out;

  Occupancy taken(view.size);
  for (const QRectF& r : keepClear) taken.Take(r);
  for (const QPointF& c : pixels)
    taken.Take(QRectF(c.x() - kMarkHalf, c.y() - kMarkHalf, 2 * kMarkHalf, 2 * kMarkHalf));
  // The narrowest label there can be: when even that finds no room, the text
  // is not built.
  const double narrowest = fm.horizontalAdvance(QLatin1Char('1'));
  const auto place = [&](size_t mark) {
    const std::uint32_t i = out.marks[mark];
    if (!hasText(i)) return;
    const QPointF c = pixels[mark];
    if (!inFrame(c)) return;  // a mark at the edge: its label would leave the frame
    bool room = false;
    for (int k = 0; k < kCandidates && !room; ++k)
      room = taken.Free(Padded(Candidate(k, c, narrowest, out.lineSpacing)));
    if (!room) {
      ++out.labelsLeftOut;
      return;
    }
    PlacedLabel label;
    label.point = i;
    char buf[24];
    const auto add = [&](std::string_view bytes) {
      label.lines[static_cast<size_t>(label.lineCount++)] = LabelText(bytes);
    };
    if (parts.name) add(scene.NameBytes(i, buf));
    if (parts.code && !scene.Code(i).empty()) add(scene.Code(i));
    if (parts.height) add(scene.HeightText(i));
    double width = 0;
    for (int k = 0; k < label.lineCount; ++k)
      width = std::max(width, fm.horizontalAdvance(label.lines[static_cast<size_t>(k)]));
    const double height = out.lineSpacing * label.lineCount;
    for (int k = 0; k < kCandidates; ++k) {
      const QRectF box = Candidate(k, c, width, height);
      if (!taken.Free(Padded(box))) continue;
      taken.Take(Padded(box));
      label.box = box;
      out.labels.push_back(std::move(label));
      return;
    }
    ++out.labelsLeftOut;
  };
  for (size_t mark = ordinary; mark < out.marks.size(); ++mark) place(mark);
  for (size_t mark = 0; mark < ordinary; ++mark) place(mark);
  return out;
}

}  // namespace corvane::plot
