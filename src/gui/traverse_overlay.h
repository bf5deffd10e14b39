#pragma once
// What the plan draws of an adjusted traverse over the job: the adjusted
// traverse from the backsight through the stations (and on to the closing
// point), the linear misclosure as an arrow at the known end, and the 1σ error
// ellipses of a least-squares adjustment. The misclosure and the ellipses are
// drawn `exaggeration` times their size.
#include <QLineF>
#include <QPointF>
#include <optional>
#include <vector>

#include "core/traverse/traverse_types.h"
#include "plot/plan_view.h"

class QPainter;

namespace corvane::gui {

struct TraverseOverlay {
  struct Ellipse {
    QPointF at;  // east, north
    double a = 0, b = 0;
    double azimuthDeg = 0;  // of the major axis, clockwise from north
  };
  std::vector<QPointF> line;             // east, north: backsight, then the stations in set-up order
  std::optional<QPointF> closingPoint;   // sighted from the last station
  std::optional<QLineF> misclosure;      // from the known end along (fE, fN), unscaled
  std::vector<Ellipse> ellipses;
};

TraverseOverlay MakeTraverseOverlay(const traverse::Adjustment& adjustment);

void PaintTraverseOverlay(QPainter& painter, const TraverseOverlay& overlay, const plot::PlanView& view,
                          double exaggeration);

}  // namespace corvane::gui
