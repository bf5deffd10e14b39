#pragma once
// The durable writer as a QIODevice, for Qt's image, SVG and PDF writers and any
// other Qt code that writes a file: the file takes its place only when commit()
// finds every byte written and flushed; until then, and after any failure, the
// old file stays as it was.
#include <QIODevice>
#include <QString>

#include "core/text/durable_file.h"

namespace corvane::plot {

class DurableFileDevice final : public QIODevice {
 public:
  explicit DurableFileDevice(QString path, QObject* parent = nullptr);
  ~DurableFileDevice() override;

  // Write-only; false (with errorString()) when the file cannot be made there.
  bool open(OpenMode mode) override;
  // Puts the file in place; false (with errorString()) when anything failed.
  bool commit();
  // Drops what was written; the old file stays.
  void cancelWriting();
  // Nothing can be written back over: only the current position is a place.
  bool seek(qint64 pos) override;
  qint64 size() const override { return written_; }

 protected:
  qint64 readData(char* data, qint64 maxSize) override;
  qint64 writeData(const char* data, qint64 size) override;

 private:
  void TakeReason();
  QString path_;
  DurableFile file_;
  qint64 written_ = 0;
};

}  // namespace corvane::plot
