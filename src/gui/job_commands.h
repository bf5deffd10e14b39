#pragma once
// The commands on the job: one table that the File menu of the menu bar and the
// grid's context menu are both built from. A command added here (a line in the
// table, a case in CDataPage::RunGridCommand) appears in both menus, with the
// same caption and the same enabled rule.
#include <QKeySequence>
#include <functional>
#include <span>

class QAction;
class QMenu;

namespace corvane::gui {

class CDataPage;
class GuiContext;

// Command identifiers of the job commands. The conversion commands keep the
// numbers of the documented menus; the job's own commands follow from 33001,
// the GIS exchange from 33101.
enum GridCommand : int {
  kCmdMeasCoorExport = 32773,
  kCmdPoligon = 32801,
  kCmdSdExport = 32802,
  kCmdHdExport = 32803,
  kCmdAngleExport = 32783,
  kCmdCoorImport = 32778,
  kCmdCoorFileExport = 32785,
  kCmdDeleteRow = 32794,
  kCmdInsertRow = 32795,
  kCmdAdjustTraverse = 32810,
  kCmdGisExport = 33101,
  kCmdGisImport = 33102,
  kCmdOpen = 33001,
  kCmdSave = 33002,
  kCmdSaveAs = 33003,
  kCmdClear = 33004,
  kCmdUndo = 33005,
  kCmdRedo = 33006,
  kCmdPlanExport = 33007,
};

// Where a command stands: the File menu's own part, or one of the submenus that
// both menus share.
enum class CommandGroup {
  File,         // Open, Save, Save as, Clear (menu bar only)
  History,      // Undo, Redo (menu bar only)
  Measurement,  // the "MEAS FILE" submenu
  Coordinate,   // the "COORD DATA" submenu
  Plan,         // the plan's commands (menu bar only)
};

struct JobCommand {
  int id;
  CommandGroup group;
  const char* section;  // caption
  const char* key;
  const char* def;
  QKeySequence::StandardKey shortcut = QKeySequence::UnknownKey;
  bool separatorBefore = false;
  // When false the command shows greyed; null: always enabled.
  bool (*enabled)(const CDataPage& page) = nullptr;
};

std::span<const JobCommand> JobCommands();
const JobCommand* FindJobCommand(int id);
// The commands of a group that the grid's context menu shows.
bool InContextMenu(CommandGroup group);

// The caption of a submenu group ("MEAS FILE", "COORD DATA").
struct GroupCaption {
  CommandGroup group;
  const char* key;
  const char* def;
};
std::span<const GroupCaption> SharedGroups();

// Adds the commands of `group` to `menu` (separators as the table has them), each
// action made by `make`.
void AddGroup(QMenu& menu, CommandGroup group, const std::function<QAction*(const JobCommand&)>& make);

}  // namespace corvane::gui
