#include "core/compute/station_report.h"

#include "core/settings/captions.h"
#include "core/settings/program_folder.h"
#include "core/text/codepage.h"
#include "core/text/text_helpers.h"

namespace corvane {
namespace {

constexpr std::string_view kColumnHeader =
    "| ZAMO  NO     VA       HA       SD    REF.YK       Y           X         Z   |";
constexpr std::string_view kColumnRule =
    "|---------- -------- -------- -------- ------ ----------- ----------- --------|\n";

}  // namespace

ReportCaptions DefaultReportCaptions() {
  static const ReportCaptions kDefaults{Utf8ToGbk("新测站点号 :"), Utf8ToGbk("新定向点号 :"), Utf8ToGbk("原方位角 :"),
                                        Utf8ToGbk("仪器高 :"), std::string(kColumnHeader)};
  return kDefaults;
}

std::string ReportCaptionFilePath() { return ProgramFilePath("\\COM_LANGUAGE.ini"); }

ReportCaptions ReadReportCaptions(const std::string& captionFile) {
  const ReportCaptions d = DefaultReportCaptions();
  return {ReadProfileString(captionFile, "Report", "First", d.first),
          ReadProfileString(captionFile, "Report", "Second", d.second),
          ReadProfileString(captionFile, "Report", "Third", d.third),
          ReadProfileString(captionFile, "Report", "Fourth", d.fourth),
          ReadProfileString(captionFile, "Report", "Fifth", d.fifth)};
}

void StationReport::AddPointLine(std::string_view label, std::string_view name, std::string_view north,
                                 std::string_view east, std::string_view height) {
  text_ += "|" + PadLeft(std::string(label) + PadLeft(name, 10), 26);
  text_ += "  X=" + PadLeft(north, 12);
  text_ += "  Y=" + PadLeft(east, 12);
  text_ += "    Z=" + PadLeft(height, 9) + "    |\n";
}

void StationReport::AddStation(std::string_view name, std::string_view north, std::string_view east,
                               std::string_view height, std::string_view instrumentHeight) {
  text_ += " " + std::string(77, '_') + " \n";
  text_ += "|" + std::string(77, ' ') + "|\n";
  AddPointLine(captions_.first, name, north, east, height);
  instrumentBlock_ = PadLeft(captions_.fourth + PadLeft(instrumentHeight, 7), 22);
}

void StationReport::AddBacksight(std::string_view name, std::string_view north, std::string_view east,
                                 std::string_view height, std::string_view measuredAzimuth) {
  AddPointLine(captions_.second, name, north, east, height);
  const std::string line = "|" + PadLeft(captions_.third + PadLeft(measuredAzimuth, 10), 26) + "  " + instrumentBlock_;
  text_ += PadRight(line, 78) + "|\n";
  text_ += "|" + std::string(77, '-') + "|\n";
  text_ += captions_.fifth + "\n";
  text_ += kColumnRule;
}

void StationReport::AddPoint(std::string_view name, std::string_view verticalAngle, std::string_view horizontalAngle,
                             std::string_view slopeDistance, std::string_view targetHeight, std::string_view east,
                             std::string_view north, std::string_view height) {
  text_ += "|" + PadLeft(name, 10);
  text_ += " " + PadLeft(verticalAngle, 8);
  text_ += " " + PadLeft(horizontalAngle, 8);
  text_ += " " + PadLeft(slopeDistance, 8);
  text_ += " " + PadLeft(targetHeight, 6);
  text_ += " " + PadLeft(east, 11);
  text_ += " " + PadLeft(north, 11);
  text_ += " " + PadLeft(height, 8) + "|\n";
}

std::string StationReport::Finish() {
  text_ += "|" + std::string(77, '_') + "|";
  return std::move(text_);
}

}  // namespace corvane
