#include "serial_instrument.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace corvane::sim {
namespace {
constexpr unsigned char kXon = 0x11;
constexpr unsigned char kXoff = 0x13;
constexpr unsigned char kEnd = 0x04;
constexpr char kFileName[] = "@%&!$\r\n";
constexpr int kHangupDelayMs = 200;
}  // namespace

SerialInstrument::SerialInstrument(int fd, InstrumentConfig config) : fd_(fd), core_(std::move(config)) {
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
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

size_t SerialInstrument::Allowed(Clock::time_point now) const {
  size_t allowed = out_.size() - outPos_;
  const InstrumentConfig& c = core_.Config();
  if (c.baud > 0 && allowed > 0) {
    const double perSecond = static_cast<double>(c.baud) / c.bitsPerByte;
    const auto due = static_cast<long long>(std::chrono::duration<double>(now - anchor_).count() * perSecond) + 1;
    allowed = std::min<size_t>(allowed, static_cast<size_t>(std::max(0LL, due - anchorSent_)));
  }
  if (mode_ == Mode::Streaming && c.hangupAfter >= 0)
    allowed = std::min<size_t>(allowed, static_cast<size_t>(std::max(0LL, c.hangupAfter - streamSent_)));
  return allowed;
}

int SerialInstrument::WaitMs(Clock::time_point now) const {
  auto until = now + std::chrono::milliseconds(100);
  if (hangupAt_) return static_cast<int>(std::max<int64_t>(
      0, std::chrono::duration_cast<std::chrono::milliseconds>(*hangupAt_ - now).count() + 1));
  if (streamAt_) until = std::min(until, *streamAt_);
  if (xonAt_) until = std::min(until, *xonAt_);
  if (!inbound_.empty()) until = std::min(until, inbound_.front().at);
  if (hangupAt_) until = std::min(until, *hangupAt_);
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
      outPos_ += static_cast<size_t>(n);
      anchorSent_ += n;
      if (mode_ == Mode::Streaming) streamSent_ += n;
    }
  }
  if (mode_ != Mode::Streaming) return;
  const long long hangupAfter = core_.Config().hangupAfter;
  if (hangupAfter >= 0 && streamSent_ >= hangupAfter) return HangUpSoon(now);
  if (outPos_ < out_.size()) return;
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
  const auto character = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(static_cast<double>(c.bitsPerByte) / c.baud));
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
    if (!Overran(in.byte)) Feed(&in.byte, 1, in.at);
  }
}

void SerialInstrument::HoldInput() {
  holding_ = true;
  recordOnItsWay_ = true;
  fifoLeft_ = core_.Config().fifoBytes;
}

bool SerialInstrument::Overran(unsigned char b) {
  const bool lineEnd = b == '\n' && previousIn_ == '\r';
  previousIn_ = b;
  if (!holding_) return false;
  if (recordOnItsWay_) {
    if (lineEnd) recordOnItsWay_ = false;
    return false;
  }
  if (fifoLeft_ > 0) {
    --fifoLeft_;
    return false;
  }
  Record().Overrun();
  return true;
}

void SerialInstrument::Request(sim::Request request, Clock::time_point now) {
  bool accepted = false;
  Queue(core_.Answer(request, accepted), now);
  previous_ = 0;
  if (!accepted) return;
  switch (request) {
    case sim::Request::Download:
      mode_ = Mode::Answered;
      streamAt_ = now + std::chrono::milliseconds(core_.Config().startDelayMs);
      break;
    case sim::Request::Coordinates:
      mode_ = Mode::CoordinateName;
      tail_.clear();
      break;
    case sim::Request::Codes: EnterData(Mode::CodeData, now); break;
  }
}

void SerialInstrument::EnterData(Mode mode, Clock::time_point now) {
  mode_ = mode;
  holding_ = false;
  data_.clear();
  linesIn_ = 0;
  dataIn_ = 0;
  xonAt_.reset();
  if (core_.Config().xoffAfter == 0) {
    Queue(std::string(1, static_cast<char>(kXoff)), now);
    HoldInput();
    if (core_.Config().xoffHoldMs >= 0) xonAt_ = now + std::chrono::milliseconds(core_.Config().xoffHoldMs);
  }
}

void SerialInstrument::DataByte(unsigned char b, Clock::time_point now) {
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
  if (lineEnd && ++linesIn_ == c.xoffAfter) {
    Queue(std::string(1, static_cast<char>(kXoff)), now);
    HoldInput();
    if (c.xoffHoldMs >= 0) xonAt_ = now + std::chrono::milliseconds(c.xoffHoldMs);
  }
  if (c.hangupAfter >= 0 && dataIn_ >= c.hangupAfter) HangUp();
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
          bool accepted = false;
          Queue(core_.SecondAnswer(accepted), now);
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

void SerialInstrument::Loop() {
  unsigned char buf[4096];
  while (!stopping_ && fd_ >= 0) {
    auto now = Clock::now();
    if (streamAt_ && now >= *streamAt_) {
      streamAt_.reset();
      const std::string stream = core_.DownloadStream();
      streamComplete_ = stream.size() == core_.Config().job.size() + 1;
      streamSent_ = 0;
      mode_ = Mode::Streaming;
      Record().StreamStarted();
      Queue(stream, now);
    }
    if (hangupAt_ && now >= *hangupAt_) {
      HangUp();
      break;
    }
    if (xonAt_ && now >= *xonAt_) {
      xonAt_.reset();
      Queue(std::string(1, static_cast<char>(kXon)), now);
      holding_ = false;
    }
    Deliver(now);
    if (mode_ == Mode::Streaming || outPos_ < out_.size()) Flush(now);
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
