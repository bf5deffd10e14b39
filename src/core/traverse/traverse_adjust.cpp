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
namespace {

CommandResult WriteText(const std::string& path, const std::string& text) {
  if (path.empty()) return {};
  OutputFile file;
  if (!file.Create(path)) return file.Failure(kOpenFileFailed);
  file.Text() = text;
  if (!file.Finish()) return file.Failure(kOpenFileFailed);
  return {};
}

}  // namespace

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
    return {};
  }
  CommandResult failure;
  std::optional<Adjustment> adjusted = LeastSquares(chain, options, failure);
  if (!adjusted) return failure;
  out = std::move(*adjusted);
  return {};
}

CommandResult WriteAdjustmentFiles(const RecordGrid& grid, const Adjustment& adjustment,
                                   const TraverseCaptions& captions, const AdjustmentFiles& files,
                                   std::vector<std::string>* warnings) {
  if (CommandResult r = WriteText(files.stations, StationFileText(grid, adjustment, warnings)); !r.Done()) return r;
  if (!files.report.empty()) {
    if (CommandResult r = WriteText(files.report, TraverseReport(adjustment, captions)); !r.Done()) {
      r.message = kOpenReportFileFailed;
      return r;
    }
  }
  return WriteText(files.json, AdjustmentJson(adjustment));
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
