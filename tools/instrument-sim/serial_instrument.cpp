#include "serial_instrument.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace corvane::sim {
namespace {
constexpr unsigned char kXon = 0x11;
constexpr unsigned char kXoff = 0x13;
constexpr unsigned char kEnd = 0x04;
constexpr char kFileName[] = "@%&!$\r\n";
constexpr int kHangupDelayMs = 200;
// How long the PC may take, once an XOFF has reached it, to stop starting records:
// the check before a record and the record's first byte are this close at most.
constexpr auto kReaction = std::chrono::milliseconds(100);
// Room a late answer leaves before the PC reads (a busy machine wakes late).
constexpr int kAnswerMarginMs = 15;
}  // namespace

SerialInstrument::SerialInstrument(int fd, InstrumentConfig config) : fd_(fd), core_(std::move(config)) {
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
  hangupAfter_ = core_.Config().hangupAfter;
}

SerialInstrument::~SerialInstrument() {
  Stop();
  if (fd_ >= 0) ::close(fd_);
  for (int fd : wake_)
    if (fd >= 0) ::close(fd);
}

void SerialInstrument::Start() { thread_ = std::thread([this] { Loop(); }); }

void SerialInstrument::Stop() {
  stopping_ = true;
  if (wake_[1] >= 0) (void)!::write(wake_[1], "x", 1);
  if (thread_.joinable()) thread_.join();
}

void SerialInstrument::HangUp() {
  ::close(fd_);
  fd_ = -1;
  Record().HungUp();
}

void SerialInstrument::HangUpSoon(Clock::time_point now) {
  if (!hangupAt_) hangupAt_ = now + std::chrono::milliseconds(kHangupDelayMs);
}

SerialInstrument::Clock::duration SerialInstrument::CharacterTime() const {
  const InstrumentConfig& c = core_.Config();
  if (c.baud <= 0) return Clock::duration::zero();
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(static_cast<double>(c.bitsPerByte) / c.baud));
}

void SerialInstrument::Queue(const std::string& bytes, Clock::time_point now) {
  if (bytes.empty()) return;
  if (outPos_ == out_.size()) {
    out_.clear();
    outPos_ = 0;
    anchor_ = now;
    anchorSent_ = 0;
  }
  out_ += bytes;
}

void SerialInstrument::StartHold(Clock::time_point now, int holdMs) {
  holding_ = true;
  // The hold counts for the PC once its XOFF is on the line (Flush notes when).
  xoffOnLine_ = false;
  fifoLeft_ = core_.Config().fifoBytes;
  if (holdMs >= 0) xonAt_ = now + std::chrono::milliseconds(holdMs);
  else xonAt_.reset();
}

void SerialInstrument::Send(const std::string& bytes, Clock::time_point now, int holdMs) {
  for (const char c : bytes) {
    Queue(std::string(1, c), now);
    if (static_cast<unsigned char>(c) == kXoff) StartHold(now, holdMs);
    if (static_cast<unsigned char>(c) == kXon) {
      holding_ = false;
      xonAt_.reset();
    }
  }
}

void SerialInstrument::SendLater(const std::string& bytes, Clock::time_point now, int delayMs, int holdMs) {
  if (delayMs <= 0) return Send(bytes, now, holdMs);
  later_.push_back({now + std::chrono::milliseconds(delayMs), bytes, holdMs});
}

int SerialInstrument::AnswerWindowMs(sim::Request request) const {
  // The coordinate upload reads 50 ms after its request: too short for an answer
  // that comes late on purpose on a busy machine. Its instrument is late by
  // ignoring requests instead.
  if (request == sim::Request::Coordinates) return 0;
  const int pause = request == sim::Request::Download ? 300 : 1000;
  // The request's own bytes and a burst of four must be on the line within it.
  const auto line = std::chrono::duration_cast<std::chrono::milliseconds>(CharacterTime() * 8).count();
  return std::max(0, pause - static_cast<int>(line) - kAnswerMarginMs);
}

