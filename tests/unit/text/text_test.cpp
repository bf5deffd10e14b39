// Text helpers, number reading/printing and the code page.
#include <gtest/gtest.h>

#include <cmath>

#include "core/text/codepage.h"
#include "core/text/numbers.h"
#include "core/text/text_helpers.h"

namespace corvane {
namespace {

TEST(Pad, LeftAndRightFillToWidthAndNeverCut) {
  struct Case { const char* text; int n; const char* left; const char* right; };
  const Case cases[] = {
      {"P1", 5, "   P1", "P1   "}, {"", 3, "   ", "   "}, {"ABCDEF", 3, "ABCDEF", "ABCDEF"},
      {"abc", 3, "abc", "abc"},    {"x", -4, "x", "x"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PadLeft(c.text, c.n), c.left) << c.text << " " << c.n;
    EXPECT_EQ(PadRight(c.text, c.n), c.right) << c.text << " " << c.n;
  }
}

TEST(CleanLine, RemovesQuotesAndCollapsesRuns) {
  struct Case { const char* in; const char* out; };
  const Case cases[] = {
      {"\"P1\"   \"100.5\"   \"TREE\"", "P1 100.5 TREE"},
      {"a    b", "a b"},
      {"   lead", " lead"},
      {"a \" \" b", "a b"},  // quotes removed first, then the blanks meet
      {"", ""},
      {"no runs", "no runs"},
  };
  for (const Case& c : cases) EXPECT_EQ(CleanLine(c.in, ' '), c.out) << c.in;
  EXPECT_EQ(CleanLine("a,,,b", ','), "a,b");
}

TEST(Trim, BlanksLineEndsAndExtensions) {
  EXPECT_EQ(TrimBlanks("  P1  "), "P1");
  EXPECT_EQ(TrimBlanks("\tP1 "), "\tP1");  // only space characters
  EXPECT_EQ(TrimBlanks("    "), "");
  EXPECT_EQ(TrimLineEnds("\r\nabc"), "abc");  // a line as the download splitter cuts it
  EXPECT_EQ(TrimLineEnds("\r\nabc\r\n"), "abc\r");
  EXPECT_EQ(TrimLineEnds("\n\rabc\n\r"), "\rabc");  // CR first, then LF
  EXPECT_EQ(TrimWhite(" \t x y \r\n"), "x y");
  EXPECT_EQ(StripExtension("/d/my.dir/out"), "/d/my");
  EXPECT_EQ(StripExtension("out"), "");
  EXPECT_EQ(StripExtension("a.b.txt"), "a.b");
}

TEST(TextInLastBraces, FollowsTheDialogAnswerRule) {
  struct Case { const char* answer; const char* path; };
  const Case cases[] = {
      {"{2}{/tmp/a.txt}", "/tmp/a.txt"},
      {"{/tmp/a.txt}", "/tmp/a.txt"},
      {"/tmp/a.txt}", "/tmp/a.txt"},  // no "{": from the start
      {"{/tmp/a.txt", ""},            // no "}"
      {"}x{", ""},                    // "}" before "{"
      {"", ""},
      {"{0}{}", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TextInLastBraces(c.answer), c.path) << c.answer;
}

TEST(Numbers, AtofReadsTheLongestDecimalPrefix) {
  struct Case { const char* text; double value; };
  const Case cases[] = {
      {"123.4530", 123.453}, {"  -5.5xyz", -5.5}, {"\t+7", 7}, {"1e3", 1000}, {"1e", 1}, {"1e+", 1},
      {".5", 0.5},           {"5.", 5},          {"", 0},    {"abc", 0},    {"-", 0}, {".", 0},
      {"inf", 0},            {"nan", 0},         {"0x1A", 0}, {"1,5", 1},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(CAtof(c.text), c.value) << c.text;
  EXPECT_TRUE(std::isinf(CAtof("1e999")));
  EXPECT_DOUBLE_EQ(CAtof(std::string(10000, '9').insert(0, "0.")), 1.0);
}

TEST(Numbers, AtoiAndShort) {
  EXPECT_EQ(CAtoi(" 42abc"), 42);
  EXPECT_EQ(CAtoi("-3"), -3);
  EXPECT_EQ(CAtoi("x1"), 0);
  EXPECT_EQ(CAtoi("99999999999999"), 2147483647);
  EXPECT_EQ(CAtoi("-99999999999999"), -2147483647 - 1);
  EXPECT_EQ(ToShort(65536), 0);
  EXPECT_EQ(ToShort(65535), -1);
  EXPECT_EQ(ToShort(3), 3);
}

TEST(Numbers, PrintingRoundsLikePrintf) {
  EXPECT_EQ(Format3(98.4807753), "98.481");
  EXPECT_EQ(Format4(1234.56789), "1234.5679");
  EXPECT_EQ(Format3(6.1e-15), "0.000");
  EXPECT_EQ(Format3(-0.0004), "-0.000");
  EXPECT_EQ(Format3(1e20), "100000000000000000000.000");
  EXPECT_EQ(FormatInt(-12), "-12");
}

TEST(CodePage, RoundTripsChineseAndMarksInvalidBytes) {
  const std::string utf8 = "新测站点号 :";
  const std::string gbk = Utf8ToGbk(utf8);
  EXPECT_EQ(gbk.size(), 12u);  // five characters of two bytes, a blank and a colon
  EXPECT_EQ(GbkToUtf8(gbk), utf8);
  EXPECT_EQ(GbkToUtf8("ab\xFF\xFF" "c"), "ab\xEF\xBF\xBD\xEF\xBF\xBD" "c");
  EXPECT_EQ(GbkToUtf8("plain"), "plain");
}

}  // namespace
}  // namespace corvane
