// Upload record conversion and coordinate import.
#include <gtest/gtest.h>

#include <cstring>

#include "core/grid/coordinate_import.h"
#include "core/grid/upload_record.h"
#include "unit/grid/grid_test_util.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using corvane::testing::FreshGrid;
using corvane::testing::RowText;

std::string Rec(const char* a, const char* b, const char* c, const char* d, const char* e) {
  std::string out;
  for (const char* f : {a, b, c, d, e}) out += std::string(14 - std::strlen(f), ' ') + f + ",";
  out.back() = '\r';
  return out + "\n";
}

TEST(ConvertUploadLine, BuildsRecordsForEveryLayoutAndOrder) {
  struct Case { const char* line; int type; bool enz; std::string record; };
  const Case cases[] = {
      {"P1,100.5,200.25,10,TREE\r\n", 0, false, Rec("P1", "100.5", "200.25", "10", "TREE")},
      {"P1,100.5,200.25,10,TREE\n", 0, true, Rec("P1", "200.25", "100.5", "10", "TREE")},
      {"P1,E,N,Z,C", 1, false, Rec("P1", "N", "E", "Z", "C")},
      {"P1,E,N,Z,C", 6, true, Rec("P1", "E", "N", "Z", "C")},
      {"P1 TREE 100.5 200.25 10", 2, false, Rec("P1", "100.5", "200.25", "10", "TREE")},
      {"P1 TREE 100.5 200.25 10", 2, true, Rec("P1", "200.25", "100.5", "10", "TREE")},
      {"P1,C,E,N,Z", 3, false, Rec("P1", "N", "E", "Z", "C")},
      {"P1,C,E,N,Z", 3, true, Rec("P1", "E", "N", "Z", "C")},
      {"7,P1,TREE,1,2,3", 4, false, Rec("P1", "1", "2", "3", "TREE")},
      {"7,P1,TREE,1,2,3", 4, true, Rec("P1", "2", "1", "3", "TREE")},
      {"7,P1,C,E,N,Z", 5, false, Rec("P1", "N", "E", "Z", "C")},
      {"7,P1,C,E,N,Z", 5, true, Rec("P1", "E", "N", "Z", "C")},
      {"\"P1\"   \"1\"   \"2\"   \"3\"   \"C\"", 0, false, Rec("P1", "1", "2", "3", "C")},
      {"P1,1,,3,C", 0, false, Rec("P1", "1", "", "3", "C")},
      {"a,b,c,d,e,f,g,h", 0, false, Rec("a", "b", "c", "d", "e")},
      {" x,y", 0, false, Rec(" x", "y", "", "", "")},  // a blank at 0 does not count: commas split
      {" lead no", 0, false, Rec("", "", "", "", "")},   // a blank first, no comma, no tab
      {" lead\tno", 0, false, Rec(" lead", "no", "", "", "")},
      {"P1 , 2", 0, false, Rec("P1", ",", "2", "", "")},
      {"P1,  100.5 ,2", 9, false, "P1, 100.5 ,2"},
  };
  for (const Case& c : cases) {
    UploadLineResult r = ConvertUploadLine(c.line, c.type, c.enz);
    EXPECT_EQ(r.record, c.record) << c.line << " type " << c.type;
    EXPECT_TRUE(r.message.empty());
  }
}

TEST(ConvertUploadLine, RejectsFieldsLongerThanFourteen) {
  UploadLineResult r = ConvertUploadLine("ABCDEFGHIJKLMNO,1,2,3,C\r\n", 0, false);
  EXPECT_EQ(r.record, "");
  EXPECT_EQ(r.message, "The data 0 in line:ABCDEFGHIJKLMNO,1,2,3,C\r\nis too long(>14),will be drop!");
  r = ConvertUploadLine("P,1,2,123456789012345,C", 9, false);
  EXPECT_EQ(r.message.substr(0, 11), "The data 3 ");
}

