#pragma once
// The USB link to the instrument: the two calls of the USB transfer library.
#include <string>

namespace corvane {

class IUsbLink {
 public:
  virtual ~IUsbLink() = default;
  // Bytes written, compared by the transfers with the count they asked for.
  virtual int WriteData(int channel, const unsigned char* data, int count, int timeoutMs) = 0;
  // Bytes placed in the buffer: > 0 data, 0 nothing, < 0 failure.
  virtual int ReadData(int channel, unsigned char* buffer, int size, int timeoutMs) = 0;
  // The transfer has ended (whatever its outcome): a link that holds a device lets
  // it go here.
  virtual void EndTransfer() {}
  // Why the first failed call of this transfer failed, when the link can tell ("" otherwise).
  virtual std::string LastError() { return {}; }
};

// The library's two entry points as function pointers, and where it has them, the
// calls that let the device go and tell why a call failed.
struct UsbLibraryCalls {
  int (*write)(int channel, const unsigned char* data, int count, int timeoutMs) = nullptr;
  int (*read)(int channel, unsigned char* buffer, int size, int timeoutMs) = nullptr;
  void (*release)() = nullptr;
  const char* (*lastError)() = nullptr;
};

class UsbLibraryLink final : public IUsbLink {
 public:
  explicit UsbLibraryLink(UsbLibraryCalls calls) : calls_(calls) {}
  int WriteData(int channel, const unsigned char* data, int count, int timeoutMs) override {
    return calls_.write ? calls_.write(channel, data, count, timeoutMs) : -1;
  }
  int ReadData(int channel, unsigned char* buffer, int size, int timeoutMs) override {
    return calls_.read ? calls_.read(channel, buffer, size, timeoutMs) : -1;
  }
  void EndTransfer() override {
    if (calls_.release) calls_.release();
  }
  std::string LastError() override {
    const char* why = calls_.lastError ? calls_.lastError() : nullptr;
    return why ? why : "";
  }

 private:
  UsbLibraryCalls calls_;
};

}  // namespace corvane
