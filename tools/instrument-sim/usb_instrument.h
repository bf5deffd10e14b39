#pragma once
// The simulated instrument behind the USB library stand-in: a local socket server
// that answers one framed call per connection, on its own thread.
#include <atomic>
#include <string>
#include <thread>

#include "usb_channels.h"

namespace corvane::sim {

class UsbInstrument final {
 public:
  UsbInstrument(std::string socketPath, InstrumentConfig config);
  ~UsbInstrument();
  UsbInstrument(const UsbInstrument&) = delete;
  UsbInstrument& operator=(const UsbInstrument&) = delete;

  // Listens on the socket (replacing a stale one) and starts serving.
  bool Start(std::string* reason);
  void Stop();
  InstrumentRecord& Record() { return channels_.Record(); }
  const std::string& SocketPath() const { return path_; }

 private:
  void Loop();
  void Serve(int connection);
  int Read(int channel, int size, int timeoutMs, std::string& out);
  void HangUp();

  std::string path_;
  int listen_ = -1;
  int wake_[2] = {-1, -1};
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  UsbChannels channels_;
};

}  // namespace corvane::sim
