#include "core/compute/point_format.h"

#include <cmath>
#include <initializer_list>

#include "core/settings/program_folder.h"
#include "core/text/numbers.h"
#include "core/text/text_file.h"
#include "core/text/text_helpers.h"

namespace corvane {
namespace {

// A whole decimal number: sign, digits with an optional point, optional exponent.
bool IsPlainNumber(std::string_view t) { return !t.empty() && DecimalNumberLength(t) == t.size(); }

std::string DxfNumber(double v) { return Format3(std::isfinite(v) ? v : 0.0); }

// A coordinate as a DXF group value: the cell text when it is a number, else its
// numeric reading (value), so an empty or non-numeric cell cannot break the file.
std::string DxfCoordinate(std::string_view text, double value) {
  const size_t b = text.find_first_not_of(' ');
  const std::string_view trimmed = b == std::string_view::npos ? std::string_view() : text.substr(b, text.find_last_not_of(' ') - b + 1);
  if (IsPlainNumber(trimmed) && std::isfinite(value)) return std::string(text);
  return DxfNumber(value);
}

// A text value on one line: control bytes (line ends among them) become blanks.
std::string DxfText(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return out;
}

void AppendJoined(std::string& out, std::string_view sep, std::initializer_list<std::string_view> fields) {
  bool first = true;
  for (std::string_view f : fields) {
    if (!first) out.append(sep);
    out.append(f);
    first = false;
  }
  out.push_back('\n');
}

// Appends the pieces one after the other.
void Put(std::string& out, std::initializer_list<std::string_view> pieces) {
  for (std::string_view p : pieces) out.append(p);
}

void AppendDxfBlock(std::string& out, std::string_view name, std::string_view north, std::string_view east,
                    std::string_view height) {
  const double eValue = CAtof(east), nValue = CAtof(north);
  const std::string e = DxfCoordinate(east, eValue), n = DxfCoordinate(north, nValue),
                    h = DxfCoordinate(height, CAtof(height));
  const std::string ePlus = DxfNumber(eValue + 1), nMinus = DxfNumber(nValue - 1), nPlus = DxfNumber(nValue + 1);
  for (std::string_view radius : {"0.07", "1"})
    Put(out, {"CIRCLE\n8\nZAMO\n10\n", e, "\n20\n", n, "\n30\n", h, "\n40\n", radius, "\n0\n"});
  Put(out, {"TEXT\n8\nZAMO_NO\n10\n", ePlus, "\n20\n", nMinus, "\n30\n", h, "\n40\n1\n1\n ", DxfText(name),
            "\n50\n0\n0\n"});
  Put(out, {"TEXT\n8\nZAMO_H\n10\n", ePlus, "\n20\n", nPlus, "\n30\n", h, "\n40\n1\n1\n ", DxfText(height),
            "\n50\n45\n0\n"});
}

}  // namespace

void AppendPointLine(std::string& out, std::string_view name, std::string_view code, std::string_view north,
                     std::string_view east, std::string_view height, int layout, std::string_view sep,
                     long long counter) {
  switch (layout) {
    case 0: AppendJoined(out, sep, {name, north, east, height, code}); break;
    case 1: AppendJoined(out, sep, {name, east, north, height, code}); break;
    case 2: AppendJoined(out, sep, {name, code, north, east, height}); break;
    case 3: AppendJoined(out, sep, {name, code, east, north, height}); break;
    case 4: AppendJoined(out, sep, {FormatInt(counter), name, code, north, east, height}); break;
    case 5: AppendJoined(out, sep, {FormatInt(counter), name, code, east, north, height}); break;
    case kDxfLayout: AppendDxfBlock(out, name, north, east, height); break;
    case 7:
      out += PadLeft(name, 10) + " " + PadLeft(east, 12) + " " + PadLeft(north, 11) + " " + PadLeft(height, 9);
      out += " 0 \"          \" \"  \" \"      \"\n";
      break;
    default: break;
  }
}

std::string FormatPointLine(std::string_view name, std::string_view code, std::string_view north,
                            std::string_view east, std::string_view height, int layout, std::string_view separator,
                            long long counter) {
  std::string out;
  AppendPointLine(out, name, code, north, east, height, layout, separator, counter);
  return out;
}

char CoordinateOrder(const RecordGrid& grid) {
  for (int r = 1; r < grid.RowCount(); ++r) {
    if (TrimBlanks(grid.Cell(r, col::kKind)) != "CoorType") continue;
    return grid.Cell(r, col::kName).substr(0, 2) == "EN" ? '2' : '1';
  }
  return '1';
}

std::string DxfTemplatePath() { return ProgramFilePath("DXF.lib"); }

bool ReadDxfTemplate(const std::string& path, std::string& text, std::string* reason) {
  text.clear();
  TextLineReader in;
  if (!in.Open(path, reason)) return false;
  std::string piece;
  while (in.ReadPiece(piece, 100)) text += piece;
  return true;
}

}  // namespace corvane
