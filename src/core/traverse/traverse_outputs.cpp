#include "core/traverse/traverse_outputs.h"

#include <charconv>
#include <cmath>
#include <unordered_map>

#include "core/compute/point_format.h"
#include "core/compute/station_import.h"
#include "core/grid/grid_columns.h"
#include "core/text/codepage.h"
#include "core/text/numbers.h"
#include "core/traverse/control_points.h"
#include "core/traverse/traverse_chain.h"

namespace corvane::traverse {
namespace {

// The longest line the station dialog reads whole (a 100-byte buffer).
constexpr size_t kDialogLineBytes = 99;

struct PointTexts {
  std::string north, east, height;
};

PointTexts KnownTexts(const KnownPoint& p) { return {p.northText, p.eastText, p.heightText}; }

PointTexts StationTexts(const StationResult& s, const std::optional<KnownPoint>& known, std::string_view rowHeight) {
  PointTexts t;
  if (known) t = KnownTexts(*known);
  else t = {Format3(s.north), Format3(s.east), {}};
  if (known && known->height) return t;
  t.height = s.height ? Format3(*s.height) : std::string(rowHeight);
  return t;
}

void AppendJsonString(std::string& out, std::string_view gbk) {
  static const char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : GbkToUtf8(gbk)) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      out += "\\u00";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  out += '"';
}

std::string JsonOptional(const std::optional<double>& v) { return v ? JsonNumber(*v) : "null"; }

}  // namespace

std::string JsonNumber(double value) {
  if (!std::isfinite(value)) return "null";
  if (value == 0) return "0";  // also -0
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, res.ptr);
}

std::string StationFileText(const RecordGrid& grid, const Adjustment& adjustment, std::vector<std::string>* warnings) {
  const Chain& chain = adjustment.chain;
  // What each chain row names: set-up k's station row its station, its
  // backsight row the station before it (the known backsight for the first).
  std::unordered_map<int, PointTexts> chainRows;
  for (size_t k = 0; k < chain.setUps.size(); ++k) {
    const ChainSetUp& s = chain.setUps[k];
    const auto texts = [&](size_t setUp, int row) {
      const StationResult& r = adjustment.stations[static_cast<size_t>(adjustment.stationOfSetUp[setUp])];
      return StationTexts(r, chain.knownStation[setUp], grid.Cell(row, col::kHeight));
    };
    chainRows[s.stationRow] = texts(k, s.stationRow);
    chainRows[s.backsightRow] = k == 0 ? KnownTexts(chain.backsight) : texts(k - 1, s.backsightRow);
    if (k == 0 && !chain.backsight.height) chainRows[s.backsightRow].height = grid.Cell(s.backsightRow, col::kHeight);
  }
  const bool enz = CoordinateOrder(grid) == '2';
  std::string out;
  int line = 0;
  for (int r = 1; r < grid.RowCount(); ++r) {
    const std::string_view kind = grid.Cell(r, col::kKind);
    if (kind != "ST" && kind != "BS") continue;
    ++line;
    const std::string_view name = grid.Cell(r, col::kName);
    PointTexts t;
    if (const auto it = chainRows.find(r); it != chainRows.end())
      t = it->second;
    else
      t = {std::string(grid.Cell(r, enz ? col::kPlane2 : col::kPlane1)),
           std::string(grid.Cell(r, enz ? col::kPlane1 : col::kPlane2)), std::string(grid.Cell(r, col::kHeight))};
    std::string text(name);
    text += ',' + t.north + ',' + t.east + ',' + t.height;
    if (warnings) {
      const PoligonLine back = SplitPoligonLine(text);
      const bool same = !back.bareName && back.fields[0] == name && back.fields[1] == t.north &&
                        back.fields[2] == t.east && back.fields[3] == t.height;
      if (text.size() > kDialogLineBytes || !same)
        warnings->push_back("Line " + FormatInt(line) + " of the station file ('" + PointLabel(name) +
                            "', grid line " + FormatInt(r) + ") does not read back as written in the station dialog" +
                            (text.size() > kDialogLineBytes ? ": it is longer than 99 bytes." : "."));
    }
    out += text;
    out += '\n';
  }
  return out;
}

std::string AdjustmentJson(const Adjustment& a) {
  const Misclosure& m = a.misclosure;
  std::string out = "{\"method\": \"";
  out += MethodName(a.method);
  out += "\", \"kind\": \"";
  out += KindName(a.chain.kind);
  out += "\", \"angles\": " + FormatInt(m.angles);
  out += ", \"angular_misclosure_arcsec\": " +
         (m.angular ? JsonNumber(*m.angular / kArcSecond) : std::string("null"));
  out += ", \"misclosure_north\": " + JsonOptional(m.north);
  out += ", \"misclosure_east\": " + JsonOptional(m.east);
  out += ", \"misclosure_height\": " + JsonOptional(m.height);
  out += ", \"length\": " + JsonNumber(m.length);
  out += ", \"precision_ratio\": " + JsonOptional(m.precisionRatio);
  out += ", \"sigma0\": " + JsonOptional(a.leastSquares ? a.leastSquares->sigma0 : std::nullopt);
  out += ", \"stations\": [";
  for (size_t i = 0; i < a.stations.size(); ++i) {
    const StationResult& s = a.stations[i];
    out += i == 0 ? "\n  {\"name\": " : ",\n  {\"name\": ";
    AppendJsonString(out, s.name);
    out += ", \"north\": " + JsonNumber(s.north);
    out += ", \"east\": " + JsonNumber(s.east);
    out += ", \"height\": " + JsonOptional(s.height);
    out += ", \"sigma_north\": " + JsonOptional(s.sigmaNorth);
    out += ", \"sigma_east\": " + JsonOptional(s.sigmaEast);
    out += ", \"ellipse_a\": " + JsonOptional(s.ellipseA);
    out += ", \"ellipse_b\": " + JsonOptional(s.ellipseB);
    out += ", \"ellipse_azimuth_deg\": " + JsonOptional(s.ellipseAzimuthDeg) + "}";
  }
  out += a.stations.empty() ? "]}\n" : "\n]}\n";
  return out;
}

}  // namespace corvane::traverse
