#pragma once
// A coordinate upload of a GIS file: the file's points become a coordinate list
// first, in the layout the upload reads, and the existing upload sends that
// list. Every front end (RS-232 and USB, desktop and command line) goes through
// PrepareCoordinateUpload before it starts the transfer.
#include <memory>
#include <string>

#include "core/command_result.h"
#include "core/settings/settings_store.h"
#include "exchange/crs.h"

namespace corvane::exchange {

// A file a coordinate upload should convert first: a GIS format by its extension
// (.gpkg .shp .geojson .json .kml .dxf ...), a LandXML document, or a CSV file
// whose header names x/y columns. Plain coordinate lists are not.
bool IsGisFile(const std::string& path);

struct UploadFile {
  std::string path;            // what the upload reads: the file itself or the list made of it
  int type = 0;                // the layout to read it with
  std::string leftOut;         // the message naming points the instrument cannot take; empty when none
  std::shared_ptr<void> keep;  // the list made of a GIS file lives while this is held
};

// The file itself for a plain list; for a GIS file, its points in the job's CRS
// (the "Crs" setting) written as a list in layout `type` to a temporary file.
// Fails with the import's message (nothing is sent then).
CommandResult PrepareCoordinateUpload(const std::string& path, int type, const ISettingsReader& settings,
                                      UploadFile& out);

// The job's CRS from the "Crs" setting. False with the message when PROJ does
// not know it.
bool JobCrs(const ISettingsReader& settings, Crs& crs, std::string& error);

}  // namespace corvane::exchange
