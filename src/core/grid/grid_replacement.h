#pragma once
// Changes that replace most of the grid, built as a new grid beside the one they
// replace, so the old grid can be kept whole (for Undo) without a copy of it.
// Each gives exactly what the in-place change makes of the old grid; only the rows
// the change leaves in place are copied.
#include <string_view>

#include "core/grid/record_grid.h"

namespace corvane {

// What LoadBufferIntoGrid makes of `before`.
RecordGrid LoadBufferOver(const RecordGrid& before, std::string_view text);
// What ShowUploadedRecord makes of `before` (the first echoed record of an upload).
RecordGrid ShowUploadedRecordOver(const RecordGrid& before, unsigned sentLineCount, std::string_view record);
// What ShowSentCode makes of `before` (the first echoed code of an upload).
RecordGrid ShowSentCodeOver(const RecordGrid& before, unsigned sentLineCount, std::string_view code);

}  // namespace corvane
