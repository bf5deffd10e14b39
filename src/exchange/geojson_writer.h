#pragma once
// A layer written as a GeoJSON FeatureCollection straight from its plan, in the
// layout GDAL's GeoJSON driver gives it (the same members, spacing, escapes and
// numbers), without building a feature object per point: OGR's reader takes
// the file as it takes the driver's own.
#include <string>
#include <string_view>

#include "exchange/layer_plan.h"

namespace corvane::exchange {

// Significant figures of the numbers (about 0.1 mm in degrees of longitude).
inline constexpr int kGeoJsonFigures = 15;

// A finite number printed to `figures` significant figures as "%.*g" does, with
// GDAL's correction: a value whose decimals run into six 0s or six 9s (a binary
// rounding artefact) is printed with up to three figures fewer when that ends
// the run; ".0" is added to a number without point or exponent.
void AppendJsonNumber(std::string& out, double value, int figures = kGeoJsonFigures);
// A JSON string: quotes, backslashes and control characters escaped (the
// slash too when asked); the text ends at a NUL, as a C string does.
void AppendJsonString(std::string& out, std::string_view text, bool escapeSlash);

// Writes the layer to `path` (a new file; its folder synced by the caller).
// `description` goes into the collection's "description" member when not empty.
// False with the reason.
bool WriteGeoJson(const LayerPlan& plan, const std::string& description, const std::string& path, std::string& error);

}  // namespace corvane::exchange
