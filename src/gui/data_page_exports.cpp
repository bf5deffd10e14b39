// The conversion commands of the grid's context menu: the instrument record
// file, the distance and angle lists, the coordinate list or DXF of a
// measurement job, and the recompute with new station coordinates. Each writes
// what the matching corvane480-cli command writes, then hands its files to the
// desktop to open.
#include <QDialog>

#include "core/compute/distance_exports.h"
#include "core/compute/instrument_file.h"
#include "core/compute/measured_coordinates.h"
#include "core/compute/station_recompute.h"
#include "core/compute/station_table.h"
#include "gui/busy_progress.h"
#include "gui/data_page.h"
#include "gui/station_import_dlg.h"

namespace corvane::gui {
namespace {

constexpr const char* kInstrumentFilter = "*.kvm|*.kvm|*.*|*.*|";
constexpr const char* kHdFilter = "*.txt|*.txt|*.dat|*.dat|*.ymk|*.ymk|*.*|*.*|";
constexpr const char* kSdFilter = "*.txt|*.txt|*.dat|*.dat|*.yde|*.yde|*.*|*.*|";
constexpr const char* kAngleFilter = "*.txt|*.txt|*.dat|*.dat|*.csv|*.csv|*.*|*.*|";

// Shows a failure, or hands the finished files to the desktop.
void Finish(GuiContext& context, QWidget* owner, const CommandResult& result) {
  if (result.status == CommandStatus::Failed)
    context.ShowFailure(owner, result.message, result.icon == corvane::MessageIcon::Exclamation, result.detail);
  else if (result.Done())
    context.OpenFiles(owner, result.filesToOpen);
}

// Runs a command that walks the whole grid under the busy cursor.
template <class Command>
CommandResult Busy(QWidget* owner, Command&& command) {
  BusyProgress busy(owner, QString());
  return command();
}

}  // namespace

void CDataPage::ExportInstrumentFileCommand() {
  const QString path = context_.Prompts().SaveFileName(this, QtFileFilter(kInstrumentFilter), QString());
  if (path.isEmpty()) return;
  const CommandResult result =
      Busy(this, [&] { return ExportInstrumentCoordinates(grid_, LocalPath(path), context_.Settings()); });
  Finish(context_, this, result);
  // The record file is not opened, but the status bar names it.
  if (result.Done() && result.filesToOpen.empty()) context_.AnnounceWritten({LocalPath(path)});
}

void CDataPage::DistanceExportCommand(int command) {
  const bool horizontal = command == kCmdHdExport;
  const std::optional<DistanceLayout> layout = DistanceLayoutFromAnswer(
      horizontal ? context_.Dialogs().ShowHdConfirmDlg() : context_.Dialogs().ShowSdConfirmDlg());
  if (!layout) return;
  const QString path =
      context_.Prompts().SaveFileName(this, QtFileFilter(horizontal ? kHdFilter : kSdFilter), QStringLiteral("txt"));
  if (path.isEmpty()) return;
  Finish(context_, this, Busy(this, [&] {
           return horizontal ? ExportHorizontalDistances(grid_, *layout, LocalPath(path))
                             : ExportSlopeDistances(grid_, *layout, LocalPath(path));
         }));
}

void CDataPage::ExportAnglesCommand() {
  const QString path = context_.Prompts().SaveFileName(this, QtFileFilter(kAngleFilter), QString());
  if (path.isEmpty()) return;
  Finish(context_, this, Busy(this, [&] { return ExportAngles(grid_, LocalPath(path)); }));
}

void CDataPage::ExportMeasuredCoordinatesCommand() {
  const std::string answer = context_.Dialogs().ShowExportDlg();
  if (answer.empty()) return;
  Finish(context_, this, Busy(this, [&] { return ExportMeasuredCoordinates(grid_, answer); }));
}

void CDataPage::RecomputeCommand() { RunRecompute(nullptr); }

void CDataPage::RunRecompute(const std::string* stationFile) {
  // The table is built from the grid once per grid content; edits made in the
  // dialog stay until the grid changes.
  if (stationListValid_ == 0) {
    const CommandResult scan = ScanStations(grid_, *stations_);
    if (!scan.Done()) {
      Finish(context_, this, scan);
      return;
    }
    stationListValid_ = 1;
  }
  {
    CStationImportDlg dialog(context_, *stations_, this);
    if (stationFile) dialog.Preload(0, *stationFile);
    if (stationDialogRunner_(dialog) != QDialog::Accepted) return;
  }
  const std::string answer = context_.Dialogs().ShowExportDlg();
  if (answer.empty()) return;
  const CommandResult result =
      Busy(this, [&] { return RecomputeStations(grid_, *stations_, answer, RecomputeFiles::InProgramFolder()); });
  if (result.Done()) emit recomputed();
  Finish(context_, this, result);
}

}  // namespace corvane::gui
