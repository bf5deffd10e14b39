#include "gui/busy_progress.h"

#include <QApplication>
#include <QProgressDialog>

namespace corvane::gui {
namespace {
// The progress window appears only for work that lasts longer than this.
constexpr qint64 kShowAfterMs = 400;
constexpr qint64 kUpdateEveryMs = 100;
}  // namespace

BusyProgress::BusyProgress(QWidget* owner, QString label) : owner_(owner), label_(std::move(label)) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  clock_.start();
}

BusyProgress::~BusyProgress() {
  dialog_.reset();
  QApplication::restoreOverrideCursor();
}

void BusyProgress::Update(size_t done, size_t total) {
  if (!dialog_) {
    if (clock_.elapsed() < kShowAfterMs) return;
    dialog_ = std::make_unique<QProgressDialog>(label_, QString(), 0, 1000, owner_);
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(0);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
  }
  // A few updates a second keep the window painted without slowing the work.
  if (clock_.elapsed() - lastUpdateMs_ < kUpdateEveryMs) return;
  lastUpdateMs_ = clock_.elapsed();
  const int value = total > 0 ? static_cast<int>(std::min<size_t>(1000, done * 1000 / total)) : 0;
  // A modal progress window handles the pending events when its value changes,
  // so the program repaints while it works.
  dialog_->setValue(value);
}

}  // namespace corvane::gui
