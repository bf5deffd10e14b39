#include "installation_check.h"

#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QTabWidget>
#include <QWindow>
#include <cstdio>
#include <fstream>
#include <string>

#include "core/settings/program_folder.h"
#include "gui/gui_context.h"
#include "gui/main_dlg.h"

namespace corvane::app {
namespace {

QString Local(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

void Line(const char* what, const QString& value) {
  std::printf("%-16s %s\n", what, value.toUtf8().constData());
}

QString Found(const std::string& path) {
  return Local(path) + (QFile::exists(Local(path)) ? QString() : QStringLiteral("  (missing)"));
}

}  // namespace

double SecondsSinceProcessStart() {
  // Field 22 of /proc/self/stat: the start time in clock ticks since boot.
  std::ifstream stat("/proc/self/stat");
  std::string field;
  for (int i = 0; i < 22 && stat >> field; ++i) {
  }
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double started = std::atof(field.c_str()) / static_cast<double>(sysconf(_SC_CLK_TCK));
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 - started;
}

int CheckInstallation(gui::CMainDlg& window, gui::GuiContext& context, const QString& demoDevice) {
  while (!window.windowHandle() || !window.windowHandle()->isExposed()) QApplication::processEvents();
  QApplication::processEvents();
  const double shown = SecondsSinceProcessStart();
  const std::string captions = CaptionFilePath(context.LanguageIndex());
  const std::string manual = ProgramFilePath("manual/index.html");
  Line("program folder", Local(ProgramFolder()));
  Line("caption file", Found(captions));
  Line("window title", window.windowTitle());
  QStringList tabs;
  for (int i = 0; i < window.Tabs()->count(); ++i) tabs << window.Tabs()->tabText(i);
  Line("tabs", tabs.join(QStringLiteral(" | ")));
  Line("manual", Found(manual));
  if (!demoDevice.isEmpty()) {
    const std::string device = context.Settings().DevicePath(1);
    Line("demo COM1", Found(device));
    Line("demo settings", Local(context.Settings().UserFile()));
  }
  std::printf("%-16s %.3f s from process start\n", "window shown", shown);
  std::fflush(stdout);
  const bool complete = QFile::exists(Local(captions)) && QFile::exists(Local(manual)) &&
                        (demoDevice.isEmpty() || QFile::exists(Local(context.Settings().DevicePath(1))));
  return complete ? 0 : 1;
}

}  // namespace corvane::app
