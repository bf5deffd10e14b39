#include "core/grid/grid_loading.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>

#include "core/file_texts.h"
#include "core/text/numbers.h"
#include "core/text/text_file.h"
#include "core/text/text_helpers.h"

namespace corvane {

void LoadLineIntoRow(RecordGrid& grid, int r, std::string_view line) {
  if (line.size() < 2 || r < 0 || r >= kMaxGridRows) return;
  grid.SetRowCount(r + 1);
  char digits[24];
  RecordGrid::RowCells cells{};
  cells[col::kNumber] = FormatIntTo(r, digits);
  const size_t comma = line.find(',');
  if (comma != std::string_view::npos) {
    // A line that starts with a comma (a saved row whose column 1 was empty) keeps
    // column 1 empty and splits the rest as usual.
    cells[col::kMark] = line.substr(0, comma);
    size_t pos = comma + 1;
    for (int col = 2; col < RecordGrid::kCols; ++col) {
      const size_t next = line.find(',', pos);
      if (next == std::string_view::npos) {
        cells[static_cast<size_t>(col)] = TrimWhite(line.substr(pos));
        break;
      }
      cells[static_cast<size_t>(col)] = TrimWhite(line.substr(pos, next - pos));
      pos = next + 1;
    }
  } else if (const size_t colon = line.find(':'); colon != std::string_view::npos && colon >= 1) {
    cells[col::kMark] = line.substr(0, colon);
    cells[col::kKind] = line.substr(colon + 1);
  } else {
    const size_t s1 = line.find(' ');
    const size_t s2 = s1 == std::string_view::npos ? std::string_view::npos : line.find(' ', s1 + 1);
    if (s1 != std::string_view::npos) cells[col::kMark] = line.substr(0, s1);
    if (s1 != std::string_view::npos && s2 != std::string_view::npos && s2 > s1 + 1)
      cells[col::kKind] = line.substr(s1 + 1, s2 - s1 - 1);
    cells[col::kName] = s2 == std::string_view::npos ? line : line.substr(s2 + 1);
  }
  grid.SetRow(r, cells);
}

void LoadBufferIntoGrid(RecordGrid& grid, std::string_view text) {
  // The rows are counted first so that the grid holds exactly what it needs.
  size_t ends = 0;
  for (size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", at + 2)) ++ends;
  if (ends > 0) grid.ReserveRows(static_cast<int>(std::min<size_t>(ends + 1, kMaxGridRows)));
  size_t a = text.find("\r\n");
  size_t b = 0;
  int r = 1;
  while (a != std::string_view::npos && r < kMaxGridRows) {
    LoadLineIntoRow(grid, r, TrimLineEnds(text.substr(b, a - b)));
    // A line too short to fill a row still takes its row: the grid grows to hold
    // it instead of being written past its end.
    if (r >= grid.RowCount()) grid.SetRowCount(r + 1);
    char digits[24];
    const std::string_view number = FormatIntTo(r, digits);
    if (grid.Cell(r, col::kNumber) != number) grid.SetCell(r, 0, number);
    b = a;
    a = text.find("\r\n", a + 2);
    ++r;
  }
}

void ShowSentRecord(RecordGrid& grid, int r, std::string_view record) {
  if (record.size() < 2 || r < 0 || r >= kMaxGridRows) return;
  grid.SetRowCount(r + 1);
  const std::string number = FormatInt(r);
  RecordGrid::RowCells cells{};
  cells[col::kNumber] = number;
  std::string parts[5];
  const size_t first = record.find(',');
  if (first != std::string_view::npos && first >= 1) {
    size_t pos = 0;
    for (int i = 0; i < 5; ++i) {
      const size_t next = i < 4 ? record.find(',', pos) : std::string_view::npos;
      if (next == std::string_view::npos) {
        parts[i] = TrimBlanks(record.substr(pos));
        break;
      }
      parts[i] = TrimBlanks(record.substr(pos, next - pos));
      pos = next + 1;
    }
    cells[col::kName] = parts[0];
    cells[col::kPlane1] = parts[1];
    cells[col::kPlane2] = parts[2];
    cells[col::kHeight] = parts[3];
    cells[col::kCode] = parts[4];
  }
  grid.SetRow(r, cells);
}

void ShowUploadedRecord(RecordGrid& grid, unsigned sentLineCount, std::string_view record) {
  if (sentLineCount > static_cast<unsigned>(kFreshRowCount)) grid.SetRowCount(static_cast<int>(sentLineCount) + 1);
  ShowSentRecord(grid, static_cast<int>(sentLineCount), record);
}

void ShowSentCode(RecordGrid& grid, unsigned sentLineCount, std::string_view code) {
  const int r = static_cast<int>(sentLineCount);
  grid.SetRowCount(r + 1);
  const std::string number = FormatInt(r);
  RecordGrid::RowCells cells{};
  cells[col::kNumber] = number;
  cells[col::kCode] = code;
  grid.SetRow(r, cells);
}

void OpenJobWalker::EndLine() {
  if (line_.empty() || n_ >= kMaxGridRows - 1) return;
  ++n_;
  LoadLineIntoRow(grid_, n_, line_);
  line_.clear();
}

void OpenJobWalker::Feed(std::string_view bytes) {
  const size_t n = bytes.size();
  size_t i = 0;
  while (i < n) {
    const char c = bytes[i];
    if (skipLf_) {
      skipLf_ = false;
      if (c == '\n') {
        ++i;
        continue;
      }
    }
    if (pendingBlank_) {
      // A blank is kept only when the byte after it is not a blank.
      pendingBlank_ = false;
      if (c != ' ') line_.push_back(' ');
    }
    if (c == '\r' || c == '\n') {
      EndLine();
      skipLf_ = c == '\r';
      ++i;
    } else if (c == ' ') {
      pendingBlank_ = true;
      ++i;
    } else {
      // Ordinary bytes go over in one run.
      size_t j = i + 1;
      while (j < n && bytes[j] != '\r' && bytes[j] != '\n' && bytes[j] != ' ') ++j;
      line_.append(bytes.data() + i, j - i);
      i = j;
    }
  }
}

void OpenJobWalker::Finish() {
  if (pendingBlank_) line_.push_back(' ');
  pendingBlank_ = false;
  if (!line_.empty() && n_ < kMaxGridRows - 1) {
    LoadLineIntoRow(grid_, n_ + 1, line_);
    line_.clear();
  }
}

void ClearGrid(RecordGrid& grid, const ColumnCaptions& captions) {
  grid.SetRowCount(1);
  grid.ClearAll();
  FillHeaderRow(grid, captions);
}

void OpenJobLineWalker::Feed(std::string_view bytes) {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  const char* lf = nullptr;
  while (p < end) {
    if (!lf || lf < p) {
      lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
      if (!lf) lf = end;
    }
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(lf - p)));
    const char* stop = cr ? cr : lf;
    if (stop == end) {
      carry_.append(p, static_cast<size_t>(end - p));
      return;
    }
    if (carry_.empty()) {
      Line(p, static_cast<size_t>(stop - p));
    } else {
      carry_.append(p, static_cast<size_t>(stop - p));
      Line(carry_.data(), carry_.size());
      carry_.clear();
    }
    p = stop + 1;
  }
}

