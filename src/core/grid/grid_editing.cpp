#include "core/grid/grid_editing.h"

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

}  // namespace corvane
