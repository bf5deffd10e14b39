#include "gui/serial_devices.h"

#include <QDir>

#include <algorithm>

namespace corvane::gui {
namespace {

// "ttyS2" before "ttyS10": names compare by their text before the trailing
// number, then by that number.
bool NumberOrder(const QString& a, const QString& b) {
  const auto split = [](const QString& s) {
    qsizetype i = s.size();
    while (i > 0 && s[i - 1].isDigit()) --i;
    return std::pair(s.left(i), s.mid(i).toULongLong());
  };
  const auto [pa, na] = split(a);
  const auto [pb, nb] = split(b);
  if (pa != pb) return pa < pb;
  if (na != nb) return na < nb;
  return a < b;
}

}  // namespace

QStringList ListSerialDevices(const QString& devRoot) {
  const auto sorted = [](QStringList names) {
    std::sort(names.begin(), names.end(), NumberOrder);
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
