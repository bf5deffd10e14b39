#pragma once
// RS-232 coordinate upload: two handshakes ("S0", then "@%&!$" CR LF), every line
// of the file as a 76-byte record under XON/XOFF pacing, then 0x04.
#include <memory>
#include <optional>
#include <string>

#include "core/link/transfer_engine.h"
#include "core/link/upload_line.h"

namespace corvane {

// The file to upload and its layout, chosen before the transfer starts.
struct UploadJob {
  std::string path;
  int type = 0;
};

class SerialCoordinateUpload final : public SerialTransfer {
 public:
  SerialCoordinateUpload(TransferContext ctx, std::unique_ptr<ISerialPort> port, UploadJob job,
                         std::optional<PortRequest> open = {});

 private:
  TransferResult Exchange() override;
  // The two requests share one counter k. Empty when the instrument is ready; the
  // result otherwise (refused, no answer, stopped).
  std::optional<TransferResult> Handshake(UploadLine& line);
  UploadJob job_;
};

}  // namespace corvane
