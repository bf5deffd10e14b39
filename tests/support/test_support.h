#pragma once
// Helpers shared by the test programs: temporary folders, files, running the
// command-line program, readable diffs of byte outputs.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace corvane::testing {

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "corvane-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

// Bytes shown with CR, LF, TAB and non-printing bytes made visible, one line per line.
inline std::string Visible(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') out += "<CR>";
    else if (c == '\n') out += "<LF>\n";
    else if (c == '\t') out += "<TAB>";
    else if (c < 0x20 || c == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "<%02X>", c);
      out += buf;
    } else out.push_back(static_cast<char>(c));
  }
  return out;
}

struct RunResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs a program with arguments and an optional extra environment, capturing its
// standard output and error in files. inChild runs in the new process before the
// program starts (limits, signal dispositions).
inline RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                            const std::vector<std::string>& env = {}, const std::function<void()>& inChild = {}) {
  TempDir io;
  const std::string outPath = io.File("out"), errPath = io.File("err");
  pid_t pid = ::fork();
  if (pid == 0) {
    FILE* o = std::freopen(outPath.c_str(), "wb", stdout);
    FILE* e = std::freopen(errPath.c_str(), "wb", stderr);
    (void)o;
    (void)e;
    std::freopen("/dev/null", "rb", stdin);
    for (const std::string& kv : env) ::putenv(const_cast<char*>(kv.c_str()));
    if (inChild) inChild();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  RunResult r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = ReadBytes(outPath);
  r.err = ReadBytes(errPath);
  return r;
}

}  // namespace corvane::testing
