#include "core/link/upload_line.h"

namespace corvane {
namespace {
// Enough for any burst a paused instrument sends; bounds the read loop on a line
// that streams noise, and what is kept for the handshake reads.
constexpr size_t kReadLimit = 4096;
}  // namespace

void FlowControl::Take(std::string_view bytes, std::string& others) {
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b == kXoff) held_ = true;
    else if (b == kXon) held_ = false;
    else others.push_back(c);
  }
}

void UploadLine::Poll() {
  char buf[64];
  for (size_t total = 0; total < kReadLimit;) {
    const int n = port_.Read(buf, sizeof buf);
    if (n <= 0) break;
    flow_.Take(std::string_view(buf, static_cast<size_t>(n)), others_);
    total += static_cast<size_t>(n);
  }
  if (others_.size() > kReadLimit) others_.resize(kReadLimit);
}

std::string UploadLine::Read(int limit) {
  const size_t n = limit > 0 ? std::min(others_.size(), static_cast<size_t>(limit)) : 0;
  std::string out = others_.substr(0, n);
  others_.erase(0, n);
  return out;
}

PacingResult UploadLine::Fault() const {
  if (!port_.LinkFault().empty()) return PacingResult::LinkLost;
  if (!token_.Running()) return PacingResult::Stopped;
  return PacingResult::Go;
}

PacingResult UploadLine::WaitWhileHeld() {
  lastHoldPolls_ = 0;
  if (!port_.LinkFault().empty()) return PacingResult::LinkLost;
  // Each hold has its own allowance: an instrument that pauses often to write its
  // memory is not taken for one that has stopped answering.
  while (Held()) {
    if (const PacingResult fault = Fault(); fault != PacingResult::Go) return fault;
    if (lastHoldPolls_ >= kPollLimit) return PacingResult::GaveUp;
    clock_.SleepMs(kPollStepMs);
    Poll();
    ++lastHoldPolls_;
  }
  return port_.LinkFault().empty() ? PacingResult::Go : PacingResult::LinkLost;
}

PacingResult UploadLine::Check() {
  Poll();
  DropOthers();
  const PacingResult result = WaitWhileHeld();
  DropOthers();
  return result;
}

PacingResult UploadLine::Write(std::string_view bytes) {
  // A stop request ends the upload before anything more goes out.
  if (!token_.Running()) return PacingResult::Stopped;
  Poll();
  if (const PacingResult r = WaitWhileHeld(); r != PacingResult::Go) return r;
  if (!bytes.empty()) port_.Write(bytes.data(), static_cast<int>(bytes.size()));
  return port_.LinkFault().empty() ? PacingResult::Go : PacingResult::LinkLost;
}

Reply UploadLine::Ask(std::string_view request, int pauseMs, int replySize) {
  auto asReply = [](PacingResult r) {
    switch (r) {
      case PacingResult::GaveUp: return Reply::GaveUp;
      case PacingResult::LinkLost: return Reply::LinkLost;
      case PacingResult::Stopped: return Reply::Stopped;
      case PacingResult::Go: break;
    }
    return Reply::None;
  };
  if (const PacingResult r = Write(request); r != PacingResult::Go) return asReply(r);
  clock_.SleepMs(pauseMs);
  Poll();
  std::string answer = Read(replySize);
  if (answer.empty() && Held()) {
    if (const PacingResult r = WaitWhileHeld(); r != PacingResult::Go) return asReply(r);
    answer = Read(replySize);
  }
  if (!port_.LinkFault().empty()) return Reply::LinkLost;
  if (answer.empty()) return Reply::None;
  if (answer[0] == '1') return Reply::Ready;
  if (answer[0] == '0') return Reply::Refused;
  return Reply::None;
}

}  // namespace corvane
