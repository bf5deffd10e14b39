#include "core/grid/record_grid.h"

#include <sys/mman.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace corvane {
namespace {

// Text blocks grow from 64 KiB (a small job stays small) to 2 MiB, aligned so that
// the kernel can back each with one huge page: a long job then costs a few dozen
// page faults instead of tens of thousands.
constexpr size_t kFirstBlockBytes = 64 << 10;
constexpr size_t kBlockBytes = 2 << 20;
// A row keeps at most 4 GiB of text; beyond that cells are cut.
constexpr size_t kMaxRowText = std::numeric_limits<uint32_t>::max();
// Column 0 texts up to this length take one length byte; longer ones take five.
constexpr unsigned char kLongNumber = 0xFF;

void WriteEnd(char* p, unsigned width, uint32_t value) {
  if (width == 1) {
    *p = static_cast<char>(value);
  } else if (width == 2) {
    const uint16_t v = static_cast<uint16_t>(value);
    std::memcpy(p, &v, 2);
  } else {
    std::memcpy(p, &value, 4);
  }
}

// memcpy for the short texts of cells, without a call for each.
inline void CopyBytes(char* d, const char* s, size_t n) {
  if (n > 16) {
    std::memcpy(d, s, n);
  } else if (n >= 8) {
    uint64_t a, b;
    std::memcpy(&a, s, 8);
    std::memcpy(&b, s + n - 8, 8);
    std::memcpy(d, &a, 8);
    std::memcpy(d + n - 8, &b, 8);
  } else if (n >= 4) {
    uint32_t a, b;
    std::memcpy(&a, s, 4);
    std::memcpy(&b, s + n - 4, 4);
    std::memcpy(d, &a, 4);
    std::memcpy(d + n - 4, &b, 4);
  } else if (n > 0) {
    d[0] = s[0];
    d[n / 2] = s[n / 2];
    d[n - 1] = s[n - 1];
  }
}

}  // namespace

