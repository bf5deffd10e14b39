#include "gui/plan_canvas.h"

#include <QElapsedTimer>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

#include "gui/gbk_text.h"

namespace corvane::gui {
namespace {
constexpr double kMargin = 30;
constexpr double kHitRadius = 8;
constexpr double kKeyZoom = 1.25;
}  // namespace

PlanCanvas::PlanCanvas(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("planCanvas"));
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(200, 150);
  static const plot::PlanScene empty;
  source_ = [] { return std::cref(empty); };
}

void PlanCanvas::SetView(const plot::PlanView& view) {
  view_ = view;
  view_.size = size();
  fitted_ = false;
  update();
}

void PlanCanvas::Fit() {
  view_ = plot::FitView(Scene().Extent(), size(), kMargin);
  fitted_ = true;
  update();
}

void PlanCanvas::ZoomBy(double factor, QPointF anchor) {
  view_.size = size();
  plot::ZoomAround(view_, factor, anchor);
  fitted_ = false;
  update();
}

QString PlanCanvas::PointText(int point) const {
  const plot::PlanScene& scene = Scene();
  if (point < 0 || static_cast<size_t>(point) >= scene.Points().size()) return {};
  const auto i = static_cast<size_t>(point);
  const QString north = QStringLiteral("N=") + FromGbk(scene.NorthText(i));
  const QString east = QStringLiteral("E=") + FromGbk(scene.EastText(i));
  QString text = plot::LabelText(scene.Name(i));
  if (!scene.Code(i).empty()) text += QStringLiteral("  ") + plot::LabelText(scene.Code(i));
  text += QLatin1Char('\n') +
          (scene.CoordinateOrderEnz() ? east + QStringLiteral("  ") + north : north + QStringLiteral("  ") + east);
  return text + QStringLiteral("  Z=") + FromGbk(scene.HeightText(i));
}

void PlanCanvas::paintEvent(QPaintEvent*) {
  QElapsedTimer timer;
  timer.start();
  const plot::PlanScene& scene = Scene();  // rebuilds a changed job first
  if (fitted_) view_ = plot::FitView(scene.Extent(), size(), kMargin);
  view_.size = size();
  QPainter painter(this);
  plot::PaintPlan(painter, scene, view_, options_);
  if (overlay_) overlay_(painter, view_);
  lastPaintMs_ = static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void PlanCanvas::resizeEvent(QResizeEvent*) {
  view_.size = size();
  update();
}

void PlanCanvas::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y();
  if (steps != 0) ZoomBy(std::pow(1.0015, steps), event->position());
  event->accept();
}

void PlanCanvas::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = true;
  dragged_ = false;
  lastMouse_ = event->position();
  setFocus(Qt::MouseFocusReason);
}

void PlanCanvas::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const QPointF delta = event->position() - lastMouse_;
  if (!dragged_ && std::abs(delta.x()) + std::abs(delta.y()) < 3) return;
  dragged_ = true;
  lastMouse_ = event->position();
  view_.size = size();
  plot::PanBy(view_, delta);
  fitted_ = false;
  update();
}

void PlanCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) return;
  dragging_ = false;
  if (dragged_) return;
  const int point = plot::PointAt(Scene(), view_, event->position(), kHitRadius);
  if (point >= 0) emit pointClicked(point);
}

void PlanCanvas::keyPressEvent(QKeyEvent* event) {
  const QPointF centre(width() / 2.0, height() / 2.0);
  const double step = std::min(width(), height()) / 4.0;
  view_.size = size();
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      ZoomBy(kKeyZoom, centre);
      break;
    case Qt::Key_Minus:
      ZoomBy(1 / kKeyZoom, centre);
      break;
    case Qt::Key_Home:
    case Qt::Key_0:
      Fit();
      break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
      const QPointF by(event->key() == Qt::Key_Left    ? step
                       : event->key() == Qt::Key_Right ? -step
                                                       : 0,
                       event->key() == Qt::Key_Up     ? step
                       : event->key() == Qt::Key_Down ? -step
                                                      : 0);
      plot::PanBy(view_, by);
      fitted_ = false;
      update();
      break;
    }
    default:
      QWidget::keyPressEvent(event);
  }
}

bool PlanCanvas::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const int point = plot::PointAt(Scene(), view_, help->pos(), kHitRadius);
    if (point >= 0)
      QToolTip::showText(help->globalPos(), PointText(point), this);
    else
      QToolTip::hideText();
    return true;
  }
  return QWidget::event(event);
}

}  // namespace corvane::gui
