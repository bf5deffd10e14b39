#pragma once
#include <string>
#include <vector>

#include "core/grid/grid_layout.h"
#include "core/grid/record_grid.h"

namespace corvane::testing {

// The cells of a row as one "|"-joined text, trailing empty cells left out.
inline std::string RowText(const RecordGrid& g, int r) {
  int last = RecordGrid::kCols - 1;
  while (last >= 0 && g.Cell(r, last).empty()) --last;
  std::string out;
  for (int c = 0; c <= last; ++c) {
    if (c) out += "|";
    out += g.Cell(r, c);
  }
  return out;
}

inline ColumnCaptions DefaultCaptions() {
  ColumnCaptions c;
  for (int i = 0; i < RecordGrid::kCols; ++i) c[static_cast<size_t>(i)] = DefaultColumnCaption(i);
  return c;
}

inline RecordGrid FreshGrid() {
  RecordGrid g;
  FillHeaderRow(g, DefaultCaptions());
  return g;
}

}  // namespace corvane::testing
