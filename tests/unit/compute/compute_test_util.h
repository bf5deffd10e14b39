#pragma once
// Grids, settings and file helpers shared by the tests of the exports.
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

}  // namespace corvane::testing
