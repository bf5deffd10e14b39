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
// Reads "CoorType" from the settings on each call. A command that converts many
// lines reads the order once (UploadOrderIsEnz) and passes it in.
UploadLineResult ConvertUploadLine(std::string_view line, int type, const ISettingsReader& settings);
// "CoorType" is not 0: the instrument takes E before N.
bool UploadOrderIsEnz(const ISettingsReader& settings);

// The upload layout stored as "Inputdatatype" (16-bit).
int ReadUploadType(const ISettingsReader& settings);

}  // namespace corvane
