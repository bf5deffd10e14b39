// Pictures of the main window for the manual and for reviewers: English and
// Chinese, with a job loaded, saved under build/screenshots.
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <QTest>

#include "gui/data_page.h"
#include "gui/main_dlg.h"
#include "gui_fixture.h"
#include "grid_helpers.h"

namespace corvane::guitest {
namespace {

const char* const kJob =
    "ZAMO RECORD FILE\r\n"
    "AnglUnit:dms\r\n"
    "U,ST,S1,0.0000,0.0000,0.0000,1000.0000,2000.0000,50.0000,1.5600,0.0000,STN,              ,####\r\n"
    "U,BS,B1,0.0000,0.0000,0.0000,1100.0000,2000.0000,50.2000,0.0000,1.6000,BKS,              ,####\r\n"
    "U,DP,101,125.4310,45.3020,89.5940,0.0000,0.0000,0.0000,0.0000,1.6000,TREE,              ,####\r\n"
    "U,DP,102,98.1200,120.1505,90.1010,0.0000,0.0000,0.0000,0.0000,1.6000,POLE,              ,####\r\n"
    "U,RP,103,64.0080,210.4430,91.0205,0.0000,0.0000,0.0000,0.0000,1.6000,WALL,              ,####\r\n"
    "U,MP,A1,0.0000,0.0000,0.0000,1050.2500,2075.1250,51.0300,0.0000,0.0000,KERB,              ,####\r\n";

class ScreenshotTest : public GuiFixture {
 protected:
  QString Save(QWidget& w, const char* name) {
    const QString dir = QStringLiteral(CORVANE_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    const QString path = dir + QLatin1Char('/') + QLatin1String(name);
    const QPixmap picture = w.grab();
    EXPECT_FALSE(picture.isNull());
    EXPECT_TRUE(picture.save(path)) << path.toStdString();
    return path;
  }
};

TEST_F(ScreenshotTest, MainWindowInBothLanguagesWithAJob) {
  UseProgramFolder(Captions::Installed, true);
  const std::string job = files_.File("job.kvm");
  testing::WriteBytes(job, kJob);
  struct Shot {
    const char* language;
    const char* main;
    const char* settings;
  } shots[] = {{"1", "main_en.png", "settings_en.png"}, {"0", "main_zh.png", "settings_zh.png"}};
  for (const Shot& s : shots) {
    Set(SettingsSection::OtherSet, "Language", s.language);
    gui::CMainDlg w(*context_);
    w.resize(1000, 460);
    w.DataPage()->OpenPath(QString::fromStdString(job));
    ShowActive(w);
    QTest::qWait(30);
    const QPixmap before = w.grab();
    EXPECT_FALSE(QPixmap(Save(w, s.main)).isNull());
    w.Tabs()->setCurrentIndex(1);
    QTest::qWait(30);
    Save(w, s.settings);
    EXPECT_EQ(before.size(), w.grab().size());
  }
}

}  // namespace
}  // namespace corvane::guitest
