#pragma once
// Time for the transfer engines: real on the worker thread, virtual in tests (so
// 80 attempts of 300 ms take no real time).
#include <cstdint>

namespace corvane {

class IClock {
 public:
  virtual ~IClock() = default;
  virtual void SleepMs(int ms) = 0;
  // Milliseconds on a steady scale (only differences mean anything).
  virtual int64_t NowMs() = 0;
};

class SystemClock final : public IClock {
 public:
  void SleepMs(int ms) override;
  int64_t NowMs() override;
};

}  // namespace corvane
