#include "gui/record_grid_view.h"

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QHelpEvent>

#include "core/grid/grid_layout.h"
#include "gui/column_fit.h"
#include "gui/record_grid_model.h"

namespace corvane::gui {
namespace {

void SetUpRows(QTableView* view) {
  QHeaderView* rows = view->verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setMinimumSectionSize(1);
  rows->setDefaultSectionSize(view->fontMetrics().height() + 4);
  rows->hide();
  view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  view->horizontalHeader()->setHighlightSections(false);
  view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setWordWrap(false);
  // Columns widen to their text; what is still too long ends in an ellipsis.
  view->setTextElideMode(Qt::ElideRight);
  view->setCornerButtonEnabled(false);
}

}  // namespace

RecordGridView::RecordGridView(QWidget* parent) : QTableView(parent), frozen_(new QTableView(this)) {
  SetUpRows(this);
  SetUpRows(frozen_);
  // Tab leaves the grid for the buttons beside it; the arrow keys move between cells.
  setTabKeyNavigation(false);
  frozen_->setFocusPolicy(Qt::NoFocus);
  frozen_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  frozen_->setFrameShape(QFrame::NoFrame);
  frozen_->setStyleSheet(QStringLiteral("QTableView { border: none; border-right: 1px solid palette(mid); }"));
  viewport()->stackUnder(frozen_);

  connect(horizontalHeader(), &QHeaderView::sectionResized, this, &RecordGridView::UpdateSectionWidth);
  connect(frozen_->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
          &QAbstractSlider::setValue);
  connect(verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_->verticalScrollBar(),
          &QAbstractSlider::setValue);
  connect(verticalScrollBar(), &QAbstractSlider::valueChanged, this, &RecordGridView::scrolled);
  connect(horizontalScrollBar(), &QAbstractSlider::valueChanged, this, &RecordGridView::scrolled);
  connect(verticalScrollBar(), &QAbstractSlider::valueChanged, this, &RecordGridView::ScheduleWiden);

  auto rowOf = [](const QModelIndex& i) { return RecordGridModel::GridRow(i); };
  connect(this, &QAbstractItemView::doubleClicked, this,
          [this, rowOf](const QModelIndex& i) { emit cellDoubleClicked(rowOf(i), i.column()); });
  connect(frozen_, &QAbstractItemView::doubleClicked, this, [this, rowOf](const QModelIndex& i) {
    // A click on the frozen copy makes that cell the current one of the grid.
    setCurrentIndex(i);
    emit cellDoubleClicked(rowOf(i), i.column());
  });
  connect(horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
          [this](int col) { emit cellDoubleClicked(0, col); });
  connect(frozen_->horizontalHeader(), &QHeaderView::sectionDoubleClicked, this,
          [this](int col) { emit cellDoubleClicked(0, col); });

  for (QWidget* w : {viewport(), frozen_->viewport(), horizontalHeader()->viewport(),
                     frozen_->horizontalHeader()->viewport()})
    Watch(w);
}

void RecordGridView::Watch(QWidget* widget) {
  widget->setMouseTracking(true);
  widget->installEventFilter(this);
}

void RecordGridView::SetGridModel(RecordGridModel* model) {
  model_ = model;
  setModel(model);
  // New content widens the columns (a download, an echoed record, an edit).
  connect(model, &QAbstractItemModel::modelReset, this, &RecordGridView::ScheduleWiden);
  connect(model, &QAbstractItemModel::dataChanged, this, &RecordGridView::ScheduleWiden);
  connect(model, &QAbstractItemModel::headerDataChanged, this, &RecordGridView::ScheduleWiden);
  frozen_->setModel(model);
  frozen_->setSelectionModel(selectionModel());
  for (int c = kFrozenColumns; c < model->columnCount(); ++c) frozen_->setColumnHidden(c, true);
  for (int c = 0; c < kFrozenColumns; ++c) frozen_->setColumnWidth(c, columnWidth(c));
  UpdateFrozenGeometry();
}

void RecordGridView::ApplyColumnWidths(int dotsPerInch) {
  minimumWidths_.assign(corvane::RecordGrid::kCols, 0);
  for (int c = 0; c < corvane::RecordGrid::kCols; ++c) minimumWidths_[static_cast<size_t>(c)] = ColumnWidthPixels(c, dotsPerInch);
  FitColumns(*this, minimumWidths_, false);
  UpdateFrozenGeometry();
}

void RecordGridView::ScheduleWiden() {
  if (widenPending_ || minimumWidths_.empty()) return;
  widenPending_ = true;
  QTimer::singleShot(0, this, [this] {
    widenPending_ = false;
    FitColumns(*this, minimumWidths_, true);
    UpdateFrozenGeometry();
  });
}

bool RecordGridView::ShowClippedText(QObject* watched, QEvent* event) {
  const auto* help = static_cast<QHelpEvent*>(event);
  QString text;
  QRect area;
  QWidget* where = static_cast<QWidget*>(watched);
  for (QTableView* view : {static_cast<QTableView*>(this), frozen_}) {
    if (watched == view->viewport()) {
      const QModelIndex i = view->indexAt(help->pos());
      if (!i.isValid()) break;
      const QString cell = i.data(Qt::DisplayRole).toString();
      if (CellTextWidth(*view, cell) > view->columnWidth(i.column())) text = cell;
      area = view->visualRect(i);
    } else if (watched == view->horizontalHeader()->viewport()) {
      const int col = view->horizontalHeader()->logicalIndexAt(help->pos());
      if (col < 0) break;
      const QString caption = model()->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
      // The caption stays as documented; the tooltip says what the column holds.
      if (headerHint_) text = caption + QLatin1Char('\n') + headerHint_(col);
      else if (HeaderTextWidth(*view, caption) > view->columnWidth(col)) text = caption;
      area = QRect(view->horizontalHeader()->sectionViewportPosition(col), 0, view->columnWidth(col),
                   view->horizontalHeader()->height());
    }
  }
  if (text.isEmpty()) QToolTip::hideText();
  else QToolTip::showText(help->globalPos(), text, where, area);
  return true;
}

void RecordGridView::UpdateSectionWidth(int logicalIndex, int /*oldSize*/, int newSize) {
  if (logicalIndex < kFrozenColumns) {
    frozen_->setColumnWidth(logicalIndex, newSize);
    UpdateFrozenGeometry();
  }
}

int RecordGridView::FrozenWidth() const {
  int w = 0;
  for (int c = 0; c < kFrozenColumns; ++c) w += columnWidth(c);
  return w;
}

void RecordGridView::UpdateFrozenGeometry() {
  const int left = (verticalHeader()->isVisible() ? verticalHeader()->width() : 0) + frameWidth();
  frozen_->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
  frozen_->setGeometry(left, frameWidth(), FrozenWidth() + 1, viewport()->height() + horizontalHeader()->height());
}

void RecordGridView::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  ScheduleWiden();
  UpdateFrozenGeometry();
}

