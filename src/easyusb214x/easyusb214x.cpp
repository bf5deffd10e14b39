// The two calls of the USB library: to the simulated instrument when
// CORVANE_USB_SIM names its socket, else to the configured USB device.
#include "easyusb214x/easyusb214x.h"

#include <cstdio>
#include <cstdlib>
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

// A failure is told once on standard error (the terminal or the session's log),
// not again for every call that meets it.
void Report(int result) {
  static std::mutex mutex;
  static std::string told;
  const std::string reason = result < 0 ? Device().LastError() : std::string();
  std::lock_guard lock(mutex);
  if (reason == told) return;
  told = reason;
  if (!reason.empty()) std::fprintf(stderr, "USB: %s\n", reason.c_str());
}

}  // namespace

extern "C" int WriteData214x(int channel, const unsigned char* data, int count, int timeoutMs) {
  if (!data && count > 0) return -1;
  if (const char* sim = SimSocket())
    return corvane::usb::SimCall(sim, corvane::usbwire::kWrite, channel, data, nullptr, count, timeoutMs);
  const int result = Device().Write(channel, data, count, timeoutMs);
  Report(result);
  return result;
}

extern "C" int ReadData214x(int channel, unsigned char* buffer, int size, int timeoutMs) {
  if (!buffer && size > 0) return -1;
  if (const char* sim = SimSocket())
    return corvane::usb::SimCall(sim, corvane::usbwire::kRead, channel, nullptr, buffer, size, timeoutMs);
  const int result = Device().Read(channel, buffer, size, timeoutMs);
  Report(result);
  return result;
}

extern "C" const char* LastError214x(void) {
  thread_local std::string copy;
  if (SimSocket()) return "";
  copy = Device().LastError();
  return copy.c_str();
}

extern "C" void Close214x(void) { Device().Release(); }
