// Every job command from the menu bar and the keyboard: the File menu holds the
// commands of the grid's context menu, each reached with keys alone.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "gui/main_dlg.h"
#include "gui_fixture.h"
#include "grid_helpers.h"

namespace corvane::guitest {
namespace {

class JobMenuTest : public GuiFixture {
 protected:
  static bool Holds(QMenu* menu, QAction* target) {
    for (QAction* a : menu->actions())
      if (a == target || (a->menu() && Holds(a->menu(), target))) return true;
    return false;
  }
  // Down, and Right into a submenu, in the open menus until `target` is the
  // active action.
  static bool Reach(QAction* target) {
    for (int i = 0; i < 80; ++i) {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return false;
      QAction* active = menu->activeAction();
      if (active == target) return true;
      QTest::keyClick(menu, active && active->menu() && Holds(active->menu(), target) ? Qt::Key_Right : Qt::Key_Down);
    }
    return false;
  }
  // A window with a job opened, one edit undone and one kept: every command enabled.
  std::unique_ptr<gui::CMainDlg> Window() {
    auto w = std::make_unique<gui::CMainDlg>(*context_);
    ShowActive(*w);
    const std::string job = files_.File("job.kvm");
    testing::WriteBytes(job, "U,ST,S1,,,,100,200,10\r\nU,BS,B1,,,,110,200,10\r\nU,DP,P1,10,90.0000,90.0000\r\n");
    w->DataPage()->OpenPath(QString::fromStdString(job));
    w->DataPage()->History().EditCell(3, 3, "P2", "Edit");
    w->DataPage()->History().EditCell(3, 3, "P3", "Edit");
    w->DataPage()->Undo();
    return w;
  }
};

TEST_F(JobMenuTest, EveryJobCommandIsReachedFromTheMenuBarWithTheKeyboard) {
  UseProgramFolder(Captions::Installed, true);
  Set(SettingsSection::OtherSet, "language", "1");
  context_->ReloadLanguageIndex();
  // Commands that open a dialog of their own find it closed at once.
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [] {
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
  });
  closer.start(20);
  for (const gui::JobCommand& c : gui::JobCommands()) {
    auto w = Window();
    QAction* target = w->DataPage()->JobAction(c.id);
    ASSERT_TRUE(target->isEnabled()) << c.id;
    QSignalSpy triggered(target, &QAction::triggered);
    QTest::keyClick(w.get(), Qt::Key_F, Qt::AltModifier);
    ASSERT_EQ(QApplication::activePopupWidget(), w->TopMenu(0)) << c.id;
    ASSERT_TRUE(Reach(target)) << c.id << " " << target->text().toStdString();
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);
    EXPECT_EQ(triggered.count(), 1) << c.id;
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << c.id;
  }
  // A recently opened job the same way.
  auto w = Window();
  w->DataPage()->ClearGrid();
  QTest::keyClick(w.get(), Qt::Key_F, Qt::AltModifier);
  QMenu* recent = w->DataPage()->findChild<QMenu*>("recentJobs");
  ASSERT_TRUE(recent);
  ASSERT_TRUE(Reach(recent->menuAction()));
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Right);
  ASSERT_EQ(QApplication::activePopupWidget(), recent);
  QTest::keyClick(recent, Qt::Key_Return);
  EXPECT_EQ(w->DataPage()->Grid().Cell(1, 3), "S1");
  EXPECT_EQ(w->DataPage()->JobPath().toStdString(), files_.File("job.kvm"));
}

TEST_F(JobMenuTest, TheFileMenuHoldsTheContextMenusCommandsWithTheSameRules) {
  auto w = Window();
  MenuScript script;
  ScriptMenus(*w->DataPage(), script);
  RightClick(*w->DataPage(), 2, 5);
  ASSERT_TRUE(script.shown);
  // The context menu's submenus, entry by entry, are the File menu's.
  QStringList fileMenu;
  for (QAction* a : w->TopMenu(0)->actions())
    if (a->menu() && a->menu()->objectName().startsWith("jobGroup")) fileMenu << a->text() + ">" + Describe(*a->menu());
  EXPECT_EQ(fileMenu.join("|-|"), script.titles.join('|'));
  // Undo greys out in the menu bar and the keyboard alike when there is nothing to undo.
  while (w->DataPage()->CanUndoNow()) w->DataPage()->Undo();
  emit w->TopMenu(0)->aboutToShow();
  EXPECT_FALSE(w->DataPage()->JobAction(gui::kCmdUndo)->isEnabled());
  EXPECT_TRUE(w->DataPage()->JobAction(gui::kCmdRedo)->isEnabled());
}

TEST_F(JobMenuTest, CtrlOOpensAndCtrlSSavesToTheJobsOwnFile) {
  auto w = Window();
  w->DataPage()->View()->setFocus();
  QTest::keyClick(w->DataPage()->View(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(prompts_.filtersAsked.size(), 1);
  EXPECT_EQ(prompts_.questions.size(), 1);  // the job holds an edit
  QTest::keyClick(w->DataPage()->View(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(prompts_.filtersAsked.size(), 1);  // no dialog: the job has its file
  EXPECT_EQ(testing::ReadBytes(files_.File("job.kvm")),
            "U,ST,S1,,,,100,200,10\r\nU,BS,B1,,,,110,200,10\r\nU,DP,P2,10,90.0000,90.0000\r\n");
  EXPECT_FALSE(w->isWindowModified());
}

}  // namespace
}  // namespace corvane::guitest
