#include "core/link/serial_port.h"
#include "core/link/serial_line.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <iterator>

#include "core/text/text_file.h"

namespace corvane {
namespace {

constexpr int64_t kByteWaitNs = 1'000'000'000;
// Close waits for what the driver still holds, never longer than this.
constexpr int64_t kCloseDrainLimitNs = 2'000'000'000;

bool SpeedConstant(int baud, speed_t& out) {
  switch (baud) {
    case 1200: out = B1200; return true;
    case 2400: out = B2400; return true;
    case 4800: out = B4800; return true;
    case 9600: out = B9600; return true;
    case 19200: out = B19200; return true;
    case 38400: out = B38400; return true;
    case 57600: out = B57600; return true;
    case 115200: out = B115200; return true;
    default: return false;
  }
}

bool IsLostError(int err) { return err == EIO || err == ENXIO || err == ENODEV || err == EBADF; }

}  // namespace

int PortFromIndex(int index) { return index + 1; }

int BaudFromIndex(int index) {
  static constexpr int kRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 115200};
  if (index < 0 || index >= static_cast<int>(std::size(kRates))) return 9600;
  return kRates[index];
}

int DataBitsFromIndex(int index) { return index == 1 ? 7 : 8; }

int LineCodeFromIndex(int index) { return index >= 0 && index <= 2 ? index : 0; }

bool ConfigureLine(termios& tio, int baud, int dataBits, int parity, int stopBits) {
  speed_t speed{};
  if (!SpeedConstant(baud, speed)) return false;
  const tcflag_t hardwareFlow = tio.c_cflag & CRTSCTS;
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  tio.c_cflag |= (dataBits == 7 ? CS7 : CS8) | CLOCAL | CREAD | hardwareFlow;
  if (parity == 1) tio.c_cflag |= PARENB | PARODD;
  if (parity == 2) tio.c_cflag |= PARENB;
  if (stopBits != 0) tio.c_cflag |= CSTOPB;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  return true;
}

CSerialPort::~CSerialPort() { Close(); }

bool CSerialPort::Open(const std::string& devicePath, int baud, int dataBits, int parity, int stopBits) {
  if (open_) return true;
  openError_ = 0;
  fault_.clear();
  path_ = devicePath;
  if (speed_t speed{}; !SpeedConstant(baud, speed)) {
    openError_ = EINVAL;
    return false;
  }
  const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    openError_ = errno;
    return false;
  }
  auto fail = [&](int err) {
    openError_ = err;
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    return false;
  };
  if (!::isatty(fd)) return fail(ENOTTY);
  // No sharing: the kernel refuses further opens of the line (TIOCEXCL), and the
  // lock keeps out a second copy of this program even when it runs privileged.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno);
  ::ioctl(fd, TIOCEXCL);
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return fail(errno);
  ConfigureLine(tio, baud, dataBits, parity, stopBits);
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) return fail(errno);
  fd_ = fd;
  open_ = true;
  characterNs_ = CharacterTimeNs(baud, dataBits, parity, stopBits);
  return true;
}

bool CSerialPort::Close() {
  if (!open_ || fd_ < 0) return true;
  if (fault_.empty()) {
    // Writes wait until each byte has left, so at most a byte or two can still be
    // queued: let them go, nothing written is thrown away. The wait is what those
    // bytes need on the line (a second more at most for a line held up), and one
    // character more after the last byte, so the far end has it whole before the
    // line is let go.
    const int queued = OutputQueued();
    const int64_t start = time_.NowNs();
    if (queued > 0)
      WaitUntilSent(start, characterNs_ * queued, std::min(kCloseDrainLimitNs, characterNs_ * (queued + 2) + kByteWaitNs),
                    [this] { return OutputQueued(); }, time_);
    if (lastWentInNs_ > 0) time_.SleepUntilNs(std::min(lastWentInNs_ + 2 * characterNs_, time_.NowNs() + characterNs_));
  } else {
    // A line that is gone must not hold up the close with bytes that cannot leave.
    ::tcflush(fd_, TCOFLUSH);
  }
  ::ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
  open_ = false;
  lastWentInNs_ = 0;
  return true;
}

int CSerialPort::OutputQueued() {
  int queued = 0;
  if (::ioctl(fd_, TIOCOUTQ, &queued) == 0) return queued;
  // A driver without the request counts as an empty queue; a gone device does not.
  if (!IsLostError(errno)) return 0;
  MarkLost(SystemErrorText(errno));
  return -1;
}

void CSerialPort::MarkLost(const std::string& why) {
  if (fault_.empty()) fault_ = path_ + ": " + why;
}

int CSerialPort::Write(const void* data, int count) {
  if (!open_ || fd_ < 0 || count <= 0 || !fault_.empty()) return 0;
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (int i = 0; i < count; ++i) {
    const int64_t start = time_.NowNs();
    for (;;) {
      const ssize_t n = ::write(fd_, bytes + i, 1);
      if (n == 1) break;
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        const int64_t leftMs = (start + kByteWaitNs - time_.NowNs()) / 1'000'000;
        if (leftMs <= 0) {
          MarkLost("the line took no data for 1000 ms");
          return i;
        }
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(leftMs)) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
          MarkLost("the device hung up");
          return i;
        }
        continue;
      }
      MarkLost(n < 0 ? SystemErrorText(errno) : "the device took no data");
      return i;
    }
    // The byte is in the driver's queue; it counts once the line has carried it, so
    // an XOFF from the instrument stops the upload within the record being sent.
    const int64_t wentIn = time_.NowNs();
    lastWentInNs_ = wentIn;
    switch (WaitUntilSent(wentIn, characterNs_, start + kByteWaitNs - wentIn, [this] { return OutputQueued(); },
                          time_)) {
      case ByteWait::Sent: break;
      case ByteWait::TimedOut: MarkLost("the line took no data for 1000 ms"); return i;
      case ByteWait::Lost: return i;  // OutputQueued has said why
    }
  }
  return count;
}

int CSerialPort::Read(void* buffer, int limit) {
  if (!open_ || fd_ < 0 || limit <= 0) return 0;
  int queued = 0;
  if (::ioctl(fd_, FIONREAD, &queued) != 0) {
    if (IsLostError(errno)) MarkLost(SystemErrorText(errno));
    return 0;
  }
  if (queued <= 0) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) MarkLost("the device hung up");
    return 0;
  }
  const ssize_t n = ::read(fd_, buffer, static_cast<size_t>(queued < limit ? queued : limit));
  if (n > 0) return static_cast<int>(n);
  if (n == 0) MarkLost("the device hung up");
  else if (errno != EAGAIN && errno != EINTR) MarkLost(SystemErrorText(errno));
  return 0;
}

void CSerialPort::Purge() {
  if (!open_ || fd_ < 0) return;
  if (::tcflush(fd_, TCIFLUSH) == 0) ::tcflush(fd_, TCOFLUSH);
}

void CSerialPort::WaitForInput(int ms) {
  if (!open_ || fd_ < 0) return;
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, ms) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) MarkLost("the device hung up");
}

}  // namespace corvane
