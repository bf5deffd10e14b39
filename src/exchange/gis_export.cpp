#include "exchange/gis_export.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "core/compute/station_import.h"
#include "core/file_texts.h"
#include "exchange/exchange_texts.h"
#include "exchange/gis_text.h"
#include "exchange/job_features.h"
#include "exchange/landxml_writer.h"
#include "exchange/ogr_writer.h"
#include "exchange/pending_files.h"

namespace corvane::exchange {
namespace {

struct FormatInfo {
  GisFormat format;
  const char* name;
  const char* extension;
  const char* label;
};

constexpr FormatInfo kFormats[] = {
    {GisFormat::GeoPackage, "gpkg", ".gpkg", "GeoPackage"}, {GisFormat::Shapefile, "shp", ".shp", "Shapefile"},
    {GisFormat::GeoJson, "geojson", ".geojson", "GeoJSON"}, {GisFormat::Kml, "kml", ".kml", "KML"},
    {GisFormat::Csv, "csv", ".csv", "CSV"},                 {GisFormat::LandXml, "landxml", ".xml", "LandXML"},
};

const FormatInfo& Info(GisFormat format) {
  for (const FormatInfo& f : kFormats)
    if (f.format == format) return f;
  return kFormats[0];
}

constexpr struct {
  GisLayer layer;
  const char* name;
} kLayers[] = {{kLayerPoints, "points"},
               {kLayerTraverse, "traverse"},
               {kLayerSightlines, "sightlines"},
               {kLayerRecomputed, "recomputed"},
               {kLayerShifts, "shifts"}};

}  // namespace

const char* GisFormatName(GisFormat format) { return Info(format).name; }
const char* GisExtension(GisFormat format) { return Info(format).extension; }

bool GisFormatFromName(std::string_view name, GisFormat& format) {
  const std::string n = AsciiLower(name);
  for (const FormatInfo& f : kFormats)
    if (n == f.name) return format = f.format, true;
  if (n == "json") return format = GisFormat::GeoJson, true;
  if (n == "xml") return format = GisFormat::LandXml, true;
  return false;
}

bool GisFormatFromPath(std::string_view path, GisFormat& format) {
  const std::string ext = AsciiLower(std::filesystem::path(path).extension().string());
  return !ext.empty() && GisFormatFromName(ext.substr(1), format);
}

bool ParseGisLayers(std::string_view list, unsigned& layers, std::string& error) {
  layers = 0;
  while (!list.empty()) {
    const size_t comma = list.find(',');
    const std::string word = AsciiLower(list.substr(0, comma));
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    if (word.empty()) continue;
    unsigned bit = 0;
    for (const auto& l : kLayers)
      if (word == l.name) bit = l.layer;
    if (!bit) {
      error = "unknown layer \"" + word + "\" (points, traverse, sightlines, recomputed, shifts)";
      return false;
    }
    layers |= bit;
  }
  if (!layers) error = "no layer named";
  return layers != 0;
}

const char* GisLayerName(GisLayer layer) {
  for (const auto& l : kLayers)
    if (l.layer == layer) return l.name;
  return "";
}

std::string LayerFilePath(const std::string& path, GisFormat, const char* layerName) {
  const std::filesystem::path p(path);
  const std::string ext = p.extension().string();
  return path.substr(0, path.size() - ext.size()) + "_" + layerName + ext;
}

CommandResult NewStationCoordinates(const RecordGrid& grid, const std::string& file, int format, StationTable& table) {
  if (CommandResult scan = ScanStations(grid, table); !scan.Done()) return scan;
  StationImportModel stations(table);
  if (CommandResult imported = stations.Inport(format, file); !imported.Done()) return imported;
  stations.Ok(table);
  return {};
}

CommandResult ExportGis(const RecordGrid& grid, const GisExportRequest& request) {
  const unsigned layers = request.layers ? request.layers : kJobLayers | (request.stations ? kRecomputeLayers : 0);
  if ((layers & kRecomputeLayers) && !request.stations)
    return CommandResult::Failure("The recomputed points and their shifts need new station coordinates.");
  const bool lonLat = request.format == GisFormat::GeoJson || request.format == GisFormat::Kml;
  if (lonLat && request.crs.IsLocal()) return CommandResult::Failure(NeedsCrsText(Info(request.format).label));
  std::string path = request.path;
  // A Shapefile's parts share its name: the main file ends in .shp.
  if (request.format == GisFormat::Shapefile && AsciiLower(std::filesystem::path(path).extension().string()) != ".shp")
    path += ".shp";
  if (path.empty()) return OpenFileFailure(path, "no file name");
  if (const std::string why = WhyNotWritable(path); !why.empty()) return OpenFileFailure(path, why);

  JobFeatures features = CollectJobFeatures(grid, (layers & kRecomputeLayers) ? request.stations : nullptr);
  if (features.points.empty()) return CommandResult::Failure(kNoPointsToExport);
  if (const BadCoordinate bad = FindBadCoordinate(features); bad.found)
    return CommandResult::Failure(BadCoordinateText(bad.name, bad.row));

  if (request.format == GisFormat::LandXml) return WriteLandXml(grid, features, request.crs, path);

  OgrTarget target{request.format, path, layers, request.crs, {}};
  if (lonLat) {
    const Crs wgs84 = Crs::Wgs84();
    CrsTransform transform;
    std::string error;
    if (!transform.Create(request.crs, wgs84, error)) return CommandResult::Failure(kGisExportFailed, error);
    BadCoordinate failed;
    if (!TransformFeatures(features, transform, failed))
      return CommandResult::Failure(TransformFailedText(failed.name, failed.row, request.crs.Label(), "WGS 84"));
    target.crs = wgs84;
    target.description = "Transformed from " + request.crs.Label() + " to WGS 84 longitude/latitude";
  }
  PendingFiles pending;
  std::string error;
  if (!WriteOgrLayers(features, target, pending, error) || !pending.Publish(error))
    return CommandResult::Failure(kGisExportFailed, error);
  return {};
}

}  // namespace corvane::exchange
