// What assistive technology and keyboard users meet in the main window: names
// and descriptions, Tab order, the status boxes' caption line, dialog owners.
#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <set>

#include "corvanedlg/corvane_dll.h"
#include "gui/data_page.h"
#include "gui/main_dlg.h"
#include "gui/record_grid_view.h"
#include "gui/transfer_pages.h"
#include "gui_fixture.h"

namespace corvane::guitest {
namespace {

using gui::CMainDlg;

class AccessibilityTest : public GuiFixture {
 protected:
  // The widgets Tab reaches from the focused one, once round the window.
  static std::set<QWidget*> TabChain(QWidget& window) {
    std::set<QWidget*> seen;
    QWidget* start = QApplication::focusWidget();
    for (int i = 0; i < 200; ++i) {
      QWidget* w = QApplication::focusWidget();
      if (!w || (i > 0 && w == start)) break;
      seen.insert(w);
      QTest::keyClick(w, Qt::Key_Tab);
    }
    (void)window;
    return seen;
  }
  static QString Name(QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); }
};

TEST_F(AccessibilityTest, GridAndStatusBoxesAreNamedAfterTheirPagesInBothLanguages) {
  UseProgramFolder(Captions::Installed, true);
  struct Case {
    const char* language;
    QString grid, com, usb, caption;
  } cases[] = {
      {"1", "RS232 communication", "COM status", "USB status", "Transfer status, lines received:"},
      {"0", QString::fromUtf8("数据通讯"), QString::fromUtf8("串口 状态"), QString::fromUtf8("USB 状态"),
       QString::fromUtf8("传输状态，已接收行数：")},
  };
  for (const Case& c : cases) {
    Set(SettingsSection::OtherSet, "language", c.language);
    CMainDlg window(*context_);
    gui::CDataPage& page = *window.DataPage();
    EXPECT_EQ(Name(page.View()), c.grid);
    EXPECT_FALSE(page.View()->accessibleDescription().isEmpty());
    EXPECT_EQ(Name(page.ComPage()->findChild<QPlainTextEdit*>("status")), c.com);
    EXPECT_EQ(Name(page.UsbPage()->findChild<QPlainTextEdit*>("status")), c.usb);
    EXPECT_EQ(page.ComPage()->findChild<QLabel*>("statusCaption")->text(), c.caption);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(page.ComPage()->Button(i)->accessibleDescription().isEmpty()) << i;
  }
}

TEST_F(AccessibilityTest, ClearEmptiesTheStatusBoxes) {
  CMainDlg window(*context_);
  gui::CDataPage& page = *window.DataPage();
  page.ComPage()->SetStatusText("\r\n       19");
  page.UsbPage()->SetStatusText("\r\n  Finished");
  page.ClearButton()->click();
  EXPECT_EQ(page.ComPage()->StatusText(), "");
  EXPECT_EQ(page.UsbPage()->StatusText(), "");
  EXPECT_EQ(page.ComPage()->findChild<QPlainTextEdit*>("status")->toPlainText(), "");
}

TEST_F(AccessibilityTest, TabReachesEveryButtonOfBothPages) {
  CMainDlg window(*context_);
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  for (int tab = 0; tab < 2; ++tab) {
    window.Tabs()->setCurrentIndex(tab);
    window.Tabs()->currentWidget()->setFocus();
    const std::set<QWidget*> chain = TabChain(window);
    for (QWidget* w : window.Tabs()->currentWidget()->findChildren<QWidget*>()) {
      if (!w->isVisible() || !w->isEnabled()) continue;
      if (qobject_cast<QPushButton*>(w) || qobject_cast<QPlainTextEdit*>(w) || qobject_cast<gui::RecordGridView*>(w) ||
          w->objectName() == "Baud" || w->objectName() == "Scale") {
        EXPECT_TRUE(chain.count(w)) << tab << " " << w->metaObject()->className() << " "
                                    << w->objectName().toStdString();
      }
    }
  }
}

TEST_F(AccessibilityTest, OptionDialogsAreOwnedByTheMainWindowEvenWhenItIsNotActive) {
  CMainDlg window(*context_);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  QApplication::setActiveWindow(nullptr);
  QWidget* owner = nullptr;
  bool modal = false;
  QTimer::singleShot(0, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    owner = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    modal = dialog->isModal();
    static_cast<QDialog*>(dialog)->reject();
  });
  CCorvaneDll dll;
  EXPECT_EQ(dll.ShowDownSetDlg(), "");
  EXPECT_EQ(owner, &window);
  EXPECT_TRUE(modal);
}

}  // namespace
}  // namespace corvane::guitest
