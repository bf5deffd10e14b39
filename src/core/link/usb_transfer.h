#pragma once
// A USB transfer. It owns its link to the USB library for the whole transfer and
// lets the device go when the transfer ends, on every path out. Every call's result
// is examined: the first failure of the transfer, with the library's reason, is the
// one the transfer reports.
#include <memory>
#include <string>
#include <string_view>

#include "core/link/transfer_engine.h"
#include "core/link/usb_link.h"

namespace corvane {

class UsbTransfer : public ITransferEngine {
 public:
  TransferResult Run() final;

 protected:
  UsbTransfer(TransferContext ctx, std::unique_ptr<IUsbLink> usb) : ctx_(ctx), usb_(std::move(usb)) {}
  virtual TransferResult Exchange() = 0;

  // True when the instrument took all `count` bytes.
  bool Write(int channel, const unsigned char* data, int count, int timeoutMs);
  // `text` in a zero-filled block of `size` bytes; true when all of it was taken.
  bool WriteBlock(int channel, std::string_view text, int size, int timeoutMs);
  // The library's result: > 0 data, 0 nothing, < 0 failure.
  int Read(int channel, unsigned char* buffer, int size, int timeoutMs);
  // Why the first failed call of this transfer failed ("" while none has).
  const std::string& FirstFailure() const { return firstFailure_; }
  // The tool's message, with the first failure's reason beneath it.
  TransferResult FailureWithReason(std::string message, MessageIcon icon = MessageIcon::None) const;

  TransferContext ctx_;

 private:
  void Failed(const std::string& fallback);
  std::unique_ptr<IUsbLink> usb_;
  std::string firstFailure_;
};

}  // namespace corvane
