// Numbers of the desktop program, one measurement per run:
//   bench_gui startup              process start to a shown main window
//   bench_gui open LINES core      Open of a LINES-line job by the core alone
//   bench_gui open LINES gui       the same job opened by the data page (model, view, progress)
//   bench_gui undo LINES           a LINES-line job opened, replaced by a download of another
//                                  as long, then Undo and Redo of that replacement: their times
//                                  and the memory the kept job takes
// Each prints wall times, the grid's bytes and the peak resident memory. Run with
// QT_QPA_PLATFORM=offscreen (or under a display).
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QScrollBar>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <QFile>

#include "core/grid/grid_layout.h"
#include "core/grid/grid_loading.h"
#include "core/settings/program_folder.h"
#include "core/settings/settings_store.h"
#include "gui/data_page.h"
#include "gui/main_dlg.h"
#include "gui/qt_services.h"
#include "job_generator.h"
#include "no_dialogs.h"

using namespace corvane;

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// CPU seconds of this process (user and system): steadier than wall time on a busy machine.
double CpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
         static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

long PeakRssKb() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss;
}

// Seconds since this process started (the kernel's start time, 10 ms steps).
double SinceProcessStart() {
  std::ifstream stat("/proc/self/stat");
  std::string field;
  for (int i = 0; i < 22 && stat >> field; ++i) {
  }
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double started = std::atof(field.c_str()) / static_cast<double>(sysconf(_SC_CLK_TCK));
  return now.tv_sec + now.tv_nsec / 1e9 - started;
}

// Resident memory now, in MB.
double RssMb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

struct Program {
  SettingsStore settings = SettingsStore::OpenDefault();
  gui::QtUserPrompts prompts;
  bench::NoDialogs dialogs;
  gui::QtShell shell;
  gui::GuiContext context{settings, prompts, dialogs, shell};
};

int Startup(int argc, char** argv) {
  const auto t0 = Clock::now();
  QApplication app(argc, argv);
  Program p;
  gui::CMainDlg window(p.context);
  window.show();
  while (!window.windowHandle() || !window.windowHandle()->isExposed()) QApplication::processEvents();
  QApplication::processEvents();
  std::printf("startup: %.3f s from process start to a shown main window (%.3f s in main)\n", SinceProcessStart(),
              Seconds(t0, Clock::now()));
  return 0;
}

int Open(int argc, char** argv, long lines, bool gui) {
  const std::string job = "/tmp/corvane-bench-gui-" + std::to_string(getpid()) + ".kvm";
  const size_t bytes = bench::WriteSyntheticJob(job, lines, lines / 1000 + 1);
  if (bytes == 0) return 1;
  QApplication app(argc, argv);
  Program p;
  const long rssBefore = PeakRssKb();
  if (!gui) {
    RecordGrid grid;
    const auto t0 = Clock::now();
    const double c0 = CpuSeconds();
    if (!OpenJobFile(grid, job, ReadColumnCaptions(p.context.Captions(), p.settings)).Done()) return 1;
    const auto t1 = Clock::now();
    std::printf("core open: %ld lines, %.1f MB: %.3f s (%.3f s CPU); grid %.1f MB; peak RSS +%.1f MB\n", lines,
                bytes / 1e6, Seconds(t0, t1), CpuSeconds() - c0, grid.MemoryBytes() / 1e6,
                (PeakRssKb() - rssBefore) / 1024.0);
  } else {
    gui::CMainDlg window(p.context);
    window.resize(1000, 600);
    window.show();
    while (!window.windowHandle()->isExposed()) QApplication::processEvents();
    const long rssShown = PeakRssKb();
    const auto t0 = Clock::now();
    const double cpu0 = CpuSeconds();
    window.DataPage()->OpenPath(QString::fromStdString(job));
    QApplication::processEvents();
    const auto t1 = Clock::now();
    const double cpu1 = CpuSeconds();
    const RecordGrid& grid = window.DataPage()->Grid();
    std::printf("gui open: %ld lines: %.3f s (dialog to repainted grid), %.3f s CPU; grid %.1f MB, model %zu bytes; "
                "peak RSS +%.1f MB\n",
                lines, Seconds(t0, t1), cpu1 - cpu0, grid.MemoryBytes() / 1e6,
                window.DataPage()->Model().OwnMemoryBytes(), (PeakRssKb() - rssShown) / 1024.0);
    // What fitting the columns to the job costs within that Open.
    const auto f0 = Clock::now();
    window.DataPage()->View()->ApplyColumnWidths(window.DataPage()->logicalDpiX());
    std::printf("column widths fitted to the shown job: %.2f ms\n", Seconds(f0, Clock::now()) * 1000);
    const auto r0 = Clock::now();
    window.DataPage()->Model().Replace([](RecordGrid&) {});
    QApplication::processEvents();
    std::printf("model reset with the job shown: %.3f s\n", Seconds(r0, Clock::now()));
    // Scrolling: 200 jumps across the whole job, each repainted at once.
    QScrollBar* bar = window.DataPage()->View()->verticalScrollBar();
    const auto s0 = Clock::now();
    for (int i = 0; i < 200; ++i) {
      bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * ((i * 37) % 200) / 200));
      window.DataPage()->View()->viewport()->repaint();
    }
    std::printf("scroll: %.2f ms per jump and repaint\n", Seconds(s0, Clock::now()) * 1000 / 200);
  }
  unlink(job.c_str());
  return 0;
}

