#pragma once
// A job to GIS and CAD formats: GeoPackage (every layer in one file, with the
// CRS), Shapefile (a file set per layer, with its .prj), GeoJSON and KML (in WGS 84
// longitude/latitude), CSV (a header row, X/Y/Z columns) and LandXML 1.2.
#include <string>
#include <string_view>

#include "core/command_result.h"
#include "core/compute/station_table.h"
#include "core/grid/record_grid.h"
#include "exchange/crs.h"

namespace corvane::exchange {

enum class GisFormat { GeoPackage, Shapefile, GeoJson, Kml, Csv, LandXml };

// "gpkg", "shp", "geojson", "kml", "csv", "landxml".
const char* GisFormatName(GisFormat format);
// The name, or "json"/"xml" for GeoJSON/LandXML; any case.
bool GisFormatFromName(std::string_view name, GisFormat& format);
// By the file's extension (.gpkg .shp .geojson .json .kml .csv .xml).
bool GisFormatFromPath(std::string_view path, GisFormat& format);
// ".gpkg", ".shp", ...
const char* GisExtension(GisFormat format);

enum GisLayer : unsigned {
  kLayerPoints = 1,
  kLayerTraverse = 2,
  kLayerSightlines = 4,
  kLayerRecomputed = 8,  // the recompute's points (with a station table)
  kLayerShifts = 16,     // listed point to recomputed point (with a station table)
};
inline constexpr unsigned kJobLayers = kLayerPoints | kLayerTraverse | kLayerSightlines;
inline constexpr unsigned kRecomputeLayers = kLayerRecomputed | kLayerShifts;

// "points,traverse,sightlines,recomputed,shifts" (any subset, any order). False
// with the word it does not know.
bool ParseGisLayers(std::string_view list, unsigned& layers, std::string& error);
// The layer's name in the files ("points").
const char* GisLayerName(GisLayer layer);

struct GisExportRequest {
  std::string path;
  GisFormat format = GisFormat::GeoPackage;
  // 0: every layer the job has (the recompute's with a station table).
  unsigned layers = 0;
  // The job's CRS; a local grid writes no CRS and cannot go to GeoJSON or KML.
  Crs crs;
  // New station coordinates: adds the recomputed points and their shifts.
  const StationTable* stations = nullptr;
};

// Writes the export. Every file appears complete or not at all; on failure the
// old files stay as they were. The written files are the result's files.
CommandResult ExportGis(const RecordGrid& grid, const GisExportRequest& request);

// The station table of a recompute with the new coordinates of a traverse file
// (its layout code 0..6): the grid's stations scanned, then the file imported, as
// the station dialog's Inport and OK do.
CommandResult NewStationCoordinates(const RecordGrid& grid, const std::string& file, int format, StationTable& table);

// Where the layers after the first go in a format of one layer per file:
// "out.geojson" and "traverse" give "out_traverse.geojson".
std::string LayerFilePath(const std::string& path, GisFormat format, const char* layerName);

}  // namespace corvane::exchange
