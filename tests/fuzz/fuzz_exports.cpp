// Every export over a job opened or downloaded from the input: each ends done or
// with its message, and a DXF stays valid (group code and value lines in pairs,
// numeric coordinates, EOF at the end).
#include <cstdlib>

#include "core/compute/distance_exports.h"
#include "core/compute/instrument_file.h"
#include "core/compute/measured_coordinates.h"
#include "core/grid/grid_loading.h"
#include "core/text/numbers.h"
#include "core/text/text_helpers.h"
#include "fuzz_support.h"

using namespace corvane;

namespace {

class NoSettings final : public ISettingsReader {
 public:
  std::string ReadSetting(SettingsSection, std::string_view, std::string_view def) const override {
    return std::string(def);
  }
};

void CheckResult(const CommandResult& r) {
  FUZZ_CHECK(r.status != CommandStatus::Failed || !r.message.empty(), "an export that failed without a message");
}

bool IsNumber(std::string_view v) {
  const std::string t = TrimBlanks(v);
  return !t.empty() && DecimalNumberLength(t) == t.size();
}

void CheckDxf(const std::string& text) {
  std::vector<std::string_view> lines;
  for (size_t p = 0; p <= text.size();) {
    const size_t e = text.find("\r\n", p);
    lines.push_back(std::string_view(text).substr(p, e == std::string::npos ? std::string::npos : e - p));
    if (e == std::string::npos) break;
    p = e + 2;
  }
  FUZZ_CHECK(text.find('\n') == std::string::npos || text.find("\r\n") != std::string::npos, "DXF line ends");
  FUZZ_CHECK(lines.size() % 2 == 0, "DXF lines are not code and value pairs");
  for (size_t i = 0; i + 1 < lines.size(); i += 2) {
    const std::string code = TrimBlanks(lines[i]);
    FUZZ_CHECK(!code.empty() && DecimalNumberLength(code) == code.size(), "a DXF group code that is not a number");
    const int c = CAtoi(code);
    if (c == 10 || c == 20 || c == 30 || c == 40 || c == 50)
      FUZZ_CHECK(IsNumber(lines[i + 1]), "a DXF coordinate that is not a number");
  }
  FUZZ_CHECK(lines.size() >= 2 && lines[lines.size() - 2] == "0" && lines.back() == "EOF", "a DXF without EOF");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const unsigned choice = fuzz::TakeByte(bytes);
  RecordGrid grid;
  ColumnCaptions captions;
  ClearGrid(grid, captions);
  if (choice & 1) {
    LoadBufferIntoGrid(grid, bytes);  // a download may hold lone line feeds in cells
  } else {
    OpenJobLineWalker walker(grid);
    walker.Feed(bytes);
    walker.Finish();
  }
  const std::string out = fuzz::Folder() + "/export.txt";
  for (int layout = 0; layout <= 8; ++layout) {
    const std::string answer = "{" + std::to_string(layout) + "}{" + std::to_string(choice >> 1 & 3) + "}{" + out + "}";
    const CommandResult r = ExportMeasuredCoordinates(grid, answer);
    CheckResult(r);
    if (layout == 6 && r.Done()) CheckDxf(fuzz::ReadAll(out));
  }
  for (int answer : {0, 1, 2}) {
    CheckResult(ExportHorizontalDistances(grid, answer, out));
    CheckResult(ExportSlopeDistances(grid, answer, out));
  }
  CheckResult(ExportAngles(grid, out));
  CheckResult(ExportInstrumentCoordinates(grid, out, NoSettings()));
  return 0;
}
