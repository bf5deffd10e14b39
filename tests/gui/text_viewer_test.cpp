// Which written files the program shows in its own GBK viewer, and what the
// viewer shows.
#include <QPlainTextEdit>

#include "gui/gbk_text.h"
#include "gui/text_viewer.h"
#include "gui_fixture.h"

namespace corvane::guitest {
namespace {

class TextViewerTest : public GuiFixture {};

TEST_F(TextViewerTest, OnlyTextsThatAreNeitherAsciiNorUtf8GoToTheViewer) {
  const std::string megabyte(1 << 20, 'a');
  struct Case {
    const char* name;
    std::string bytes;
    bool viewer;
  } cases[] = {
      {"ascii.txt", "P1,100.000,200.000\r\n", false},
      {"empty.rpt", "", false},
      {"utf8.txt", "\xe6\xb5\x8b\xe7\xab\x99,1\r\n", false},
      {"gbk.rpt", "\xb2\xe2\xd5\xbe,1\r\n", true},
      {"GBK.TXT", "P1\r\n\xb5\xe3\r\n", true},
      {"gbk.dxf", "0\r\nTEXT\r\n1\r\n\xb5\xe3\r\n", false},
      {"late.txt", megabyte + "\xb5\xe3", false},  // only the first megabyte is judged
      {"cut.txt", megabyte.substr(0, (1 << 20) - 2) + "\xe6\xb5\x8b", false},  // UTF-8 cut at the megabyte
      {"gbk-late-utf8.txt", "\xb5\xe3" + megabyte, true},
  };
  for (const Case& c : cases) {
    const std::string path = files_.File(c.name);
    testing::WriteBytes(path, c.bytes);
    QByteArray bytes;
    EXPECT_EQ(gui::NeedsGbkViewer(QString::fromStdString(path), &bytes), c.viewer) << c.name;
    if (c.viewer) {
      EXPECT_EQ(bytes.toStdString(), c.bytes) << c.name;
    }
  }
  QByteArray unused;
  EXPECT_FALSE(gui::NeedsGbkViewer(QString::fromStdString(files_.File("missing.rpt")), &unused));
}

TEST_F(TextViewerTest, TheViewerReadsGbkLineByLine) {
  const QByteArray report("\xa9\xb0\xa9\xa4\xa9\xb4\r\n\xa9\xa6\xb2\xe2\xd5\xbe\xa9\xa6\r\n");
  gui::TextFileViewer viewer("/jobs/site.rpt", report, "Close");
  EXPECT_EQ(viewer.windowTitle(), "site.rpt");
  EXPECT_EQ(viewer.Text()->toPlainText(), QString::fromUtf8("┌─┐\n│测站│\n"));
  EXPECT_TRUE(viewer.Text()->isReadOnly());
  EXPECT_EQ(viewer.Text()->accessibleName(), "/jobs/site.rpt");
}

}  // namespace
}  // namespace corvane::guitest
