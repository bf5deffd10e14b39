#pragma once
// The tool's file messages: English in both caption languages, shown with the
// exclamation icon and an OK button. Open, Save, the imports and the exports all
// report through these, so no front end spells them itself.
#include <string>

#include "core/command_result.h"

namespace corvane {

inline constexpr char kOpenFileFailed[] = "Open file failed!";
inline constexpr char kOpenReportFileFailed[] = "Open report file failed!";
inline constexpr char kCreatIndexFileFailed[] = "Creat index file failed!";
inline constexpr char kReadDxfLibFailed[] = "Read DXF.lib failed!";

// "Open file failed!" for the file, with "path: reason" as the second line.
inline CommandResult OpenFileFailure(const std::string& path, const std::string& reason) {
  return CommandResult::Failure(kOpenFileFailed, reason.empty() ? path : path + ": " + reason);
}

}  // namespace corvane
