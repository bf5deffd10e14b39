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

}  // namespace

UsbInstrument::UsbInstrument(std::string socketPath, InstrumentConfig config)
    : path_(std::move(socketPath)), channels_(std::move(config)) {}

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
    const int32_t result = channels_.Write(h.channel, bytes);
    Record().Call({'W', h.channel, bytes, result});
    WriteAll(connection, &result, sizeof result);
  } else {
    std::string bytes;
    const int32_t result = Read(h.channel, h.count, h.timeoutMs, bytes);
    Record().Call({'R', h.channel, bytes, result});
    WriteAll(connection, &result, sizeof result);
    WriteAll(connection, bytes.data(), bytes.size());
  }
  if (channels_.HangUpDue()) HangUp();
}

int UsbInstrument::Read(int channel, int size, int timeoutMs, std::string& out) {
  channels_.NoteRead(channel);
  if (channels_.Pending(channel) == 0) {
    // Nothing comes while this thread waits: the time-out just passes.
    const int cap = channels_.Config().usbReadWaitMs;
    pollfd p{wake_[0], POLLIN, 0};
    ::poll(&p, 1, std::max(0, cap >= 0 ? std::min(cap, timeoutMs) : timeoutMs));
    return 0;
  }
  out = channels_.Take(channel, size);
  return static_cast<int>(out.size());
}

}  // namespace corvane::sim
