#pragma once
// Known points of a traverse from a control file: the traverse ("poligon") file
// layout the station dialog imports (format codes 0..6, name first), matched by
// point name. A point with an empty height has an unknown height.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/command_result.h"
#include "core/traverse/traverse_types.h"

namespace corvane::traverse {

class ControlPoints final {
 public:
  // The point of that name, or null.
  const KnownPoint* Find(std::string_view name) const;
  const std::vector<KnownPoint>& Points() const { return points_; }
  // Adds a point; false (nothing added) when the name is there already.
  bool Add(KnownPoint point);

 private:
  std::vector<KnownPoint> points_;
  std::unordered_map<std::string, size_t> byName_;
};

// Reads the control file. Lines that hold only a name and empty lines are
// skipped; a line whose northing or easting is missing or not a finite number,
// whose height is given but not a finite number, or that names a point given
// before with other coordinates ends the reading with a message naming the line
// and the point. A file that cannot be read gives "Open file failed!".
CommandResult ReadControlFile(const std::string& path, int format, ControlPoints& out);
// The same over text held in memory ("\n" between the lines).
CommandResult ParseControlText(std::string_view text, int format, ControlPoints& out);

// A point name for messages: cut after 40 bytes (whole characters) with the
// length said, so a name of any size keeps a message readable.
std::string PointLabel(std::string_view name);

// The cell text as a number when it is one finite decimal number (blanks around
// it allowed); read as the recompute reads cells, so both get the same value.
bool StrictNumber(std::string_view text, double& value);

}  // namespace corvane::traverse
