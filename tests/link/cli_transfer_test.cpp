// corvane480-cli's transfer commands against the instrument-sim program.
#include <gtest/gtest.h>

#include <filesystem>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/test_support.h"

namespace corvane::testing {
namespace {

const std::string kCli = std::string(CORVANE_BIN_DIR) + "/corvane480-cli";
const std::string kSim = std::string(CORVANE_BIN_DIR) + "/instrument-sim";

std::string Fixture(const std::string& name) { return ReadBytes(std::string(CORVANE_TEST_DATA) + "/link/" + name); }

// A program running beside the test; its standard output is kept in a file.
class Background {
 public:
  Background(const std::string& program, const std::vector<std::string>& args, const std::vector<std::string>& env,
             const std::string& outFile, const std::string& errFile)
      : out_(outFile), err_(errFile) {
    pid_ = ::fork();
    if (pid_ == 0) {
      (void)!std::freopen(outFile.c_str(), "wb", stdout);
      (void)!std::freopen(errFile.c_str(), "wb", stderr);
      for (const std::string& kv : env) ::putenv(const_cast<char*>(kv.c_str()));
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
  }
  ~Background() {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      Wait();
    }
  }
  // Waits until the standard output has `lines` lines.
  std::string WaitForOutput(int lines) const {
    for (int i = 0; i < 500; ++i) {
      const std::string text = ReadBytes(out_);
      if (std::count(text.begin(), text.end(), '\n') >= lines) return text;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "no output from the program: " << ReadBytes(err_);
    return {};
  }
  void Signal(int sig) const { ::kill(pid_, sig); }
  int Wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  std::string out_, err_;
};

struct CliBench {
  TempDir dir;
  std::unique_ptr<Background> sim;
  std::string tty;

