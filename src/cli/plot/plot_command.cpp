// corvane480-cli plot: the job as a drawing (PNG, SVG or PDF) through the same
// drawing code as the desktop's plan page, without a window.
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "cli_common.h"
#include "core/compute/station_import.h"
#include "core/compute/station_table.h"
#include "core/settings/captions.h"
#include "core/settings/settings_store.h"
#include "exchange/crs.h"
#include "exchange/upload_conversion.h"
#include "plot/plan_export.h"

namespace corvane::cli {
namespace {

QSizeF SizeFromArg(const std::optional<std::string>& text) {
  if (!text) return {};
  int w = 0, h = 0;
  char x = 0;
  std::istringstream in(*text);
  if (!(in >> w >> x >> h) || (x != 'x' && x != 'X') || !in.eof() || w < 1 || h < 1)
    throw UsageError("--size takes WxH in pixels, e.g. 1600x1200");
  return QSizeF(w, h);
}

double RatioFromArg(const std::optional<std::string>& text) {
  if (!text || *text == "fit") return 0;
  const std::string digits = text->rfind("1:", 0) == 0 ? text->substr(2) : *text;
  char* end = nullptr;
  const double n = std::strtod(digits.c_str(), &end);
  if (digits.empty() || *end != '\0' || !std::isfinite(n) || n < 1 || n > 1e9)
    throw UsageError("--scale takes 1:N (e.g. 1:500) or fit");
  return n;
}

plot::Paper PaperFromArg(const std::optional<std::string>& text) {
  if (!text) return plot::Paper::Automatic;
  if (*text == "A4" || *text == "a4") return plot::Paper::A4;
  if (*text == "A3" || *text == "a3") return plot::Paper::A3;
  throw UsageError("--paper takes A4 or A3");
}

plot::LabelParts LabelsFromArg(const std::optional<std::string>& text) {
  plot::LabelParts parts;
  if (!text) return parts;
  parts.name = false;
  std::istringstream in(*text);
  for (std::string word; std::getline(in, word, ',');) {
    if (word == "name")
      parts.name = true;
    else if (word == "code")
      parts.code = true;
    else if (word == "height")
      parts.height = true;
    else if (word != "none" && !word.empty())
      throw UsageError("--labels takes name, code, height or none");
  }
  return parts;
}

int RunPlot(const CliArgs& args, CliEnv& env) {
  const std::string& job = args.Positional(0, "JOB");
  args.Option("--as");
  const auto out = args.Option("-o");
  if (!out || out->empty()) throw UsageError("-o FILE.svg|FILE.png|FILE.pdf is needed");
  const QString path = QFile::decodeName(QByteArray::fromStdString(*out));
  const auto format = plot::PlanFormatOfPath(path);
  if (!format) throw UsageError("-o names a .svg, .png or .pdf file");
  const auto stations = args.Option("--stations");
  const auto stationFormat = args.IntOption("--format");
  if (stationFormat && !stations) throw UsageError("--format goes with --stations FILE");
  plot::ExportArea area;
  area.size = SizeFromArg(args.Option("--size"));
  area.ratio = RatioFromArg(args.Option("--scale"));
  area.paper = PaperFromArg(args.Option("--paper"));
  if (*format == plot::PlanFormat::Pdf && !area.size.isEmpty())
    throw UsageError("--size is for PNG and SVG; a PDF is an A4 or A3 sheet (--paper)");
  if (*format != plot::PlanFormat::Pdf && area.paper != plot::Paper::Automatic)
    throw UsageError("--paper is for PDF; PNG and SVG take --size");
  plot::PlanOptions options;
  options.labels = LabelsFromArg(args.Option("--labels"));
  // The title block names the CRS of --crs, else the job's "Crs" setting.
  const auto crsText = args.Option("--crs");
  exchange::Crs crs;
  std::string crsError;
  if (crsText && !exchange::Crs::Resolve(*crsText, crs, crsError)) throw UsageError(crsError);
  const auto exaggeration = args.IntOption("--exaggerate");
  if (exaggeration && (*exaggeration < 1 || *exaggeration > 100000))
    throw UsageError("--exaggerate takes a whole number from 1 to 100000");
  args.ExpectNoMore(1);

  RecordGrid grid;
  if (!LoadJob(grid, job, args, env)) return kExitFailed;
  // A setting PROJ does not know leaves the line out; the drawing is still made.
  if (!crsText && !exchange::JobCrs(env.settings, crs, crsError)) std::fprintf(stderr, "%s\n", crsError.c_str());
  plot::PlanScene scene(grid);
  if (stations) {
    StationTable table;
    if (const CommandResult scan = ScanStations(grid, table); !scan.Done())
      return Fail(scan.detail.empty() ? scan.message : scan.message + "\n" + scan.detail);
    StationImportModel dialog(table);
    if (const CommandResult r = dialog.Inport(stationFormat.value_or(0), *stations); !r.Done())
      return Fail(r.detail.empty() ? r.message : r.message + "\n" + r.detail);
    dialog.Ok(table);
    scene.SetRecompute(table);
    options.shiftExaggeration = exaggeration.value_or(1);
  }

  // Fonts and painting need a GUI application object, but never a display; the
  // platform's notes (a missing runtime folder) are no business of the user.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
  });
  static int argc = 1;
  static char name[] = "corvane480-cli";
  static char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  // The title block in the caption language of the settings.
  plot::TitleBlock title =
      plot::StandardTitle(scene, QFileInfo(QFile::decodeName(job.c_str())).fileName(),
                          plot::TitleTexts::FromCaptions(CaptionReader::ForLanguage(ReadLanguageIndex(env.settings))));
  if (!crs.IsLocal()) title.extra.push_back({title.texts.crs, QString::fromStdString(crs.CodeAndName())});
  const plot::PlanSheet sheet = plot::ExportSheet(scene, plot::PlanView{}, area, *format, title);
  const CommandResult r = plot::WritePlan(scene, sheet, options, title, path, *format);
  if (r.status == CommandStatus::Failed) return Fail(r.message + "\n" + r.detail);
  return kExitOk;
}

const bool registered = RegisterCommand(
    {"plot",
     "plot JOB -o FILE.svg|FILE.png|FILE.pdf [--as download] [--stations FILE [--format N] [--exaggerate K]]"
     " [--size WxH | --paper A4|A3] [--scale 1:N|fit] [--labels name,code,height|none] [--crs DEF]",
     "the job as a drawing: symbols, labels that never overlap, sight lines, traverse, grid, title block;"
     " a PDF is an A4 or A3 sheet at a standard scale when fitted; the title block names the CRS",
     {},
     RunPlot});

}  // namespace
}  // namespace corvane::cli
