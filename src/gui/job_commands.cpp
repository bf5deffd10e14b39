#include "gui/job_commands.h"

#include <QMenu>
#include <algorithm>

#include "gui/data_page.h"

namespace corvane::gui {
namespace {

bool CanUndo(const CDataPage& page) { return page.CanUndoNow(); }
bool CanRedo(const CDataPage& page) { return page.CanRedoNow(); }

constexpr JobCommand kCommands[] = {
    {kCmdOpen, CommandGroup::File, "Job", "Open", "&Open...", QKeySequence::Open},
    {kCmdSave, CommandGroup::File, "Job", "Save", "&Save", QKeySequence::Save},
    {kCmdSaveAs, CommandGroup::File, "Job", "SaveAs", "Save &as...", QKeySequence::SaveAs},
    {kCmdClear, CommandGroup::File, "Job", "Clear", "C&lear"},
    {kCmdUndo, CommandGroup::History, "Job", "Undo", "&Undo", QKeySequence::Undo, false, &CanUndo},
    {kCmdRedo, CommandGroup::History, "Job", "Redo", "&Redo", QKeySequence::Redo, false, &CanRedo},
    {kCmdMeasCoorExport, CommandGroup::Measurement, "PupMenu1", "Pup2", "Coor &Export"},
    {kCmdPoligon, CommandGroup::Measurement, "PupMenu1", "Pup3", "With poligon file"},
    {kCmdAdjustTraverse, CommandGroup::Measurement, "PupMenu1", "Traverse", "Adjust traverse\xA1\xAD"},  // GBK "…"
    {kCmdSdExport, CommandGroup::Measurement, "PupMenu1", "Pup4", "SD Export", QKeySequence::UnknownKey, true},
    {kCmdHdExport, CommandGroup::Measurement, "PupMenu1", "Pup5", "HD Export"},
    {kCmdAngleExport, CommandGroup::Measurement, "PupMenu1", "Pup6", "Angle Export"},
    {kCmdCoorImport, CommandGroup::Coordinate, "PupMenu1", "Pup8", "Coor &Import"},
    {kCmdCoorFileExport, CommandGroup::Coordinate, "PupMenu1", "Pup9", "Coor &Export"},
    {kCmdGisExport, CommandGroup::Coordinate, "PupMenu1", "PupGis1", "Export to &GIS...", QKeySequence::UnknownKey, true},
    {kCmdGisImport, CommandGroup::Coordinate, "PupMenu1", "PupGis2", "Import from GIS &file..."},
    {kCmdPlanExport, CommandGroup::Plan, "Job", "PlanExport", "&Plan export..."},
};

constexpr GroupCaption kSharedGroups[] = {
    {CommandGroup::Measurement, "Pup1", "MEAS FILE"},
    {CommandGroup::Coordinate, "Pup7", "COORD DATA"},
};

}  // namespace

std::span<const JobCommand> JobCommands() { return kCommands; }

const JobCommand* FindJobCommand(int id) {
  const auto* it = std::find_if(std::begin(kCommands), std::end(kCommands), [id](const JobCommand& c) { return c.id == id; });
  return it == std::end(kCommands) ? nullptr : it;
}

bool InContextMenu(CommandGroup group) {
  return group == CommandGroup::Measurement || group == CommandGroup::Coordinate;
}

std::span<const GroupCaption> SharedGroups() { return kSharedGroups; }

void AddGroup(QMenu& menu, CommandGroup group, const std::function<QAction*(const JobCommand&)>& make) {
  for (const JobCommand& c : kCommands) {
    if (c.group != group) continue;
    if (c.separatorBefore) menu.addSeparator();
    menu.addAction(make(c));
  }
}

}  // namespace corvane::gui
