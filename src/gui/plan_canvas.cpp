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
#include "plot/plan_title.h"

namespace corvane::gui {
namespace {
// A fitted job keeps clear of the north arrow (top right) and the scale bar
// (bottom left).
const QMarginsF kFitMargins(30, 62, 30, 46);
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
  view_ = plot::FitView(Scene().Extent(), size(), kFitMargins);
  fitted_ = true;
  update();
}

void PlanCanvas::ShowPoint(int point) {
  const plot::PlanScene& scene = Scene();
  if (point < 0 || static_cast<size_t>(point) >= scene.Points().size()) return;
  const plot::PlanPoint& p = scene.Points()[static_cast<size_t>(point)];
  if (!p.drawable) return;
  if (fitted_) view_ = plot::FitView(scene.Extent(), size(), kFitMargins);
  view_.size = size();
  if (rect().adjusted(20, 20, -20, -20).contains(view_.ToPixel(p.east, p.north).toPoint())) return;
  view_.centerEast = p.east;
  view_.centerNorth = p.north;
  fitted_ = false;
  update();
}

void PlanCanvas::SetAccessibleFormat(const QString& format) {
  accessibleFormat_ = format;
  UpdateAccessibleName(Scene().Points().size());
}

void PlanCanvas::UpdateAccessibleName(size_t points) {
  if (accessibleFormat_.isEmpty()) return;
  const QString name = QString(accessibleFormat_)
                           .replace(QStringLiteral("%1"), QString::number(points))
                           .replace(QStringLiteral("%2"), plot::ScaleText(view_));
  if (name != accessibleName()) setAccessibleName(name);
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
  const auto inOrder = [&](const QString& n, const QString& e) {
    return scene.CoordinateOrderEnz() ? e + QStringLiteral("  ") + n : n + QStringLiteral("  ") + e;
  };
  text += QLatin1Char('\n') + inOrder(north, east) + QStringLiteral("  Z=") + FromGbk(scene.HeightText(i));
  // The recompute's shift of the point, when the shifts are shown.
  const plot::PlanShift* shift = options_.shiftExaggeration > 0 ? scene.ShiftOf(i) : nullptr;
  if (shift) {
    const plot::PlanPoint& p = scene.Points()[i];
    const auto delta = [](double d) { return QString::asprintf("%+.3f", std::fabs(d) < 5e-4 ? 0.0 : d); };
    text += QLatin1Char('\n') +
            inOrder(QStringLiteral("\u0394N=") + delta(shift->north - p.north),
                    QStringLiteral("\u0394E=") + delta(shift->east - p.east)) +
            QStringLiteral("  \u0394H=") + delta(shift->height - p.height);
  }
  return text;
}

void PlanCanvas::paintEvent(QPaintEvent*) {
  QElapsedTimer timer;
  timer.start();
  const plot::PlanScene& scene = Scene();  // rebuilds a changed job first
  if (fitted_) view_ = plot::FitView(scene.Extent(), size(), kFitMargins);
  view_.size = size();
  QPainter painter(this);
  const plot::PlanLayout layout = plot::PaintPlan(painter, scene, view_, options_);
  lastLabels_ = layout.labels.size();
  lastLeftOut_ = layout.labelsLeftOut;
  if (overlay_) overlay_(painter, view_);
  if (hasFocus()) {
    // The keyboard is here: a frame in the highlight colour, inside the edges.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
  }
  UpdateAccessibleName(scene.Points().size());
  lastPaintMs_ = static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void PlanCanvas::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void PlanCanvas::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
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
