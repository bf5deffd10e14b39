#pragma once
// The record grid: row 0 holds the column captions, rows 1.. hold one text line
// each, split into 15 text cells. The cells are the data; nothing is typed.
//
// The texts live in large blocks owned by the grid, written once and never
// changed: a row is two pointers (column 0, and columns 1..14 with their cell
// boundaries), so an empty numbered row costs about 25 bytes and a job of a
// million lines needs no allocation per row. Changing a row writes its new text
// to the blocks; the old text stays until ClearAll. Views returned by Cell()
// stay valid until ClearAll, a copy assignment or the grid's end.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/grid/grid_columns.h"

namespace corvane {

// Rows a grid can hold (row numbers are ints).
inline constexpr int kMaxGridRows = std::numeric_limits<int>::max() - 1;

class RecordGrid final {
 public:
  static constexpr int kCols = 15;
  using RowCells = std::array<std::string_view, kCols>;

  RecordGrid() = default;
  RecordGrid(const RecordGrid& other);
  RecordGrid& operator=(const RecordGrid& other);
  RecordGrid(RecordGrid&&) noexcept = default;
  RecordGrid& operator=(RecordGrid&&) noexcept = default;

  int RowCount() const { return static_cast<int>(rows_.size()); }
  int ColCount() const { return kCols; }
  // Keeps the rows that remain; added rows are empty; a smaller count drops rows.
  void SetRowCount(int count) {
    if (static_cast<size_t>(count) == rows_.size() + 1)
      rows_.emplace_back();
    else if (count < 0 || static_cast<size_t>(count) != rows_.size())
      Resize(count);
  }
  // Room for this many rows without growing again.
  void ReserveRows(int count);

  // Empty text outside the grid.
  std::string_view Cell(int row, int col) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= kCols) return {};
    const Row& r = rows_[static_cast<size_t>(row)];
    return col == 0 ? NumberText(r.number) : DataCell(r.data, col);
  }
  // Ignored outside the grid.
  void SetCell(int row, int col, std::string_view text);
  // Replaces all 15 cells of a row at once.
  void SetRow(int row, const RowCells& cells);
  // Row `to` takes columns 1..14 of row `from` and keeps its own column 0.
  void CopyDataColumns(int from, int to);
  // Puts the rows 1.. of `part` that hold a number at rows base+1.., numbered
  // base+1..; the row count becomes base + part's. The grid takes part's texts.
  void AdoptNumberedRows(RecordGrid&& part, int base);
  // A grid of its own holding the first `count` rows of this one (every row when
  // the grid has fewer).
  RecordGrid FirstRows(int count) const;
  // Every cell empty; the row count stays.
  void ClearAll();
  bool RowIsEmptyFrom(int row, int firstCol) const;
  // Appends columns 1..L of the row joined by `separator`, L the last column that
  // holds text; false (nothing appended) when columns 1..14 are all empty.
  bool AppendDataColumns(int row, char separator, std::string& out) const;
  // The last of columns 1..14 that holds text in the row; 0 when none does.
  int LastDataColumn(int row) const {
    if (row < 0 || row >= RowCount()) return 0;
    const char* p = rows_[static_cast<size_t>(row)].data;
    return p ? static_cast<unsigned char>(p[0]) : 0;
  }

  // Bytes held by the grid (row records and text blocks), for memory accounting.
  size_t MemoryBytes() const;

 private:
  struct Row {
    const char* number = nullptr;  // column 0: a length, then the text
    const char* data = nullptr;    // columns 1..14: count, width, cell ends, texts
  };
  struct BlockFree {
    void operator()(char* p) const;
  };
  using Block = std::unique_ptr<char, BlockFree>;
  Block NewBlock(size_t n);
  void Resize(int count);
  // Replaces this grid's rows by copies of the first `count` rows of `other`.
  void CopyFrom(const RecordGrid& other, int count);
  static std::string_view NumberText(const char* p);
  static uint32_t End(const char* ends, unsigned width, int i) {
    if (width == 1) return static_cast<unsigned char>(ends[i]);
    if (width == 2) {
      uint16_t v;
      std::memcpy(&v, ends + 2 * i, 2);
      return v;
    }
    uint32_t v;
    std::memcpy(&v, ends + 4 * i, 4);
    return v;
  }
  static std::string_view DataCell(const char* p, int col) {
    if (!p) return {};
    const unsigned count = static_cast<unsigned char>(p[0]);
    if (static_cast<unsigned>(col) > count) return {};
    const unsigned width = static_cast<unsigned char>(p[1]);
    const char* ends = p + 2;
    const uint32_t start = col == 1 ? 0 : End(ends, width, col - 2);
    return {ends + count * width + start, End(ends, width, col - 1) - start};
  }
  const char* StoreNumber(std::string_view text);
  const char* StoreData(const RowCells& cells);
  char* Allocate(size_t n);

  // Memory of 2 MiB and more comes in huge pages where the kernel allows it.
  template <class T>
  struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(AllocateLarge(n * sizeof(T))); }
    void deallocate(T* p, size_t) { FreeLarge(p); }
    bool operator==(const LargeAllocator&) const { return true; }
  };
  static void* AllocateLarge(size_t bytes);
  static void FreeLarge(void* p);

  std::vector<Row, LargeAllocator<Row>> rows_;
  std::vector<Block> blocks_;
  char* free_ = nullptr;
  size_t left_ = 0;
  size_t blockBytes_ = 0;
};

}  // namespace corvane
