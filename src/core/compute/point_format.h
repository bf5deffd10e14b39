#pragma once
// Point lines of the coordinate exports (shared by the measured-coordinates
// export and the recompute), the DXF pieces, and the job's coordinate order.
#include <string>
#include <string_view>

#include "core/grid/record_grid.h"

namespace corvane {

// What the coordinate export writes around its DXF entities (layout 6).
inline constexpr std::string_view kDxfEntitiesHeader = "0\nSECTION\n2\nENTITIES\n0\n";
inline constexpr std::string_view kDxfEnd = "ENDSEC\n0\nEOF";
inline constexpr int kDxfLayout = 6;

// One point in an output layout, ending with "\n":
//  0 name,N,E,H,code   1 name,E,N,H,code   2 name,code,N,E,H   3 name,code,E,N,H
//  4 n,name,code,N,E,H 5 n,name,code,E,N,H (joined by the separator)
//  6 a DXF entity block: two circles (radius 0.07 and 1) on layer ZAMO, the name
//    on ZAMO_NO and the height on ZAMO_H; it ends with the group-code line "0"
//  7 fixed columns: name 10, east 12, north 11, height 9, then a constant tail
// Any other layout gives the empty text.
std::string FormatPointLine(std::string_view name, std::string_view code, std::string_view north,
                            std::string_view east, std::string_view height, int layout, std::string_view separator,
                            long long counter);
// The same, appended to out.
void AppendPointLine(std::string& out, std::string_view name, std::string_view code, std::string_view north,
                     std::string_view east, std::string_view height, int layout, std::string_view separator,
                     long long counter);

// '2' when the first row whose column 2 (blanks trimmed) is "CoorType" has a
// column 3 starting with "EN" (ENZ order), otherwise '1' (NEZ).
char CoordinateOrder(const RecordGrid& grid);

// The DXF header template "DXF.lib" of the program folder.
std::string DxfTemplatePath();
inline constexpr const char* kReadDxfTemplateFailed = "Read DXF.lib failed!";
// The template's text read in text mode (CR LF becomes "\n"). False when the
// file cannot be opened.
bool ReadDxfTemplate(const std::string& path, std::string& text, std::string* reason = nullptr);

}  // namespace corvane
