// Replacements built beside the old grid give what the in-place change gives, and
// leave the old grid as it was; a deleted row comes back exactly.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/grid/grid_editing.h"
#include "core/grid/grid_loading.h"
#include "core/grid/grid_replacement.h"
#include "grid_test_util.h"

namespace corvane {
namespace {

std::string Dump(const RecordGrid& g) {
  std::string out = std::to_string(g.RowCount()) + "\n";
  for (int r = 0; r < g.RowCount(); ++r) out += std::to_string(r) + ":" + testing::RowText(g, r) + "\n";
  return out;
}

// Texts of a few bytes that split, trim and number differently: short lines,
// lone CR and LF, commas, colons, blanks, bytes of GBK.
const std::string& Piece(std::mt19937& rng) {
  static const std::string kPieces[] = {"\r\n", "\r\n", "\r", "\n", "x", "ab", "U,ST,P1,,,,1,2,3", ",", ":", "a:b",
                                        " ", "  ", "k v w", "\xb5\xe3", std::string(1, '\0'), ""};
  return kPieces[rng() % std::size(kPieces)];
}

RecordGrid RandomGrid(std::mt19937& rng) {
  RecordGrid g = rng() % 4 == 0 ? RecordGrid() : testing::FreshGrid();
  g.SetRowCount(static_cast<int>(rng() % 30));
  for (int i = static_cast<int>(rng() % 60); i > 0; --i) {
    if (g.RowCount() == 0) break;
    g.SetCell(static_cast<int>(rng() % g.RowCount()), static_cast<int>(rng() % RecordGrid::kCols), Piece(rng));
  }
  return g;
}

TEST(GridReplacement, MatchesTheInPlaceChangeAndKeepsTheOldGrid) {
  std::mt19937 rng(18);
  for (int i = 0; i < 400; ++i) {
    const RecordGrid before = RandomGrid(rng);
    const std::string old = Dump(before);
    std::string text;
    for (int n = static_cast<int>(rng() % 12); n > 0; --n) text += Piece(rng);
    const unsigned sent = rng() % 4 == 0 ? 700 + rng() % 30 : rng() % 6;

    RecordGrid inPlace = before;
    LoadBufferIntoGrid(inPlace, text);
    ASSERT_EQ(Dump(LoadBufferOver(before, text)), Dump(inPlace)) << i;

    inPlace = before;
    ShowUploadedRecord(inPlace, sent, text);
    ASSERT_EQ(Dump(ShowUploadedRecordOver(before, sent, text)), Dump(inPlace)) << i;

    inPlace = before;
    ShowSentCode(inPlace, sent, text);
    ASSERT_EQ(Dump(ShowSentCodeOver(before, sent, text)), Dump(inPlace)) << i;

    ASSERT_EQ(Dump(before), old) << i;
  }
}

TEST(GridReplacement, AFirstEchoCopiesOnlyTheHeaderOfALongJob) {
  RecordGrid job = testing::FreshGrid();
  for (int r = 1; r < 60000; ++r) LoadLineIntoRow(job, r, "U,DP,P" + std::to_string(r) + ",12.345,1.2345,90.0000");
  const RecordGrid echo = ShowUploadedRecordOver(job, 1, "P1,1.000,2.000,3.000,C");
  EXPECT_EQ(echo.RowCount(), 2);
  EXPECT_LT(echo.MemoryBytes() * 20, job.MemoryBytes());
}

TEST(GridRowCommands, UndoingADeleteOrAnInsertGivesTheGridBack) {
  std::mt19937 rng(5);
  for (int i = 0; i < 600; ++i) {
    RecordGrid g = RandomGrid(rng);
    const std::string old = Dump(g);
    const int k = static_cast<int>(rng() % (g.RowCount() + 3)) - 1;
    const DeletedRow deleted = DeleteRowKeeping(g, k);
    RestoreDeletedRow(g, deleted);
    ASSERT_EQ(Dump(g), old) << "delete " << k << " of " << i;

    RecordGrid inserted = g;
    InsertRow(inserted, k);
    if (Dump(inserted) != old) DeleteRow(inserted, k);
    ASSERT_EQ(Dump(inserted), old) << "insert " << k << " of " << i;
  }
}

}  // namespace
}  // namespace corvane
