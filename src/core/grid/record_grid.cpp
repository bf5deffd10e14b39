#include "core/grid/record_grid.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace corvane {

RecordGrid::RecordGrid(const RecordGrid& other) { *this = other; }

RecordGrid& RecordGrid::operator=(const RecordGrid& other) {
  if (this == &other) return *this;
  rows_.clear();
  rows_.resize(other.rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i) {
    const Row& src = other.rows_[i];
    rows_[i].end = src.end;
    if (src.Size() > 0) {
      rows_[i].data = std::make_unique_for_overwrite<char[]>(src.Size());
      std::memcpy(rows_[i].data.get(), src.data.get(), src.Size());
    }
  }
  return *this;
}

void RecordGrid::SetRowCount(int count) {
  if (count < 0) count = 0;
  rows_.resize(static_cast<size_t>(count));
}

std::string_view RecordGrid::Cell(int row, int col) const {
  if (row < 0 || row >= RowCount() || col < 0 || col >= kCols) return {};
  const Row& r = rows_[static_cast<size_t>(row)];
  const uint32_t start = col == 0 ? 0 : r.end[static_cast<size_t>(col) - 1];
  const uint32_t stop = r.end[static_cast<size_t>(col)];
  if (stop == start) return {};
  return std::string_view(r.data.get() + start, stop - start);
}

void RecordGrid::Assign(Row& row, const RowCells& cells) {
  size_t total = 0;
  for (const auto& c : cells) total += c.size();
  // A row keeps at most 4 GiB of text; beyond that cells are cut.
  constexpr size_t kMax = std::numeric_limits<uint32_t>::max();
  std::unique_ptr<char[]> data = total ? std::make_unique_for_overwrite<char[]>(std::min(total, kMax)) : nullptr;
  size_t pos = 0;
  for (size_t i = 0; i < cells.size(); ++i) {
    size_t n = std::min(cells[i].size(), kMax - pos);
    if (n) std::memcpy(data.get() + pos, cells[i].data(), n);
    pos += n;
    row.end[i] = static_cast<uint32_t>(pos);
  }
  row.data = std::move(data);
}

void RecordGrid::SetRow(int row, const RowCells& cells) {
  if (row < 0 || row >= RowCount()) return;
  Assign(rows_[static_cast<size_t>(row)], cells);
}

void RecordGrid::SetCell(int row, int col, std::string_view text) {
  if (row < 0 || row >= RowCount() || col < 0 || col >= kCols) return;
  Row& r = rows_[static_cast<size_t>(row)];
  // The new text may point into this row's own buffer; copy it before rebuilding.
  std::string copy(text);
  RowCells cells;
  for (int c = 0; c < kCols; ++c) cells[static_cast<size_t>(c)] = Cell(row, c);
  cells[static_cast<size_t>(col)] = copy;
  Row fresh;
  Assign(fresh, cells);
  r = std::move(fresh);
}

void RecordGrid::ClearRow(int row) {
  if (row < 0 || row >= RowCount()) return;
  rows_[static_cast<size_t>(row)] = Row{};
}

void RecordGrid::ClearAll() {
  for (Row& r : rows_) r = Row{};
}

bool RecordGrid::RowIsEmptyFrom(int row, int firstCol) const {
  if (row < 0 || row >= RowCount()) return true;
  const Row& r = rows_[static_cast<size_t>(row)];
  const uint32_t start = firstCol <= 0 ? 0 : r.end[static_cast<size_t>(firstCol) - 1];
  return r.Size() == start;
}

size_t RecordGrid::MemoryBytes() const {
  size_t total = rows_.capacity() * sizeof(Row);
  for (const Row& r : rows_) total += r.Size();
  return total;
}

}  // namespace corvane
