#pragma once
// Laying text into the grid: one line per row.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "core/command_result.h"
#include "core/grid/grid_layout.h"
#include "core/grid/record_grid.h"

namespace corvane {

// Replaces row r with the split of one line (commas, a key:value header, or
// blanks). Lines shorter than 2 bytes change nothing.
void LoadLineIntoRow(RecordGrid& grid, int r, std::string_view line);

// Lays the CR LF separated lines of a downloaded text into rows 1, 2, 3, ...
// Text after the last CR LF is not loaded. An empty line inside the text gives an
// empty numbered row.
void LoadBufferIntoGrid(RecordGrid& grid, std::string_view text);

// Replaces row r with an uploaded coordinate record (name, two coordinates,
// height, code).
void ShowSentRecord(RecordGrid& grid, int r, std::string_view record);
// What the data page does for one echoed coordinate record: grows the grid past
// 700 rows when needed, then shows it.
void ShowUploadedRecord(RecordGrid& grid, unsigned sentLineCount, std::string_view record);
// What the data page does for one echoed code: the code in column 12 of row r.
void ShowSentCode(RecordGrid& grid, unsigned sentLineCount, std::string_view code);

// The byte walk of the Open button, byte by byte, fed in pieces: line ends (CR, LF,
// CR LF) end a line, runs of blanks shrink to one blank, empty lines leave no row.
// OpenJobFile walks whole lines at a time to the same rows; tests hold the two
// together.
class OpenJobWalker final {
 public:
  explicit OpenJobWalker(RecordGrid& grid) : grid_(grid) {}
  void Feed(std::string_view bytes);
  // Ends the last line.
  void Finish();

 private:
  void EndLine();
  RecordGrid& grid_;
  std::string line_;
  int n_ = 0;
  bool skipLf_ = false;
  bool pendingBlank_ = false;
};

// The same walk over whole lines at a time (what OpenJobFile uses): every CR and
// every LF ends a line (the LF of a CR LF then ends an empty one), a comma line is
// split where it stands and only cells holding a run of blanks are copied.
class OpenJobLineWalker final {
 public:
  explicit OpenJobLineWalker(RecordGrid& grid) : grid_(grid) {}
  void Feed(std::string_view bytes);
  void Finish();
  // Non-empty lines walked so far (each takes a row number).
  int Lines() const { return n_; }

 private:
  // One line as it stands in the file, without its line end.
  void Line(const char* p, size_t len);
  // The whole line with every run of blanks cut to one blank (in line_).
  std::string_view Shrink(std::string_view text);
  // The text itself when it holds no run of blanks, else its shrunk copy appended
  // to line_.
  std::string_view ShrinkCell(std::string_view text);
  RecordGrid& grid_;
  std::string carry_;
  std::string line_;
  int n_ = 0;
};

// Clear's grid part: every cell emptied, then the captions, 700 rows and the
// numbers 1..24.
void ClearGrid(RecordGrid& grid, const ColumnCaptions& captions);

// The Open button after the file dialog: Clear, then the whole file through the
// line walk. "Open file failed!" (grid untouched) when the file cannot be opened.
// `progress` gets (bytes done, bytes in all).
// A file of `parallelFrom` bytes or more is walked in two halves at once, the
// second on a thread of its own; the rows are the same.
inline constexpr size_t kParallelOpenBytes = 8 << 20;
CommandResult OpenJobFile(RecordGrid& grid, const std::string& path, const ColumnCaptions& captions,
                          const std::function<void(size_t, size_t)>& progress = {},
                          size_t parallelFrom = kParallelOpenBytes);

}  // namespace corvane