size_t SerialInstrument::Allowed(Clock::time_point now) const {
  size_t allowed = out_.size() - outPos_;
  const InstrumentConfig& c = core_.Config();
  if (c.baud > 0 && allowed > 0) {
    const double perSecond = static_cast<double>(c.baud) / c.bitsPerByte;
    const auto due = static_cast<long long>(std::chrono::duration<double>(now - anchor_).count() * perSecond) + 1;
    allowed = std::min<size_t>(allowed, static_cast<size_t>(std::max(0LL, due - anchorSent_)));
  }
  if (mode_ == Mode::Streaming && hangupAfter_ >= 0)
    allowed = std::min<size_t>(allowed, static_cast<size_t>(std::max(0LL, hangupAfter_ - streamSent_)));
  return allowed;
}

int SerialInstrument::WaitMs(Clock::time_point now) const {
  auto until = now + std::chrono::milliseconds(100);
  if (hangupAt_) return static_cast<int>(std::max<int64_t>(
      0, std::chrono::duration_cast<std::chrono::milliseconds>(*hangupAt_ - now).count() + 1));
  if (streamAt_) until = std::min(until, *streamAt_);
  if (chunkAt_) until = std::min(until, *chunkAt_);
  if (xonAt_) until = std::min(until, *xonAt_);
  if (!later_.empty()) until = std::min(until, later_.front().at);
  if (!inbound_.empty()) until = std::min(until, inbound_.front().at);
  const InstrumentConfig& c = core_.Config();
  if (c.baud > 0 && outPos_ < out_.size()) {
    const double perSecond = static_cast<double>(c.baud) / c.bitsPerByte;
    until = std::min(until, anchor_ + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(anchorSent_ / perSecond)));
  }
  const auto ms = std::chrono::duration_cast<std::chrono::microseconds>(until - now).count();
  return ms <= 0 ? 0 : static_cast<int>((ms + 999) / 1000);
}

void SerialInstrument::Flush(Clock::time_point now) {
  const size_t allowed = Allowed(now);
  if (allowed > 0) {
    const ssize_t n = ::write(fd_, out_.data() + outPos_, allowed);
    if (n > 0) {
      Record().Sent(out_.data() + outPos_, static_cast<size_t>(n));
      // The PC has the XOFF from now on (the line's own time is spent before a byte
      // is written here): a busy machine that writes it late does not make the PC
      // look late.
      if (holding_ && !xoffOnLine_ && std::memchr(out_.data() + outPos_, kXoff, static_cast<size_t>(n))) {
        xoffOnLine_ = true;
        holdReachesPc_ = Clock::now();
      }
      outPos_ += static_cast<size_t>(n);
      anchorSent_ += n;
      if (mode_ == Mode::Streaming) {
        streamSent_ += n;
        Record().Streamed(static_cast<size_t>(n));
      }
    }
  }
  if (mode_ != Mode::Streaming) return;
  if (hangupAfter_ >= 0 && streamSent_ >= hangupAfter_) return HangUpSoon(now);
  if (outPos_ < out_.size() || !chunks_.empty()) return;
  if (streamComplete_) {
    core_.FinishDownload();
    mode_ = Mode::Idle;
  } else {
    mode_ = Mode::Silent;
  }
}

void SerialInstrument::TakeFromPc(const unsigned char* data, size_t n, Clock::time_point now) {
  Record().Received(reinterpret_cast<const char*>(data), n);
  const InstrumentConfig& c = core_.Config();
  if (c.baud <= 0) {
    Record().Arrived(now);
    return Feed(data, n, now);
  }
  const auto character = CharacterTime();
  for (size_t i = 0; i < n; ++i) {
    lineFree_ = std::max(lineFree_, now) + character;
    inbound_.push_back({data[i], lineFree_});
  }
  Deliver(now);
}

void SerialInstrument::Deliver(Clock::time_point now) {
  while (!inbound_.empty() && inbound_.front().at <= now && fd_ >= 0) {
    const Inbound in = inbound_.front();
    inbound_.pop_front();
    Record().Arrived(in.at);
    if (!Overran(in.byte, in.at)) Feed(&in.byte, 1, in.at);
  }
}

