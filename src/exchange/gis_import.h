#pragma once
// Stake-out points from the office: a point layer of any file OGR reads
// (GeoPackage, Shapefile, GeoJSON, KML, CSV with x/y columns, DXF points and
// block inserts) or the CgPoints of a LandXML file, transformed from the file's
// CRS to the job's, into the grid or into a coordinate list for the upload.
#include <string>
#include <vector>

#include "core/command_result.h"
#include "core/grid/record_grid.h"
#include "exchange/crs.h"

namespace corvane::exchange {

struct ImportedPoint {
  std::string name;  // GBK bytes; numbered when the file has none
  std::string code;
  double north = 0, east = 0, height = 0;
  bool hasHeight = false;
};

struct GisImportRequest {
  std::string path;
  std::string layer;        // empty: the file's point layer
  std::string nameField;    // empty: a field with a usual name ("name", "point", ...)
  std::string codeField;    // empty: "code", "description", ...
  std::string heightField;  // empty: the geometry's Z, else "height", "elevation", ...
  Crs fileCrs;              // with fileCrsGiven: the file's CRS whatever it says itself
  bool fileCrsGiven = false;
  Crs jobCrs;               // where the points go; a local grid takes them as they are
};

struct GisImport {
  CommandResult result;
  std::vector<ImportedPoint> points;
  std::string layer;  // the layer read
};

GisImport ReadGisPoints(const GisImportRequest& request);

// Replaces the grid's rows with one "MP" row per point, as the coordinate import
// lays out a list: the name in column 3, the plane coordinates in columns 7 and 8
// (N then E; E then N when "CoorType" is 1), the height in 9, the code in 12.
// decimals: of the coordinates ("%.3f" in metres, more for degrees).
void LoadImportedPoints(RecordGrid& grid, const std::vector<ImportedPoint>& points, bool enz, int decimals);

// Decimals for coordinates of the CRS: 3 for metres, 9 for degrees.
int CoordinateDecimals(const Crs& crs);

// The points as a coordinate list in upload layout `type` (0..6; others as 0),
// joined by commas, ready for the upload's record conversion. Points the
// instrument cannot take (a name or code longer than 14 bytes, or with a blank,
// comma, tab or quote; a coordinate wider than 14 characters) are left out and
// named in `leftOut`.
std::string CoordinateListText(const std::vector<ImportedPoint>& points, int type, int decimals,
                               std::vector<std::string>& leftOut);

// The message naming the points left out (empty when none).
std::string LeftOutText(const std::vector<std::string>& leftOut);

}  // namespace corvane::exchange