void* RecordGrid::AllocateLarge(size_t bytes) {
  void* p = nullptr;
  if (bytes < kBlockBytes) {
    p = std::malloc(bytes ? bytes : 1);
  } else {
    const size_t size = (bytes + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
    p = std::aligned_alloc(kBlockBytes, size);
#ifdef MADV_HUGEPAGE
    if (p) ::madvise(p, size, MADV_HUGEPAGE);
#endif
  }
  if (!p) throw std::bad_alloc();
  return p;
}

void RecordGrid::FreeLarge(void* p) {
  std::free(p);
}

void RecordGrid::BlockFree::operator()(char* p) const {
  FreeLarge(p);
}

RecordGrid::Block RecordGrid::NewBlock(size_t n) {
  const size_t size = n < kBlockBytes ? n : (n + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
  blockBytes_ += size;
  return Block(static_cast<char*>(AllocateLarge(size)));
}

RecordGrid::RecordGrid(const RecordGrid& other) {
  *this = other;
}

RecordGrid& RecordGrid::operator=(const RecordGrid& other) {
  if (this != &other) CopyFrom(other, other.RowCount());
  return *this;
}

RecordGrid RecordGrid::FirstRows(int count) const {
  RecordGrid part;
  part.CopyFrom(*this, std::clamp(count, 0, RowCount()));
  return part;
}

void RecordGrid::CopyFrom(const RecordGrid& other, int count) {
  rows_.clear();
  blocks_.clear();
  free_ = nullptr;
  left_ = 0;
  blockBytes_ = 0;
  rows_.resize(static_cast<size_t>(count));
  for (int r = 0; r < count; ++r) {
    RowCells cells;
    for (int c = 0; c < kCols; ++c) cells[static_cast<size_t>(c)] = other.Cell(r, c);
    SetRow(r, cells);
  }
}

void RecordGrid::Resize(int count) {
  rows_.resize(static_cast<size_t>(std::max(count, 0)));
}

void RecordGrid::ReserveRows(int count) {
  if (count > 0) rows_.reserve(static_cast<size_t>(count));
}

std::string_view RecordGrid::NumberText(const char* p) {
  if (!p) return {};
  const auto len = static_cast<unsigned char>(*p);
  if (len != kLongNumber) return {p + 1, len};
  uint32_t n;
  std::memcpy(&n, p + 1, 4);
  return {p + 5, n};
}

bool RecordGrid::AppendDataColumns(int row, char separator, std::string& out) const {
  if (row < 0 || row >= RowCount()) return false;
  const char* p = rows_[static_cast<size_t>(row)].data;
  if (!p) return false;
  const unsigned count = static_cast<unsigned char>(p[0]);
  const unsigned width = static_cast<unsigned char>(p[1]);
  const char* ends = p + 2;
  const char* text = ends + count * width;
  const size_t from = out.size();
  out.resize(from + End(ends, width, static_cast<int>(count) - 1) + count - 1);
  char* o = out.data() + from;
  uint32_t start = 0;
  for (unsigned c = 0; c < count; ++c) {
    const uint32_t stop = End(ends, width, static_cast<int>(c));
    CopyBytes(o, text + start, stop - start);
    o += stop - start;
    if (c + 1 < count) *o++ = separator;
    start = stop;
  }
  return true;
}

char* RecordGrid::Allocate(size_t n) {
  if (n > left_) {
    // Large rows get a block of their own; the current block stays in use.
    if (n > kBlockBytes / 4) {
      blocks_.push_back(NewBlock(n));
      return blocks_.back().get();
    }
    const size_t size = std::max(n, std::clamp(blockBytes_, kFirstBlockBytes, kBlockBytes));
    blocks_.push_back(NewBlock(size));
    free_ = blocks_.back().get();
    left_ = size;
  }
  char* p = free_;
  free_ += n;
  left_ -= n;
  return p;
}

const char* RecordGrid::StoreNumber(std::string_view text) {
  if (text.empty()) return nullptr;
  text = text.substr(0, kMaxRowText);
  if (text.size() < kLongNumber) {
    char* p = Allocate(text.size() + 1);
    p[0] = static_cast<char>(text.size());
    std::memcpy(p + 1, text.data(), text.size());
    return p;
  }
  char* p = Allocate(text.size() + 5);
  p[0] = static_cast<char>(kLongNumber);
  const auto n = static_cast<uint32_t>(text.size());
  std::memcpy(p + 1, &n, 4);
  std::memcpy(p + 5, text.data(), text.size());
  return p;
}

const char* RecordGrid::StoreData(const RowCells& cells) {
  unsigned count = 0;
  size_t total = 0;
  for (unsigned c = 1; c < kCols; ++c) {
    if (!cells[c].empty()) count = c;
    total += cells[c].size();
  }
  if (count == 0) return nullptr;
  total = std::min(total, kMaxRowText);
  const unsigned width = total <= 0xFF ? 1 : total <= 0xFFFF ? 2 : 4;
  char* p = Allocate(2 + count * width + total);
  p[0] = static_cast<char>(count);
  p[1] = static_cast<char>(width);
  char* text = p + 2 + count * width;
  size_t pos = 0;
  for (unsigned c = 1; c <= count; ++c) {
    const size_t n = std::min(cells[c].size(), total - pos);
    CopyBytes(text + pos, cells[c].data(), n);
    pos += n;
    WriteEnd(p + 2 + (c - 1) * width, width, static_cast<uint32_t>(pos));
  }
  return p;
}

void RecordGrid::SetRow(int row, const RowCells& cells) {
  if (row < 0 || row >= RowCount()) return;
  Row fresh{StoreNumber(cells[0]), StoreData(cells)};
  rows_[static_cast<size_t>(row)] = fresh;
}

void RecordGrid::SetCell(int row, int col, std::string_view text) {
  if (row < 0 || row >= RowCount() || col < 0 || col >= kCols) return;
  Row& r = rows_[static_cast<size_t>(row)];
  // Stored texts never move, so the new text may view this grid's own cells.
  if (col == 0) {
    r.number = StoreNumber(text);
    return;
  }
  RowCells cells;
  for (int c = 1; c < kCols; ++c) cells[static_cast<size_t>(c)] = DataCell(r.data, c);
  cells[static_cast<size_t>(col)] = text;
  r.data = StoreData(cells);
}

void RecordGrid::CopyDataColumns(int from, int to) {
  if (to < 0 || to >= RowCount()) return;
  // Stored texts are never changed, so two rows may share them.
  rows_[static_cast<size_t>(to)].data =
      from >= 0 && from < RowCount() ? rows_[static_cast<size_t>(from)].data : nullptr;
}

void RecordGrid::AdoptNumberedRows(RecordGrid&& part, int base) {
  if (part.RowCount() <= 1 || base < 0 || base > kMaxGridRows - part.RowCount()) return;
  SetRowCount(base + part.RowCount());
  char digits[24];
  for (int r = 1; r < part.RowCount(); ++r) {
    const Row& from = part.rows_[static_cast<size_t>(r)];
    if (!from.number) continue;
    Row& to = rows_[static_cast<size_t>(base + r)];
    to.data = from.data;
    to.number = StoreNumber(std::string_view(
        digits, static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, base + r).ptr - digits)));
  }
  for (Block& b : part.blocks_) blocks_.push_back(std::move(b));
  blockBytes_ += part.blockBytes_;
  part = RecordGrid();
}

void RecordGrid::ClearAll() {
  std::fill(rows_.begin(), rows_.end(), Row{});
  blocks_.clear();
  free_ = nullptr;
  left_ = 0;
  blockBytes_ = 0;
}

bool RecordGrid::RowIsEmptyFrom(int row, int firstCol) const {
  if (row < 0 || row >= RowCount()) return true;
  const Row& r = rows_[static_cast<size_t>(row)];
  if (firstCol <= 0 && r.number && !NumberText(r.number).empty()) return false;
  const int from = std::max(firstCol, 1);
  for (int c = from; c < kCols; ++c)
    if (!DataCell(r.data, c).empty()) return false;
  return true;
}

size_t RecordGrid::MemoryBytes() const {
  return rows_.capacity() * sizeof(Row) + blockBytes_;
}

}  // namespace corvane
