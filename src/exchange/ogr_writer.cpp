#include "exchange/ogr_writer.h"

#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogr_feature.h>
#include <ogr_geometry.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "exchange/exchange_texts.h"
#include "exchange/gdal_session.h"
#include "exchange/geojson_writer.h"
#include "exchange/gis_text.h"
#include "exchange/layer_plan.h"

namespace corvane::exchange {
namespace {

// Bytes a Shapefile's text field holds.
constexpr size_t kShapefileTextLimit = 254;

// Widths of the Shapefile's text fields: the longest value of each. False when a
// value is longer than the format holds.
bool ShapefileWidths(const LayerPlan& plan, std::vector<int>& widths, std::string& error) {
  widths.assign(plan.columns.size(), 1);
  for (size_t c = 0; c < plan.columns.size(); ++c) {
    const Column& col = plan.columns[c];
    if (col.type != ColumnType::Text) continue;
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

OGRFieldType FieldType(ColumnType type) {
  switch (type) {
    case ColumnType::Text: return OFTString;
    case ColumnType::Real: return OFTReal;
    case ColumnType::Integer: return OFTInteger;
  }
  return OFTString;
}

// The format's driver, registered on first use; null when GDAL has none.
GDALDriver* FormatDriver(GisFormat format) {
  const char* name = "";
  switch (format) {
    case GisFormat::GeoPackage: name = "GPKG"; break;
    case GisFormat::Shapefile: name = "ESRI Shapefile"; break;
    case GisFormat::GeoJson: name = "GeoJSON"; break;
    case GisFormat::Kml: name = EnsureGdalDriver("LIBKML") ? "LIBKML" : "KML"; break;
    case GisFormat::Csv: name = "CSV"; break;
    case GisFormat::LandXml: break;
  }
  return EnsureGdalDriver(name) ? GetGDALDriverManager()->GetDriverByName(name) : nullptr;
}

// Features built on one thread while the dataset takes them on another: building
// (texts, numbers, geometry) costs about as much as storing. Stored batches come
// back to be filled again: making and freeing a feature costs more than filling it.
class FeatureQueue final {
 public:
  using Batch = std::vector<std::unique_ptr<OGRFeature>>;
  static constexpr size_t kBatch = 2048;

  void Push(Batch&& batch) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return batches_.size() < 4 || stopped_; });
    if (!stopped_) batches_.push_back(std::move(batch));
    changed_.notify_all();
  }
  // False when the producer has finished and nothing is left.
  bool Pop(Batch& batch) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !batches_.empty() || finished_; });
    if (batches_.empty()) return false;
    batch = std::move(batches_.front());
    batches_.pop_front();
    changed_.notify_all();
    return true;
  }
  // A batch whose features were stored, for the producer to fill again.
  void Recycle(Batch&& batch) {
    std::lock_guard lock(mutex_);
    if (!stopped_) spare_.push_back(std::move(batch));
  }
  // A recycled batch, or an empty one.
  Batch Spare() {
    std::lock_guard lock(mutex_);
    if (spare_.empty()) return {};
    Batch batch = std::move(spare_.back());
    spare_.pop_back();
    return batch;
  }
  void Finish() {
    std::lock_guard lock(mutex_);
    finished_ = true;
    changed_.notify_all();
  }
  void Stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    batches_.clear();
    changed_.notify_all();
  }
  bool Stopped() {
    std::lock_guard lock(mutex_);
    return stopped_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Batch> batches_;
  std::vector<Batch> spare_;
  bool finished_ = false;
  bool stopped_ = false;
};

// Fills a new or a stored feature (whose FID, fields and geometry are replaced).
void FillFeature(const LayerPlan& plan, size_t i, OGRFeature& feature) {
  feature.SetFID(OGRNullFID);
  for (size_t c = 0; c < plan.columns.size(); ++c) {
    const Column& col = plan.columns[c];
    const int field = static_cast<int>(c);
    if (col.type == ColumnType::Text) feature.SetField(field, col.text(i).c_str());
    else if (col.type == ColumnType::Real) feature.SetField(field, col.number(i));
    else feature.SetField(field, col.integer(i));
  }
  FeaturePoint a, b;
  plan.place(i, a, b);
  OGRGeometry* old = feature.GetGeometryRef();
  const OGRwkbGeometryType type = old ? old->getGeometryType() : wkbUnknown;
  if (plan.lines) {
    OGRLineString* line = type == wkbLineString25D ? old->toLineString() : new OGRLineString;
    line->setNumPoints(2);
    line->setPoint(0, a.east, a.north, a.height);
    line->setPoint(1, b.east, b.north, b.height);
    if (line != old) feature.SetGeometryDirectly(line);
  } else if (type == wkbPoint25D) {
    OGRPoint* point = old->toPoint();
    point->setX(a.east);
    point->setY(a.north);
    point->setZ(a.height);
  } else {
    feature.SetGeometryDirectly(new OGRPoint(a.east, a.north, a.height));
  }
}

