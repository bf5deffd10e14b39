// Open and Save through the file dialogs, and their failures.
#include <QPushButton>

#include "gui_fixture.h"
#include "grid_helpers.h"

namespace corvane::guitest {
namespace {

using gui::CDataPage;

class OpenSaveTest : public GuiFixture {};

TEST(FileFilters, PairsBecomeQtFiltersShowingTheirPatterns) {
  EXPECT_EQ(gui::QtFileFilter("*.kvm|*.kvm|*.txt|*.txt|*.*|*.*|"), "*.kvm;;*.txt;;*.* (*)");
  EXPECT_EQ(gui::QtFileFilter("Jobs|*.kvm|"), "Jobs (*.kvm)");
  EXPECT_EQ(gui::QtFileFilter(""), "");
}

TEST_F(OpenSaveTest, OpenedJobSavesBackToTheSameBytes) {
  CDataPage page(*context_);
  const std::string job =
      "ZAMO RECORD FILE\r\n"
      "U,ST,S1,0.0000,0.0000,0.0000,100.0000,200.0000,10.0000,1.5000,0.0000,STN,              ,####\r\n"
      "U,DP,P1,12.3450,90.0000,88.1230,,,,,1.6000,TREE\r\n"
      "U,MP,\xB5\xE3\x31,0.0000,0.0000,0.0000,1.0,2.0,3.0\r\n";
  const std::string in = files_.File("job.kvm"), out = files_.File("saved.kvm");
  testing::WriteBytes(in, job);
  prompts_.openAnswers.push_back(QString::fromStdString(in));
  page.OpenButton()->click();
  ASSERT_TRUE(prompts_.messages.empty());
  EXPECT_EQ(prompts_.filtersAsked.at(0), "*.kvm;;*.txt;;*.dat;;*.csv;;*.raw;;*.xyz;;*.* (*)");
  EXPECT_EQ(page.Grid().RowCount(), 5);
  EXPECT_EQ(page.Grid().Cell(1, 3), "FILE");
  EXPECT_EQ(page.Grid().Cell(4, 3), "\xB5\xE3\x31");
  prompts_.saveAnswers.push_back(QString::fromStdString(out));
  page.SaveButton()->click();
  EXPECT_EQ(prompts_.filtersAsked.at(1), "*.kvm;;*.txt;;*.dat;;*.csv;;*.raw;;*.* (*)");
  ASSERT_TRUE(prompts_.messages.empty());
  // Blank-separated lines come back comma-separated; the records stay as they were.
  const std::string expected =
      "ZAMO,RECORD,FILE\r\n"
      "U,ST,S1,0.0000,0.0000,0.0000,100.0000,200.0000,10.0000,1.5000,0.0000,STN,,####\r\n"
      "U,DP,P1,12.3450,90.0000,88.1230,,,,,1.6000,TREE\r\n"
      "U,MP,\xB5\xE3\x31,0.0000,0.0000,0.0000,1.0,2.0,3.0\r\n";
  EXPECT_EQ(testing::Visible(testing::ReadBytes(out)), testing::Visible(expected));
}

TEST_F(OpenSaveTest, OpenResetsTheStationListAndTheCaptions) {
  CDataPage page(*context_);
  page.OnDownloadComplete("U,ST,S1\r\nU,BS,B1\r\nU,DP,P1\r\n");
  page.SetStationListValid(1);
  const std::string in = files_.File("a.txt");
  testing::WriteBytes(in, "U,ST,S9\nU,DP,P9");  // bare LF and no final line end
  prompts_.openAnswers.push_back(QString::fromStdString(in));
  page.OpenFile();
  EXPECT_EQ(page.StationListValid(), 0);
  EXPECT_EQ(page.Grid().RowCount(), 3);
  EXPECT_EQ(page.Grid().Cell(2, 3), "P9");
  EXPECT_EQ(page.Grid().Cell(0, 1), "MARK");
}

TEST_F(OpenSaveTest, FailuresShowOpenFileFailedAndChangeNothing) {
  CDataPage page(*context_);
  page.OnDownloadComplete("U,ST,S1\r\n");
  const std::string folder = files_.File("folder");
  std::filesystem::create_directories(folder);
  struct Case {
    bool open;
    std::string path;
  } cases[] = {{true, files_.File("missing.kvm")}, {true, folder}, {false, files_.File("no/such/dir/x.kvm")},
               {false, folder}};
  for (const Case& c : cases) {
    prompts_.messages.clear();
    (c.open ? prompts_.openAnswers : prompts_.saveAnswers).push_back(QString::fromStdString(c.path));
    if (c.open) page.OpenFile();
    else page.SaveFile();
    ASSERT_EQ(prompts_.messages.size(), 1u) << c.path;
    EXPECT_EQ(prompts_.messages[0].text, "Open file failed!");
    EXPECT_EQ(prompts_.messages[0].icon, corvane::MessageIcon::Exclamation);
    EXPECT_EQ(prompts_.messages[0].caption, "Corvane");
    EXPECT_TRUE(prompts_.messages[0].detail.startsWith(QString::fromStdString(c.path)));
    EXPECT_EQ(page.Grid().RowCount(), 2);
    EXPECT_EQ(page.Grid().Cell(1, 3), "S1");
  }
}

TEST_F(OpenSaveTest, CancelledDialogsChangeNothing) {
  CDataPage page(*context_);
  page.OnDownloadComplete("U,ST,S1\r\n");
  page.SetStationListValid(1);
  page.OpenFile();
  page.SaveFile();
  EXPECT_EQ(page.Grid().RowCount(), 2);
  EXPECT_EQ(page.StationListValid(), 1);
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(OpenSaveTest, SaveReplacesAnExistingFileWhole) {
  CDataPage page(*context_);
  page.OnDownloadComplete("U,ST,S1\r\n");
  const std::string out = files_.File("old.kvm");
  testing::WriteBytes(out, std::string(5000, 'x'));
  prompts_.saveAnswers.push_back(QString::fromStdString(out));
  page.SaveFile();
  EXPECT_EQ(testing::ReadBytes(out), "U,ST,S1\r\n");
}

}  // namespace
}  // namespace corvane::guitest
