#pragma once
// USB download: "D0" on channel 1, the ready reply on channel 0, an acknowledgement,
// then the data from channel 2 until the end marker 0x04.
// The link is let go when the transfer ends.
#include "core/link/transfer_engine.h"
#include "core/link/usb_link.h"

namespace corvane {

class UsbDownload final : public ITransferEngine {
 public:
  // silenceLimitMs: no data (or only failed reads) for this long before the end
  // marker ends the download; what arrived is kept and handed to the data page.
  UsbDownload(TransferContext ctx, IUsbLink& usb, int silenceLimitMs = kDefaultSilenceLimitMs);
  TransferResult Run() override;

 private:
  TransferResult Exchange();
  TransferResult KeepingData(TransferResult result) const;
  TransferContext ctx_;
  IUsbLink& usb_;
  int silenceLimitMs_;
};

}  // namespace corvane
