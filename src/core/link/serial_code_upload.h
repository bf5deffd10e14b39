#pragma once
// RS-232 code upload: "S1" until the instrument answers "1", then every code of the
// file right-aligned in 14 characters with CR LF, under XON/XOFF pacing, then 0x04.
#include <memory>
#include <optional>
#include <string>

#include "core/link/transfer_engine.h"
#include "core/link/upload_line.h"

namespace corvane {

class SerialCodeUpload final : public SerialTransfer {
 public:
  SerialCodeUpload(TransferContext ctx, std::unique_ptr<ISerialPort> port, std::string path,
                   std::optional<PortRequest> open = {});

 private:
  TransferResult Exchange() override;
  // Empty when the instrument is ready.
  std::optional<TransferResult> Request(UploadLine& line);
  std::string path_;
};

}  // namespace corvane
