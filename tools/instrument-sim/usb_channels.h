#pragma once
// What the simulated instrument does with the USB library's calls, whatever
// carries them (the simulator socket, or an emulated USB device): requests and
// records written on channels 1 and 3, replies read on channel 0 and download data
// on channel 2. Not thread-safe: its owner serialises the calls.
#include <chrono>
#include <string>
#include <vector>

#include "instrument_core.h"

namespace corvane::sim {

class UsbChannels final {
 public:
  explicit UsbChannels(InstrumentConfig config) : core_(std::move(config)) {}
  InstrumentRecord& Record() { return core_.Record(); }
  const InstrumentConfig& Config() const { return core_.Config(); }

  // Takes the bytes written on a channel; returns how many were taken (all, unless
  // the chaos has the instrument take fewer).
  int Write(int channel, const std::string& bytes);
  // A read on the channel begins (a reply the chaos holds back shows up only after
  // some reads).
  void NoteRead(int channel);
  // Bytes waiting to be read on a channel.
  size_t Pending(int channel) const;
  // Up to `size` of them (and no more than the line carries before it is hung up).
  std::string Take(int channel, int size);
  // True once the configured hang-up point has been passed.
  bool HangUpDue() const;

 private:
  enum class Mode { Idle, AwaitAck, Streaming, Silent, CoordinateName, CoordinateData, CodeData };
  struct Outbox {
    std::string bytes;
    size_t pos = 0;
    size_t Pending() const { return bytes.size() - pos; }
  };
  void Request(sim::Request request);
  void UploadBlock(sim::Request kind, const std::string& block, bool addLineEnd);
  const Outbox* Box(int channel) const { return channel == 0 ? &replies_ : channel == 2 ? &data_ : nullptr; }

  // What the chaos does with a reply: how many reads see nothing first, and its bytes.
  void Reply(const std::string& bytes);
  std::string ChaosReply(sim::Request request, bool& accepted);

  InstrumentCore core_;
  Mode mode_ = Mode::Idle;
  int hiddenReads_ = 0;                          // reads on channel 0 that see no reply yet
  std::vector<StreamPause> pauses_;              // of the download's data
  std::chrono::steady_clock::time_point pausedUntil_;
  long long hangupAfter_ = -1;                   // data bytes (download) or blocks (uploads)
  int blocksIn_ = 0;
  int shortWriteAt_ = -1;
  Outbox replies_;  // channel 0
  Outbox data_;     // channel 2
  bool streamComplete_ = false;
  long long streamSent_ = 0;
  std::string upload_;
  long long uploadIn_ = 0;
};

}  // namespace corvane::sim
