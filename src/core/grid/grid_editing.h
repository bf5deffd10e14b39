#pragma once
// The two row commands of the row-number context menu, and what undoes them.
#include <array>
#include <string>

#include "core/grid/record_grid.h"

namespace corvane {

// Rows below k move up one (columns 1..14; numbers stay in place), the last row goes.
void DeleteRow(RecordGrid& grid, int k);
// An empty row at k; the rows from k move down one; the new last row is numbered.
void InsertRow(RecordGrid& grid, int k);

// What a deleted row takes with it: the texts of the row that went (columns
// 1..14) and the number of the row that left the end.
struct DeletedRow {
  int k = -1;  // -1: the delete changed nothing
  std::array<std::string, RecordGrid::kCols> cells;
  std::string lastNumber;
};
// DeleteRow, keeping what it takes away.
DeletedRow DeleteRowKeeping(RecordGrid& grid, int k);
// Puts a deleted row back: the grid is again as it was before the delete.
void RestoreDeletedRow(RecordGrid& grid, const DeletedRow& deleted);
// InsertRow is undone by DeleteRow at the same row.

}  // namespace corvane
