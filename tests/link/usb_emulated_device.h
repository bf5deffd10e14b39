#pragma once
// A simulated instrument on an emulated USB port: umockdev emulates the device's
// sysfs entry and its usbdevfs node, and our ioctl handler answers the URBs that
// libusb submits and reaps with the simulated instrument's behaviour. The process
// must run with umockdev's preload library (see RunUnderUmockdev).
//
// The device: one vendor-specific interface with bulk endpoints 0x01 (channel 1)
// and 0x03 (channel 3) out, 0x81 (channel 0) and 0x82 (channel 2) in, 64-byte
// packets.
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "instrument_config.h"
#include "instrument_record.h"
#include "usb_channels.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace corvane::test {

struct EmulatedUsbOptions {
  uint16_t vendorId = 0xc0de;
  uint16_t productId = 0x0480;
  std::string serial = "SIM0480";
  // Each OUT transfer takes at most this many bytes (-1: all).
  int writeLimit = -1;
  // OUT transfers are never taken (the device NAKs): writes time out.
  bool stallWrites = false;
  // The first transfer on this endpoint stalls (EPIPE); an IN transfer hands over
  // up to `stallAfterBytes` of its data first. 0: none.
  unsigned char stallEndpoint = 0;
  int stallAfterBytes = 0;
};

class EmulatedUsbInstrument final {
 public:
  EmulatedUsbInstrument(sim::InstrumentConfig config, EmulatedUsbOptions options = {});
  ~EmulatedUsbInstrument();
  EmulatedUsbInstrument(const EmulatedUsbInstrument&) = delete;
  EmulatedUsbInstrument& operator=(const EmulatedUsbInstrument&) = delete;

  // Plugs the device in (it is not plugged in at construction).
  void Plug();
  // Pulls the cable: transfers in flight fail, the device leaves the bus.
  void Unplug();
  bool Plugged();
  sim::InstrumentRecord& Record() { return channels_.Record(); }
  // Bytes written and read on each endpoint, as "ep=bytes" lines.
  std::string Wire();
  // The endpoints whose halt the host cleared, in order.
  std::vector<unsigned char> ClearedHalts();

 private:
  struct Urb {
    UMockdevIoctlData* urb = nullptr;     // the client's struct usbdevfs_urb
    UMockdevIoctlData* buffer = nullptr;  // its data buffer
    unsigned char type = 0;
    unsigned char endpoint = 0;
    int length = 0;
    int status = 0;
    int actual = 0;
  };
  static int OnIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, void* self);
  bool Handle(UMockdevIoctlClient* client);
  void Submit(UMockdevIoctlClient* client);
  void Reap(UMockdevIoctlClient* client, bool wait);
  void Discard(UMockdevIoctlClient* client);
  void Control(Urb& urb);
  void Out(Urb& urb);
  // Gives waiting IN transfers what the instrument has for them.
  void FillIns();
  void Finish(Urb urb);
  void UnplugLocked();
  static void Free(Urb& urb);

  sim::UsbChannels channels_;
  EmulatedUsbOptions options_;
  UMockdevTestbed* testbed_ = nullptr;
  UMockdevIoctlBase* handler_ = nullptr;
  std::mutex mutex_;
  bool plugged_ = false;
  bool lastReapEmpty_ = false;
  std::string sysPath_;
  std::deque<Urb> waiting_;  // submitted, not yet complete
  std::deque<Urb> done_;     // complete, not yet reaped
  std::string wire_;
  std::vector<unsigned char> clearedHalts_;
  bool stalled_ = false;
};

// Runs the test program again with umockdev's preload library when it is not
// loaded yet; returns only in the emulated environment.
void RunUnderUmockdev(int argc, char** argv);

}  // namespace corvane::test
