#pragma once
// corvane480 --check-installation: opens the main window without waiting for the
// user and reports what an installation must provide (program folder, caption
// file, manual) and how long the window took to show.
#include <QString>

namespace corvane::gui {
class CMainDlg;
class GuiContext;
}  // namespace corvane::gui

namespace corvane::app {

// Seconds since the kernel started this process (10 ms steps).
double SecondsSinceProcessStart();

// Waits until `window` is shown, prints the report on stdout (with the demo's line
// when `demoDevice` is given); 0 when the caption file and the manual were found,
// 1 otherwise.
int CheckInstallation(gui::CMainDlg& window, gui::GuiContext& context, const QString& demoDevice = {});

}  // namespace corvane::app
