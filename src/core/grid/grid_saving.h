#pragma once
// Saving the grid as comma-separated text, one line per data row that holds text.
#include <cstddef>
#include <functional>
#include <string>

#include "core/command_result.h"
#include "core/grid/record_grid.h"
#include "core/text/text_file.h"

namespace corvane {

// Writes rows 1.. to the writer: columns 1..L joined by ",", L the row's last
// non-empty column; each line ends with "\n" (CR LF on disk).
// `progress` gets (rows done, rows in all) now and then.
using SaveProgress = std::function<void(size_t, size_t)>;
void WriteGridText(const RecordGrid& grid, TextFileWriter& out, const SaveProgress& progress = {});
// The same text, "\n" line ends (for tests and the command line).
std::string GridSaveText(const RecordGrid& grid);
// Writes the file atomically; "Open file failed!" (old file untouched) on failure.
CommandResult SaveGridToFile(const RecordGrid& grid, const std::string& path, const SaveProgress& progress = {});

}  // namespace corvane
