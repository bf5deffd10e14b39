#include "exchange/gdal_session.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>
#include <ogrsf_frmts.h>

#include <cstring>
#include <mutex>

namespace corvane::exchange {
namespace {

void CPL_STDCALL OnGdalMessage(CPLErr level, CPLErrorNum, const char* text) {
  if (auto* self = static_cast<GdalMessages*>(CPLGetErrorHandlerUserData()))
    self->Record(static_cast<int>(level), text ? text : "");
}

std::mutex registering;
bool allRegistered = false;

}  // namespace

void EnsureGdal() {
  std::lock_guard lock(registering);
  if (allRegistered) return;
  GDALAllRegister();
  // DXF blocks stay points (INSERT), not their drawn lines.
  CPLSetConfigOption("DXF_INLINE_BLOCKS", "FALSE");
  allRegistered = true;
}

bool EnsureGdalDriver(const char* name) {
  // Registering every driver costs more than a small export itself.
  static constexpr struct {
    const char* name;
    void (*reg)();
  } kDrivers[] = {{"GPKG", RegisterOGRGeoPackage}, {"ESRI Shapefile", RegisterOGRShape},
                  {"GeoJSON", RegisterOGRGeoJSON},  {"LIBKML", RegisterOGRLIBKML},
                  {"KML", RegisterOGRKML},          {"CSV", RegisterOGRCSV}};
  {
    std::lock_guard lock(registering);
    if (!allRegistered)
      for (const auto& d : kDrivers)
        if (std::strcmp(d.name, name) == 0) d.reg();
  }
  return GDALGetDriverByName(name) != nullptr;
}

GdalMessages::GdalMessages() { CPLPushErrorHandlerEx(OnGdalMessage, this); }

GdalMessages::~GdalMessages() { CPLPopErrorHandler(); }

std::string GdalMessages::Last() const { return error_.empty() ? warning_ : error_; }

void GdalMessages::Clear() {
  error_.clear();
  warning_.clear();
  valueLost_ = false;
}

void GdalMessages::Record(int level, const char* text) {
  if (level >= CE_Failure) {
    error_ = text;
  } else if (level == CE_Warning) {
    warning_ = text;
    if (std::strstr(text, "not successfully written") || std::strstr(text, "truncated")) valueLost_ = true;
  }
}

}  // namespace corvane::exchange
