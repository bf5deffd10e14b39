// The grid's two context menus and their commands.
#include <QContextMenuEvent>
#include <QMenu>

#include "core/grid/coordinate_import.h"
#include "core/grid/grid_editing.h"
#include "gui/busy_progress.h"
#include "gui/data_page.h"

namespace corvane::gui {
namespace {

struct MenuItem {
  int command;  // 0: a separator
  const char* key;
  const char* def;
};

constexpr MenuItem kMeasItems[] = {{kCmdMeasCoorExport, "Pup2", "Coor &Export"},
                                   {kCmdPoligon, "Pup3", "With poligon file"},
                                   {kCmdAdjustTraverse, "Traverse", "Adjust traverse\xA1\xAD"},  // GBK "…"
                                   {0, nullptr, nullptr},
                                   {kCmdSdExport, "Pup4", "SD Export"},
                                   {kCmdHdExport, "Pup5", "HD Export"},
                                   {kCmdAngleExport, "Pup6", "Angle Export"}};
constexpr MenuItem kCoordItems[] = {{kCmdCoorImport, "Pup8", "Coor &Import"},
                                    {kCmdCoorFileExport, "Pup9", "Coor &Export"},
                                    {0, nullptr, nullptr},
                                    {kCmdGisExport, "PupGis1", "Export to &GIS..."},
                                    {kCmdGisImport, "PupGis2", "Import from GIS &file..."}};
constexpr MenuItem kRowItems[] = {{kCmdDeleteRow, "Pup1", "Delete one row"}, {kCmdInsertRow, "Pup2", "Insert one row"}};

template <size_t N>
void AddItems(QMenu* menu, const GuiContext& context, const char* section, const MenuItem (&items)[N]) {
  for (const MenuItem& item : items) {
    if (item.command == 0) {
      menu->addSeparator();
      continue;
    }
    QAction* action = menu->addAction(context.Caption(section, item.key, item.def));
    action->setData(item.command);
  }
}

}  // namespace

QMenu* CDataPage::BuildConversionMenu(QWidget* owner) {
  auto* menu = new QMenu(owner);
  menu->setObjectName(QStringLiteral("conversionMenu"));
  QMenu* meas = menu->addMenu(context_.Caption("PupMenu1", "Pup1", "MEAS FILE"));
  AddItems(meas, context_, "PupMenu1", kMeasItems);
  menu->addSeparator();
  QMenu* coord = menu->addMenu(context_.Caption("PupMenu1", "Pup7", "COORD DATA"));
  AddItems(coord, context_, "PupMenu1", kCoordItems);
  return menu;
}

QMenu* CDataPage::BuildRowMenu(QWidget* owner) {
  auto* menu = new QMenu(owner);
  menu->setObjectName(QStringLiteral("rowMenu"));
  AddItems(menu, context_, "PupMenu2", kRowItems);
  return menu;
}

void CDataPage::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() == QContextMenuEvent::Keyboard) ShowContextMenu(mapToGlobal(QPoint(5, 5)), true);
  else ShowContextMenu(event->globalPos(), false);
  event->accept();
}

void CDataPage::ShowContextMenu(const QPoint& globalPos, bool fromKeyboard) {
  // The keyboard's request acts on the cell last under the mouse.
  const GridCell cell = fromKeyboard ? view_->LastMouseCell() : view_->CellAtGlobal(globalPos);
  contextRow_ = cell.row;
  contextCol_ = cell.col;
  if (!cell.IsValid() || cell.row >= grid_.RowCount() || cell.col >= grid_.ColCount()) return;
  const bool rowNumberCell = cell.col == 0 && cell.row != 0;
  std::unique_ptr<QMenu> menu(rowNumberCell ? BuildRowMenu(this) : BuildConversionMenu(this));
  QAction* chosen = menuRunner_(*menu, globalPos);
  const int command = chosen ? chosen->data().toInt() : 0;
  menu.reset();
  if (command != 0) RunGridCommand(command);
}

void CDataPage::RunGridCommand(int command) {
  // A cell being edited takes its text first: every command works on the cells.
  CommitEditor();
  switch (command) {
    case kCmdDeleteRow:
      model_.Replace([this](RecordGrid& g) { DeleteRow(g, contextRow_); });
      // Rows moved: the station list is collected again before the next recompute.
      stationListValid_ = 0;
      break;
    case kCmdInsertRow:
      model_.Replace([this](RecordGrid& g) { InsertRow(g, contextRow_); });
      stationListValid_ = 0;
      break;
    case kCmdCoorImport:
      ImportCoordinatesCommand();
      break;
    case kCmdCoorFileExport:
      ExportInstrumentFileCommand();
      break;
    case kCmdHdExport:
    case kCmdSdExport:
      DistanceExportCommand(command);
      break;
    case kCmdAngleExport:
      ExportAnglesCommand();
      break;
    case kCmdMeasCoorExport:
      ExportMeasuredCoordinatesCommand();
      break;
    case kCmdPoligon:
      RecomputeCommand();
      break;
    case kCmdGisExport:
      ExportGisCommand();
      break;
    case kCmdGisImport:
      ImportGisCommand();
      break;
    case kCmdAdjustTraverse:
      AdjustTraverseCommand();
      break;
    default:
      break;
  }
}

void CDataPage::ImportCoordinatesCommand() {
  const std::string answer = context_.Dialogs().ShowImportDlg();
  if (answer.empty()) return;
  const ImportAnswer parsed = ParseImportAnswer(answer);
  CommandResult imported;
  {
    BusyProgress busy(this, QString());
    model_.Replace([&](RecordGrid& g) { imported = ImportCoordinates(g, parsed.path, parsed.layout, context_.Settings()); });
  }
  if (!imported.Done()) {
    context_.ShowResult(this, imported);
    return;
  }
  stationListValid_ = 0;
}

}  // namespace corvane::gui
