#pragma once
// What a grid column holds in a row of a given record kind, for the header's
// tooltip and the status bar: the captions stay NUM, MARK, PT#, DATA1..., the
// hint says "ST: station name", "DP: slope distance". Texts come from section
// "Columns" of the caption file (keys such as "ST7"), English by default.
#include <QString>
#include <string_view>

namespace corvane::gui {

class GuiContext;

// The record kind a row's column 2 names ("ST", "DP"...; "" for any other row).
std::string_view RecordKindOf(std::string_view kindCell);

// "ST: station northing (easting in ENZ jobs)"; for a row of no known kind the
// meaning the column has in every line.
QString ColumnHint(const GuiContext& context, std::string_view kind, int col);

}  // namespace corvane::gui