void OpenJobLineWalker::Finish() {
  Line(carry_.data(), carry_.size());
  carry_.clear();
}

void OpenJobLineWalker::Line(const char* p, size_t len) {
  if (len == 0 || n_ >= kMaxGridRows - 1) return;
  ++n_;
  const std::string_view raw(p, len);
  // Shrinking blanks never adds or moves a comma and never removes the first
  // byte, and trimming a cell commutes with it: a comma line is split where it
  // stands and only cells that hold a run of blanks are copied.
  const char* comma = static_cast<const char*>(std::memchr(p, ',', len));
  if (!comma) {
    LoadLineIntoRow(grid_, n_, Shrink(raw));
    return;
  }
  if (len < 2) return;
  line_.clear();
  line_.reserve(len);  // cells view line_: it must not move
  grid_.SetRowCount(n_ + 1);
  char digits[24];
  RecordGrid::RowCells cells{};
  cells[col::kNumber] = FormatIntTo(n_, digits);
  size_t pos = static_cast<size_t>(comma - p);
  cells[col::kMark] = ShrinkCell(raw.substr(0, pos));
  ++pos;
  for (size_t col = 2; col < RecordGrid::kCols; ++col) {
    const char* next = static_cast<const char*>(std::memchr(p + pos, ',', len - pos));
    if (!next) {
      cells[col] = ShrinkCell(TrimWhite(raw.substr(pos)));
      break;
    }
    const size_t at = static_cast<size_t>(next - p);
    cells[col] = ShrinkCell(TrimWhite(raw.substr(pos, at - pos)));
    pos = at + 1;
  }
  grid_.SetRow(n_, cells);
}

