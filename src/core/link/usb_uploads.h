#pragma once
// USB coordinate and code uploads.
#include <memory>

#include "core/link/serial_coordinate_upload.h"
#include "core/link/usb_transfer.h"

namespace corvane {

// "S0" and a file-name block on channel 1, each answered on channel 0 (the two
// answers share ten reads), then each record of the file as a 74-byte block on
// channel 3, then the end block.
class UsbCoordinateUpload final : public UsbTransfer {
 public:
  UsbCoordinateUpload(TransferContext ctx, std::unique_ptr<IUsbLink> usb, UploadJob job);

 private:
  TransferResult Exchange() override;
  // Empty when the instrument is ready for the records.
  std::optional<TransferResult> Handshake();
  UploadJob job_;
};

// "S1" on channel 1 answered on channel 0, then the file the user picks, each
// code as a 16-byte block on channel 1, then the end block.
class UsbCodeUpload final : public UsbTransfer {
 public:
  UsbCodeUpload(TransferContext ctx, std::unique_ptr<IUsbLink> usb);

 private:
  TransferResult Exchange() override;
};

}  // namespace corvane
