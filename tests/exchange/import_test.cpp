// Stake-out points from a small file of each format, written here by GDAL itself
// (or by hand for DXF and LandXML), become exactly the instrument records a
// coordinate upload sends.
#include <gtest/gtest.h>

#include <ogr_spatialref.h>

#include <memory>

#include "core/grid/upload_record.h"
#include "core/text/text_file.h"
#include "exchange/upload_conversion.h"
#include "exchange_test_util.h"

namespace corvane::testing {
namespace {

struct Stake {
  const char* name;  // UTF-8; empty: the file gives none
  const char* code;
  double north, east, height;
};

// The third name is GBK 测点 once imported.
const Stake kStakes[] = {{"P1", "TREE", 3380000.0, 500000.0, 30.0},
                         {"", "POLE", 3380012.345, 500007.654, 29.5},
                         {"\xe6\xb5\x8b\xe7\x82\xb9", "", 3380100.25, 499990.125, 31.125}};

// What the upload sends for them (layout 0, NEZ): five fields of 14 characters.
const std::string kRecords =
    "            P1,   3380000.000,    500000.000,        30.000,          TREE\r\n"
    "             2,   3380012.345,    500007.654,        29.500,          POLE\r\n"
    "          \xb2\xe2\xb5\xe3,   3380100.250,    499990.125,        31.125,              \r\n";

// A point file written through OGR; EPSG 4326 files get longitude/latitude.
void WriteWithGdal(const std::string& path, const char* driver, int epsg) {
  GDALAllRegister();
  GDALDataset* ds = GetGDALDriverManager()->GetDriverByName(driver)->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  ASSERT_NE(ds, nullptr);
  OGRSpatialReference srs, grid;
  srs.importFromEPSG(epsg);
  grid.importFromEPSG(4547);
  srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  grid.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  std::unique_ptr<OGRCoordinateTransformation> ct(OGRCreateCoordinateTransformation(&grid, &srs));
  const char* utf8[] = {"ENCODING=UTF-8", nullptr};
  const bool shapefile = std::string(driver) == "ESRI Shapefile";
  OGRLayer* layer = ds->CreateLayer("stakes", &srs, wkbPoint25D, shapefile ? const_cast<char**>(utf8) : nullptr);
  for (const char* f : {"name", "code"}) {
    OGRFieldDefn field(f, OFTString);
    ASSERT_EQ(layer->CreateField(&field), OGRERR_NONE);
  }
  for (const Stake& s : kStakes) {
    OGRFeature feature(layer->GetLayerDefn());
    if (*s.name) feature.SetField("name", s.name);
    feature.SetField("code", s.code);
    double x = s.east, y = s.north;
    ASSERT_TRUE(ct->Transform(1, &x, &y));
    OGRPoint point(x, y, s.height);
    feature.SetGeometry(&point);
    ASSERT_EQ(layer->CreateFeature(&feature), OGRERR_NONE);
  }
  GDALClose(ds);
}

std::string HandWrittenDxf() {
  std::string dxf = "0\nSECTION\n2\nENTITIES\n";
  for (const Stake& s : kStakes) {
    char entity[200];
    std::snprintf(entity, sizeof entity, "0\nPOINT\n8\nSTAKE\n10\n%.3f\n20\n%.3f\n30\n%.3f\n", s.east, s.north, s.height);
    dxf += entity;
  }
  // A label and a line of the drawing are not stake-out points.
  dxf += "0\nTEXT\n8\nSTAKE\n10\n1.0\n20\n1.0\n30\n0.0\n40\n1.0\n1\nP1\n";
  dxf += "0\nLINE\n8\nSTAKE\n10\n0.0\n20\n0.0\n30\n0.0\n11\n1.0\n21\n1.0\n31\n0.0\n";
  return dxf + "0\nENDSEC\n0\nEOF\n";
}

std::string HandWrittenLandXml() {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" "
      "date=\"2024-01-01\" time=\"00:00:00\" version=\"1.2\">\n<Units><Metric areaUnit=\"squareMeter\" "
      "linearUnit=\"meter\" volumeUnit=\"cubicMeter\" temperatureUnit=\"celsius\" pressureUnit=\"milliBars\"/></Units>\n"
      "<CoordinateSystem epsgCode=\"4547\"/>\n<CgPoints>\n";
  for (const Stake& s : kStakes) {
    char point[300];
    std::snprintf(point, sizeof point, "<CgPoint%s%s%s code=\"%s\">%.3f %.3f %.3f</CgPoint>\n", *s.name ? " name=\"" : "",
                  s.name, *s.name ? "\"" : "", s.code, s.north, s.east, s.height);
    xml += point;
  }
  return xml + "</CgPoints>\n</LandXML>\n";
}

// The records the upload sends for the file, as its worker reads the list.
std::string UploadRecords(const std::string& path, const std::string& crs, std::string* leftOut = nullptr) {
  exchange::UploadFile upload;
  const CommandResult r = exchange::PrepareCoordinateUpload(path, 0, MapSettings({{"Crs", crs}}), upload);
  EXPECT_TRUE(r.Done()) << r.message << "\n" << r.detail;
  if (leftOut) *leftOut = upload.leftOut;
  TextLineReader in;
  std::string piece, records;
  if (!in.Open(upload.path)) return "<list not readable>";
  while (in.ReadPiece(piece, 100))
    if (piece.size() > 2) records += ConvertUploadLine(piece, 0, false).record;
  return records;
}

TEST(GisImport, EachFormatBecomesTheSameUploadRecords) {
  struct Case {
    const char* file;
    const char* driver;  // null: written by hand
    int epsg;
    const char* jobCrs;  // "" for a local grid (files that carry no CRS)
  } cases[] = {{"s.gpkg", "GPKG", 4547, "EPSG:4547"},        {"s.shp", "ESRI Shapefile", 4547, "EPSG:4547"},
               {"s.geojson", "GeoJSON", 4326, "EPSG:4547"},  {"s.kml", "LIBKML", 4326, "EPSG:4547"},
               {"s.gpkg", "GPKG", 32650, "EPSG:4547"},       {"s.dxf", nullptr, 0, ""},
               {"s.xml", nullptr, 0, "EPSG:4547"},           {"s.csv", nullptr, 0, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.epsg));
    TempDir dir;
    const std::string path = dir.File(c.file);
    const std::string ext = path.substr(path.rfind('.'));
    if (c.driver) WriteWithGdal(path, c.driver, c.epsg);
    else if (ext == ".dxf") WriteBytes(path, HandWrittenDxf());
    else if (ext == ".xml") WriteBytes(path, HandWrittenLandXml());
    else
      WriteBytes(path, "name,x,y,z,code\nP1,500000.000,3380000.000,30.000,TREE\n,500007.654,3380012.345,29.500,POLE\n"
                       "\xe6\xb5\x8b\xe7\x82\xb9,499990.125,3380100.250,31.125,\n");
    ASSERT_TRUE(exchange::IsGisFile(path));
    std::string expected = kRecords;
    if (ext == ".dxf") {  // a drawing's points have neither names nor codes
      expected = "             1,   3380000.000,    500000.000,        30.000,              \r\n"
                 "             2,   3380012.345,    500007.654,        29.500,              \r\n"
                 "             3,   3380100.250,    499990.125,        31.125,              \r\n";
    }
    EXPECT_EQ(Visible(UploadRecords(path, c.jobCrs)), Visible(expected));
  }
}

TEST(GisImport, UploadRecordsFromTheCommandLineMatch) {
  TempDir dir;
  WriteWithGdal(dir.File("s.gpkg"), "GPKG", 4547);
  const RunResult r = RunCliWithCrs(dir, "EPSG:4547", {"upload-records", dir.File("s.gpkg"), "--type", "0"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Visible(r.out), Visible(kRecords));
  // A plain coordinate list is not taken for a GIS file.
  WriteBytes(dir.File("list.csv"), "P1,3380000.000,500000.000,30.000,TREE\r\n");
  EXPECT_FALSE(exchange::IsGisFile(dir.File("list.csv")));
}

TEST(GisImport, NamesTheInstrumentCannotTakeAreReportedNotCut) {
  TempDir dir;
  WriteBytes(dir.File("s.csv"), "name,x,y,z,code\nFIFTEEN-LETTERS,1,2,3,C\nP 2,1,2,3,C\nOK,1,2,3,C\nP4,1,2,3,\"A,B\"\n");
  std::string leftOut;
  const std::string records = UploadRecords(dir.File("s.csv"), "", &leftOut);
  EXPECT_EQ(records, "            OK,         2.000,         1.000,         3.000,             C\r\n");
  EXPECT_NE(leftOut.find("3 points are not sent"), std::string::npos) << leftOut;
  EXPECT_NE(leftOut.find("FIFTEEN-LETTERS"), std::string::npos);
  EXPECT_NE(leftOut.find("P 2"), std::string::npos);
}

TEST(GisImport, GridRowsAreMpRecordsInTheCoordinateOrder) {
  TempDir dir;
  WriteWithGdal(dir.File("s.gpkg"), "GPKG", 4547);
  for (const auto& [coorType, first] : {std::pair{"0", "3380000.000"}, std::pair{"1", "500000.000"}}) {
    WriteBytes(dir.File("settings/ZAMO/Corvane.ini"),
               std::string("[OtherSet]\nlanguage=1\nCrs=EPSG:4547\nCoorType=") + coorType + "\n");
    const RunResult r = RunProgram(kCli, {"--settings-dir", dir.File("settings"), "import-gis", dir.File("s.gpkg"), "--dump"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string row1 = r.out.substr(r.out.find("\n1\t") + 1, r.out.find("\n2\t") - r.out.find("\n1\t") - 1);
    EXPECT_EQ(row1, std::string("1\t1\tU\tMP\tP1\t0.0000\t0.0000\t0.0000\t") + first + "\t" +
                        (coorType[0] == '0' ? "500000.000" : "3380000.000") + "\t30.000\t0.0000\t0.0000\tTREE\t" +
                        std::string(14, ' ') + "\t####");
  }
}

}  // namespace
}  // namespace corvane::testing
