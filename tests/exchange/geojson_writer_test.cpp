// The direct GeoJSON writer against GDAL's own driver: the same bytes for the
// same features, hostile names and any coordinates included; its numbers and
// strings as the driver prints them. And a GeoPackage long enough for the
// writer to fill its features more than once, read back feature by feature.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "exchange/crs.h"
#include "exchange/geojson_writer.h"
#include "exchange/gis_export.h"
#include "exchange/ogr_writer.h"
#include "exchange_test_util.h"

namespace corvane::testing {
namespace {

using exchange::AppendJsonNumber;
using exchange::Crs;
using exchange::AppendJsonString;

TEST(GisGeoJsonWriter, NumbersAndStringsAsGdalsDriverPrintsThem) {
  const struct {
    double value;
    const char* text;
  } numbers[] = {{0.0, "0.0"},
                 {-0.0, "-0.0"},
                 {114.0, "114.0"},
                 {30.5402148359723, "30.5402148359723"},
                 {3380000.123, "3380000.123"},
                 {0.1 + 0.2, "0.3"},
                 {29.999999999999996, "30.0"},
                 {1e-05, "1e-05"},
                 {0.0001, "0.0001"},
                 {1e14, "100000000000000.0"},
                 {1e15, "1e+15"},
                 {-1234.5, "-1234.5"},
                 {1.23999999999999, "1.24"},                  // a run of 9s: fewer figures end it
                 {1.0000001, "1.0000001"},                    // the run stays whatever the figures
                 {2.00000000000001, "2.00000000000001"},      // fewer figures leave no point
                 {100000000000000.5, "100000000000000.0"},    // ties round to even
                 {100000000000001.5, "100000000000002.0"},
                 {0.00012345678901234567, "0.000123456789012346"},
                 {999999999999999.9, "1e+15"},                // rounding carries into a new digit
                 {5e-324, "4.94065645841247e-324"}};
  for (const auto& n : numbers) {
    std::string out;
    AppendJsonNumber(out, n.value);
    EXPECT_EQ(out, n.text) << n.text;
  }
  const struct {
    std::string_view text;
    bool slash;
    const char* json;
  } strings[] = {{"P1", false, "\"P1\""},
                 {"a\"b\\c", false, "\"a\\\"b\\\\c\""},
                 {"N/E", false, "\"N/E\""},
                 {"N/E", true, "\"N\\/E\""},
                 {"\b\f\n\r\t", false, "\"\\b\\f\\n\\r\\t\""},
                 {"\x01\x1f\x7f", false, "\"\\u0001\\u001f\x7f\""},
                 {"\xe6\xb5\x8b", false, "\"\xe6\xb5\x8b\""},
                 {std::string_view("ab\0cd", 5), false, "\"ab\""}};
  for (const auto& s : strings) {
    std::string out;
    AppendJsonString(out, s.text, s.slash);
    EXPECT_EQ(out, s.json) << s.json;
  }
}

// The fast path of the numbers agrees with "%.15g" and GDAL's correction over
// values of every size and shape.
TEST(GisGeoJsonWriter, NumbersAgreeWithPrintfOverGeneratedValues) {
  const auto reference = [](double v) {
    const auto print = [v](int figures) {
      char b[64];
      std::snprintf(b, sizeof b, "%.*g", figures, v);
      return std::string(b);
    };
    const auto run = [](const std::string& t) {
      const size_t dot = t.find('.');
      return dot != std::string::npos &&
             (t.find("000000", dot) != std::string::npos || t.find("999999", dot) != std::string::npos);
    };
    std::string t = print(15);
    if (run(t)) {
      bool ended = false;
      for (int f = 14; f >= 12 && !ended; --f) {
        t = print(f);
        ended = t.find('.') != std::string::npos && !run(t);
      }
      if (!ended) t = print(15);
    }
    if (t.find('.') == std::string::npos && t.find('e') == std::string::npos) t += ".0";
    return t;
  };
  std::mt19937_64 random(20);
  for (int i = 0; i < 200000; ++i) {
    double v = 0;
    switch (i % 4) {
      case 0: {  // any bit pattern
        const uint64_t bits = random();
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v)) continue;
        break;
      }
      case 1: v = std::ldexp(static_cast<double>(random() >> 11), static_cast<int>(random() % 90) - 70); break;
      case 2: v = static_cast<double>(static_cast<int64_t>(random() % 20000000000000)) / 1000.0 - 1e10; break;
      default: v = 114.0 + static_cast<double>(random() % 1000000000) / 1e9 + 1e-15 * static_cast<double>(random() % 9);
    }
    std::string out;
    AppendJsonNumber(out, v);
    ASSERT_EQ(out, reference(v)) << std::hexfloat << v;
  }
}

