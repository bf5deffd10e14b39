// The USB library's device transport end to end: the three USB transfers through
// libusb to the simulated instrument on an emulated USB port (umockdev), compared
// byte for byte with the same transfers over the simulator socket; and the ways
// the link fails.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <thread>

#include "core/link/transfer_texts.h"
#include "core/link/usb_download.h"
#include "core/link/usb_uploads.h"
#include "easyusb214x/easyusb214x.h"
#include "easyusb214x/usb_device_link.h"
#include "easyusb214x/usb_device_list.h"
#include "link/link_fakes.h"
#include "support/test_support.h"
#include "usb_emulated_device.h"
#include "usb_instrument.h"

namespace corvane::testing {
namespace {

using test::EmulatedUsbInstrument;
using test::EmulatedUsbOptions;

std::string Fixture(const std::string& name) { return ReadBytes(std::string(CORVANE_TEST_DATA) + "/link/" + name); }

enum class Kind { Download, Coordinates, Codes };
const char* Name(Kind k) { return k == Kind::Download ? "download" : k == Kind::Coordinates ? "coordinates" : "codes"; }

// The writes on each channel (one entry per call) and the bytes read on each.
struct ChannelBytes {
  std::map<int, std::vector<std::string>> writes;
  std::map<int, std::string> reads;
  bool operator==(const ChannelBytes&) const = default;
};

ChannelBytes BytesOf(const std::vector<sim::UsbCall>& calls) {
  ChannelBytes b;
  for (const sim::UsbCall& c : calls) {
    if (c.op == 'W') b.writes[c.channel].push_back(Visible(c.bytes));
    else b.reads[c.channel] += c.bytes;
  }
  return b;
}

// One transfer over either transport, settings in a temporary folder.
struct Bench {
  TempDir dir;
  TransferToken token;
  MapSettings settings;
  RecordingEvents events;
  UsbLibraryLink library{{&WriteData214x, &ReadData214x, &Close214x, &LastError214x}};

  explicit Bench(const std::string& ids = "c0de:0480") {
    ::setenv("CORVANE_SETTINGS_DIR", dir.Path().c_str(), 1);
    ::unsetenv("CORVANE_USB_SIM");
    WriteBytes(dir.File("ZAMO/Corvane.ini"),
               "[Usb]\nVendorId=" + ids.substr(0, 4) + "\nProductId=" + ids.substr(5) + "\n");
    token.Start();
    Close214x();
  }
  ~Bench() { Close214x(); }

