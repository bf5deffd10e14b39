#pragma once
// Random but legal instrument behaviour for --chaos SEED: at every state of every
// transfer the instrument may answer late or only after a few requests, put XOFF
// and XON anywhere (inside an answer too), hold the PC for 0 to 3 s or for good,
// send noise where the protocol ignores it, refuse, pause, fall silent or hang up.
// The same seed gives the same choices for the same sequence of events.
#include <cstdint>
#include <string>
#include <vector>

namespace corvane::sim {

enum class Request;

// How the instrument answers one request.
struct AnswerPlan {
  bool answer = true;   // false: this request is ignored
  std::string bytes;    // the answer burst: "1" or "0" with XON/XOFF and noise, at most 4 bytes
  int delayMs = 0;      // how long after the request the burst goes out
  int holdMs = -1;      // when the burst leaves XOFF holding: XON this long after; -2 for good
};

// A pause in a download's data, or in the data a USB read hands over.
struct StreamPause {
  size_t at = 0;  // before this byte of the stream
  int ms = 0;
};

class Chaos final {
 public:
  explicit Chaos(uint64_t seed);

  uint64_t Next();
  // A whole number from lo to hi, both included.
  int Uniform(int lo, int hi);
  bool Chance(int percent);
  // Bytes that mean nothing to the protocol (no "0", "1", 0x04, XON, XOFF, zero).
  std::string Noise(int count);

  // The first answer to a request of this kind, or a repeat of it. `window`: how
  // long the PC waits before it reads the answer (the burst arrives within it).
  AnswerPlan Answer(Request request, int windowMs, bool mayRefuse);
  // The coordinate upload's second request (the file name).
  AnswerPlan SecondAnswer(int windowMs);
  // While an upload's data comes in: after a received line (or any byte), maybe an
  // XOFF (hold 0-3 s, rarely for good), maybe noise.
  int HoldAfterLine();   // -1 none, -2 for good, else ms
  int HoldAfterByte();   // rarer than after a line
  std::string NoiseAfterLine();
  // Bytes of an upload after which the line hangs up (-1: never).
  long long UploadHangup();
  // A download: when the data starts after the "1", its pauses, where it falls
  // silent or hangs up (-1: never).
  int StartDelayMs();
  std::vector<StreamPause> Pauses(size_t streamSize);
  long long DownloadSilence(size_t streamSize);
  long long DownloadHangup(size_t streamSize);
  // USB: how many reads see no reply before it is there; whether the instrument
  // takes fewer bytes than written at block N (-1 never).
  int ReplyReadsHidden(int limit);
  int ShortWriteAtBlock();

 private:
  // An XOFF hold: 0-3 s, in one run of twenty one of them for good.
  int HoldMs();
  // The burst around an answer byte: flow control before or after it, or noise
  // after it, never more than the PC's 4-byte read; `holdMs` set when it holds.
  AnswerPlan Burst(char answer, int windowMs);

  uint64_t state_;
  int kind_ = -1;         // the request kind being answered
  int ignoredLeft_ = -1;  // requests of that kind still to be ignored
  int secondIgnoredLeft_ = -1;
  int holds_ = 0;
  int foreverHold_ = -1;
};

}  // namespace corvane::sim
