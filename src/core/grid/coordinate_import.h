#pragma once
// Reading a plain coordinate list into the grid, one point per row.
#include <string>
#include <string_view>

#include "core/command_result.h"
#include "core/grid/record_grid.h"
#include "core/settings/settings_store.h"

namespace corvane {

struct ImportAnswer {
  int layout = 0;    // the integer in the first braces (16-bit)
  std::string path;  // the text in the last braces
};
// Reads the import dialog's answer "{layout}{path}".
ImportAnswer ParseImportAnswer(std::string_view answer);

// The layout code that follows the first "{" (the station dialog's reading).
int LayoutAfterFirstBrace(std::string_view answer);

// Lays one piece of the file (as read, at most 99 bytes) into row r as the import
// does: the row number in column 0, the fields by the layout (none for a layout
// outside 0..6); enz: "CoorType" is 1, so columns 7 and 8 trade values.
void ImportLineIntoRow(RecordGrid& grid, int r, std::string_view piece, int layout, bool enz);

// Imports the file with the layout; "Open file failed!" (grid untouched) when it
// cannot be read.
CommandResult ImportCoordinates(RecordGrid& grid, const std::string& path, int layout, const ISettingsReader& settings);

}  // namespace corvane
