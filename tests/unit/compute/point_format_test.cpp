// Point lines of every layout, the DXF pieces, the export answer and the job's
// coordinate order.
#include <gtest/gtest.h>

#include "compute_test_util.h"
#include "core/compute/export_answer.h"
#include "core/compute/point_format.h"

namespace corvane {
namespace {

using namespace testing;  // corvane::testing: grids, files, settings

TEST(FormatPointLine, DelimitedAndFixedLayouts) {
  struct Case {
    int layout;
    const char* sep;
    const char* want;
  };
  const Case cases[] = {
      {0, ",", "P1,100.000,200.000,10.000,TREE\n"},
      {1, ",", "P1,200.000,100.000,10.000,TREE\n"},
      {2, " ", "P1 TREE 100.000 200.000 10.000\n"},
      {3, "\t", "P1\tTREE\t200.000\t100.000\t10.000\n"},
      {4, ",", "12,P1,TREE,100.000,200.000,10.000\n"},
      {5, "", "12P1TREE200.000100.00010.000\n"},
      {7, ",", "        P1      200.000     100.000    10.000 0 \"          \" \"  \" \"      \"\n"},
      {8, ",", ""},
      {-1, ",", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatPointLine("P1", "TREE", "100.000", "200.000", "10.000", c.layout, c.sep, 12), c.want) << c.layout;
  // Fixed columns never cut a longer text.
  EXPECT_EQ(FormatPointLine("POINT-NAME-12", "", "1", "2", "1234567890", 7, "", 0),
            "POINT-NAME-12            2           1 1234567890 0 \"          \" \"  \" \"      \"\n");
  // Counters go on past 32767 without turning negative.
  EXPECT_EQ(FormatPointLine("P", "", "1", "2", "3", 4, ",", 40000), "40000,P,,1,2,3\n");
}

TEST(FormatPointLine, DxfBlockDrawsTwoCirclesAndTwoLabels) {
  EXPECT_EQ(FormatPointLine("P1", "TREE", "1000.000", "2100.000", "50.000", 6, ",", 3),
            "CIRCLE\n8\nZAMO\n10\n2100.000\n20\n1000.000\n30\n50.000\n40\n0.07\n0\n"
            "CIRCLE\n8\nZAMO\n10\n2100.000\n20\n1000.000\n30\n50.000\n40\n1\n0\n"
            "TEXT\n8\nZAMO_NO\n10\n2101.000\n20\n999.000\n30\n50.000\n40\n1\n1\n P1\n50\n0\n0\n"
            "TEXT\n8\nZAMO_H\n10\n2101.000\n20\n1001.000\n30\n50.000\n40\n1\n1\n 50.000\n50\n45\n0\n");
}

TEST(FormatPointLine, DxfValuesStayReadableWithOddCells) {
  // An empty height, a non-numeric or overflowing coordinate and a name with
  // line-end bytes must not break the group structure of the file.
  const std::string block = FormatPointLine("A\r\nB", "", "abc", "1e999", "", 6, "", 1);
  EXPECT_EQ(block,
            "CIRCLE\n8\nZAMO\n10\n0.000\n20\n0.000\n30\n0.000\n40\n0.07\n0\n"
            "CIRCLE\n8\nZAMO\n10\n0.000\n20\n0.000\n30\n0.000\n40\n1\n0\n"
            "TEXT\n8\nZAMO_NO\n10\n0.000\n20\n-1.000\n30\n0.000\n40\n1\n1\n A  B\n50\n0\n0\n"
            "TEXT\n8\nZAMO_H\n10\n0.000\n20\n1.000\n30\n0.000\n40\n1\n1\n \n50\n45\n0\n");
  // Numbers keep the text they were typed with.
  EXPECT_NE(FormatPointLine("P", "", " 1.5", "-2e3", "+7", 6, "", 1).find("10\n-2e3\n20\n 1.5\n30\n+7\n"),
            std::string::npos);
}

TEST(ParseExportAnswer, ReadsCharacterPositionsAndLastBraces) {
  struct Case {
    const char* answer;
    int layout;
    const char* sep;
    const char* path;
  };
  const Case cases[] = {
      {"{0}{0}{/jobs/out.txt}", 0, ",", "/jobs/out.txt"},
      {"{7}{1}{/a b/c.txt}", 7, " ", "/a b/c.txt"},
      {"{6}{2}{x.dxf}", 6, "\t", "x.dxf"},
      {"{5}{3}{p}", 5, "", "p"},
      {"{x}{y}{p}", 0, ",", "p"},
      {"{9}{0}{p}", 9, ",", "p"},
      {"{1}", 1, ",", "1"},
      {"{", 0, ",", ""},
      {"{4}{0}no braces", 4, ",", "0"},
  };
  for (const Case& c : cases) {
    const ExportAnswer a = ParseExportAnswer(c.answer);
    EXPECT_EQ(a.layout, c.layout) << c.answer;
    EXPECT_EQ(a.separator, c.sep) << c.answer;
    EXPECT_EQ(a.path, c.path) << c.answer;
  }
}

TEST(CoordinateOrder, FirstCoorTypeRowDecides) {
  struct Case {
    std::vector<std::string> lines;
    char want;
  };
  const Case cases[] = {
      {{"U,ST,S1"}, '1'},
      {{"x,CoorType,ENZ"}, '2'},
      {{"x,CoorType,NEZ", "x,CoorType,ENZ"}, '1'},
      {{"x,CoorType,EN"}, '2'},
      {{"x,CoorType,E"}, '1'},
      {{"x,CoorType,enz"}, '1'},
      {{"CoorType:ENZ"}, '1'},  // a key:value header keeps its key in column 1
  };
  for (const Case& c : cases) EXPECT_EQ(CoordinateOrder(JobGrid(c.lines)), c.want) << c.lines[0];
  RecordGrid g = JobGrid({"x,y,ENZ"});
  g.SetCell(1, 2, "  CoorType ");
  EXPECT_EQ(CoordinateOrder(g), '2');
}

TEST(ReadDxfTemplate, ReadsTextModeAndReportsAMissingFile) {
  TempDir dir;
  const std::string path = dir.File("DXF.lib");
  std::string longLine(250, 'x');
  WriteBytes(path, "0\r\nSECTION\r\n" + longLine + "\r\nlone\rcr\r\n0\r\n");
  std::string text;
  ASSERT_TRUE(ReadDxfTemplate(path, text));
  EXPECT_EQ(text, "0\nSECTION\n" + longLine + "\nlone\rcr\n0\n");
  std::string reason;
  EXPECT_FALSE(ReadDxfTemplate(dir.File("none.lib"), text, &reason));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(reason.empty());
  EXPECT_STREQ(kReadDxfTemplateFailed, "Read DXF.lib failed!");
}

TEST(ReadDxfTemplate, ShippedTemplateEndsWhereTheFirstEntityGoes) {
  std::string text;
  ASSERT_TRUE(ReadDxfTemplate(DxfTemplatePath(), text)) << DxfTemplatePath();
  const std::string tail = "\n2\nENTITIES\n0\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
  for (const char* layer : {"\nZAMO\n", "\nZAMO_NO\n", "\nZAMO_H\n"}) EXPECT_NE(text.find(layer), std::string::npos);
}

}  // namespace
}  // namespace corvane
