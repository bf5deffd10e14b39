#pragma once
// RS-232 code upload: "S1" until the instrument answers "1", then every code of the
// file right-aligned in 14 characters with CR LF, under XON/XOFF pacing, then 0x04.
#include <optional>
#include <string>

#include "core/link/transfer_engine.h"

namespace corvane {

class SerialCodeUpload final : public SerialTransfer {
 public:
  SerialCodeUpload(TransferContext ctx, ISerialPort& port, std::string path, std::optional<PortRequest> open = {});

 private:
  TransferResult Exchange() override;
  // Counts the requests in `requests`; empty when the instrument is ready.
  std::optional<TransferResult> Request(int& requests);
  std::string path_;
};

}  // namespace corvane
