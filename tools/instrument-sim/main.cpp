// instrument-sim: a simulated KVM480/PLN480 total station for tests and demos. It
// serves a job on download, keeps what is uploaded, and plays the faults of a real
// instrument and cable on request.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "pty_pair.h"
#include "serial_instrument.h"
#include "usb_instrument.h"

using namespace corvane::sim;

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int) { g_stop = 1; }

const char kUsage[] =
    "Usage: instrument-sim [--pty] [--link PATH] [--usb SOCKET] [--job FILE] [--save-dir DIR]\n"
    "                      [--baud RATE] [--start-delay MS] [--exit-after N] [faults]\n"
    "\n"
    "  --pty              serve on a pseudo-terminal; its device path is printed first\n"
    "  --link PATH        also make PATH a symbolic link to that device\n"
    "  --usb SOCKET       serve the USB library on this socket; prints CORVANE_USB_SIM=SOCKET\n"
    "  --job FILE         what a download sends (0x04 follows it)\n"
    "  --save-dir DIR     uploads are saved as coordinates-N.txt and codes-N.txt\n"
    "  --baud RATE        the serial line's bit rate (10 bits a byte): the instrument's\n"
    "                     output is paced at it and the PC's bytes come off the line at it\n"
    "  --fifo BYTES       the receive FIFO that fills while XOFF holds (default 16); a byte\n"
    "                     beyond it (and beyond the record on its way) is an overrun: it is\n"
    "                     lost, logged, and the program exits with status 3\n"
    "  --start-delay MS   pause between the answer \"1\" and the data (default 500)\n"
    "  --exit-after N     end after N completed transfers\n"
    "  --report FILE      on exit, write what happened: completed transfers, hang-up,\n"
    "                     overruns, bytes of download data sent (one \"name value\" a line)\n"
    "faults:\n"
    "  --answer-zero first|second   answer \"0\" to the request (second: the file name)\n"
    "  --no-answer                  never answer\n"
    "  --answer-from N              ignore the requests before the N-th\n"
    "  --garbage N                  answer every request with N bytes of noise\n"
    "  --xoff-after N               send XOFF after N received lines (serial uploads)\n"
    "  --xoff-hold MS|forever       then one XON that long after (default 0): an instrument\n"
    "                               writing to its memory, or one that holds for good\n"
    "  --silent-after BYTES         a download stops sending after BYTES bytes\n"
    "  --hangup-after BYTES         hang up the line after BYTES data bytes\n"
    "  --usb-read-wait MS           USB reads wait at most MS for data\n"
    "  --xoff-with-answer first|second  XOFF in the same burst as the \"1\" to the (first or\n"
    "                               file-name) request of a coordinate upload, XON after\n"
    "                               --xoff-hold: an instrument still opening its file\n"
    "  --chaos SEED                 random but legal behaviour at every state of every\n"
    "                               transfer: late answers, XOFF/XON anywhere (inside\n"
    "                               answers too), holds of 0-3 s or for good, noise where\n"
    "                               the protocol ignores it, refusals, pauses, silence and\n"
    "                               hang-ups; the same seed makes the same choices\n";

[[noreturn]] void Usage(const std::string& why) {
  std::fprintf(stderr, "instrument-sim: %s\n%s", why.c_str(), kUsage);
  std::exit(2);
}

