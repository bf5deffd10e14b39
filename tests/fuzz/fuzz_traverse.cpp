// The traverse adjustment over any job and control file: each method ends done
// or with its message, and what it would write holds no NaN or infinity; the
// station file has one line per station and backsight row.
#include <cmath>

#include "core/traverse/traverse_adjust.h"
#include "core/traverse/traverse_outputs.h"
#include "core/traverse/traverse_report.h"
#include "fuzz_support.h"

using namespace corvane;

namespace {

// The JSON without its strings (the names may hold anything; the numbers may not).
std::string WithoutStrings(const std::string& json) {
  std::string out;
  bool inString = false;
  for (size_t i = 0; i < json.size(); ++i) {
    if (inString && json[i] == '\\') ++i;
    else if (json[i] == '"') inString = !inString;
    else if (!inString) out += json[i];
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const unsigned choice = fuzz::TakeByte(bytes);
  // The control file, then after a zero byte the job.
  fuzz::FileAndJob input = fuzz::SplitFileAndJob(bytes);
  const std::string_view control = input.file;
  const RecordGrid& grid = input.grid;
  traverse::ControlPoints points;
  if (!traverse::ParseControlText(control, static_cast<int>(choice % 7), points).Done()) return 0;
  for (const traverse::KnownPoint& p : points.Points())
    FUZZ_CHECK(std::isfinite(p.north) && std::isfinite(p.east), "a control point that is not a number");

  traverse::AdjustOptions options;
  options.method = choice & 0x80 ? traverse::Method::LeastSquares : traverse::Method::Compass;
  traverse::Adjustment a;
  const CommandResult r = traverse::AdjustTraverse(grid, points, options, a);
  if (!r.Done()) {
    FUZZ_CHECK(!r.message.empty(), "a failure without a message");
    return 0;
  }
  const std::string numbers = WithoutStrings(traverse::AdjustmentJson(a));
  FUZZ_CHECK(numbers.find("nan") == std::string::npos && numbers.find("inf") == std::string::npos,
             "NaN or infinity in the JSON");
  for (const traverse::StationResult& s : a.stations)
    FUZZ_CHECK(std::isfinite(s.north) && std::isfinite(s.east), "a station that is not a number");
  const std::string stations = traverse::StationFileText(grid, a);
  int lines = 0, rows = 0;
  for (char c : stations) lines += c == '\n';
  for (int row = 1; row < grid.RowCount(); ++row) rows += grid.Cell(row, 2) == "ST" || grid.Cell(row, 2) == "BS";
  FUZZ_CHECK(lines == rows, "the station file has not one line per station and backsight row");
  traverse::TraverseReport(a, traverse::DefaultTraverseCaptions());
  return 0;
}
