#pragma once
// The instrument's XON/XOFF pacing during serial uploads, checked after every piece
// of the upload file and again right before a record or code goes out.
#include <atomic>

#include "core/link/clock.h"
#include "core/link/serial_port.h"

namespace corvane {

inline constexpr unsigned char kXon = 0x11;
inline constexpr unsigned char kXoff = 0x13;

enum class PacingResult { Go, GaveUp, LinkLost, Stopped };

class XoffPacing final {
 public:
  // pollCount: where the poll counter starts; the upload gives up when it reaches
  // pollLimit. A counter that starts at or beyond the limit gives up at the first
  // poll (the code upload shares the counter with its request loop).
  XoffPacing(ISerialPort& port, IClock& clock, const std::atomic<bool>& running, int pollCount, int pollLimit);

  // Reads up to two bytes; when one is XOFF, waits in 200 ms steps until XON comes.
  // The bytes that arrive while waiting are read rather than thrown away, so an XON
  // sent during a pause is never missed.
  PacingResult AfterPiece();
  int PollCount() const { return polls_; }

 private:
  enum class Flow { None, Xon, Xoff };
  // Reads everything waiting; the last XON or XOFF among it.
  Flow Drain();
  ISerialPort& port_;
  IClock& clock_;
  const std::atomic<bool>& running_;
  int polls_;
  int limit_;
};

}  // namespace corvane
