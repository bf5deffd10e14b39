// Commands that fail leave every file as it was: wrong usage, a full disk at any
// byte, a process killed in the middle of a save, a report or index that cannot
// be written beside its output.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "cli_runner.h"

namespace corvane::testing {
namespace {

namespace fs = std::filesystem;

// Every file under the folder with its bytes.
std::map<std::string, std::string> Snapshot(const TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir.Path()))
    if (!e.is_directory()) files[fs::relative(e.path(), dir.Path()).string()] = ReadBytes(e.path().string());
  return files;
}

// The names of the files that differ between two snapshots.
std::string Changed(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& after) {
  std::string names;
  for (const auto& [name, bytes] : after)
    if (!before.count(name) || before.at(name) != bytes) names += name + " ";
  for (const auto& [name, bytes] : before)
    if (!after.count(name)) names += name + "(gone) ";
  return names;
}

// A job of one set-up with `points` measured points (with coordinates too).
std::string LongJob(int points) {
  std::string job = "U,ST,S1,,,,1000.000,2000.000,100.000,1.500,,STN\r\nU,BS,B1,,,0.0000,1100.000,2000.000,101.000\r\n";
  for (int i = 0; i < points; ++i)
    job += "U,DP,P" + std::to_string(i) + "," + std::to_string(10 + i % 90) + ".125," + std::to_string(i % 360) +
           ".3015,89.5900,1000.5,2000.5,100.1,,1.500,TREE\r\n";
  return job;
}

bool HasPlot() { return RunProgram(kCli, {"--help"}).out.find("plot JOB") != std::string::npos; }

// The commands with their outputs, each output there before with old bytes.
struct Command {
  const char* name;
  std::vector<std::string> args;  // {dir} is the test's folder
};

std::vector<std::string> InDir(const TempDir& dir, std::vector<std::string> args) {
  for (std::string& a : args)
    if (a.rfind("{dir}", 0) == 0) a = dir.File(a.substr(5));
  return args;
}

void OldOutputs(const TempDir& dir, const std::string& job) {
  WriteBytes(dir.File("job.kvm"), job);
  for (const char* name : {"out.kvm", "o.txt", "o.rpt", "r.rpt", "st.txt", "o.svg", "o.pdf", "o.png", "site/job.kvm",
                           "ZMOINDEX/job.INX"})
    WriteBytes(dir.File(name), std::string("old ") + name + "\r\n");
}

TEST(DurableOutputs, FailingCommandsLeaveEveryFileAsItWas) {
  const struct Case {
    Command command;
    int exitCode;
    const char* firstLine;
  } cases[] = {
      {{"bad usage", {"open", "{dir}job.kvm", "-o", "{dir}out.kvm", "--bogus"}}, 2, ""},
      {{"layout 99", {"export-coords", "{dir}job.kvm", "--layout", "99", "-o", "{dir}o.txt"}}, 2, ""},
      {{"distance layout C", {"export-hd", "{dir}job.kvm", "--layout", "C", "-o", "{dir}o.txt"}}, 2, ""},
      {{"report is the output", {"recompute", "{dir}job.kvm", "--layout", "0", "-o", "{dir}r.rpt"}}, 1,
       "Open report file failed!"},
      {{"report is the output, stations saved",
        {"recompute", "{dir}job.kvm", "--save-stations", "{dir}st.txt", "--layout", "0", "-o", "{dir}r.rpt"}},
       1, "Open report file failed!"},
      {{"output folder missing, stations saved",
        {"recompute", "{dir}job.kvm", "--save-stations", "{dir}st.txt", "--layout", "0", "-o", "{dir}no/o.txt"}},
       1, "Open file failed!"},
      {{"stations file is the output",
        {"recompute", "{dir}job.kvm", "--save-stations", "{dir}o.txt", "--layout", "0", "-o", "{dir}o.txt"}},
       1, "Open file failed!"},
      {{"index folder missing", {"export-instrument", "{dir}job.kvm", "-o", "{dir}a/jobs/job.kvm"}}, 1,
       "Creat index file failed!"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    OldOutputs(dir, LongJob(20));
    WriteBytes(dir.File("a/jobs/job.kvm"), "old a/jobs/job.kvm");
    const auto before = Snapshot(dir);
    const RunResult r = RunCli(dir, InDir(dir, c.command.args));
    EXPECT_EQ(r.exitCode, c.exitCode) << c.command.name << "\n" << r.err;
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')).find(c.firstLine), 0u) << c.command.name << "\n" << r.err;
    EXPECT_EQ(Changed(before, Snapshot(dir)), "") << c.command.name;
  }
}

TEST(DurableOutputs, StandardOutputIsWrittenInPlace) {
  TempDir dir;
  WriteBytes(dir.File("job.kvm"), LongJob(50));
  ASSERT_EQ(RunCli(dir, {"open", dir.File("job.kvm"), "-o", dir.File("saved.kvm")}).exitCode, 0);
  // Into a pipe, as `corvane480-cli open JOB -o /dev/stdout | less` does.
  for (const char* out : {"/dev/stdout", "/dev/fd/1", "-"}) {
    const RunResult r = RunProgram("/bin/sh", {"-c", kCli + " --settings-dir " + dir.File("settings") + " open " +
                                                         dir.File("job.kvm") + " -o " + out + " | cat"});
    EXPECT_EQ(r.exitCode, 0) << out << "\n" << r.err;
    EXPECT_EQ(r.out, ReadBytes(dir.File("saved.kvm"))) << out;
  }
}

// The commands that write files, for the full-disk and killed-process tests.
std::vector<Command> WritingCommands() {
  std::vector<Command> commands = {
      {"save", {"open", "{dir}job.kvm", "-o", "{dir}out.kvm"}},
      {"dxf", {"export-coords", "{dir}job.kvm", "--layout", "6", "-o", "{dir}o.txt"}},
      {"recompute", {"recompute", "{dir}job.kvm", "--save-stations", "{dir}st.txt", "--layout", "0", "-o",
                     "{dir}o.txt"}},
      {"instrument file", {"export-instrument", "{dir}job.kvm", "-o", "{dir}site/job.kvm"}},
  };
  if (HasPlot()) {
    commands.push_back({"plot svg", {"plot", "{dir}job.kvm", "-o", "{dir}o.svg"}});
    commands.push_back({"plot pdf", {"plot", "{dir}job.kvm", "-o", "{dir}o.pdf"}});
    commands.push_back({"plot png", {"plot", "{dir}job.kvm", "-o", "{dir}o.png"}});
  }
  return commands;
}

TEST(DurableOutputs, AFullDiskAtAnyByteLeavesEveryFileAsItWas) {
  // The file size limit makes every write past the given byte fail, as a disk
  // that fills up there does.
  for (const Command& c : WritingCommands()) {
    for (const rlim_t limit : {1, 4096, 20000}) {
      TempDir dir;
      OldOutputs(dir, LongJob(1000));
      const auto before = Snapshot(dir);
      std::vector<std::string> args = InDir(dir, c.args);
      args.insert(args.begin(), {"--settings-dir", dir.File("settings")});
      const RunResult r = RunProgram(kCli, args, {}, [limit] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit l{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &l);
      });
      EXPECT_EQ(r.exitCode, 1) << c.name << " at " << limit << "\n" << r.err;
      EXPECT_EQ(Changed(before, Snapshot(dir)), "") << c.name << " at " << limit;
    }
  }
}

