#include "core/compute/station_table.h"

#include "core/compute/point_format.h"
#include "core/text/numbers.h"

namespace corvane {

const StationEntry& StationTable::Entry(int i) const {
  static const StationEntry kEmpty;
  if (i < 1 || i > StationCount()) return kEmpty;
  return entries_[static_cast<size_t>(i) - 1];
}

void StationTable::SetStationCount(int count) { entries_.resize(count > 0 ? static_cast<size_t>(count) : 0); }

CommandResult ScanStations(const RecordGrid& grid, StationTable& table) {
  table.Clear();
  const bool enz = CoordinateOrder(grid) == '2';
  for (int r = 1; r < grid.RowCount(); ++r) {
    const std::string_view kind = grid.Cell(r, col::kKind);
    if (kind != "ST" && kind != "BS") continue;
    if (grid.Cell(r, col::kName).empty())
      return CommandResult::Failure("Lost Point name in line:" + FormatInt(r), {}, MessageIcon::None);
    StationEntry& e = table.Append();
    e.name = grid.Cell(r, col::kName);
    e.north = grid.Cell(r, enz ? 8 : 7);
    e.east = grid.Cell(r, enz ? 7 : 8);
    e.height = grid.Cell(r, col::kHeight);
    e.property = kind == "ST" ? "STN" : "BKB";
  }
  return {};
}

}  // namespace corvane
