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

namespace corvane::gui {

SerialDeviceWatcher::SerialDeviceWatcher(QObject* parent) : QObject(parent) {
  settle_.setSingleShot(true);
  settle_.setInterval(300);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &SerialDeviceWatcher::FolderChanged);
  connect(&settle_, &QTimer::timeout, this, &SerialDeviceWatcher::devicesChanged);
}

void SerialDeviceWatcher::Watch(const QString& devRoot) {
  if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
  devRoot_ = devRoot;
  FolderChanged();
  settle_.stop();
}

void SerialDeviceWatcher::FolderChanged() {
  // serial/ and serial/by-id/ come and go with the first and last USB adapter.
  for (const QString& folder : {devRoot_, devRoot_ + QStringLiteral("/serial"),
                                devRoot_ + QStringLiteral("/serial/by-id")}) {
    if (QDir(folder).exists() && !watcher_.directories().contains(folder)) watcher_.addPath(folder);
  }
  settle_.start();
}

}  // namespace corvane::gui
