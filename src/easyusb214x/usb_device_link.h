#pragma once
// The USB library's transport to a real instrument, over libusb: the device with
// the configured ids is opened on first use, the interface that holds a channel's
// endpoint is claimed (a kernel driver holding it is detached), and each call is
// one bulk or interrupt transfer with the call's own time-out. The device is
// released when no call has come for a while (the transfer has ended) and no bytes
// are held over for a later read, and at once when it is unplugged or fails; a
// later call opens it again, so an instrument plugged in while the program runs is
// found without a restart. After a failed open or an unplug the next attempts wait
// a little longer each time (up to two seconds), until Release.
//
// One call at a time: calls from several threads wait for each other.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "easyusb214x/usb_device_settings.h"

struct libusb_context;
struct libusb_device_handle;

namespace corvane::usb {

class UsbDeviceLink final {
 public:
  using SettingsSource = std::function<UsbDeviceSettings()>;
  // `settings` is asked again at every open, so changed settings take effect with
  // the next transfer.
  explicit UsbDeviceLink(SettingsSource settings, int idleReleaseMs = kIdleReleaseMs);
  ~UsbDeviceLink();
  UsbDeviceLink(const UsbDeviceLink&) = delete;
  UsbDeviceLink& operator=(const UsbDeviceLink&) = delete;

  // The library's results: bytes written (fewer than `count` when the device did
  // not take them all in time), bytes read (0: nothing in time), -1 on a failure
  // (with its reason in LastError). A read whose transfer failed after some bytes
  // hands those over and fails the next call on that channel with the reason.
  int Write(int channel, const unsigned char* data, int count, int timeoutMs);
  int Read(int channel, unsigned char* buffer, int size, int timeoutMs);

  // Why the last failed call failed; empty after a call that worked.
  std::string LastError() const;
  bool IsOpen() const;
  // How often the device has been looked for (libusb started) so far.
  int OpenAttempts() const;
  // The transfer has ended: the device, the bytes held over and the failures kept
  // for later calls go, and the next call opens the device at once.
  void Release();

  // Longer than any pause between two calls of a transfer.
  static constexpr int kIdleReleaseMs = 3000;
  // No call moves more than this; larger counts are refused (writes) or capped
  // (reads) before any arithmetic on them.
  static constexpr int kMaxTransfer = 1 << 20;

 private:
  struct Endpoint {
    unsigned char address = 0;
    int interfaceNumber = -1;
    bool interrupt = false;
    int packetSize = 64;
  };
  bool EnsureOpen();
  bool FindAndOpen(const UsbDeviceSettings& s);
  // The endpoint of a channel, its interface claimed; null with the reason set.
  const Endpoint* Claim(int channel, bool in);
  int Transfer(const Endpoint& ep, unsigned char* data, int length, int timeoutMs, int& transferred);
  // After a failed transfer on an endpoint: forget the device when it is gone,
  // clear the halt of that endpoint when it stalled.
  void Failed(int rc, const std::string& what, unsigned char endpoint);
  // -1 with the reason.
  int Fail(std::string reason);
  // -1 with the failure kept for the channel's next call, which it then forgets.
  int FailDeferred(int channel);
  void ReleaseLocked();
  bool HoldsBytes() const;
  void IdleLoop();
  void Touch();

  SettingsSource settings_;
  const int idleReleaseMs_;
  mutable std::mutex mutex_;
  std::string lastError_;
  UsbDeviceSettings open_;
  libusb_context* context_ = nullptr;
  libusb_device_handle* handle_ = nullptr;
  std::map<unsigned char, Endpoint> endpoints_;
  std::map<int, bool> claimed_;
  // Bytes read beyond what a call asked for (a read asks for whole packets), per
  // channel; the next read on it gets them first. They outlive a release of the
  // device, up to Release.
  std::map<int, std::string> pending_;
  // A failure that came after some bytes of a read: the next call on the channel
  // reports it.
  std::map<int, std::string> deferredFailure_;
  // When the next open may be tried, and how long the wait after the next failure.
  std::chrono::steady_clock::time_point nextOpen_;
  std::chrono::milliseconds openBackoff_{0};
  std::string openFailure_;
  int openAttempts_ = 0;

  std::condition_variable idleWake_;
  std::chrono::steady_clock::time_point lastUse_;
  bool stopping_ = false;
  std::thread idleThread_;
};

}  // namespace corvane::usb
