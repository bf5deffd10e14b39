#include "plot/durable_device.h"

#include <QFile>

namespace corvane::plot {

DurableFileDevice::DurableFileDevice(QString path, QObject* parent) : QIODevice(parent), path_(std::move(path)) {}

DurableFileDevice::~DurableFileDevice() { cancelWriting(); }

void DurableFileDevice::TakeReason() { setErrorString(QString::fromLocal8Bit(file_.Reason())); }

bool DurableFileDevice::open(OpenMode mode) {
  if ((mode & ReadOnly) || !(mode & WriteOnly) || (mode & Append)) {
    setErrorString(QStringLiteral("the file can only be written from its start"));
    return false;
  }
  if (!file_.Open(QFile::encodeName(path_).toStdString())) {
    TakeReason();
    return false;
  }
  written_ = 0;
  return QIODevice::open(mode | Unbuffered);
}

qint64 DurableFileDevice::writeData(const char* data, qint64 size) {
  file_.Write(std::string_view(data, static_cast<size_t>(size)));
  if (file_.Failed()) {
    TakeReason();
    return -1;
  }
  written_ += size;
  return size;
}

qint64 DurableFileDevice::readData(char*, qint64) { return -1; }

bool DurableFileDevice::seek(qint64 pos) {
  if (pos != written_) return false;
  return QIODevice::seek(pos);
}

bool DurableFileDevice::commit() {
  if (isOpen()) QIODevice::close();
  if (file_.Commit()) return true;
  TakeReason();
  return false;
}

void DurableFileDevice::cancelWriting() {
  if (isOpen()) QIODevice::close();
  file_.Discard();
}

}  // namespace corvane::plot
