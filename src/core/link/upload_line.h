#pragma once
// The serial line of an upload as the engines see it. Every byte the instrument
// sends during an upload - inside a handshake answer, between records, during the
// pauses - passes one flow-control state: XOFF holds, XON releases, the last one
// received counts. Nothing is written while XOFF holds. The other bytes are kept
// for the handshake reads, as the driver's queue would keep them.
#include <string>
#include <string_view>

#include "core/link/clock.h"
#include "core/link/serial_port.h"
#include "core/link/transfer_token.h"

namespace corvane {

inline constexpr unsigned char kXon = 0x11;
inline constexpr unsigned char kXoff = 0x13;

class FlowControl final {
 public:
  // Takes bytes from the instrument; those that are not XON or XOFF are appended to
  // `others`.
  void Take(std::string_view bytes, std::string& others);
  bool Held() const { return held_; }

 private:
  bool held_ = false;
};

enum class PacingResult { Go, GaveUp, LinkLost, Stopped };

// A handshake answer: the first byte other than XON/XOFF, "1" ready, "0" refused.
enum class Reply { Ready, Refused, None, GaveUp, LinkLost, Stopped };

class UploadLine final {
 public:
  // One hold of XOFF may last this many polls of 200 ms before the upload gives up.
  static constexpr int kPollLimit = 50;
  static constexpr int kPollStepMs = 200;

  UploadLine(ISerialPort& port, IClock& clock, const TransferToken& token) : port_(port), clock_(clock), token_(token) {}

  // Reads what has arrived (bounded, for a line that streams noise).
  void Poll();
  bool Held() const { return flow_.Held(); }
  // Up to `limit` of the bytes kept for the handshake reads, oldest first.
  std::string Read(int limit);
  // Forgets the kept bytes: during the records nothing but XON/XOFF is awaited.
  void DropOthers() { others_.clear(); }
  // While XOFF holds: steps of 200 ms, each reading what came, until XON.
  PacingResult WaitWhileHeld();
  // The check between records: what came is read, XON/XOFF obeyed, the rest dropped.
  PacingResult Check();
  // One handshake request: written once XOFF no longer holds, then the pause, then
  // a read of up to `replySize` bytes. An answer that has not come when XOFF holds
  // may still come before the instrument lets the PC go on.
  Reply Ask(std::string_view request, int pauseMs, int replySize);
  // Writes once XOFF no longer holds; nothing once the transfer is asked to stop.
  PacingResult Write(std::string_view bytes);
  // Polls of the last hold (tests).
  int LastHoldPolls() const { return lastHoldPolls_; }

 private:
  PacingResult Fault() const;
  ISerialPort& port_;
  IClock& clock_;
  const TransferToken& token_;
  FlowControl flow_;
  std::string others_;
  int lastHoldPolls_ = 0;
};

}  // namespace corvane