  // Starts the instrument on a pseudo-terminal reached through a link in the folder.
  void StartSerial(std::vector<std::string> faults = {}) {
    WriteBytes(dir.File("job.txt"), Fixture("job.txt"));
    tty = dir.File("tty");
    // The line is modelled at 9600 bit/s both ways; the stored settings agree.
    std::vector<std::string> args = {"--link", tty, "--job", dir.File("job.txt"), "--save-dir", dir.Path().string(),
                                     "--baud", "9600"};
    std::filesystem::create_directories(dir.File("settings") + "/ZAMO");
    WriteBytes(dir.File("settings") + "/ZAMO/Corvane.ini", "[ComStatus]\r\nBaud=3\r\n");
    args.insert(args.end(), faults.begin(), faults.end());
    sim = std::make_unique<Background>(kSim, args, std::vector<std::string>{}, dir.File("sim.out"), dir.File("sim.err"));
    sim->WaitForOutput(1);
  }
  void StartUsb() {
    WriteBytes(dir.File("job.txt"), Fixture("job.txt"));
    sim = std::make_unique<Background>(
        kSim, std::vector<std::string>{"--usb", dir.File("usb.sock"), "--job", dir.File("job.txt"), "--save-dir",
                                       dir.Path().string()},
        std::vector<std::string>{}, dir.File("sim.out"), dir.File("sim.err"));
    sim->WaitForOutput(1);
  }
  RunResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--settings-dir", dir.File("settings")});
    return RunProgram(kCli, args, {"CORVANE_USB_SIM=" + dir.File("usb.sock")});
  }
  std::string Input(const std::string& fixture) {
    WriteBytes(dir.File("in-" + fixture), Fixture(fixture));
    return dir.File("in-" + fixture);
  }
};

TEST(CliTransfers, SerialDownloadWritesWhatArrivedAndTheGrid) {
  CliBench b;
  b.StartSerial();
  const RunResult r = b.Cli({"download", "--device", b.tty, "--baud", "115200", "-o", b.dir.File("got.txt"),
                             "--grid-out", b.dir.File("grid.txt"), "--trace", b.dir.File("trace.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Visible(ReadBytes(b.dir.File("got.txt"))), Visible(Fixture("job.txt") + "\x04"));
  EXPECT_EQ(Visible(ReadBytes(b.dir.File("grid.txt"))), Visible(Fixture("job_grid.txt")));
  EXPECT_NE(r.err.find("Received 42 lines"), std::string::npos) << r.err;
  const std::string trace = ReadBytes(b.dir.File("trace.txt"));
  EXPECT_NE(trace.find(" open " + b.tty + " 115200 8N1\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find(" sent 44 30 |D0|\n"), std::string::npos) << trace;
  EXPECT_NE(trace.find(" recv 31 |1|\n"), std::string::npos) << trace;
}

TEST(CliTransfers, SerialUploadsReachTheInstrument) {
  CliBench b;
  b.StartSerial();
  RunResult r = b.Cli({"upload-coords", b.Input("coords.txt"), "--device", b.tty, "--type", "0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  WriteBytes(b.dir.File("codes.txt"), "AB\r\nCD\r\n");
  r = b.Cli({"upload-codes", b.dir.File("codes.txt"), "--device", b.tty});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  // What the instrument keeps: the data between the handshakes and the end marker.
  const std::string coords = Fixture("coords_wire.txt");
  EXPECT_EQ(Visible(ReadBytes(b.dir.File("coordinates-1.txt"))), Visible(coords.substr(9, coords.size() - 10)));
  EXPECT_EQ(Visible(ReadBytes(b.dir.File("codes-2.txt"))),
            Visible(std::string(12, ' ') + "AB\r\n" + std::string(12, ' ') + "CD\r\n"));
  // No byte overran the instrument's FIFO: it ends without complaint.
  b.sim->Signal(SIGTERM);
  EXPECT_EQ(b.sim->Wait(), 0) << ReadBytes(b.dir.File("sim.err"));
}

TEST(CliTransfers, UsbTransfers) {
  CliBench b;
  b.StartUsb();
  RunResult r = b.Cli({"usb-download", "-o", b.dir.File("got.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadBytes(b.dir.File("got.txt")), Fixture("job.txt") + "\x04");
  r = b.Cli({"usb-upload-coords", b.Input("coords.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("sent ok!"), std::string::npos) << r.err;
  r = b.Cli({"usb-upload-codes", b.Input("codes.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Visible(ReadBytes(b.dir.File("coordinates-1.txt"))), Visible(Fixture("coords_usb_kept.txt")));
  EXPECT_EQ(Visible(ReadBytes(b.dir.File("codes-2.txt"))), Visible(Fixture("codes_usb_kept.txt")));
}

TEST(CliTransfers, Failures) {
  CliBench b;
  // No port: the documented line, then the device and the reason.
  RunResult r = b.Cli({"download", "--device", b.dir.File("no-tty")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "COM1 doesn't exist or be\nopened by another program!\n" + b.dir.File("no-tty") +
                       ": No such file or directory\n");
  // No USB instrument: the message, and beneath it why.
  r = b.Cli({"usb-upload-codes", b.Input("codes.txt")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Turn on the Instrument and connect it to PC with USB line!\nThe simulated instrument at " +
                       b.dir.File("usb.sock") + " cannot be reached: No such file or directory\n");
  // Wrong use.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"download", "--baud", "1234"}, {"upload-codes", "x", "--type", "3"},
        {"usb-download", "--device", "/dev/null"}, {"download", "--silence-limit", "0"},
        {"download", "--device", "a", "--port", "2"}}) {
    EXPECT_EQ(b.Cli(args).exitCode, 2) << args[0] << " " << args[1];
  }
}

TEST(CliTransfers, SilentInstrumentKeepsWhatArrived) {
  CliBench b;
  b.StartSerial({"--silent-after", "100"});
  const RunResult r = b.Cli({"download", "--device", b.tty, "--silence-limit", "0.5", "-o", b.dir.File("got.txt")});
  EXPECT_EQ(r.exitCode, 1);
  // The local-language message, shown as UTF-8 on this terminal.
  EXPECT_NE(r.err.find("仪器在数据结束前停止发送"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(b.dir.File("got.txt")), Fixture("job.txt").substr(0, 100));
}

TEST(CliTransfers, CtrlCEndsTheTransferCleanly) {
  CliBench b;
  b.StartSerial({"--silent-after", "100"});
  Background cli(kCli,
                 {"--settings-dir", b.dir.File("settings"), "download", "--device", b.tty, "-o", b.dir.File("got.txt")},
                 {}, b.dir.File("cli.out"), b.dir.File("cli.err"));
  for (int i = 0; i < 300 && ReadBytes(b.dir.File("cli.err")).find("(100 bytes)") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const auto before = std::chrono::steady_clock::now();
  cli.Signal(SIGINT);
  EXPECT_EQ(cli.Wait(), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
  EXPECT_NE(ReadBytes(b.dir.File("cli.err")).find("Stopped"), std::string::npos);
  EXPECT_EQ(ReadBytes(b.dir.File("got.txt")), Fixture("job.txt").substr(0, 100));
  // The port was let go: the next transfer opens it.
  const RunResult again = b.Cli({"upload-coords", b.Input("coords.txt"), "--device", b.tty});
  EXPECT_EQ(again.exitCode, 0) << again.err;
}

}  // namespace
}  // namespace corvane::testing
