#include "easyusb214x/sim_transport.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <chrono>
#include <string>

#include "easyusb214x/usb_sim_wire.h"

namespace {

using corvane::usbwire::Header;

// How much longer than the call's own time-out we wait for the simulator to answer.
constexpr int kAnswerMarginMs = 2000;

class Connection {
 public:
  ~Connection() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Open(const char* path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const size_t len = std::char_traits<char>::length(path);
    if (len == 0 || len >= sizeof addr.sun_path) return false;
    std::char_traits<char>::copy(addr.sun_path, path, len);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    return fd_ >= 0 && ::connect(fd_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  }
  void SetDeadline(int waitMs) {
    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs + kAnswerMarginMs);
  }
  // Each sends or receives exactly `size` bytes before the deadline.
  bool Send(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    while (size > 0) {
      if (!WaitFor(POLLOUT)) return false;
      const ssize_t n = ::send(fd_, p, size, MSG_NOSIGNAL);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) return false;
      p += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }
  bool Receive(void* data, size_t size) {
    auto* p = static_cast<unsigned char*>(data);
    while (size > 0) {
      if (!WaitFor(POLLIN)) return false;
      const ssize_t n = ::recv(fd_, p, size, 0);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) return false;
      p += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }

 private:
  bool WaitFor(short events) {
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd pfd{fd_, events, 0};
      const int ready = ::poll(&pfd, 1, static_cast<int>(left.count()));
      if (ready > 0) return true;
      if (ready == 0 || errno != EINTR) return false;
    }
  }
  int fd_ = -1;
  std::chrono::steady_clock::time_point deadline_;
};

}  // namespace

namespace corvane::usb {

// One call to the simulator; -1 when it cannot be reached or does not answer.
int SimCall(const char* path, unsigned char op, int channel, const unsigned char* out, unsigned char* in, int count,
            int timeoutMs, std::string* reason) {
  auto fail = [&](std::string why) {
    if (reason) *reason = std::move(why);
    return -1;
  };
  if (!path || count < 0) return fail("A call with a negative count.");
  if (count > usbwire::kMaxCount)
    return fail("A call of " + std::to_string(count) + " bytes is more than the simulated instrument takes.");
  Connection c;
  if (!c.Open(path))
    return fail(std::string("The simulated instrument at ") + path + " cannot be reached: " + std::strerror(errno));
  c.SetDeadline(timeoutMs > 0 ? timeoutMs : 0);
  const std::string noAnswer = std::string("The simulated instrument at ") + path + " did not answer the call.";
  Header h;
  h.op = op;
  h.channel = channel;
  h.count = count;
  h.timeoutMs = timeoutMs;
  unsigned char header[usbwire::kHeaderSize];
  usbwire::EncodeHeader(h, header);
  if (!c.Send(header, sizeof header)) return fail(noAnswer);
  if (out && count > 0 && !c.Send(out, static_cast<size_t>(count))) return fail(noAnswer);
  int32_t result = -1;
  if (!c.Receive(&result, sizeof result)) return fail(noAnswer);
  if (in && result > 0) {
    if (result > count || !c.Receive(in, static_cast<size_t>(result))) return fail(noAnswer);
  }
  if (result < 0) return fail("The simulated instrument failed the call.");
  if (op == usbwire::kWrite && result < count && reason)
    *reason = "The simulated instrument took " + std::to_string(result) + " of " + std::to_string(count) + " bytes.";
  return result;
}


}  // namespace corvane::usb
