#include "core/traverse/traverse_report.h"

#include <cmath>
#include <unordered_map>

#include "core/text/numbers.h"
#include "core/text/text_helpers.h"
#include "core/traverse/traverse_compass.h"

namespace corvane::traverse {
namespace {

constexpr size_t kInside = 77;

std::string Lp(std::string_view text, long long width) { return PadLeft(text, width); }
std::string Rp(std::string_view text, long long width) { return PadRight(text, width); }

std::string Seconds(double radians) { return FormatFixed(radians / kArcSecond, 1) + "\""; }
std::string Metres(double value) { return FormatFixed(value, 4); }
std::string Maybe(const std::optional<double>& v, int decimals) { return v ? FormatFixed(*v, decimals) : "-"; }

class Framed final {
 public:
  explicit Framed(std::string& out) : out_(out) {}
  void Line(std::string_view content) {
    out_ += '|';
    out_ += Rp(content, kInside);
    out_ += "|\n";
  }
  // A line that starts after one blank.
  void Item(std::string_view content) {
    out_ += "| ";
    out_ += Rp(content, kInside - 1);
    out_ += "|\n";
  }
  void Rule() {
    out_ += '|';
    out_.append(kInside, '-');
    out_ += "|\n";
  }

 private:
  std::string& out_;
};

std::string ChainRow(const std::string& no, const std::string& line, std::string_view station,
                     std::string_view backsight, std::string_view foresight, const std::string& angle,
                     const std::string& distance, const std::string& dh) {
  return Lp(no, 4) + Lp(line, 6) + " " + Rp(station, 10) + " " + Rp(backsight, 10) + " " + Rp(foresight, 10) +
         Lp(angle, 12) + Lp(distance, 10) + Lp(dh, 9);
}

std::string ResidualRow(const std::string& line, std::string_view kind, std::string_view at, std::string_view to,
                        const std::string& observed, const std::string& residual, const std::string& standardised,
                        std::string_view flag) {
  return Lp(line, 6) + " " + Rp(kind, 9) + Rp(at, 11) + Rp(to, 11) + Lp(observed, 13) + Lp(residual, 11) +
         Lp(standardised, 9) + " " + std::string(flag);
}

std::string StationRow(std::string_view name, const std::string& north, const std::string& east,
                       const std::string& height, const std::string& rest) {
  std::string row(1, ' ');
  row += Rp(name, 10);
  row += Lp(north, 12);
  row += Lp(east, 12);
  row += Lp(height, 9);
  row += rest;
  return row;
}

std::string PassText(bool passed, const TraverseCaptions& c) { return passed ? c.passed : c.failed; }

}  // namespace

std::string AngleText(double radians, std::string_view unit) {
  if (unit == "gon") return FormatFixed(radians * 200.0 / 3.141592653589793, 5);
  if (unit == "mil") return FormatFixed(radians * 3200.0 / 3.141592653589793, 3);
  double tenths = std::round(std::fabs(radians) / kArcSecond * 10);
  const long long d = static_cast<long long>(tenths / 36000);
  tenths -= static_cast<double>(d) * 36000;
  const long long m = static_cast<long long>(tenths / 600);
  tenths -= static_cast<double>(m) * 600;
  std::string s = FormatFixed(tenths / 10, 1);
  if (tenths < 100) s = "0" + s;
  return std::string(radians < 0 ? "-" : "") + FormatInt(d) + "-" + (m < 10 ? "0" : "") + FormatInt(m) + "-" + s;
}

namespace {

// Each caption with its key in section "Traverse" and its English default; the
// three column headers are built from their columns when no file gives them.
struct CaptionField {
  std::string TraverseCaptions::*field;
  const char* key;
  const char* def;
};
const CaptionField kCaptionFields[] = {
    {&TraverseCaptions::title, "Title", "Traverse adjustment"},
    {&TraverseCaptions::compass, "Compass", "compass rule"},
    {&TraverseCaptions::leastSquares, "LeastSquares", "least squares"},
    {&TraverseCaptions::link, "Link", "link traverse"},
    {&TraverseCaptions::loop, "Loop", "loop traverse"},
    {&TraverseCaptions::open, "Open", "open traverse"},
    {&TraverseCaptions::setUps, "SetUps", "Set-ups"},
    {&TraverseCaptions::angles, "Angles", "angles m"},
    {&TraverseCaptions::length, "Length", "length L"},
    {&TraverseCaptions::chainHeader, "ChainHeader", nullptr},
    {&TraverseCaptions::angular, "Angular", "Angular misclosure w"},
    {&TraverseCaptions::allowed, "Allowed", "allowed"},
    {&TraverseCaptions::linear, "Linear", "Linear misclosure"},
    {&TraverseCaptions::precision, "Precision", "Precision"},
    {&TraverseCaptions::height, "Height", "Height misclosure fH"},
    {&TraverseCaptions::noCheck, "NoCheck", "Open traverse: no check, coordinates by propagation only"},
    {&TraverseCaptions::passed, "Passed", "passed"},
    {&TraverseCaptions::failed, "Failed", "FAILED"},
    {&TraverseCaptions::result, "Result", "Result"},
    {&TraverseCaptions::within, "Within", "within tolerance"},
    {&TraverseCaptions::outside, "Outside", "OUTSIDE TOLERANCE"},
    {&TraverseCaptions::sigma0, "Sigma0", "Sigma0"},
    {&TraverseCaptions::redundancy, "Redundancy", "redundancy"},
    {&TraverseCaptions::iterations, "Iterations", "iterations"},
    {&TraverseCaptions::chiTest, "ChiTest", "Chi-square test (95 %)"},
    {&TraverseCaptions::residuals, "Residuals", "Residuals (adjusted - observed), standardised, * beyond 3"},
    {&TraverseCaptions::residualHeader, "ResidualHeader", nullptr},
    {&TraverseCaptions::angle, "Angle", "angle"},
    {&TraverseCaptions::distance, "Distance", "distance"},
    {&TraverseCaptions::stations, "Stations", "Stations"},
    {&TraverseCaptions::stationHeader, "StationHeader", nullptr},
    {&TraverseCaptions::known, "Known", "known"},
};

}  // namespace

TraverseCaptions DefaultTraverseCaptions() {
  TraverseCaptions c;
  for (const CaptionField& f : kCaptionFields)
    if (f.def) c.*f.field = f.def;
  c.chainHeader = ChainRow("No", "Line", "Station", "Backsight", "Foresight", "Angle", "Distance", "dH");
  c.residualHeader = ResidualRow("Line", "Kind", "At", "To", "Observed", "Residual", "Std.", "");
  c.stationHeader = StationRow("Name", "North", "East", "Height",
                               Lp("sN", 7) + Lp("sE", 7) + Lp("a", 7) + Lp("b", 7) + Lp("Az", 5));
  return c;
}

TraverseCaptions ReadTraverseCaptions(const CaptionReader& r) {
  TraverseCaptions c = DefaultTraverseCaptions();
  for (const CaptionField& f : kCaptionFields) c.*f.field = r.Read("Traverse", f.key, c.*f.field);
  return c;
}

std::string TraverseReport(const Adjustment& a, const TraverseCaptions& c) {
  const Chain& chain = a.chain;
  const Misclosure& m = a.misclosure;
  std::string out = " " + std::string(kInside, '_') + " \n";
  Framed f(out);
  f.Line("");
  const std::string kind = chain.kind == TraverseKind::Link ? c.link : chain.kind == TraverseKind::Loop ? c.loop : c.open;
  f.Item(Rp(c.title + " - " + (a.method == Method::Compass ? c.compass : c.leastSquares), 54) + Lp(kind, 21));
  const size_t n = chain.setUps.size();
  f.Item(c.setUps + ": " + FormatInt(static_cast<long long>(n)) + " (" + FormatInt(chain.setUps.front().stationRow) +
         "-" + FormatInt(chain.setUps.back().stationRow) + ")   " + c.angles + ": " + FormatInt(m.angles) + "   " +
         c.length + ": " + FormatFixed(m.length, 3));
  f.Rule();
  f.Line(c.chainHeader);
  for (size_t k = 0; k < n; ++k) {
    const ChainSetUp& s = chain.setUps[k];
    const bool leg = k + 1 < n;
    const std::string_view fore = leg ? std::string_view(chain.setUps[k + 1].station)
                                  : chain.closingPoint ? std::string_view(chain.closingPoint->name)
                                                       : std::string_view("-");
    const bool sighted = leg || chain.closingPoint;
    f.Line(ChainRow(FormatInt(static_cast<long long>(k + 1)), FormatInt(s.stationRow), s.station, s.backsight, fore,
                    sighted ? AngleText(s.beta, s.angleUnit) : "-",
                    leg ? FormatFixed(chain.legs[k].horizontal, 3) : "-",
                    leg ? FormatFixed(chain.legs[k].heightDiff, 3) : "-"));
  }
  f.Rule();
  if (chain.kind == TraverseKind::Open) {
    f.Item(c.noCheck);
  } else {
    const Tolerance& t = a.tolerance;
    if (m.angular)
      f.Item(Rp(c.angular + ": " + Seconds(*m.angular), 34) + Rp(c.allowed + " " + Seconds(*t.allowedAngular), 30) +
             PassText(t.angularPassed, c));
    else
      f.Item(c.angular + ": -");
    f.Item(c.linear + ": fN " + Maybe(m.north, 4) + "  fE " + Maybe(m.east, 4) + "  f " +
           Metres(std::hypot(m.north.value_or(0), m.east.value_or(0))));
    f.Item(Rp(c.precision + ": 1:" + (m.precisionRatio ? FormatFixed(std::floor(*m.precisionRatio), 0) : "-"), 34) +
           Rp(c.allowed + " 1:" + FormatFixed(t.allowedRatio, 0), 30) + PassText(t.linearPassed, c));
    f.Item(c.height + ": " + Maybe(m.height, 4));
    f.Item(c.result + ": " + (t.Passed() ? c.within : c.outside));
  }
  if (a.leastSquares) {
    const LeastSquaresStats& ls = *a.leastSquares;
    f.Rule();
    f.Item(c.sigma0 + ": " + Maybe(ls.sigma0, 3) + "   " + c.redundancy + ": " + FormatInt(ls.redundancy) +
           "   " + c.iterations + ": " + FormatInt(ls.iterations));
    if (ls.chiLower)
      f.Item(c.chiTest + ": " + FormatFixed(*ls.chiLower, 3) + " <= " + c.sigma0 + " <= " +
             FormatFixed(*ls.chiUpper, 3) + "   " + PassText(ls.chiPassed.value_or(false), c));
    f.Rule();
    f.Item(c.residuals);
    f.Line(c.residualHeader);
    // An angle is shown in the unit in force where it was read: the one of the
    // set-up whose foresight row it is.
    std::unordered_map<int, std::string_view> unitAtRow;
    for (const ChainSetUp& s : chain.setUps) unitAtRow.emplace(s.foresightRow, s.angleUnit);
    for (const Residual& r : ls.residuals) {
      const bool angle = r.kind == Residual::Kind::Angle;
      f.Line(ResidualRow(FormatInt(r.row), angle ? c.angle : c.distance, r.at, r.to,
                         angle ? AngleText(r.observed, unitAtRow.at(r.row)) : FormatFixed(r.observed, 4),
                         angle ? Seconds(r.residual) : Metres(r.residual), Maybe(r.standardised, 2),
                         r.flagged ? "*" : ""));
    }
  }
  f.Rule();
  f.Item(c.stations);
  f.Line(c.stationHeader);
  for (const StationResult& s : a.stations) {
    std::string rest;
    if (s.known)
      rest = "  " + c.known;
    else if (s.sigmaNorth)
      rest = Lp(Metres(*s.sigmaNorth), 7) + Lp(Metres(*s.sigmaEast), 7) + Lp(Metres(*s.ellipseA), 7) +
             Lp(Metres(*s.ellipseB), 7) + Lp(FormatFixed(*s.ellipseAzimuthDeg, 0), 5);
    f.Line(StationRow(s.name, FormatFixed(s.north, 3), FormatFixed(s.east, 3), Maybe(s.height, 3), rest));
  }
  out += '|' + std::string(kInside, '_') + '|';
  return out;
}

}  // namespace corvane::traverse
