#include "plot/plan_view.h"

#include <algorithm>
#include <cmath>

namespace corvane::plot {

QRectF PlanView::Ground() const {
  const double w = size.width() / scale, h = size.height() / scale;
  return {centerEast - w / 2, centerNorth - h / 2, w, h};
}

PlanView FitView(const PlanExtent& extent, QSizeF size, double margin) {
  PlanView view;
  view.size = size;
  const double w = std::max(1.0, size.width() - 2 * margin), h = std::max(1.0, size.height() - 2 * margin);
  if (extent.empty) {
    view.scale = std::clamp(w / 50.0, kMinScale, kMaxScale);
    return view;
  }
  view.centerEast = extent.minEast / 2 + extent.maxEast / 2;
  view.centerNorth = extent.minNorth / 2 + extent.maxNorth / 2;
  const double spanEast = extent.maxEast - extent.minEast, spanNorth = extent.maxNorth - extent.minNorth;
  double scale = std::min(spanEast > 0 ? w / spanEast : HUGE_VAL, spanNorth > 0 ? h / spanNorth : HUGE_VAL);
  if (!std::isfinite(scale)) scale = w / 50.0;  // one point, or all in one place
  view.scale = std::clamp(scale, kMinScale, kMaxScale);
  return view;
}

double ScaleForRatio(double denominator, double pixelsPerMillimetre) {
  return std::clamp(1000.0 / denominator * pixelsPerMillimetre, kMinScale, kMaxScale);
}

double RatioForScale(double scale, double pixelsPerMillimetre) {
  return 1000.0 * pixelsPerMillimetre / scale;
}

void ZoomAround(PlanView& view, double factor, QPointF anchor) {
  const double east = view.EastAt(anchor.x()), north = view.NorthAt(anchor.y());
  view.scale = std::clamp(view.scale * factor, kMinScale, kMaxScale);
  // Keep (east, north) under the anchor.
  view.centerEast = east - (anchor.x() - view.size.width() / 2) / view.scale;
  view.centerNorth = north + (anchor.y() - view.size.height() / 2) / view.scale;
}

void PanBy(PlanView& view, QPointF pixels) {
  view.centerEast -= pixels.x() / view.scale;
  view.centerNorth += pixels.y() / view.scale;
}

double NiceStep(double value) {
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  const double m = value / power;
  return (m >= 5 ? 5 : m >= 2 ? 2 : 1) * power;
}

}  // namespace corvane::plot
