#pragma once
// USB download: "D0" on channel 1, the ready reply on channel 0, an acknowledgement,
// then the data from channel 2 until the end marker 0x04.
#include <memory>

#include "core/link/receive_buffer.h"
#include "core/link/usb_transfer.h"

namespace corvane {

class UsbDownload final : public UsbTransfer {
 public:
  // silenceLimitMs: no data for this long before the end marker ends the download;
  // what arrived is kept and handed to the data page.
  UsbDownload(TransferContext ctx, std::unique_ptr<IUsbLink> usb, int silenceLimitMs = kDefaultSilenceLimitMs);

 private:
  TransferResult Exchange() override;
  TransferResult Receive();
  TransferResult KeepingData(TransferResult result) const;
  int silenceLimitMs_;
  ReceiveBuffer ReceiveBuffer_;
};

}  // namespace corvane
