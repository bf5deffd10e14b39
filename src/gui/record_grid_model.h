#pragma once
// The record grid seen by Qt's views. The model keeps no copy of the cells: it
// reads the core grid for the cells a view paints. Grid row 0 (the captions) is
// the horizontal header; model row i is grid row i + 1.
#include <QAbstractTableModel>

#include "core/grid/record_grid.h"
#include "gui/gbk_text.h"

namespace corvane::gui {

class RecordGridModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit RecordGridModel(RecordGrid& grid, QObject* parent = nullptr) : QAbstractTableModel(parent), grid_(grid) {}

  const RecordGrid& Grid() const { return grid_; }

  // Runs a change of the grid that may touch any row (load, clear, row count),
  // telling the views before and after.
  template <class Change>
  void Replace(Change&& change) {
    beginResetModel();
    change(grid_);
    endResetModel();
  }
  // Sets one cell and repaints it (row 0 is the header).
  void SetCell(int gridRow, int col, std::string_view text);

  static int GridRow(const QModelIndex& index) { return index.isValid() ? index.row() + 1 : -1; }
  QModelIndex IndexOf(int gridRow, int col) const { return index(gridRow - 1, col); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Bytes the model itself holds beyond the core grid.
  size_t OwnMemoryBytes() const { return sizeof(*this); }

 private:
  RecordGrid& grid_;
  mutable GbkDecoder decoder_;
};

}  // namespace corvane::gui
