// Text-mode reading and the atomic writer.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/text/text_file.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using corvane::testing::ReadBytes;
using corvane::testing::TempDir;
using corvane::testing::WriteBytes;

std::vector<std::string> Pieces(const std::string& bytes, size_t bufferSize) {
  TempDir dir;
  WriteBytes(dir.File("f"), bytes);
  TextLineReader in;
  EXPECT_TRUE(in.Open(dir.File("f")));
  std::vector<std::string> out;
  std::string piece;
  while (in.ReadPiece(piece, bufferSize)) out.push_back(piece);
  return out;
}

TEST(TextLineReader, ReadsPiecesLikeALineBuffer) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Pieces("a\r\nb\nc", 100), (V{"a\n", "b\n", "c"}));
  EXPECT_EQ(Pieces("x\ry\r\n", 100), (V{"x\ry\n"}));  // a lone CR stays
  EXPECT_EQ(Pieces("abcdefg\r\n", 4), (V{"abc", "def", "g\n"}));
  EXPECT_EQ(Pieces("abc\r\n", 4), (V{"abc", "\n"}));
  EXPECT_EQ(Pieces("", 100), V{});
  EXPECT_EQ(Pieces(std::string("a\0b\n", 4), 100), (V{std::string("a\0b\n", 4)}));
  // A CR LF split across the reader's internal buffer still reads as one "\n".
  std::string big(65535, 'x');
  big += "\r\nend";
  auto pieces = Pieces(big, 1 << 20);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].back(), '\n');
  EXPECT_EQ(pieces[0].size(), 65536u);
}

TEST(TextLineReader, RefusesDirectoriesAndMissingFiles) {
  TempDir dir;
  TextLineReader in;
  std::string reason;
  EXPECT_FALSE(in.Open(dir.Path().string(), &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_FALSE(in.Open(dir.File("missing"), &reason));
  std::string bytes;
  EXPECT_FALSE(ReadFileBytes(dir.Path().string(), bytes));
}

TEST(TextFileWriter, WritesCrLfAndReplacesOnlyOnCommit) {
  TempDir dir;
  const std::string path = dir.File("out.txt");
  WriteBytes(path, "old");
  {
    TextFileWriter w;
    ASSERT_TRUE(w.Open(path));
    w.Write("a\nb\n");
    EXPECT_EQ(ReadBytes(path), "old");  // nothing replaced before the commit
    ASSERT_TRUE(w.Commit());
  }
  EXPECT_EQ(ReadBytes(path), "a\r\nb\r\n");
  {
    TextFileWriter w;
    ASSERT_TRUE(w.Open(path));
    w.Write("half");
    // Dropped without commit: the previous file stays and no temporary is left.
  }
  EXPECT_EQ(ReadBytes(path), "a\r\nb\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(TextFileWriter, FailsForMissingFoldersAndDirectories) {
  TempDir dir;
  TextFileWriter w;
  EXPECT_FALSE(w.Open(dir.File("no/such/folder/x.txt")));
  EXPECT_FALSE(w.Open(dir.Path().string()));
}

TEST(TextFileWriter, RefusesToReplaceAReadOnlyFile) {
  TempDir dir;
  const std::string path = dir.File("ro.txt");
  WriteBytes(path, "keep");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  std::string reason;
  EXPECT_FALSE(WriteTextFile(path, "new", &reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(ReadBytes(path), "keep");
}

TEST(TextFileWriter, KeepsTheModeOfTheFileItReplaces) {
  TempDir dir;
  const std::string path = dir.File("m.txt");
  WriteBytes(path, "x");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read);
  ASSERT_TRUE(WriteTextFile(path, "y"));
  EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
}

}  // namespace
}  // namespace corvane
