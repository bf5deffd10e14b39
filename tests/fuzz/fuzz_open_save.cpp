// The Open walk and Save: the line walk gives the rows of the byte-by-byte walk
// for any chunking, the fast save writes the text-mode bytes of the plain save,
// and a saved job reopens to the same rows.
#include "core/grid/grid_loading.h"
#include "core/grid/grid_saving.h"
#include "core/text/text_helpers.h"
#include "fuzz_support.h"

using namespace corvane;

namespace {

ColumnCaptions Captions() {
  ColumnCaptions c;
  for (int i = 0; i < RecordGrid::kCols; ++i) c[static_cast<size_t>(i)] = DefaultColumnCaption(i);
  return c;
}

template <class Walker>
RecordGrid Open(std::string_view bytes, size_t cut) {
  RecordGrid g;
  ClearGrid(g, Captions());
  Walker w(g);
  w.Feed(bytes.substr(0, cut));
  w.Feed(bytes.substr(cut));
  w.Finish();
  return g;
}

bool SameGrid(const RecordGrid& a, const RecordGrid& b) {
  if (a.RowCount() != b.RowCount()) return false;
  for (int r = 0; r < a.RowCount(); ++r)
    for (int c = 0; c < RecordGrid::kCols; ++c)
      if (a.Cell(r, c) != b.Cell(r, c)) return false;
  return true;
}

std::string SaveFast(const RecordGrid& g) {
  const std::string path = fuzz::Folder() + "/saved";
  FUZZ_CHECK(SaveGridToFile(g, path).Done(), "save");
  return fuzz::ReadAll(path);
}

std::string TextMode(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// The saved lines (CR LF ends).
std::vector<std::string_view> Lines(std::string_view saved) {
  std::vector<std::string_view> out;
  for (size_t p = 0; p < saved.size();) {
    const size_t e = saved.find("\r\n", p);
    out.push_back(saved.substr(p, e - p));
    p = e + 2;
  }
  return out;
}

// The fields of a comma line, each without white space at its ends, trailing
// empty fields left out: what a reopened row holds.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> out;
  for (size_t p = 0;;) {
    const size_t e = line.find(',', p);
    out.push_back(TrimWhite(line.substr(p, e == std::string_view::npos ? e : e - p)));
    if (e == std::string_view::npos) break;
    p = e + 1;
  }
  while (!out.empty() && out.back().empty()) out.pop_back();
  return out;
}

// Whether a saved line comes back as a row: two bytes or more, and for a comma
// line some text (column 1 as it stands, later columns without their white space).
// A row of nothing but white space after its first comma does not come back.
bool Reopens(std::string_view line) {
  if (line.size() < 2) return false;
  const size_t comma = line.find(',');
  return comma == std::string_view::npos || comma > 0 || !Fields(line).empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const size_t cut = bytes.empty() ? 0 : fuzz::TakeByte(bytes) * bytes.size() / 256;
  const RecordGrid plain = Open<OpenJobWalker>(bytes, cut);
  const RecordGrid fast = Open<OpenJobLineWalker>(bytes, cut);
  FUZZ_CHECK(SameGrid(plain, fast), "the line walk and the byte walk give different rows");
  const std::string saved = SaveFast(fast);
  FUZZ_CHECK(saved == TextMode(GridSaveText(plain)), "the fast save differs from the plain save");

  // Reopened, every saved line of two or more bytes is a row again, and a comma
  // line's fields come back (a line without commas is re-split by its blanks or
  // colon, which may move its single text to another column).
  const RecordGrid again = Open<OpenJobLineWalker>(saved, saved.size() / 2);
  const std::string resaved = SaveFast(again);
  const std::vector<std::string_view> first = Lines(saved), second = Lines(resaved);
  size_t kept = 0;
  for (std::string_view l : first) kept += Reopens(l);
  FUZZ_CHECK(second.size() == kept, "a saved job reopened with rows lost");
  for (size_t i = 0, j = 0; i < first.size(); ++i) {
    if (!Reopens(first[i])) continue;
    if (first[i].find(',') != std::string_view::npos)
      FUZZ_CHECK(Fields(first[i]) == Fields(second[j]), "a reopened row holds other fields");
    ++j;
  }
  return 0;
}
