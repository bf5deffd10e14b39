#pragma once
// Column captions, widths and the header row of the record grid.
#include <array>
#include <string>

#include "core/grid/record_grid.h"
#include "core/settings/captions.h"
#include "core/settings/settings_store.h"

namespace corvane {

// Widths in twips (1/1440 inch) of columns 0..14.
inline constexpr std::array<int, RecordGrid::kCols> kColumnWidthsTwips = {400,  400, 650, 800, 900, 850, 850, 1250,
                                                                          1250, 900, 750, 750, 700, 700, 700};
// Rows a fresh grid has: the header row and 699 data rows.
inline constexpr int kFreshRowCount = 700;
// Data rows that get a number in a fresh grid.
inline constexpr int kNumberedFreshRows = 24;

using ColumnCaptions = std::array<std::string, RecordGrid::kCols>;

// The default (English) caption of a column.
const char* DefaultColumnCaption(int col);

// "Cols0".."Cols14" from section "FirstMark"; with "CoorType" 1 the captions of
// columns 7 and 8 trade places.
ColumnCaptions ReadColumnCaptions(const CaptionReader& captions, const ISettingsReader& settings);

// Writes the captions into row 0, sets the row count to 700 and numbers rows
// 1..24. A grid holding more rows keeps them all.
void FillHeaderRow(RecordGrid& grid, const ColumnCaptions& captions);

// Rewrites only the captions of columns 7 and 8 (the data page coming back to the
// front after the coordinate order may have changed).
void RefreshCoordinateHeaders(RecordGrid& grid, const CaptionReader& captions, const ISettingsReader& settings);

// True when the "CoorType" setting is 1 (the two plane coordinate captions swap).
bool CoordinateCaptionsSwapped(const ISettingsReader& settings);

// Width in pixels of a column for a screen of the given dots per inch.
int ColumnWidthPixels(int col, int dotsPerInch);
// A width in twips in whole pixels of such a screen (at least one twip per pixel).
int TwipsToPixels(int twips, int dotsPerInch);

}  // namespace corvane
