#pragma once
// What the option dialogs show below their choices: the first lines of the
// chosen file as the command will read them with the chosen layout, or sample
// lines of an export. Each updates as the file, layout or separator changes.
#include <QString>

#include "corvanedlg/corvane_dll.h"

namespace corvanedlg {

// Lines shown at most.
inline constexpr int kPreviewLines = 6;

// The points the coordinate import takes from the first lines: name, N, E,
// height and code. enz: the stored coordinate order is ENZ.
CORVANEDLG_API QString ImportPreview(const QString& path, int layout, bool enz);
// The records the coordinate upload sends for the first lines (a line it drops
// says why).
CORVANEDLG_API QString UploadPreview(const QString& path, int layout, bool enz);
// The first codes of a code list, one per line as they are sent.
CORVANEDLG_API QString CodePreview(const QString& path);
// Two sample points (a station and a measured point) written in the layout with
// the separator (0 comma, 1 blank, 2 tab); the first lines of a DXF file.
CORVANEDLG_API QString ExportPreview(int layout, int separator);

}  // namespace corvanedlg
