#include "core/traverse/traverse_report.h"

#include <cmath>

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
  return " " + Rp(name, 10) + Lp(north, 12) + Lp(east, 12) + Lp(height, 9) + rest;
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

TraverseCaptions DefaultTraverseCaptions() {
  TraverseCaptions c;
  c.title = "Traverse adjustment";
  c.compass = "compass rule";
  c.leastSquares = "least squares";
  c.link = "link traverse";
  c.loop = "loop traverse";
  c.open = "open traverse";
  c.setUps = "Set-ups";
  c.angles = "angles m";
  c.length = "length L";
  c.chainHeader = ChainRow("No", "Line", "Station", "Backsight", "Foresight", "Angle", "Distance", "dH");
  c.angular = "Angular misclosure w";
  c.allowed = "allowed";
  c.linear = "Linear misclosure";
  c.precision = "Precision";
  c.height = "Height misclosure fH";
  c.noCheck = "Open traverse: no check, coordinates by propagation only";
  c.passed = "passed";
  c.failed = "FAILED";
  c.result = "Result";
  c.within = "within tolerance";
  c.outside = "OUTSIDE TOLERANCE";
  c.sigma0 = "Sigma0";
  c.redundancy = "redundancy";
  c.iterations = "iterations";
  c.chiTest = "Chi-square test (95 %)";
  c.residuals = "Residuals (adjusted - observed), standardised, * beyond 3";
  c.residualHeader = ResidualRow("Line", "Kind", "At", "To", "Observed", "Residual", "Std.", "");
  c.angle = "angle";
  c.distance = "distance";
  c.stations = "Stations";
  c.stationHeader = StationRow("Name", "North", "East", "Height", Lp("sN", 7) + Lp("sE", 7) + Lp("a", 7) +
                                                                     Lp("b", 7) + Lp("Az", 5));
  c.known = "known";
  return c;
}

TraverseCaptions ReadTraverseCaptions(const CaptionReader& r) {
  TraverseCaptions c = DefaultTraverseCaptions();
  const auto read = [&](std::string& field, const char* key) { field = r.Read("Traverse", key, field); };
  read(c.title, "Title");
  read(c.compass, "Compass");
  read(c.leastSquares, "LeastSquares");
  read(c.link, "Link");
  read(c.loop, "Loop");
  read(c.open, "Open");
  read(c.setUps, "SetUps");
  read(c.angles, "Angles");
  read(c.length, "Length");
  read(c.chainHeader, "ChainHeader");
  read(c.angular, "Angular");
  read(c.allowed, "Allowed");
  read(c.linear, "Linear");
  read(c.precision, "Precision");
  read(c.height, "Height");
  read(c.noCheck, "NoCheck");
  read(c.passed, "Passed");
  read(c.failed, "Failed");
  read(c.result, "Result");
  read(c.within, "Within");
  read(c.outside, "Outside");
  read(c.sigma0, "Sigma0");
  read(c.redundancy, "Redundancy");
  read(c.iterations, "Iterations");
  read(c.chiTest, "ChiTest");
  read(c.residuals, "Residuals");
  read(c.residualHeader, "ResidualHeader");
  read(c.angle, "Angle");
  read(c.distance, "Distance");
  read(c.stations, "Stations");
  read(c.stationHeader, "StationHeader");
  read(c.known, "Known");
  return c;
}

std::string TraverseReport(const Adjustment& a, const TraverseCaptions& c) {
  const Chain& chain = a.chain;
  const Misclosure& m = a.misclosure;
  std::string out = " " + std::string(kInside, '_') + " \n";
  Framed f(out);
  f.Line("");
  const std::string kind = chain.kind == TraverseKind::Link ? c.link : chain.kind == TraverseKind::Loop ? c.loop : c.open;
  f.Line(" " + Rp(c.title + " - " + (a.method == Method::Compass ? c.compass : c.leastSquares), 54) + Lp(kind, 21));
  const size_t n = chain.setUps.size();
  f.Line(" " + c.setUps + ": " + FormatInt(static_cast<long long>(n)) + " (" + FormatInt(chain.setUps.front().stationRow) +
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
    f.Line(" " + c.noCheck);
  } else {
    const Tolerance& t = a.tolerance;
    if (m.angular)
      f.Line(" " + Rp(c.angular + ": " + Seconds(*m.angular), 34) + Rp(c.allowed + " " + Seconds(*t.allowedAngular), 30) +
             PassText(t.angularPassed, c));
    else
      f.Line(" " + c.angular + ": -");
    f.Line(" " + c.linear + ": fN " + Maybe(m.north, 4) + "  fE " + Maybe(m.east, 4) + "  f " +
           Metres(std::hypot(m.north.value_or(0), m.east.value_or(0))));
    f.Line(" " + Rp(c.precision + ": 1:" + (m.precisionRatio ? FormatFixed(std::floor(*m.precisionRatio), 0) : "-"), 34) +
           Rp(c.allowed + " 1:" + FormatFixed(t.allowedRatio, 0), 30) + PassText(t.linearPassed, c));
    f.Line(" " + c.height + ": " + Maybe(m.height, 4));
    f.Line(" " + c.result + ": " + (t.Passed() ? c.within : c.outside));
  }
  if (a.leastSquares) {
    const LeastSquaresStats& ls = *a.leastSquares;
    f.Rule();
    f.Line(" " + c.sigma0 + ": " + Maybe(ls.sigma0, 3) + "   " + c.redundancy + ": " + FormatInt(ls.redundancy) +
           "   " + c.iterations + ": " + FormatInt(ls.iterations));
    if (ls.chiLower)
      f.Line(" " + c.chiTest + ": " + FormatFixed(*ls.chiLower, 3) + " <= " + c.sigma0 + " <= " +
             FormatFixed(*ls.chiUpper, 3) + "   " + PassText(ls.chiPassed.value_or(false), c));
    f.Rule();
    f.Line(" " + c.residuals);
    f.Line(c.residualHeader);
    for (const Residual& r : ls.residuals) {
      const bool angle = r.kind == Residual::Kind::Angle;
      f.Line(ResidualRow(FormatInt(r.row), angle ? c.angle : c.distance, r.at, r.to,
                         angle ? AngleText(r.observed, "dms") : FormatFixed(r.observed, 4),
                         angle ? Seconds(r.residual) : Metres(r.residual), Maybe(r.standardised, 2),
                         r.flagged ? "*" : ""));
    }
  }
  f.Rule();
  f.Line(" " + c.stations);
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
