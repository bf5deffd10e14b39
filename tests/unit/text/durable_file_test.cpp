// The durable writer: whichever step fails, the old file stays byte for byte
// and nothing is left beside it; links are written through; mode, owner and
// group are kept; temporaries of killed saves are cleared away.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>

#include "core/text/durable_file.h"
#include "core/text/durable_file_calls.h"
#include "core/text/durable_target.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
namespace fs = std::filesystem;

enum class Step { Write, Fsync, Link, Close, Rename };

// The calls of one kind fail from the k-th on; writes take at most 7 bytes at a
// time, so even a small file takes many of them.
struct Faults {
  Step step = Step::Write;
  int failAt = 0;
  int seen = 0;
  bool hit = false;
  bool unnamed = true;  // false: as on a file system without unnamed files
  bool Fails(Step s) {
    if (s != step || seen++ < failAt) return false;
    hit = true;
    errno = s == Step::Write ? ENOSPC : EIO;
    return true;
  }
};
Faults* faults = nullptr;

const DurableFileCalls& Real() { return SystemDurableCalls(); }

const DurableFileCalls kFaulty{
    [](int dir, const char* name, int flags, mode_t mode) {
      if (!faults->unnamed && (flags & O_TMPFILE) == O_TMPFILE) return errno = EOPNOTSUPP, -1;
      return Real().openat(dir, name, flags, mode);
    },
    [](int fd, const void* data, size_t size) -> ssize_t {
      return faults->Fails(Step::Write) ? -1 : Real().write(fd, data, std::min<size_t>(size, 7));
    },
    [](int fd) { return faults->Fails(Step::Fsync) ? -1 : Real().fsync(fd); },
    [](int fd) {
      const int rc = Real().close(fd);
      return faults->Fails(Step::Close) ? -1 : rc;
    },
    [](int a, const char* from, int b, const char* to, int flags) {
      return faults->Fails(Step::Link) ? -1 : Real().linkat(a, from, b, to, flags);
    },
    [](int a, const char* from, int b, const char* to) {
      return faults->Fails(Step::Rename) ? -1 : Real().renameat(a, from, b, to);
    },
    Real().fchown,
    Real().fchmod,
};

class UseFaults {
 public:
  explicit UseFaults(Faults& f) {
    faults = &f;
    DurableCalls() = kFaulty;
  }
  ~UseFaults() {
    DurableCalls() = SystemDurableCalls();
    faults = nullptr;
  }
};

