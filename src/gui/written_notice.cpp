#include "gui/written_notice.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace corvane::gui {

WrittenNotice::WrittenNotice(QWidget* parent)
    : QWidget(parent), label_(new QLabel(this)), openFolder_(new QPushButton(this)) {
  setObjectName(QStringLiteral("writtenNotice"));
  label_->setObjectName(QStringLiteral("writtenPath"));
  label_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  // The path never widens the window: it is shortened to the room there is.
  label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  label_->setMinimumWidth(40);
  openFolder_->setObjectName(QStringLiteral("openFolder"));
  openFolder_->setFlat(true);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(label_, 1);
  layout->addWidget(openFolder_);
  connect(openFolder_, &QPushButton::clicked, this, [this] {
    if (!folder_.isEmpty()) emit openFolderRequested(folder_);
  });
  hide();
}

void WrittenNotice::SetCaptions(const QString& written, const QString& openFolder) {
  writtenCaption_ = written;
  openFolder_->setText(openFolder);
  if (!paths_.isEmpty()) Show(paths_);
}

void WrittenNotice::Show(const QStringList& paths) {
  if (paths.isEmpty()) return;
  paths_ = paths;
  QStringList shown;
  for (const QString& p : paths) shown << QDir::toNativeSeparators(p);
  text_ = writtenCaption_ + QLatin1Char(' ') + shown.join(QStringLiteral(", "));
  folder_ = QFileInfo(paths.first()).absolutePath();
  label_->setToolTip(text_);
  label_->setAccessibleName(text_);
  openFolder_->setAccessibleDescription(QDir::toNativeSeparators(folder_));
  show();
  Elide();
}

void WrittenNotice::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Elide();
}

void WrittenNotice::Elide() {
  label_->setText(label_->fontMetrics().elidedText(text_, Qt::ElideMiddle, qMax(label_->width(), 40)));
}

}  // namespace corvane::gui
