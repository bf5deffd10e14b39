#include "usb_emulated_device.h"

#include "easyusb214x/easyusb214x.h"

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <umockdev.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace corvane::test {
namespace {

constexpr char kDevNode[] = "/dev/bus/usb/001/004";
// With nothing to reap, the reap ioctl answers after this pause: the emulated node
// is a socket that always polls ready, so libusb asks again at once.
constexpr unsigned kIdleReapMicros = 50000;

int ChannelOf(unsigned char endpoint) {
  switch (endpoint) {
    case 0x01: return 1;
    case 0x03: return 3;
    case 0x81: return 0;
    case 0x82: return 2;
    default: return -1;
  }
}

std::string Hex(const std::vector<unsigned char>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (unsigned char b : bytes) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

std::vector<unsigned char> Descriptors(const EmulatedUsbOptions& o) {
  std::vector<unsigned char> d = {18, 1, 0x00, 0x02, 0, 0, 0, 64, static_cast<unsigned char>(o.vendorId & 0xff),
                                  static_cast<unsigned char>(o.vendorId >> 8), static_cast<unsigned char>(o.productId & 0xff),
                                  static_cast<unsigned char>(o.productId >> 8), 0x00, 0x01, 1, 2, 3, 1};
  const std::vector<unsigned char> config = {9, 2, 46, 0, 1, 1, 0, 0x80, 50,
                                             9, 4, 0, 0, 4, 0xff, 0, 0, 0,
                                             7, 5, 0x01, 2, 64, 0, 0,
                                             7, 5, 0x03, 2, 64, 0, 0,
                                             7, 5, 0x81, 2, 64, 0, 0,
                                             7, 5, 0x82, 2, 64, 0, 0};
  d.insert(d.end(), config.begin(), config.end());
  return d;
}

std::vector<unsigned char> StringDescriptor(const std::string& text) {
  std::vector<unsigned char> d = {static_cast<unsigned char>(2 + 2 * text.size()), 3};
  for (char c : text) {
    d.push_back(static_cast<unsigned char>(c));
    d.push_back(0);
  }
  return d;
}

}  // namespace

EmulatedUsbInstrument::EmulatedUsbInstrument(sim::InstrumentConfig config, EmulatedUsbOptions options)
    : channels_(std::move(config)), options_(std::move(options)) {
  testbed_ = umockdev_testbed_new();
  handler_ = umockdev_ioctl_base_new();
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&EmulatedUsbInstrument::OnIoctl), this);
}

EmulatedUsbInstrument::~EmulatedUsbInstrument() {
  // The library lets go of the device while the emulation still answers.
  Close214x();
  Unplug();
  g_object_unref(testbed_);
  g_object_unref(handler_);
  std::lock_guard lock(mutex_);
  for (Urb& u : waiting_) Free(u);
  for (Urb& u : done_) Free(u);
}

void EmulatedUsbInstrument::Plug() {
  std::lock_guard lock(mutex_);
  if (plugged_) return;
  umockdev_testbed_attach_ioctl(testbed_, kDevNode, handler_, nullptr);
  const std::string record = std::string("P: /devices/usb1/1-4\nN: bus/usb/001/004\nE: SUBSYSTEM=usb\n") +
                             "E: DEVTYPE=usb_device\nE: DEVNAME=/dev/bus/usb/001/004\nE: BUSNUM=001\nE: DEVNUM=004\n" +
                             "A: busnum=1\\n\nA: devnum=4\\n\nA: bConfigurationValue=1\\n\nA: speed=480\\n\n" +
                             "H: descriptors=" + Hex(Descriptors(options_)) + "\n";
  umockdev_testbed_add_from_string(testbed_, record.c_str(), nullptr);
  sysPath_ = "/sys/devices/usb1/1-4";
  plugged_ = true;
}

void EmulatedUsbInstrument::Unplug() {
  std::lock_guard lock(mutex_);
  UnplugLocked();
}

void EmulatedUsbInstrument::UnplugLocked() {
  if (!plugged_) return;
  plugged_ = false;
  // What was in flight fails as on a real unplug; the next reap finds the device gone.
  for (Urb& u : waiting_) {
    u.status = -ESHUTDOWN;
    u.actual = 0;
    done_.push_back(u);
  }
  waiting_.clear();
  umockdev_testbed_remove_device(testbed_, sysPath_.c_str());
  umockdev_testbed_detach_ioctl(testbed_, kDevNode, nullptr);
}

bool EmulatedUsbInstrument::Plugged() {
  std::lock_guard lock(mutex_);
  return plugged_;
}

std::vector<unsigned char> EmulatedUsbInstrument::ClearedHalts() {
  std::lock_guard lock(mutex_);
  return clearedHalts_;
}

