#pragma once
// Turning a coordinate-file line into the instrument's 76-byte coordinate record.
#include <string>
#include <string_view>

#include "core/settings/settings_store.h"

namespace corvane {

struct UploadLineResult {
  std::string record;   // 76 bytes for types 0..6; the cleaned line for others; empty when rejected
  std::string message;  // the too-long message when a field was rejected
};

// type: the upload layout (0..6); enz: the instrument's coordinate order is not NEZ.
UploadLineResult ConvertUploadLine(std::string_view line, int type, bool enz);
// The instrument's coordinate order from "CoorType": true when it is not NEZ.
bool UploadOrderIsEnz(const ISettingsReader& settings);
// Reads "CoorType" from the settings on each call.
UploadLineResult ConvertUploadLine(std::string_view line, int type, const ISettingsReader& settings);

// The upload layout stored as "Inputdatatype" (16-bit).
int ReadUploadType(const ISettingsReader& settings);

}  // namespace corvane