// The save, an export and a plot: the three kinds of output the tmpfs test fills.
bool InFullFileSystemTest(const Command& c) {
  return c.args[0] == "open" || c.args[0] == "export-coords" || std::string(c.name) == "plot svg";
}

TEST(DurableOutputs, AFullFileSystemLeavesEveryFileAsItWas) {
  // A small tmpfs in a mount namespace of its own, filled almost to the top.
  if (std::system("unshare -rm true >/dev/null 2>&1") != 0) GTEST_SKIP() << "no mount namespace for a tmpfs here";
  TempDir dir;
  WriteBytes(dir.File("job.kvm"), LongJob(3000));
  fs::create_directories(dir.Path() / "disk");
  std::string script = "set -u; export LC_ALL=C; d=" + dir.File("disk") + "; mount -t tmpfs -o size=1m tmpfs $d || exit 9; "
                       "for f in out.kvm o.txt o.svg; do printf 'old %s' $f > $d/$f; done; "
                       "head -c 900k /dev/zero > $d/fill; ";
  for (const Command& c : WritingCommands()) {
    if (!InFullFileSystemTest(c)) continue;
    std::string line = kCli + " --settings-dir " + dir.File("settings");
    for (const std::string& a : c.args) line += " " + (a.rfind("{dir}", 0) == 0 ? (a == "{dir}job.kvm" ? dir.File("job.kvm") : "$d/" + a.substr(5)) : a);
    script += line + " 2>/dev/null; echo \"" + c.name + " $?\"; ";
  }
  script += "cd $d && for f in *; do printf '%s=' $f; head -c 20 $f; echo; done; echo $(ls -A)";
  const RunResult r = RunProgram("/usr/bin/unshare", {"-rm", "sh", "-c", script});
  ASSERT_NE(r.exitCode, 9) << "tmpfs could not be mounted: " << r.err;
  std::string want;
  for (const Command& c : WritingCommands())
    if (InFullFileSystemTest(c)) want += std::string(c.name) + " 1\n";
  want += "fill=" + std::string(20, '\0') + "\no.svg=old o.svg\no.txt=old o.txt\nout.kvm=old out.kvm\n";
  want += "fill o.svg o.txt out.kvm\n";
  EXPECT_EQ(Visible(r.out), Visible(want)) << r.err;
}

TEST(DurableOutputs, AKilledSaveLeavesTheOldFileOrTheNewOneAndNothingBeside) {
  TempDir dir;
  WriteBytes(dir.File("job.kvm"), LongJob(40000));
  const std::vector<std::string> save = {"--settings-dir", dir.File("settings"), "open", dir.File("job.kvm"), "-o",
                                         dir.File("out.kvm")};
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(RunProgram(kCli, save).exitCode, 0);
  const auto full = std::chrono::steady_clock::now() - start;
  const std::string saved = ReadBytes(dir.File("out.kvm"));
  std::mt19937 rng(9);
  for (int run = 0; run < 6; ++run) {
    WriteBytes(dir.File("out.kvm"), "old");
    const pid_t pid = ::fork();
    if (pid == 0) {
      std::freopen("/dev/null", "wb", stderr);
      std::vector<char*> argv{const_cast<char*>(kCli.c_str())};
      for (const std::string& a : save) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(kCli.c_str(), argv.data());
      ::_exit(127);
    }
    std::this_thread::sleep_for(full * (rng() % 1000) / 1000);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    const std::string now = ReadBytes(dir.File("out.kvm"));
    EXPECT_TRUE(now == "old" || now == saved) << "run " << run << ": " << now.size() << " bytes";
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.Path())) names.insert(e.path().filename().string());
    names.erase("settings");
    EXPECT_EQ(names, (std::set<std::string>{"job.kvm", "out.kvm"})) << "run " << run;
  }
}

}  // namespace
}  // namespace corvane::testing
