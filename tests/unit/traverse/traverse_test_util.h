#pragma once
// Grids of traverse jobs and the adjustment of them, for the traverse tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/grid/grid_loading.h"
#include "core/grid/record_grid.h"
#include "core/traverse/traverse_adjust.h"
#include "support/traverse_job.h"

namespace corvane::testing {

// A grid whose rows 1.. are the lines of the text, split as a loaded job is.
inline RecordGrid GridOfText(const std::string& text) {
  RecordGrid g;
  g.SetRowCount(1);
  size_t start = 0;
  int r = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    g.SetRowCount(++r + 1);
    LoadLineIntoRow(g, r, std::string_view(text).substr(start, end - start));
    start = end + 1;
  }
  return g;
}

inline traverse::ControlPoints Control(const std::string& text) {
  traverse::ControlPoints c;
  const CommandResult r = traverse::ParseControlText(text, 0, c);
  EXPECT_TRUE(r.Done()) << r.message;
  return c;
}

// The control line of a true point, "name,N,E,H".
inline std::string ControlLine(const TruePoint& p) {
  char buf[256];
  std::snprintf(buf, sizeof buf, "%s,%.4f,%.4f,%.4f\n", p.name.c_str(), p.north, p.east, p.height);
  return buf;
}

inline traverse::Adjustment Adjust(const RecordGrid& grid, const traverse::ControlPoints& control,
                                   traverse::Method method, traverse::AdjustOptions options = {}) {
  options.method = method;
  traverse::Adjustment a;
  const CommandResult r = traverse::AdjustTraverse(grid, control, options, a);
  EXPECT_TRUE(r.Done()) << r.message;
  return a;
}

}  // namespace corvane::testing