long long Number(const std::string& option, const std::string& text) {
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < 0) Usage(option + " takes a number, not '" + text + "'");
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  InstrumentConfig config;
  bool pty = false;
  std::string link, usbSocket, jobFile, reportFile;
  long long exitAfter = -1;
  std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= args.size()) Usage(a + " needs a value");
      return args[++i];
    };
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--pty") pty = true;
    else if (a == "--link") link = value(), pty = true;
    else if (a == "--usb") usbSocket = value();
    else if (a == "--job") jobFile = value();
    else if (a == "--save-dir") config.saveDir = value();
    else if (a == "--baud") config.baud = static_cast<int>(Number(a, value()));
    else if (a == "--fifo") config.fifoBytes = static_cast<int>(Number(a, value()));
    else if (a == "--start-delay") config.startDelayMs = static_cast<int>(Number(a, value()));
    else if (a == "--exit-after") exitAfter = Number(a, value());
    else if (a == "--answer-zero") {
      const std::string which = value();
      if (which != "first" && which != "second") Usage("--answer-zero takes first or second");
      config.refuse = which == "first" ? Refusal::First : Refusal::Second;
    } else if (a == "--no-answer") config.neverAnswer = true;
    else if (a == "--answer-from") config.answerFrom = static_cast<int>(Number(a, value()));
    else if (a == "--garbage") config.garbageBytes = static_cast<int>(Number(a, value()));
    else if (a == "--xoff-after") config.xoffAfter = static_cast<int>(Number(a, value()));
    else if (a == "--xoff-hold") {
      const std::string v = value();
      config.xoffHoldMs = v == "forever" ? -1 : static_cast<int>(Number(a, v));
    } else if (a == "--silent-after") config.silentAfter = Number(a, value());
    else if (a == "--hangup-after") config.hangupAfter = Number(a, value());
    else if (a == "--usb-read-wait") config.usbReadWaitMs = static_cast<int>(Number(a, value()));
    else if (a == "--xoff-with-answer") {
      const std::string which = value();
      if (which != "first" && which != "second") Usage("--xoff-with-answer takes first or second");
      config.xoffWithAnswer = which == "first" ? Refusal::First : Refusal::Second;
    } else if (a == "--chaos") config.chaosSeed = Number(a, value());
    else if (a == "--report") reportFile = value();
    else Usage("unknown option " + a);
  }
  if (!pty && usbSocket.empty()) Usage("give --pty (or --link) and/or --usb");
  if (!jobFile.empty()) {
    std::ifstream f(jobFile, std::ios::binary);
    if (!f) Usage("cannot read " + jobFile);
    std::ostringstream ss;
    ss << f.rdbuf();
    config.job = ss.str();
  }

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGPIPE, SIG_IGN);

  PtyPair pair;
  std::unique_ptr<SerialInstrument> serial;
  std::unique_ptr<UsbInstrument> usb;
  std::string reason;
  if (pty) {
    if (!OpenPtyPair(pair, &reason)) {
      std::fprintf(stderr, "instrument-sim: no pseudo-terminal: %s\n", reason.c_str());
      return 1;
    }
    if (!link.empty()) {
      ::unlink(link.c_str());
      if (::symlink(pair.slavePath.c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "instrument-sim: cannot make %s: %s\n", link.c_str(), std::strerror(errno));
        return 1;
      }
    }
    serial = std::make_unique<SerialInstrument>(std::exchange(pair.master, -1), config);
    serial->Start();
    std::printf("%s\n", pair.slavePath.c_str());
  }
  if (!usbSocket.empty()) {
    usb = std::make_unique<UsbInstrument>(usbSocket, config);
    if (!usb->Start(&reason)) {
      std::fprintf(stderr, "instrument-sim: cannot serve on %s: %s\n", usbSocket.c_str(), reason.c_str());
      return 1;
    }
    std::printf("CORVANE_USB_SIM=%s\n", usbSocket.c_str());
  }
  std::fflush(stdout);

  auto completed = [&] {
    return (serial ? serial->Record().CompletedCount() : 0) + (usb ? usb->Record().CompletedCount() : 0);
  };
  auto hungUp = [&] { return (serial && serial->Record().IsHungUp()) || (usb && usb->Record().IsHungUp()); };
  while (!g_stop && !hungUp() && (exitAfter < 0 || completed() < exitAfter)) ::usleep(20000);

  if (serial) serial->Stop();
  if (usb) usb->Stop();
  ClosePtyPair(pair);
  if (!link.empty()) ::unlink(link.c_str());
  std::fprintf(stderr, "instrument-sim: %d transfer(s) completed%s\n", completed(), hungUp() ? ", line hung up" : "");
  const long long overruns = serial ? serial->Record().Overruns() : 0;
  if (!reportFile.empty()) {
    std::ofstream report(reportFile, std::ios::trunc);
    report << "completed " << completed() << "\nhungup " << (hungUp() ? 1 : 0) << "\noverruns " << overruns
           << "\nstreamed " << ((serial ? serial->Record().StreamedBytes() : 0) + (usb ? usb->Record().StreamedBytes() : 0))
           << "\n";
  }
  if (overruns > 0) {
    std::fprintf(stderr, "instrument-sim: %lld byte(s) overran the receive FIFO while XOFF held: they were lost\n",
                 overruns);
    return 3;
  }
  return 0;
}
