#include "core/traverse/traverse_adjust.h"

#include <cmath>

#include "core/compute/output_file.h"
#include "core/file_texts.h"
#include "core/text/numbers.h"
#include "core/traverse/traverse_chain.h"
#include "core/traverse/traverse_compass.h"
#include "core/traverse/traverse_lsq.h"
#include "core/traverse/traverse_outputs.h"

namespace corvane::traverse {
const char* MethodName(Method method) { return method == Method::Compass ? "compass" : "lsq"; }

const char* KindName(TraverseKind kind) {
  switch (kind) {
    case TraverseKind::Link: return "link";
    case TraverseKind::Loop: return "loop";
    default: return "open";
  }
}

CommandResult AdjustTraverse(const RecordGrid& grid, const ControlPoints& control, const AdjustOptions& options,
                             Adjustment& out) {
  Chain chain;
  if (CommandResult found = FindChain(grid, control, chain); !found.Done()) return found;
  if (options.method == Method::Compass) {
    out = CompassRule(chain, options);
  } else {
    CommandResult failure;
    std::optional<Adjustment> adjusted = LeastSquares(chain, options, failure);
    if (!adjusted) return failure;
    out = std::move(*adjusted);
  }
  // Coordinates so far out that the arithmetic overflows give no result to write.
  const auto finite = [](const std::optional<double>& v) { return !v || std::isfinite(*v); };
  const Misclosure& m = out.misclosure;
  bool ok = std::isfinite(m.length) && finite(m.angular) && finite(m.north) && finite(m.east) && finite(m.height);
  for (const StationResult& s : out.stations)
    ok = ok && std::isfinite(s.north) && std::isfinite(s.east) && finite(s.height) && finite(s.sigmaNorth) &&
         finite(s.sigmaEast) && finite(s.ellipseA) && finite(s.ellipseB) && finite(s.ellipseAzimuthDeg);
  if (!ok)
    return CommandResult::Failure("The traverse cannot be computed: its coordinates or distances are too large.");
  return {};
}

CommandResult WriteAdjustmentFiles(const RecordGrid& grid, const Adjustment& adjustment,
                                   const TraverseCaptions& captions, const AdjustmentFiles& files,
                                   std::vector<std::string>* warnings) {
  // Every file is created before any is written, so a folder that takes none of
  // them leaves every file that was there as it was.
  struct Output {
    const std::string& path;
    const char* failure;
    OutputFile file;
  } outputs[] = {{files.stations, kOpenFileFailed, {}},
                 {files.report, kOpenReportFileFailed, {}},
                 {files.json, kOpenFileFailed, {}}};
  for (Output& o : outputs)
    if (!o.path.empty() && !o.file.Create(o.path)) return o.file.Failure(o.failure);
  if (!files.stations.empty()) outputs[0].file.Text() = StationFileText(grid, adjustment, warnings);
  if (!files.report.empty()) outputs[1].file.Text() = TraverseReport(adjustment, captions);
  if (!files.json.empty()) outputs[2].file.Text() = AdjustmentJson(adjustment);
  for (Output& o : outputs)
    if (!o.path.empty() && !o.file.Finish()) return o.file.Failure(o.failure);
  return {};
}

std::string ToleranceFailureText(const Adjustment& a) {
  const Tolerance& t = a.tolerance;
  if (t.Passed()) return {};
  std::string text = "The traverse is outside the tolerance:";
  if (!t.angularPassed)
    text += " angular misclosure " + FormatFixed(*a.misclosure.angular / kArcSecond, 1) + "\" beyond " +
            FormatFixed(*t.allowedAngular / kArcSecond, 1) + "\";";
  if (!t.linearPassed)
    text += " precision 1:" + FormatFixed(std::floor(a.misclosure.precisionRatio.value_or(0)), 0) + " below 1:" +
            FormatFixed(t.allowedRatio, 0) + ";";
  text.back() = '.';
  return text;
}

}  // namespace corvane::traverse
