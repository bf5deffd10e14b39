#include "core/grid/coordinate_import.h"

#include "core/file_texts.h"
#include "core/text/numbers.h"
#include "core/text/text_file.h"
#include "core/text/text_helpers.h"

namespace corvane {

ImportAnswer ParseImportAnswer(std::string_view answer) {
  ImportAnswer out;
  const size_t open = answer.find('{');
  const size_t close = answer.find('}');
  std::string_view inner;
  if (open != std::string_view::npos && close != std::string_view::npos && close > open)
    inner = answer.substr(open + 1, close - open - 1);
  out.layout = ToShort(CAtoi(inner));
  out.path = TextInLastBraces(answer);
  return out;
}

int LayoutAfterFirstBrace(std::string_view answer) {
  const size_t open = answer.find('{');
  if (open == std::string_view::npos) return 0;
  return CAtoi(answer.substr(open + 1));
}

void ImportLineIntoRow(RecordGrid& grid, int r, std::string_view piece, int layout, bool enz) {
  char sep = '\t';
  if (piece.find(',') != std::string_view::npos)
    sep = ',';
  else if (piece.find(';') != std::string_view::npos)
    sep = ';';
  else if (piece.find(' ') != std::string_view::npos)
    sep = ' ';
  std::string w = CleanLine(piece, ' ');
  std::string_view v = TrimRightChar(TrimRightChar(TrimRightChar(w, ' '), '\r'), '\n');
  std::string_view g[6];
  const size_t p = v.find(sep);
  if (p != std::string_view::npos && p >= 1) {
    g[0] = v.substr(0, p);
    size_t pos = p + 1;
    for (int k = 1; k < 6; ++k) {
      const size_t next = v.find(sep, pos);
      if (next == std::string_view::npos) {
        g[k] = v.substr(pos);
        break;
      }
      g[k] = v.substr(pos, next - pos);
      pos = next + 1;
    }
  }
  // name, code, height, north-ish, east-ish by layout
  int name = -1, code = -1, height = -1, a = -1, b = -1;
  switch (layout) {
    case 0:
      name = 0, code = 4, height = 3, a = 1, b = 2;
      break;
    case 1:
    case 6:
      name = 0, code = 4, height = 3, a = 2, b = 1;
      break;
    case 2:
      name = 0, code = 1, height = 4, a = 2, b = 3;
      break;
    case 3:
      name = 0, code = 1, height = 4, a = 3, b = 2;
      break;
    case 4:
      name = 1, code = 2, height = 5, a = 3, b = 4;
      break;
    case 5:
      name = 1, code = 2, height = 5, a = 4, b = 3;
      break;
    default:
      break;
  }
  const std::string number = FormatInt(r);  // the cells only view their texts
  RecordGrid::RowCells cells{};
  cells[col::kNumber] = number;
  if (name >= 0) {
    if (enz) std::swap(a, b);
    cells[col::kName] = g[name];
    cells[col::kCode] = g[code];
    cells[col::kHeight] = g[height];
    cells[col::kPlane1] = g[a];
    cells[col::kPlane2] = g[b];
  }
  grid.SetRow(r, cells);
}

CommandResult ImportCoordinates(RecordGrid& grid, const std::string& path, int layout,
                                const ISettingsReader& settings) {
  TextLineReader in;
  std::string reason;
  if (!in.Open(path, &reason)) return OpenFileFailure(path, reason);
  grid.SetRowCount(1);
  // The coordinate order is read once for the whole import.
  const bool enz = CAtoi(settings.ReadSetting(SettingsSection::OtherSet, "CoorType", "0")) == 1;
  int i = 0;
  std::string piece;
  while (in.ReadPiece(piece, 100) && i < kMaxGridRows - 1) {
    ++i;
    grid.SetRowCount(i + 1);
    ImportLineIntoRow(grid, i, piece, layout, enz);
  }
  return {};
}

}  // namespace corvane
