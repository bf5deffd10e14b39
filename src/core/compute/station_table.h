#pragma once
// The station and backsight entries of a job, shared by the recompute and the
// station import dialog. Entries are numbered from 1 and hold texts of any length.
#include <string>
#include <vector>

#include "core/compute/command_result.h"
#include "core/grid/record_grid.h"

namespace corvane {

struct StationEntry {
  std::string name;
  std::string north;
  std::string east;
  std::string height;
  std::string property;  // "STN" for a station, "BKB" for a backsight
  std::string changed;   // "Y" new coordinates imported, "N" copied from a named row, else empty
};

class StationTable final {
 public:
  int StationCount() const { return static_cast<int>(entries_.size()); }
  // Entry i (1-based); an empty entry beyond the count.
  const StationEntry& Entry(int i) const;
  // Entry i for writing (1 <= i <= StationCount()).
  StationEntry& MutableEntry(int i) { return entries_.at(static_cast<size_t>(i) - 1); }
  // Sets the count: entries beyond it are dropped, new ones are empty.
  void SetStationCount(int count);
  StationEntry& Append() { return entries_.emplace_back(); }
  void Clear() { entries_.clear(); }

 private:
  std::vector<StationEntry> entries_;
};

// Rebuilds the table from every "ST" and "BS" row of the grid, in grid order
// (north and east follow the job's coordinate order). A row without a point name
// ends the scan with "Lost Point name in line:%d" (no icon); the table then holds
// the entries before it.
CommandResult ScanStations(const RecordGrid& grid, StationTable& table);

}  // namespace corvane
