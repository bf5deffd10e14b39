#pragma once
// The readers behind the import: points as a file holds them, with the file's
// own CRS, before any transform.
#include <string>
#include <vector>

#include "exchange/crs.h"
#include "exchange/gis_import.h"

namespace corvane::exchange {

struct FilePoints {
  std::vector<ImportedPoint> points;  // north/east in the file's CRS; names unnumbered yet
  std::vector<int> features;          // the feature (1-based) each point came from, for messages
  Crs crs;                            // the file's own CRS; a local grid when it names none
  std::string layer;
};

// A LandXML document (by its root element).
bool IsLandXmlFile(const std::string& path);
bool ReadLandXmlPoints(const std::string& path, FilePoints& out, std::string& error);
bool ReadOgrPoints(const GisImportRequest& request, FilePoints& out, std::string& error);

}  // namespace corvane::exchange
