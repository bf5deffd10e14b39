#include "core/compute/instrument_file.h"

#include "core/file_texts.h"
#include "core/compute/output_file.h"
#include "core/text/numbers.h"
#include "core/text/text_helpers.h"

namespace corvane {
namespace {

short OptionIndex(const ISettingsReader& settings, std::string_view name) {
  return ToShort(CAtoi(settings.ReadSetting(SettingsSection::OtherSet, name, "0")));
}

const char* Pick(short index, const char* zero, const char* one, const char* other) {
  return index == 0 ? zero : index == 1 ? one : other;
}

}  // namespace

std::string AngleUnitName(const ISettingsReader& s) { return Pick(OptionIndex(s, "AngleUnit"), "dms", "gon", "mil"); }
std::string DistanceUnitName(const ISettingsReader& s) {
  return Pick(OptionIndex(s, "DistUnit"), "meter", "USFeet", "INTFeet");
}
std::string CoordinateOrderName(const ISettingsReader& s) { return Pick(OptionIndex(s, "CoorType"), "NEZ", "ENZ", "ENZ"); }
std::string HorizontalAngleName(const ISettingsReader& s) { return Pick(OptionIndex(s, "HA"), "Right", "Left", "Left"); }
std::string VerticalAngleName(const ISettingsReader& s) { return Pick(OptionIndex(s, "VA"), "VAZ", "VAV", "VAH"); }

std::string InstrumentFileHeader(const ISettingsReader& settings) {
  std::string h = "ZAMO RECORD FILE\n";
  h += PadRight("Scale  :" + settings.ReadSetting(SettingsSection::OtherSet, "Scale", "1.000000"), 16);
  h += PadRight("\nAnglUnit:" + AngleUnitName(settings), 17);
  h += PadRight("\nDistUnit:" + DistanceUnitName(settings), 17);
  h += PadRight("\nCoorType:" + CoordinateOrderName(settings), 17);
  h += PadRight("\nHA      :" + HorizontalAngleName(settings), 17);
  h += PadRight("\nVA      :" + VerticalAngleName(settings), 17);
  return h;
}

std::string IndexFilePath(std::string_view path) {
  const size_t slash = path.rfind('/');
  const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  std::string_view base;
  if (dot != std::string_view::npos && dot >= nameStart) base = path.substr(nameStart, dot - nameStart);
  const std::string_view fileFolder = slash == std::string_view::npos ? std::string_view() : path.substr(0, slash);
  const size_t up = fileFolder.rfind('/');
  const std::string_view folder = up == std::string_view::npos ? std::string_view() : fileFolder.substr(0, up);
  return std::string(folder) + "/ZMOINDEX/" + std::string(base) + ".INX";
}

CommandResult ExportInstrumentCoordinates(const RecordGrid& grid, const std::string& path,
                                          const ISettingsReader& settings) {
  OutputFile records;
  if (!records.Create(path)) return records.Failure(kOpenFileFailed);
  records.Text() = InstrumentFileHeader(settings);
  // Without its index the record file is of no use to the instrument: the
  // command then leaves both files as they were.
  OutputFile index;
  if (!index.Create(IndexFilePath(path))) return index.Failure(kCreatIndexFileFailed);
  if (index.SameTarget(records))
    return CommandResult::Failure(kCreatIndexFileFailed, index.Path() + ": the index would replace the record file");
  std::string& out = records.Text();
  std::string& idx = index.Text();
  idx = ",NT,   File Head:,";
  for (int r = 1; r < grid.RowCount(); ++r) {
    if (grid.Cell(r, col::kPlane1).empty() || grid.Cell(r, col::kPlane2).empty()) continue;
    const std::string_view cell = grid.Cell(r, col::kName);
    const std::string name = PadLeft(cell.empty() ? FormatInt(r) : std::string(cell), 14);
    out += "\nU,MP,";
    out += name;
    out += ",        0.0000,   0.0000,   0.0000,";
    out += PadLeft(Format4(CAtof(grid.Cell(r, col::kPlane1))), 14) + ",";
    out += PadLeft(Format4(CAtof(grid.Cell(r, col::kPlane2))), 14) + ",";
    out += PadLeft(Format4(CAtof(grid.Cell(r, col::kHeight))), 14);
    out += ",   0.0000,   0.0000,";
    out += PadLeft(grid.Cell(r, col::kCode), 14);
    out += ",              ,####";
    idx += "MP," + name + ",";
    records.Spill();
    index.Spill();
  }
  if (!OutputFile::FinishTogether({&records, &index}))
    return index.Failed() ? index.Failure(kCreatIndexFileFailed) : records.Failure(kOpenFileFailed);
  return {};
}

}  // namespace corvane
