#pragma once
// The serial devices present on this machine, for choosing the device behind a
// port number.
#include <QStringList>

namespace corvane::gui {

// Stable names first (/dev/serial/by-id/*), then /dev/ttyUSB*, /dev/ttyACM* and
// /dev/ttyS*, each group in number order. `devRoot` is "/dev" except in tests.
QStringList ListSerialDevices(const QString& devRoot = QStringLiteral("/dev"));

}  // namespace corvane::gui
