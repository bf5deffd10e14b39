#include "gui/about_dlg.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>

#include "core/settings/program_folder.h"

namespace corvane::gui {

CAboutDlg::CAboutDlg(const GuiContext& context, QWidget* parent)
    : QDialog(parent), picture_(new QLabel(this)), usedFor_(new QLabel(this)), instruments_(new QLabel(this)) {
  setObjectName(QStringLiteral("CAboutDlg"));
  const QPixmap picture(QFile::decodeName(QByteArray::fromStdString(ProgramFilePath("\\this.bmp"))));
  // A missing picture leaves the place empty.
  if (!picture.isNull()) picture_->setPixmap(picture.scaled(40, 40, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  picture_->setFixedSize(40, 40);
  setWindowTitle(context.AppTitle());
  usedFor_->setText(context.Caption("About", "Usedfor", "Can be used together with following Instruments:"));
  instruments_->setText(context.Caption("About", "Instruments", "PLN/KVM480/L"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QGridLayout(this);
  layout->addWidget(picture_, 0, 0, 2, 1, Qt::AlignTop);
  layout->addWidget(usedFor_, 0, 1);
  layout->addWidget(instruments_, 1, 1);
  layout->addWidget(buttons, 2, 0, 1, 2);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace corvane::gui
