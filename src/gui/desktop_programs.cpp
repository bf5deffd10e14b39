#include "gui/desktop_programs.h"

#include <QDir>
#include <QFileInfo>

namespace corvane::gui {

const QStringList& TextEditorNames() {
  static const QStringList kNames = {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad",
                                     "xed", "pluma", "leafpad", "featherpad", "xedit"};
  return kNames;
}

const QStringList& CalculatorNames() {
  static const QStringList kNames = {"gnome-calculator", "kcalc", "galculator", "mate-calc",
                                     "qalculate-gtk", "qalculate-qt", "speedcrunch", "xcalc"};
  return kNames;
}

QString FindFirstProgram(const QStringList& names, const QString& searchPath) {
  const QStringList folders = searchPath.split(QLatin1Char(':'), Qt::SkipEmptyParts);
  for (const QString& name : names)
    for (const QString& folder : folders) {
      const QFileInfo file(QDir(folder).filePath(name));
      if (file.isFile() && file.isExecutable()) return file.absoluteFilePath();
    }
  return {};
}

}  // namespace corvane::gui
