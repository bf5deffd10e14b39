// Loading a received download: every CR LF ends a numbered row inside the grid,
// and the saved grid holds no bare line feed and equals the plain save.
#include <cstring>

#include "core/grid/grid_loading.h"
#include "core/grid/grid_saving.h"
#include "fuzz_support.h"

using namespace corvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  RecordGrid g;
  ColumnCaptions captions;
  ClearGrid(g, captions);
  LoadBufferIntoGrid(g, bytes);
  int ends = 0;
  for (size_t p = bytes.find("\r\n"); p != std::string_view::npos; p = bytes.find("\r\n", p + 2)) ++ends;
  // The rows end at the last line; a text of only short lines leaves the 700 rows
  // of a cleared grid.
  if (ends > 0)
    FUZZ_CHECK(g.RowCount() == ends + 1 || (g.RowCount() == 700 && ends < 700), "rows beyond the last line");
  for (int r = 1; r <= ends; ++r) FUZZ_CHECK(g.Cell(r, 0) == std::to_string(r), "a row without its number");

  const std::string path = fuzz::Folder() + "/download";
  FUZZ_CHECK(SaveGridToFile(g, path).Done(), "save");
  const std::string saved = fuzz::ReadAll(path);
  std::string plain;
  for (char c : GridSaveText(g)) {
    if (c == '\n') plain += '\r';
    plain += c;
  }
  FUZZ_CHECK(saved == plain, "the fast save differs from the plain save");
  for (size_t p = saved.find('\n'); p != std::string::npos; p = saved.find('\n', p + 1))
    FUZZ_CHECK(p > 0 && saved[p - 1] == '\r', "a bare line feed was saved");
  return 0;
}