  TransferResult Run(Kind kind, IClock& clock, int silenceLimitMs = kDefaultSilenceLimitMs) {
    TransferContext ctx{token, clock, settings, events, 1};
    WriteBytes(dir.File("coords.txt"), Fixture("coords.txt"));
    events.codeFile = dir.File("codes.txt");
    WriteBytes(events.codeFile, Fixture("codes.txt"));
    switch (kind) {
      case Kind::Download: {
        UsbDownload download(ctx, Ref(library), silenceLimitMs);
        return events.Run(download);
      }
      case Kind::Coordinates: {
        UsbCoordinateUpload upload(ctx, Ref(library), {dir.File("coords.txt"), 0});
        return events.Run(upload);
      }
      default: {
        UsbCodeUpload upload(ctx, Ref(library));
        return events.Run(upload);
      }
    }
  }
};

sim::InstrumentConfig Config(std::string job = Fixture("job.txt")) {
  sim::InstrumentConfig c;
  c.job = std::move(job);
  return c;
}

TEST(UsbDevice, TransfersCarryTheSameBytesAsOverTheSimulator) {
  for (Kind kind : {Kind::Download, Kind::Coordinates, Kind::Codes}) {
    // Over the simulator socket.
    Bench simBench;
    sim::InstrumentConfig simConfig = Config();
    simConfig.usbReadWaitMs = 50;
    sim::UsbInstrument simulator(simBench.dir.File("usb.sock"), simConfig);
    std::string reason;
    ASSERT_TRUE(simulator.Start(&reason)) << reason;
    ::setenv("CORVANE_USB_SIM", simBench.dir.File("usb.sock").c_str(), 1);
    ScaledClock simClock(10);
    const Outcome simOutcome = OutcomeOf(simBench.Run(kind, simClock));
    ::unsetenv("CORVANE_USB_SIM");

    // Over libusb to the emulated device.
    Bench bench;
    EmulatedUsbInstrument device(Config());
    device.Plug();
    ScaledClock clock(10);
    EXPECT_EQ(OutcomeOf(bench.Run(kind, clock)), Outcome::Completed) << Name(kind);
    EXPECT_EQ(simOutcome, Outcome::Completed) << Name(kind);
    EXPECT_EQ(bench.events.log, simBench.events.log) << Name(kind);
    EXPECT_EQ(Visible(bench.events.last.output.received), Visible(simBench.events.last.output.received)) << Name(kind);
    ChannelBytes got = BytesOf(device.Record().Calls());
    ChannelBytes want = BytesOf(simulator.Record().Calls());
    EXPECT_EQ(got.writes, want.writes) << Name(kind);
    EXPECT_EQ(Visible(got.reads[0]), Visible(want.reads[0])) << Name(kind);
    EXPECT_EQ(Visible(got.reads[2]), Visible(want.reads[2])) << Name(kind);
    const auto uploads = device.Record().Uploads();
    const auto simUploads = simulator.Record().Uploads();
    ASSERT_EQ(uploads.size(), simUploads.size()) << Name(kind);
    for (size_t i = 0; i < uploads.size(); ++i) EXPECT_EQ(Visible(uploads[i].bytes), Visible(simUploads[i].bytes));
    if (kind == Kind::Download) {
      EXPECT_EQ(bench.events.last.output.received, Fixture("job.txt") + "\x04");
    } else {
      EXPECT_EQ(uploads.size(), 1u) << Name(kind);
    }
  }
}

TEST(UsbDevice, FailuresEndWithTheirMessage) {
  struct Case {
    const char* name;
    std::string ids;
    EmulatedUsbOptions options;
    bool plugged;
    const char* message;
    const char* reason;  // in LastError214x
  };
  EmulatedUsbOptions shortWrite;
  shortWrite.writeLimit = 2;
  EmulatedUsbOptions stalled;
  stalled.stallWrites = true;
  const Case cases[] = {
      {"missing", "c0de:0480", {}, false, "Turn on the Instrument and connect it to PC with USB line",
       "No USB instrument c0de:0480 is connected."},
      {"wrong ids", "c0de:0481", {}, true, "Turn on the Instrument and connect it to PC with USB line",
       "No USB instrument c0de:0481 is connected."},
      {"short write", "c0de:0480", shortWrite, true, "Turn on the Instrument and connect it to PC with USB line",
       "took 2 of 3 bytes"},
      {"time-out", "c0de:0480", stalled, true, "Turn on the Instrument and connect it to PC with USB line",
       "took 0 of 3 bytes in 1000 ms"},
  };
  for (const Case& c : cases) {
    Bench bench(c.ids);
    EmulatedUsbInstrument device(Config(), c.options);
    if (c.plugged) device.Plug();
    SystemClock clock;
    const auto start = std::chrono::steady_clock::now();
    const TransferResult result = bench.Run(Kind::Download, clock);
    EXPECT_EQ(OutcomeOf(result), Outcome::Failed) << c.name;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(bench.events.Messages(), std::vector<std::string>{c.message}) << c.name;
    // The library's reason stands beneath the message.
    EXPECT_NE(result.detail.find(c.reason), std::string::npos) << c.name << ": " << result.detail;
    // The write's own time-out (1000 ms) bounds every case.
    EXPECT_LT(ms.count(), 3000) << c.name;
  }
}

TEST(UsbDevice, UnplugMidDownloadKeepsWhatArrived) {
  Bench bench;
  sim::InstrumentConfig config = Config();
  config.hangupAfter = 700;
  EmulatedUsbInstrument device(config);
  device.Plug();
  ScaledClock clock(10);
  const auto start = std::chrono::steady_clock::now();
  const TransferResult result = bench.Run(Kind::Download, clock, 2000);
  EXPECT_EQ(OutcomeOf(result), Outcome::Failed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_FALSE(device.Plugged());
  EXPECT_EQ(result.output.received, Fixture("job.txt").substr(0, 700));
  EXPECT_EQ(bench.events.Messages(), std::vector<std::string>{TransferTexts::UsbReceiveFailed(700)});
  EXPECT_TRUE(result.output.handOver);
}

TEST(UsbDevice, AnInstrumentPluggedInLaterIsFound) {
  Bench bench;
  EmulatedUsbInstrument device(Config());
  ScaledClock clock(10);
  EXPECT_EQ(OutcomeOf(bench.Run(Kind::Download, clock)), Outcome::Failed);
  device.Plug();
  bench.events.log.clear();
  EXPECT_EQ(OutcomeOf(bench.Run(Kind::Download, clock)), Outcome::Completed);
  EXPECT_EQ(bench.events.last.output.received, Fixture("job.txt") + "\x04");
}

// The device is held only while calls come: it is let go once they stop, and a
// call after that opens it again.
TEST(UsbDevice, AnIdleDeviceIsReleased) {
  EmulatedUsbInstrument device(Config());
  device.Plug();
  usb::UsbDeviceLink link([] { return usb::ParseUsbDeviceSettings("c0de", "0480", "", "0:0x81,1:0x01,2:0x82,3:0x03"); },
                          200);
  const unsigned char request[3] = {'D', '0', 0};
  EXPECT_EQ(link.Write(1, request, 3, 1000), 3);
  EXPECT_TRUE(link.IsOpen());
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_FALSE(link.IsOpen());
  unsigned char reply[16] = {};
  EXPECT_EQ(link.Read(0, reply, sizeof reply, 1000), 1);
  EXPECT_EQ(reply[0], '1');
  EXPECT_TRUE(link.IsOpen());
  link.Release();
}

TEST(UsbDevice, ListingShowsTheConfiguredInstrument) {
  Bench bench;
  EmulatedUsbInstrument device(Config());
  device.Plug();
  std::vector<usb::UsbDeviceInfo> devices;
  std::string reason;
  ASSERT_TRUE(usb::ListUsbDevices(devices, &reason)) << reason;
  ASSERT_EQ(devices.size(), 1u);
  EXPECT_EQ(devices[0].serial, "SIM0480");
  EXPECT_EQ(usb::SuggestedEndpointMap(devices[0]), "0:0x81,1:0x01,2:0x82,3:0x03");
  const auto settings = usb::ParseUsbDeviceSettings("c0de", "0480", "SIM0480", "");
  EXPECT_EQ(usb::DescribeUsbDevices(devices, settings),
            "* c0de:0480  bus 001 device 004  Corvane test bench Emulated total station  serial \"SIM0480\"  "
            "(configured)\n"
            "    interface 0 class 0xff\n"
            "      endpoint 0x01 bulk OUT packet 64\n"
            "      endpoint 0x03 bulk OUT packet 64\n"
            "      endpoint 0x81 bulk IN  packet 64\n"
            "      endpoint 0x82 bulk IN  packet 64\n"
            "\nConfigured: c0de:0480 serial \"SIM0480\", endpoints channel N -> N / 0x80|N\n");
}

// The command-line program over the emulated port: the listing marks the
// configured instrument, and a download reaches it with --settings-dir's ids.
TEST(UsbDevice, CommandLineListsAndDownloads) {
  TempDir settings;
  WriteBytes(settings.File("ZAMO/Corvane.ini"), "[Usb]\nVendorId=c0de\nProductId=0480\n");
  EmulatedUsbInstrument device(Config());
  device.Plug();
  const std::string cli = std::string(CORVANE_BIN_DIR) + "/corvane480-cli";
  RunResult list = RunProgram(cli, {"--settings-dir", settings.Path().string(), "usb-devices"});
  EXPECT_EQ(list.exitCode, 0) << list.err;
  EXPECT_NE(list.out.find("* c0de:0480  bus 001 device 004"), std::string::npos) << list.out;
  const std::string out = settings.File("job.txt");
  RunResult download = RunProgram(cli, {"--settings-dir", settings.Path().string(), "usb-download", "-o", out});
  EXPECT_EQ(download.exitCode, 0) << download.err;
  EXPECT_EQ(ReadBytes(out), Fixture("job.txt") + "\x04");
}

// Numbers: a 200 KB download, and the cost of waiting on an instrument that sends
// nothing (the emulation's own work included: it runs in this process).
TEST(UsbDevice, LargeDownloadAndSilentWait) {
  std::string job;
  while (job.size() < 200 * 1024) job += "SD,1001,     123.4567,      89.1234,     12.345,  1.500\r\n";
  Bench bench;
  EmulatedUsbInstrument device(Config(job));
  device.Plug();
  ScaledClock clock(10);
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(OutcomeOf(bench.Run(Kind::Download, clock)), Outcome::Completed);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(bench.events.last.output.received.size(), job.size() + 1);
  std::printf("200 KB download through the emulated device: %.2f s\n", seconds);
  EXPECT_LT(seconds, std::getenv("CORVANE_STRICT_NUMBERS") ? 2.0 : 20.0);

  // The whole process (the emulated device's thread included), and the thread
  // that waits in the library (what a real device costs).
  unsigned char buffer[157];
  rusage before{};
  rusage threadBefore{};
  ::getrusage(RUSAGE_SELF, &before);
  ::getrusage(RUSAGE_THREAD, &threadBefore);
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ReadData214x(2, buffer, 157, 850), 0);
  rusage after{};
  rusage threadAfter{};
  ::getrusage(RUSAGE_SELF, &after);
  ::getrusage(RUSAGE_THREAD, &threadAfter);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  auto cpu = [](const rusage& r) {
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
  };
  const double share = (cpu(after) - cpu(before)) / wall * 100;
  const double waiter = (cpu(threadAfter) - cpu(threadBefore)) / wall * 100;
  std::printf("waiting %.2f s for a silent instrument: %.2f %% of a core (the waiting thread %.2f %%)\n", wall, share,
              waiter);
  EXPECT_GE(wall, 2.5);
  if (std::getenv("CORVANE_STRICT_NUMBERS")) {
    EXPECT_LT(share, 2.0);
  }
}

TEST(UsbSettings, EndpointMapsAndIds) {
  struct Case {
    const char* text;
    bool ok;
    const char* formatted;
  };
  for (const Case& c : {Case{"", true, ""}, Case{"1:0x01,0:0x81,3:0x03", true, "0:0x81,1:0x01,3:0x03"},
                        Case{" 2 : 0x82 , 1:2", true, "1:0x02,2:0x82"}, Case{"1:0x00", false, ""},
                        Case{"1:0x80", false, ""}, Case{"1:0x10", false, ""}, Case{"1", false, ""},
                        Case{"x:0x01", false, ""}, Case{"1:0x01,", true, "1:0x01"}}) {
    usb::EndpointMap map;
    std::string reason;
    EXPECT_EQ(usb::ParseEndpointMap(c.text, map, &reason), c.ok) << c.text;
    if (c.ok) EXPECT_EQ(usb::FormatEndpointMap(map), c.formatted) << c.text;
    else EXPECT_NE(reason, "") << c.text;
  }
  usb::EndpointMap map;
  ASSERT_TRUE(usb::ParseEndpointMap("0:0x81", map, nullptr));
  EXPECT_EQ(usb::EndpointFor(map, 0, true), 0x81);
  EXPECT_EQ(usb::EndpointFor(map, 2, true), 0x82);
  EXPECT_EQ(usb::EndpointFor(map, 3, false), 0x03);
  EXPECT_EQ(usb::EndpointFor(map, 0, false), -1);  // the control pipe is no channel
  EXPECT_EQ(usb::EndpointFor(map, 16, true), -1);

  uint16_t id = 0;
  EXPECT_TRUE(usb::ParseUsbId("0x12AB", id));
  EXPECT_EQ(id, 0x12ab);
  EXPECT_FALSE(usb::ParseUsbId("12345", id));
  EXPECT_FALSE(usb::ParseUsbId("g1", id));
  EXPECT_NE(usb::ParseUsbDeviceSettings("", "0480", "", "").problem, "");
  EXPECT_NE(usb::ParseUsbDeviceSettings("c0de", "0480", "", "1:0x81x").problem, "");
  EXPECT_EQ(usb::ParseUsbDeviceSettings("c0de", "0480", "", "1:0x01").problem, "");
  const std::string refused = usb::AccessRefusedText(0xc0de, 0x0480);
  EXPECT_NE(refused.find(usb::kUdevRuleFile), std::string::npos);
  EXPECT_NE(refused.find("ATTR{idVendor}==\"c0de\", ATTR{idProduct}==\"0480\", TAG+=\"uaccess\""), std::string::npos);
}

}  // namespace
}  // namespace corvane::testing

int main(int argc, char** argv) {
  corvane::test::RunUnderUmockdev(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
