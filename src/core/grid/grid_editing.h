#pragma once
// The two row commands of the row-number context menu.
#include "core/grid/record_grid.h"

namespace corvane {

// Rows below k move up one (columns 1..14; numbers stay in place), the last row goes.
void DeleteRow(RecordGrid& grid, int k);
// An empty row at k; the rows from k move down one; the new last row is numbered.
void InsertRow(RecordGrid& grid, int k);

}  // namespace corvane
