#include "core/traverse/control_points.h"

#include <cmath>

#include "core/compute/station_import.h"
#include "core/file_texts.h"
#include "core/text/numbers.h"
#include "core/text/text_file.h"
#include "core/text/text_helpers.h"

namespace corvane::traverse {
namespace {

constexpr size_t kLabelBytes = 40;

CommandResult LineFailure(int line, const std::string& name, const char* what, std::string_view text) {
  std::string message = "Line " + FormatInt(line) + " of the control file: the " + what + " of '" + PointLabel(name) +
                        "' ";
  const std::string_view shown = TrimWhite(text);
  if (shown.empty())
    message += "is missing.";
  else
    message += "is not a finite number ('" + PointLabel(shown) + "').";
  return CommandResult::Failure(message);
}

}  // namespace

const KnownPoint* ControlPoints::Find(std::string_view name) const {
  const auto it = byName_.find(std::string(name));
  return it == byName_.end() ? nullptr : &points_[it->second];
}

bool ControlPoints::Add(KnownPoint point) {
  const auto [it, added] = byName_.emplace(point.name, points_.size());
  if (added) points_.push_back(std::move(point));
  return added;
}

std::string PointLabel(std::string_view name) {
  if (name.size() <= kLabelBytes) return std::string(name);
  // Whole characters only: a GBK lead byte (0x81..0xFE) takes the byte after it.
  size_t cut = 0;
  while (cut < kLabelBytes) {
    const auto c = static_cast<unsigned char>(name[cut]);
    const size_t width = c >= 0x81 && c <= 0xFE && cut + 1 < name.size() ? 2 : 1;
    if (cut + width > kLabelBytes) break;
    cut += width;
  }
  return std::string(name.substr(0, cut)) + "... (" + FormatInt(static_cast<long long>(name.size())) +
         " characters)";
}

bool StrictNumber(std::string_view text, double& value) {
  const std::string_view trimmed = TrimWhite(text);
  if (trimmed.empty() || DecimalNumberLength(trimmed) != trimmed.size()) return false;
  value = CAtof(text);
  return std::isfinite(value);
}

CommandResult ParseControlText(std::string_view text, int format, ControlPoints& out) {
  PoligonFieldPick pick{};
  if (!PickPoligonFields(format, pick))
    return CommandResult::Failure("The control file format " + FormatInt(format) + " has no point layout.");
  int line = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view raw = text.substr(start, end - start);
    start = end + 1;
    ++line;
    if (TrimWhite(raw).empty()) continue;
    const PoligonLine parsed = SplitPoligonLine(raw);
    if (parsed.bareName) continue;
    const auto& f = parsed.fields;
    KnownPoint p;
    p.name = f[0];
    p.line = line;
    p.northText = f[static_cast<size_t>(pick.north)];
    p.eastText = f[static_cast<size_t>(pick.east)];
    p.heightText = f[static_cast<size_t>(pick.height)];
    if (!StrictNumber(p.northText, p.north)) return LineFailure(line, p.name, "northing", p.northText);
    if (!StrictNumber(p.eastText, p.east)) return LineFailure(line, p.name, "easting", p.eastText);
    if (!TrimWhite(p.heightText).empty()) {
      double h = 0;
      if (!StrictNumber(p.heightText, h)) return LineFailure(line, p.name, "height", p.heightText);
      p.height = h;
    }
    if (const KnownPoint* before = out.Find(p.name)) {
      if (before->north == p.north && before->east == p.east && before->height == p.height) continue;
      return CommandResult::Failure("Line " + FormatInt(line) + " of the control file gives '" + PointLabel(p.name) +
                                    "' other coordinates than line " + FormatInt(before->line) + ".");
    }
    out.Add(std::move(p));
  }
  return {};
}

CommandResult ReadControlFile(const std::string& path, int format, ControlPoints& out) {
  std::string bytes, reason;
  if (!ReadFileBytes(path, bytes, &reason)) return OpenFileFailure(path, reason);
  return ParseControlText(bytes, format, out);
}

}  // namespace corvane::traverse
