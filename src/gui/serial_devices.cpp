#include "gui/serial_devices.h"

#include <QCollator>
#include <QDir>

#include <algorithm>

namespace corvane::gui {

QStringList ListSerialDevices(const QString& devRoot) {
  QCollator numeric;
  numeric.setNumericMode(true);
  const auto sorted = [&](QStringList names) {
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return numeric.compare(a, b) < 0; });
    return names;
  };
  QStringList out;
  const QDir byId(devRoot + QStringLiteral("/serial/by-id"));
  for (const QString& name : sorted(byId.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)))
    out << byId.filePath(name);
  const QDir dev(devRoot);
  for (const char* pattern : {"ttyUSB*", "ttyACM*", "ttyS*"})
    for (const QString& name :
         sorted(dev.entryList({QString::fromLatin1(pattern)}, QDir::System | QDir::Files | QDir::NoDotAndDotDot)))
      out << dev.filePath(name);
  return out;
}

}  // namespace corvane::gui
