#pragma once
// The messages of the GIS exchange. Names inside them are the job's GBK bytes,
// shortened when long, like every other text of the tool.
#include <string>
#include <string_view>

namespace corvane::exchange {

// A point name as a message shows it: at most 40 bytes, never cut inside a
// character, "..." when shortened.
std::string NameForMessage(std::string_view gbkName);
// "point "P7" (row 12)"
std::string PointForMessage(std::string_view gbkName, int row);

inline constexpr char kNoPointsToExport[] = "The job holds no points to export.";
inline constexpr char kGisExportFailed[] = "Export to GIS failed.";
inline constexpr char kGisImportFailed[] = "Import from GIS file failed.";

std::string BadCoordinateText(std::string_view name, int row);
std::string NeedsCrsText(const char* formatName);
std::string TransformFailedText(std::string_view name, int row, const std::string& from, const std::string& to);
std::string TooLongForShapefileText(const char* field, std::string_view name, int row);

}  // namespace corvane::exchange
