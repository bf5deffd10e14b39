#include "usb_channels.h"

#include <algorithm>

namespace corvane::sim {
namespace {

std::string TextOf(const std::string& block) { return block.substr(0, std::min(block.find('\0'), block.size())); }

bool IsCall(const std::string& bytes, const char* text) {
  return bytes.size() == 3 && bytes[0] == text[0] && bytes[1] == text[1] && bytes[2] == '\0';
}

}  // namespace

void UsbChannels::Reply(const std::string& bytes) { replies_.bytes += bytes; }

std::string UsbChannels::ChaosReply(sim::Request request, bool& accepted) {
  Chaos& chaos = *core_.Chaos();
  accepted = false;
  // The download reads its reply once; the uploads read again until it comes.
  hiddenReads_ = request == sim::Request::Download ? 0 : chaos.ReplyReadsHidden(request == sim::Request::Codes ? 1 : 5);
  const int roll = chaos.Uniform(1, 100);
  if (roll <= 5) return {};  // no reply at all
  if (roll <= 9) return "0";  // refused
  // The uploads go on after any reply but "0": one that is not "1" is noise an
  // accepting instrument may send. The download needs its "1".
  accepted = roll > 12 || request != sim::Request::Download;
  if (roll <= 12) return chaos.Noise(1);
  return "1" + (chaos.Chance(20) ? chaos.Noise(1) : std::string());
}

void UsbChannels::Request(sim::Request request) {
  bool accepted = false;
  if (core_.Chaos()) Reply(ChaosReply(request, accepted));
  else Reply(core_.Answer(request, accepted));
  if (!accepted) return;
  switch (request) {
    case sim::Request::Download: mode_ = Mode::AwaitAck; break;
    case sim::Request::Coordinates: mode_ = Mode::CoordinateName; break;
    case sim::Request::Codes: mode_ = Mode::CodeData; break;
  }
  upload_.clear();
  uploadIn_ = 0;
  blocksIn_ = 0;
  hangupAfter_ = core_.Config().hangupAfter;
  if (Chaos* chaos = core_.Chaos()) {
    hangupAfter_ = chaos->Chance(5) ? chaos->Uniform(0, 30) : -1;
    shortWriteAt_ = chaos->ShortWriteAtBlock();
  }
}

void UsbChannels::UploadBlock(sim::Request kind, const std::string& block, bool addLineEnd) {
  if (!block.empty() && block[0] == '\x04') {
    core_.FinishUpload(kind, std::move(upload_));
    upload_.clear();
    mode_ = Mode::Idle;
    return;
  }
  upload_ += TextOf(block);
  if (addLineEnd) upload_ += "\r\n";
  uploadIn_ += static_cast<long long>(block.size());
}

int UsbChannels::Write(int channel, const std::string& bytes) {
  const bool inUpload = mode_ == Mode::CodeData || mode_ == Mode::CoordinateData;
  // The chaos may have the instrument take only part of an upload's block: the
  // PC must not call that sent.
  if (inUpload && ((channel == 1 && mode_ == Mode::CodeData) || channel == 3) && blocksIn_++ == shortWriteAt_) {
    const int taken = static_cast<int>(bytes.size()) / 2;
    mode_ = Mode::Idle;
    return taken;
  }
  if (channel == 1 && !inUpload && IsCall(bytes, "D0")) Request(sim::Request::Download);
  else if (channel == 1 && !inUpload && IsCall(bytes, "S0")) Request(sim::Request::Coordinates);
  else if (channel == 1 && !inUpload && IsCall(bytes, "S1")) Request(sim::Request::Codes);
  else if (channel == 1 && mode_ == Mode::AwaitAck && bytes.size() == 2 && bytes[0] == '1') {
    DownloadPlan plan = core_.PlanDownload();
    streamComplete_ = plan.complete;
    hangupAfter_ = plan.hangupAfter;
    pauses_ = std::move(plan.pauses);
    streamSent_ = 0;
    data_ = {std::move(plan.stream), 0};
    mode_ = Mode::Streaming;
    Record().StreamStarted();
  } else if (channel == 1 && mode_ == Mode::CoordinateName && bytes.size() == 16 && bytes.starts_with("#@*&\r\n")) {
    bool accepted = false;
    if (Chaos* chaos = core_.Chaos()) {
      hiddenReads_ = chaos->ReplyReadsHidden(3);
      accepted = !chaos->Chance(4);
      Reply(accepted ? "1" : "0");
    } else {
      Reply(core_.SecondAnswer(accepted));
    }
    mode_ = accepted ? Mode::CoordinateData : Mode::Idle;
  } else if (channel == 1 && mode_ == Mode::CodeData) {
    UploadBlock(sim::Request::Codes, bytes, false);
  } else if (channel == 3 && mode_ == Mode::CoordinateData) {
    UploadBlock(sim::Request::Coordinates, bytes, true);
  }
  return static_cast<int>(bytes.size());
}

void UsbChannels::NoteRead(int channel) {
  if (channel == 0 && hiddenReads_ > 0 && replies_.Pending() > 0) --hiddenReads_;
}

size_t UsbChannels::Pending(int channel) const {
  const Outbox* box = Box(channel);
  if (!box) return 0;
  if (box == &replies_ && hiddenReads_ > 0) return 0;
  size_t n = box->Pending();
  if (box == &data_) {
    if (std::chrono::steady_clock::now() < pausedUntil_) return 0;
    if (hangupAfter_ >= 0) n = std::min<size_t>(n, static_cast<size_t>(std::max(0LL, hangupAfter_ - streamSent_)));
    // A read stops at the next pause.
    for (const StreamPause& p : pauses_)
      if (p.at > box->pos) {
        n = std::min(n, p.at - box->pos);
        break;
      }
  }
  return n;
}

std::string UsbChannels::Take(int channel, int size) {
  const size_t n = std::min(Pending(channel), static_cast<size_t>(std::max(size, 0)));
  if (n == 0) return {};
  Outbox& box = channel == 0 ? replies_ : data_;
  std::string out = box.bytes.substr(box.pos, n);
  box.pos += n;
  if (&box == &data_) {
    streamSent_ += static_cast<long long>(n);
    Record().Streamed(n);
    for (const StreamPause& p : pauses_)
      if (p.at == box.pos) pausedUntil_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(p.ms);
    if (box.Pending() == 0 && mode_ == Mode::Streaming) {
      if (streamComplete_) core_.FinishDownload();
      mode_ = streamComplete_ ? Mode::Idle : Mode::Silent;
    }
  }
  return out;
}

bool UsbChannels::HangUpDue() const {
  if (hangupAfter_ < 0) return false;
  if (mode_ == Mode::Streaming || mode_ == Mode::Silent) return streamSent_ >= hangupAfter_;
  if (core_.HasChaos()) return (mode_ == Mode::CodeData || mode_ == Mode::CoordinateData) && blocksIn_ >= hangupAfter_;
  return streamSent_ >= hangupAfter_ || uploadIn_ >= hangupAfter_;
}

}  // namespace corvane::sim
