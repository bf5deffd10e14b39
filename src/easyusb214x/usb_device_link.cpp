#include "easyusb214x/usb_device_link.h"

#include <libusb.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace corvane::usb {
namespace {

std::string DeviceName(const UsbDeviceSettings& s) {
  std::string name = FormatUsbId(s.vendorId) + ":" + FormatUsbId(s.productId);
  if (!s.serial.empty()) name += " with serial number \"" + s.serial + "\"";
  return name;
}

std::string SerialOf(libusb_device_handle* h, uint8_t index) {
  unsigned char text[256] = {};
  if (index == 0) return {};
  const int n = libusb_get_string_descriptor_ascii(h, index, text, sizeof text);
  return n > 0 ? std::string(reinterpret_cast<char*>(text), static_cast<size_t>(n)) : std::string();
}

constexpr std::chrono::milliseconds kFirstBackoff{250};
constexpr std::chrono::milliseconds kLongestBackoff{2000};

}  // namespace

UsbDeviceLink::UsbDeviceLink(SettingsSource settings, int idleReleaseMs)
    : settings_(std::move(settings)), idleReleaseMs_(idleReleaseMs) {
  idleThread_ = std::thread([this] { IdleLoop(); });
}

UsbDeviceLink::~UsbDeviceLink() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  idleWake_.notify_all();
  idleThread_.join();
  std::lock_guard lock(mutex_);
  ReleaseLocked();
}

std::string UsbDeviceLink::LastError() const {
  std::lock_guard lock(mutex_);
  return lastError_;
}

int UsbDeviceLink::OpenAttempts() const {
  std::lock_guard lock(mutex_);
  return openAttempts_;
}

bool UsbDeviceLink::IsOpen() const {
  std::lock_guard lock(mutex_);
  return handle_ != nullptr;
}

void UsbDeviceLink::Release() {
  std::lock_guard lock(mutex_);
  ReleaseLocked();
  pending_.clear();
  deferredFailure_.clear();
  openBackoff_ = std::chrono::milliseconds{0};
  nextOpen_ = {};
}

bool UsbDeviceLink::HoldsBytes() const {
  for (const auto& [channel, bytes] : pending_)
    if (!bytes.empty()) return true;
  return false;
}

int UsbDeviceLink::Fail(std::string reason) {
  lastError_ = std::move(reason);
  return -1;
}

int UsbDeviceLink::FailDeferred(int channel) {
  std::string why = std::move(deferredFailure_[channel]);
  deferredFailure_.erase(channel);
  return Fail(std::move(why));
}

void UsbDeviceLink::Touch() { lastUse_ = std::chrono::steady_clock::now(); }

void UsbDeviceLink::IdleLoop() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (!handle_) {
      idleWake_.wait(lock);
      continue;
    }
    const auto due = lastUse_ + std::chrono::milliseconds(idleReleaseMs_);
    // Bytes held over for a later read keep the device until the transfer ends.
    if (std::chrono::steady_clock::now() >= due && !HoldsBytes()) ReleaseLocked();
    else idleWake_.wait_until(lock, std::max(due, std::chrono::steady_clock::now() + std::chrono::milliseconds(idleReleaseMs_)));
  }
}

void UsbDeviceLink::ReleaseLocked() {
  if (handle_) {
    for (const auto& [number, claimed] : claimed_)
      if (claimed) libusb_release_interface(handle_, number);
    libusb_close(handle_);
    handle_ = nullptr;
  }
  if (context_) libusb_exit(context_);
  context_ = nullptr;
  endpoints_.clear();
  claimed_.clear();
}

bool UsbDeviceLink::EnsureOpen() {
  if (handle_) return true;
  const auto now = std::chrono::steady_clock::now();
  // Soon after a failed open or an unplug, libusb is not asked again: the reason
  // stays what it was.
  if (now < nextOpen_) {
    lastError_ = openFailure_;
    return false;
  }
  UsbDeviceSettings s = settings_();
  if (!s.problem.empty()) {
    lastError_ = s.problem;
    return false;
  }
  if (!FindAndOpen(s)) {
    openBackoff_ = std::min(kLongestBackoff, std::max(kFirstBackoff, openBackoff_ * 2));
    nextOpen_ = now + openBackoff_;
    openFailure_ = lastError_;
    return false;
  }
  openBackoff_ = std::chrono::milliseconds{0};
  open_ = std::move(s);
  idleWake_.notify_all();
  return true;
}

