#pragma once
// The one way the program writes a file. The new content grows in an unnamed
// file in the target's folder; only a complete, checked and flushed file takes
// the target's place, in one step, and the folder is flushed after it. Until
// then the old file stays exactly as it was, whatever happens: a full disk, a
// refused write, a killed process, a power cut.
//
//   DurableFile out;
//   if (!out.Open(path)) return Fail(path + ": " + out.Reason());
//   out.Write(bytes);                 // as often as needed, any sizes
//   if (!out.Commit()) return Fail(path + ": " + out.Reason());
//
// A symbolic link is written through: the file it leads to gets the content and
// the link stays. The new file keeps the old one's mode, owner and group (and
// its extended attributes, ACLs among them); where that cannot be done (another
// user's file for an ordinary user, a group the user is not in), and for a file
// with several names (hard links), Open refuses with the reason. Terminals,
// pipes, other special files and the process's own open files (/dev/stdout)
// are written in place.
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace corvane {

class DurableFile final {
 public:
  DurableFile() = default;
  ~DurableFile();  // an uncommitted file is dropped: the target stays as it was
  DurableFile(const DurableFile&) = delete;
  DurableFile& operator=(const DurableFile&) = delete;

  // Checks the target and starts the new content beside it. False, with
  // Reason(), when the file cannot be written there; nothing on disk changed.
  bool Open(const std::string& path);
  bool IsOpen() const { return fd_ >= 0; }
  // Appends bytes. After a failed write the rest is ignored and Commit fails.
  void Write(std::string_view bytes);
  bool Failed() const { return failed_; }
  // Puts the content in the target's place once all of it is safely on disk.
  // False, with Reason(), when anything failed: the target is untouched and no
  // temporary file is left.
  bool Commit();
  // Drops the new content; the target stays as it was.
  void Discard();

  // The path as given to Open, and the file that is replaced (links followed).
  const std::string& Path() const { return path_; }
  const std::string& Target() const { return target_; }
  // Both open files would replace the same file (whatever the paths said).
  bool SameTarget(const DurableFile& other) const;
  // Why the last step failed, as text.
  const std::string& Reason() const { return reason_; }

 private:
  friend bool CommitAll(std::span<DurableFile* const> files);
  bool FlushBuffer();
  bool WriteOut(const char* data, size_t size);
  bool Fail(int err, const char* what = nullptr);
  bool Finish();       // flushed to disk and given a temporary name
  bool TakePlace();    // renamed over the target
  void SyncFolder();
  void CloseAll();

  std::string path_;
  std::string target_;
  std::string folder_;
  std::string name_;      // the target's name in its folder
  std::string tempName_;  // while the content has a name of its own
  std::string backupName_;
  std::string buffer_;
  std::string reason_;
  int fd_ = -1;
  int folderFd_ = -1;
  bool special_ = false;   // written in place
  bool unnamed_ = false;   // the content has no name yet
  bool targetExisted_ = false;
  bool failed_ = false;
  unsigned long long unsyncedBytes_ = 0;
  unsigned long long writtenBytes_ = 0;
};

// Commits several files as one: every file is finished and flushed first; then
// they take their places in order, and when one cannot, those already placed
// get their old contents back. False, with the failing file's Reason(), when
// any file failed; then none of the targets changed.
bool CommitAll(std::span<DurableFile* const> files);
inline bool CommitAll(std::initializer_list<DurableFile*> files) {
  return CommitAll(std::span<DurableFile* const>(files.begin(), files.size()));
}

// The whole content in one call.
bool WriteFileDurably(const std::string& path, std::string_view bytes, std::string* reason = nullptr);

}  // namespace corvane
