#include "gui/desktop_state.h"

#include <QFileInfo>
#include <QSettings>

namespace corvane::gui {

QStringList DesktopState::RecentJobs() const {
  QSettings file(file_, QSettings::IniFormat);
  QStringList jobs = file.value(QStringLiteral("RecentJobs")).toStringList();
  jobs.removeAll(QString());
  return jobs.mid(0, kRecentJobs);
}

void DesktopState::AddRecentJob(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList jobs = RecentJobs();
  jobs.removeAll(absolute);
  jobs.prepend(absolute);
  QSettings file(file_, QSettings::IniFormat);
  file.setValue(QStringLiteral("RecentJobs"), jobs.mid(0, kRecentJobs));
}

QByteArray DesktopState::Value(const QString& key) const {
  return QSettings(file_, QSettings::IniFormat).value(key).toByteArray();
}

void DesktopState::SetValue(const QString& key, const QByteArray& value) {
  QSettings(file_, QSettings::IniFormat).setValue(key, value);
}

}  // namespace corvane::gui
