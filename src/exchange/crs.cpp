#include "exchange/crs.h"

#include <proj.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <mutex>

namespace corvane::exchange {
namespace {

PJ* Pj(void* p) { return static_cast<PJ*>(p); }

std::shared_ptr<void> Own(PJ* pj) {
  return std::shared_ptr<void>(pj, [](void* p) { proj_destroy(static_cast<PJ*>(p)); });
}

std::string Trimmed(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return std::string(text.substr(b, e - b));
}

// What PROJ is given for a definition: a bare number is an EPSG code, and a
// PROJ string names a CRS even without "+type=crs".
std::string ForProj(const std::string& def) {
  if (!def.empty() && std::all_of(def.begin(), def.end(), [](unsigned char c) { return std::isdigit(c); }))
    return "EPSG:" + def;
  if (def.rfind('+', 0) == 0 && def.find("+type=crs") == std::string::npos) return def + " +type=crs";
  return def;
}

// The horizontal part of a CRS: the first member of a compound CRS, the source of
// a bound CRS.
PJ* HorizontalPart(PJ* pj) {
  PJ* h = nullptr;
  if (proj_get_type(pj) == PJ_TYPE_COMPOUND_CRS) h = proj_crs_get_sub_crs(nullptr, pj, 0);
  else if (proj_get_type(pj) == PJ_TYPE_BOUND_CRS) h = proj_get_source_crs(nullptr, pj);
  if (!h) return proj_clone(nullptr, pj);
  if (proj_get_type(h) == PJ_TYPE_BOUND_CRS) {
    PJ* source = proj_get_source_crs(nullptr, h);
    proj_destroy(h);
    return source;
  }
  return h;
}

bool Geographic(PJ* pj) {
  const PJ_TYPE t = proj_get_type(pj);
  return t == PJ_TYPE_GEOGRAPHIC_2D_CRS || t == PJ_TYPE_GEOGRAPHIC_3D_CRS || t == PJ_TYPE_GEOGRAPHIC_CRS;
}

bool Inside(const LonLatBox& box, double lon, double lat) {
  const double m = kAreaMarginDegrees;
  if (!(lat >= box.south - m && lat <= box.north + m)) return false;
  if (box.west <= box.east) return lon >= box.west - m && lon <= box.east + m;
  // The area crosses the antimeridian.
  return lon >= box.west - m || lon <= box.east + m;
}

}  // namespace

bool Crs::Resolve(std::string_view definition, Crs& out, std::string& error) {
  out = Crs();
  out.definition_ = Trimmed(definition);
  if (out.definition_.empty()) return true;
  proj_log_level(nullptr, PJ_LOG_NONE);
  PJ* pj = proj_create(nullptr, ForProj(out.definition_).c_str());
  if (!pj) {
    error = "PROJ does not know the coordinate reference system \"" + out.definition_ + "\".";
    return false;
  }
  out.pj_ = Own(pj);
  if (!proj_is_crs(pj)) {
    error = "\"" + out.definition_ + "\" is not a coordinate reference system.";
    out = Crs();
    return false;
  }
  if (const char* name = proj_get_name(pj)) out.name_ = name;
  const char* auth = proj_get_id_auth_name(pj, 0);
  const char* code = proj_get_id_code(pj, 0);
  if (auth && code) {
    out.authority_ = std::string(auth) + ":" + code;
    if (std::strcmp(auth, "EPSG") == 0) out.epsg_ = std::atoi(code);
  }
  PJ* horizontal = HorizontalPart(pj);
  out.geographic_ = horizontal && Geographic(horizontal);
  proj_destroy(horizontal);
  return true;
}

Crs Crs::Wgs84() {
  Crs crs;
  std::string error;
  Resolve("EPSG:4326", crs, error);
  return crs;
}

std::string Crs::Label() const {
  if (IsLocal()) return {};
  if (authority_.empty()) return name_;
  return name_ + " (" + authority_ + ")";
}

std::string Crs::CodeAndName() const {
  if (authority_.empty()) return name_;
  return authority_ + " " + name_;
}

std::string Crs::Wkt() const {
  if (IsLocal()) return {};
  const char* wkt = proj_as_wkt(nullptr, Pj(pj_.get()), PJ_WKT2_2019, nullptr);
  return wkt ? wkt : "";
}

bool Crs::AreaOfUse(LonLatBox& box) const {
  if (IsLocal()) return false;
  double w = -1000, s = -1000, e = -1000, n = -1000;
  if (!proj_get_area_of_use(nullptr, Pj(pj_.get()), &w, &s, &e, &n, nullptr) || w < -180.5 || s < -90.5) return false;
  box = {w, s, e, n};
  return true;
}

CrsTransform::CrsTransform() = default;

CrsTransform::~CrsTransform() {
  if (pj_) proj_destroy(Pj(pj_));
}

bool CrsTransform::Create(const Crs& from, const Crs& to, std::string& error) {
  if (from.IsLocal() || to.IsLocal()) {
    error = "A transform needs a coordinate reference system on both sides.";
    return false;
  }
  PJ* op = proj_create_crs_to_crs_from_pj(nullptr, Pj(from.Handle()), Pj(to.Handle()), nullptr, nullptr);
  PJ* gis = op ? proj_normalize_for_visualization(nullptr, op) : nullptr;
  if (op) proj_destroy(op);
  if (!gis) {
    error = "PROJ has no transform from " + from.Label() + " to " + to.Label() + ".";
    return false;
  }
  if (pj_) proj_destroy(Pj(pj_));
  pj_ = gis;
  checkTarget_ = to.IsGeographic() && !from.IsGeographic() && from.AreaOfUse(area_);
  checkSource_ = from.IsGeographic() && !to.IsGeographic() && to.AreaOfUse(area_);
  return true;
}

std::size_t CrsTransform::Apply(double* x, double* y, double* z, std::size_t n) const {
  if (!pj_ || n == 0) return n;
  for (std::size_t i = 0; i < n; ++i)
    if (checkSource_ && !Inside(area_, x[i], y[i])) return i;
  proj_errno_reset(Pj(pj_));
  proj_trans_generic(Pj(pj_), PJ_FWD, x, sizeof(double), n, y, sizeof(double), n, z, z ? sizeof(double) : 0,
                     z ? n : 0, nullptr, 0, 0);
  for (std::size_t i = 0; i < n; ++i) {
    // PROJ marks a point it cannot transform with HUGE_VAL.
    if (!std::isfinite(x[i]) || !std::isfinite(y[i]) || (z && !std::isfinite(z[i]))) return i;
    if (checkTarget_ && !Inside(area_, x[i], y[i])) return i;
  }
  return n;
}

std::vector<CrsEntry> SearchCrs(std::string_view text, std::size_t limit) {
  static std::once_flag once;
  static std::vector<CrsEntry> all;
  std::call_once(once, [] {
    int count = 0;
    PROJ_CRS_INFO** list = proj_get_crs_info_list_from_database(nullptr, "EPSG", nullptr, &count);
    for (int i = 0; list && i < count; ++i) {
      const PROJ_CRS_INFO* info = list[i];
      if (info->deprecated || info->type == PJ_TYPE_GEOCENTRIC_CRS) continue;
      all.push_back({std::string(info->auth_name) + ":" + info->code, info->name ? info->name : "",
                     info->type == PJ_TYPE_PROJECTED_CRS});
    }
    if (list) proj_crs_info_list_destroy(list);
    std::stable_sort(all.begin(), all.end(), [](const CrsEntry& a, const CrsEntry& b) {
      return std::atoi(a.code.c_str() + 5) < std::atoi(b.code.c_str() + 5);
    });
  });
  std::string needle = Trimmed(text);
  std::transform(needle.begin(), needle.end(), needle.begin(), [](unsigned char c) { return std::tolower(c); });
  std::vector<CrsEntry> found;
  for (const CrsEntry& e : all) {
    if (found.size() >= limit) break;
    if (!needle.empty()) {
      std::string hay = e.code + " " + e.name;
      std::transform(hay.begin(), hay.end(), hay.begin(), [](unsigned char c) { return std::tolower(c); });
      if (hay.find(needle) == std::string::npos) continue;
    }
    found.push_back(e);
  }
  return found;
}

}  // namespace corvane::exchange
