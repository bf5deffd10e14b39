#pragma once
// Steps the two serial uploads (coordinates and codes) share.
#include <optional>
#include <string>

#include "core/link/serial_pacing.h"
#include "core/link/transfer_engine.h"
#include "core/text/text_file.h"

namespace corvane {

// What the upload buttons do before the worker starts: purge the port, count from
// 0, show "Uploading".
void BeginSerialUpload(TransferContext& ctx, ISerialPort& port);

// Opens the file to upload; when it cannot be opened, the result that says so.
std::optional<TransferResult> OpenUploadFile(const std::string& path, TextLineReader& in);

// Acts on the pacing check after a piece: empty to go on, else how the upload ended.
std::optional<TransferResult> AfterPacing(PacingResult pacing, TransferContext& ctx, ISerialPort& port);

// End of the file: pause, the end marker 0x04 (sent once it has left the line),
// the done text.
TransferResult FinishSerialUploadFile(TransferContext& ctx, ISerialPort& port, int pauseMs, unsigned sent);

}  // namespace corvane