TEST(ParseImportAnswer, LayoutFromFirstBracesPathFromLast) {
  struct Case { const char* answer; int layout; const char* path; };
  const Case cases[] = {{"{2}{/a/b.txt}", 2, "/a/b.txt"}, {"{x}{/a}", 0, "/a"}, {"{65537}{p}", 1, "p"},
                        {"{4}", 4, "4"}, {"nothing", 0, ""}};
  for (const Case& c : cases) {
    ImportAnswer a = ParseImportAnswer(c.answer);
    EXPECT_EQ(a.layout, c.layout) << c.answer;
    EXPECT_EQ(a.path, c.path) << c.answer;
  }
  EXPECT_EQ(LayoutAfterFirstBrace("{12}{x}"), 12);
}

class FakeSettings : public ISettingsReader {
 public:
  std::string coorType = "0";
  mutable int reads = 0;
  std::string ReadSetting(SettingsSection, std::string_view name, std::string_view def) const override {
    ++reads;
    return name == "CoorType" ? coorType : std::string(def);
  }
};

TEST(ImportCoordinates, PlacesFieldsByLayoutAndOrder) {
  corvane::testing::TempDir dir;
  corvane::testing::WriteBytes(dir.File("a.txt"),
                               "P1,100,200,10,TREE\r\nP2;101;201;11;POLE\r\nP3    102   202 12 WALL\r\n\r\n lead\r\n"
                               "P4\t103\t203\t13\tX\r\n");
  FakeSettings s;
  RecordGrid g = FreshGrid();
  ASSERT_TRUE(ImportCoordinates(g, dir.File("a.txt"), 0, s).Done());
  EXPECT_EQ(g.RowCount(), 7);
  EXPECT_EQ(RowText(g, 1), "1|||P1||||100|200|10|||TREE");
  EXPECT_EQ(RowText(g, 2), "2|||P2||||101|201|11|||POLE");
  EXPECT_EQ(RowText(g, 3), "3|||P3||||102|202|12|||WALL");
  EXPECT_EQ(RowText(g, 4), "4");
  EXPECT_EQ(RowText(g, 5), "5");
  EXPECT_EQ(RowText(g, 6), "6|||P4||||103|203|13|||X");
  EXPECT_EQ(s.reads, 1);  // the coordinate order once per import, not once per line
  s.coorType = "1";
  ASSERT_TRUE(ImportCoordinates(g, dir.File("a.txt"), 0, s).Done());
  EXPECT_EQ(RowText(g, 1), "1|||P1||||200|100|10|||TREE");

  corvane::testing::WriteBytes(dir.File("b.txt"), "9,P1,TREE,1,2,3\n");
  s.coorType = "0";
  ASSERT_TRUE(ImportCoordinates(g, dir.File("b.txt"), 4, s).Done());
  EXPECT_EQ(RowText(g, 1), "1|||P1||||1|2|3|||TREE");
  ASSERT_TRUE(ImportCoordinates(g, dir.File("b.txt"), 5, s).Done());
  EXPECT_EQ(RowText(g, 1), "1|||P1||||2|1|3|||TREE");
  ASSERT_TRUE(ImportCoordinates(g, dir.File("b.txt"), 7, s).Done());
  EXPECT_EQ(RowText(g, 1), "1");
  EXPECT_EQ(ImportCoordinates(g, dir.File("none.txt"), 0, s).message, "Open file failed!");
  EXPECT_EQ(g.RowCount(), 2);  // a failed import leaves the grid as it was
}

TEST(ImportCoordinates, LongLinesArriveInPieces) {
  corvane::testing::TempDir dir;
  corvane::testing::WriteBytes(dir.File("long.txt"), "P1," + std::string(150, '9') + ",2,3,C\n");
  FakeSettings s;
  RecordGrid g = FreshGrid();
  ASSERT_TRUE(ImportCoordinates(g, dir.File("long.txt"), 0, s).Done());
  EXPECT_EQ(g.RowCount(), 3);  // 99 bytes, then the rest as a line of its own
  EXPECT_EQ(g.Cell(1, 7), std::string(96, '9'));
}

}  // namespace
}  // namespace corvane
