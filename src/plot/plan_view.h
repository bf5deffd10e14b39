#pragma once
// Where the drawing sits on a surface: the ground point at the centre and the
// scale in pixels per metre. East runs right, north runs up.
#include <QMarginsF>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include "plot/plan_scene.h"

namespace corvane::plot {

inline constexpr double kMinScale = 1e-7;  // pixels per metre
inline constexpr double kMaxScale = 1e5;   // 10 micrometres a pixel
// Screen and raster exports: 96 pixels an inch.
inline constexpr double kPixelsPerMillimetre = 96.0 / 25.4;

struct PlanView {
  double centerEast = 0;
  double centerNorth = 0;
  double scale = 1;  // pixels per metre
  QSizeF size{800, 600};

  QPointF ToPixel(double east, double north) const {
    return {size.width() / 2 + (east - centerEast) * scale, size.height() / 2 - (north - centerNorth) * scale};
  }
  double EastAt(double x) const { return centerEast + (x - size.width() / 2) / scale; }
  double NorthAt(double y) const { return centerNorth - (y - size.height() / 2) / scale; }
  // The ground rectangle shown: x east, y north (bottom edge as top()).
  QRectF Ground() const;
};

// The whole job inside the size, with a margin in pixels on every side. An
// empty job, one point or coincident points give a 50 m wide view around them.
PlanView FitView(const PlanExtent& extent, QSizeF size, double margin);
// The same with its own margin on each side.
PlanView FitView(const PlanExtent& extent, QSizeF size, QMarginsF margins);
// The extent of a ground rectangle (x east, y north).
PlanExtent ExtentOf(const QRectF& ground);
// The map scales of plans: 1:100, 1:200, 1:250, 1:500, 1:1000 ... (1, 2, 2.5
// and 5 times a power of ten); the first at least `ratio`.
double StandardRatio(double ratio);
// The view at a map scale 1:denominator on a surface of `pixelsPerMillimetre`.
double ScaleForRatio(double denominator, double pixelsPerMillimetre = kPixelsPerMillimetre);
double RatioForScale(double scale, double pixelsPerMillimetre = kPixelsPerMillimetre);
// Zooms by factor keeping the ground point under `anchor` (pixels) in place.
void ZoomAround(PlanView& view, double factor, QPointF anchor);
void PanBy(PlanView& view, QPointF pixels);
// 1, 2 or 5 times a power of ten, the largest not above `value` (value > 0).
double NiceStep(double value);

}  // namespace corvane::plot
