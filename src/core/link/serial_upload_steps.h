#pragma once
// Steps the two serial uploads (coordinates and codes) share.
#include <optional>
#include <string>

#include "core/link/transfer_engine.h"
#include "core/link/upload_progress.h"
#include "core/link/upload_line.h"
#include "core/text/text_file.h"

namespace corvane {

// What the upload buttons do before the worker starts: purge the port, show
// "Uploading".
void BeginSerialUpload(TransferContext& ctx, ISerialPort& port);

// Opens the file to upload; when it cannot be opened, the result that says so.
std::optional<TransferResult> OpenUploadFile(const std::string& path, TextLineReader& in);

// Acts on a pacing check: empty to go on, else how the upload ended.
std::optional<TransferResult> AfterPacing(PacingResult pacing, TransferContext& ctx, ISerialPort& port);
// Acts on a handshake answer that is neither ready nor refused nor none.
std::optional<TransferResult> AfterReply(Reply reply, TransferContext& ctx, ISerialPort& port);

// End of the file: pause, the end marker 0x04 once XOFF no longer holds (sent once
// it has left the line), the done text.
TransferResult FinishSerialUploadFile(TransferContext& ctx, UploadLine& line, ISerialPort& port, int pauseMs,
                                      const UploadProgress& progress);

}  // namespace corvane
