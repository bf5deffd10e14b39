// The fast Open and Save against the plain byte-by-byte paths on hostile bytes,
// the saved job reopening with every row, and the grid's memory per row.
#include <gtest/gtest.h>

#include <random>

#include "core/grid/grid_loading.h"
#include "core/grid/grid_saving.h"
#include "core/text/text_file.h"
#include "support/test_support.h"
#include "unit/grid/grid_test_util.h"

namespace corvane {
namespace {

using corvane::testing::DefaultCaptions;
using corvane::testing::TempDir;
using namespace std::string_literals;

std::string GridText(const RecordGrid& g) {
  std::string out = std::to_string(g.RowCount()) + "\n";
  for (int r = 0; r < g.RowCount(); ++r) {
    for (int c = 0; c < RecordGrid::kCols; ++c) (out += g.Cell(r, c)) += '|';
    out += '\n';
  }
  return out;
}

RecordGrid OpenPlain(std::string_view bytes) {
  RecordGrid g;
  ClearGrid(g, DefaultCaptions());
  OpenJobWalker w(g);
  w.Feed(bytes);
  w.Finish();
  return g;
}

// parallelFrom 1: every file of two bytes or more is walked in two halves at once.
RecordGrid OpenFast(const TempDir& dir, const std::string& bytes, size_t parallelFrom = kParallelOpenBytes) {
  corvane::testing::WriteBytes(dir.File("job"), bytes);
  RecordGrid g;
  EXPECT_TRUE(OpenJobFile(g, dir.File("job"), DefaultCaptions(), {}, parallelFrom).Done());
  return g;
}

std::string SavedFast(const TempDir& dir, const RecordGrid& g) {
  EXPECT_TRUE(SaveGridToFile(g, dir.File("saved")).Done());
  return corvane::testing::ReadBytes(dir.File("saved"));
}

// What the text-mode writer makes of the plain save text.
std::string SavedPlain(const RecordGrid& g) {
  std::string out;
  for (char c : GridSaveText(g)) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string RandomBytes(std::mt19937& rng, size_t n) {
  static const char kAlphabet[] = {' ',  ' ', ' ', ',', ',', ':', '\r',   '\n',   '\0',   '\t',   '\v',
                                   '\f', 'a', 'B', '1', '.', '"', '\x81', '\xFF', '\xB2', '\xE2', '#'};
  std::uniform_int_distribution<size_t> pick(0, sizeof kAlphabet - 1);
  std::string s(n, ' ');
  for (char& c : s) c = kAlphabet[pick(rng)];
  return s;
}

TEST(FastPaths, OpenAndSaveMatchThePlainPathsOnHostileBytes) {
  TempDir dir;
  std::vector<std::string> inputs = {
      "U,ST,S1\nlone\rCR\r\n\r\nNUL\0inside,x\n"s, "\x81\xFF,\xB2\xE2  bad GBK ,  \x80\n,,TREE\n P1  12.5\n  \n x\n",
      ",\n,,\n:\na:b\n  lead,  trail  ,\t\v\f,\n1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16",
      std::string(3 << 20, 'a') + "  ,b\r" + std::string(1 << 20, ' ') + ",\n",  // lines across read chunks
  };
  std::mt19937 rng(10);
  for (int i = 0; i < 200; ++i) inputs.push_back(RandomBytes(rng, 1 + rng() % 400));
  for (const std::string& bytes : inputs) {
    const RecordGrid plain = OpenPlain(bytes);
    const RecordGrid fast = OpenFast(dir, bytes);
    ASSERT_EQ(GridText(fast), GridText(plain)) << corvane::testing::Visible(bytes.substr(0, 200));
    ASSERT_EQ(GridText(OpenFast(dir, bytes, 1)), GridText(plain)) << corvane::testing::Visible(bytes.substr(0, 200));
    ASSERT_EQ(SavedFast(dir, fast), SavedPlain(plain)) << corvane::testing::Visible(bytes.substr(0, 200));
  }
}

TEST(FastPaths, LineFeedInsideADownloadedCellIsSavedAsCrLf) {
  TempDir dir;
  std::mt19937 rng(4);
  for (int i = 0; i < 100; ++i) {
    RecordGrid g;
    ClearGrid(g, DefaultCaptions());
    LoadBufferIntoGrid(g, RandomBytes(rng, 1 + rng() % 600) + "\r\n");
    const std::string saved = SavedFast(dir, g);
    ASSERT_EQ(saved, SavedPlain(g));
    for (size_t p = saved.find('\n'); p != std::string::npos; p = saved.find('\n', p + 1))
      ASSERT_TRUE(p > 0 && saved[p - 1] == '\r') << corvane::testing::Visible(saved);
  }
}

TEST(FastPaths, ASavedJobReopensWithEveryRow) {
  TempDir dir;
  // Lines whose rows leave column 1 (and 2) empty are saved starting with commas.
  const RecordGrid first = OpenFast(dir, "TREE\n P1 12.5\n,a,b\nU,ST,S1\n,,,,x\n two words\n");
  const std::string saved = SavedFast(dir, first);
  EXPECT_EQ(saved, ",,TREE\r\n,P1,12.5\r\n,a,b\r\nU,ST,S1\r\n,,,,x\r\n,two,words\r\n");
  const RecordGrid again = OpenFast(dir, saved);
  EXPECT_EQ(SavedFast(dir, again), saved);
  for (int r = 1; r <= 6; ++r)
    for (int c = 1; c < RecordGrid::kCols; ++c) EXPECT_EQ(again.Cell(r, c), first.Cell(r, c)) << r << "," << c;
}

TEST(FastPaths, EmptyDownloadedRowsStayWithin32BytesEach) {
  std::string text;
  for (int i = 0; i < 1000000; ++i) text += "\r\n";
  RecordGrid g;
  ClearGrid(g, DefaultCaptions());
  LoadBufferIntoGrid(g, text);
  ASSERT_EQ(g.RowCount(), 1000001);
  EXPECT_EQ(g.Cell(999999, 0), "999999");
  EXPECT_LE(g.MemoryBytes() / 1000000, 32u);
}

}  // namespace
}  // namespace corvane
