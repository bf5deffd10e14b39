// Exports read back through GDAL: the points are the coordinate export's, names
// and codes (GBK as UTF-8) intact, the geometry in GIS order, the CRS named, and
// the line layers joining the right points.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "core/compute/station_table.h"
#include "core/text/codepage.h"
#include "exchange/crs.h"
#include "exchange/gis_export.h"
#include "exchange_test_util.h"

namespace corvane::testing {
namespace {

using exchange::Crs;
using exchange::GisFormat;

Crs Epsg4547() {
  Crs crs;
  std::string error;
  EXPECT_TRUE(Crs::Resolve("EPSG:4547", crs, error)) << error;
  return crs;
}

CommandResult Export(const RecordGrid& grid, const std::string& path, GisFormat format, unsigned layers = 0,
                     const Crs& crs = Epsg4547()) {
  exchange::GisExportRequest request;
  request.path = path;
  request.format = format;
  request.layers = layers;
  request.crs = crs;
  return exchange::ExportGis(grid, request);
}

// The points layer holds exactly the coordinate export's points, in its order.
void ExpectListedPoints(const GdalLayer& layer, const std::vector<ListedPoint>& expected, double tolerance) {
  ASSERT_EQ(layer.features.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const GdalFeature& f = layer.features[i];
    SCOPED_TRACE("point " + std::to_string(i + 1));
    EXPECT_EQ(f.fields.at("name"), GbkToUtf8(expected[i].name));
    EXPECT_EQ(f.fields.at("code"), GbkToUtf8(expected[i].code));
    ASSERT_EQ(f.vertices.size(), 1u);
    // GIS order whatever the CRS's own axis order: x east, y north, z height.
    EXPECT_NEAR(f.vertices[0][0], expected[i].east, tolerance);
    EXPECT_NEAR(f.vertices[0][1], expected[i].north, tolerance);
    EXPECT_NEAR(f.vertices[0][2], expected[i].height, tolerance);
    EXPECT_NEAR(std::stod(f.fields.at("north")), expected[i].north, 1e-6);
  }
}

TEST(GisExport, ProjectedFormatsHoldTheCoordinateExportsPointsAndTheCrs) {
  const RecordGrid grid = JobGrid(SurveyJobLines());
  const std::vector<ListedPoint> expected = CoordinateExportPoints(grid);
  struct Case {
    GisFormat format;
    const char* file;
    const char* authority;  // of the points layer
    double tolerance;
  } cases[] = {{GisFormat::GeoPackage, "job.gpkg", "EPSG:4547", 0},
               {GisFormat::Shapefile, "job.shp", "EPSG:4547", 0},
               {GisFormat::Csv, "job.csv", "", 1e-9}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TempDir dir;
    ASSERT_TRUE(Export(grid, dir.File(c.file), c.format).Done());
    // One file for GeoPackage; a file (set) per layer for the others.
    const bool oneFile = c.format == GisFormat::GeoPackage;
    const std::vector<GdalLayer> points = ReadWithGdal(dir.File(c.file));
    ASSERT_FALSE(points.empty());
    EXPECT_EQ(points[0].authority, c.authority);
    ExpectListedPoints(points[0], expected, c.tolerance);
    if (c.format == GisFormat::Csv) continue;  // CSV lines are WKT text; the points are what matters there
    const std::string stem = dir.File(std::filesystem::path(c.file).stem().string());
    const std::string ext = std::filesystem::path(c.file).extension().string();
    const auto traverse = oneFile ? points : ReadWithGdal(stem + "_traverse" + ext);
    const auto sight = oneFile ? points : ReadWithGdal(stem + "_sightlines" + ext);
    const GdalLayer* t = oneFile ? FindLayer(traverse, "traverse") : traverse.empty() ? nullptr : &traverse[0];
    const GdalLayer* s = oneFile ? FindLayer(sight, "sightlines") : sight.empty() ? nullptr : &sight[0];
    ASSERT_TRUE(t && s);
    // S1 -> B1; and from each station its backsight and measured points.
    ASSERT_EQ(t->features.size(), 1u);
    EXPECT_EQ(t->features[0].fields.at("from"), "S1");
    EXPECT_EQ(t->features[0].fields.at("to"), "B1");
    EXPECT_EQ(t->features[0].vertices[1][1], 3380100.0);
    ASSERT_EQ(s->features.size(), 6u);
    for (const GdalFeature& f : s->features) EXPECT_EQ(f.vertices.size(), 2u);
    EXPECT_EQ(s->features[5].fields.at("point"), "8");  // the unnamed point, named by its place
  }
}

// `echo 3380000 500000 30 | cs2cs -f %.9f EPSG:4547 EPSG:4326` prints
// "30.540214836  114.000000000 30.000000000" (latitude first): the GeoJSON and
// KML files hold it as longitude, latitude (RFC 7946 order).
TEST(GisExport, LongitudeLatitudeFormatsMatchPROJsOwnTransform) {
  const RecordGrid grid = JobGrid(SurveyJobLines());
  for (const auto& [format, file] : {std::pair{GisFormat::GeoJson, "job.geojson"}, std::pair{GisFormat::Kml, "job.kml"}}) {
    SCOPED_TRACE(file);
    TempDir dir;
    ASSERT_TRUE(Export(grid, dir.File(file), format, exchange::kLayerPoints).Done());
    const std::vector<GdalLayer> layers = ReadWithGdal(dir.File(file));
    ASSERT_FALSE(layers.empty());
    const GdalFeature& s1 = layers[0].features.at(0);
    EXPECT_NEAR(s1.vertices[0][0], 114.000000000, 1e-9);
    EXPECT_NEAR(s1.vertices[0][1], 30.540214836, 1e-9);
    EXPECT_NEAR(s1.vertices[0][2], 30.0, 1e-9);
    EXPECT_EQ(layers[0].features.size(), CoordinateExportPoints(grid).size());
  }
}

// Any point of the zone lands where GDAL's own transform puts it.
TEST(GisExport, GeoJsonAgreesWithGdalsTransformForGeneratedPoints) {
  std::mt19937 random(20);
  std::vector<std::string> lines;
  for (int i = 0; i < 200; ++i) {
    char line[160];
    std::snprintf(line, sizeof line, "U,MP,G%d,0,0,0,%.3f,%.3f,%.3f,0,0,C", i,
                  2400000.0 + (random() % 2600000000) / 1000.0, 360000.0 + (random() % 280000000) / 1000.0,
                  (random() % 900000) / 1000.0 - 100);
    lines.push_back(line);
  }
  TempDir dir;
  ASSERT_TRUE(Export(JobGrid(lines), dir.File("g.geojson"), GisFormat::GeoJson, exchange::kLayerPoints).Done());
  const std::vector<GdalLayer> layers = ReadWithGdal(dir.File("g.geojson"));
  ASSERT_EQ(layers.size(), 1u);
  OGRSpatialReference from, to;
  from.importFromEPSG(4547);
  to.importFromEPSG(4326);
  from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  to.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> ct(OGRCreateCoordinateTransformation(&from, &to));
  ASSERT_EQ(layers[0].features.size(), lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    const GdalFeature& f = layers[0].features[i];
    double x = std::stod(f.fields.at("east")), y = std::stod(f.fields.at("north"));
    ASSERT_TRUE(ct->Transform(1, &x, &y));
    EXPECT_NEAR(f.vertices[0][0], x, 1e-9) << lines[i];
    EXPECT_NEAR(f.vertices[0][1], y, 1e-9) << lines[i];
  }
}

// Columns 7 and 8 hold the plane coordinates in the job's order (a "CoorType"
// row); the geometry is x easting, y northing either way, and EPSG:4547 itself
// declares northing first.
TEST(GisExport, TheJobsCoordinateOrderDecidesWhichColumnIsNorth) {
  for (const char* order : std::initializer_list<const char*>{"NEZ", "ENZ", nullptr}) {
    SCOPED_TRACE(order ? order : "no order row");
    std::vector<std::string> lines;
    if (order) lines.push_back(std::string(",CoorType,") + order);
    const bool enz = order && std::string(order) == "ENZ";
    lines.push_back(enz ? "U,MP,Q,0,0,0,500123.5,3380456.25,7,0,0,c" : "U,MP,Q,0,0,0,3380456.25,500123.5,7,0,0,c");
    TempDir dir;
    ASSERT_TRUE(Export(JobGrid(lines), dir.File("o.gpkg"), GisFormat::GeoPackage, exchange::kLayerPoints).Done());
    const std::vector<GdalLayer> layers = ReadWithGdal(dir.File("o.gpkg"));
    ASSERT_EQ(layers.size(), 1u);
    const GdalFeature& q = layers[0].features.at(0);
    EXPECT_EQ(q.vertices[0][0], 500123.5);
    EXPECT_EQ(q.vertices[0][1], 3380456.25);
    EXPECT_EQ(q.fields.at("north"), "3380456.25");
  }
}

TEST(GisExport, ShiftsRunFromEachListedPointToItsRecomputedPlace) {
  const RecordGrid grid = JobGrid(SurveyJobLines());
  StationTable table;
  ASSERT_TRUE(ScanStations(grid, table).Done());
  table.MutableEntry(1).north = "3380000.500";  // S1 moves 0.5 m north
  TempDir dir;
  exchange::GisExportRequest request{dir.File("r.gpkg"), GisFormat::GeoPackage, 0, Epsg4547(), &table};
  ASSERT_TRUE(exchange::ExportGis(grid, request).Done());
  const std::vector<GdalLayer> layers = ReadWithGdal(dir.File("r.gpkg"));
  const GdalLayer* shifts = FindLayer(layers, "shifts");
  const GdalLayer* recomputed = FindLayer(layers, "recomputed");
  ASSERT_TRUE(shifts && recomputed);
  ASSERT_EQ(shifts->features.size(), recomputed->features.size());
  EXPECT_EQ(shifts->features[0].fields.at("name"), "S1");
  EXPECT_NEAR(std::stod(shifts->features[0].fields.at("dN")), 0.5, 1e-9);
  // Each shift ends where its recomputed point is.
  for (size_t i = 0; i < shifts->features.size(); ++i) {
    EXPECT_EQ(shifts->features[i].vertices[1], recomputed->features[i].vertices[0]);
    const auto& v = shifts->features[i].vertices;
    EXPECT_NEAR(v[1][1] - v[0][1], std::stod(shifts->features[i].fields.at("dN")), 1e-6);
  }
}

TEST(GisExport, GbkNamesGoOutAsUtf8) {
  std::vector<std::string> lines = {"U,MP,\xb2\xe2\xb5\xe3\xd2\xbb,0,0,0,3380000,500000,6,0,0,\xca\xf7\xc4\xbe",
                                    "U,MP,\x81 bad\xff,0,0,0,3380001,500001,6,0,0,x"};
  for (const auto& [format, file] :
       {std::pair{GisFormat::GeoPackage, "n.gpkg"}, std::pair{GisFormat::Shapefile, "n.shp"},
        std::pair{GisFormat::GeoJson, "n.geojson"}, std::pair{GisFormat::Kml, "n.kml"}}) {
    SCOPED_TRACE(file);
    TempDir dir;
    ASSERT_TRUE(Export(JobGrid(lines), dir.File(file), format, exchange::kLayerPoints).Done());
    const std::vector<GdalLayer> layers = ReadWithGdal(dir.File(file));
    ASSERT_EQ(layers.size(), 1u);
    const auto& fields = layers[0].features.at(0).fields;
    EXPECT_EQ(fields.count("name") ? fields.at("name") : fields.at("Name"), "\xe6\xb5\x8b\xe7\x82\xb9\xe4\xb8\x80");
    EXPECT_EQ(fields.at("code"), "\xe6\xa0\x91\xe6\x9c\xa8");
  }
}

}  // namespace
}  // namespace corvane::testing
