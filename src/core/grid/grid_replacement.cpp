#include "core/grid/grid_replacement.h"

#include "core/grid/grid_layout.h"
#include "core/grid/grid_loading.h"
#include "core/text/text_helpers.h"

namespace corvane {
namespace {

// The rows of the old grid a download keeps: a line too short to fill a row
// leaves its row as it was, so every row up to the first line that fills one
// stays; when none does, the whole grid stays.
int RowsKeptByDownload(const RecordGrid& before, std::string_view text) {
  size_t a = text.find("\r\n");
  size_t b = 0;
  for (int r = 1; a != std::string_view::npos && r < kMaxGridRows; ++r) {
    if (TrimLineEnds(text.substr(b, a - b)).size() >= 2) return r;
    b = a;
    a = text.find("\r\n", a + 2);
  }
  return before.RowCount();
}

}  // namespace

RecordGrid LoadBufferOver(const RecordGrid& before, std::string_view text) {
  RecordGrid after = before.FirstRows(RowsKeptByDownload(before, text));
  LoadBufferIntoGrid(after, text);
  return after;
}

RecordGrid ShowUploadedRecordOver(const RecordGrid& before, unsigned sentLineCount, std::string_view record) {
  // A record too short to show leaves every row (the grid may still grow).
  const bool shown = record.size() >= 2 && sentLineCount < static_cast<unsigned>(kMaxGridRows);
  RecordGrid after = before.FirstRows(shown ? static_cast<int>(sentLineCount) : before.RowCount());
  ShowUploadedRecord(after, sentLineCount, record);
  return after;
}

RecordGrid ShowSentCodeOver(const RecordGrid& before, unsigned sentLineCount, std::string_view code) {
  RecordGrid after = before.FirstRows(static_cast<int>(sentLineCount));
  ShowSentCode(after, sentLineCount, code);
  return after;
}

}  // namespace corvane
