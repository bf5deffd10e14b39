// Coordinate import with every layout and both coordinate orders: one row per
// piece read, numbered, and the two orders only trade columns 7 and 8.
#include "core/grid/coordinate_import.h"
#include "core/grid/grid_loading.h"
#include "fuzz_support.h"

using namespace corvane;

namespace {

class Order final : public ISettingsReader {
 public:
  explicit Order(const char* coorType) : coorType_(coorType) {}
  std::string ReadSetting(SettingsSection, std::string_view name, std::string_view def) const override {
    return name == "CoorType" ? coorType_ : std::string(def);
  }

 private:
  std::string coorType_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const int layout = static_cast<int>(fuzz::TakeByte(bytes) % 9) - 1;  // -1..7: outside and every layout
  fuzz::MemoryFile file(bytes);
  RecordGrid nez, enz;
  ColumnCaptions captions;
  ClearGrid(nez, captions);
  ClearGrid(enz, captions);
  FUZZ_CHECK(ImportCoordinates(nez, file.Path(), layout, Order("0")).Done(), "import NEZ");
  FUZZ_CHECK(ImportCoordinates(enz, file.Path(), layout, Order("1")).Done(), "import ENZ");
  FUZZ_CHECK(nez.RowCount() == enz.RowCount(), "row counts differ between the orders");
  // Pieces of at most 99 bytes, each ending after its line feed.
  int pieces = 0;
  for (size_t p = 0, n = 0; p < bytes.size(); ++p) {
    ++n;
    const bool lf = bytes[p] == '\n' || (bytes[p] == '\r' && p + 1 < bytes.size() && bytes[p + 1] == '\n');
    if (lf && bytes[p] == '\r') ++p;
    if (lf || n == 99 || p + 1 == bytes.size()) {
      ++pieces;
      n = 0;
    }
  }
  FUZZ_CHECK(nez.RowCount() == pieces + 1, "not one row per piece read");
  for (int r = 1; r < nez.RowCount(); ++r) {
    FUZZ_CHECK(nez.Cell(r, 0) == std::to_string(r), "a row without its number");
    for (int c = 1; c < RecordGrid::kCols; ++c) {
      const int other = c == 7 ? 8 : c == 8 ? 7 : c;
      FUZZ_CHECK(nez.Cell(r, c) == enz.Cell(r, other), "the orders differ beyond columns 7 and 8");
    }
    for (int c : {1, 2, 4, 5, 6, 10, 11, 13, 14}) FUZZ_CHECK(nez.Cell(r, c).empty(), "a column that stays empty");
  }
  return 0;
}
