#include "exchange/ogr_writer.h"

#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogr_feature.h>
#include <ogr_geometry.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "exchange/exchange_texts.h"
#include "exchange/gdal_session.h"
#include "exchange/gis_text.h"

namespace corvane::exchange {
namespace {

// Bytes a Shapefile's text field holds.
constexpr size_t kShapefileTextLimit = 254;

struct Column {
  const char* name;
  OGRFieldType type;
  std::function<std::string(size_t)> text;  // OFTString, UTF-8
  std::function<double(size_t)> number;     // OFTReal
  std::function<int(size_t)> integer;       // OFTInteger
};

struct LayerPlan {
  GisLayer id;
  bool lines = false;
  size_t count = 0;
  std::vector<Column> columns;
  std::function<void(size_t, FeaturePoint&, FeaturePoint&)> place;
  std::function<const std::string&(size_t)> name;  // for messages
  std::function<int(size_t)> row;
};

Column Text(const char* name, std::function<std::string(size_t)> get) { return {name, OFTString, std::move(get), {}, {}}; }
Column Real(const char* name, std::function<double(size_t)> get) { return {name, OFTReal, {}, std::move(get), {}}; }
Column Integer(const char* name, std::function<int(size_t)> get) { return {name, OFTInteger, {}, {}, std::move(get)}; }

LayerPlan PointsPlan(GisLayer id, const std::vector<JobPoint>& p) {
  LayerPlan plan{id, false, p.size(), {}, {}, {}, {}};
  plan.columns = {Text("name", [&p](size_t i) { return GbkToGisText(p[i].name); }),
                  Text("code", [&p](size_t i) { return GbkToGisText(p[i].code); }),
                  Text("kind", [&p](size_t i) { return p[i].kind; }),
                  Real("north", [&p](size_t i) { return p[i].at.north; }),
                  Real("east", [&p](size_t i) { return p[i].at.east; }),
                  Real("height", [&p](size_t i) { return p[i].at.height; }),
                  Text("station", [&p](size_t i) { return GbkToGisText(p[i].station); }),
                  Integer("row", [&p](size_t i) { return p[i].row; })};
  plan.place = [&p](size_t i, FeaturePoint& a, FeaturePoint&) { a = p[i].place; };
  plan.name = [&p](size_t i) -> const std::string& { return p[i].name; };
  plan.row = [&p](size_t i) { return p[i].row; };
  return plan;
}

LayerPlan LinesPlan(GisLayer id, const std::vector<JobLine>& l) {
  LayerPlan plan{id, true, l.size(), {}, {}, {}, {}};
  auto from = [&l](size_t i) { return GbkToGisText(l[i].fromName); };
  auto to = [&l](size_t i) { return GbkToGisText(l[i].toName); };
  auto row = [&l](size_t i) { return l[i].row; };
  if (id == kLayerShifts) {
    plan.columns = {Text("name", to), Real("dN", [&l](size_t i) { return l[i].delta.north; }),
                    Real("dE", [&l](size_t i) { return l[i].delta.east; }),
                    Real("dH", [&l](size_t i) { return l[i].delta.height; }), Integer("row", row)};
  } else if (id == kLayerSightlines) {
    plan.columns = {Text("station", from), Text("point", to), Integer("row", row)};
  } else {
    plan.columns = {Text("from", from), Text("to", to), Integer("row", row)};
  }
  plan.place = [&l](size_t i, FeaturePoint& a, FeaturePoint& b) {
    a = l[i].from;
    b = l[i].to;
  };
  plan.name = [&l](size_t i) -> const std::string& { return l[i].toName; };
  plan.row = row;
  return plan;
}

std::vector<LayerPlan> Plans(const JobFeatures& f, unsigned layers) {
  std::vector<LayerPlan> plans;
  if (layers & kLayerPoints) plans.push_back(PointsPlan(kLayerPoints, f.points));
  if (layers & kLayerTraverse) plans.push_back(LinesPlan(kLayerTraverse, f.traverse));
  if (layers & kLayerSightlines) plans.push_back(LinesPlan(kLayerSightlines, f.sightlines));
  if (layers & kLayerRecomputed) plans.push_back(PointsPlan(kLayerRecomputed, f.recomputed));
  if (layers & kLayerShifts) plans.push_back(LinesPlan(kLayerShifts, f.shifts));
  return plans;
}

// Widths of the Shapefile's text fields: the longest value of each. False when a
// value is longer than the format holds.
bool ShapefileWidths(const LayerPlan& plan, std::vector<int>& widths, std::string& error) {
  widths.assign(plan.columns.size(), 1);
  for (size_t c = 0; c < plan.columns.size(); ++c) {
    const Column& col = plan.columns[c];
    if (col.type != OFTString) continue;
    for (size_t i = 0; i < plan.count; ++i) {
      const size_t n = col.text(i).size();
      if (n > kShapefileTextLimit) {
        error = TooLongForShapefileText(col.name, plan.name(i), plan.row(i));
        return false;
      }
      widths[c] = std::max(widths[c], static_cast<int>(n));
    }
  }
  return true;
}

const char* DriverName(GisFormat format) {
  switch (format) {
    case GisFormat::GeoPackage: return "GPKG";
    case GisFormat::Shapefile: return "ESRI Shapefile";
    case GisFormat::GeoJson: return "GeoJSON";
    case GisFormat::Kml: return GetGDALDriverManager()->GetDriverByName("LIBKML") ? "LIBKML" : "KML";
    case GisFormat::Csv: return "CSV";
    case GisFormat::LandXml: break;
  }
  return "";
}

class Writer final {
 public:
  Writer(const JobFeatures& f, const OgrTarget& t, PendingFiles& pending) : f_(f), t_(t), pending_(pending) {
    if (!t.crs.IsLocal()) {
      srs_ = std::make_unique<OGRSpatialReference>();
      const std::string def = t.crs.AuthorityCode().empty() ? t.crs.Wkt() : t.crs.AuthorityCode();
      if (srs_->SetFromUserInput(def.c_str()) != OGRERR_NONE) srs_->importFromWkt(t.crs.Wkt().c_str());
      srs_->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    }
  }

