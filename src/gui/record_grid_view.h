#pragma once
// The record grid's view: one table with columns 0..2 frozen (a second table laid
// over the left edge shows them while the main one scrolls sideways), the header
// row as the column header, cell positions by grid row and column.
#include <QTableView>
#include <functional>
#include <vector>

namespace corvane::gui {

class RecordGridModel;

struct GridCell {
  int row = -1;  // grid row (0 = header row), -1 outside the cells
  int col = -1;
  bool IsValid() const { return row >= 0 && col >= 0; }
};

class RecordGridView final : public QTableView {
  Q_OBJECT
 public:
  static constexpr int kFrozenColumns = 3;

  explicit RecordGridView(QWidget* parent = nullptr);
  void SetGridModel(RecordGridModel* model);

  // Column widths from the twips table for a screen of `dotsPerInch`, as the
  // least each column gets, widened to show the header and the rows whole.
  void ApplyColumnWidths(int dotsPerInch);
  // The rows in view or the content changed: columns widen to what they show.
  void ScheduleWiden();
  // The cell at a point given in global coordinates.
  GridCell CellAtGlobal(const QPoint& global) const;
  // The cell last under the mouse (what the context-menu key acts on).
  GridCell LastMouseCell() const { return lastMouse_; }
  // A cell's rectangle in this widget's coordinates (empty when not shown).
  QRect CellRect(int gridRow, int col) const;
  QTableView* FrozenView() const { return frozen_; }
  // The header's tooltip: the caption, then this text for the column.
  void SetHeaderHint(std::function<QString(int col)> hint) { headerHint_ = std::move(hint); }

 signals:
  // A double click on a cell, the header row included (row 0).
  void cellDoubleClicked(int gridRow, int col);
  // The visible part of the grid moved.
  void scrolled();
  // The mouse came over another cell (row 0: the header).
  void cellHovered(int gridRow, int col);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

 private:
  void UpdateFrozenGeometry();
  void UpdateSectionWidth(int logicalIndex, int oldSize, int newSize);
  int FrozenWidth() const;
  void Watch(QWidget* widget);
  // The whole text of a cell or header that does not fit its column, as a tooltip.
  bool ShowClippedText(QObject* watched, QEvent* event);

  QTableView* frozen_;
  RecordGridModel* model_ = nullptr;
  GridCell lastMouse_;
  std::vector<int> minimumWidths_;
  bool widenPending_ = false;
  std::function<QString(int)> headerHint_;
};

}  // namespace corvane::gui
