#pragma once
// The drawing area of the plan page: paints the scene of the current view,
// zooms with the wheel around the pointer and with the keyboard (+, -, arrows
// pan, Home fits), pans by dragging, names the point under the pointer in a
// tooltip (with its recompute shift when shifts are shown), and reports a click
// on a point. Its accessible name gives the point count and the scale; a frame
// shows when it has the keyboard focus.
#include <QWidget>
#include <functional>

#include "plot/plan_painter.h"

namespace corvane::gui {

class PlanCanvas final : public QWidget {
  Q_OBJECT
 public:
  explicit PlanCanvas(QWidget* parent = nullptr);

  // The scene to draw (owned by the page); asked for before each paint so a
  // changed grid is rebuilt first.
  void SetSceneSource(std::function<const plot::PlanScene&()> source) { source_ = std::move(source); }
  plot::PlanOptions& Options() { return options_; }
  // Drawn over the plan after it, in the same view (empty: nothing).
  using Overlay = std::function<void(QPainter&, const plot::PlanView&)>;
  void SetOverlay(Overlay overlay) {
    overlay_ = std::move(overlay);
    update();
  }
  const plot::PlanView& View() const { return view_; }
  void SetView(const plot::PlanView& view);
  // The whole job in view; the view then keeps fitting when the job changes.
  void Fit();
  bool Fitted() const { return fitted_; }
  // Zoom by a factor around the centre (keyboard) or a point (wheel).
  void ZoomBy(double factor, QPointF anchor);
  // Brings a drawable point into view (centred, same scale) when it is not.
  void ShowPoint(int point);
  // The accessible name: "%1" becomes the point count, "%2" the scale "1:500".
  void SetAccessibleFormat(const QString& format);
  // The tooltip text of a point: name, code and the coordinates in the job's order.
  QString PointText(int point) const;
  // Milliseconds the last paint took, and what it drew.
  double LastPaintMs() const { return lastPaintMs_; }
  size_t LastLabelCount() const { return lastLabels_; }
  size_t LastLabelsLeftOut() const { return lastLeftOut_; }

 signals:
  void pointClicked(int point);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool event(QEvent* event) override;

 private:
  const plot::PlanScene& Scene() const { return source_(); }
  void UpdateAccessibleName(size_t points);

  std::function<const plot::PlanScene&()> source_;
  Overlay overlay_;
  plot::PlanOptions options_;
  plot::PlanView view_;
  bool fitted_ = true;
  bool dragging_ = false;
  bool dragged_ = false;
  QPointF lastMouse_;
  double lastPaintMs_ = 0;
  size_t lastLabels_ = 0;
  size_t lastLeftOut_ = 0;
  QString accessibleFormat_;
};

}  // namespace corvane::gui
