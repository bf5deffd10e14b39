#pragma once
// USB coordinate and code uploads.
#include "core/link/serial_coordinate_upload.h"
#include "core/link/transfer_engine.h"
#include "core/link/usb_link.h"

namespace corvane {

// "S0" and a file-name block on channel 1, each answered on channel 0 (the two
// answers share ten reads), then each record of the file as a 74-byte block on
// channel 3, then the end block.
class UsbCoordinateUpload final : public ITransferEngine {
 public:
  UsbCoordinateUpload(TransferContext ctx, IUsbLink& usb, UploadJob job);
  TransferResult Run() override;

 private:
  TransferResult Exchange();
  TransferContext ctx_;
  IUsbLink& usb_;
  UploadJob job_;
};

// "S1" on channel 1 answered on channel 0, then the file the user picks, each
// code as a 16-byte block on channel 1, then the end block.
class UsbCodeUpload final : public ITransferEngine {
 public:
  UsbCodeUpload(TransferContext ctx, IUsbLink& usb);
  TransferResult Run() override;

 private:
  TransferResult Exchange();
  TransferContext ctx_;
  IUsbLink& usb_;
};

}  // namespace corvane
