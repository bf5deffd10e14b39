// Points of an OGR layer: the layer asked for, else the file's point layer;
// point and multipoint geometries (DXF: points and block inserts, texts left
// aside); the layer's CRS with its axis order, so x is always the easting.
#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogr_feature.h>
#include <ogr_geometry.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <algorithm>
#include <fstream>
#include <cctype>
#include <memory>

#include "exchange/gdal_session.h"
#include "exchange/gis_readers.h"
#include "exchange/gis_text.h"

namespace corvane::exchange {
namespace {

constexpr const char* kNameFields[] = {"name", "pointname", "point_name", "point", "pt", "pnt", "label", "number", "id"};
constexpr const char* kCodeFields[] = {"code", "pointcode", "point_code", "featurecode", "feature", "desc", "description"};
constexpr const char* kHeightFields[] = {"height", "elevation", "elev", "h", "z", "altitude", "alt"};

struct DatasetCloser {
  void operator()(GDALDataset* ds) const { GDALClose(ds); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

// The field asked for (any case), else the first with a usual name; -1 when none.
// False when a field asked for is not there.
bool FindField(OGRFeatureDefn* defn, const std::string& asked, const char* const* usual, size_t usualCount, int& index) {
  index = -1;
  auto find = [defn](const std::string& name) {
    for (int i = 0; i < defn->GetFieldCount(); ++i)
      if (AsciiLower(defn->GetFieldDefn(i)->GetNameRef()) == AsciiLower(name)) return i;
    return -1;
  };
  if (!asked.empty()) return (index = find(asked)) >= 0;
  for (size_t k = 0; k < usualCount && index < 0; ++k) index = find(usual[k]);
  return true;
}

bool IsPointType(OGRwkbGeometryType t) {
  t = wkbFlatten(t);
  return t == wkbPoint || t == wkbMultiPoint;
}

std::string LayerList(GDALDataset* ds) {
  std::string list;
  for (OGRLayer* layer : ds->GetLayers()) {
    if (!list.empty()) list += ", ";
    list += layer->GetName();
  }
  return list.empty() ? "none" : list;
}

OGRLayer* ChooseLayer(GDALDataset* ds, const std::string& asked, std::string& error) {
  if (!asked.empty()) {
    OGRLayer* layer = ds->GetLayerByName(asked.c_str());
    if (!layer) error = "The file has no layer \"" + asked + "\" (its layers: " + LayerList(ds) + ").";
    return layer;
  }
  if (ds->GetLayerCount() == 0) {
    error = "The file holds no layer.";
    return nullptr;
  }
  // Our own exports name the listed points "points"; else the first point layer
  // that holds features, then a layer of mixed features (a drawing's entities).
  if (OGRLayer* points = ds->GetLayerByName("points"); points && IsPointType(points->GetGeomType())) return points;
  // A drawing's points and inserts are among its entities (its blocks are only definitions).
  if (AsciiLower(ds->GetDriverName()) == "dxf")
    if (OGRLayer* entities = ds->GetLayerByName("entities")) return entities;
  for (bool pointType : {true, false})
    for (OGRLayer* layer : ds->GetLayers()) {
      const OGRwkbGeometryType t = wkbFlatten(layer->GetGeomType());
      if ((pointType ? IsPointType(t) : t == wkbUnknown) && layer->GetFeatureCount(TRUE) > 0) return layer;
    }
  return ds->GetLayer(0);
}

// Whether the data's x is the SRS's northing (or latitude): an SRS read in its
// authority's axis order.
bool XIsNorth(const OGRSpatialReference& srs) {
  const std::vector<int>& map = srs.GetDataAxisToSRSAxisMapping();
  const int axis = map.empty() ? 1 : std::abs(map[0]);
  OGRAxisOrientation orientation = OAO_Other;
  srs.GetAxis(nullptr, axis - 1, &orientation);
  return orientation == OAO_North || orientation == OAO_South;
}

// The header's column that best names a coordinate, by the order of `names`.
std::string HeaderColumn(const std::vector<std::string>& header, std::initializer_list<const char*> names) {
  for (const char* name : names)
    for (const std::string& column : header)
      if (AsciiLower(column) == name) return column;
  return {};
}

// A CSV file's coordinate columns, named exactly (GDAL's own guessing can take
// two columns for one coordinate).
char** OpenOptions(const std::string& path) {
  const std::string lower = AsciiLower(path);
  if (lower.size() < 4 || lower.compare(lower.size() - 4, 4, ".csv") != 0) return nullptr;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  std::getline(in, line);
  const size_t sep = line.find_first_of(",;\t");
  const char separator = sep == std::string::npos ? ',' : line[sep];
  std::vector<std::string> header(1);
  for (char c : line) {
    if (c == separator) header.emplace_back();
    else if (c != '"' && c != '\r' && c != ' ') header.back() += c;
  }
  const std::string x = HeaderColumn(header, {"x", "easting", "east", "e", "lon", "longitude", "lng"});
  const std::string y = HeaderColumn(header, {"y", "northing", "north", "n", "lat", "latitude"});
  const std::string z = HeaderColumn(header, {"z", "height", "elevation", "elev", "h"});
  char** o = CSLSetNameValue(nullptr, "AUTODETECT_TYPE", "NO");
  if (!x.empty() && !y.empty()) {
    o = CSLSetNameValue(o, "X_POSSIBLE_NAMES", x.c_str());
    o = CSLSetNameValue(o, "Y_POSSIBLE_NAMES", y.c_str());
    if (!z.empty()) o = CSLSetNameValue(o, "Z_POSSIBLE_NAMES", z.c_str());
  }
  return o;
}

}  // namespace

bool ReadOgrPoints(const GisImportRequest& request, FilePoints& out, std::string& error) {
  EnsureGdal();
  GdalMessages messages;
  char** options = OpenOptions(request.path);
  Dataset ds(GDALDataset::Open(request.path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, options, nullptr));
  CSLDestroy(options);
  if (!ds) {
    error = request.path + " is not a file of GIS points that GDAL can read";
    if (!messages.Last().empty()) error += " (" + messages.Last() + ")";
    error += ".";
    return false;
  }
  OGRLayer* layer = ChooseLayer(ds.get(), request.layer, error);
  if (!layer) return false;
  out.layer = layer->GetName();
  const bool dxf = AsciiLower(ds->GetDriverName()) == "dxf";
  OGRFeatureDefn* defn = layer->GetLayerDefn();
  int nameField = -1, codeField = -1, heightField = -1;
  for (const auto& [asked, usual, count, index] :
       {std::tuple{&request.nameField, kNameFields, std::size(kNameFields), &nameField},
        std::tuple{&request.codeField, kCodeFields, std::size(kCodeFields), &codeField},
        std::tuple{&request.heightField, kHeightFields, std::size(kHeightFields), &heightField}}) {
    if (!FindField(defn, *asked, usual, count, *index)) {
      error = "Layer \"" + out.layer + "\" has no field \"" + *asked + "\".";
      return false;
    }
  }
  const int textField = dxf ? defn->GetFieldIndex("Text") : -1;
  bool xIsNorth = false;
  if (const OGRSpatialReference* srs = layer->GetSpatialRef()) {
    char* wkt = nullptr;
    const char* wktOptions[] = {"FORMAT=WKT2_2019", nullptr};
    srs->exportToWkt(&wkt, wktOptions);
    const bool resolved = wkt && Crs::Resolve(wkt, out.crs, error);
    CPLFree(wkt);
    if (!resolved) return false;
    xIsNorth = XIsNorth(*srs);
  }
  layer->ResetReading();
  int feature = 0;
  auto add = [&](const OGRPoint& pt, const OGRFeature& f) {
    ImportedPoint p;
    p.east = xIsNorth ? pt.getY() : pt.getX();
    p.north = xIsNorth ? pt.getX() : pt.getY();
    p.height = pt.getZ();
    p.hasHeight = pt.Is3D();
    if (heightField >= 0 && f.IsFieldSetAndNotNull(heightField) &&
        (!p.hasHeight || !request.heightField.empty())) {
      p.height = f.GetFieldAsDouble(heightField);
      p.hasHeight = true;
    }
    if (nameField >= 0 && f.IsFieldSetAndNotNull(nameField)) p.name = GisTextToGbk(f.GetFieldAsString(nameField));
    if (codeField >= 0 && f.IsFieldSetAndNotNull(codeField)) p.code = GisTextToGbk(f.GetFieldAsString(codeField));
    out.points.push_back(std::move(p));
    out.features.push_back(feature);
  };
  for (auto& f : *layer) {
    ++feature;
    const OGRGeometry* g = f->GetGeometryRef();
    if (dxf && textField >= 0 && f->IsFieldSetAndNotNull(textField) && *f->GetFieldAsString(textField)) continue;
    if (!g || g->IsEmpty()) {
      // A point left out without a word would not be staked out.
      error = "Feature " + std::to_string(feature) + " of layer \"" + out.layer +
              "\" has no coordinates (or coordinates that are not numbers).";
      return false;
    }
    const OGRwkbGeometryType type = wkbFlatten(g->getGeometryType());
    if (type == wkbPoint) {
      add(*g->toPoint(), *f);
    } else if (type == wkbMultiPoint) {
      for (const OGRPoint* pt : *g->toMultiPoint()) add(*pt, *f);
    } else if (!dxf) {
      // A drawing mixes points with lines; any other layer of lines or areas is
      // not a list of points to stake out.
      error = "Layer \"" + out.layer + "\" holds lines or polygons, not points: choose a point layer.";
      return false;
    }
  }
  if (messages.Failed()) {
    error = request.path + ": " + messages.Last();
    return false;
  }
  return true;
}

}  // namespace corvane::exchange
