#include "gui/text_viewer.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QVBoxLayout>

#include "gui/gbk_text.h"

namespace corvane::gui {

bool NeedsGbkViewer(const QString& path, QByteArray* bytes) {
  if (QFileInfo(path).suffix().compare(QLatin1String("dxf"), Qt::CaseInsensitive) == 0) return false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray head = file.read(1 << 20);
  bool ascii = true;
  for (char c : head) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return false;
  // A piece cut in the middle of a character at the megabyte's end still counts
  // as UTF-8: only what came before it is judged.
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  const QString decoded = utf8.decode(head.size() == (1 << 20) ? head.left(head.size() - 4) : head);
  if (!utf8.hasError()) return false;
  *bytes = head + file.readAll();
  return true;
}

TextFileViewer::TextFileViewer(const QString& path, const QByteArray& bytes, const QString& closeText,
                               QWidget* parent)
    : QDialog(parent), path_(path), text_(new QPlainTextEdit(this)) {
  setObjectName(QStringLiteral("textViewer"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QFileInfo(path).fileName());
  text_->setObjectName(QStringLiteral("text"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  text_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  QString shown = FromGbk(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text_->setPlainText(shown);
  text_->setAccessibleName(QDir::toNativeSeparators(path));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setText(closeText);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_, 1);
  layout->addWidget(buttons);
  const QFontMetrics metrics(text_->font());
  resize(qMin(metrics.horizontalAdvance(QLatin1Char('0')) * 100, 1000), qMin(metrics.lineSpacing() * 36, 700));
}

}  // namespace corvane::gui
