#include "corvanedlg/option_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>

#include "core/settings/program_folder.h"
#include "core/settings/settings_store.h"
#include "core/text/numbers.h"
#include "corvanedlg/file_preview.h"

namespace corvanedlg {

namespace {
// The language of the call being shown; -1 outside a call.
int g_languageIndex = -1;
}  // namespace

LanguageScope::LanguageScope(int languageIndex) : previous_(g_languageIndex) { g_languageIndex = languageIndex; }
LanguageScope::~LanguageScope() { g_languageIndex = previous_; }

bool EnglishTexts() {
  if (g_languageIndex >= 0) return g_languageIndex == 1;
  return corvane::ReadLanguageIndex(corvane::SettingsStore::OpenDefault()) == 1;
}

QString Tr(const char* english, const char* chinese) {
  return EnglishTexts() ? QString::fromUtf8(english) : QString::fromUtf8(chinese);
}

QString MemoryFile() {
  return QString::fromStdString(corvane::SettingsFolder()) + QStringLiteral("/ZAMO/CorvaneDlg.ini");
}

FileOptionsDialog::FileOptionsDialog(FileDialogSetup setup, QWidget* parent)
    : QDialog(parent), setup_(std::move(setup)), path_(new QLineEdit(this)) {
  setWindowTitle(setup_.title);
  QSettings memory(MemoryFile(), QSettings::IniFormat);
  memory.beginGroup(setup_.memoryKey);
  auto* form = new QFormLayout;
  if (!setup_.layouts.isEmpty()) {
    layout_ = new QComboBox(this);
    layout_->setObjectName(QStringLiteral("layout"));
    layout_->addItems(setup_.layouts);
    layout_->setCurrentIndex(qBound(0, memory.value(QStringLiteral("layout"), 0).toInt(), int(setup_.layouts.size()) - 1));
    form->addRow(Tr("File layout", "文件格式"), layout_);
  }
  if (setup_.separators) {
    separator_ = new QComboBox(this);
    separator_->setObjectName(QStringLiteral("separator"));
    separator_->addItems({Tr("Comma ,", "逗号 ,"), Tr("Blank", "空格"), Tr("Tab", "制表符")});
    separator_->setCurrentIndex(qBound(0, memory.value(QStringLiteral("separator"), 0).toInt(), 2));
    form->addRow(Tr("Separator", "分隔符"), separator_);
  }
  path_->setObjectName(QStringLiteral("path"));
  path_->setMinimumWidth(320);
  const QString lastPath = memory.value(QStringLiteral("lastPath")).toString();
  path_->setText(lastPath);
  // A name typed without a folder goes to the folder the dialog is in: the last
  // file's, else the last one used, else the home folder.
  const QString lastFolder = QSettings(MemoryFile(), QSettings::IniFormat).value(QStringLiteral("lastFolder")).toString();
  folder_ = QFileInfo(lastPath).isAbsolute() ? QFileInfo(lastPath).absolutePath()
            : !lastFolder.isEmpty()          ? lastFolder
                                             : QDir::homePath();
  auto* browse = new QPushButton(Tr("Browse...", "浏览..."), this);
  browse->setObjectName(QStringLiteral("browse"));
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(path_, 1);
  pathRow->addWidget(browse);
  auto* pathLabel = new QLabel(Tr("&File", "文件(&F)"), this);
  pathLabel->setBuddy(path_);
  form->addRow(pathLabel, pathRow);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(form);
  if (setup_.preview != Preview::None) {
    auto* box = new QGroupBox(setup_.preview == Preview::Export ? Tr("Sample lines", "示例行") : Tr("Preview", "预览"),
                              this);
    preview_ = new QPlainTextEdit(box);
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setReadOnly(true);
    preview_->setLineWrapMode(QPlainTextEdit::NoWrap);
    preview_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    preview_->setMinimumSize(preview_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 80,
                             preview_->fontMetrics().lineSpacing() * (kPreviewLines + 2));
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->addWidget(preview_);
    outer->addWidget(box, 1);
  }
  outer->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(browse, &QPushButton::clicked, this, &FileOptionsDialog::Browse);
  connect(path_, &QLineEdit::textChanged, this, &FileOptionsDialog::UpdateOk);
  connect(path_, &QLineEdit::textChanged, this, &FileOptionsDialog::UpdatePreview);
  if (layout_) connect(layout_, &QComboBox::currentIndexChanged, this, &FileOptionsDialog::UpdatePreview);
  if (separator_) connect(separator_, &QComboBox::currentIndexChanged, this, &FileOptionsDialog::UpdatePreview);
  UpdateOk();
  UpdatePreview();
}

QString FileOptionsDialog::PreviewText() const { return preview_ ? preview_->toPlainText() : QString(); }

void FileOptionsDialog::UpdatePreview() {
  if (!preview_) return;
  const corvane::SettingsStore store = corvane::SettingsStore::OpenDefault();
  // Only whether the stored order is 0 matters to the upload; the import swaps for 1.
  const int order = corvane::CAtoi(store.ReadSetting(corvane::SettingsSection::OtherSet, "CoorType", "0"));
  QString text;
  switch (setup_.preview) {
    case Preview::Import: text = ImportPreview(Path(), Layout(), order == 1); break;
    case Preview::Upload: text = UploadPreview(Path(), Layout(), order != 0); break;
    case Preview::Codes: text = CodePreview(Path()); break;
    case Preview::Export: text = ExportPreview(Layout(), Separator()); break;
    case Preview::None: break;
  }
  preview_->setPlainText(text);
}

bool FileOptionsDialog::MayReplace() {
  if (!setup_.saving || Path() == confirmedPath_ || !QFileInfo::exists(Path())) return true;
  return QMessageBox::question(this, setup_.title,
                               Tr("%1 is there already.\nReplace it?", "%1 已存在。\n要替换它吗？").arg(Path())) ==
         QMessageBox::Yes;
}

int FileOptionsDialog::Layout() const { return layout_ ? layout_->currentIndex() : 0; }
int FileOptionsDialog::Separator() const { return separator_ ? separator_->currentIndex() : 0; }
QString FileOptionsDialog::Path() const {
  const QString typed = path_->text().trimmed();
  return typed.isEmpty() || QFileInfo(typed).isAbsolute() ? typed : QDir(folder_).absoluteFilePath(typed);
}
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
  const QString chosen = setup_.saving ? QFileDialog::getSaveFileName(this, setup_.title, folder, setup_.filter)
                                      : QFileDialog::getOpenFileName(this, setup_.title, folder, setup_.filter);
  if (chosen.isEmpty()) return;
  // The browse dialog has asked before choosing a file to write that is there.
  if (setup_.saving) confirmedPath_ = chosen;
  SetPath(chosen);
}

void FileOptionsDialog::accept() {
  if (Path().isEmpty() || !MayReplace()) return;
  QSettings memory(MemoryFile(), QSettings::IniFormat);
  memory.setValue(QStringLiteral("lastFolder"), QFileInfo(Path()).absolutePath());
  memory.beginGroup(setup_.memoryKey);
  memory.setValue(QStringLiteral("lastPath"), Path());
  if (layout_) memory.setValue(QStringLiteral("layout"), Layout());
  if (separator_) memory.setValue(QStringLiteral("separator"), Separator());
  QDialog::accept();
}

}  // namespace corvanedlg
