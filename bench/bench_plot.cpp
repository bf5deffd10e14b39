// Numbers of the plan view, one measurement per run:
//   bench_plot cli POINTS [png|svg|pdf]
//                             corvane480-cli plot of a POINTS-line job, whole process:
//                             wall and CPU time, peak memory, the file's size
//   bench_plot phases POINTS [png|svg|pdf]
//                             the steps of that command in one process: open,
//                             scene, sheet, drawing (wall milliseconds each, and CPU)
//   bench_plot page POINTS    the desktop's plan page: scene build, fit repaint,
//                             pan and zoom frames, the page's bytes per point
// Run with QT_QPA_PLATFORM=offscreen (or under a display). Paint times are given
// as wall time and as the thread's CPU time (what a busy machine does not add).
// BENCH_PLOT_STEPS=1 prints every frame; BENCH_PLOT_NO_LABELS=1 zooms without names;
// BENCH_PLOT_JOB=FILE plots that job instead of a generated one (writes it first when
// it does not exist, and keeps it).
// BENCH_PLOT_SPREAD=1 scatters the points evenly over 2 km instead (most get a label).
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/grid/grid_loading.h"
#include "core/settings/program_folder.h"
#include "core/settings/settings_store.h"
#include "gui/data_page.h"
#include "gui/main_dlg.h"
#include "gui/plan_canvas.h"
#include "gui/plan_page.h"
#include "gui/qt_services.h"
#include "plot/plan_export.h"
#include "plot/plan_sheet.h"
#include "plot/plan_title.h"
#include "job_generator.h"
#include "no_dialogs.h"

using namespace corvane;

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}
// CPU milliseconds of this thread: what a paint costs without the other
// programs of a busy machine.
double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

std::string MakeJob(long points) {
  const char* given = std::getenv("BENCH_PLOT_JOB");
  struct stat st {};
  if (given && stat(given, &st) == 0) return given;
  const std::string job = given ? given : "/tmp/corvane-bench-plot-" + std::to_string(getpid()) + ".kvm";
  if (std::getenv("BENCH_PLOT_SPREAD")) {
    std::FILE* f = std::fopen(job.c_str(), "wb");
    if (!f) std::exit(1);
    unsigned long long seed = 18;
    const auto next = [&seed] {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      return static_cast<double>(seed >> 11) / 9007199254740992.0;
    };
    for (long i = 0; i < points; ++i)
      std::fprintf(f, "U,MP,P%ld,0,0,0,%.3f,%.3f,%.3f,0,0,CODE%ld\r\n", i, 1000 + next() * 2000, 5000 + next() * 2000,
                   100 + next() * 10, i % 17);
    std::fclose(f);
    return job;
  }
  // Set-ups of about 1000 points, as a long day in the field gives.
  if (bench::WriteSyntheticJob(job, points + 4, points / 1000 + 1) == 0) std::exit(1);
  return job;
}

