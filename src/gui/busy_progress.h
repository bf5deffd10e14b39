#pragma once
// A long command on the GUI thread: a busy cursor for its whole run and, when it
// takes longer than a moment, a progress window that keeps the program painted.
#include <QElapsedTimer>
#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

namespace corvane::gui {

class BusyProgress final {
 public:
  BusyProgress(QWidget* owner, QString label);
  ~BusyProgress();
  BusyProgress(const BusyProgress&) = delete;
  BusyProgress& operator=(const BusyProgress&) = delete;

  // done out of total units (total 0: unknown).
  void Update(size_t done, size_t total);

 private:
  QWidget* owner_;
  QString label_;
  QElapsedTimer clock_;
  qint64 lastUpdateMs_ = -1000;
  std::unique_ptr<QProgressDialog> dialog_;
};

}  // namespace corvane::gui
