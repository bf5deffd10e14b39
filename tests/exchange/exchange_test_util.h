#pragma once
// What the GIS exchange tests share: a survey job in EPSG:4547, files read back
// through GDAL itself, and the command-line program.
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "core/compute/measured_coordinates.h"
#include "support/test_support.h"
#include "unit/compute/compute_test_util.h"

namespace corvane::testing {

// Two set-ups near N 3380000, E 500000 (CGCS2000, 3-degree zone CM 114E): every
// record kind, an angle unit row, a GBK name and a name left empty.
inline std::vector<std::string> SurveyJobLines() {
  return {"U,ST,S1,0.0000,0.0000,0.0000,3380000.000,500000.000,30.000,1.550,0.0000,STN",
          "U,BS,B1,0.0000,0.0000,0.0000,3380100.000,500000.000,31.000,0.0000,1.600,BKB",
          "U,DP,P1,25.432,45.3015,88.1520,0.0000,0.0000,0.0000,0.0000,1.600,TREE",
          "U,DP,\xb2\xe2\xb5\xe3,40.010,120.0000,91.0000,0.0000,0.0000,0.0000,0.0000,1.600,\xca\xf7",
          "U,RP,P3,12.500,300.4530,90.0000,3380012.000,500007.000,29.500,0.0000,1.500,FENCE",
          "U,ST,B1,0.0000,0.0000,0.0000,3380100.000,500000.000,31.000,1.480,0.0000,STN",
          "U,BS,S1,0.0000,0.0000,180.0000,3380000.000,500000.000,30.000,0.0000,1.600,BKB",
          ",AnglUnit,gon",
          "U,DP,,33.300,10.0000,85.0000,0.0000,0.0000,0.0000,0.0000,1.600,POLE",
          "U,MP,C1,0.0000,0.0000,0.0000,3380234.568,500345.679,29.100,0.0000,0.0000,CTRL",
          "U,CP,K1,0.0000,0.0000,0.0000,3380250.000,500350.000,29.000,0.0000,0.0000,"};
}

inline std::string JobText(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

// A listed point as the coordinate export writes it (layout 0).
struct ListedPoint {
  std::string name, code;
  double north, east, height;
};

// What the coordinate export computes for the grid: the reference every GIS
// points layer must match.
inline std::vector<ListedPoint> CoordinateExportPoints(const RecordGrid& grid) {
  std::vector<ListedPoint> out;
  ForEachMeasuredPoint(grid, [&](const MeasuredPoint& p) {
    out.push_back({std::string(p.name), std::string(p.code), std::stod(std::string(p.north)),
                   std::stod(std::string(p.east)), std::stod(std::string(p.height))});
  });
  return out;
}

struct GdalFeature {
  std::map<std::string, std::string> fields;
  OGRwkbGeometryType type = wkbUnknown;
  std::vector<std::array<double, 3>> vertices;
};

struct GdalLayer {
  std::string name;
  std::string authority;  // "EPSG:4547", empty without a CRS or code
  bool hasCrs = false;
  std::vector<GdalFeature> features;
};

// Every layer of a file as GDAL reads it, coordinates in GIS order.
// A CSV file's geometry is its X, Y and Z columns.
inline std::vector<GdalLayer> ReadWithGdal(const std::string& path) {
  GDALAllRegister();
  std::vector<GdalLayer> layers;
  const char* csv[] = {"X_POSSIBLE_NAMES=X", "Y_POSSIBLE_NAMES=Y", "Z_POSSIBLE_NAMES=Z", nullptr};
  const bool isCsv = path.size() > 4 && path.compare(path.size() - 4, 4, ".csv") == 0;
  GDALDataset* ds = GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, isCsv ? csv : nullptr);
  if (!ds) return layers;
  for (OGRLayer* layer : ds->GetLayers()) {
    GdalLayer l;
    l.name = layer->GetName();
    if (const OGRSpatialReference* srs = layer->GetSpatialRef()) {
      l.hasCrs = true;
      OGRSpatialReference copy(*srs);
      copy.AutoIdentifyEPSG();
      const char* auth = copy.GetAuthorityName(nullptr);
      const char* code = copy.GetAuthorityCode(nullptr);
      if (auth && code) l.authority = std::string(auth) + ":" + code;
    }
    for (auto& f : *layer) {
      GdalFeature feature;
      for (int i = 0; i < f->GetFieldCount(); ++i)
        feature.fields[f->GetFieldDefnRef(i)->GetNameRef()] = f->GetFieldAsString(i);
      if (const OGRGeometry* g = f->GetGeometryRef()) {
        feature.type = wkbFlatten(g->getGeometryType());
        if (feature.type == wkbPoint) {
          const OGRPoint* p = g->toPoint();
          feature.vertices.push_back({p->getX(), p->getY(), p->getZ()});
        } else if (feature.type == wkbLineString) {
          for (const OGRPoint& p : *g->toLineString()) feature.vertices.push_back({p.getX(), p.getY(), p.getZ()});
        }
      }
      l.features.push_back(std::move(feature));
    }
    layers.push_back(std::move(l));
  }
  GDALClose(ds);
  return layers;
}

inline const GdalLayer* FindLayer(const std::vector<GdalLayer>& layers, const std::string& name) {
  for (const GdalLayer& l : layers)
    if (l.name == name) return &l;
  return nullptr;
}

inline const std::string kCli = std::string(CORVANE_BIN_DIR) + "/corvane480-cli";

// Settings in DIR/settings: English captions, "Crs" as given ("" for none).
inline void WriteCrsSetting(const TempDir& dir, const std::string& crs) {
  WriteBytes(dir.File("settings/ZAMO/Corvane.ini"), "[OtherSet]\nlanguage=1\nCrs=" + crs + "\n");
}

// corvane480-cli with the settings in DIR/settings.
inline RunResult RunCli(const TempDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), {"--settings-dir", dir.File("settings")});
  return RunProgram(kCli, args);
}

inline RunResult RunCliWithCrs(const TempDir& dir, const std::string& crs, std::vector<std::string> args) {
  WriteCrsSetting(dir, crs);
  return RunCli(dir, std::move(args));
}

}  // namespace corvane::testing
