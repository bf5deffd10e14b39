// The main window on a small screen, and what it keeps between runs.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QScreen>
#include <QTabWidget>

#include "gui/main_dlg.h"
#include "gui_fixture.h"
#include "grid_helpers.h"

namespace corvane::guitest {
namespace {

class DesktopLayoutTest : public GuiFixture {};

// At 800 x 600 (the window's frame and a panel taken off) every control of every
// page is inside the window and gets at least the room it asks for.
TEST_F(DesktopLayoutTest, EveryControlIsWholeAtEightHundredBySixHundred) {
  UseProgramFolder(Captions::Installed, true);
  for (const char* language : {"0", "1"}) {
    Set(SettingsSection::OtherSet, "language", language);
    gui::CMainDlg w(*context_);
    const QSize small(780, 540);
    w.resize(small);
    ShowActive(w);
    EXPECT_LE(w.minimumSizeHint().width(), small.width()) << language;
    EXPECT_LE(w.minimumSizeHint().height(), small.height()) << language;
    for (int tab = 0; tab < w.Tabs()->count(); ++tab) {
      w.Tabs()->setCurrentIndex(tab);
      QApplication::processEvents();
      EXPECT_EQ(w.size(), small) << language << " tab " << tab;
      for (QWidget* c : w.Tabs()->currentWidget()->findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(c) || qobject_cast<QComboBox*>(c) ||
                             qobject_cast<QLineEdit*>(c) || qobject_cast<QAbstractItemView*>(c) ||
                             qobject_cast<QPlainTextEdit*>(c);
        if (!control || !c->isVisibleTo(&w) || c->objectName() == "editor" || c->parentWidget()->inherits("QComboBox"))
          continue;
        const QRect r(c->mapTo(&w, QPoint(0, 0)), c->size());
        const std::string what = std::string(language) + " tab " + std::to_string(tab) + " " +
                                 c->metaObject()->className() + " " + c->objectName().toStdString();
        EXPECT_TRUE(w.rect().contains(r)) << what << " at " << r.x() << "," << r.y() << " " << r.width() << "x"
                                          << r.height();
        EXPECT_GE(c->width(), c->minimumSizeHint().width()) << what;
        EXPECT_GE(c->height(), qMin(c->minimumSizeHint().height(), c->sizeHint().height())) << what;
      }
    }
  }
}

TEST_F(DesktopLayoutTest, SizePlaceAndSplitterComeBackAtTheNextStart) {
  QList<int> sizes;
  {
    gui::CMainDlg w(*context_);
    ShowActive(w);
    // The first start fits the screen.
    EXPECT_TRUE(w.screen()->availableGeometry().contains(QRect(QPoint(0, 0), w.size())));
    w.resize(900, 640);
    w.DataPage()->Splitter()->setSizes({500, 380});
    sizes = w.DataPage()->Splitter()->sizes();
    ASSERT_TRUE(w.close());
  }
  gui::CMainDlg again(*context_);
  EXPECT_EQ(again.size(), QSize(900, 640));
  ShowActive(again);
  EXPECT_EQ(again.DataPage()->Splitter()->sizes(), sizes);
  // Kept beside the settings, not in them.
  EXPECT_EQ(Get(SettingsSection::OtherSet, "geometry"), "<none>");
}

TEST_F(DesktopLayoutTest, TheFirstStartFollowsTheDesktopsLanguage) {
  struct Case {
    QStringList languages;
    int index;
  } cases[] = {{{"zh-CN"}, 0}, {{"zh-TW", "en-US"}, 0}, {{"zh"}, 0}, {{"de-DE", "zh-CN"}, 1},
               {{"en-US"}, 1}, {{"C"}, 1},           {{}, 1},     {{"zhx"}, 1}};
  for (const Case& c : cases) EXPECT_EQ(gui::LanguageForDesktop(c.languages), c.index) << c.languages.join(",").toStdString();
  // With no choice stored the desktop's language counts; a stored choice wins.
  for (const char* stored : {"", "0", "1"}) {
    if (*stored) Set(SettingsSection::OtherSet, "language", stored);
    for (const int desktop : {0, 1}) {
      SetUnchosenLanguage(desktop);
      context_->ReloadLanguageIndex();
      EXPECT_EQ(context_->LanguageIndex(), *stored ? *stored - '0' : desktop) << stored << " " << desktop;
    }
  }
  SetUnchosenLanguage(0);
}

}  // namespace
}  // namespace corvane::guitest
