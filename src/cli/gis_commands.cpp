// GIS and CAD exchange from the command line: export-gis writes a job's layers
// to GeoPackage, Shapefile, GeoJSON, KML, CSV or LandXML; import-gis reads
// stake-out points from any point layer (or LandXML CgPoints) into the grid and,
// with --coords, into a coordinate list for the upload.
#include <cctype>
#include <optional>

#include "cli_common.h"
#include "core/compute/station_table.h"
#include "core/grid/grid_layout.h"
#include "core/grid/grid_loading.h"
#include "core/grid/upload_record.h"
#include "core/text/text_file.h"
#include "exchange/gis_export.h"
#include "exchange/gis_import.h"
#include "exchange/upload_conversion.h"
#include "transfer_session.h"

namespace corvane::cli {
namespace {

using exchange::Crs;
using exchange::GisFormat;

bool IsNumber(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

int Failed(const CommandResult& result) {
  return Fail(ForTerminal(result.detail.empty() ? result.message : result.message + "\n" + result.detail));
}

// The CRS of --crs, else the job's "Crs" setting. False with the message printed.
bool CrsFromArgs(const std::optional<std::string>& given, const CliEnv& env, Crs& crs) {
  std::string error;
  const bool ok = given ? Crs::Resolve(*given, crs, error) : exchange::JobCrs(env.settings, crs, error);
  if (!ok) Fail(error);
  return ok;
}

int RunExportGis(const CliArgs& args, CliEnv& env) {
  const std::string& job = args.Positional(0, "JOB");
  args.Option("--as");
  const auto out = args.Option("-o");
  const auto crsText = args.Option("--crs");
  const auto stations = args.Option("--stations");
  const auto layersText = args.Option("--layers");
  // --format names the output format, or with a number the stations file's.
  std::optional<std::string> formatName;
  std::optional<int> stationFormat;
  for (const std::string& f : args.AllOptions("--format")) {
    if (IsNumber(f) ? stationFormat.has_value() : formatName.has_value())
      throw UsageError("--format given twice for the same thing");
    if (IsNumber(f)) stationFormat = std::stoi(f);
    else formatName = f;
  }
  args.ExpectNoMore(1);
  if (!out || out->empty()) throw UsageError("-o OUT is needed");
  if (stationFormat && !stations) throw UsageError("--format N goes with --stations FILE");
  exchange::GisExportRequest request;
  request.path = *out;
  if (formatName) {
    if (!exchange::GisFormatFromName(*formatName, request.format))
      throw UsageError("--format takes gpkg, shp, geojson, kml, csv or landxml");
  } else if (!exchange::GisFormatFromPath(*out, request.format)) {
    request.format = GisFormat::GeoPackage;
  }
  if (layersText) {
    std::string error;
    if (!exchange::ParseGisLayers(*layersText, request.layers, error)) throw UsageError("--layers: " + error);
    if ((request.layers & exchange::kRecomputeLayers) && !stations)
      throw UsageError("the recomputed and shifts layers need --stations FILE");
  }
  if (!CrsFromArgs(crsText, env, request.crs)) return kExitFailed;
  RecordGrid grid;
  if (!LoadJob(grid, job, args, env)) return kExitFailed;
  StationTable table;
  if (stations) {
    const CommandResult r = exchange::NewStationCoordinates(grid, *stations, stationFormat.value_or(0), table);
    if (!r.Done()) return Failed(r);
    request.stations = &table;
  }
  const CommandResult result = exchange::ExportGis(grid, request);
  return result.Done() ? kExitOk : Failed(result);
}

int RunImportGis(const CliArgs& args, CliEnv& env) {
  exchange::GisImportRequest request;
  request.path = args.Positional(0, "FILE");
  request.layer = args.Option("--layer").value_or("");
  request.nameField = args.Option("--name-field").value_or("");
  request.codeField = args.Option("--code-field").value_or("");
  request.heightField = args.Option("--height-field").value_or("");
  const auto crsText = args.Option("--crs");
  const auto out = args.Option("-o");
  const bool dump = args.Flag("--dump");
  const auto coords = args.Option("--coords");
  args.ExpectNoMore(1);
  std::string error;
  if (crsText) {
    if (!Crs::Resolve(*crsText, request.fileCrs, error)) return Fail(error);
    request.fileCrsGiven = !request.fileCrs.IsLocal();
  }
  if (!exchange::JobCrs(env.settings, request.jobCrs, error)) return Fail(error);
  const exchange::GisImport imported = exchange::ReadGisPoints(request);
  if (!imported.result.Done()) return Failed(imported.result);
  const int decimals = exchange::CoordinateDecimals(request.jobCrs);
  if (coords) {
    std::vector<std::string> leftOut;
    const std::string list =
        exchange::CoordinateListText(imported.points, ReadUploadType(env.settings), decimals, leftOut);
    if (!leftOut.empty()) Warn(ForTerminal(exchange::LeftOutText(leftOut)));
    std::string reason;
    if (!WriteTextFile(*coords, list, &reason)) return Fail(ForTerminal("Open file failed!\n" + *coords + ": " + reason));
    if (!out && !dump) return kExitOk;
  }
  RecordGrid grid;
  ClearGrid(grid, CurrentColumnCaptions(env));
  exchange::LoadImportedPoints(grid, imported.points, CoordinateCaptionsSwapped(env.settings), decimals);
  return EmitGrid(grid, args);
}

const bool registered =
    RegisterCommand({"export-gis",
                     "export-gis JOB -o OUT [--format gpkg|shp|geojson|kml|csv|landxml] [--crs DEF] "
                     "[--stations FILE [--format N]] [--layers points,traverse,sightlines,recomputed,shifts]",
                     "the job's points and lines for GIS and CAD, with its coordinate reference system",
                     {},
                     RunExportGis}) &&
    RegisterCommand({"import-gis",
                     "import-gis FILE [--layer NAME] [--name-field F] [--code-field F] [--height-field F] "
                     "[--crs DEF] [-o OUT] [--dump] [--coords LIST]",
                     "stake-out points of a GIS file or LandXML into the grid (and a coordinate list)",
                     {"--dump"},
                     RunImportGis});

}  // namespace
}  // namespace corvane::cli
