#pragma once
// What each column of a record row holds (row 0 holds the captions). A line with
// commas puts its field k into column k; the instrument's records use these
// meanings.
namespace corvane::col {

inline constexpr int kNumber = 0;             // the row number
inline constexpr int kMark = 1;               // "U" in instrument records; a header line's key
inline constexpr int kKind = 2;               // the record kind ("ST", "BS", "DP"...); a header line's value
inline constexpr int kName = 3;               // point name
inline constexpr int kSlopeDistance = 4;      // DP and RP rows
inline constexpr int kHorizontalAngle = 5;    // DP and RP rows
inline constexpr int kVerticalAngle = 6;      // DP and RP rows; the backsight angle of BS rows
inline constexpr int kPlane1 = 7;             // first plane coordinate, in the order of the file
inline constexpr int kPlane2 = 8;             // second plane coordinate
inline constexpr int kHeight = 9;             // height
inline constexpr int kInstrumentHeight = 10;  // ST rows
inline constexpr int kTargetHeight = 11;      // DP, RP and BS rows
inline constexpr int kCode = 12;              // point code

}  // namespace corvane::col
