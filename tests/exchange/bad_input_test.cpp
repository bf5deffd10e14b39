// Bad input of every kind: a clear message and exit 1, never a crash, never a
// partial or temporary file left behind, an old output left as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>

#include "exchange/crs.h"
#include "exchange/gis_text.h"
#include "exchange_test_util.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Files(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir.Path())) names.insert(e.path().string());
  return names;
}

TEST(GisBadInput, ClearMessageExitOneNothingLeftBehind) {
  const std::string job = JobText(SurveyJobLines());
  const std::string longName(100000, 'N');
  struct Case {
    const char* what;
    std::string jobText;  // written to job.kvm
    const char* crs;      // the "Crs" setting
    std::vector<std::string> args;  // "JOB", "OUT" and "DIR/" stand for the files
    const char* message;            // part of what stderr says
  } cases[] = {
      {"GeoJSON without a CRS", job, "", {"export-gis", "JOB", "-o", "OUT.geojson"}, "give the job a coordinate"},
      {"KML without a CRS", job, "", {"export-gis", "JOB", "-o", "OUT.kml"}, "WGS 84 longitude and latitude"},
      {"unknown CRS setting", job, "EPSG:99999", {"export-gis", "JOB", "-o", "OUT.gpkg"}, "does not know"},
      {"unknown --crs", job, "", {"export-gis", "JOB", "-o", "OUT.gpkg", "--crs", "EPSG:0"}, "does not know"},
      {"not a CRS", job, "", {"export-gis", "JOB", "-o", "OUT.gpkg", "--crs", "urn:ogc:def:datum:EPSG::6326"}, "not a coordinate reference"},
      {"point outside the CRS's area", "U,MP,FAR,0,0,0,0,0,0,0,0,x\r\n", "EPSG:4547",
       {"export-gis", "JOB", "-o", "OUT.geojson"}, "point \"FAR\" (row 1) cannot be transformed"},
      {"1e300", "U,MP,BIG,0,0,0,1e300,5,6,0,0,x\r\n", "", {"export-gis", "JOB", "-o", "OUT.gpkg"}, "\"BIG\" (row 1)"},
      {"overflow to infinity", "U,ST,S1,0,0,0,1,2,3,1.5,0,x\r\nU,DP,INF,1e400,0,90,0,0,0,0,0,x\r\n", "",
       {"export-gis", "JOB", "-o", "OUT.shp"}, "\"INF\" (row 2)"},
      {"empty job", "", "", {"export-gis", "JOB", "-o", "OUT.gpkg"}, "no points"},
      {"job of headers only", "ZAMO RECORD FILE\r\nAnglUnit:dms\r\n", "", {"export-gis", "JOB", "-o", "OUT.csv"}, "no points"},
      {"100 000-character name in a Shapefile", "U,MP," + longName + ",0,0,0,1,2,3,0,0,x\r\n", "",
       {"export-gis", "JOB", "-o", "OUT.shp"}, "longer than a Shapefile field holds"},
      {"output folder missing", job, "", {"export-gis", "JOB", "-o", "DIR/none/OUT.gpkg"}, "Open file failed!"},
      {"output under a file", job, "", {"export-gis", "JOB", "-o", "JOB/OUT.xml"}, "Open file failed!"},
      {"not a GeoPackage", "", "", {"import-gis", "DIR/fake.gpkg", "--dump"}, "not a file of GIS points"},
      {"a layer of lines", "", "", {"import-gis", "DIR/lines.geojson", "--dump"}, "holds lines or polygons"},
      {"a layer with no points", "", "", {"import-gis", "DIR/empty.geojson", "--dump"}, "holds no points"},
      {"no such layer", "", "", {"import-gis", "DIR/lines.geojson", "--layer", "nope"}, "has no layer \"nope\""},
      {"Shapefile without .prj", "", "EPSG:4547", {"import-gis", "DIR/noprj.shp", "--dump"}, "give its CRS with --crs"},
      {"longitude/latitude into a local grid", "", "", {"import-gis", "DIR/lonlat.geojson", "--dump"}, "are longitude and latitude"},
      {"NaN in a file", "", "", {"import-gis", "DIR/nan.csv", "--dump"}, "not numbers"},
      {"point outside the job CRS's area", "", "EPSG:4547", {"import-gis", "DIR/lonlat.geojson", "--dump"}, "cannot be transformed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteBytes(dir.File("job.kvm"), c.jobText);
    WriteBytes(dir.File("fake.gpkg"), "SQLite format 3? no, just text\n");
    WriteBytes(dir.File("lines.geojson"),
               R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"name":"L"},)"
               R"("geometry":{"type":"LineString","coordinates":[[114,30],[114.1,30.1]]}}]})");
    WriteBytes(dir.File("empty.geojson"), R"({"type":"FeatureCollection","features":[]})");
    WriteBytes(dir.File("lonlat.geojson"),
               R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"name":"W"},)"
               R"("geometry":{"type":"Point","coordinates":[-70.5,-33.4]}}]})");
    WriteBytes(dir.File("nan.csv"), "name,x,y\nP1,nan,5\n");
    {
      GDALAllRegister();
      GDALDataset* ds = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile")
                            ->Create(dir.File("noprj.shp").c_str(), 0, 0, 0, GDT_Unknown, nullptr);
      OGRLayer* layer = ds->CreateLayer("noprj", nullptr, wkbPoint, nullptr);
      OGRFeature f(layer->GetLayerDefn());
      OGRPoint p(500000, 3380000);
      f.SetGeometry(&p);
      ASSERT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
      GDALClose(ds);
    }
    // An earlier output stays as it was.
    for (const char* out : {"out.gpkg", "out.geojson", "out.shp", "out.csv", "out.kml"}) WriteBytes(dir.File(out), "OLD");
    std::vector<std::string> args;
    for (std::string a : c.args) {
      if (a == "JOB") a = dir.File("job.kvm");
      else if (a.rfind("OUT", 0) == 0) a = dir.File("out" + a.substr(3));
      else if (a.rfind("DIR/", 0) == 0) a = dir.File(a.substr(4));
      else if (a.rfind("JOB/", 0) == 0) a = dir.File("job.kvm/" + a.substr(4));
      args.push_back(a);
    }
    WriteCrsSetting(dir, c.crs);
    const std::set<std::string> before = Files(dir);
    const RunResult r = RunCli(dir, args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(Files(dir), before);
    for (const char* out : {"out.gpkg", "out.geojson", "out.shp", "out.csv", "out.kml"})
      EXPECT_EQ(ReadBytes(dir.File(out)), "OLD") << out;
  }
}

