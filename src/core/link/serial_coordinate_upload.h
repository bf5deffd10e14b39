#pragma once
// RS-232 coordinate upload: two handshakes ("S0", then "@%&!$" CR LF), every line
// of UploadFilePath as a 76-byte record under XON/XOFF pacing, then 0x04.
#include <optional>

#include "core/link/transfer_engine.h"

namespace corvane {

class SerialCoordinateUpload final : public ITransferEngine {
 public:
  SerialCoordinateUpload(TransferContext ctx, ISerialPort& port);
  TransferResult Run() override;

 private:
  // The two requests share one counter k. Empty when the instrument is ready; the
  // result otherwise (refused, no answer, stopped).
  std::optional<TransferResult> Handshake();
  TransferContext ctx_;
  ISerialPort& port_;
};

}  // namespace corvane
