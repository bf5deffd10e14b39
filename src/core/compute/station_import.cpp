#include "core/compute/station_import.h"

#include "core/file_texts.h"
#include "core/grid/coordinate_import.h"
#include "core/settings/captions.h"
#include "core/compute/output_file.h"
#include "core/text/numbers.h"
#include "core/text/text_file.h"
#include "core/text/text_helpers.h"

namespace corvane {
namespace {

constexpr std::array<const char*, StationImportModel::kCols> kHeaders = {
    "NUM", "    PT#", "        N ", "       E ", "       Z ", "property", "Changed"};
constexpr std::array<int, StationImportModel::kCols> kWidths = {400, 800, 1250, 1250, 1050, 800, 800};

}  // namespace

bool PickPoligonFields(int format, PoligonFieldPick& pick) {
  switch (format) {
    case 0: pick = {1, 2, 3}; return true;
    case 1: case 6: pick = {2, 1, 3}; return true;
    case 2: pick = {2, 3, 4}; return true;
    case 3: pick = {3, 2, 4}; return true;
    case 4: pick = {3, 4, 5}; return true;
    case 5: pick = {4, 3, 5}; return true;
    default: return false;
  }
}

PoligonLine SplitPoligonLine(std::string_view raw) {
  PoligonLine out;
  const std::string_view trimmed = TrimRightChar(TrimRightChar(raw, '\r'), '\n');
  char sep = '\t';
  if (trimmed.find(',') != std::string_view::npos) sep = ',';
  else if (trimmed.find(';') != std::string_view::npos) sep = ';';
  else if (trimmed.find(' ') != std::string_view::npos) sep = ' ';
  out.text = CleanLine(trimmed, ' ');
  const size_t p = out.text.find(sep);
  out.bareName = p == std::string::npos || p == 0;
  if (out.bareName) return out;
  const std::string_view v = out.text;
  size_t start = 0;
  for (size_t i = 0; i < out.fields.size(); ++i) {
    const size_t next = v.find(sep, start);
    out.fields[i] = v.substr(start, next == std::string_view::npos ? std::string_view::npos : next - start);
    if (next == std::string_view::npos) break;
    start = next + 1;
  }
  return out;
}

StationDialogCaptions ReadStationDialogCaptions(const std::string& settingsFolder, int programLanguage) {
  StationDialogCaptions c;
  c.languageIndex = ReadStationDialogLanguage(settingsFolder, programLanguage);
  const CaptionReader captions = CaptionReader::ForLanguage(c.languageIndex);
  c.title = captions.Read("Stnbs", "Title", "Inport new STN&BS coordinate from poligon file");
  c.inport = captions.Read("Stnbs", "Inport", "Inport");
  c.saveAs = captions.Read("Stnbs", "Saveas", "Save as");
  return c;
}

const char* StationImportModel::ColumnHeader(int col) {
  return col >= 0 && col < kCols ? kHeaders[static_cast<size_t>(col)] : "";
}

int StationImportModel::ColumnWidthTwips(int col) {
  return col >= 0 && col < kCols ? kWidths[static_cast<size_t>(col)] : 0;
}

StationImportModel::StationImportModel(const StationTable& table) : table_(table) {
  SetRowCount(kInitialRows);
  for (int c = 0; c < kCols; ++c) rows_[0][static_cast<size_t>(c)] = kHeaders[static_cast<size_t>(c)];
  for (int r = 1; r < kInitialRows; ++r) rows_[static_cast<size_t>(r)][0] = FormatInt(r);
  const int count = table.StationCount();
  if (count < 1) return;
  SetRowCount(count + 1);
  for (int i = 1; i <= count; ++i) {
    const StationEntry& e = table.Entry(i);
    Row& row = rows_[static_cast<size_t>(i)];
    row[1] = e.name;
    row[2] = e.north;
    row[3] = e.east;
    row[4] = e.height;
    row[5] = e.property;
    row[6] = e.changed;
  }
}

void StationImportModel::SetRowCount(int count) { rows_.resize(static_cast<size_t>(count < 0 ? 0 : count)); }

std::string_view StationImportModel::Cell(int row, int col) const {
  if (row < 0 || row >= RowCount() || col < 0 || col >= kCols) return {};
  return rows_[static_cast<size_t>(row)][static_cast<size_t>(col)];
}

void StationImportModel::ImportLine(int k, std::string_view raw, int format) {
  const PoligonLine line = SplitPoligonLine(raw);
  SetRowCount(table_.StationCount() + 1);
  Row& target = rows_[static_cast<size_t>(k) + 1];
  if (line.bareName) {
    // A bare point name: copy the first row above (or this one) of that name.
    for (int r = 1; r <= k + 1; ++r) {
      const Row& found = rows_[static_cast<size_t>(r)];
      if (found[1] != line.text) continue;
      const Row copy = found;
      for (int c = 1; c <= 5; ++c) target[static_cast<size_t>(c)] = copy[static_cast<size_t>(c)];
      target[6] = std::string(1, 'N');
      break;
    }
  } else {
    const auto& f = line.fields;
    const StationEntry& entry = table_.Entry(k + 1);
    PoligonFieldPick pick{};
    if (f[0] == entry.name && PickPoligonFields(format, pick)) {
      target[1] = f[0];
      target[2] = f[static_cast<size_t>(pick.north)];
      target[3] = f[static_cast<size_t>(pick.east)];
      target[4] = f[static_cast<size_t>(pick.height)];
      target[5] = entry.property;
      target[6] = std::string(1, 'Y');
    }
  }
  target[0] = FormatInt(k + 1);
}

CommandResult StationImportModel::Inport(std::string_view answer) {
  if (answer.empty()) return CommandResult::Cancelled();
  return Inport(LayoutAfterFirstBrace(answer), TextInLastBraces(answer));
}

CommandResult StationImportModel::Inport(int format, const std::string& path) {
  TextLineReader in;
  std::string reason;
  if (!in.Open(path, &reason)) return CommandResult::Failure(kOpenFileFailed, path + ": " + reason);
  std::string piece;
  for (int k = 0; k < table_.StationCount() && in.ReadPiece(piece, 100); ++k) ImportLine(k, piece, format);
  return {};
}

void StationImportModel::InportText(int format, std::string_view text) {
  // The lines as a file of them would be read: pieces of at most 99 bytes.
  size_t start = 0;
  for (int k = 0; k < table_.StationCount() && start < text.size(); ++k) {
    size_t end = text.find('\n', start);
    end = end == std::string_view::npos ? text.size() : end + 1;
    if (end - start > 99) end = start + 99;
    ImportLine(k, text.substr(start, end - start), format);
    start = end;
  }
}

std::string StationImportModel::SavedText() const {
  std::string out;
  for (int r = 1; r < RowCount(); ++r) {
    const Row& row = rows_[static_cast<size_t>(r)];
    int last = kCols - 1;
    while (last >= 1 && row[static_cast<size_t>(last)].empty()) --last;
    if (last < 1) continue;
    for (int c = 1; c <= last; ++c) {
      if (c > 1) out += ',';
      out += row[static_cast<size_t>(c)];
    }
    out += '\n';
  }
  return out;
}

CommandResult StationImportModel::SaveAs(const std::string& path) const {
  OutputFile file;
  if (!file.Create(path)) return file.Failure(kOpenFileFailed);
  file.Text() = SavedText();
  if (!file.Finish()) return file.Failure(kOpenFileFailed);
  return {};
}

void StationImportModel::Ok(StationTable& table) const {
  const int n = RowCount();
  table.SetStationCount(n - 1);
  for (int i = 1; i < n; ++i) {
    const Row& row = rows_[static_cast<size_t>(i)];
    if (row[1].empty()) continue;
    StationEntry& e = table.MutableEntry(i);
    e.name = row[1];
    e.north = row[2];
    e.east = row[3];
    e.height = row[4];
    e.property = row[5];
    e.changed = row[6];
  }
}

}  // namespace corvane