std::vector<std::string> HostileJob(int points) {
  const std::string names[] = {"a\"b\\c/d",      "tab\there",     "\x01\x1f\x7f", "\xb2\xe2\xb5\xe3",
                               "\x81 bad\xff",   std::string(300, 'L'), "",      std::string("nul\0cut", 7)};
  std::mt19937 random(7);
  std::vector<std::string> lines;
  for (int i = 0; i < points; ++i) {
    char coords[96];
    std::snprintf(coords, sizeof coords, "%.4f,%.4f,%.5f", 2400000.0 + (random() % 2600000000) / 1000.0,
                  360000.0 + (random() % 280000000) / 1000.0, (random() % 9000000) / 1000.0 - 100);
    const std::string& name = names[i % 8];
    const char* kind = i % 50 == 0 ? "ST" : "MP";
    lines.push_back(std::string("U,") + kind + "," + name + std::to_string(i) + ",0,0,0," + coords + ",0,0," +
                    names[(i + 3) % 8]);
  }
  return lines;
}

TEST(GisGeoJsonWriter, WritesTheBytesGdalsDriverWrites) {
  Crs epsg4547;
  std::string error;
  ASSERT_TRUE(Crs::Resolve("EPSG:4547", epsg4547, error)) << error;
  exchange::CrsTransform transform;
  ASSERT_TRUE(transform.Create(epsg4547, Crs::Wgs84(), error)) << error;
  exchange::JobFeatures features = exchange::CollectJobFeatures(JobGrid(HostileJob(600)), nullptr);
  exchange::BadCoordinate bad;
  ASSERT_TRUE(exchange::TransformFeatures(features, transform, bad));
  TempDir dir;
  for (const bool driver : {true, false}) {
    exchange::OgrTarget target{exchange::GisFormat::GeoJson, dir.File(driver ? "gdal.geojson" : "own.geojson"),
                               exchange::kJobLayers, Crs::Wgs84(), "From \"x\" to WGS 84 longitude/latitude", driver};
    exchange::PendingFiles pending;
    ASSERT_TRUE(exchange::WriteOgrLayers(features, target, pending, error)) << error;
    ASSERT_TRUE(pending.Publish(error)) << error;
  }
  for (const char* layer : {"", "_traverse", "_sightlines"}) {
    SCOPED_TRACE(layer);
    const std::string gdal = ReadBytes(dir.File(std::string("gdal") + layer + ".geojson"));
    ASSERT_GT(gdal.size(), 100u);
    EXPECT_TRUE(gdal == ReadBytes(dir.File(std::string("own") + layer + ".geojson")));
  }
}

// More points than the writer has features to fill: each is stored once, with
// its own values, in order.
TEST(GisGeoPackageWriter, LongGeoPackageHoldsEveryPointOnce) {
  const std::vector<std::string> lines = HostileJob(15000);
  const RecordGrid grid = JobGrid(lines);
  Crs epsg4547;
  std::string error;
  ASSERT_TRUE(Crs::Resolve("EPSG:4547", epsg4547, error)) << error;
  TempDir dir;
  exchange::GisExportRequest request{dir.File("long.gpkg"), exchange::GisFormat::GeoPackage, exchange::kLayerPoints,
                                     epsg4547, nullptr};
  ASSERT_TRUE(exchange::ExportGis(grid, request).Done());
  const std::vector<GdalLayer> layers = ReadWithGdal(dir.File("long.gpkg"));
  ASSERT_EQ(layers.size(), 1u);
  const std::vector<ListedPoint> expected = CoordinateExportPoints(grid);
  ASSERT_EQ(layers[0].features.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const GdalFeature& f = layers[0].features[i];
    ASSERT_EQ(f.fields.at("row"), std::to_string(i + 1));
    ASSERT_EQ(f.vertices.size(), 1u);
    ASSERT_EQ(f.vertices[0][0], expected[i].east) << i;
    ASSERT_EQ(f.vertices[0][1], expected[i].north) << i;
    ASSERT_EQ(f.vertices[0][2], expected[i].height) << i;
  }
}

}  // namespace
}  // namespace corvane::testing
