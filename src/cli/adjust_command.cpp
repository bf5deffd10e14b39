// corvane480-cli adjust: the traverse of a job adjusted by the compass rule or
// by least squares, written as the station file the recompute reads, with the
// report and a JSON summary.
#include <cmath>
#include <string>

#include "cli_common.h"
#include "core/settings/captions.h"
#include "core/traverse/control_points.h"
#include "core/traverse/traverse_adjust.h"

namespace corvane::cli {
namespace {

using traverse::AdjustOptions;

double NumberOption(const std::string& name, std::string_view text, bool allowZero) {
  double value = 0;
  if (!traverse::StrictNumber(text, value) || value < 0 || (!allowZero && value == 0))
    throw UsageError("option " + name + " takes " + (allowZero ? "numbers of 0 or more" : "a number above 0") +
                     ", not '" + std::string(text) + "'");
  return value;
}

// "A,B": two numbers.
std::pair<double, double> PairOption(const std::string& name, const std::string& text, bool allowZero) {
  const size_t comma = text.find(',');
  if (comma == std::string::npos) throw UsageError("option " + name + " takes two numbers A,B, not '" + text + "'");
  return {NumberOption(name, std::string_view(text).substr(0, comma), true),
          NumberOption(name, std::string_view(text).substr(comma + 1), allowZero)};
}

AdjustOptions OptionsFromArgs(const CliArgs& args) {
  AdjustOptions o;
  if (const auto method = args.Option("--method")) {
    if (*method == "compass") o.method = traverse::Method::Compass;
    else if (*method == "lsq") o.method = traverse::Method::LeastSquares;
    else throw UsageError("--method takes compass or lsq, not '" + *method + "'");
  }
  if (const auto s = args.Option("--sigma-angle")) o.sigmaAngleSec = NumberOption("--sigma-angle", *s, false);
  if (const auto s = args.Option("--sigma-distance")) {
    std::tie(o.sigmaDistanceMm, o.sigmaDistancePpm) = PairOption("--sigma-distance", *s, true);
    if (o.sigmaDistanceMm == 0) throw UsageError("--sigma-distance needs a constant part above 0 mm");
  }
  if (const auto s = args.Option("--tolerance")) {
    std::tie(o.toleranceAngleSec, o.toleranceRatio) = PairOption("--tolerance", *s, false);
  }
  return o;
}

int RunAdjust(const CliArgs& args, CliEnv& env) {
  const std::string& job = args.Positional(0, "JOB");
  args.Option("--as");
  const AdjustOptions options = OptionsFromArgs(args);
  const auto control = args.Option("--control");
  const auto format = args.IntOption("--format");
  traverse::AdjustmentFiles files;
  const auto out = args.Option("-o");
  if (!out || out->empty()) throw UsageError("-o STATIONS is needed");
  files.stations = *out;
  files.report = args.Option("--report").value_or("");
  files.json = args.Option("--json").value_or("");
  args.ExpectNoMore(1);
  if (format && !control) throw UsageError("--format goes with --control FILE");
  if (format && (*format < 0 || *format > 6)) throw UsageError("--format takes a code from 0 to 6");

  RecordGrid grid;
  if (!LoadJob(grid, job, args, env)) return kExitFailed;
  traverse::ControlPoints points;
  if (control) {
    if (const CommandResult r = traverse::ReadControlFile(*control, format.value_or(0), points); !r.Done())
      return Fail(r);
  }
  traverse::Adjustment adjustment;
  if (const CommandResult r = traverse::AdjustTraverse(grid, points, options, adjustment); !r.Done()) return Fail(r);
  const traverse::TraverseCaptions captions =
      traverse::ReadTraverseCaptions(CaptionReader::ForLanguage(ReadLanguageIndex(env.settings)));
  std::vector<std::string> warnings;
  if (const CommandResult r = traverse::WriteAdjustmentFiles(grid, adjustment, captions, files, &warnings); !r.Done())
    return Fail(r);
  for (const std::string& w : warnings) Warn(w);
  if (const std::string failed = traverse::ToleranceFailureText(adjustment); !failed.empty()) Warn(failed);
  return kExitOk;
}

const bool registered = RegisterCommand(
    {"adjust",
     "adjust JOB [--method compass|lsq] [--control FILE [--format N]] [--sigma-angle SEC] "
     "[--sigma-distance MM,PPM] [--tolerance SEC,N] -o STATIONS [--report FILE] [--json FILE]",
     "adjust the job's traverse; STATIONS is the station file recompute --stations reads", {}, RunAdjust});

}  // namespace
}  // namespace corvane::cli
