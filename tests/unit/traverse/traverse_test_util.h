#pragma once
// Grids of traverse jobs and the adjustment of them, for the traverse tests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/grid/record_grid.h"
#include "core/traverse/traverse_adjust.h"
#include "support/traverse_job.h"
#include "unit/compute/compute_test_util.h"

namespace corvane::testing {

// A grid whose rows 1.. are the lines of the text, split as a loaded job is.
inline RecordGrid GridOfText(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
  }
  return JobGrid(lines);
}

inline traverse::ControlPoints Control(const std::string& text) {
  traverse::ControlPoints c;
  const CommandResult r = traverse::ParseControlText(text, 0, c);
  EXPECT_TRUE(r.Done()) << r.message;
  return c;
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
