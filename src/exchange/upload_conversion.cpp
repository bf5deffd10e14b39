#include "exchange/upload_conversion.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "core/file_texts.h"
#include "core/text/numbers.h"
#include "core/text/text_file.h"
#include "exchange/exchange_texts.h"
#include "exchange/gis_text.h"
#include "exchange/gis_import.h"
#include "exchange/gis_readers.h"

namespace corvane::exchange {
namespace {

// A CSV whose first line names coordinate columns (a plain list starts with a point).
bool CsvWithCoordinateHeader(const std::string& path) {
  TextLineReader in;
  std::string line;
  if (!in.Open(path) || !in.ReadPiece(line, 4096)) return false;
  std::string field;
  auto coordinateName = [](std::string f) {
    f.erase(std::remove_if(f.begin(), f.end(), [](char c) { return c == '"' || c == ' ' || c == '\r' || c == '\n'; }),
            f.end());
    f = AsciiLower(f);
    for (const char* n : {"x", "y", "easting", "northing", "east", "north", "lon", "lat", "longitude", "latitude", "wkt"})
      if (f == n) return true;
    return false;
  };
  for (char c : line + ",") {
    if (c == ',' || c == ';' || c == '\t') {
      if (coordinateName(field)) return true;
      field.clear();
    } else {
      field += c;
    }
  }
  return false;
}

}  // namespace

bool IsGisFile(const std::string& path) {
  const std::string ext = AsciiLower(std::filesystem::path(path).extension().string());
  for (const char* e : {".gpkg", ".shp", ".geojson", ".json", ".kml", ".kmz", ".dxf", ".gml", ".fgb", ".sqlite"})
    if (ext == e) return true;
  if (ext == ".xml") return IsLandXmlFile(path);
  if (ext == ".csv") return CsvWithCoordinateHeader(path);
  return false;
}

bool JobCrs(const ISettingsReader& settings, Crs& crs, std::string& error) {
  return Crs::Resolve(settings.ReadSetting(SettingsSection::OtherSet, "Crs", ""), crs, error);
}

CommandResult PrepareCoordinateUpload(const std::string& path, int type, const ISettingsReader& settings,
                                      UploadFile& out) {
  out = UploadFile{path, type, {}, {}};
  if (!IsGisFile(path)) return {};
  GisImportRequest request;
  request.path = path;
  std::string error;
  if (!JobCrs(settings, request.jobCrs, error)) return CommandResult::Failure(kGisImportFailed, error);
  const GisImport imported = ReadGisPoints(request);
  if (!imported.result.Done()) return imported.result;
  std::vector<std::string> leftOut;
  const std::string list =
      CoordinateListText(imported.points, type, CoordinateDecimals(request.jobCrs), leftOut);
  out.leftOut = LeftOutText(leftOut);
  const char* tmp = std::getenv("TMPDIR");
  std::string name = std::string(tmp && *tmp ? tmp : "/tmp") + "/corvane-upload-XXXXXX.txt";
  const int fd = ::mkstemps(name.data(), 4);
  if (fd < 0) return OpenFileFailure(name, SystemErrorText(errno));
  ::close(fd);
  out.keep = std::shared_ptr<std::string>(new std::string(name), [](std::string* p) {
    ::unlink(p->c_str());
    delete p;
  });
  std::string reason;
  if (!WriteTextFile(name, list, &reason)) return OpenFileFailure(name, reason);
  out.path = name;
  return {};
}

}  // namespace corvane::exchange
