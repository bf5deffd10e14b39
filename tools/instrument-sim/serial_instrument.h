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
  // True for a byte that arrives while XOFF holds, is not part of a record the PC
  // had begun before the XOFF reached it, and finds the FIFO full: it is lost.
  bool Overran(unsigned char b, Clock::time_point at);
  // Queues bytes for the PC; an XOFF among them starts a hold (XON `holdMs` later,
  // never when negative), an XON ends it.
  void Send(const std::string& bytes, Clock::time_point now, int holdMs);
  void StartHold(Clock::time_point now, int holdMs);
  // The bytes go out `delayMs` from now (an answer that comes late).
  void SendLater(const std::string& bytes, Clock::time_point now, int delayMs, int holdMs);
  // How long the PC waits before it reads the answer to a request.
  int AnswerWindowMs(sim::Request request) const;
  Clock::duration CharacterTime() const;
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
  // A download's data begins: cut, paused and hung up as the chaos says.
  void StartStream();

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
  // While the instrument holds the PC with XOFF, it takes the rest of a record the
  // PC had begun before the XOFF reached it, and then `fifoBytes` more.
  bool holding_ = false;
  bool xoffOnLine_ = false;
  Clock::time_point holdReachesPc_;
  int fifoLeft_ = 0;
  unsigned char previousIn_ = 0;
  bool unitEnded_ = true;          // the last byte from the PC ended a line (or the end marker)
  Clock::time_point unitStarted_;  // when the first byte of the current line left the PC
  // Bytes to send later (late answers), in time order.
  struct Later {
    Clock::time_point at;
    std::string bytes;
    int holdMs;
  };
  std::deque<Later> later_;
  // A download's data in pieces with a pause before each.
  std::deque<std::pair<std::string, int>> chunks_;
  std::optional<Clock::time_point> chunkAt_;
  long long hangupAfter_ = -1;  // data bytes of this transfer after which the line hangs up

  std::string out_;
  size_t outPos_ = 0;
  Clock::time_point anchor_;
  long long anchorSent_ = 0;

  std::optional<Clock::time_point> streamAt_;
  std::optional<Clock::time_point> xonAt_;
  std::optional<Clock::time_point> hangupAt_;
};

}  // namespace corvane::sim
