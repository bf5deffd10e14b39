#include "exchange/gis_import.h"

#include <algorithm>
#include <cmath>

#include "core/compute/point_format.h"
#include "core/text/numbers.h"
#include "exchange/exchange_texts.h"
#include "exchange/gis_readers.h"
#include "exchange/job_features.h"

namespace corvane::exchange {
namespace {

// What a field of the instrument's coordinate record holds.
constexpr size_t kRecordField = 14;

bool Good(const ImportedPoint& p) {
  for (double v : {p.north, p.east, p.height})
    if (!std::isfinite(v) || std::fabs(v) > kCoordinateLimit) return false;
  return true;
}

std::string FeatureText(const FilePoints& file, size_t i) {
  const std::string& name = file.points[i].name;
  std::string text = "feature " + std::to_string(file.features[i]) + " of layer \"" + file.layer + "\"";
  if (!name.empty()) text += " (\"" + NameForMessage(name) + "\")";
  return text;
}

// Into the job's CRS, in place. False with the message naming the point.
bool ToJobCrs(FilePoints& file, const GisImportRequest& request, std::string& error) {
  const Crs& from = request.fileCrsGiven ? request.fileCrs : file.crs;
  const Crs& to = request.jobCrs;
  if (to.IsLocal()) {
    if (!from.IsLocal() && from.IsGeographic()) {
      error = "The points of \"" + file.layer +
              "\" are longitude and latitude: give the job a coordinate reference system (\"Crs\" on the settings "
              "page) to take them.";
      return false;
    }
    return true;  // a local grid takes the coordinates as they are
  }
  if (from.IsLocal()) {
    error = "The file names no coordinate reference system (a Shapefile without .prj, a CSV or DXF file): give "
            "its CRS with --crs.";
    return false;
  }
  CrsTransform transform;
  if (!transform.Create(from, to, error)) return false;
  std::vector<double> x, y, z;
  for (const ImportedPoint& p : file.points) {
    x.push_back(p.east);
    y.push_back(p.north);
    z.push_back(p.height);
  }
  const size_t bad = transform.Apply(x.data(), y.data(), z.data(), x.size());
  if (bad < x.size()) {
    error = "The " + FeatureText(file, bad) + " cannot be transformed from " + from.Label() + " to " + to.Label() +
            ": it lies outside the area of the coordinate reference system.";
    return false;
  }
  for (size_t i = 0; i < file.points.size(); ++i) {
    file.points[i].east = x[i];
    file.points[i].north = y[i];
    if (file.points[i].hasHeight) file.points[i].height = z[i];
  }
  return true;
}

// A text the instrument's record cannot carry as one field.
bool RecordUnsafe(const std::string& text) {
  return text.size() > kRecordField || text.find_first_of(" ,\t\"\r\n") != std::string::npos;
}

}  // namespace

GisImport ReadGisPoints(const GisImportRequest& request) {
  GisImport out;
  FilePoints file;
  std::string error;
  const bool ok = IsLandXmlFile(request.path) ? ReadLandXmlPoints(request.path, file, error)
                                              : ReadOgrPoints(request, file, error);
  out.layer = file.layer;
  if (!ok) {
    out.result = CommandResult::Failure(kGisImportFailed, error);
    return out;
  }
  if (file.points.empty()) {
    out.result = CommandResult::Failure(kGisImportFailed, "Layer \"" + file.layer + "\" holds no points.");
    return out;
  }
  for (size_t i = 0; i < file.points.size(); ++i) {
    if (!Good(file.points[i])) {
      out.result = CommandResult::Failure(
          kGisImportFailed, "The " + FeatureText(file, i) + " has a coordinate that is not a number or lies beyond 1e10.");
      return out;
    }
  }
  if (!ToJobCrs(file, request, error)) {
    out.result = CommandResult::Failure(kGisImportFailed, error);
    return out;
  }
  // Points without a name are named after their place in the file.
  for (size_t i = 0; i < file.points.size(); ++i)
    if (file.points[i].name.empty()) file.points[i].name = FormatInt(static_cast<long long>(i) + 1);
  out.points = std::move(file.points);
  return out;
}

int CoordinateDecimals(const Crs& crs) { return crs.IsGeographic() ? 9 : 3; }

void LoadImportedPoints(RecordGrid& grid, const std::vector<ImportedPoint>& points, bool enz, int decimals) {
  static const std::string kZero = "0.0000", kBlanks(14, ' '), kEnd = "####";
  grid.SetRowCount(1);
  grid.ReserveRows(static_cast<int>(std::min<size_t>(points.size(), kMaxGridRows - 1)) + 1);
  int r = 0;
  for (const ImportedPoint& p : points) {
    if (r >= kMaxGridRows - 1) break;
    ++r;
    grid.SetRowCount(r + 1);
    const std::string number = FormatInt(r), north = FormatFixed(p.north, decimals),
                      east = FormatFixed(p.east, decimals),
                      height = p.hasHeight ? FormatFixed(p.height, decimals) : std::string();
    RecordGrid::RowCells cells{};
    cells[col::kNumber] = number;
    cells[col::kMark] = "U";
    cells[col::kKind] = "MP";
    cells[col::kName] = p.name;
    cells[4] = cells[5] = cells[6] = kZero;
    cells[col::kPlane1] = enz ? east : north;
    cells[col::kPlane2] = enz ? north : east;
    cells[col::kHeight] = height;
    cells[10] = cells[11] = kZero;
    cells[col::kCode] = p.code;
    cells[13] = kBlanks;
    cells[14] = kEnd;
    grid.SetRow(r, cells);
  }
}

std::string CoordinateListText(const std::vector<ImportedPoint>& points, int type, int decimals,
                               std::vector<std::string>& leftOut) {
  // Layouts 0..5 are the export's point lines; 6 reads as 1; others take 0.
  const int layout = type == 6 ? 1 : (type >= 0 && type <= 5 ? type : 0);
  std::string text;
  long long counter = 0;
  for (const ImportedPoint& p : points) {
    const std::string north = FormatFixed(p.north, decimals), east = FormatFixed(p.east, decimals),
                      height = p.hasHeight ? FormatFixed(p.height, decimals) : std::string();
    if (RecordUnsafe(p.name) || RecordUnsafe(p.code) || north.size() > kRecordField || east.size() > kRecordField ||
        height.size() > kRecordField) {
      leftOut.push_back(p.name);
      continue;
    }
    AppendPointLine(text, p.name, p.code, north, east, height, layout, ",", ++counter);
  }
  return text;
}

std::string LeftOutText(const std::vector<std::string>& leftOut) {
  if (leftOut.empty()) return {};
  std::string text = std::to_string(leftOut.size()) +
                     (leftOut.size() == 1 ? " point is" : " points are") +
                     " not sent: the instrument takes names and codes of at most 14 characters without blanks, "
                     "commas or quotes, and coordinates of at most 14 characters:";
  const size_t shown = std::min<size_t>(leftOut.size(), 10);
  for (size_t i = 0; i < shown; ++i) text += (i ? ", " : " ") + NameForMessage(leftOut[i]);
  if (shown < leftOut.size()) text += ", ...";
  return text;
}

}  // namespace corvane::exchange