std::string EmulatedUsbInstrument::Wire() {
  std::lock_guard lock(mutex_);
  return wire_;
}

void EmulatedUsbInstrument::Free(Urb& urb) {
  if (urb.buffer) g_object_unref(urb.buffer);
  if (urb.urb) g_object_unref(urb.urb);
  urb.buffer = urb.urb = nullptr;
}

int EmulatedUsbInstrument::OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
  return static_cast<EmulatedUsbInstrument*>(self)->Handle(client) ? TRUE : FALSE;
}

bool EmulatedUsbInstrument::Handle(UMockdevIoctlClient* client) {
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  std::unique_lock lock(mutex_);
  switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* d = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(guint32), nullptr);
      guint32 caps = USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
      umockdev_ioctl_data_update(d, 0, reinterpret_cast<guint8*>(&caps), sizeof caps);
      g_object_unref(d);
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    }
    case USBDEVFS_CLEAR_HALT:
      if (plugged_) {
        UMockdevIoctlData* d =
            umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(unsigned int), nullptr);
        if (d) {
          clearedHalts_.push_back(static_cast<unsigned char>(*reinterpret_cast<const unsigned int*>(d->data)));
          g_object_unref(d);
        }
      }
      [[fallthrough]];
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_RESETEP:
    case USBDEVFS_SETINTERFACE:
      if (plugged_) umockdev_ioctl_client_complete(client, 0, 0);
      else umockdev_ioctl_client_complete(client, -1, ENODEV);
      return true;
    case USBDEVFS_GETDRIVER:
      umockdev_ioctl_client_complete(client, -1, plugged_ ? ENODATA : ENODEV);
      return true;
    case USBDEVFS_SUBMITURB:
      Submit(client);
      return true;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      // libusb reaps until nothing is left: the first empty answer comes at once,
      // a second one in a row after a pause.
      if (done_.empty() && plugged_ && lastReapEmpty_) {
        lock.unlock();
        g_usleep(kIdleReapMicros);
        lock.lock();
      }
      lastReapEmpty_ = done_.empty();
      Reap(client, request == USBDEVFS_REAPURB);
      return true;
    case USBDEVFS_DISCARDURB:
      Discard(client);
      return true;
    default:
      umockdev_ioctl_client_complete(client, -1, plugged_ ? ENOTTY : ENODEV);
      return true;
  }
}

void EmulatedUsbInstrument::Submit(UMockdevIoctlClient* client) {
  if (!plugged_) {
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return;
  }
  Urb u;
  u.urb = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(usbdevfs_urb), nullptr);
  const auto* raw = reinterpret_cast<const usbdevfs_urb*>(u.urb->data);
  u.type = raw->type;
  u.endpoint = raw->endpoint;
  u.length = raw->buffer_length;
  if (u.length > 0) u.buffer = umockdev_ioctl_data_resolve(u.urb, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(u.length), nullptr);
  umockdev_ioctl_client_complete(client, 0, 0);
  if (u.type == USBDEVFS_URB_TYPE_CONTROL) {
    Control(u);
  } else if (u.endpoint == options_.stallEndpoint && !stalled_ && !(u.endpoint & 0x80)) {
    stalled_ = true;
    u.status = -EPIPE;
    u.actual = 0;
    Finish(u);
  } else if (!(u.endpoint & 0x80)) {
    if (options_.stallWrites) waiting_.push_back(u);
    else Out(u);
  } else {
    waiting_.push_back(u);
  }
  FillIns();
}

void EmulatedUsbInstrument::Control(Urb& u) {
  // Only string descriptors are asked for over the wire: the rest comes from sysfs.
  const guint8* setup = u.buffer ? u.buffer->data : nullptr;
  std::vector<unsigned char> reply;
  bool ok = false;
  if (setup && u.length >= 8 && setup[0] == 0x80 && setup[1] == 6 && setup[3] == 3) {
    ok = true;
    switch (setup[2]) {
      case 0: reply = {4, 3, 0x09, 0x04}; break;
      case 1: reply = StringDescriptor("Corvane test bench"); break;
      case 2: reply = StringDescriptor("Emulated total station"); break;
      case 3: reply = StringDescriptor(options_.serial); break;
      default: ok = false;
    }
  }
  const int wanted = setup ? setup[6] | (setup[7] << 8) : 0;
  const int n = std::min<int>({static_cast<int>(reply.size()), wanted, u.length - 8});
  if (ok && n > 0) umockdev_ioctl_data_update(u.buffer, 8, reply.data(), n);
  u.status = ok ? 0 : -EPIPE;
  u.actual = ok ? std::max(n, 0) : 0;
  Finish(u);
}

