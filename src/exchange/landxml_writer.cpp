#include "exchange/landxml_writer.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QXmlStreamWriter>

#include <cstdio>
#include <filesystem>
#include <unordered_map>

#include "core/compute/angle_math.h"
#include "core/file_texts.h"
#include "core/text/numbers.h"
#include "core/text/text_file.h"
#include "core/text/text_helpers.h"
#include "exchange/gis_text.h"

namespace corvane::exchange {
namespace {

constexpr double kDegreesPerRadian = 180.0 / kPi;

QString Q(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
QString Xml(std::string_view gbk) { return Q(GbkToXmlText(gbk)); }

QString Coordinates(const FeaturePoint& p) {
  return Q(ShortNumber(p.north, 6) + " " + ShortNumber(p.east, 6) + " " + ShortNumber(p.height, 6));
}

// The survey role of a listed point, where LandXML has one.
const char* SurveyPointType(const std::string& kind) {
  if (kind == "ST" || kind == "BS") return "traverse";
  if (kind == "CP") return "control";
  if (kind == "RP") return "reference";
  if (kind == "DP") return "sideshot";
  return nullptr;
}

class Document final {
 public:
  Document(const RecordGrid& grid, const JobFeatures& f, const Crs& crs) : grid_(grid), f_(f), crs_(crs), w_(&bytes_) {
    w_.setAutoFormatting(true);
    w_.setAutoFormattingIndent(1);
  }

  std::string Build(const std::string& name) {
    const QString ns = QString::fromLatin1(kLandXmlNamespace);
    const QString xsi = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
    const QDateTime now = QDateTime::currentDateTime();
    w_.writeStartDocument();
    w_.writeDefaultNamespace(ns);
    w_.writeNamespace(xsi, QStringLiteral("xsi"));
    w_.writeStartElement(ns, QStringLiteral("LandXML"));
    w_.writeAttribute(xsi, QStringLiteral("schemaLocation"), ns + QStringLiteral(" ") + ns + QStringLiteral("/LandXML-1.2.xsd"));
    w_.writeAttribute(QStringLiteral("date"), now.toString(QStringLiteral("yyyy-MM-dd")));
    w_.writeAttribute(QStringLiteral("time"), now.toString(QStringLiteral("HH:mm:ss")));
    w_.writeAttribute(QStringLiteral("version"), QStringLiteral("1.2"));
    w_.writeAttribute(QStringLiteral("language"), QStringLiteral("English"));
    w_.writeAttribute(QStringLiteral("readOnly"), QStringLiteral("false"));
    Units(ns);
    CoordinateSystem(ns);
    w_.writeStartElement(ns, QStringLiteral("Project"));
    w_.writeAttribute(QStringLiteral("name"), Xml(name));
    w_.writeEndElement();
    w_.writeStartElement(ns, QStringLiteral("Application"));
    w_.writeAttribute(QStringLiteral("name"), QStringLiteral("Corvane480"));
    w_.writeAttribute(QStringLiteral("desc"), QStringLiteral("survey job transfers for KVM480/PLN480 total stations"));
    w_.writeEndElement();
    CgPoints(ns);
    Survey(ns, name);
    w_.writeEndElement();
    w_.writeEndDocument();
    return bytes_.toStdString();
  }

 private:
  void Units(const QString& ns) {
    static const char* const kMetric[][2] = {
        {"areaUnit", "squareMeter"},       {"linearUnit", "meter"},           {"volumeUnit", "cubicMeter"},
        {"temperatureUnit", "celsius"},    {"pressureUnit", "milliBars"},     {"diameterUnit", "meter"},
        {"widthUnit", "meter"},            {"heightUnit", "meter"},           {"velocityUnit", "metersPerSecond"},
        {"flowUnit", "cubicMeterSecond"},  {"angularUnit", "decimal degrees"}, {"directionUnit", "decimal degrees"},
        {"latLongAngularUnit", "decimal degrees"}, {"elevationUnit", "meter"}};
    w_.writeStartElement(ns, QStringLiteral("Units"));
    w_.writeStartElement(ns, QStringLiteral("Metric"));
    for (const auto& a : kMetric) w_.writeAttribute(QString::fromLatin1(a[0]), QString::fromLatin1(a[1]));
    w_.writeEndElement();
    w_.writeEndElement();
  }

  void CoordinateSystem(const QString& ns) {
    if (crs_.IsLocal()) return;
    w_.writeStartElement(ns, QStringLiteral("CoordinateSystem"));
    w_.writeAttribute(QStringLiteral("name"), Q(crs_.Name()));
    if (crs_.EpsgCode() > 0) w_.writeAttribute(QStringLiteral("epsgCode"), QString::number(crs_.EpsgCode()));
    else w_.writeAttribute(QStringLiteral("ogcWktCode"), Q(crs_.Wkt()));
    w_.writeEndElement();
  }

  // Names are unique within one CgPoints: the k-th point of a name goes to the
  // k-th group (the outer CgPoints, then nested ones).
  void CgPoints(const QString& ns) {
    std::unordered_map<std::string, size_t> seen;
    std::vector<std::vector<size_t>> groups(1);
    for (size_t i = 0; i < f_.points.size(); ++i) {
      const size_t k = seen[f_.points[i].name]++;
      if (k >= groups.size()) groups.resize(k + 1);
      groups[k].push_back(i);
    }
    w_.writeStartElement(ns, QStringLiteral("CgPoints"));
    w_.writeAttribute(QStringLiteral("name"), QStringLiteral("points"));
    for (size_t g = 0; g < groups.size(); ++g) {
      if (g > 0) {
        w_.writeStartElement(ns, QStringLiteral("CgPoints"));
        w_.writeAttribute(QStringLiteral("name"), QStringLiteral("repeated names %1").arg(g));
      }
      for (size_t i : groups[g]) Point(ns, QStringLiteral("CgPoint"), f_.points[i], true);
      if (g > 0) w_.writeEndElement();
    }
    w_.writeEndElement();
  }

  void Point(const QString& ns, const QString& element, const JobPoint& p, bool cgPoint) {
    w_.writeStartElement(ns, element);
    w_.writeAttribute(QStringLiteral("name"), Xml(p.name));
    if (!p.code.empty()) w_.writeAttribute(QStringLiteral("code"), Xml(p.code));
    if (cgPoint)
      if (const char* type = SurveyPointType(p.kind)) w_.writeAttribute(QStringLiteral("pntSurv"), QString::fromLatin1(type));
    w_.writeCharacters(Coordinates(p.at));
    w_.writeEndElement();
  }

  // The angle unit in force at a row, walking the rows before it once.
  double Degrees(int row, int col) {
    while (unitRow_ < row) {
      unit_.AfterRow(TrimLeftBlanks(grid_.Cell(unitRow_, col::kKind)), grid_.Cell(unitRow_, col::kName));
      ++unitRow_;
    }
    return unit_.ToRadians(grid_.Cell(row, col)) * kDegreesPerRadian;
  }

  QString Number(int row, int col) { return Q(ShortNumber(CAtof(grid_.Cell(row, col)), 6)); }

  void Survey(const QString& ns, const std::string& name) {
    w_.writeStartElement(ns, QStringLiteral("Survey"));
    w_.writeStartElement(ns, QStringLiteral("SurveyHeader"));
    w_.writeAttribute(QStringLiteral("name"), Xml(name));
    w_.writeEndElement();
    int setups = 0;
    QString setupId;
    for (const JobPoint& p : f_.points) {
      if (p.kind == "ST") {
        if (setups > 0) w_.writeEndElement();
        setupId = QStringLiteral("setup%1").arg(++setups);
        w_.writeStartElement(ns, QStringLiteral("InstrumentSetup"));
        w_.writeAttribute(QStringLiteral("id"), setupId);
        w_.writeAttribute(QStringLiteral("stationName"), Xml(p.name));
        w_.writeAttribute(QStringLiteral("instrumentHeight"), Number(p.row, col::kInstrumentHeight));
        Point(ns, QStringLiteral("InstrumentPoint"), p, false);
      } else if (setups == 0) {
        continue;  // measured before any station: there is no set-up to hold it
      } else if (p.kind == "BS") {
        w_.writeStartElement(ns, QStringLiteral("Backsight"));
        w_.writeAttribute(QStringLiteral("circle"), Q(ShortNumber(Degrees(p.row, col::kVerticalAngle), 8)));
        w_.writeAttribute(QStringLiteral("targetHeight"), Number(p.row, col::kTargetHeight));
        Point(ns, QStringLiteral("BacksightPoint"), p, false);
        w_.writeEndElement();
      } else if (p.kind == "DP" || p.kind == "RP") {
        w_.writeStartElement(ns, QStringLiteral("RawObservation"));
        w_.writeAttribute(QStringLiteral("setupID"), setupId);
        w_.writeAttribute(QStringLiteral("purpose"), QStringLiteral("sideshot"));
        w_.writeAttribute(QStringLiteral("targetHeight"), Number(p.row, col::kTargetHeight));
        w_.writeAttribute(QStringLiteral("horizAngle"), Q(ShortNumber(Degrees(p.row, col::kHorizontalAngle), 8)));
        w_.writeAttribute(QStringLiteral("zenithAngle"), Q(ShortNumber(Degrees(p.row, col::kVerticalAngle), 8)));
        w_.writeAttribute(QStringLiteral("slopeDistance"), Number(p.row, col::kSlopeDistance));
        Point(ns, QStringLiteral("TargetPoint"), p, false);
        w_.writeEndElement();
      }
    }
    if (setups > 0) w_.writeEndElement();
    w_.writeEndElement();
  }

  const RecordGrid& grid_;
  const JobFeatures& f_;
  const Crs& crs_;
  QByteArray bytes_;
  QXmlStreamWriter w_;
  AngleUnitWalk unit_;
  int unitRow_ = 1;
};

}  // namespace

std::string ShortNumber(double value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string s(buf);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

std::string LandXmlDocument(const RecordGrid& grid, const JobFeatures& features, const Crs& crs,
                            const std::string& name) {
  return Document(grid, features, crs).Build(name);
}

CommandResult WriteLandXml(const RecordGrid& grid, const JobFeatures& features, const Crs& crs,
                           const std::string& path) {
  const std::string name = std::filesystem::path(path).stem().string();
  const std::string bytes = LandXmlDocument(grid, features, crs, name);
  TextFileWriter file;
  std::string reason;
  if (!file.Open(path, &reason)) return OpenFileFailure(path, reason);
  file.WriteRaw(bytes);
  if (!file.Commit(&reason)) return OpenFileFailure(path, reason);
  return {};
}

}  // namespace corvane::exchange
