#include "chaos.h"

#include <algorithm>

#include "instrument_core.h"

namespace corvane::sim {

Chaos::Chaos(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {
  // One run in twenty has a hold that never ends, at one of its first holds.
  foreverHold_ = Chance(5) ? Uniform(1, 4) : -1;
}

uint64_t Chaos::Next() {
  // splitmix64
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

int Chaos::Uniform(int lo, int hi) {
  if (hi <= lo) return lo;
  return lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1));
}

bool Chaos::Chance(int percent) { return Uniform(1, 100) <= percent; }

std::string Chaos::Noise(int count) {
  std::string out;
  while (static_cast<int>(out.size()) < count) {
    const auto b = static_cast<unsigned char>(Next() & 0xff);
    if (b == '0' || b == '1' || b == 0x04 || b == 0x11 || b == 0x13 || b == 0) continue;
    out.push_back(static_cast<char>(b));
  }
  return out;
}

int Chaos::HoldMs() {
  if (++holds_ == foreverHold_) return -2;
  return Uniform(0, 3000);
}

AnswerPlan Chaos::Burst(char answer, int windowMs) {
  AnswerPlan plan;
  // Late, but inside the PC's pause before it reads, with room for a busy machine.
  plan.delayMs = Uniform(0, std::max(0, windowMs * 2 / 5));
  const std::string a(1, answer);
  const std::string xoff(1, '\x13'), xon(1, '\x11');
  switch (Uniform(0, 9)) {
    case 0: plan.bytes = a + Noise(Uniform(1, 2)); break;
    case 1: plan.bytes = a + xoff; break;
    case 2: plan.bytes = xoff + a; break;
    case 3: plan.bytes = xon + a; break;
    case 4: plan.bytes = a + xoff + xon; break;
    case 5: plan.bytes = xoff + a + Noise(1); break;
    default: plan.bytes = a; break;
  }
  const size_t lastXoff = plan.bytes.rfind('\x13');
  const size_t lastXon = plan.bytes.rfind('\x11');
  if (lastXoff != std::string::npos && (lastXon == std::string::npos || lastXon < lastXoff)) plan.holdMs = HoldMs();
  return plan;
}

AnswerPlan Chaos::Answer(Request request, int windowMs, bool mayRefuse) {
  const int kind = static_cast<int>(request);
  if (kind != kind_ || ignoredLeft_ < 0) {
    kind_ = kind;
    // Mostly at once; often after a request or two; now and then after many (a
    // slow instrument), which may pass the PC's limit for the coordinate upload.
    const int roll = Uniform(1, 100);
    const int most = request == Request::Codes ? 3 : request == Request::Download ? 6 : 25;
    ignoredLeft_ = roll <= 60 ? 0 : roll <= 85 ? Uniform(1, 2) : roll <= 95 ? Uniform(3, std::min(5, most)) : Uniform(4, most);
  }
  AnswerPlan plan;
  if (ignoredLeft_ > 0) {
    --ignoredLeft_;
    plan.answer = false;
    return plan;
  }
  ignoredLeft_ = -1;
  // Downloads take no flow control or noise with their answer: what follows the
  // "1" in the PC's read would be dropped with it.
  if (request == Request::Download) {
    plan.bytes = "1";
    plan.delayMs = Uniform(0, windowMs / 2);
    return plan;
  }
  return Burst(mayRefuse && Chance(4) ? '0' : '1', windowMs);
}

AnswerPlan Chaos::SecondAnswer(int windowMs) {
  if (secondIgnoredLeft_ < 0) secondIgnoredLeft_ = Chance(70) ? 0 : Uniform(1, 4);
  if (secondIgnoredLeft_ > 0) {
    --secondIgnoredLeft_;
    AnswerPlan plan;
    plan.answer = false;
    return plan;
  }
  secondIgnoredLeft_ = -1;
  return Burst(Chance(4) ? '0' : '1', windowMs);
}

int Chaos::HoldAfterLine() { return Chance(12) ? HoldMs() : -1; }

int Chaos::HoldAfterByte() { return Uniform(1, 1000) <= 3 ? HoldMs() : -1; }

std::string Chaos::NoiseAfterLine() { return Chance(8) ? Noise(Uniform(1, 3)) : std::string(); }

long long Chaos::UploadHangup() { return Chance(6) ? Uniform(0, 600) : -1; }

int Chaos::StartDelayMs() { return Uniform(800, 1500); }

std::vector<StreamPause> Chaos::Pauses(size_t streamSize) {
  std::vector<StreamPause> pauses;
  const int count = Uniform(0, 3);
  for (int i = 0; i < count && streamSize > 1; ++i)
    pauses.push_back({static_cast<size_t>(Uniform(1, static_cast<int>(streamSize) - 1)), Uniform(0, 3000)});
  std::sort(pauses.begin(), pauses.end(), [](const StreamPause& a, const StreamPause& b) { return a.at < b.at; });
  return pauses;
}

long long Chaos::DownloadSilence(size_t streamSize) {
  return Chance(6) ? Uniform(0, static_cast<int>(streamSize)) : -1;
}

long long Chaos::DownloadHangup(size_t streamSize) {
  return Chance(6) ? Uniform(0, static_cast<int>(streamSize)) : -1;
}

int Chaos::ReplyReadsHidden(int limit) {
  const int roll = Uniform(1, 100);
  return roll <= 70 ? 0 : roll <= 95 ? Uniform(1, std::max(1, limit - 1)) : Uniform(limit, limit + 3);
}

int Chaos::ShortWriteAtBlock() { return Chance(4) ? Uniform(0, 40) : -1; }

}  // namespace corvane::sim
