#pragma once
// RS-232 code upload: "S1" until the instrument answers "1", then every code of
// UploadFilePath right-aligned in 14 characters with CR LF, under XON/XOFF pacing,
// then 0x04.
#include <optional>

#include "core/link/transfer_engine.h"

namespace corvane {

class SerialCodeUpload final : public ITransferEngine {
 public:
  SerialCodeUpload(TransferContext ctx, ISerialPort& port);
  TransferResult Run() override;

 private:
  // Empty once the instrument answered; `requests` is how many "S1" it took.
  std::optional<TransferResult> Request(int& requests);
  TransferContext ctx_;
  ISerialPort& port_;
};

}  // namespace corvane
