#include "usb_instrument.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "easyusb214x/usb_sim_wire.h"

namespace corvane::sim {
namespace {

constexpr int kConnectionWaitMs = 2000;

bool ReadAll(int fd, void* data, size_t size) {
  auto* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = ::recv(fd, p, size, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void WriteAll(int fd, const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    size -= static_cast<size_t>(n);
  }
}

std::string TextOf(const std::string& block) { return block.substr(0, std::min(block.find('\0'), block.size())); }

bool IsCall(const std::string& bytes, const char* text) {
  return bytes.size() == 3 && bytes[0] == text[0] && bytes[1] == text[1] && bytes[2] == '\0';
}

}  // namespace

UsbInstrument::UsbInstrument(std::string socketPath, InstrumentConfig config)
    : path_(std::move(socketPath)), core_(std::move(config)) {}

UsbInstrument::~UsbInstrument() {
  Stop();
  for (int fd : wake_)
    if (fd >= 0) ::close(fd);
}

bool UsbInstrument::Start(std::string* reason) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path_.empty() || path_.size() >= sizeof addr.sun_path) {
    if (reason) *reason = "socket path too long";
    return false;
  }
  std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
  ::unlink(path_.c_str());
  listen_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_ < 0 || ::bind(listen_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listen_, 8) != 0 || ::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
    if (reason) *reason = std::strerror(errno);
    if (listen_ >= 0) ::close(listen_);
    listen_ = -1;
    return false;
  }
  thread_ = std::thread([this] { Loop(); });
  return true;
}

void UsbInstrument::Stop() {
  stopping_ = true;
  if (wake_[1] >= 0) (void)!::write(wake_[1], "x", 1);
  if (thread_.joinable()) thread_.join();
  if (listen_ >= 0) HangUp();
}

void UsbInstrument::HangUp() {
  ::close(listen_);
  listen_ = -1;
  ::unlink(path_.c_str());
  Record().HungUp();
}

void UsbInstrument::Loop() {
  while (!stopping_ && listen_ >= 0) {
    pollfd fds[2] = {{listen_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(fds, 2, 200) <= 0 || !(fds[0].revents & POLLIN)) continue;
    const int connection = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    timeval tv{kConnectionWaitMs / 1000, 0};
    ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    Serve(connection);
    ::close(connection);
  }
}

void UsbInstrument::Serve(int connection) {
  unsigned char raw[usbwire::kHeaderSize];
  usbwire::Header h;
  if (!ReadAll(connection, raw, sizeof raw) || !usbwire::DecodeHeader(raw, h)) return;
  if (h.op == usbwire::kWrite) {
    std::string bytes(static_cast<size_t>(h.count), '\0');
    if (!ReadAll(connection, bytes.data(), bytes.size())) return;
    const int32_t result = Write(h.channel, bytes);
    Record().Call({'W', h.channel, bytes, result});
    WriteAll(connection, &result, sizeof result);
  } else {
    std::string bytes;
    const int32_t result = Read(h.channel, h.count, h.timeoutMs, bytes);
    Record().Call({'R', h.channel, bytes, result});
    WriteAll(connection, &result, sizeof result);
    WriteAll(connection, bytes.data(), bytes.size());
  }
  const long long hangupAfter = core_.Config().hangupAfter;
  if (hangupAfter >= 0 && (streamSent_ >= hangupAfter || uploadIn_ >= hangupAfter)) HangUp();
}

void UsbInstrument::Request(sim::Request request) {
  bool accepted = false;
  replies_.bytes += core_.Answer(request, accepted);
  if (!accepted) return;
  switch (request) {
    case sim::Request::Download: mode_ = Mode::AwaitAck; break;
    case sim::Request::Coordinates: mode_ = Mode::CoordinateName; break;
    case sim::Request::Codes: mode_ = Mode::CodeData; break;
  }
  upload_.clear();
  uploadIn_ = 0;
}

void UsbInstrument::UploadBlock(sim::Request kind, const std::string& block, bool addLineEnd) {
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

int UsbInstrument::Write(int channel, const std::string& bytes) {
  const bool inUpload = mode_ == Mode::CodeData || mode_ == Mode::CoordinateData;
  if (channel == 1 && !inUpload && IsCall(bytes, "D0")) Request(sim::Request::Download);
  else if (channel == 1 && !inUpload && IsCall(bytes, "S0")) Request(sim::Request::Coordinates);
  else if (channel == 1 && !inUpload && IsCall(bytes, "S1")) Request(sim::Request::Codes);
  else if (channel == 1 && mode_ == Mode::AwaitAck && bytes.size() == 2 && bytes[0] == '1') {
    const std::string stream = core_.DownloadStream();
    streamComplete_ = stream.size() == core_.Config().job.size() + 1;
    streamSent_ = 0;
    data_ = {stream, 0};
    mode_ = Mode::Streaming;
    Record().StreamStarted();
  } else if (channel == 1 && mode_ == Mode::CoordinateName && bytes.size() == 16 && bytes.starts_with("#@*&\r\n")) {
    bool accepted = false;
    replies_.bytes += core_.SecondAnswer(accepted);
    mode_ = accepted ? Mode::CoordinateData : Mode::Idle;
  } else if (channel == 1 && mode_ == Mode::CodeData) {
    UploadBlock(sim::Request::Codes, bytes, false);
  } else if (channel == 3 && mode_ == Mode::CoordinateData) {
    UploadBlock(sim::Request::Coordinates, bytes, true);
  }
  return static_cast<int>(bytes.size());
}

int UsbInstrument::Read(int channel, int size, int timeoutMs, std::string& out) {
  Outbox* box = channel == 0 ? &replies_ : channel == 2 ? &data_ : nullptr;
  if (!box || box->Pending() == 0) {
    // Nothing comes while this thread waits: the time-out just passes.
    const int cap = core_.Config().usbReadWaitMs;
    pollfd p{wake_[0], POLLIN, 0};
    ::poll(&p, 1, std::max(0, cap >= 0 ? std::min(cap, timeoutMs) : timeoutMs));
    return 0;
  }
  size_t n = std::min(box->Pending(), static_cast<size_t>(std::max(size, 0)));
  const long long hangupAfter = core_.Config().hangupAfter;
  if (box == &data_ && hangupAfter >= 0) n = std::min<size_t>(n, static_cast<size_t>(hangupAfter - streamSent_));
  out = box->bytes.substr(box->pos, n);
  box->pos += n;
  if (box == &data_) {
    streamSent_ += static_cast<long long>(n);
    if (box->Pending() == 0 && mode_ == Mode::Streaming) {
      if (streamComplete_) core_.FinishDownload();
      mode_ = streamComplete_ ? Mode::Idle : Mode::Silent;
    }
  }
  return static_cast<int>(n);
}

}  // namespace corvane::sim