TEST(GisBadInput, ShapefileWithoutPrjTakesTheCrsGiven) {
  TempDir dir;
  WriteBytes(dir.File("p.csv"), "name,x,y\nP1,500000,3380000\n");
  // The file's CRS on the command line: its points go into the job's CRS.
  const RunResult r = RunCliWithCrs(dir, "EPSG:4547", {"import-gis", dir.File("p.csv"), "--crs", "EPSG:4547", "--dump"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("\t3380000.000\t500000.000\t"), std::string::npos) << r.out;
}

TEST(GisText, EveryByteStringSurvivesTheRoundTrip) {
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    std::string bytes(random() % 24, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 2 ? 0x81 + random() % 0x7e : 1 + random() % 0xff);
    const std::string gis = exchange::GbkToGisText(bytes);
    const std::string xml = exchange::GbkToXmlText(bytes);
    ASSERT_EQ(exchange::GisTextToGbk(gis), bytes) << Visible(bytes);
    ASSERT_EQ(exchange::GisTextToGbk(xml), bytes) << Visible(bytes);
    for (unsigned char c : xml) ASSERT_FALSE(c < 0x20 && c != '\t' && c != '\n' && c != '\r') << Visible(bytes);
  }
}

TEST(Crs, DefinitionsResolveToTheirNamesAndAxes) {
  const struct {
    const char* definition;
    bool ok;
    const char* name;
    int epsg;
    bool geographic;
  } cases[] = {{"EPSG:4547", true, "CGCS2000 / 3-degree Gauss-Kruger CM 114E", 4547, false},
               {" 4326 ", true, "WGS 84", 4326, true},
               {"urn:ogc:def:crs:EPSG::32650", true, "WGS 84 / UTM zone 50N", 32650, false},
               {"+proj=tmerc +lon_0=114 +ellps=GRS80 +units=m", true, "unknown", 0, false},
               {"EPSG:4547+5773", true, "CGCS2000 / 3-degree Gauss-Kruger CM 114E + EGM96 height", 0, false},
               {"", true, "", 0, false},
               {"EPSG:99999", false, "", 0, false},
               {"not a crs at all", false, "", 0, false},
               {"urn:ogc:def:datum:EPSG::6326", false, "", 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.definition);
    exchange::Crs crs;
    std::string error;
    ASSERT_EQ(exchange::Crs::Resolve(c.definition, crs, error), c.ok) << error;
    if (!c.ok) {
      EXPECT_NE(error.find(std::string(c.definition).substr(0, 8)), std::string::npos) << error;
      continue;
    }
    EXPECT_EQ(crs.Name(), c.name);
    EXPECT_EQ(crs.EpsgCode(), c.epsg);
    EXPECT_EQ(crs.IsGeographic(), c.geographic);
    EXPECT_EQ(crs.IsLocal(), *c.definition == '\0');
  }
  // The search finds by code and by name.
  const auto byCode = exchange::SearchCrs("4547", 5);
  ASSERT_FALSE(byCode.empty());
  EXPECT_EQ(byCode[0].code, "EPSG:4547");
  for (const auto& e : exchange::SearchCrs("gauss-kruger cm 114e", 50))
    EXPECT_NE(e.name.find("114E"), std::string::npos) << e.name;
}

}  // namespace
}  // namespace corvane::testing
