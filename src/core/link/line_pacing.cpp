#include "core/link/line_pacing.h"

#include <sys/prctl.h>
#include <time.h>

#include <algorithm>
#include <cerrno>

namespace corvane {
namespace {
// A sleep on a busy machine wakes late by tens of microseconds; the last stretch
// before a character ends is waited out on the clock instead.
constexpr int64_t kSpinNs = 120'000;
}  // namespace

int64_t CharacterTimeNs(int baud, int dataBits, int parity, int stopBits) {
  if (baud <= 0) return 0;
  const int bits = 1 + dataBits + (parity != 0 ? 1 : 0) + (stopBits != 0 ? 2 : 1);
  return (int64_t{bits} * 1'000'000'000 + baud - 1) / baud;
}

int64_t SteadyLineTime::NowNs() {
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

void SteadyLineTime::SleepUntilNs(int64_t when) {
  // The kernel may add its timer slack (50 us by default) to every sleep of this
  // thread; a paced line wants none.
  thread_local const bool exactTimers = ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
  (void)exactTimers;
  if (when - NowNs() > kSpinNs) {
    const int64_t until = when - kSpinNs;
    const timespec ts{static_cast<time_t>(until / 1'000'000'000), static_cast<long>(until % 1'000'000'000)};
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
  }
  while (NowNs() < when) {
  }
}

ByteWait WaitUntilSent(int64_t wentInNs, int64_t characterNs, int64_t limitNs, const std::function<int()>& queued,
                       ILineTime& time) {
  const int64_t characterEnd = wentInNs + characterNs;
  const int64_t giveUp = wentInNs + limitNs;
  // A queue that does not move (a line held by flow control) is asked less and less
  // often, up to this.
  constexpr int64_t kLongestStep = 50'000'000;
  int64_t step = std::max<int64_t>(characterNs, 1000);
  int previous = -1;
  for (;;) {
    const int left = queued();
    if (left < 0) return ByteWait::Lost;
    const int64_t now = time.NowNs();
    if (left == 0 && now >= characterEnd) return ByteWait::Sent;
    if (now >= giveUp) return ByteWait::TimedOut;
    int64_t next = characterEnd;
    if (left > 0) {
      // Bytes still queued need their character times before the queue can be empty.
      if (previous >= 0 && left >= previous) step = std::min(step * 2, kLongestStep);
      next = std::max(characterEnd, now + std::max(step, left * characterNs));
    }
    previous = left;
    time.SleepUntilNs(std::min(next, giveUp));
  }
}

}  // namespace corvane
