#pragma once
// The simulated instrument behind the USB library stand-in: a local socket server
// that answers one framed call per connection, on its own thread.
#include <atomic>
#include <string>
#include <thread>

#include "instrument_core.h"

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
  InstrumentRecord& Record() { return core_.Record(); }
  const std::string& SocketPath() const { return path_; }

 private:
  enum class Mode { Idle, AwaitAck, Streaming, Silent, CoordinateName, CoordinateData, CodeData };
  // A queue of bytes the PC reads on one channel.
  struct Outbox {
    std::string bytes;
    size_t pos = 0;
    size_t Pending() const { return bytes.size() - pos; }
  };

  void Loop();
  void Serve(int connection);
  int Write(int channel, const std::string& bytes);
  int Read(int channel, int size, int timeoutMs, std::string& out);
  void Request(sim::Request request);
  void UploadBlock(sim::Request kind, const std::string& block, bool addLineEnd);
  void HangUp();

  std::string path_;
  int listen_ = -1;
  int wake_[2] = {-1, -1};
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  InstrumentCore core_;

  Mode mode_ = Mode::Idle;
  Outbox replies_;  // channel 0
  Outbox data_;     // channel 2
  bool streamComplete_ = false;
  long long streamSent_ = 0;
  std::string upload_;
  long long uploadIn_ = 0;
};

}  // namespace corvane::sim