class Writer final {
 public:
  Writer(const JobFeatures& f, const OgrTarget& t, PendingFiles& pending) : f_(f), t_(t), pending_(pending) {}

  bool Run(std::string& error) {
    const std::vector<LayerPlan> plans = LayerPlans(f_, t_.layers);
    // The direct GeoJSON writer needs no driver.
    const bool direct = t_.format == GisFormat::GeoJson && !t_.geoJsonThroughDriver;
    driver_ = direct ? nullptr : FormatDriver(t_.format);
    if (!direct && !driver_) {
      error = std::string("GDAL has no ") + GisFormatName(t_.format) + " driver.";
      return false;
    }
    const bool oneDataset = t_.format == GisFormat::GeoPackage || t_.format == GisFormat::Kml;
    if (oneDataset) return WriteDataset(plans, t_.path, error);
    // A file per layer: the files are written side by side.
    std::vector<std::string> errors(plans.size());
    std::vector<char> ok(plans.size(), 0);
    std::vector<std::thread> threads;
    for (size_t k = 0; k < plans.size(); ++k) {
      const std::string path = k == 0 ? t_.path : LayerFilePath(t_.path, t_.format, GisLayerName(plans[k].id));
      threads.emplace_back([&, k, path] {
        ok[k] = direct ? WriteGeoJsonFile(plans[k], path, errors[k]) : WriteDataset({plans[k]}, path, errors[k]);
      });
    }
    for (std::thread& t : threads) t.join();
    for (size_t k = 0; k < plans.size(); ++k)
      if (!ok[k]) return error = errors[k], false;
    return true;
  }

 private:
  std::unique_ptr<OGRSpatialReference> Srs() const {
    if (t_.crs.IsLocal() || t_.format == GisFormat::GeoJson) return nullptr;
    auto srs = std::make_unique<OGRSpatialReference>();
    const std::string def = t_.crs.AuthorityCode().empty() ? t_.crs.Wkt() : t_.crs.AuthorityCode();
    if (srs->SetFromUserInput(def.c_str()) != OGRERR_NONE) srs->importFromWkt(t_.crs.Wkt().c_str());
    srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    return srs;
  }