int Cli(long points, const std::string& format) {
  const std::string job = MakeJob(points), out = job + "." + format;
  const std::string cli = ProgramFilePath("corvane480-cli");
  const auto t0 = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execl(cli.c_str(), cli.c_str(), "plot", job.c_str(), "-o", out.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double ms = Ms(t0, Clock::now());
  const double cpu =
      (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  struct stat st {};
  stat(out.c_str(), &st);
  std::printf("cli plot: %ld points to %s: %.0f ms whole process, %.0f ms CPU, peak %.0f MB, file %.1f MB (exit %d)\n",
              points, format.c_str(), ms, cpu, static_cast<double>(usage.ru_maxrss) / 1024,
              static_cast<double>(st.st_size) / 1e6, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  if (!std::getenv("BENCH_PLOT_JOB")) unlink(job.c_str());
  unlink(out.c_str());
  return 0;
}

// CPU milliseconds of the whole process (every thread).
double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

int Phases(int argc, char** argv, long points, const std::string& format) {
  const std::string job = MakeJob(points), out = job + "." + format;
  const auto t0 = Clock::now();
  const double c0 = ProcessCpuMs();
  RecordGrid grid;
  const CommandResult opened = OpenJobFile(grid, job, ColumnCaptions{});
  const auto t1 = Clock::now();
  const double c1 = ProcessCpuMs();
  plot::PlanScene scene(grid);
  const auto t2 = Clock::now();
  const double c2 = ProcessCpuMs();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const auto t3 = Clock::now();
  const QString path = QString::fromStdString(out);
  const auto kind = plot::PlanFormatOfPath(path).value_or(plot::PlanFormat::Png);
  const plot::TitleBlock title = plot::StandardTitle(scene, QStringLiteral("job"));
  const plot::PlanSheet sheet = plot::ExportSheet(scene, plot::PlanView{}, plot::ExportArea{}, kind, title);
  const auto t4 = Clock::now();
  const CommandResult written = plot::WritePlan(scene, sheet, plot::PlanOptions{}, title, path, kind);
  const auto t5 = Clock::now();
  const double c5 = ProcessCpuMs();
  std::printf("phases of %ld points to %s: open %.0f ms (%d rows), scene %.0f ms (%zu points), application %.0f ms,"
              " sheet %.0f ms, drawing %.0f ms%s; CPU: open %.0f ms, scene %.0f ms, the rest %.0f ms;"
              " grid %.0f MB, scene %.0f MB\n",
              points, format.c_str(), Ms(t0, t1), grid.RowCount(), Ms(t1, t2), scene.Points().size(), Ms(t2, t3),
              Ms(t3, t4), Ms(t4, t5), opened.Done() && written.Done() ? "" : " (FAILED)", c1 - c0, c2 - c1, c5 - c2,
              static_cast<double>(grid.MemoryBytes()) / 1e6, static_cast<double>(scene.MemoryBytes()) / 1e6);
  if (!std::getenv("BENCH_PLOT_JOB")) unlink(job.c_str());
  unlink(out.c_str());
  return 0;
}

int Page(int argc, char** argv, long points) {
  const std::string job = MakeJob(points);
  QApplication app(argc, argv);
  SettingsStore settings = SettingsStore::OpenDefault();
  gui::QtUserPrompts prompts;
  bench::NoDialogs dialogs;
  gui::QtShell shell;
  gui::GuiContext context(settings, prompts, dialogs, shell);
  gui::CMainDlg window(context);
  window.resize(1200, 800);
  window.DataPage()->OpenPath(QString::fromStdString(job));
  window.Tabs()->setCurrentIndex(2);
  window.show();
  while (!window.windowHandle()->isExposed()) QApplication::processEvents();
  gui::CPlanPage& page = *window.PlanPage();
  gui::PlanCanvas& canvas = *page.Canvas();
  // The scene again from the grid, as after any change of it.
  window.DataPage()->Model().Replace([](RecordGrid&) {});
  const auto b0 = Clock::now();
  const size_t count = page.Scene().Points().size();
  std::printf("plan page: %zu points in a %dx%d canvas\n", count, canvas.width(), canvas.height());
  std::printf("scene build from the grid: %.1f ms\n", Ms(b0, Clock::now()));
  double fit = 0, fitCpu = 0;
  for (int i = 0; i < 5; ++i) {
    canvas.Fit();
    const double c0 = CpuMs();
    canvas.repaint();
    fitCpu = std::max(fitCpu, CpuMs() - c0);
    fit = std::max(fit, canvas.LastPaintMs());
  }
  std::printf("fit-to-view repaint: %.1f ms wall, %.1f ms CPU (worst of 5), %zu labels, %zu left out\n", fit, fitCpu,
              canvas.LastLabelCount(), canvas.LastLabelsLeftOut());
  const auto frames = [&](const char* what, auto&& step) {
    double worst = 0, sum = 0, worstCpu = 0;
    for (int i = 0; i < 40; ++i) {
      step(i);
      const double c0 = CpuMs();
      canvas.repaint();
      worstCpu = std::max(worstCpu, CpuMs() - c0);
      if (std::getenv("BENCH_PLOT_STEPS"))
        std::printf("  step %d: %.1f ms CPU, scale %.3g\n", i, CpuMs() - c0, canvas.View().scale);
      worst = std::max(worst, canvas.LastPaintMs());
      sum += canvas.LastPaintMs();
    }
    std::printf("%s frames: %.1f ms average, %.1f ms worst wall, %.1f ms worst CPU\n", what, sum / 40, worst, worstCpu);
  };
  const QPointF centre(canvas.width() / 2.0, canvas.height() / 2.0);
  if (std::getenv("BENCH_PLOT_NO_LABELS")) canvas.Options().labels = {false, false, false};
  canvas.Fit();
  frames("zoom (in 40 wheel steps)", [&](int) { canvas.ZoomBy(1.15, centre + QPointF(37, -21)); });
  frames("pan (zoomed in)", [&](int i) {
    plot::PlanView v = canvas.View();
    plot::PanBy(v, QPointF(i % 2 ? 25 : -20, 15));
    canvas.SetView(v);
  });
  canvas.Fit();
  frames("pan (whole job)", [&](int i) {
    plot::PlanView v = canvas.View();
    plot::PanBy(v, QPointF(i % 2 ? 25 : -20, 15));
    canvas.SetView(v);
  });
  canvas.Options().labels = {true, true, true};
  canvas.Fit();
  canvas.repaint();
  std::printf("fit repaint with name, code and height: %.1f ms\n", canvas.LastPaintMs());
  std::printf("page memory: %zu bytes, %.1f bytes per point\n", page.OwnMemoryBytes(),
              static_cast<double>(page.OwnMemoryBytes()) / static_cast<double>(std::max<size_t>(1, count)));
  if (!std::getenv("BENCH_PLOT_JOB")) unlink(job.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const long points = argc > 2 ? std::atol(argv[2]) : 100000;
  if (mode == "cli") return Cli(points, argc > 3 ? argv[3] : "png");
  if (mode == "page") return Page(argc, argv, points);
  if (mode == "phases") return Phases(argc, argv, points, argc > 3 ? argv[3] : "png");
  std::fprintf(stderr, "usage: bench_plot cli|phases POINTS [png|svg|pdf] | page POINTS\n");
  return 2;
}
