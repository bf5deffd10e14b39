#include "corvanedlg/option_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>

#include "core/settings/program_folder.h"
#include "core/settings/settings_store.h"
#include "core/text/numbers.h"

namespace corvanedlg {

bool EnglishTexts() {
  const corvane::SettingsStore store = corvane::SettingsStore::OpenDefault();
  return corvane::CAtoi(store.ReadSetting(corvane::SettingsSection::OtherSet, "language", "0")) == 1;
}

QString Tr(const char* english, const char* chinese) {
  return EnglishTexts() ? QString::fromUtf8(english) : QString::fromUtf8(chinese);
}

QString MemoryFile() {
  return QString::fromStdString(corvane::SettingsFolder()) + QStringLiteral("/ZAMO/CorvaneDlg.ini");
}

FileOptionsDialog::FileOptionsDialog(FileDialogSpec spec, QWidget* parent)
    : QDialog(parent), spec_(std::move(spec)), path_(new QLineEdit(this)) {
  setWindowTitle(spec_.title);
  QSettings memory(MemoryFile(), QSettings::IniFormat);
  memory.beginGroup(spec_.memoryKey);
  auto* form = new QFormLayout;
  if (!spec_.layouts.isEmpty()) {
    layout_ = new QComboBox(this);
    layout_->setObjectName(QStringLiteral("layout"));
    layout_->addItems(spec_.layouts);
    layout_->setCurrentIndex(qBound(0, memory.value(QStringLiteral("layout"), 0).toInt(), int(spec_.layouts.size()) - 1));
    form->addRow(Tr("File layout", "文件格式"), layout_);
  }
  if (spec_.separators) {
    separator_ = new QComboBox(this);
    separator_->setObjectName(QStringLiteral("separator"));
    separator_->addItems({Tr("Comma ,", "逗号 ,"), Tr("Blank", "空格"), Tr("Tab", "制表符")});
    separator_->setCurrentIndex(qBound(0, memory.value(QStringLiteral("separator"), 0).toInt(), 2));
    form->addRow(Tr("Separator", "分隔符"), separator_);
  }
  path_->setObjectName(QStringLiteral("path"));
  path_->setMinimumWidth(320);
  auto* browse = new QPushButton(Tr("Browse...", "浏览..."), this);
  browse->setObjectName(QStringLiteral("browse"));
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(path_, 1);
  pathRow->addWidget(browse);
  form->addRow(Tr("File", "文件"), pathRow);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(form);
  outer->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(browse, &QPushButton::clicked, this, &FileOptionsDialog::Browse);
  connect(path_, &QLineEdit::textChanged, this, &FileOptionsDialog::UpdateOk);
  UpdateOk();
}

int FileOptionsDialog::Layout() const { return layout_ ? layout_->currentIndex() : 0; }
int FileOptionsDialog::Separator() const { return separator_ ? separator_->currentIndex() : 0; }
QString FileOptionsDialog::Path() const { return path_->text().trimmed(); }
void FileOptionsDialog::SetPath(const QString& path) { path_->setText(path); }
void FileOptionsDialog::SetLayout(int layout) {
  if (layout_) layout_->setCurrentIndex(layout);
}
void FileOptionsDialog::SetSeparator(int separator) {
  if (separator_) separator_->setCurrentIndex(separator);
}

void FileOptionsDialog::UpdateOk() { ok_->setEnabled(!Path().isEmpty()); }

void FileOptionsDialog::Browse() {
  QSettings memory(MemoryFile(), QSettings::IniFormat);
  const QString folder = Path().isEmpty() ? memory.value(QStringLiteral("lastFolder")).toString()
                                          : QFileInfo(Path()).absolutePath();
  const QString chosen = spec_.saving ? QFileDialog::getSaveFileName(this, spec_.title, folder, spec_.filter)
                                      : QFileDialog::getOpenFileName(this, spec_.title, folder, spec_.filter);
  if (!chosen.isEmpty()) SetPath(chosen);
}

void FileOptionsDialog::accept() {
  if (Path().isEmpty()) return;
  QSettings memory(MemoryFile(), QSettings::IniFormat);
  memory.setValue(QStringLiteral("lastFolder"), QFileInfo(Path()).absolutePath());
  memory.beginGroup(spec_.memoryKey);
  if (layout_) memory.setValue(QStringLiteral("layout"), Layout());
  if (separator_) memory.setValue(QStringLiteral("separator"), Separator());
  QDialog::accept();
}

}  // namespace corvanedlg
