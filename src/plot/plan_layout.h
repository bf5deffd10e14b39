#pragma once
// What a view of the plan shows, decided once for every surface (screen, PNG,
// SVG, PDF, printer): the marks drawn (one a 4-pixel cell) and where each label
// goes. Labels try eight places around their mark and take the first that
// overlaps no other label, no mark and nothing the caller keeps clear; a label
// with no room is left out and counted.
#include <QFont>
#include <QRectF>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "plot/plan_scene.h"
#include "plot/plan_view.h"

namespace corvane::plot {

struct LabelParts {
  bool name = true;
  bool code = false;
  bool height = false;
  bool Any() const { return name || code || height; }
};

// Half the side of the square a mark covers, pixels: no label comes nearer.
inline constexpr double kMarkHalf = 6;
// Marks whose pixels fall into one cell of this many pixels are drawn once.
inline constexpr int kMarkCell = 4;
// Labels longer than this many characters are cut and end in "…".
inline constexpr int kMaxLabelChars = 60;

// The font of names and numbers: the generic sans-serif family every viewer
// knows, sized in pixels, with unhinted widths so that every surface sets a
// text as wide as the layout measured it.
QFont PlanFont(int pixelSize);
inline constexpr int kLabelPixels = 11;

struct PlacedLabel {
  std::uint32_t point = 0;
  QRectF box;  // the text block, view pixels
  std::array<QString, 3> lines;
  int lineCount = 0;
};

struct PlanLayout {
  // Drawn marks: ordinary points first, stations and backsights last (on top).
  std::vector<std::uint32_t> marks;
  std::vector<PlacedLabel> labels;
  double lineSpacing = 0;  // of the label font
  double ascent = 0;
  std::size_t inView = 0;  // drawable points inside the view
  // Of those, points with a text of their own but no label (under another
  // point's mark, or no room around their own).
  std::size_t labelsLeftOut = 0;
};

// The marks and labels of a view. `keepClear` holds rectangles (view pixels)
// no label may cover: decorations, overlays, the recompute's points.
PlanLayout LayoutPlan(const PlanScene& scene, const PlanView& view, const LabelParts& parts,
                      const std::vector<QRectF>& keepClear);

// A point's label text (GBK bytes as Unicode), cut to kMaxLabelChars.
QString LabelText(std::string_view bytes);
// GBK bytes as Unicode (ASCII without a decoder).
QString FromGbkBytes(std::string_view bytes);

// The drawable points whose east lies in [east0, east1], in east order.
template <class Visit>
void ForEastRange(const PlanScene& scene, double east0, double east1, Visit&& visit) {
  const auto& order = scene.ByEast();
  auto it =
      std::lower_bound(order.begin(), order.end(), east0, [](const EastEntry& p, double e) { return p.east < e; });
  for (; it != order.end() && it->east <= east1; ++it) visit(*it);
}

}  // namespace corvane::plot