int Undo(int argc, char** argv, long lines) {
  const std::string job = "/tmp/corvane-bench-undo-" + std::to_string(getpid()) + ".kvm";
  if (bench::WriteSyntheticJob(job, lines, lines / 1000 + 1) == 0) return 1;
  QApplication app(argc, argv);
  Program p;
  gui::CMainDlg window(p.context);
  window.resize(1000, 600);
  window.show();
  while (!window.windowHandle()->isExposed()) QApplication::processEvents();
  gui::CDataPage& page = *window.DataPage();
  const double rss0 = RssMb();
  page.OpenPath(QString::fromStdString(job));
  QApplication::processEvents();
  const double jobMb = static_cast<double>(page.Grid().MemoryBytes()) / 1e6;
  const double rss1 = RssMb();
  {
    // Another job as long, arriving as a download (the file's bytes, CR LF lines).
    QFile f(QString::fromStdString(job));
    if (!f.open(QIODevice::ReadOnly)) return 1;
    QByteArray text = f.readAll();
    text.replace("U,ST,", "U,ST,X");
    page.OnDownloadComplete(text);
  }
  QApplication::processEvents();
  const double rss2 = RssMb();
  const auto time = [&](int command) {
    const auto t0 = Clock::now();
    page.JobAction(command)->trigger();
    QApplication::processEvents();
    return Seconds(t0, Clock::now());
  };
  const double undo = time(gui::kCmdUndo);
  const bool back = page.Grid().Cell(5, 3).find('X') == std::string_view::npos;
  const double redo = time(gui::kCmdRedo);
  std::printf("undo: %ld lines, job %.1f MB in the grid\n"
              "  memory: %.1f MB before, %.1f MB with the job (+%.1f), %.1f MB with the replaced job kept "
              "(+%.1f = %.2f x the job)\n"
              "  undo of the replacement %.3f s (old job back: %s), redo %.3f s; peak RSS %.1f MB\n",
              lines, jobMb, rss0, rss1, rss1 - rss0, rss2, rss2 - rss0, (rss2 - rss0) / (rss1 - rss0), undo,
              back ? "yes" : "NO", redo, PeakRssKb() / 1024.0);
  unlink(job.c_str());
  return back ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "startup";
  if (mode == "startup") return Startup(argc, argv);
  if (mode == "open" && argc > 3) return Open(argc, argv, std::atol(argv[2]), std::string(argv[3]) == "gui");
  if (mode == "undo" && argc > 2) return Undo(argc, argv, std::atol(argv[2]));
  std::fprintf(stderr, "usage: bench_gui startup | open LINES core|gui | undo LINES\n");
  return 2;
}
