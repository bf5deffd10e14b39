#pragma once
// Grids, settings and file helpers shared by the tests of the exports.
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "core/grid/grid_loading.h"
#include "core/grid/record_grid.h"
#include "core/settings/settings_store.h"
#include "support/test_support.h"

namespace corvane::testing {

// A grid whose rows 1.. are the comma-separated lines, split as a loaded job is.
inline RecordGrid JobGrid(const std::vector<std::string>& lines) {
  RecordGrid g;
  g.SetRowCount(1);
  g.SetCell(0, 0, "NUM");
  for (size_t i = 0; i < lines.size(); ++i) {
    const int r = static_cast<int>(i) + 1;
    g.SetRowCount(r + 1);
    LoadLineIntoRow(g, r, lines[i]);
  }
  return g;
}

// "\n" as CR LF, as text-mode files store it.
inline std::string Crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += "\r\n";
    else out.push_back(c);
  }
  return out;
}

class MapSettings final : public ISettingsReader {
 public:
  MapSettings() = default;
  explicit MapSettings(std::map<std::string, std::string> values) : values_(std::move(values)) {}
  std::string ReadSetting(SettingsSection, std::string_view name, std::string_view def) const override {
    auto it = values_.find(std::string(name));
    return it == values_.end() ? std::string(def) : it->second;
  }

 private:
  std::map<std::string, std::string> values_;
};

// Job lines of every kind the point walk meets, in a random order: stations (some
// with no usable coordinates), backsights, coordinate points, polar points in
// changing angle units, rows that list nothing, unnamed points.
inline std::vector<std::string> RandomJobLines(unsigned seed, int count) {
  static const char* const lines[] = {
      "U,ST,S,,,,1000,2000,50,1.5,,STN", "U,ST,S,,,,x,y,z,1.5",  "U,ST,S,,,,0,0,0,1.2",   "U,BS,B,,,0.0000,1100,2000,51",
      "U,BS,B,,,,0,0,0",                 "U,MP,M,,,,1010,2010,52,,,KERB", "U,MP,M,,,,1,-0,1", "U,MP,M,,,,2,0,1", "U,MP,M,,,,3,-5e9,1", "U,CP,,,,,990,1990,49",
      "U,DP,P,100,90.3015,88.0000,,,,,1.5,TREE", "U,DP,,50,180.0000,90.0000,,,,,1.5", "U,DP,P,1e999,1,90",
      "X,AnglUnit,gon",                  "X,AnglUnit,dms",        "V,MP,M,,,,1,2,3",       "U,NT,note"};
  std::vector<std::string> out;
  unsigned state = seed;
  for (int i = 0; i < count; ++i) {
    state = state * 1103515245u + 12345u;
    out.push_back(lines[(state >> 8) % std::size(lines)]);
  }
  return out;
}

}  // namespace corvane::testing
