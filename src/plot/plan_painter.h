#pragma once
// Paints a plan scene through a QPainter: coordinate grid, traverse, sight
// lines, point symbols by kind, names (code and height optional), recompute
// shifts, scale bar and north arrow. On raster surfaces only what is in view is
// drawn, one mark a pixel and labels only where they fit; vector surfaces (SVG,
// PDF) get every point in view with its name.
#include <QLineF>
#include <QString>

#include "plot/plan_scene.h"
#include "plot/plan_view.h"

class QPainter;

namespace corvane::plot {

struct LabelParts {
  bool name = true;
  bool code = false;
  bool height = false;
};

struct PlanOptions {
  LabelParts labels;
  bool sightLines = true;
  bool traverse = true;
  bool grid = true;
  bool scaleBar = true;
  bool northArrow = true;
  int highlight = -1;            // a point index, ringed
  double shiftExaggeration = 0;  // > 0: recompute shifts drawn this many times their length
};

// Labels longer than this many characters are cut and end in "…".
inline constexpr int kMaxLabelChars = 60;

void PaintPlan(QPainter& painter, const PlanScene& scene, const PlanView& view, const PlanOptions& options);

// The arrow of a recompute shift: from the listed point toward the recomputed
// one, `exaggeration` times the shift's length.
QLineF ShiftArrow(const PlanScene& scene, const PlanShift& shift, const PlanView& view, double exaggeration);

// The drawable point nearest to a pixel within `radius` pixels, or -1.
int PointAt(const PlanScene& scene, const PlanView& view, QPointF pixel, double radius);

// A point's label text (GBK bytes as Unicode), cut to kMaxLabelChars.
QString LabelText(std::string_view bytes);

// Grid and scale-bar numbers: "1200", "0.5", "1e+12".
QString GroundNumber(double value, double step);

}  // namespace corvane::plot
