#include "core/grid/grid_layout.h"

#include "core/text/numbers.h"

namespace corvane {

const char* DefaultColumnCaption(int col) {
  static const char* const kDefaults[RecordGrid::kCols] = {"NUM",   "MARK",  "PT#",    "DATA1",  "DATA2",
                                                           "DATA3", "DATA4", "DATA5",  "DATA6",  "DATA7",
                                                           "DATA8", "DATA9", "DATA10", "DATA11", "DATA12"};
  return (col >= 0 && col < RecordGrid::kCols) ? kDefaults[col] : "";
}

bool CoordinateCaptionsSwapped(const ISettingsReader& settings) {
  return CAtoi(settings.ReadSetting(SettingsSection::OtherSet, "CoorType", "0")) == 1;
}

ColumnCaptions ReadColumnCaptions(const CaptionReader& captions, const ISettingsReader& settings) {
  ColumnCaptions out;
  for (int c = 0; c < RecordGrid::kCols; ++c)
    out[static_cast<size_t>(c)] = captions.Read("FirstMark", "Cols" + FormatInt(c), DefaultColumnCaption(c));
  if (CoordinateCaptionsSwapped(settings)) std::swap(out[col::kPlane1], out[col::kPlane2]);
  return out;
}

void FillHeaderRow(RecordGrid& grid, const ColumnCaptions& captions) {
  if (grid.RowCount() < 1) grid.SetRowCount(1);
  RecordGrid::RowCells cells;
  for (size_t c = 0; c < cells.size(); ++c) cells[c] = captions[c];
  grid.SetRow(0, cells);
  // A long job stays whole: rows past 700 that hold text are kept, empty ones go.
  int count = grid.RowCount();
  while (count > kFreshRowCount && grid.RowIsEmptyFrom(count - 1, 0)) --count;
  grid.SetRowCount(count > kFreshRowCount ? count : kFreshRowCount);
  for (int r = 1; r <= kNumberedFreshRows; ++r) grid.SetCell(r, 0, FormatInt(r));
}

void RefreshCoordinateHeaders(RecordGrid& grid, const CaptionReader& captions, const ISettingsReader& settings) {
  std::string c7 = captions.Read("FirstMark", "Cols7", "DATA5");
  std::string c8 = captions.Read("FirstMark", "Cols8", "DATA6");
  if (CAtoi(settings.ReadSetting(SettingsSection::OtherSet, "CoorType", "0")) != 0) std::swap(c7, c8);
  grid.SetCell(0, col::kPlane1, c7);
  grid.SetCell(0, col::kPlane2, c8);
}

int ColumnWidthPixels(int col, int dotsPerInch) {
  if (col < 0 || col >= RecordGrid::kCols || dotsPerInch <= 0) return 0;
  return TwipsToPixels(kColumnWidthsTwips[static_cast<size_t>(col)], dotsPerInch);
}

int TwipsToPixels(int twips, int dotsPerInch) {
  if (dotsPerInch <= 0) return 0;
  int twipsPerPixel = 1440 / dotsPerInch;
  if (twipsPerPixel <= 0) twipsPerPixel = 1;
  return twips / twipsPerPixel;
}

}  // namespace corvane
