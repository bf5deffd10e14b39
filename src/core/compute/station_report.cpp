#include "core/compute/station_report.h"

#include <utility>

#include "core/settings/captions.h"
#include "core/settings/program_folder.h"
#include "core/text/codepage.h"

namespace corvane {
namespace {

constexpr std::string_view kColumnHeader =
    "| ZAMO  NO     VA       HA       SD    REF.YK       Y           X         Z   |";
constexpr std::string_view kColumnRule =
    "|---------- -------- -------- -------- ------ ----------- ----------- --------|\n";

// Blanks, then the text, so that at least `width` bytes are added.
void AppendPadLeft(std::string& out, std::string_view text, size_t width) {
  if (text.size() < width) out.append(width - text.size(), ' ');
  out.append(text);
}

}  // namespace

ReportCaptions DefaultReportCaptions() {
  static const ReportCaptions kDefaults{Utf8ToGbk("新测站点号 :"), Utf8ToGbk("新定向点号 :"), Utf8ToGbk("原方位角 :"),
                                        Utf8ToGbk("仪器高 :"), std::string(kColumnHeader),
                                        Utf8ToGbk("无定向测站 :")};
  return kDefaults;
}

std::string ReportCaptionFilePath() { return ProgramFilePath("\\COM_LANGUAGE.ini"); }

ReportCaptions ReadReportCaptions(const std::string& captionFile) {
  const ReportCaptions d = DefaultReportCaptions();
  return {ReadProfileString(captionFile, "Report", "First", d.first),
          ReadProfileString(captionFile, "Report", "Second", d.second),
          ReadProfileString(captionFile, "Report", "Third", d.third),
          ReadProfileString(captionFile, "Report", "Fourth", d.fourth),
          ReadProfileString(captionFile, "Report", "Fifth", d.fifth),
          ReadProfileString(captionFile, "Report", "NoOrientation", d.noOrientation)};
}

void StationReport::AddPointLine(std::string_view label, std::string_view name, std::string_view north,
                                 std::string_view east, std::string_view height) {
  std::string labelled(label);
  AppendPadLeft(labelled, name, 10);
  text_ += '|';
  AppendPadLeft(text_, labelled, 26);
  text_ += "  X=";
  AppendPadLeft(text_, north, 12);
  text_ += "  Y=";
  AppendPadLeft(text_, east, 12);
  text_ += "    Z=";
  AppendPadLeft(text_, height, 9);
  text_ += "    |\n";
}

void StationReport::AddStation(std::string_view name, std::string_view north, std::string_view east,
                               std::string_view height, std::string_view instrumentHeight) {
  text_ += ' ';
  text_.append(77, '_');
  text_ += " \n|";
  text_.append(77, ' ');
  text_ += "|\n";
  AddPointLine(captions_.first, name, north, east, height);
  station_.assign(name);
  std::string block(captions_.fourth);
  AppendPadLeft(block, instrumentHeight, 7);
  instrumentBlock_.clear();
  AppendPadLeft(instrumentBlock_, block, 22);
}

void StationReport::AddBacksight(std::string_view name, std::string_view north, std::string_view east,
                                 std::string_view height, std::string_view measuredAzimuth, bool oriented) {
  AddPointLine(captions_.second, name, north, east, height);
  std::string azimuth(captions_.third);
  AppendPadLeft(azimuth, measuredAzimuth, 10);
  const size_t lineStart = text_.size();
  text_ += '|';
  AppendPadLeft(text_, azimuth, 26);
  text_ += "  ";
  text_ += instrumentBlock_;
  const size_t used = text_.size() - lineStart;
  if (used < 78) text_.append(78 - used, ' ');
  text_ += "|\n";
  if (!oriented) {
    std::string label(captions_.noOrientation);
    AppendPadLeft(label, station_, 10);
    const size_t start = text_.size();
    text_ += '|';
    AppendPadLeft(text_, label, 26);
    if (text_.size() - start < 78) text_.append(78 - (text_.size() - start), ' ');
    text_ += "|\n";
  }
  text_ += '|';
  text_.append(77, '-');
  text_ += "|\n";
  text_ += captions_.fifth;
  text_ += '\n';
  text_ += kColumnRule;
}

void StationReport::AddPoint(std::string_view name, std::string_view verticalAngle, std::string_view horizontalAngle,
                             std::string_view slopeDistance, std::string_view targetHeight, std::string_view east,
                             std::string_view north, std::string_view height) {
  text_ += '|';
  AppendPadLeft(text_, name, 10);
  const std::pair<std::string_view, size_t> fields[] = {{verticalAngle, 8}, {horizontalAngle, 8}, {slopeDistance, 8},
                                                        {targetHeight, 6},  {east, 11},           {north, 11},
                                                        {height, 8}};
  for (const auto& [text, width] : fields) {
    text_ += ' ';
    AppendPadLeft(text_, text, width);
  }
  text_ += "|\n";
}

void StationReport::Finish() {
  text_ += '|';
  text_.append(77, '_');
  text_ += '|';
}

}  // namespace corvane
