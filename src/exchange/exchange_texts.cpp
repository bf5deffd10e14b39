#include "exchange/exchange_texts.h"


namespace corvane::exchange {

std::string NameForMessage(std::string_view name) {
  constexpr size_t kMax = 40;
  if (name.size() <= kMax) return std::string(name);
  size_t cut = 0;
  while (cut < kMax) {
    // A byte from 0x81 up opens a two-byte GBK character.
    const size_t step = static_cast<unsigned char>(name[cut]) > 0x80 ? 2 : 1;
    if (cut + step > kMax) break;
    cut += step;
  }
  return std::string(name.substr(0, cut)) + "...";
}

std::string PointForMessage(std::string_view name, int row) {
  return "point \"" + NameForMessage(name) + "\" (row " + std::to_string(row) + ")";
}

std::string BadCoordinateText(std::string_view name, int row) {
  std::string text = "The " + PointForMessage(name, row);
  return text + " has a coordinate that is not a number or lies beyond 1e10; correct it first.";
}

std::string NeedsCrsText(const char* formatName) {
  return std::string(formatName) +
         " holds WGS 84 longitude and latitude: give the job a coordinate reference system (\"Crs\" on the "
         "settings page, or --crs) to export to it.";
}

std::string TransformFailedText(std::string_view name, int row, const std::string& from, const std::string& to) {
  return "The " + PointForMessage(name, row) + " cannot be transformed from " + from + " to " + to +
         ": it lies outside the area of the coordinate reference system.";
}

std::string TooLongForShapefileText(const char* field, std::string_view name, int row) {
  return std::string("The ") + field + " of " + PointForMessage(name, row) +
         " is longer than a Shapefile field holds (254 bytes); export to GeoPackage instead.";
}

}  // namespace corvane::exchange
