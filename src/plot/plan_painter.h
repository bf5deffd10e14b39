#pragma once
// Paints a plan through a QPainter: coordinate grid, traverse, sight lines,
// point symbols by kind, labels (name, code and height as asked), recompute
// shifts, and on screen the scale bar and north arrow in the corners. What is
// drawn comes from one layout (plan_layout.h), so the screen, the images, the
// pages and the printer show the same marks and the same labels.
#include <QLineF>
#include <QString>
#include <memory>
#include <vector>

#include "plot/plan_layout.h"
#include "plot/plan_scene.h"
#include "plot/plan_view.h"

class QPainter;

namespace corvane::plot {

// Something another part of the program draws over the points (an adjusted
// traverse, error ellipses...): painted after the marks and shifts and under
// the labels, which keep clear of the boxes it names.
class PlanOverlay {
 public:
  virtual ~PlanOverlay() = default;
  virtual void Paint(QPainter& painter, const PlanView& view) const = 0;
  // Rectangles (view pixels) no label may cover.
  virtual void KeepClear(const PlanView& view, std::vector<QRectF>& boxes) const {
    (void)view;
    (void)boxes;
  }
};

struct PlanOptions {
  LabelParts labels;
  bool sightLines = true;
  bool traverse = true;
  bool grid = true;
  bool scaleBar = true;
  bool northArrow = true;
  int highlight = -1;            // a point index, ringed (on screen only)
  double shiftExaggeration = 0;  // > 0: recompute shifts drawn this many times their length
  std::vector<std::shared_ptr<const PlanOverlay>> overlays;
};

// The screen: the map with the grid's numbers, the scale bar and the north
// arrow inside it, none of them under a label. Returns what it drew.
PlanLayout PaintPlan(QPainter& painter, const PlanScene& scene, const PlanView& view, const PlanOptions& options);

// Pieces of a page (plan_export.cpp): what labels keep clear of, and the map
// itself (in view pixels from the painter's origin, clipped to view.size).
// `screenDecor`: the grid's numbers, scale bar and north arrow sit inside the map.
std::vector<QRectF> KeepClear(const PlanScene& scene, const PlanView& view, const PlanOptions& options,
                              bool screenDecor);
void PaintMap(QPainter& painter, const PlanScene& scene, const PlanView& view, const PlanOptions& options,
              const PlanLayout& layout, bool gridNumbers);
// A scale bar of at most maxWidth pixels, its bar's top left at origin; its
// width.
double PaintScaleBar(QPainter& painter, const PlanView& view, QPointF origin, double maxWidth);
// A north arrow 16 x 40 pixels with its tip at `tip`.
void PaintNorthArrow(QPainter& painter, QPointF tip);

// The lines of the coordinate grid in view: ground value and pixel (x of an
// east line, y of a north line). Empty when the grid would be too fine.
struct GridLine {
  double value = 0;
  double at = 0;
};
struct GridLines {
  double step = 0;
  std::vector<GridLine> east, north;
};
GridLines GridLinesOf(const PlanView& view);

// The arrow of a recompute shift: from the listed point toward the recomputed
// one, `exaggeration` times the shift's length.
QLineF ShiftArrow(const PlanScene& scene, const PlanShift& shift, const PlanView& view, double exaggeration);

// The drawable point nearest to a pixel within `radius` pixels, or -1.
int PointAt(const PlanScene& scene, const PlanView& view, QPointF pixel, double radius);

// Grid and scale-bar numbers: "1200", "0.5", "1e+12".
QString GroundNumber(double value, double step);

}  // namespace corvane::plot
