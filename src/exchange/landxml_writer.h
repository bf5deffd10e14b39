#pragma once
// A job as a LandXML 1.2 document: the units, the CRS, every listed point in
// CgPoints (north east height, the document's order) and a Survey with one
// InstrumentSetup per set-up: its station and instrument height, the backsight
// with its circle reading, and a RawObservation per point measured from it.
#include <string>

#include "core/command_result.h"
#include "core/grid/record_grid.h"
#include "exchange/crs.h"
#include "exchange/job_features.h"

namespace corvane::exchange {

inline constexpr char kLandXmlNamespace[] = "http://www.landxml.org/schema/LandXML-1.2";

// The document's bytes (UTF-8). name: the job's name for Project and SurveyHeader.
std::string LandXmlDocument(const RecordGrid& grid, const JobFeatures& features, const Crs& crs,
                            const std::string& name);
// Writes the document to the path (durably, replacing the file whole).
CommandResult WriteLandXml(const RecordGrid& grid, const JobFeatures& features, const Crs& crs,
                           const std::string& path);

// "%.Nf" without trailing zeros (nor a bare point): 1000, 1234.5678, -0.5.
std::string ShortNumber(double value, int decimals);

}  // namespace corvane::exchange
