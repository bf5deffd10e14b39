// The CgPoints of a LandXML document (1.0, 1.1 or 1.2): name, code and the
// "north east [elevation]" text, a point given only by pntRef taking the
// coordinates of the point it names; the CRS from CoordinateSystem.
#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QXmlStreamReader>

#include <unordered_map>

#include "core/text/text_file.h"
#include "exchange/gis_readers.h"
#include "exchange/gis_text.h"

namespace corvane::exchange {
namespace {

std::string Utf8(QStringView text) { return text.toString().toStdString(); }

// "north east [elevation]": false when it is not two or three numbers.
bool ParseCoordinates(const QString& text, ImportedPoint& p) {
  const QStringList parts = text.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
  if (parts.size() < 2 || parts.size() > 3) return false;
  bool ok = true;
  double v[3] = {0, 0, 0};
  for (qsizetype i = 0; i < parts.size() && ok; ++i) v[i] = parts[i].toDouble(&ok);
  if (!ok) return false;
  p.north = v[0];
  p.east = v[1];
  p.height = v[2];
  p.hasHeight = parts.size() == 3;
  return true;
}

}  // namespace

bool IsLandXmlFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  QXmlStreamReader reader(file.read(8192));
  while (!reader.atEnd()) {
    if (reader.readNext() == QXmlStreamReader::StartElement) return reader.name() == QLatin1String("LandXML");
  }
  return false;
}

bool ReadLandXmlPoints(const std::string& path, FilePoints& out, std::string& error) {
  std::string bytes, reason;
  if (!ReadFileBytes(path, bytes, &reason)) {
    error = path + ": " + reason;
    return false;
  }
  QXmlStreamReader reader(QByteArray::fromStdString(bytes));
  std::unordered_map<std::string, size_t> byName;
  std::vector<std::pair<size_t, std::string>> references;  // point, the name it refers to
  out.layer = "CgPoints";
  int feature = 0;
  while (!reader.atEnd()) {
    if (reader.readNext() != QXmlStreamReader::StartElement) continue;
    const QStringView element = reader.name();
    if (element == QLatin1String("CoordinateSystem")) {
      const QXmlStreamAttributes a = reader.attributes();
      std::string def = Utf8(a.value(QLatin1String("epsgCode")));
      if (!def.empty()) def = "EPSG:" + def;
      else def = Utf8(a.value(QLatin1String("ogcWktCode")));
      if (!def.empty() && !Crs::Resolve(def, out.crs, error)) return false;
    } else if (element == QLatin1String("CgPoint")) {
      ++feature;
      const QXmlStreamAttributes a = reader.attributes();
      ImportedPoint p;
      p.name = GisTextToGbk(Utf8(a.value(QLatin1String("name"))));
      p.code = GisTextToGbk(Utf8(a.value(QLatin1String("code"))));
      const std::string ref = Utf8(a.value(QLatin1String("pntRef")));
      const QString text = reader.readElementText(QXmlStreamReader::IncludeChildElements);
      if (text.trimmed().isEmpty() && !ref.empty()) {
        references.emplace_back(out.points.size(), ref);
      } else if (!ParseCoordinates(text, p)) {
        error = "CgPoint " + std::to_string(feature) + " of " + path + " does not hold \"north east [elevation]\".";
        return false;
      }
      if (!p.name.empty()) byName.emplace(Utf8(a.value(QLatin1String("name"))), out.points.size());
      out.points.push_back(std::move(p));
      out.features.push_back(feature);
    }
  }
  if (reader.hasError()) {
    error = path + ": not well-formed XML at line " + std::to_string(reader.lineNumber()) + " (" +
            reader.errorString().toStdString() + ")";
    return false;
  }
  for (const auto& [index, ref] : references) {
    const auto it = byName.find(ref);
    if (it == byName.end()) {
      error = "CgPoint " + std::to_string(out.features[index]) + " of " + path + " refers to the point \"" + ref +
              "\", which the file does not hold.";
      return false;
    }
    ImportedPoint& p = out.points[index];
    const ImportedPoint& from = out.points[it->second];
    p.north = from.north;
    p.east = from.east;
    p.height = from.height;
    p.hasHeight = from.hasHeight;
  }
  return true;
}

}  // namespace corvane::exchange
