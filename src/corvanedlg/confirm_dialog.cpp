#include "corvanedlg/confirm_dialog.h"

#include <QDialogButtonBox>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

#include "corvanedlg/option_dialog.h"

namespace corvanedlg {

ConfirmDialog::ConfirmDialog(const QString& title, const QString& memoryKey, QWidget* parent)
    : QDialog(parent),
      memoryKey_(memoryKey),
      a_(new QRadioButton(Tr("A: every station, backsight and measurement", "A: 全部测站、后视和测量点"), this)),
      b_(new QRadioButton(Tr("B: measurements with their station and backsight", "B: 测量点及其测站和后视"), this)) {
  setWindowTitle(title);
  a_->setObjectName(QStringLiteral("layoutA"));
  b_->setObjectName(QStringLiteral("layoutB"));
  QSettings memory(MemoryFile(), QSettings::IniFormat);
  SetChoice(memory.value(memoryKey_ + QStringLiteral("/layout"), 0).toInt());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(a_);
  layout->addWidget(b_);
  layout->addWidget(buttons);
}

int ConfirmDialog::Choice() const { return b_->isChecked() ? 1 : 0; }

void ConfirmDialog::SetChoice(int choice) { (choice == 1 ? b_ : a_)->setChecked(true); }

void ConfirmDialog::accept() {
  QSettings memory(MemoryFile(), QSettings::IniFormat);
  memory.setValue(memoryKey_ + QStringLiteral("/layout"), Choice());
  QDialog::accept();
}

}  // namespace corvanedlg