std::string_view OpenJobLineWalker::Shrink(std::string_view text) {
  line_.clear();
  return ShrinkCell(text);
}

std::string_view OpenJobLineWalker::ShrinkCell(std::string_view text) {
  size_t i = 1;
  while (i < text.size() && !(text[i] == ' ' && text[i - 1] == ' ')) ++i;
  if (i >= text.size()) return text;
  const size_t from = line_.size();
  line_.append(text.substr(0, i));
  for (; i < text.size(); ++i)
    if (text[i] != ' ' || text[i - 1] != ' ') line_.push_back(text[i]);
  return std::string_view(line_).substr(from);
}

namespace {

// Reads [from, to) of the file (to = 0: the end) through the walker in 1 MiB
// pieces. `first` reserves rows by the first piece's lines.
void WalkFile(std::FILE* f, size_t from, size_t to, RecordGrid& grid, OpenJobLineWalker& walker, size_t total,
              const std::function<void(size_t, size_t)>& progress) {
  std::string buf(1 << 20, '\0');
  if (from > 0 && std::fseek(f, static_cast<long>(from), SEEK_SET) != 0) return;
  size_t done = from;
  bool first = true;
  for (;;) {
    const size_t want = to ? std::min(buf.size(), to - done) : buf.size();
    if (want == 0) break;
    const size_t n = std::fread(buf.data(), 1, want, f);
    if (n == 0) break;
    if (first && n < total) {
      // Room for the rows the whole file will likely need, judged by its first
      // megabyte, so that the row table is not copied as it grows. Room that is
      // never used costs address space only.
      size_t ends = 0;
      for (const char* p = buf.data(); (p = static_cast<const char*>(std::memchr(p, '\n', buf.data() + n - p))); ++p)
        ++ends;
      // The first half's grid takes the second half's rows too.
      const size_t span = from == 0 ? total : total - from;
      const size_t rows = ends * (span / n + 1) / 8 * 9 + 1024;
      grid.ReserveRows(static_cast<int>(std::min<size_t>(rows, kMaxGridRows)));
    }
    first = false;
    walker.Feed(std::string_view(buf.data(), n));
    done += n;
    if (progress) progress(done, total);
  }
}

// Where the second half of the file starts: just after the first line end at or
// after the middle; 0 when there is none near it.
size_t SplitPoint(std::FILE* f, size_t total) {
  std::string probe(1 << 16, '\0');
  const size_t mid = total / 2;
  if (std::fseek(f, static_cast<long>(mid), SEEK_SET) != 0) return 0;
  const size_t n = std::fread(probe.data(), 1, probe.size(), f);
  std::rewind(f);
  for (size_t i = 0; i < n; ++i)
    if (probe[i] == '\r' || probe[i] == '\n') return mid + i + 1;
  return 0;
}

}  // namespace

CommandResult OpenJobFile(RecordGrid& grid, const std::string& path, const ColumnCaptions& captions,
                          const std::function<void(size_t, size_t)>& progress, size_t parallelFrom) {
  size_t total = 0;
  std::string reason;
  std::FILE* f = OpenFileForReading(path, &total, &reason);
  if (!f) return OpenFileFailure(path, reason);
  ClearGrid(grid, captions);
  OpenJobLineWalker walker(grid);
  const size_t split = total >= parallelFrom ? SplitPoint(f, total) : 0;
  std::FILE* second = split ? OpenFileForReading(path) : nullptr;
  // The second half goes into a grid of its own on another thread; its rows then
  // move behind the first half's, renumbered.
  RecordGrid part;
  std::thread worker;
  if (second) {
    try {
      worker = std::thread([&] {
        OpenJobLineWalker partWalker(part);
        WalkFile(second, split, 0, part, partWalker, total, {});
        partWalker.Finish();
      });
    } catch (const std::system_error&) {
      std::fclose(second);
      second = nullptr;
    }
  }
  WalkFile(f, 0, second ? split : 0, grid, walker, total, progress);
  walker.Finish();
  std::fclose(f);
  if (second) {
    worker.join();
    std::fclose(second);
    grid.AdoptNumberedRows(std::move(part), walker.Lines());
    if (progress) progress(total, total);
  }
  return {};
}

}  // namespace corvane
