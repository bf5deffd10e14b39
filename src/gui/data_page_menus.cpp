// The grid's two context menus, the job actions the menu bar shows, and the
// commands they run.
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QMenu>

#include "core/grid/coordinate_import.h"
#include "gui/busy_progress.h"
#include "gui/data_page.h"
#include "gui/desktop_state.h"

namespace corvane::gui {
namespace {

struct MenuItem {
  int command;
  const char* key;
  const char* def;
};

constexpr MenuItem kRowItems[] = {{kCmdDeleteRow, "Pup1", "Delete one row"}, {kCmdInsertRow, "Pup2", "Insert one row"}};

}  // namespace

void CDataPage::BuildJobActions() {
  for (const JobCommand& c : JobCommands()) {
    auto* action = new QAction(this);
    action->setObjectName(QStringLiteral("job%1").arg(c.id));
    action->setData(c.id);
    if (c.shortcut != QKeySequence::UnknownKey) action->setShortcuts(c.shortcut);
    connect(action, &QAction::triggered, this, [this, id = c.id] { RunGridCommand(id); });
    // Added to the page, the shortcuts work wherever the page is shown.
    addAction(action);
    actions_[c.id] = action;
  }
  // The keyboard's other context-menu key.
  auto* menuKey = new QAction(this);
  menuKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
  menuKey->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  connect(menuKey, &QAction::triggered, this, [this] { ShowContextMenu(QPoint(), true); });
  addAction(menuKey);
  recentMenu_ = new QMenu(this);
  recentMenu_->setObjectName(QStringLiteral("recentJobs"));
  connect(recentMenu_, &QMenu::aboutToShow, this, &CDataPage::FillRecentMenu);
}

void CDataPage::ApplyActionCaptions() {
  for (const JobCommand& c : JobCommands()) actions_[c.id]->setText(context_.Caption(c.section, c.key, c.def));
  recentMenu_->setTitle(JobCaption("Recent", "Recent &jobs"));
}

QAction* CDataPage::JobAction(int command) const {
  const auto it = actions_.find(command);
  return it == actions_.end() ? nullptr : it->second;
}

void CDataPage::UpdateCommandStates() {
  for (const JobCommand& c : JobCommands())
    if (c.enabled) actions_[c.id]->setEnabled(c.enabled(*this));
}

void CDataPage::FillJobMenu(QMenu& menu) {
  connect(&menu, &QMenu::aboutToShow, this, [this] {
    UpdateCommandStates();
    recentMenu_->setEnabled(!context_.Desktop().RecentJobs().isEmpty());
  });
  const auto own = [this](const JobCommand& c) { return actions_[c.id]; };
  AddGroup(menu, CommandGroup::File, own);
  // Recently opened jobs right after Open.
  menu.insertMenu(actions_[kCmdSave], recentMenu_);
  menu.addSeparator();
  AddGroup(menu, CommandGroup::History, own);
  menu.addSeparator();
  for (const GroupCaption& g : SharedGroups()) {
    QMenu* sub = menu.addMenu(context_.Caption("PupMenu1", g.key, g.def));
    sub->setObjectName(QStringLiteral("jobGroup%1").arg(static_cast<int>(g.group)));
    AddGroup(*sub, g.group, own);
  }
  AddGroup(menu, CommandGroup::Plan, own);
  UpdateCommandStates();
}

void CDataPage::FillRecentMenu() {
  recentMenu_->clear();
  const QStringList jobs = context_.Desktop().RecentJobs();
  for (int i = 0; i < jobs.size(); ++i) {
    const QString number = i < 9 ? QStringLiteral("&%1 ").arg(i + 1) : QStringLiteral("%1 ").arg(i + 1);
    QAction* action = recentMenu_->addAction(number + QFileInfo(jobs[i]).fileName());
    action->setToolTip(jobs[i]);
    action->setStatusTip(jobs[i]);
    connect(action, &QAction::triggered, this, [this, path = jobs[i]] { OpenRecent(path); });
  }
}

QMenu* CDataPage::BuildConversionMenu(QWidget* owner) {
  auto* menu = new QMenu(owner);
  menu->setObjectName(QStringLiteral("conversionMenu"));
  // The same commands, captions and rules as the menu bar's, in fresh actions:
  // the menu only tells which one was chosen.
  const auto fresh = [this, menu](const JobCommand& c) {
    auto* action = new QAction(context_.Caption(c.section, c.key, c.def), menu);
    action->setData(c.id);
    action->setEnabled(!c.enabled || c.enabled(*this));
    return action;
  };
  bool first = true;
  for (const GroupCaption& g : SharedGroups()) {
    if (!first) menu->addSeparator();
    first = false;
    QMenu* sub = menu->addMenu(context_.Caption("PupMenu1", g.key, g.def));
    AddGroup(*sub, g.group, fresh);
  }
  return menu;
}

QMenu* CDataPage::BuildRowMenu(QWidget* owner) {
  auto* menu = new QMenu(owner);
  menu->setObjectName(QStringLiteral("rowMenu"));
  for (const MenuItem& item : kRowItems) menu->addAction(context_.Caption("PupMenu2", item.key, item.def))->setData(item.command);
  return menu;
}

void CDataPage::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() == QContextMenuEvent::Keyboard) ShowContextMenu(QPoint(), true);
  else ShowContextMenu(event->globalPos(), false);
  event->accept();
}

