#include "core/grid/grid_saving.h"

#include <cstring>

#include "core/file_texts.h"

namespace corvane {
namespace {

// Appends the save line of row r (without its line end) to out.
bool AppendRowLine(const RecordGrid& grid, int r, std::string& out) {
  return grid.AppendDataColumns(r, ',', out);
}

// The same line cell by cell (the plain path that tests hold the fast one to).
bool AppendRowLinePlain(const RecordGrid& grid, int r, std::string& out) {
  int last = RecordGrid::kCols - 1;
  while (last >= 1 && grid.Cell(r, last).empty()) --last;
  if (last == 0) return false;
  for (int c = 1; c <= last; ++c) {
    out.append(grid.Cell(r, c));
    if (c < last) out.push_back(',');
  }
  return true;
}

// A line feed inside a cell (a download may hold one) is written in text mode
// too: CR LF, as every other "\n" the tool writes.
void LineFeedsToCrLf(std::string& chunk, size_t from) {
  if (!std::memchr(chunk.data() + from, '\n', chunk.size() - from)) return;
  std::string tail;
  for (size_t i = from; i < chunk.size(); ++i) {
    if (chunk[i] == '\n') tail.push_back('\r');
    tail.push_back(chunk[i]);
  }
  chunk.resize(from);
  chunk += tail;
}

}  // namespace

void WriteGridText(const RecordGrid& grid, TextFileWriter& out, const SaveProgress& progress) {
  constexpr size_t kChunk = 1 << 20;
  std::string chunk;
  chunk.reserve(64 << 10);  // grows to about kChunk for long grids
  for (int r = 1; r < grid.RowCount(); ++r) {
    const size_t start = chunk.size();
    if (AppendRowLine(grid, r, chunk)) {
      LineFeedsToCrLf(chunk, start);
      chunk.append("\r\n");
    }
    if (chunk.size() >= kChunk) {
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
    if (AppendRowLinePlain(grid, r, text)) text.push_back('\n');
  return text;
}

namespace {

bool WriteGridFile(const RecordGrid& grid, const std::string& path, std::string* reason, const SaveProgress& progress) {
  TextFileWriter w;
  if (!w.Open(path, reason)) return false;
  WriteGridText(grid, w, progress);
  return w.Commit(reason);
}

}  // namespace

CommandResult SaveGridToFile(const RecordGrid& grid, const std::string& path, const SaveProgress& progress) {
  std::string reason;
  if (!WriteGridFile(grid, path, &reason, progress)) return OpenFileFailure(path, reason);
  return {};
}

}  // namespace corvane
