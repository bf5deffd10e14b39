#pragma once
// What DurableFile finds out about the file it replaces: where it really is
// (links followed), whether it may be replaced, and how the new file is made to
// look like it.
#include <sys/stat.h>

#include <string>

namespace corvane {

struct FileTarget {
  std::string path;    // symbolic links followed
  std::string folder;  // "." for a bare name
  std::string name;    // the last part of path
  bool exists = false;
  // Reached through a link of /proc (/dev/stdout, /dev/fd/N): an open file of
  // this process, a pipe or a terminal as often as a file, written in place.
  bool openFile = false;
  struct stat st {};
};

// Follows symbolic links from path to the file they lead to (which need not
// exist yet). False, with the reason, for a loop of links or an unreadable link.
bool ResolveTarget(const std::string& path, FileTarget& target, std::string& reason);

// False, with the reason, when the existing target must not be replaced: a
// folder, a read-only file, a file with several names.
bool MayReplace(const FileTarget& target, std::string& reason);

// Gives the new file (still unnamed or under its temporary name) the target's
// owner, group, mode and extended attributes. False, with the reason, where one
// of them cannot be kept.
bool KeepAttributes(int fd, const FileTarget& target, std::string& reason);

// A fresh name for the content beside the target: hidden, and telling which
// process made it, so a later save can remove what a killed one left.
std::string TemporaryName(const std::string& name);
// Removes the temporaries of this target that belong to processes of this
// machine that no longer run.
void RemoveStaleTemporaries(int folderFd, const std::string& name);

}  // namespace corvane
