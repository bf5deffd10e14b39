// The two calls of the USB library: to the simulated instrument when
// CORVANE_USB_SIM names its socket, else to the configured USB device.
#include "easyusb214x/easyusb214x.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <string>

#include "core/settings/settings_store.h"
#include "easyusb214x/sim_transport.h"
#include "easyusb214x/usb_device_link.h"
#include "easyusb214x/usb_sim_wire.h"

namespace {

using corvane::usb::UsbDeviceLink;

corvane::usb::UsbDeviceSettings ReadDeviceSettings() {
  const corvane::SettingsStore store = corvane::SettingsStore::OpenDefault();
  return corvane::usb::ParseUsbDeviceSettings(store.UsbSetting("VendorId", ""), store.UsbSetting("ProductId", ""),
                                              store.UsbSetting("Serial", ""), store.UsbSetting("Endpoints", ""));
}

UsbDeviceLink& Device() {
  static UsbDeviceLink link(&ReadDeviceSettings);
  return link;
}

const char* SimSocket() { return std::getenv(corvane::usbwire::kSocketVariable); }

// The first failure since the transfer began (Close214x ends a transfer): what
// went wrong first is what the user is told, not what followed from it.
class FirstFailure {
 public:
  void Note(const std::string& reason) {
    std::lock_guard lock(mutex_);
    if (first_.empty()) first_ = reason.empty() ? "The USB library call failed." : reason;
  }
  std::string Get() const {
    std::lock_guard lock(mutex_);
    return first_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    first_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::string first_;
};

FirstFailure& Failures() {
  static FirstFailure failures;
  return failures;
}

// A failure is told once on standard error (the terminal or the session's log),
// not again for every call that meets it.
void Report(const std::string& reason) {
  static std::mutex mutex;
  static std::string told;
  std::lock_guard lock(mutex);
  if (reason == told) return;
  told = reason;
  std::fprintf(stderr, "USB: %s\n", reason.c_str());
}

// One call, its failures noted; no exception leaves the library.
template <class Call>
int Guarded(int wanted, Call call) {
  std::string reason;
  int result = -1;
  try {
    result = call(reason);
  } catch (const std::exception& e) {
    result = -1;
    reason = std::string("The USB library failed: ") + e.what();
  } catch (...) {
    result = -1;
    reason = "The USB library failed.";
  }
  if (result < 0 || (wanted >= 0 && result < wanted)) {
    Failures().Note(reason);
    if (!reason.empty() && !SimSocket()) Report(reason);
  }
  return result;
}

int SimOrDevice(unsigned char op, int channel, const unsigned char* out, unsigned char* in, int count, int timeoutMs,
                std::string& reason) {
  if (const char* sim = SimSocket()) return corvane::usb::SimCall(sim, op, channel, out, in, count, timeoutMs, &reason);
  const int result = op == corvane::usbwire::kWrite ? Device().Write(channel, out, count, timeoutMs)
                                                     : Device().Read(channel, in, count, timeoutMs);
  if (result < 0 || (op == corvane::usbwire::kWrite && result < count)) reason = Device().LastError();
  return result;
}

}  // namespace

extern "C" int WriteData214x(int channel, const unsigned char* data, int count, int timeoutMs) {
  return Guarded(count, [&](std::string& reason) {
    if (count < 0 || (!data && count > 0)) {
      reason = "WriteData214x was called with " + std::string(count < 0 ? "a negative count." : "no data.");
      return -1;
    }
    return SimOrDevice(corvane::usbwire::kWrite, channel, data, nullptr, count, timeoutMs, reason);
  });
}

extern "C" int ReadData214x(int channel, unsigned char* buffer, int size, int timeoutMs) {
  return Guarded(-1, [&](std::string& reason) {
    if (size < 0 || (!buffer && size > 0)) {
      reason = "ReadData214x was called with " + std::string(size < 0 ? "a negative size." : "no buffer.");
      return -1;
    }
    return SimOrDevice(corvane::usbwire::kRead, channel, nullptr, buffer, size, timeoutMs, reason);
  });
}

extern "C" const char* LastError214x(void) {
  thread_local std::string copy;
  copy = Failures().Get();
  return copy.c_str();
}

extern "C" void Close214x(void) {
  try {
    Device().Release();
  } catch (...) {
  }
  Failures().Clear();
}