bool SerialInstrument::Overran(unsigned char b, Clock::time_point at) {
  // A line of the PC (a record, a code, a request) begins with the byte after a
  // line end or an end marker; it left the PC one character before it arrived.
  if (unitEnded_) unitStarted_ = at - CharacterTime();
  unitEnded_ = (b == '\n' && previousIn_ == '\r') || b == kEnd;
  previousIn_ = b;
  if (!holding_ || !xoffOnLine_) return false;
  if (unitStarted_ < holdReachesPc_ + kReaction) return false;
  if (fifoLeft_ > 0) {
    --fifoLeft_;
    return false;
  }
  Record().Overrun();
  return true;
}

void SerialInstrument::Request(sim::Request request, Clock::time_point now) {
  previous_ = 0;
  // A new request: whatever held the last transfer is over.
  holding_ = false;
  xonAt_.reset();
  bool accepted = false;
  int delayMs = 0;
  if (Chaos* chaos = core_.Chaos()) {
    const AnswerPlan plan = chaos->Answer(request, AnswerWindowMs(request), request == sim::Request::Coordinates);
    if (!plan.answer) return;
    accepted = plan.bytes.find('1') != std::string::npos;
    delayMs = std::min(plan.delayMs, AnswerWindowMs(request));
    SendLater(plan.bytes, now, delayMs, plan.holdMs);
  } else {
    Send(core_.Answer(request, accepted), now, core_.Config().xoffHoldMs);
  }
  if (!accepted) return;
  switch (request) {
    case sim::Request::Download: {
      mode_ = Mode::Answered;
      const int start = core_.Chaos() ? core_.Chaos()->StartDelayMs() : core_.Config().startDelayMs;
      streamAt_ = now + std::chrono::milliseconds(delayMs + start);
      break;
    }
    case sim::Request::Coordinates:
      mode_ = Mode::CoordinateName;
      tail_.clear();
      break;
    case sim::Request::Codes: EnterData(Mode::CodeData, now); break;
  }
}

void SerialInstrument::EnterData(Mode mode, Clock::time_point now) {
  mode_ = mode;
  data_.clear();
  linesIn_ = 0;
  dataIn_ = 0;
  hangupAfter_ = core_.Chaos() ? core_.Chaos()->UploadHangup() : core_.Config().hangupAfter;
  if (core_.Config().xoffAfter == 0) Send(std::string(1, static_cast<char>(kXoff)), now, core_.Config().xoffHoldMs);
}

void SerialInstrument::DataByte(unsigned char b, Clock::time_point now) {
  // The PC sends the file name again when it missed the answer: before any record
  // that is a request, answered again, not data.
  if (mode_ == Mode::CoordinateData && linesIn_ == 0 && std::string_view(kFileName).starts_with(data_ + char(b))) {
    data_.push_back(static_cast<char>(b));
    if (data_ == kFileName) {
      data_.clear();
      Queue("1", now);
    }
    return;
  }
  if (b == kEnd) {
    core_.FinishUpload(mode_ == Mode::CodeData ? sim::Request::Codes : sim::Request::Coordinates, std::move(data_));
    data_.clear();
    mode_ = Mode::Idle;
    previous_ = 0;
    return;
  }
  const bool lineEnd = b == '\n' && !data_.empty() && data_.back() == '\r';
  data_.push_back(static_cast<char>(b));
  ++dataIn_;
  const InstrumentConfig& c = core_.Config();
  if (lineEnd && ++linesIn_ == c.xoffAfter) Send(std::string(1, static_cast<char>(kXoff)), now, c.xoffHoldMs);
  if (Chaos* chaos = core_.Chaos()) {
    // XOFF at any byte, more often after a line; noise between lines. No new XOFF
    // while one holds: the PC is waiting already.
    if (!holding_) {
      const int hold = lineEnd ? chaos->HoldAfterLine() : chaos->HoldAfterByte();
      if (hold != -1) Send(std::string(1, static_cast<char>(kXoff)), now, hold == -2 ? -1 : hold);
    }
    if (lineEnd) Queue(chaos->NoiseAfterLine(), now);
  }
  if (hangupAfter_ >= 0 && dataIn_ >= hangupAfter_) HangUp();
}

