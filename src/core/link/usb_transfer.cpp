#include "core/link/usb_transfer.h"

#include <algorithm>

namespace corvane {

TransferResult UsbTransfer::Run() {
  struct Release {
    IUsbLink& usb;
    ~Release() { usb.EndTransfer(); }
  } release{*usb_};
  return Exchange();
}

void UsbTransfer::Failed(const std::string& fallback) {
  if (!firstFailure_.empty()) return;
  firstFailure_ = usb_->LastError();
  if (firstFailure_.empty()) firstFailure_ = fallback;
}

bool UsbTransfer::Write(int channel, const unsigned char* data, int count, int timeoutMs) {
  const int written = usb_->WriteData(channel, data, count, timeoutMs);
  if (written == count) return true;
  Failed(written < 0 ? "USB write on channel " + std::to_string(channel) + " failed."
                     : "The instrument took " + std::to_string(written) + " of " + std::to_string(count) +
                           " bytes on channel " + std::to_string(channel) + ".");
  return false;
}

bool UsbTransfer::WriteBlock(int channel, std::string_view text, int size, int timeoutMs) {
  std::string block(static_cast<size_t>(size), '\0');
  text.copy(block.data(), std::min(text.size(), block.size()));
  return Write(channel, reinterpret_cast<const unsigned char*>(block.data()), size, timeoutMs);
}

int UsbTransfer::Read(int channel, unsigned char* buffer, int size, int timeoutMs) {
  const int got = usb_->ReadData(channel, buffer, size, timeoutMs);
  if (got < 0) Failed("USB read on channel " + std::to_string(channel) + " failed.");
  return got;
}

TransferResult UsbTransfer::FailureWithReason(std::string message, MessageIcon icon) const {
  return Failure(std::move(message), icon, firstFailure_);
}

}  // namespace corvane
