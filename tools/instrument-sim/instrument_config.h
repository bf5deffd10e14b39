#pragma once
// How the simulated total station behaves: what it serves, where it keeps what it
// receives, and the faults of a real instrument and cable it can play.
#include <string>

namespace corvane::sim {

enum class Refusal {
  None,
  First,   // answers "0" to the request
  Second,  // answers "0" to the coordinate upload's file name (its second request)
};

struct InstrumentConfig {
  // The job a download sends; the end marker 0x04 follows it.
  std::string job;
  // Uploads are saved here as coordinates-N.txt and codes-N.txt; empty keeps them
  // in memory only.
  std::string saveDir;

  // The serial line's bit rate (0: bytes go both ways as fast as the
  // pseudo-terminal takes them). The instrument's output is paced at it, and the
  // PC's bytes come off the line at it, into a receive FIFO of `fifoBytes`.
  int baud = 0;
  int bitsPerByte = 10;
  int fifoBytes = 16;
  // Pause between the "1" and the first byte of a serial download: the PC reads the
  // answer only after its own 300 ms pause and drops what came with it.
  int startDelayMs = 500;

  // Faults.
  Refusal refuse = Refusal::None;
  bool neverAnswer = false;
  int answerFrom = 1;        // requests before the N-th are ignored
  int garbageBytes = 0;      // each request is answered with this much noise instead
  int xoffAfter = -1;        // XOFF after this many received lines (serial uploads)
  int xoffHoldMs = 0;        // ... and XON this long after; < 0 holds it for ever
  long long silentAfter = -1;  // a download stops sending after this many bytes
  long long hangupAfter = -1;  // the line is hung up after this many data bytes
  int usbReadWaitMs = -1;    // USB reads wait at most this long (-1: their own time-out)
  // XOFF in the same burst as the "1" to this request (Refusal::First: the first,
  // Second: the coordinate upload's file name), then XON after xoffHoldMs: an
  // instrument still opening its file.
  Refusal xoffWithAnswer = Refusal::None;
  // Random but legal behaviour at every state (see chaos.h); -1 off.
  long long chaosSeed = -1;
};

}  // namespace corvane::sim
