// corvane480: the desktop program. The registration switches are handled before
// any window exists; otherwise the main window runs until it is closed.
#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <cstdio>

#include "core/settings/program_folder.h"
#include "core/settings/settings_store.h"
#include "demo_mode.h"
#include "gui/data_page.h"
#include "gui/main_dlg.h"
#include "gui/qt_services.h"
#include "gui/transfer_link.h"
#include "installation_check.h"
#include "option_dialogs.h"
#include "registration.h"

namespace {

QStringList Arguments(int argc, char** argv) {
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  return args;
}

// A job file named on the command line (as the desktop passes an opened .kvm).
QString JobFileArgument(const QStringList& args) {
  for (qsizetype i = 1; i < args.size(); ++i)
    if (QFileInfo(args[i]).isFile()) return QFileInfo(args[i]).absoluteFilePath();
  return {};
}

bool HasOption(const QStringList& args, const char* option) {
  for (qsizetype i = 1; i < args.size(); ++i)
    if (args[i] == QLatin1String(option)) return true;
  return false;
}

void PrintUsage() {
  std::printf(
      "Usage: corvane480 [JOB.kvm]\n"
      "       corvane480 --demo\n"
      "       corvane480 -RegServer | -UnregServer\n"
      "       corvane480 --version | --help | --check-installation\n\n"
      "Moves survey jobs between the PC and KVM480/PLN480 total stations.\n"
      "  JOB.kvm               open this job at start\n"
      "  --demo                try it with the simulated instrument: it serves a sample\n"
      "                        job on COM1 and USB; your own settings stay untouched\n"
      "  -RegServer            add the program to your application menu and .kvm files\n"
      "  -UnregServer          remove them again\n"
      "  --check-installation  show the window, report the files found, then quit\n"
      "  --version             print the version\n");
}

}  // namespace

int main(int argc, char** argv) {
  using corvane::app::StartSwitch;
  const QStringList args = Arguments(argc, argv);
  const StartSwitch start = corvane::app::ParseStartSwitches(args);
  if (start == StartSwitch::Register) {
    const QString exe = QFileInfo(args.value(0)).absoluteFilePath();
    const QString icon = QString::fromStdString(corvane::ProgramFilePath("this.ico"));
    return corvane::app::RegisterDesktopEntry(corvane::app::UserDataFolder(), exe, icon) ? 0 : 1;
  }
  if (start == StartSwitch::Unregister) return corvane::app::UnregisterDesktopEntry(corvane::app::UserDataFolder()) ? 0 : 1;
  if (start == StartSwitch::Embedded) return 0;
  if (HasOption(args, "--version")) {
    std::printf("corvane480 %s\n", CORVANE_VERSION);
    return 0;
  }
  if (HasOption(args, "--help")) {
    PrintUsage();
    return 0;
  }
  const bool check = HasOption(args, "--check-installation");

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvane480"));
  QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
  // The desktop matches the window to its menu entry and icon by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("corvane480"));
  // Until the user picks a language, the captions follow the desktop's.
  const int desktopLanguage = corvane::gui::LanguageForDesktop(QLocale::system().uiLanguages());
  corvane::SetUnchosenLanguage(desktopLanguage);
  corvane::app::DemoSession demo;
  const bool demoMode = HasOption(args, "--demo");
  if (demoMode) {
    QString error;
    if (!demo.Start(desktopLanguage, &error)) {
      std::fprintf(stderr, "corvane480 --demo: %s\n", error.toLocal8Bit().constData());
      return 1;
    }
    std::printf("Demo: a simulated instrument answers on COM1 (%s) and on USB; the sample files are in %s\n",
                demo.Device().toLocal8Bit().constData(), demo.FilesFolder().toLocal8Bit().constData());
    std::fflush(stdout);
  }
  corvane::SettingsStore settings = corvane::SettingsStore::OpenDefault();
  corvane::gui::QtUserPrompts prompts;
  corvane::app::LibraryOptionDialogs dialogs(prompts);
  corvane::gui::QtShell shell;
  // The transfer state, its port and worker live as long as the program.
  corvane::gui::TransferLink link;
  corvane::gui::GuiContext context(settings, prompts, dialogs, shell);
  context.UseLink(link);
  corvane::gui::CMainDlg window(context);
  window.show();
  if (check) return corvane::app::CheckInstallation(window, context, demoMode ? demo.Device() : QString());
  if (const QString job = JobFileArgument(args); !job.isEmpty()) window.DataPage()->OpenPath(job);
  return QApplication::exec();
}
