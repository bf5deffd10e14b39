#pragma once
// The record grid: row 0 holds the column captions, rows 1.. hold one text line
// each, split into 15 text cells. The cells are the data; nothing is typed.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

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
  void SetRowCount(int count);

  // Empty text outside the grid.
  std::string_view Cell(int row, int col) const;
  // Ignored outside the grid.
  void SetCell(int row, int col, std::string_view text);
  // Replaces all 15 cells of a row at once.
  void SetRow(int row, const RowCells& cells);
  void ClearRow(int row);
  // Every cell empty; the row count stays.
  void ClearAll();
  bool RowIsEmptyFrom(int row, int firstCol) const;

  // Bytes held by the grid (cells and row records), for memory accounting.
  size_t MemoryBytes() const;

 private:
  struct Row {
    std::unique_ptr<char[]> data;
    std::array<uint32_t, kCols> end{};  // end offset of each cell in data
    size_t Size() const { return end[kCols - 1]; }
  };
  static void Assign(Row& row, const RowCells& cells);
  std::vector<Row> rows_;
};

}  // namespace corvane
