#pragma once
// The desktop's own text editor and calculator, for the Tools menu.
#include <QString>
#include <QStringList>

namespace corvane::gui {

const QStringList& TextEditorNames();
const QStringList& CalculatorNames();

// The first of the names found as an executable file in one of the folders of
// `searchPath` (a PATH-style list); empty when none is there.
QString FindFirstProgram(const QStringList& names, const QString& searchPath);

}  // namespace corvane::gui
