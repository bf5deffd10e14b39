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

// Opens UploadFilePath; when it cannot be opened, tells the user, purges and
// closes the port, stops the timer and returns the result.
std::optional<TransferResult> OpenUploadFile(TransferContext& ctx, ISerialPort& port, TextLineReader& in);

// Acts on the pacing check after a piece: empty to go on, else how the upload ended.
std::optional<TransferResult> AfterPacing(PacingResult pacing, TransferContext& ctx, ISerialPort& port,
                                          TextLineReader& in);

// End of the file: pause, the end marker 0x04, port closed, the page told.
TransferResult FinishSerialUploadFile(TransferContext& ctx, ISerialPort& port, TextLineReader& in, int pauseMs);

}  // namespace corvane
