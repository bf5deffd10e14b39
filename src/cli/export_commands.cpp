// Commands that turn a loaded job into output files as the grid's context menu
// does: coordinate lists and DXF, distance and angle lists, the instrument record
// file, and the station recompute with its report. They open nothing.
#include <filesystem>
#include <string>

#include "cli_common.h"
#include "core/compute/distance_exports.h"
#include "core/compute/export_answer.h"
#include "core/compute/instrument_file.h"
#include "core/compute/measured_coordinates.h"
#include "core/compute/station_import.h"
#include "core/compute/station_recompute.h"
#include "core/compute/station_table.h"
#include "core/file_texts.h"
#include "core/text/text_file.h"

namespace corvane::cli {
namespace {

int Finish(const CommandResult& result) {
  if (result.status != CommandStatus::Failed) return kExitOk;
  return Fail(result.detail.empty() ? result.message : result.message + "\n" + result.detail);
}

const std::string& RequiredOption(const std::optional<std::string>& value, const char* what) {
  if (!value || value->empty()) throw UsageError(std::string(what) + " is needed");
  return *value;
}

// The export dialog's answer: --answer TEXT as it stands, or built from
// --layout, --sep and -o. Empty when the dialog was cancelled.
std::optional<ExportAnswer> ExportAnswerFromArgs(const CliArgs& args) {
  const auto answer = args.Option("--answer");
  const auto layout = args.IntOption("--layout");
  const auto sep = args.IntOption("--sep");
  const auto out = args.Option("-o");
  if (answer) {
    if (layout || sep || out) throw UsageError("--answer does not go with --layout, --sep or -o");
    if (answer->empty()) return std::nullopt;
    return ParseExportAnswer(*answer);
  }
  if (!layout) throw UsageError("--layout L is needed (or --answer TEXT)");
  if (*layout < 0 || *layout > 7) throw UsageError("--layout takes 0 to 7 (6 is DXF)");
  ExportAnswer parsed;
  parsed.layout = *layout;
  parsed.separator = SeparatorForCode(sep.value_or(0));
  parsed.path = RequiredOption(out, "-o OUT");
  return parsed;
}

// The confirmation dialog's answer: --layout A|B, or --answer N as it stands.
int DistanceAnswerFromArgs(const CliArgs& args) {
  const auto layout = args.Option("--layout");
  const auto answer = args.IntOption("--answer");
  if (layout && answer) throw UsageError("--layout and --answer do not go together");
  if (answer) return *answer;
  if (!layout) throw UsageError("--layout A|B is needed (or --answer N)");
  if (*layout == "A" || *layout == "a") return 0;
  if (*layout == "B" || *layout == "b") return 1;
  throw UsageError("--layout takes A or B");
}

int RunExportCoords(const CliArgs& args, CliEnv& env) {
  const std::string& job = args.Positional(0, "JOB");
  args.Option("--as");
  const std::optional<ExportAnswer> answer = ExportAnswerFromArgs(args);
  args.ExpectNoMore(1);
  RecordGrid grid;
  if (!LoadJob(grid, job, args, env)) return kExitFailed;
  if (!answer) return kExitOk;
  return Finish(ExportMeasuredCoordinates(grid, *answer));
}

template <CommandResult (*Export)(const RecordGrid&, int, const std::string&)>
int RunDistanceExport(const CliArgs& args, CliEnv& env) {
  const std::string& job = args.Positional(0, "JOB");
  args.Option("--as");
  const int answer = DistanceAnswerFromArgs(args);
  const std::string out = RequiredOption(args.Option("-o"), "-o OUT");
  args.ExpectNoMore(1);
  RecordGrid grid;
  if (!LoadJob(grid, job, args, env)) return kExitFailed;
  return Finish(Export(grid, answer, out));
}

int RunExportAngles(const CliArgs& args, CliEnv& env) {
  const std::string& job = args.Positional(0, "JOB");
  args.Option("--as");
  const std::string out = RequiredOption(args.Option("-o"), "-o OUT");
  args.ExpectNoMore(1);
  RecordGrid grid;
  if (!LoadJob(grid, job, args, env)) return kExitFailed;
  return Finish(ExportAngles(grid, out));
}

int RunExportInstrument(const CliArgs& args, CliEnv& env) {
  const std::string& job = args.Positional(0, "JOB");
  args.Option("--as");
  // The index goes beside the folder of the record file: work it out from the
  // full path, as the save dialog gives it.
  const std::string out =
      std::filesystem::absolute(RequiredOption(args.Option("-o"), "-o OUT")).lexically_normal().string();
  args.ExpectNoMore(1);
  RecordGrid grid;
  if (!LoadJob(grid, job, args, env)) return kExitFailed;
  return Finish(ExportInstrumentCoordinates(grid, out, env.settings));
}

int RunRecompute(const CliArgs& args, CliEnv& env) {
  const std::string& job = args.Positional(0, "JOB");
  args.Option("--as");
  const auto stations = args.Option("--stations");
  const auto format = args.IntOption("--format");
  const auto saveStations = args.Option("--save-stations");
  const std::optional<ExportAnswer> answer = ExportAnswerFromArgs(args);
  args.ExpectNoMore(1);
  if (format && !stations) throw UsageError("--format goes with --stations FILE");
  RecordGrid grid;
  if (!LoadJob(grid, job, args, env)) return kExitFailed;
  StationTable table;
  if (const CommandResult scan = ScanStations(grid, table); !scan.Done()) return Finish(scan);
  StationImportModel dialog(table);
  if (stations) {
    if (const CommandResult r = dialog.Inport(format.value_or(0), *stations); !r.Done()) return Finish(r);
  }
  // The station file is saved as the dialog's Save as does, but takes its place
  // only together with the recompute's files, so a failing recompute leaves it
  // as it was too.
  TextFileWriter stationFile;
  std::string reason;
  if (saveStations) {
    if (!stationFile.Open(*saveStations, &reason)) return Fail(OpenFileFailure(*saveStations, reason));
    stationFile.Write(dialog.SavedText());
  }
  dialog.Ok(table);
  if (!answer) {
    if (saveStations && !stationFile.Commit(&reason)) return Fail(OpenFileFailure(*saveStations, reason));
    return kExitOk;
  }
  if (!saveStations) return Finish(RecomputeStations(grid, table, *answer, RecomputeFiles::InProgramFolder()));
  return Finish(RecomputeStations(grid, table, *answer, RecomputeFiles::InProgramFolder(), {&stationFile.File()}));
}

const bool registered =
    RegisterCommand({"export-coords", "export-coords JOB --layout L [--sep 0|1|2] -o OUT | --answer TEXT",
                     "coordinates from measurements in layout L (6 is DXF)", {}, RunExportCoords}) &&
    RegisterCommand({"export-hd", "export-hd JOB --layout A|B | --answer N -o OUT",
                     "horizontal distance list", {}, RunDistanceExport<ExportHorizontalDistances>}) &&
    RegisterCommand({"export-sd", "export-sd JOB --layout A|B | --answer N -o OUT", "slope distance list", {},
                     RunDistanceExport<ExportSlopeDistances>}) &&
    RegisterCommand({"export-angles", "export-angles JOB -o OUT", "angle list of the AP records", {},
                     RunExportAngles}) &&
    RegisterCommand({"export-instrument", "export-instrument JOB -o OUT",
                     "instrument record file and its ZMOINDEX index", {}, RunExportInstrument}) &&
    RegisterCommand({"recompute",
                     "recompute JOB [--stations FILE [--format N]] [--save-stations FILE] --layout L [--sep S] -o OUT"
                     " | --answer TEXT",
                     "recompute the points with new station coordinates; OUT and its .rpt report", {},
                     RunRecompute});

}  // namespace
}  // namespace corvane::cli