void CDataPage::ShowContextMenu(const QPoint& globalPos, bool fromKeyboard) {
  if (!fromKeyboard) {
    ShowMenuFor(view_->CellAtGlobal(globalPos), globalPos);
    return;
  }
  // The keyboard's request is for the current cell, the menu at that cell; with
  // no current cell, for the cell last under the mouse, near the page's corner.
  const QModelIndex current = view_->currentIndex();
  if (current.isValid()) {
    const GridCell cell{RecordGridModel::GridRow(current), current.column()};
    static_cast<QAbstractItemView*>(view_)->scrollTo(current);
    const QRect r = view_->CellRect(cell.row, cell.col);
    ShowMenuFor(cell, view_->mapToGlobal(r.isEmpty() ? QPoint(5, 5) : r.bottomLeft()));
    return;
  }
  ShowMenuFor(view_->LastMouseCell(), mapToGlobal(QPoint(5, 5)));
}

void CDataPage::ShowMenuFor(const GridCell& cell, const QPoint& globalPos) {
  contextRow_ = cell.row;
  contextCol_ = cell.col;
  if (!cell.IsValid() || cell.row >= grid_.RowCount() || cell.col >= grid_.ColCount()) return;
  const bool rowNumberCell = cell.col == 0 && cell.row != 0;
  std::unique_ptr<QMenu> menu(rowNumberCell ? BuildRowMenu(this) : BuildConversionMenu(this));
  QAction* chosen = menuRunner_(*menu, globalPos);
  const int command = chosen && chosen->isEnabled() ? chosen->data().toInt() : 0;
  menu.reset();
  if (command != 0) RunGridCommand(command);
}

void CDataPage::RunGridCommand(int command) {
  // A cell being edited takes its text first: every command works on the cells.
  CommitEditor();
  switch (command) {
    case kCmdDeleteRow:
      history_.DeleteRow(contextRow_, JobCaption("StepDeleteRow", "Delete row"));
      break;
    case kCmdInsertRow:
      history_.InsertRow(contextRow_, JobCaption("StepInsertRow", "Insert row"));
      break;
    case kCmdOpen: OpenFile(); break;
    case kCmdSave: SaveJob(); break;
    case kCmdSaveAs: SaveFile(); break;
    case kCmdClear: ClearGrid(); break;
    case kCmdUndo: Undo(); break;
    case kCmdRedo: Redo(); break;
    case kCmdPlanExport: emit planExportRequested(); break;
    case kCmdCoorImport: ImportCoordinatesCommand(); break;
    case kCmdCoorFileExport: ExportInstrumentFileCommand(); break;
    case kCmdHdExport:
    case kCmdSdExport: DistanceExportCommand(command); break;
    case kCmdAngleExport: ExportAnglesCommand(); break;
    case kCmdMeasCoorExport: ExportMeasuredCoordinatesCommand(); break;
    case kCmdPoligon: RecomputeCommand(); break;
    case kCmdGisExport: ExportGisCommand(); break;
    case kCmdGisImport: ImportGisCommand(); break;
    case kCmdAdjustTraverse: AdjustTraverseCommand(); break;
    default: break;
  }
}

void CDataPage::ImportCoordinatesCommand() {
  if (!MayReplaceJob()) return;
  const std::string answer = context_.Dialogs().ShowImportDlg();
  if (answer.empty()) return;
  const ImportAnswer parsed = ParseImportAnswer(answer);
  // The import keeps only the header row of the grid it replaces.
  RecordGrid imported = grid_.FirstRows(1);
  CommandResult result;
  {
    BusyProgress busy(this, QString());
    result = ImportCoordinates(imported, parsed.path, parsed.layout, context_.Settings());
  }
  if (!result.Done()) {
    context_.ShowResult(this, result);
    return;
  }
  history_.Replace(std::move(imported), {JobSource::Import, {}}, JobCaption("StepImport", "Import"));
  stationListValid_ = 0;
}

}  // namespace corvane::gui
