// The GIS exchange of the grid's context menu: "Export to GIS..." writes the job
// as export-gis does; "Import from GIS file..." loads stake-out points as
// import-gis does, replacing the grid's rows.
#include <QDialog>

#include "core/compute/station_table.h"
#include "core/grid/grid_layout.h"
#include "exchange/gis_export.h"
#include "exchange/gis_import.h"
#include "exchange/upload_conversion.h"
#include "gui/busy_progress.h"
#include "gui/data_page.h"
#include "gui/gis_dialogs.h"

namespace corvane::gui {
namespace {

void ShowFailure(GuiContext& context, QWidget* owner, const CommandResult& result) {
  context.ShowFailure(owner, result.message, result.icon == MessageIcon::Exclamation, result.detail);
}

// The CRS typed in a dialog, else the job's setting. False with the message shown.
bool ResolveCrs(GuiContext& context, QWidget* owner, const QString& typed, exchange::Crs& crs) {
  std::string error;
  const bool ok = typed.isEmpty() ? exchange::JobCrs(context.Settings(), crs, error)
                                  : exchange::Crs::Resolve(typed.toStdString(), crs, error);
  if (!ok) context.ShowFailure(owner, error, true, {});
  return ok;
}

}  // namespace

void CDataPage::ExportGisCommand() {
  GisExportDialog dialog(context_, this);
  if (gisDialogRunner_(dialog) != QDialog::Accepted) return;
  const GisExportChoice choice = dialog.Choice();
  exchange::GisExportRequest request;
  request.path = LocalPath(choice.path);
  request.format = static_cast<exchange::GisFormat>(choice.format);
  request.layers = choice.layers;
  if (!ResolveCrs(context_, this, choice.crs, request.crs)) return;
  StationTable table;
  if (!choice.stations.isEmpty()) {
    const CommandResult r =
        exchange::NewStationCoordinates(grid_, LocalPath(choice.stations), choice.stationFormat, table);
    if (!r.Done()) return ShowFailure(context_, this, r);
    request.stations = &table;
  }
  CommandResult result;
  {
    BusyProgress busy(this, QString());
    result = exchange::ExportGis(grid_, request);
  }
  if (!result.Done()) ShowFailure(context_, this, result);
}

void CDataPage::ImportGisCommand() {
  if (!MayReplaceJob()) return;
  GisImportDialog dialog(context_, this);
  if (gisDialogRunner_(dialog) != QDialog::Accepted) return;
  const GisImportChoice choice = dialog.Choice();
  exchange::GisImportRequest request;
  request.path = LocalPath(choice.path);
  request.layer = choice.layer.toStdString();
  request.nameField = choice.nameField.toStdString();
  request.codeField = choice.codeField.toStdString();
  request.heightField = choice.heightField.toStdString();
  std::string error;
  if (!choice.crs.isEmpty()) {
    if (!exchange::Crs::Resolve(choice.crs.toStdString(), request.fileCrs, error))
      return context_.ShowFailure(this, error, true, {});
    request.fileCrsGiven = true;
  }
  if (!exchange::JobCrs(context_.Settings(), request.jobCrs, error)) return context_.ShowFailure(this, error, true, {});
  exchange::GisImport imported;
  {
    BusyProgress busy(this, QString());
    imported = exchange::ReadGisPoints(request);
  }
  if (!imported.result.Done()) return ShowFailure(context_, this, imported.result);
  // The points replace the job below the header row: one step of Undo.
  RecordGrid points = grid_.FirstRows(1);
  exchange::LoadImportedPoints(points, imported.points, CoordinateCaptionsSwapped(context_.Settings()),
                               exchange::CoordinateDecimals(request.jobCrs));
  history_.Replace(std::move(points), {JobSource::Import, {}}, JobCaption("StepImport", "Import"));
  stationListValid_ = 0;
}

}  // namespace corvane::gui
