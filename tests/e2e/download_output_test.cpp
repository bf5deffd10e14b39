// Where a download's job goes: a path that cannot be written is found before
// the transfer starts; a write that still fails at the end keeps the job in a
// recovery file that the message names.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "cli_runner.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(DownloadOutput, AnUnwritablePathEndsTheCommandBeforeThePortIsOpened) {
  TempDir dir;
  const struct Case {
    std::vector<std::string> paths;
    const char* firstLine;
  } cases[] = {
      {{"-o", "/no/such/dir/x"}, "Creat file failed!"},
      {{"--grid-out", "/no/such/dir/x"}, "Open file failed!"},
      {{"-o", dir.File("same"), "--grid-out", dir.File("same")}, "Open file failed!"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"download", "--device", dir.File("no-such-port"), "--trace", dir.File("trace")};
    args.insert(args.end(), c.paths.begin(), c.paths.end());
    const RunResult r = RunCli(dir, args);
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(FirstLine(r.err), c.firstLine) << r.err;
    EXPECT_EQ(r.err.find("no-such-port"), std::string::npos) << "the port was tried first:\n" << r.err;
    EXPECT_FALSE(fs::exists(dir.File("trace"))) << "a refused command left its trace file";
  }
}

// The instrument's side of a pseudo-terminal: waits for the download request,
// lets `meanwhile` run, then answers and sends the job.
void PlayInstrument(int master, const std::string& job, const std::function<void()>& meanwhile) {
  std::string heard;
  for (int i = 0; i < 200 && heard.find("D0") == std::string::npos; ++i) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 50) > 0) {
      char buf[64];
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n > 0) heard.append(buf, static_cast<size_t>(n));
    }
  }
  ASSERT_NE(heard.find("D0"), std::string::npos);
  meanwhile();
  ASSERT_EQ(::write(master, "1", 1), 1);
  // What comes in the same read as the "1" is not part of the job.
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  const std::string answer = job + "\x04";
  ASSERT_EQ(::write(master, answer.data(), answer.size()), static_cast<ssize_t>(answer.size()));
}

TEST(DownloadOutput, AJobThatCannotBeWrittenAtTheEndIsKeptInARecoveryFile) {
  TempDir dir;
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const std::string port = ::ptsname(master);
  fs::create_directories(dir.Path() / "jobs");
  const std::string job = "U,ST,S1,,,,1000.000,2000.000,100.000\r\nU,DP,P1,10.000,45.0000,90.0000\r\n";
  RunResult r;
  std::thread cli([&] {
    r = RunProgram(kCli,
                   {"--settings-dir", dir.File("settings"), "download", "--device", port, "--baud", "115200", "-o",
                    dir.File("jobs/job.txt"), "--grid-out", dir.File("jobs/grid.kvm"), "--silence-limit", "5"},
                   {"XDG_STATE_HOME=" + dir.File("state")});
  });
  // The folder goes away while the job comes in (a USB stick pulled out).
  PlayInstrument(master, job, [&] { fs::remove_all(dir.Path() / "jobs"); });
  cli.join();
  ::close(master);
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_NE(r.err.find("\nCreat file failed!\n" + dir.File("jobs/job.txt") + ": "), std::string::npos) << r.err;
  const std::string kept = "The received job is kept in ";
  const size_t at = r.err.find(kept + dir.File("state/corvane480/download-"));
  ASSERT_NE(at, std::string::npos) << r.err;
  const std::string path = FirstLine(r.err.substr(at + kept.size()));
  EXPECT_EQ(ReadBytes(path), job + "\x04");
  EXPECT_FALSE(fs::exists(dir.Path() / "jobs"));
}

}  // namespace
}  // namespace corvane::testing
