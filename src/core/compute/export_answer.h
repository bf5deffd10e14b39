#pragma once
// The export dialog's answer "{layout}{separator}{path}", read by character
// position as the coordinate export and the recompute read it.
#include <string>
#include <string_view>

namespace corvane {

struct ExportAnswer {
  int layout = 0;         // 0..7 write points; any other value writes nothing per point
  std::string separator;  // ",", " ", a tab, or empty
  std::string path;
};

// The separator of a separator code: 0 ",", 1 a blank, 2 a tab, other codes none.
std::string SeparatorForCode(int code);

// Layout = the digit at index 1, separator code = the digit at index 4 (a
// non-digit or a missing character reads as 0), path = the text between the last
// "{" and the last "}". The caller treats an empty answer as cancelled.
ExportAnswer ParseExportAnswer(std::string_view answer);

}  // namespace corvane