  bool WriteDataset(const std::vector<LayerPlan>& plans, const std::string& target, std::string& error) {
    const std::string ext = GisExtension(t_.format);
    std::string temp;
    {
      std::lock_guard lock(pendingMutex_);
      temp = pending_.TemporaryFor(target, ext);
      for (const char* extra : {"-journal", "-wal", "-shm"}) pending_.Reserve(temp + extra);
    }
    const std::string tempStem = temp.substr(0, temp.size() - ext.size());
    if (t_.format == GisFormat::Shapefile) {
      std::lock_guard lock(pendingMutex_);
      for (const char* side : {".shx", ".dbf", ".prj", ".cpg", ".qix"}) pending_.Reserve(tempStem + side);
    }
    GdalMessages messages;
    const std::unique_ptr<OGRSpatialReference> srs = Srs();
    // The temporary is synced when it is published: SQLite need not sync as it
    // goes, and its pages stay in memory (up to 256 MB) until the commit.
    CPLSetThreadLocalConfigOption("OGR_SQLITE_SYNCHRONOUS", "OFF");
    CPLSetThreadLocalConfigOption("OGR_SQLITE_CACHE", "256");
    GDALDataset* ds = driver_->Create(temp.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
    bool ok = ds != nullptr;
    if (!ok) error = target + ": " + messages.Last();
    const bool transaction = ok && t_.format == GisFormat::GeoPackage;
    if (transaction) ds->StartTransaction();
    for (const LayerPlan& plan : plans) {
      if (!ok) break;
      ok = WriteLayer(ds, srs.get(), plan, messages, target, error);
    }
    if (transaction && ok && ds->CommitTransaction() != OGRERR_NONE) {
      ok = false;
      error = target + ": " + messages.Last();
    }
    if (ds) GDALClose(ds);
    CPLSetThreadLocalConfigOption("OGR_SQLITE_SYNCHRONOUS", nullptr);
    CPLSetThreadLocalConfigOption("OGR_SQLITE_CACHE", nullptr);
    // Writing may fail as the dataset is closed (a full disk): GDAL says so then.
    if (ok && (messages.Failed() || !std::filesystem::exists(temp))) {
      ok = false;
      error = target + ": " + messages.Last();
    }
    if (!ok) return false;
    std::lock_guard lock(pendingMutex_);
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

  bool WriteGeoJsonFile(const LayerPlan& plan, const std::string& target, std::string& error) {
    std::string temp;
    {
      std::lock_guard lock(pendingMutex_);
      temp = pending_.TemporaryFor(target, GisExtension(t_.format));
    }
    if (!WriteGeoJson(plan, t_.description, temp, error)) return error = target + ": " + error, false;
    std::lock_guard lock(pendingMutex_);
    pending_.Add(temp, target);
    return true;
  }

  char** LayerOptions(const LayerPlan& plan) const {
    char** o = nullptr;
    switch (t_.format) {
      case GisFormat::Shapefile: o = CSLSetNameValue(o, "ENCODING", "UTF-8"); break;
      // An R-tree built row by row costs more than the whole rest of the export;
      // GIS programs build one on demand.
      case GisFormat::GeoPackage: o = CSLSetNameValue(o, "SPATIAL_INDEX", "NO"); break;
      // RFC 7946: WGS 84 longitude/latitude and no "crs" member. GDAL's own RFC 7946
      // mode adds nothing a point or a two-vertex line needs but rounds to a
      // fixed precision through a slow path: the geometry is given without an
      // SRS and printed to 15 significant digits (better than 0.1 mm).
      case GisFormat::GeoJson:
        o = CSLSetNameValue(o, "SIGNIFICANT_FIGURES", "15");
        if (!t_.description.empty()) o = CSLSetNameValue(o, "DESCRIPTION", t_.description.c_str());
        break;
      case GisFormat::Csv:
        o = CSLSetNameValue(o, "GEOMETRY", plan.lines ? "AS_WKT" : "AS_XYZ");
        break;
      default: break;
    }
    return o;
  }

  bool WriteLayer(GDALDataset* ds, OGRSpatialReference* srs, const LayerPlan& plan, GdalMessages& messages,
                  const std::string& target, std::string& error) {
    std::vector<int> widths;
    if (t_.format == GisFormat::Shapefile && !ShapefileWidths(plan, widths, error)) return false;
    char** options = LayerOptions(plan);
    OGRLayer* layer = ds->CreateLayer(GisLayerName(plan.id), srs, plan.lines ? wkbLineString25D : wkbPoint25D, options);
    CSLDestroy(options);
    if (!layer) {
      error = target + ": " + messages.Last();
      return false;
    }
    for (size_t c = 0; c < plan.columns.size(); ++c) {
      const ColumnType type = plan.columns[c].type;
      OGRFieldDefn field(plan.columns[c].name, FieldType(type));
      if (!widths.empty() && type == ColumnType::Text) field.SetWidth(widths[c]);
      if (!widths.empty() && type == ColumnType::Real) {
        field.SetWidth(24);
        field.SetPrecision(6);
      }
      if (layer->CreateField(&field) != OGRERR_NONE) {
        error = target + ": " + messages.Last();
        return false;
      }
    }
    OGRFeatureDefn* defn = layer->GetLayerDefn();
    FeatureQueue queue;
    std::thread producer([&] {
      FeatureQueue::Batch batch;
      size_t used = 0;
      for (size_t i = 0; i < plan.count && !queue.Stopped(); ++i) {
        if (used == batch.size()) batch.push_back(std::make_unique<OGRFeature>(defn));
        FillFeature(plan, i, *batch[used++]);
        if (used == FeatureQueue::kBatch) {
          queue.Push(std::move(batch));
          batch = queue.Spare();
          used = 0;
        }
      }
      batch.resize(used);
      if (!batch.empty()) queue.Push(std::move(batch));
      queue.Finish();
    });
    bool ok = true;
    FeatureQueue::Batch batch;
    while (ok && queue.Pop(batch)) {
      for (const std::unique_ptr<OGRFeature>& feature : batch) {
        if (layer->CreateFeature(feature.get()) != OGRERR_NONE || messages.ValueLost()) {
          error = target + ": " + messages.Last();
          ok = false;
          queue.Stop();
          break;
        }
      }
      queue.Recycle(std::move(batch));
    }
    producer.join();
    return ok;
  }

  const JobFeatures& f_;
  const OgrTarget& t_;
  PendingFiles& pending_;
  std::mutex pendingMutex_;
  GDALDriver* driver_ = nullptr;
};

}  // namespace

bool WriteOgrLayers(const JobFeatures& features, const OgrTarget& target, PendingFiles& pending, std::string& error) {
  Writer writer(features, target, pending);
  return writer.Run(error);
}

}  // namespace corvane::exchange
