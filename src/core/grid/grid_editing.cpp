#include "core/grid/grid_editing.h"

#include <string>

#include "core/text/numbers.h"

namespace corvane {
namespace {

// Row `to` takes columns 1..14 of row `from` and keeps its own column 0.
void CopyDataColumns(RecordGrid& grid, int from, int to) {
  RecordGrid::RowCells cells;
  const std::string number(grid.Cell(to, 0));
  std::string data[RecordGrid::kCols];
  cells[0] = number;
  for (int c = 1; c < RecordGrid::kCols; ++c) {
    data[c] = std::string(grid.Cell(from, c));
    cells[static_cast<size_t>(c)] = data[c];
  }
  grid.SetRow(to, cells);
}

}  // namespace

void DeleteRow(RecordGrid& grid, int k) {
  const int n = grid.RowCount() - 1;
  if (k < 0 || n < 0) return;
  for (int r = k; r <= n - 1; ++r) CopyDataColumns(grid, r + 1, r);
  grid.SetRowCount(n);
}

void InsertRow(RecordGrid& grid, int k) {
  if (k < 0 || k >= grid.RowCount()) return;
  grid.SetRowCount(grid.RowCount() + 1);
  const int n = grid.RowCount() - 1;
  for (int r = n; r >= k + 1; --r) CopyDataColumns(grid, r - 1, r);
  grid.SetCell(n, 0, FormatInt(n));
  const std::string number(grid.Cell(k, 0));
  RecordGrid::RowCells cells{};
  cells[0] = number;
  grid.SetRow(k, cells);
}

}  // namespace corvane