bool UsbDeviceLink::FindAndOpen(const UsbDeviceSettings& s) {
  // A fresh context per open: the device list is read anew, so a device plugged in
  // since the last transfer is seen.
  ++openAttempts_;
  int rc = libusb_init(&context_);
  if (rc != 0) {
    context_ = nullptr;
    lastError_ = std::string("USB devices cannot be reached: ") + libusb_strerror(rc);
    return false;
  }
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context_, &list);
  bool refused = false;
  std::string otherFailure;
  for (ssize_t i = 0; i < count && !handle_; ++i) {
    libusb_device_descriptor desc{};
    if (libusb_get_device_descriptor(list[i], &desc) != 0 || desc.idVendor != s.vendorId ||
        desc.idProduct != s.productId)
      continue;
    libusb_device_handle* h = nullptr;
    rc = libusb_open(list[i], &h);
    if (rc == LIBUSB_ERROR_ACCESS) refused = true;
    if (rc != 0) {
      otherFailure = libusb_strerror(rc);
      continue;
    }
    if (!s.serial.empty() && SerialOf(h, desc.iSerialNumber) != s.serial) {
      libusb_close(h);
      continue;
    }
    handle_ = h;
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(list[i], &config) != 0 &&
        libusb_get_config_descriptor(list[i], 0, &config) != 0)
      config = nullptr;
    for (int n = 0; config && n < config->bNumInterfaces; ++n) {
      if (config->interface[n].num_altsetting < 1) continue;
      const libusb_interface_descriptor& alt = config->interface[n].altsetting[0];
      for (int e = 0; e < alt.bNumEndpoints; ++e) {
        const libusb_endpoint_descriptor& d = alt.endpoint[e];
        const int type = d.bmAttributes & 0x03;
        if (type != LIBUSB_ENDPOINT_TRANSFER_TYPE_BULK && type != LIBUSB_ENDPOINT_TRANSFER_TYPE_INTERRUPT) continue;
        Endpoint& ep = endpoints_[d.bEndpointAddress];
        ep.address = d.bEndpointAddress;
        ep.interfaceNumber = alt.bInterfaceNumber;
        ep.interrupt = type == LIBUSB_ENDPOINT_TRANSFER_TYPE_INTERRUPT;
        ep.packetSize = std::max<int>(1, d.wMaxPacketSize & 0x7ff);
      }
    }
    if (config) libusb_free_config_descriptor(config);
  }
  if (list) libusb_free_device_list(list, 1);
  if (handle_) {
    libusb_set_auto_detach_kernel_driver(handle_, 1);
    return true;
  }
  if (refused) lastError_ = AccessRefusedText(s.vendorId, s.productId);
  else if (!otherFailure.empty()) lastError_ = "The USB instrument " + DeviceName(s) + " cannot be opened: " + otherFailure;
  else lastError_ = "No USB instrument " + DeviceName(s) + " is connected.";
  libusb_exit(context_);
  context_ = nullptr;
  return false;
}

const UsbDeviceLink::Endpoint* UsbDeviceLink::Claim(int channel, bool in) {
  const int address = EndpointFor(open_.endpoints, channel, in);
  const char* side = in ? "IN" : "OUT";
  if (address < 0) {
    lastError_ = "Channel " + std::to_string(channel) + " has no USB " + side +
                 " endpoint: list one in the endpoint map (for example " + std::to_string(channel) + ":" +
                 (in ? "0x81" : "0x01") + ").";
    return nullptr;
  }
  auto it = endpoints_.find(static_cast<unsigned char>(address));
  if (it == endpoints_.end()) {
    std::string have;
    for (const auto& [a, ep] : endpoints_) have += (have.empty() ? "" : ", ") + FormatUsbByte(a);
    lastError_ = "The USB instrument has no " + std::string(side) + " endpoint " + FormatUsbByte(static_cast<unsigned>(address)) +
                 " for channel " + std::to_string(channel) + " (it has " + (have.empty() ? "none" : have) +
                 "): correct the endpoint map.";
    return nullptr;
  }
  const int number = it->second.interfaceNumber;
  if (!claimed_[number]) {
    const int rc = libusb_claim_interface(handle_, number);
    if (rc != 0) {
      lastError_ = "Interface " + std::to_string(number) + " of the USB instrument cannot be claimed: " +
                   (rc == LIBUSB_ERROR_BUSY ? std::string("another program is using it") : libusb_strerror(rc));
      if (rc == LIBUSB_ERROR_NO_DEVICE) ReleaseLocked();
      return nullptr;
    }
    claimed_[number] = true;
  }
  return &it->second;
}

int UsbDeviceLink::Transfer(const Endpoint& ep, unsigned char* data, int length, int timeoutMs, int& transferred) {
  transferred = 0;
  // libusb waits for ever on a time-out of 0: a call never does.
  const unsigned timeout = static_cast<unsigned>(std::max(1, timeoutMs));
  return ep.interrupt ? libusb_interrupt_transfer(handle_, ep.address, data, length, &transferred, timeout)
                      : libusb_bulk_transfer(handle_, ep.address, data, length, &transferred, timeout);
}

