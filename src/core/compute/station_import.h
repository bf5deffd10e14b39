#pragma once
// What the station import dialog does, without its window: the grid of station
// and backsight entries it shows, Inport of a traverse ("poligon") file, Save as
// and OK. The dialog window drives one of these and shows its grid.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/compute/command_result.h"
#include "core/compute/station_table.h"

namespace corvane {

struct StationDialogCaptions {
  int languageIndex = 0;  // the dialog's own language value
  std::string title;
  std::string inport;
  std::string saveAs;
};
// Captions of section "Stnbs", from the caption file of the dialog's own language
// (the program's language when the dialog has none stored).
StationDialogCaptions ReadStationDialogCaptions(const std::string& settingsFolder, int programLanguage);

// One line of a traverse ("poligon") file as Inport reads it: line ends removed,
// the separator chosen (a comma, else a semicolon, else a blank, else a tab),
// double quotes dropped and runs of blanks made one. A line whose separator is
// missing or comes only first is a bare point name; otherwise it is split into
// at most ten fields (text after the tenth is ignored).
struct PoligonLine {
  std::string text;
  bool bareName = false;
  std::array<std::string, 10> fields;
};
PoligonLine SplitPoligonLine(std::string_view raw);

// Which fields of a delimited line hold northing, easting and height, by the
// import format code: 0 name,N,E,Z; 1 and 6 name,E,N,Z; 2 name,any,N,E,Z;
// 3 name,any,E,N,Z; 4 name,any,any,N,E,Z; 5 name,any,any,E,N,Z. False for any
// other code.
struct PoligonFieldPick {
  int north, east, height;
};
bool PickPoligonFields(int format, PoligonFieldPick& pick);

class StationImportModel final {
 public:
  static constexpr int kCols = 7;
  static constexpr int kInitialRows = 25;
  // Fixed header texts and widths (twips) of the columns.
  static const char* ColumnHeader(int col);
  static int ColumnWidthTwips(int col);

  // Opening: 25 rows numbered 1..24; with entries in the table, one row per entry.
  explicit StationImportModel(const StationTable& table);

  int RowCount() const { return static_cast<int>(rows_.size()); }
  // Empty text outside the grid.
  std::string_view Cell(int row, int col) const;

  // Inport with the import dialog's answer "{format}{path}" (empty: cancelled).
  // Line k of the file belongs to entry k+1; the table itself is not changed.
  CommandResult Inport(std::string_view answer);
  // Inport of the file at path read with a format code (0..6).
  CommandResult Inport(int format, const std::string& path);
  // Inport of lines held in memory ("\n" between them), read as a file of them is.
  void InportText(int format, std::string_view text);
  // Writes the rows as comma-separated lines to the full path chosen.
  CommandResult SaveAs(const std::string& path) const;
  // The text Save as writes ("\n" line ends, stored as CR LF).
  std::string SavedText() const;
  // OK: the rows become the table's entries.
  void Ok(StationTable& table) const;

 private:
  using Row = std::array<std::string, kCols>;
  void SetRowCount(int count);
  void ImportLine(int k, std::string_view raw, int format);
  const StationTable& table_;
  std::vector<Row> rows_;
};

}  // namespace corvane
