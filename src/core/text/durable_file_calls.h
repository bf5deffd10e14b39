#pragma once
// The system calls through which DurableFile touches the disk, in one table.
// Tests put their own calls in to make a chosen one fail (the k-th write, the
// flush, the rename) and check that the old file survives.
#include <sys/types.h>

namespace corvane {

struct DurableFileCalls {
  // Creates the file for the new content (O_TMPFILE for an unnamed one).
  int (*openat)(int folder, const char* name, int flags, mode_t mode);
  ssize_t (*write)(int fd, const void* data, size_t size);
  int (*fsync)(int fd);
  int (*close)(int fd);
  int (*linkat)(int fromFolder, const char* from, int toFolder, const char* to, int flags);
  int (*renameat)(int fromFolder, const char* from, int toFolder, const char* to);
  int (*fchown)(int fd, uid_t owner, gid_t group);
  int (*fchmod)(int fd, mode_t mode);
};

// The calls in use: the system's own unless a test has replaced them.
DurableFileCalls& DurableCalls();
// The system's own calls, to put back.
const DurableFileCalls& SystemDurableCalls();

}  // namespace corvane