void EmulatedUsbInstrument::Out(Urb& u) {
  const int channel = ChannelOf(u.endpoint);
  const int n = options_.writeLimit >= 0 ? std::min(u.length, options_.writeLimit) : u.length;
  std::string bytes = u.buffer ? std::string(reinterpret_cast<const char*>(u.buffer->data), static_cast<size_t>(n)) : "";
  const int taken = channel >= 0 ? channels_.Write(channel, bytes) : n;
  channels_.Record().Call({'W', channel, bytes, taken});
  u.status = 0;
  u.actual = taken;
  Finish(u);
  if (channels_.HangUpDue()) UnplugLocked();
}

void EmulatedUsbInstrument::FillIns() {
  for (auto it = waiting_.begin(); it != waiting_.end() && plugged_;) {
    const int channel = (it->endpoint & 0x80) ? ChannelOf(it->endpoint) : -1;
    if (channel < 0 || channels_.Pending(channel) == 0) {
      ++it;
      continue;
    }
    Urb u = *it;
    it = waiting_.erase(it);
    // A stall after some of the data: the bytes that came, then EPIPE.
    const bool stall = u.endpoint == options_.stallEndpoint && !stalled_;
    const std::string bytes = channels_.Take(channel, stall ? std::min(u.length, options_.stallAfterBytes) : u.length);
    umockdev_ioctl_data_update(u.buffer, 0, reinterpret_cast<guint8*>(const_cast<char*>(bytes.data())),
                               static_cast<gint>(bytes.size()));
    channels_.Record().Call({'R', channel, bytes, static_cast<int>(bytes.size())});
    if (stall) stalled_ = true;
    u.status = stall ? -EPIPE : 0;
    u.actual = static_cast<int>(bytes.size());
    Finish(u);
    if (channels_.HangUpDue()) {
      UnplugLocked();
      return;
    }
  }
}

void EmulatedUsbInstrument::Finish(Urb u) {
  const std::string dir = (u.endpoint & 0x80) ? "R" : "W";
  if (u.type != USBDEVFS_URB_TYPE_CONTROL && u.actual > 0) wire_ += dir + " " + std::to_string(u.endpoint) + "\n";
  done_.push_back(u);
}

void EmulatedUsbInstrument::Reap(UMockdevIoctlClient* client, bool) {
  if (done_.empty()) {
    umockdev_ioctl_client_complete(client, -1, plugged_ ? EAGAIN : ENODEV);
    return;
  }
  Urb u = done_.front();
  done_.pop_front();
  UMockdevIoctlData* ptr = umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, sizeof(void*), nullptr);
  umockdev_ioctl_data_update(u.urb, offsetof(usbdevfs_urb, status), reinterpret_cast<guint8*>(&u.status), sizeof(int));
  umockdev_ioctl_data_update(u.urb, offsetof(usbdevfs_urb, actual_length), reinterpret_cast<guint8*>(&u.actual),
                             sizeof(int));
  umockdev_ioctl_data_set_ptr(ptr, 0, u.urb);
  umockdev_ioctl_client_complete(client, 0, 0);
  g_object_unref(ptr);
  Free(u);
}

void EmulatedUsbInstrument::Discard(UMockdevIoctlClient* client) {
  const gulong address = *reinterpret_cast<const gulong*>(umockdev_ioctl_client_get_arg(client)->data);
  for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
    if (it->urb->client_addr != address) continue;
    Urb u = *it;
    waiting_.erase(it);
    u.status = -ENOENT;
    u.actual = 0;
    done_.push_back(u);
    umockdev_ioctl_client_complete(client, 0, 0);
    return;
  }
  umockdev_ioctl_client_complete(client, -1, EINVAL);
}

void RunUnderUmockdev(int argc, char** argv) {
  (void)argc;
  const char* loaded = std::getenv("LD_PRELOAD");
  if (loaded && std::strstr(loaded, "libumockdev-preload")) return;
  std::string preload = "libumockdev-preload.so.0";
  if (const char* old = std::getenv("LD_PRELOAD"); old && *old) preload += std::string(":") + old;
  ::setenv("LD_PRELOAD", preload.c_str(), 1);
  // The sanitizer runtime then is not first in the library list; that is fine here.
  std::string asan = "verify_asan_link_order=0";
  if (const char* old = std::getenv("ASAN_OPTIONS"); old && *old) asan = std::string(old) + ":" + asan;
  ::setenv("ASAN_OPTIONS", asan.c_str(), 1);
  ::execv("/proc/self/exe", argv);
  std::perror("exec under umockdev");
  std::exit(1);
}

}  // namespace corvane::test
