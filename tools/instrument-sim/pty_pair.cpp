#include "pty_pair.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace corvane::sim {
namespace {
bool MakeRaw(int fd) {
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) return false;
  ::cfmakeraw(&tio);
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}
}  // namespace

bool OpenPtyPair(PtyPair& pair, std::string* reason) {
  auto fail = [&] {
    if (reason) *reason = std::strerror(errno);
    ClosePtyPair(pair);
    return false;
  };
  pair.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (pair.master < 0 || ::grantpt(pair.master) != 0 || ::unlockpt(pair.master) != 0) return fail();
  char name[128];
  if (::ptsname_r(pair.master, name, sizeof name) != 0) return fail();
  pair.slavePath = name;
  pair.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (pair.slave < 0 || !MakeRaw(pair.slave) || !MakeRaw(pair.master)) return fail();
  return true;
}

void ClosePtyPair(PtyPair& pair) {
  for (int* fd : {&pair.master, &pair.slave}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

}  // namespace corvane::sim
