#pragma once
// Driving the data page's grid as a user does.
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QTest>
#include <string>

#include "core/grid/grid_saving.h"
#include "gui/data_page.h"
#include "gui/record_grid_view.h"

namespace corvane::guitest {

// Shows a widget and makes its window the active one, so focus changes happen.
inline void ShowActive(QWidget& w) {
  w.show();
  QApplication::setActiveWindow(w.window());
  (void)QTest::qWaitForWindowExposed(&w);
}

// Where cell (row, col) lies on the screen; row 0 is the header.
inline QPoint CellGlobal(const gui::CDataPage& page, int row, int col) {
  gui::RecordGridView* view = page.View();
  if (row == 0) {
    QHeaderView* header = col < gui::RecordGridView::kFrozenColumns ? view->FrozenView()->horizontalHeader()
                                                                    : view->horizontalHeader();
    return header->mapToGlobal(
        QPoint(header->sectionViewportPosition(col) + header->sectionSize(col) / 2, header->height() / 2));
  }
  return view->mapToGlobal(view->CellRect(row, col).center());
}

// The menu the page showed, what it held, and the command to choose.
struct MenuScript {
  int choose = 0;  // command to choose; 0 closes the menu
  bool shown = false;
  QString name;
  QPoint pos;
  QStringList titles;  // top-level entries ("-" for separators), submenus as "title>item|item"
};

inline QString Describe(QMenu& menu) {
  QStringList parts;
  for (QAction* a : menu.actions()) {
    if (a->isSeparator()) parts << QStringLiteral("-");
    else if (a->menu()) parts << a->text() + QLatin1Char('>') + Describe(*a->menu());
    else parts << a->text();
  }
  return parts.join(QLatin1Char('|'));
}

inline QAction* FindCommand(QMenu& menu, int command) {
  for (QAction* a : menu.actions()) {
    if (a->menu()) {
      if (QAction* found = FindCommand(*a->menu(), command)) return found;
    } else if (!a->isSeparator() && a->data().toInt() == command) {
      return a;
    }
  }
  return nullptr;
}

inline void ScriptMenus(gui::CDataPage& page, MenuScript& script) {
  page.SetMenuRunner([&script](QMenu& menu, const QPoint& pos) -> QAction* {
    script.shown = true;
    script.name = menu.objectName();
    script.pos = pos;
    script.titles = Describe(menu).split(QLatin1Char('|'));
    return script.choose ? FindCommand(menu, script.choose) : nullptr;
  });
}

// A right click on a cell, as the page receives it.
inline void RightClick(gui::CDataPage& page, int row, int col) {
  const QPoint global = CellGlobal(page, row, col);
  QMouseEvent move(QEvent::MouseMove, page.View()->viewport()->mapFromGlobal(global), global, Qt::NoButton,
                   Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(page.View()->viewport(), &move);
  QContextMenuEvent event(QContextMenuEvent::Mouse, page.mapFromGlobal(global), global);
  QApplication::sendEvent(&page, &event);
}

// The grid row's 15 cells joined with "|".
inline std::string RowText(const gui::CDataPage& page, int row) {
  std::string out;
  for (int c = 0; c < RecordGrid::kCols; ++c) {
    if (c) out += '|';
    out += page.Grid().Cell(row, c);
  }
  return out;
}

inline std::string GridSaveTextOf(const gui::CDataPage& page) { return GridSaveText(page.Grid()); }

}  // namespace corvane::guitest