void UsbDeviceLink::Failed(int rc, const std::string& what, unsigned char endpoint) {
  if (rc == LIBUSB_ERROR_NO_DEVICE) lastError_ = "The USB instrument was unplugged during a " + what + ".";
  else lastError_ = "USB " + what + " failed: " + libusb_strerror(rc);
  if (rc == LIBUSB_ERROR_PIPE) {
    // Only the endpoint that stalled is cleared; the others keep their state.
    libusb_clear_halt(handle_, endpoint);
    return;
  }
  if (rc == LIBUSB_ERROR_OVERFLOW || rc == LIBUSB_ERROR_INTERRUPTED) return;
  ReleaseLocked();
  if (rc == LIBUSB_ERROR_NO_DEVICE) {
    // Unplugged: the next calls do not reopen libusb at once, and keep this reason.
    openBackoff_ = kFirstBackoff;
    nextOpen_ = std::chrono::steady_clock::now() + openBackoff_;
    openFailure_ = lastError_;
  }
}

int UsbDeviceLink::Write(int channel, const unsigned char* data, int count, int timeoutMs) {
  std::lock_guard lock(mutex_);
  Touch();
  if (count < 0 || (!data && count > 0))
    return Fail("WriteData214x was called with " + std::string(count < 0 ? "a negative count" : "no data") + ".");
  if (count > kMaxTransfer)
    return Fail("A write of " + std::to_string(count) + " bytes is more than the USB library takes at once (" +
                std::to_string(kMaxTransfer) + ").");
  if (deferredFailure_.count(channel)) return FailDeferred(channel);
  if (!EnsureOpen()) return -1;
  const Endpoint* ep = Claim(channel, false);
  if (!ep) return -1;
  std::vector<unsigned char> copy(data, data + count);
  int sent = 0;
  const int rc = Transfer(*ep, copy.data(), count, timeoutMs, sent);
  Touch();
  if (rc == 0 || rc == LIBUSB_ERROR_TIMEOUT) {
    if (sent < count) lastError_ = "The USB instrument took " + std::to_string(sent) + " of " + std::to_string(count) +
                                   " bytes in " + std::to_string(timeoutMs) + " ms.";
    else lastError_.clear();
    return sent;
  }
  Failed(rc, "write on channel " + std::to_string(channel), ep->address);
  // Part of the block went out before the failure: the count says so, and the
  // reason stays for the caller.
  return sent > 0 ? sent : -1;
}

int UsbDeviceLink::Read(int channel, unsigned char* buffer, int size, int timeoutMs) {
  std::lock_guard lock(mutex_);
  Touch();
  if (size < 0 || (!buffer && size > 0))
    return Fail("ReadData214x was called with " + std::string(size < 0 ? "a negative size" : "no buffer") + ".");
  size = std::min(size, kMaxTransfer);
  // Bytes held over from an earlier read come first, whatever became of the device.
  std::string& kept = pending_[channel];
  if (!kept.empty() && size > 0) {
    const size_t n = std::min(kept.size(), static_cast<size_t>(size));
    std::copy_n(kept.data(), n, buffer);
    kept.erase(0, n);
    lastError_.clear();
    return static_cast<int>(n);
  }
  if (deferredFailure_.count(channel)) return FailDeferred(channel);
  if (!EnsureOpen()) return -1;
  const Endpoint* ep = Claim(channel, true);
  if (!ep) return -1;
  lastError_.clear();
  if (size == 0) return 0;
  // The device may send a whole packet whatever the call asked for: read whole
  // packets and keep the rest for the next call. `size` is capped, so this cannot
  // overflow.
  const int packets = (size + ep->packetSize - 1) / ep->packetSize;
  const int length = packets * ep->packetSize;
  std::vector<unsigned char> data(static_cast<size_t>(length));
  int got = 0;
  const unsigned char address = ep->address;
  const int rc = Transfer(*ep, data.data(), length, timeoutMs, got);
  Touch();
  const int n = std::min(got, size);
  std::copy_n(data.data(), n, buffer);
  if (got > n) pending_[channel].assign(reinterpret_cast<const char*>(data.data()) + n, static_cast<size_t>(got - n));
  if (rc == 0 || rc == LIBUSB_ERROR_TIMEOUT) return n;
  Failed(rc, "read on channel " + std::to_string(channel), address);
  if (n == 0) return -1;
  // What came before the failure is handed over now; the next call on the channel
  // reports the failure.
  deferredFailure_[channel] = lastError_;
  return n;
}

}  // namespace corvane::usb
