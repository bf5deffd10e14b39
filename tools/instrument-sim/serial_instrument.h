#pragma once
// The simulated instrument on a serial line: it reads the PC's requests from a
// descriptor (the master side of a pseudo-terminal) and answers on it, on its own
// thread.
#include <atomic>
#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <thread>

#include "instrument_core.h"

namespace corvane::sim {

class SerialInstrument final {
 public:
  // Takes over `fd`: it is closed when the instrument hangs up or stops.
  SerialInstrument(int fd, InstrumentConfig config);
  ~SerialInstrument();
  SerialInstrument(const SerialInstrument&) = delete;
  SerialInstrument& operator=(const SerialInstrument&) = delete;

  void Start();
  void Stop();
  InstrumentRecord& Record() { return core_.Record(); }

 private:
  using Clock = std::chrono::steady_clock;
  enum class Mode { Idle, Answered, Streaming, Silent, CoordinateName, CoordinateData, CodeData };

  void Loop();
  // Bytes read from the PC's side go onto the modelled line; each comes off it one
  // character time after the one before (or after it went in, when the line was idle).
  void TakeFromPc(const unsigned char* data, size_t n, Clock::time_point now);
  // The bytes whose time has come reach the instrument.
  void Deliver(Clock::time_point now);
  // True for a byte that arrives while XOFF holds and the FIFO is full: it is lost.
  bool Overran(unsigned char b);
  void HoldInput();
  void Feed(const unsigned char* data, size_t n, Clock::time_point now);
  void Request(sim::Request request, Clock::time_point now);
  void EnterData(Mode mode, Clock::time_point now);
  void DataByte(unsigned char b, Clock::time_point now);
  void Queue(const std::string& bytes, Clock::time_point now);
  // Bytes the bit rate allows now.
  size_t Allowed(Clock::time_point now) const;
  int WaitMs(Clock::time_point now) const;
  void Flush(Clock::time_point now);
  void HangUp();
  // During a download the line drops a moment after the trigger, once the PC has
  // read what was sent (a hang-up throws away what the PC has not read yet).
  void HangUpSoon(Clock::time_point now);

  int fd_;
  int wake_[2] = {-1, -1};
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  InstrumentCore core_;

  Mode mode_ = Mode::Idle;
  unsigned char previous_ = 0;
  std::string tail_;   // the coordinate file name as it comes in
  std::string data_;   // the upload as it comes in
  int linesIn_ = 0;
  long long dataIn_ = 0;
  bool streamComplete_ = false;
  long long streamSent_ = 0;

  struct Inbound {
    unsigned char byte;
    Clock::time_point at;
  };
  std::deque<Inbound> inbound_;
  Clock::time_point lineFree_;
  // While the instrument holds the PC with XOFF, its receive FIFO takes what is
  // left of the record on its way and then `fifoBytes` more.
  bool holding_ = false;
  bool recordOnItsWay_ = false;
  int fifoLeft_ = 0;
  unsigned char previousIn_ = 0;

  std::string out_;
  size_t outPos_ = 0;
  Clock::time_point anchor_;
  long long anchorSent_ = 0;

  std::optional<Clock::time_point> streamAt_;
  std::optional<Clock::time_point> xonAt_;
  std::optional<Clock::time_point> hangupAt_;
};

}  // namespace corvane::sim
