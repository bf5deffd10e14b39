#pragma once
// Coordinate reference systems through PROJ: a job's "Crs" setting (an EPSG code
// or any definition PROJ accepts; empty for a local grid), its name, the search
// of PROJ's database, and transforms between two of them.
//
// Coordinates travel in GIS order everywhere in this layer: x is the easting (or
// the longitude), y the northing (or the latitude), whatever order the CRS
// declares its axes in. The job's N goes to y, its E to x, its height to z.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::exchange {

// A bounding box in degrees of longitude and latitude.
struct LonLatBox {
  double west = 0, south = 0, east = 0, north = 0;
};

class Crs final {
 public:
  // A local grid: no CRS.
  Crs() = default;

  // The CRS of a definition: "EPSG:4547", "4547", "urn:ogc:def:crs:EPSG::4547",
  // a PROJ string ("+proj=tmerc ..."), WKT or PROJJSON. An empty definition is a
  // local grid. False, with a message naming the definition, when PROJ does not
  // know it or it is not a CRS.
  static bool Resolve(std::string_view definition, Crs& out, std::string& error);
  static Crs Wgs84();

  bool IsLocal() const { return !pj_; }
  // The definition as given (trimmed).
  const std::string& Definition() const { return definition_; }
  // "CGCS2000 / 3-degree Gauss-Kruger CM 114E"; empty for a local grid.
  const std::string& Name() const { return name_; }
  // "EPSG:4547" when the CRS has an authority code, else empty.
  const std::string& AuthorityCode() const { return authority_; }
  // The EPSG number, 0 when there is none.
  int EpsgCode() const { return epsg_; }
  // Longitude and latitude (degrees) instead of easting and northing.
  bool IsGeographic() const { return geographic_; }
  // The name and code as people read them: "CGCS2000 / ... (EPSG:4547)".
  std::string Label() const;
  // Code first, as a drawing's title names it: "EPSG:4547 CGCS2000 / ...";
  // the name alone without a code, empty for a local grid.
  std::string CodeAndName() const;
  // WKT2 for GDAL.
  std::string Wkt() const;
  // Where the CRS is meant to be used; false when PROJ does not say.
  bool AreaOfUse(LonLatBox& box) const;
  // The PROJ object (PJ*), null for a local grid.
  void* Handle() const { return pj_.get(); }

 private:
  std::shared_ptr<void> pj_;
  std::string definition_;
  std::string name_;
  std::string authority_;
  int epsg_ = 0;
  bool geographic_ = false;
};

// A transform from one CRS to another, in GIS order on both sides.
class CrsTransform final {
 public:
  CrsTransform();
  ~CrsTransform();
  CrsTransform(const CrsTransform&) = delete;
  CrsTransform& operator=(const CrsTransform&) = delete;

  // False with a message when PROJ has no way between the two.
  bool Create(const Crs& from, const Crs& to, std::string& error);
  // Transforms the points in place. Returns the index of the first point that
  // could not be transformed (its values are then unspecified), or n when all were.
  // Between a projected and a geographic CRS, the longitude/latitude must also lie
  // in the projected CRS's area of use (widened by a margin): a point far outside
  // it is a wrong coordinate, not a place.
  std::size_t Apply(double* x, double* y, double* z, std::size_t n) const;

 private:
  void* pj_ = nullptr;
  bool checkTarget_ = false;  // the target is longitude/latitude: check it against area_
  bool checkSource_ = false;  // the source is longitude/latitude
  LonLatBox area_{};
};

// How far outside its area of use (degrees) a point may still be transformed.
inline constexpr double kAreaMarginDegrees = 2.0;

// One entry of PROJ's database.
struct CrsEntry {
  std::string code;  // "EPSG:4547"
  std::string name;
  bool projected = false;
};

// CRS of PROJ's database whose code or name contains the text (any case), in
// code order, at most `limit`. The whole list for an empty text.
std::vector<CrsEntry> SearchCrs(std::string_view text, std::size_t limit);

}  // namespace corvane::exchange
