#include "core/link/serial_pacing.h"

namespace corvane {
namespace {
constexpr int kPauseStepMs = 200;
// Enough for any burst a paused instrument sends; bounds the read loop on a line
// that streams noise.
constexpr int kDrainLimit = 4096;
}  // namespace

XoffPacing::XoffPacing(ISerialPort& port, IClock& clock, const std::atomic<bool>& running, int pollCount,
                       int pollLimit)
    : port_(port), clock_(clock), running_(running), polls_(pollCount), limit_(pollLimit) {}

XoffPacing::Flow XoffPacing::Drain() {
  Flow last = Flow::None;
  unsigned char buf[64];
  for (int total = 0; total < kDrainLimit;) {
    const int n = port_.Read(buf, sizeof buf);
    if (n <= 0) break;
    for (int i = 0; i < n; ++i) {
      if (buf[i] == kXon) last = Flow::Xon;
      if (buf[i] == kXoff) last = Flow::Xoff;
    }
    total += n;
  }
  return last;
}

PacingResult XoffPacing::AfterPiece() {
  unsigned char reply[2] = {0, 0};
  port_.Read(reply, 2);
  if (!port_.LinkFault().empty()) return PacingResult::LinkLost;
  if (reply[0] != kXoff && reply[1] != kXoff) return PacingResult::Go;
  clock_.SleepMs(kPauseStepMs);
  Flow drained = Drain();
  for (;;) {
    if (!port_.LinkFault().empty()) return PacingResult::LinkLost;
    if (!running_) return PacingResult::Stopped;
    // What was read while waiting is newer than the reply bytes.
    const bool replyXon = reply[0] == kXon || reply[1] == kXon;
    if (drained == Flow::Xon || (drained == Flow::None && replyXon)) {
      if (Drain() != Flow::Xoff) return PacingResult::Go;
      // Paused again at once: the old reply bytes no longer count.
      reply[0] = reply[1] = 0;
    }
    port_.Read(reply, 2);
    if (++polls_ >= limit_) return PacingResult::GaveUp;
    clock_.SleepMs(kPauseStepMs);
    drained = Drain();
  }
}

}  // namespace corvane
