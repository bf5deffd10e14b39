#pragma once
// Shared pieces of the fuzz targets: checks that stop the run with a message,
// files in memory, a private folder, the program folder of the data files.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/grid/grid_loading.h"
#include "core/grid/record_grid.h"

namespace corvane::fuzz {

// Stops the run (libFuzzer keeps the input) when the condition fails.
#define FUZZ_CHECK(cond, what)                                                       \
  do {                                                                               \
    if (!(cond)) {                                                                   \
      std::fprintf(stderr, "check failed at %s:%d: %s\n", __FILE__, __LINE__, what); \
      std::abort();                                                                  \
    }                                                                                \
  } while (0)

// A file in memory holding the bytes, readable by path while it lives.
class MemoryFile final {
 public:
  explicit MemoryFile(std::string_view bytes) {
    fd_ = ::memfd_create("fuzz", 0);
    FUZZ_CHECK(fd_ >= 0, "memfd_create");
    FUZZ_CHECK(::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()), "write");
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }
  ~MemoryFile() { ::close(fd_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;
  const std::string& Path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// A folder of this process for files that must live on disk.
inline const std::string& Folder() {
  static const std::string folder = [] {
    // A memory file system where there is one: every output is flushed to disk.
    std::string t = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/corvane-fuzz-XXXXXX" : "/tmp/corvane-fuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(t.data()) != nullptr, "mkdtemp");
    return t;
  }();
  return folder;
}

inline std::string ReadAll(const std::string& path) {
  std::string out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

// The first byte of the input as a small choice, the rest as the data.
inline unsigned TakeByte(std::string_view& data) {
  if (data.empty()) return 0;
  const auto b = static_cast<unsigned char>(data.front());
  data.remove_prefix(1);
  return b;
}

// A file given before a zero byte and a job after it, the job opened into a grid
// as the Open button opens it.
struct FileAndJob {
  std::string_view file;
  RecordGrid grid;
};
inline FileAndJob SplitFileAndJob(std::string_view data) {
  FileAndJob out;
  const size_t split = data.find('\0');
  out.file = data.substr(0, split);
  const std::string_view job = split == std::string_view::npos ? std::string_view() : data.substr(split + 1);
  ColumnCaptions captions;
  ClearGrid(out.grid, captions);
  OpenJobLineWalker walker(out.grid);
  walker.Feed(job);
  walker.Finish();
  return out;
}

}  // namespace corvane::fuzz
