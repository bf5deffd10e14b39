#include "core/grid/grid_saving.h"

namespace corvane {
namespace {

// Appends the save line of row r (without its line end) to out.
bool AppendRowLine(const RecordGrid& grid, int r, std::string& out) {
  int last = 0;
  for (int c = RecordGrid::kCols - 1; c >= 1; --c)
    if (!grid.Cell(r, c).empty()) {
      last = c;
      break;
    }
  if (last == 0) return false;
  for (int c = 1; c <= last; ++c) {
    out.append(grid.Cell(r, c));
    if (c < last) out.push_back(',');
  }
  return true;
}

}  // namespace

void WriteGridText(const RecordGrid& grid, TextFileWriter& out, const SaveProgress& progress) {
  std::string chunk;
  chunk.reserve(1 << 20);
  for (int r = 1; r < grid.RowCount(); ++r) {
    if (AppendRowLine(grid, r, chunk)) chunk.append("\r\n");
    if (chunk.size() >= (1 << 20)) {
      out.WriteRaw(chunk);
      chunk.clear();
      if (progress) progress(static_cast<size_t>(r), static_cast<size_t>(grid.RowCount()));
    }
  }
  out.WriteRaw(chunk);
}

std::string GridSaveText(const RecordGrid& grid) {
  std::string text;
  for (int r = 1; r < grid.RowCount(); ++r)
    if (AppendRowLine(grid, r, text)) text.push_back('\n');
  return text;
}

bool SaveGridToFile(const RecordGrid& grid, const std::string& path, std::string* reason,
                    const SaveProgress& progress) {
  TextFileWriter w;
  if (!w.Open(path, reason)) return false;
  WriteGridText(grid, w, progress);
  return w.Commit(reason);
}

}  // namespace corvane
