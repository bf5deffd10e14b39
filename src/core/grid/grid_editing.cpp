#include "core/grid/grid_editing.h"

#include <algorithm>

#include "core/text/numbers.h"

namespace corvane {

void DeleteRow(RecordGrid& grid, int k) {
  const int n = grid.RowCount() - 1;
  if (k < 0 || n < 0) return;
  for (int r = k; r <= n - 1; ++r) grid.CopyDataColumns(r + 1, r);
  grid.SetRowCount(n);
}

void InsertRow(RecordGrid& grid, int k) {
  if (k < 0 || k >= grid.RowCount()) return;
  grid.SetRowCount(grid.RowCount() + 1);
  const int n = grid.RowCount() - 1;
  for (int r = n; r >= k + 1; --r) grid.CopyDataColumns(r - 1, r);
  grid.SetCell(n, 0, FormatInt(n));
  grid.CopyDataColumns(-1, k);
}

DeletedRow DeleteRowKeeping(RecordGrid& grid, int k) {
  DeletedRow kept;
  const int n = grid.RowCount() - 1;
  if (k < 0 || n < 0) return kept;
  // A row past the end deletes the last one.
  kept.k = std::min(k, n);
  for (int c = 1; c < RecordGrid::kCols; ++c) kept.cells[static_cast<size_t>(c)] = grid.Cell(kept.k, c);
  kept.lastNumber = grid.Cell(n, 0);
  DeleteRow(grid, kept.k);
  return kept;
}

void RestoreDeletedRow(RecordGrid& grid, const DeletedRow& deleted) {
  if (deleted.k < 0 || deleted.k > grid.RowCount()) return;
  const int n = grid.RowCount();
  grid.SetRowCount(n + 1);
  for (int r = n; r >= deleted.k + 1; --r) grid.CopyDataColumns(r - 1, r);
  RecordGrid::RowCells cells;
  const std::string number(grid.Cell(deleted.k, 0));
  cells[0] = number;
  for (int c = 1; c < RecordGrid::kCols; ++c) cells[static_cast<size_t>(c)] = deleted.cells[static_cast<size_t>(c)];
  grid.SetRow(deleted.k, cells);
  grid.SetCell(n, 0, deleted.lastNumber);
}

}  // namespace corvane
