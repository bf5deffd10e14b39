#include "plot/plan_view.h"

#include <algorithm>
#include <cmath>

namespace corvane::plot {

QRectF PlanView::Ground() const {
  const double w = size.width() / scale, h = size.height() / scale;
  return {centerEast - w / 2, centerNorth - h / 2, w, h};
}

PlanView FitView(const PlanExtent& extent, QSizeF size, double margin) {
  return FitView(extent, size, QMarginsF(margin, margin, margin, margin));
}

PlanView FitView(const PlanExtent& extent, QSizeF size, QMarginsF margins) {
  PlanView view;
  view.size = size;
  const double w = std::max(1.0, size.width() - margins.left() - margins.right());
  const double h = std::max(1.0, size.height() - margins.top() - margins.bottom());
  double scale = w / 50.0;  // no point, one point, or all in one place
  if (!extent.empty) {
    view.centerEast = extent.minEast / 2 + extent.maxEast / 2;
    view.centerNorth = extent.minNorth / 2 + extent.maxNorth / 2;
    const double spanEast = extent.maxEast - extent.minEast, spanNorth = extent.maxNorth - extent.minNorth;
    const double fit = std::min(spanEast > 0 ? w / spanEast : HUGE_VAL, spanNorth > 0 ? h / spanNorth : HUGE_VAL);
    if (std::isfinite(fit)) scale = fit;
  }
  view.scale = std::clamp(scale, kMinScale, kMaxScale);
  // The ground at the centre of the free area: unequal margins move it.
  view.centerEast -= (margins.left() - margins.right()) / 2 / view.scale;
  view.centerNorth += (margins.top() - margins.bottom()) / 2 / view.scale;
  return view;
}

PlanExtent ExtentOf(const QRectF& ground) {
  return {ground.left(), ground.top(), ground.right(), ground.bottom(), false};
}

double StandardRatio(double ratio) {
  if (!(ratio > 100)) return 100;
  double power = std::pow(10.0, std::floor(std::log10(ratio)));
  for (;; power *= 10) {
    for (const double m : {1.0, 2.0, 2.5, 5.0, 10.0})
      if (m * power >= ratio * (1 - 1e-12)) return m * power;
  }
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
