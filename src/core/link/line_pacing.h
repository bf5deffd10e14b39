#pragma once
// How long a byte takes on the serial line, and waiting until a written byte has
// really left the PC: the driver's output queue is empty and the byte's character
// time has passed since it went in. A pseudo-terminal reports no queue at all, so
// the character time is the floor on every device.
#include <cstdint>
#include <functional>

namespace corvane {

// Start bit, data bits, parity bit and stop bits at the bit rate. stopBits: 0 one,
// 1 one and a half (the line sends two), 2 two; parity 0 none.
int64_t CharacterTimeNs(int baud, int dataBits, int parity, int stopBits);

// Time for the wait: a steady clock in nanoseconds and a sleep to a point on it.
class ILineTime {
 public:
  virtual ~ILineTime() = default;
  virtual int64_t NowNs() = 0;
  virtual void SleepUntilNs(int64_t when) = 0;
};

// The steady clock. Sleeps wake close to their time (the last stretch is waited
// out on the clock), so pauses of a character do not add up to a slower line.
class SteadyLineTime final : public ILineTime {
 public:
  int64_t NowNs() override;
  void SleepUntilNs(int64_t when) override;
};

enum class ByteWait {
  Sent,      // the queue is empty and the character time has passed
  TimedOut,  // still queued at the limit: the line takes nothing (flow control, cable)
  Lost,      // the queue could not be asked: the device is gone
};

// Waits until the byte that went into the driver at `wentInNs` has left. `queued`
// tells how many bytes the driver still holds (negative when it cannot be asked).
ByteWait WaitUntilSent(int64_t wentInNs, int64_t characterNs, int64_t limitNs, const std::function<int()>& queued,
                       ILineTime& time);

}  // namespace corvane
