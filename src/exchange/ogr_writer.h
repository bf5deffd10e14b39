#pragma once
// The job's layers written through OGR: one dataset holding every layer
// (GeoPackage, KML) or one per layer (Shapefile, GeoJSON, CSV), each built under
// a temporary name and handed to PendingFiles.
#include <string>

#include "exchange/crs.h"
#include "exchange/gis_export.h"
#include "exchange/job_features.h"
#include "exchange/pending_files.h"

namespace corvane::exchange {

struct OgrTarget {
  GisFormat format = GisFormat::GeoPackage;
  std::string path;
  unsigned layers = kLayerPoints;
  // The CRS of the geometries (the job's, or WGS 84 for GeoJSON and KML).
  Crs crs;
  // Said in the file where the format has room (GeoJSON's description).
  std::string description;
  // GeoJSON through GDAL's own driver rather than the direct writer (which
  // writes the same file faster; the driver is what it is checked against).
  bool geoJsonThroughDriver = false;
};

// False with the message; files made so far stay pending (and are dropped).
bool WriteOgrLayers(const JobFeatures& features, const OgrTarget& target, PendingFiles& pending, std::string& error);

}  // namespace corvane::exchange