std::set<std::string> Entries(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

std::string Content(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "U,DP,P" + std::to_string(i) + ",10.000,45.3015,90.0000\r\n";
  return s;
}

TEST(DurableFile, AFailureAtAnyStepLeavesTheOldFilesAndNothingBesideThem) {
  const std::string content = Content(6);  // 200 bytes: about 30 writes
  for (const bool unnamed : {true, false})
    for (const Step step : {Step::Write, Step::Fsync, Step::Link, Step::Close, Step::Rename})
      for (const int files : {1, 2})
        for (int k = 0;; ++k) {
          const std::string what = "unnamed " + std::to_string(unnamed) + " step " +
                                   std::to_string(static_cast<int>(step)) + " files " + std::to_string(files) +
                                   " call " + std::to_string(k);
          TempDir dir;
          const std::string paths[2] = {dir.File("out.txt"), dir.File("out.rpt")};
          WriteBytes(paths[0], "old output");  // the second file is new
          Faults plan{step, k};
          plan.unnamed = unnamed;
          bool ok = true;
          {
            UseFaults use(plan);
            DurableFile out[2];
            for (int i = 0; i < files; ++i) {
              ok = out[i].Open(paths[i]) && ok;
              for (size_t at = 0; at < content.size(); at += 13) out[i].Write(std::string_view(content).substr(at, 13));
            }
            ok = ok && (files == 1 ? out[0].Commit() : CommitAll({&out[0], &out[1]}));
            if (!ok) {
              EXPECT_FALSE(out[0].Reason().empty() && out[1].Reason().empty()) << what;
            }
          }
          const std::set<std::string> left = Entries(dir.Path());
          if (!plan.hit) {  // k is past the last call of that kind: the save went through
            EXPECT_TRUE(ok) << what;
            EXPECT_EQ(ReadBytes(paths[0]), content) << what;
            EXPECT_EQ(left.size(), static_cast<size_t>(files)) << what;
            break;
          }
          EXPECT_FALSE(ok) << what;
          EXPECT_EQ(ReadBytes(paths[0]), "old output") << what;
          EXPECT_EQ(left, std::set<std::string>{"out.txt"}) << what;
        }
}

TEST(DurableFile, WritesThroughSymbolicLinks) {
  TempDir dir;
  fs::create_directories(dir.Path() / "real");
  WriteBytes(dir.File("real/job.kvm"), "old");
  fs::create_symlink("real/job.kvm", dir.Path() / "step");      // relative
  fs::create_symlink(dir.Path() / "step", dir.Path() / "link");  // a link to a link
  fs::create_symlink("real/new.kvm", dir.Path() / "dangling");
  for (const char* name : {"link", "dangling"}) {
    std::string reason;
    ASSERT_TRUE(WriteFileDurably(dir.File(name), std::string("new ") + name, &reason)) << reason;
    EXPECT_TRUE(fs::is_symlink(dir.Path() / name)) << name;
  }
  EXPECT_EQ(ReadBytes(dir.File("real/job.kvm")), "new link");
  EXPECT_EQ(ReadBytes(dir.File("real/new.kvm")), "new dangling");
  EXPECT_EQ(Entries(dir.Path() / "real"), (std::set<std::string>{"job.kvm", "new.kvm"}));
  fs::create_symlink("loop", dir.Path() / "loop");
  EXPECT_FALSE(WriteFileDurably(dir.File("loop"), "x"));
}

TEST(DurableFile, KeepsModeOwnerGroupAndAttributes) {
  TempDir dir;
  const std::string path = dir.File("job.kvm");
  WriteBytes(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);  // a surveyor's file, saved by root
  }
  const bool attributes = ::setxattr(path.c_str(), "user.survey", "site 7", 6, 0) == 0;
  ASSERT_TRUE(WriteFileDurably(path, "new"));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
  }
  if (attributes) {
    char value[16] = {};
    EXPECT_EQ(::getxattr(path.c_str(), "user.survey", value, sizeof value), 6);
    EXPECT_STREQ(value, "site 7");
  }
  EXPECT_EQ(ReadBytes(path), "new");
}

TEST(DurableFile, RefusesWhatItCannotReplaceFaithfully) {
  TempDir dir;
  WriteBytes(dir.File("a.kvm"), "old");
  fs::create_hard_link(dir.File("a.kvm"), dir.File("backup.kvm"));
  WriteBytes(dir.File("ro.kvm"), "old");
  fs::permissions(dir.File("ro.kvm"), fs::perms::owner_read);
  fs::create_directories(dir.Path() / "folder.kvm");
  for (const char* name : {"a.kvm", "ro.kvm", "folder.kvm", "missing/x.kvm", ""}) {
    DurableFile f;
    EXPECT_FALSE(f.Open(name[0] ? dir.File(name) : std::string())) << name;
    EXPECT_FALSE(f.Reason().empty()) << name;
    EXPECT_FALSE(f.Commit()) << name;
  }
  EXPECT_EQ(ReadBytes(dir.File("a.kvm")), "old");
  EXPECT_EQ(ReadBytes(dir.File("backup.kvm")), "old");
  EXPECT_EQ(ReadBytes(dir.File("ro.kvm")), "old");
  EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{"a.kvm", "backup.kvm", "ro.kvm", "folder.kvm"}));
}

TEST(DurableFile, ClearsTemporariesOfKilledSavesOnly) {
  TempDir dir;
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  // Names as a save of that process and of this one would have left.
  std::string dead = TemporaryName("job.kvm");
  const std::string own = std::to_string(::getpid()) + "-";
  dead.replace(dead.rfind(own), own.size(), std::to_string(gone) + "-");
  const std::string alive = TemporaryName("job.kvm");
  WriteBytes(dir.File(dead), "left by a killed save");
  WriteBytes(dir.File(alive), "being written");
  ASSERT_TRUE(WriteFileDurably(dir.File("job.kvm"), "new"));
  EXPECT_EQ(Entries(dir.Path()), (std::set<std::string>{"job.kvm", alive}));
}

}  // namespace
}  // namespace corvane