GridCell RecordGridView::CellAtGlobal(const QPoint& global) const {
  // The frozen copy lies above the main table, so it is asked first.
  const auto inHeader = [&](QHeaderView* header) -> GridCell {
    const QPoint p = header->mapFromGlobal(global);
    if (!header->isVisible() || !header->rect().contains(p)) return {};
    const int col = header->logicalIndexAt(p);
    return col < 0 ? GridCell{} : GridCell{0, col};
  };
  const auto inCells = [&](QTableView* view) -> GridCell {
    const QPoint p = view->viewport()->mapFromGlobal(global);
    if (!view->viewport()->rect().contains(p)) return {};
    const QModelIndex i = view->indexAt(p);
    return i.isValid() ? GridCell{RecordGridModel::GridRow(i), i.column()} : GridCell{};
  };
  const bool onFrozen = frozen_->isVisible() && frozen_->rect().contains(frozen_->mapFromGlobal(global));
  if (onFrozen) {
    const GridCell h = inHeader(frozen_->horizontalHeader());
    return h.IsValid() ? h : inCells(frozen_);
  }
  const GridCell h = inHeader(horizontalHeader());
  return h.IsValid() ? h : inCells(const_cast<RecordGridView*>(this));
}

QRect RecordGridView::CellRect(int gridRow, int col) const {
  if (!model_ || gridRow < 1) return {};
  const QModelIndex i = model_->IndexOf(gridRow, col);
  const QTableView* view = col < kFrozenColumns ? frozen_ : this;
  const QRect r = view->visualRect(i);
  if (r.isEmpty()) return {};
  return QRect(view->viewport()->mapTo(this, r.topLeft()), r.size());
}

bool RecordGridView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip) return ShowClippedText(watched, event);
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const GridCell cell = CellAtGlobal(mouse->globalPosition().toPoint());
    const bool moved = cell.row != lastMouse_.row || cell.col != lastMouse_.col;
    lastMouse_ = cell;
    if (moved && cell.IsValid()) emit cellHovered(cell.row, cell.col);
  }
  return QTableView::eventFilter(watched, event);
}

QModelIndex RecordGridView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
  QModelIndex current = QTableView::moveCursor(cursorAction, modifiers);
  // Keep the current cell clear of the frozen columns when moving left.
  if (cursorAction == MoveLeft && current.column() >= kFrozenColumns &&
      visualRect(current).topLeft().x() < FrozenWidth()) {
    const int newValue = horizontalScrollBar()->value() + visualRect(current).topLeft().x() - FrozenWidth();
    horizontalScrollBar()->setValue(newValue);
  }
  return current;
}

void RecordGridView::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (index.column() >= kFrozenColumns) QTableView::scrollTo(index, hint);
  else if (index.isValid()) QTableView::scrollTo(model()->index(index.row(), kFrozenColumns), hint);
}

}  // namespace corvane::gui