void SerialInstrument::Feed(const unsigned char* data, size_t n, Clock::time_point now) {
  for (size_t i = 0; i < n && fd_ >= 0; ++i) {
    const unsigned char b = data[i];
    switch (mode_) {
      case Mode::Idle:
      case Mode::Silent:
        if (previous_ == 'D' && b == '0') Request(sim::Request::Download, now);
        else if (previous_ == 'S' && b == '0') Request(sim::Request::Coordinates, now);
        else if (previous_ == 'S' && b == '1') Request(sim::Request::Codes, now);
        else previous_ = b;
        break;
      case Mode::Answered:
      case Mode::Streaming: break;  // busy sending; repeated requests change nothing
      case Mode::CoordinateName: {
        tail_.push_back(static_cast<char>(b));
        if (tail_.size() > 16) tail_.erase(0, tail_.size() - 16);
        const std::string_view t(tail_);
        if (t.ends_with(kFileName)) {
          tail_.clear();
          if (Chaos* chaos = core_.Chaos()) {
            const AnswerPlan plan = chaos->SecondAnswer(AnswerWindowMs(sim::Request::Coordinates));
            if (!plan.answer) break;
            const bool accepted = plan.bytes.find('1') != std::string::npos;
            SendLater(plan.bytes, now, std::min(plan.delayMs, AnswerWindowMs(sim::Request::Coordinates)), plan.holdMs);
            if (accepted) EnterData(Mode::CoordinateData, now);
            else mode_ = Mode::Idle;
            break;
          }
          bool accepted = false;
          Send(core_.SecondAnswer(accepted), now, core_.Config().xoffHoldMs);
          if (accepted) EnterData(Mode::CoordinateData, now);
          else mode_ = Mode::Idle;
        } else if (t.ends_with("S0")) {
          // The PC asked again before it saw the first answer.
          Queue("1", now);
        }
        break;
      }
      case Mode::CoordinateData:
      case Mode::CodeData: DataByte(b, now); break;
    }
  }
}

void SerialInstrument::StartStream() {
  DownloadPlan plan = core_.PlanDownload();
  streamComplete_ = plan.complete;
  streamSent_ = 0;
  mode_ = Mode::Streaming;
  hangupAfter_ = plan.hangupAfter;
  chunks_.clear();
  // The data in pieces, each after its pause.
  size_t from = 0;
  int pause = 0;
  for (const StreamPause& p : plan.pauses) {
    if (p.at <= from || p.at >= plan.stream.size()) continue;
    chunks_.emplace_back(plan.stream.substr(from, p.at - from), pause);
    from = p.at;
    pause = p.ms;
  }
  chunks_.emplace_back(plan.stream.substr(from), pause);
  Record().StreamStarted();
}

void SerialInstrument::Loop() {
  unsigned char buf[4096];
  while (!stopping_ && fd_ >= 0) {
    auto now = Clock::now();
    if (streamAt_ && now >= *streamAt_) {
      streamAt_.reset();
      StartStream();
    }
    // The next piece of a download, after its pause.
    if (mode_ == Mode::Streaming && outPos_ == out_.size() && !chunks_.empty()) {
      if (!chunkAt_) chunkAt_ = now + std::chrono::milliseconds(chunks_.front().second);
      if (now >= *chunkAt_) {
        Queue(chunks_.front().first, now);
        chunks_.pop_front();
        chunkAt_.reset();
      }
    }
    while (!later_.empty() && now >= later_.front().at) {
      const Later l = later_.front();
      later_.pop_front();
      Send(l.bytes, now, l.holdMs);
    }
    if (hangupAt_ && now >= *hangupAt_) {
      HangUp();
      break;
    }
    if (xonAt_ && now >= *xonAt_) {
      xonAt_.reset();
      Send(std::string(1, static_cast<char>(kXon)), now, -1);
    }
    Deliver(now);
    if (mode_ == Mode::Streaming || outPos_ < out_.size()) Flush(now);
    if (fd_ < 0) break;
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (Allowed(now) > 0) fds[0].events |= POLLOUT;
    const int ready = ::poll(fds, 2, WaitMs(now));
    if (ready <= 0) continue;
    now = Clock::now();
    const ssize_t n = (fds[0].revents & POLLIN) ? ::read(fd_, buf, sizeof buf) : 0;
    if (n > 0) TakeFromPc(buf, static_cast<size_t>(n), now);
    else if (fds[0].revents & (POLLHUP | POLLERR | POLLIN))
      ::usleep(10000);  // no one has the line open: wait for the PC to open it again
  }
}

}  // namespace corvane::sim
