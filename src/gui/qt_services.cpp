#include "gui/qt_services.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>

namespace corvane::gui {

void QtUserPrompts::Remember(const QString& path) {
  if (!path.isEmpty()) lastFolder_ = QFileInfo(path).absolutePath();
}

QString QtUserPrompts::OpenFileName(QWidget* parent, const QString& filter) {
  const QString path = QFileDialog::getOpenFileName(parent, QString(), lastFolder_, filter);
  Remember(path);
  return path;
}

QString QtUserPrompts::SaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix) {
  QFileDialog dialog(parent, QString(), lastFolder_, filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(defaultSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  const QString path = dialog.selectedFiles().constFirst();
  Remember(path);
  return path;
}

void QtUserPrompts::Message(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon,
                            const QString& detail) {
  QMessageBox box(parent);
  box.setWindowTitle(caption);
  box.setText(text);
  if (!detail.isEmpty()) box.setInformativeText(detail);
  box.setIcon(icon == MessageIcon::Exclamation   ? QMessageBox::Warning
              : icon == MessageIcon::Information ? QMessageBox::Information
                                                 : QMessageBox::NoIcon);
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

SaveChoice QtUserPrompts::AskToSave(QWidget* parent, const QString& text, const QString& caption) {
  QMessageBox box(parent);
  box.setObjectName(QStringLiteral("askToSave"));
  box.setWindowTitle(caption);
  box.setText(text);
  box.setIcon(QMessageBox::Warning);
  box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save: return SaveChoice::Save;
    case QMessageBox::Discard: return SaveChoice::Discard;
    default: return SaveChoice::Cancel;
  }
}

bool QtUserPrompts::Confirm(QWidget* parent, const QString& text, const QString& caption) {
  return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
         QMessageBox::Yes;
}

bool QtShell::OpenUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

bool QtShell::StartProgram(const QString& program) { return QProcess::startDetached(program, {}); }

}  // namespace corvane::gui
