#include "gui/column_hints.h"

#include <cstring>
#include <string>

#include "core/grid/grid_columns.h"
#include "core/text/text_helpers.h"
#include "gui/gui_context.h"

namespace corvane::gui {
namespace {

struct KindGroup {
  const char* kinds[2];  // the kinds that share the texts
  const char* key;       // caption key prefix
};

constexpr KindGroup kGroups[] = {
    {{"ST", nullptr}, "ST"}, {{"BS", nullptr}, "BS"}, {{"DP", "RP"}, "DP"},
    {{"MP", "CP"}, "MP"},    {{"AP", nullptr}, "AP"},
};

struct Hint {
  const char* group;  // kGroups key, or "Any" for every line
  int col;
  const char* text;
};

constexpr Hint kHints[] = {
    {"Any", col::kNumber, "row number"},
    {"Any", col::kMark, "record mark (U for the instrument's records), or the key of a header line"},
    {"Any", col::kKind, "record kind (ST station, BS backsight, DP/RP measured point, MP/CP coordinates, AP angles), "
                        "or the value of a header line"},
    {"Any", col::kName, "point name"},
    {"Any", col::kPlane1, "first plane coordinate: northing (easting in ENZ jobs)"},
    {"Any", col::kPlane2, "second plane coordinate: easting (northing in ENZ jobs)"},
    {"Any", col::kHeight, "height"},
    {"Any", col::kCode, "point code"},
    {"ST", col::kName, "station name"},
    {"ST", col::kPlane1, "station northing (easting in ENZ jobs)"},
    {"ST", col::kPlane2, "station easting (northing in ENZ jobs)"},
    {"ST", col::kHeight, "station height"},
    {"ST", col::kInstrumentHeight, "instrument height"},
    {"ST", col::kCode, "station code"},
    {"BS", col::kName, "backsight name"},
    {"BS", col::kVerticalAngle, "horizontal angle read on the backsight"},
    {"BS", col::kPlane1, "backsight northing (easting in ENZ jobs)"},
    {"BS", col::kPlane2, "backsight easting (northing in ENZ jobs)"},
    {"BS", col::kHeight, "backsight height"},
    {"BS", col::kTargetHeight, "target height"},
    {"DP", col::kName, "point name"},
    {"DP", col::kSlopeDistance, "slope distance"},
    {"DP", col::kHorizontalAngle, "horizontal angle"},
    {"DP", col::kVerticalAngle, "vertical (zenith) angle"},
    {"DP", col::kTargetHeight, "target height"},
    {"DP", col::kCode, "point code"},
    {"MP", col::kName, "point name"},
    {"MP", col::kPlane1, "northing (easting in ENZ jobs)"},
    {"MP", col::kPlane2, "easting (northing in ENZ jobs)"},
    {"MP", col::kHeight, "height"},
    {"MP", col::kCode, "point code"},
    {"AP", col::kName, "point name"},
    {"AP", col::kHorizontalAngle, "horizontal angle"},
    {"AP", col::kVerticalAngle, "vertical (zenith) angle"},
    {"AP", col::kTargetHeight, "target height"},
    {"AP", col::kCode, "point code"},
};

const Hint* FindHint(const char* group, int col) {
  for (const Hint& h : kHints)
    if (h.col == col && std::strcmp(h.group, group) == 0) return &h;
  return nullptr;
}

QString Text(const GuiContext& context, const Hint& hint) {
  const std::string key = std::string(hint.group) + std::to_string(hint.col);
  return context.Caption("Columns", key, hint.text);
}

}  // namespace

std::string_view RecordKindOf(std::string_view kindCell) {
  const std::string_view kind = TrimWhite(kindCell);
  for (const KindGroup& g : kGroups)
    for (const char* k : g.kinds)
      if (k && kind == k) return k;
  return {};
}

QString ColumnHint(const GuiContext& context, std::string_view kind, int col) {
  const QString field = context.Caption("Columns", "Field", "field %1 of the line").arg(col);
  for (const KindGroup& g : kGroups) {
    if (kind.empty() || (kind != g.kinds[0] && (!g.kinds[1] || kind != g.kinds[1]))) continue;
    // The row number and the two first fields mean the same in every line.
    const Hint* h = col <= col::kKind ? FindHint("Any", col) : FindHint(g.key, col);
    return QString::fromLatin1(kind) + QStringLiteral(": ") + (h ? Text(context, *h) : field);
  }
  const Hint* h = FindHint("Any", col);
  return h ? Text(context, *h) : field;
}

}  // namespace corvane::gui
