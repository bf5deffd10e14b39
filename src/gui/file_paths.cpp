#include "gui/file_paths.h"

#include <QFile>
#include <QStringList>

namespace corvane::gui {

QString QtFileFilter(const char* pairs) {
  const QStringList parts = QString::fromLatin1(pairs).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& label = parts[i];
    // "*.*" means every file; names without a dot included.
    const QString pattern = parts[i + 1] == QLatin1String("*.*") ? QStringLiteral("*") : parts[i + 1];
    if (label.isEmpty()) continue;
    filters << (label == pattern ? pattern : label + QStringLiteral(" (") + pattern + QLatin1Char(')'));
  }
  return filters.join(QStringLiteral(";;"));
}

std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString QtPath(std::string_view path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

}  // namespace corvane::gui
