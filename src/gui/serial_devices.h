#pragma once
// The serial devices present on this machine, for choosing the device behind a
// port number.
#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

namespace corvane::gui {

// Stable names first (/dev/serial/by-id/*), then /dev/ttyUSB*, /dev/ttyACM* and
// /dev/ttyS*, each group in number order. `devRoot` is "/dev" except in tests.
QStringList ListSerialDevices(const QString& devRoot = QStringLiteral("/dev"));

// Tells when serial devices may have come or gone: watches `devRoot` and its
// serial/ and serial/by-id/ folders (inotify through QFileSystemWatcher) and
// reports once a burst of changes has settled (udev adds the stable names a
// moment after the device itself).
class SerialDeviceWatcher final : public QObject {
  Q_OBJECT
 public:
  explicit SerialDeviceWatcher(QObject* parent = nullptr);
  void Watch(const QString& devRoot);
  const QString& DevRoot() const { return devRoot_; }

 signals:
  void devicesChanged();

 private:
  void FolderChanged();

  QString devRoot_;
  QFileSystemWatcher watcher_;
  QTimer settle_;
};

}  // namespace corvane::gui