  bool Run(std::string& error) {
    driver_ = GetGDALDriverManager()->GetDriverByName(DriverName(t_.format));
    if (!driver_) {
      error = std::string("GDAL has no ") + DriverName(t_.format) + " driver.";
      return false;
    }
    const std::vector<LayerPlan> plans = Plans(f_, t_.layers);
    const bool oneDataset = t_.format == GisFormat::GeoPackage || t_.format == GisFormat::Kml;
    if (oneDataset) return WriteDataset(plans, t_.path, error);
    for (size_t k = 0; k < plans.size(); ++k) {
      const std::string path = k == 0 ? t_.path : LayerFilePath(t_.path, t_.format, GisLayerName(plans[k].id));
      if (!WriteDataset({plans[k]}, path, error)) return false;
    }
    return true;
  }

 private:
  bool WriteDataset(const std::vector<LayerPlan>& plans, const std::string& target, std::string& error) {
    const std::string ext = GisExtension(t_.format);
    const std::string temp = pending_.TemporaryFor(target, ext);
    for (const char* extra : {"-journal", "-wal", "-shm"}) pending_.Reserve(temp + extra);
    const std::string tempStem = temp.substr(0, temp.size() - ext.size());
    if (t_.format == GisFormat::Shapefile)
      for (const char* side : {".shx", ".dbf", ".prj", ".cpg", ".qix"}) pending_.Reserve(tempStem + side);
    GdalMessages messages;
    // The temporary is synced when it is published: SQLite need not sync as it goes.
    CPLSetThreadLocalConfigOption("OGR_SQLITE_SYNCHRONOUS", "OFF");
    GDALDataset* ds = driver_->Create(temp.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
    bool ok = ds != nullptr;
    if (!ok) error = target + ": " + messages.Last();
    const bool transaction = ok && t_.format == GisFormat::GeoPackage;
    if (transaction) ds->StartTransaction();
    for (const LayerPlan& plan : plans) {
      if (!ok) break;
      ok = WriteLayer(ds, plan, messages, target, error);
    }
    if (transaction && ok && ds->CommitTransaction() != OGRERR_NONE) {
      ok = false;
      error = target + ": " + messages.Last();
    }
    if (ds) GDALClose(ds);
    CPLSetThreadLocalConfigOption("OGR_SQLITE_SYNCHRONOUS", nullptr);
    // Writing may fail as the dataset is closed (a full disk): GDAL says so then.
    if (ok && (messages.Failed() || !std::filesystem::exists(temp))) {
      ok = false;
      error = target + ": " + messages.Last();
    }
    if (!ok) return false;
    pending_.Add(temp, target);
    if (t_.format == GisFormat::Shapefile) {
      const std::string targetStem = target.substr(0, target.size() - ext.size());
      for (const char* side : {".shx", ".dbf", ".prj", ".cpg", ".qix"}) {
        if (std::filesystem::exists(tempStem + side)) pending_.Add(tempStem + side, targetStem + side);
        else pending_.RemoveAtPublish(targetStem + side);
      }
    }
    return true;
  }

  char** LayerOptions(const LayerPlan& plan) const {
    char** o = nullptr;
    switch (t_.format) {
      case GisFormat::Shapefile: o = CSLSetNameValue(o, "ENCODING", "UTF-8"); break;
      case GisFormat::GeoJson:
        o = CSLSetNameValue(o, "RFC7946", "YES");
        o = CSLSetNameValue(o, "COORDINATE_PRECISION", "9");
        if (!t_.description.empty()) o = CSLSetNameValue(o, "DESCRIPTION", t_.description.c_str());
        break;
      case GisFormat::Csv:
        o = CSLSetNameValue(o, "GEOMETRY", plan.lines ? "AS_WKT" : "AS_XYZ");
        break;
      default: break;
    }
    return o;
  }

  bool WriteLayer(GDALDataset* ds, const LayerPlan& plan, GdalMessages& messages, const std::string& target,
                  std::string& error) {
    std::vector<int> widths;
    if (t_.format == GisFormat::Shapefile && !ShapefileWidths(plan, widths, error)) return false;
    char** options = LayerOptions(plan);
    OGRLayer* layer = ds->CreateLayer(GisLayerName(plan.id), srs_.get(),
                                      plan.lines ? wkbLineString25D : wkbPoint25D, options);
    CSLDestroy(options);
    if (!layer) {
      error = target + ": " + messages.Last();
      return false;
    }
    for (size_t c = 0; c < plan.columns.size(); ++c) {
      OGRFieldDefn field(plan.columns[c].name, plan.columns[c].type);
      if (!widths.empty() && plan.columns[c].type == OFTString) field.SetWidth(widths[c]);
      if (!widths.empty() && plan.columns[c].type == OFTReal) {
        field.SetWidth(24);
        field.SetPrecision(6);
      }
      if (layer->CreateField(&field) != OGRERR_NONE) {
        error = target + ": " + messages.Last();
        return false;
      }
    }
    OGRFeature feature(layer->GetLayerDefn());
    OGRPoint point;
    OGRLineString line;
    line.setNumPoints(2);
    FeaturePoint a, b;
    for (size_t i = 0; i < plan.count; ++i) {
      for (size_t c = 0; c < plan.columns.size(); ++c) {
        const Column& col = plan.columns[c];
        const int field = static_cast<int>(c);
        if (col.type == OFTString) feature.SetField(field, col.text(i).c_str());
        else if (col.type == OFTReal) feature.SetField(field, col.number(i));
        else feature.SetField(field, col.integer(i));
      }
      plan.place(i, a, b);
      if (plan.lines) {
        line.setPoint(0, a.east, a.north, a.height);
        line.setPoint(1, b.east, b.north, b.height);
        feature.SetGeometry(&line);
      } else {
        point.setX(a.east);
        point.setY(a.north);
        point.setZ(a.height);
        feature.SetGeometry(&point);
      }
      feature.SetFID(OGRNullFID);
      if (layer->CreateFeature(&feature) != OGRERR_NONE || messages.ValueLost()) {
        error = target + ": " + messages.Last();
        return false;
      }
    }
    return true;
  }

  const JobFeatures& f_;
  const OgrTarget& t_;
  PendingFiles& pending_;
  GDALDriver* driver_ = nullptr;
  std::unique_ptr<OGRSpatialReference> srs_;
};

}  // namespace

bool WriteOgrLayers(const JobFeatures& features, const OgrTarget& target, PendingFiles& pending, std::string& error) {
  EnsureGdal();
  Writer writer(features, target, pending);
  return writer.Run(error);
}

}  // namespace corvane::exchange
