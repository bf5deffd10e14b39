#pragma once
// The framed text report of a station recompute: one block per set-up (station,
// backsight, orientation) followed by its points, 79 bytes a line.
#include <string>
#include <string_view>

namespace corvane {

// Captions of section "Report" of COM_LANGUAGE.ini (GBK bytes).
struct ReportCaptions {
  std::string first;   // before the new station name
  std::string second;  // before the new backsight name
  std::string third;   // before the backsight azimuth as measured
  std::string fourth;  // before the instrument height
  std::string fifth;   // the column header line of the point table
  std::string noOrientation;  // before the name of a station whose set-up has no orientation
};

ReportCaptions DefaultReportCaptions();
// The report caption file of the program folder.
std::string ReportCaptionFilePath();
// Each caption from the file, or its default when the file or key is missing.
ReportCaptions ReadReportCaptions(const std::string& captionFile);

// Appends the report's lines to a text it is given.
class StationReport final {
 public:
  StationReport(ReportCaptions captions, std::string& out) : captions_(std::move(captions)), text_(out) {}

  // Top border, an empty framed line and the station line; keeps the instrument
  // height for the next backsight block.
  void AddStation(std::string_view name, std::string_view north, std::string_view east, std::string_view height,
                  std::string_view instrumentHeight);
  // The backsight line, the measured azimuth with the instrument height, a line
  // naming the station when the set-up has no orientation, and the header of
  // the point table.
  void AddBacksight(std::string_view name, std::string_view north, std::string_view east, std::string_view height,
                    std::string_view measuredAzimuth, bool oriented = true);
  void AddPoint(std::string_view name, std::string_view verticalAngle, std::string_view horizontalAngle,
                std::string_view slopeDistance, std::string_view targetHeight, std::string_view east,
                std::string_view north, std::string_view height);
  // The bottom border (no line end after it).
  void Finish();

 private:
  void AddPointLine(std::string_view label, std::string_view name, std::string_view north, std::string_view east,
                    std::string_view height);
  ReportCaptions captions_;
  std::string& text_;
  std::string instrumentBlock_;
  std::string station_;  // the name of the last station
};

}  // namespace corvane
