#include "gui/record_grid_model.h"

#include <QBrush>
#include <QColor>

namespace corvane::gui {
namespace {
// Columns 0..2 stay in view when the grid scrolls sideways; they are drawn like
// the header.
constexpr int kFrozenColumns = 3;
}  // namespace

void RecordGridModel::SetCell(int gridRow, int col, std::string_view text) {
  grid_.SetCell(gridRow, col, text);
  if (gridRow == 0) {
    emit headerDataChanged(Qt::Horizontal, col, col);
  } else {
    const QModelIndex i = IndexOf(gridRow, col);
    emit dataChanged(i, i, {Qt::DisplayRole});
  }
}

int RecordGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return grid_.RowCount() > 1 ? grid_.RowCount() - 1 : 0;
}

int RecordGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RecordGrid::kCols;
}

QVariant RecordGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole) return decoder_.Decode(grid_.Cell(GridRow(index), index.column()));
  if (role == Qt::BackgroundRole && index.column() < kFrozenColumns) return QBrush(QColor(0xEE, 0xEE, 0xEE));
  return {};
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
  if (orientation == Qt::Horizontal) return decoder_.Decode(grid_.Cell(0, section));
  return section + 1;
}

Qt::ItemFlags RecordGridModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace corvane::gui
