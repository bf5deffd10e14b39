// The USB library's device transport end to end: the three USB transfers through
// libusb to the simulated instrument on an emulated USB port (umockdev), compared
// byte for byte with the same transfers over the simulator socket; and the ways
// the link fails.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <climits>
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

  explicit Bench(const std::string& ids = "c0de:0480", const std::string& more = "") {
    ::setenv("CORVANE_SETTINGS_DIR", dir.Path().c_str(), 1);
    ::unsetenv("CORVANE_USB_SIM");
    WriteBytes(dir.File("ZAMO/Corvane.ini"),
               "[Usb]\nVendorId=" + ids.substr(0, 4) + "\nProductId=" + ids.substr(5) + "\n" + more);
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

// Each way the device fails ends the transfer with a message that says so and the
// library's reason for the first failure beneath it; nothing that was not taken is
// called sent, and what a download received is kept.
TEST(UsbDevice, FailuresSayWhatHappened) {
  struct Case {
    const char* name;
    Kind kind;
    void (*configure)(sim::InstrumentConfig&);
    EmulatedUsbOptions options;
    std::string message;
    std::string reason;  // in the detail
    long long kept;      // a download's first bytes kept (-1: an upload)
    std::vector<unsigned char> halts;  // endpoints cleared
  };
  EmulatedUsbOptions recordStalls;
  recordStalls.stallEndpoint = 0x03;
  EmulatedUsbOptions dataStalls;
  dataStalls.stallEndpoint = 0x82;
  dataStalls.stallAfterBytes = 40;
  const Case cases[] = {
      {"code upload refused", Kind::Codes, [](auto& c) { c.refuse = sim::Refusal::First; }, {},
       "Ask for download failed!", "", -1, {}},
      {"record not taken", Kind::Coordinates, [](auto&) {}, recordStalls,
       "Write data failed! Line 1 did not reach the instrument.", "write on channel 3 failed", -1, {0x03}},
      {"data stalls after 40 bytes", Kind::Download, [](auto&) {}, dataStalls, TransferTexts::UsbReceiveFailed(40),
       "read on channel 2 failed", 40, {0x82}},
      {"unplugged mid-download", Kind::Download, [](auto& c) { c.hangupAfter = 700; }, {},
       TransferTexts::UsbReceiveFailed(700), "unplugged during a read on channel 2", 700, {}},
  };
  for (const Case& c : cases) {
    Bench bench;
    sim::InstrumentConfig config = Config();
    c.configure(config);
    EmulatedUsbInstrument device(config, c.options);
    device.Plug();
    ScaledClock clock(10);
    const TransferResult result = bench.Run(c.kind, clock, 5000);
    EXPECT_TRUE(result.Failed()) << c.name;
    EXPECT_EQ(bench.events.Messages(), std::vector<std::string>{c.message}) << c.name;
    EXPECT_NE(result.detail.find(c.reason), std::string::npos) << c.name << ": " << result.detail;
    EXPECT_EQ(bench.events.Count("status \r\n  sent"), 0) << c.name;
    EXPECT_TRUE(device.Record().Uploads().empty()) << c.name;
    if (c.kept >= 0) {
      EXPECT_EQ(result.output.received, Fixture("job.txt").substr(0, static_cast<size_t>(c.kept))) << c.name;
    }
    EXPECT_EQ(device.ClearedHalts(), c.halts) << c.name;
    if (c.kind == Kind::Codes) {
      // Nothing went out after the refused request.
      for (const sim::UsbCall& call : device.Record().Calls())
        if (call.op == 'W') {
          EXPECT_EQ(call.bytes, std::string("S1", 3)) << c.name;
        }
    }
  }
}

// After an unplug the library does not start libusb again at every call: it waits
// longer each time, and the first reason (the unplug) is the one it tells.
TEST(UsbDevice, AfterAnUnplugTheLinkBacksOffAndKeepsTheFirstReason) {
  Bench bench;
  EmulatedUsbInstrument device(Config());
  device.Plug();
  const unsigned char request[3] = {'D', '0', 0};
  ASSERT_EQ(WriteData214x(1, request, 3, 1000), 3);
  unsigned char buffer[16];
  ASSERT_EQ(ReadData214x(0, buffer, sizeof buffer, 1000), 1);
  device.Unplug();
  for (int i = 0; i < 30; ++i) {
    EXPECT_EQ(ReadData214x(2, buffer, sizeof buffer, 10), -1);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_NE(std::string(LastError214x()).find("unplugged"), std::string::npos) << LastError214x();

  usb::UsbDeviceLink link([] { return usb::ParseUsbDeviceSettings("c0de", "0480", "", ""); });
  device.Plug();
  ASSERT_EQ(link.Write(1, request, 3, 1000), 3);
  device.Unplug();
  const int opened = link.OpenAttempts();
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(600)) {
    EXPECT_EQ(link.Read(2, buffer, sizeof buffer, 10), -1);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // 250 ms, then 500 ms: at most two more looks in 0.6 s, not one every 5 ms.
  EXPECT_LE(link.OpenAttempts() - opened, 2);
  link.Release();
}

// Bytes held over from a whole-packet read survive a pause longer than the idle
// time: the device is kept until they have been read.
TEST(UsbDevice, HeldOverBytesOutliveTheIdleRelease) {
  EmulatedUsbInstrument device(Config());
  device.Plug();
  usb::UsbDeviceLink link([] { return usb::ParseUsbDeviceSettings("c0de", "0480", "", "0:0x81,1:0x01,2:0x82,3:0x03"); },
                          200);
  const unsigned char request[3] = {'D', '0', 0};
  const unsigned char ack[2] = {'1', 0};
  unsigned char buffer[200] = {};
  ASSERT_EQ(link.Write(1, request, 3, 1000), 3);
  ASSERT_EQ(link.Read(0, buffer, 16, 1000), 1);
  ASSERT_EQ(link.Write(1, ack, 2, 1000), 2);
  ASSERT_EQ(link.Read(2, buffer, 10, 1000), 10);  // a 64-byte packet came: 54 held over
  std::string got(reinterpret_cast<char*>(buffer), 10);
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  EXPECT_TRUE(link.IsOpen());
  const int n = link.Read(2, buffer, sizeof buffer, 1000);
  ASSERT_GT(n, 0);
  got.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
  EXPECT_EQ(got, Fixture("job.txt").substr(0, got.size()));
  EXPECT_EQ(got.size(), 64u);
  link.Release();
}

// Calls the library refuses say why, and no size makes it fail otherwise.
TEST(UsbDevice, RefusedCallsHaveTheirReasonAndSizesAreCapped) {
  Bench bench;
  EmulatedUsbInstrument device(Config());
  device.Plug();
  EXPECT_EQ(WriteData214x(1, nullptr, 5, 100), -1);
  EXPECT_NE(std::string(LastError214x()).find("no data"), std::string::npos) << LastError214x();
  Close214x();
  EXPECT_EQ(ReadData214x(0, nullptr, 5, 100), -1);
  EXPECT_NE(std::string(LastError214x()).find("no buffer"), std::string::npos) << LastError214x();
  Close214x();
  std::vector<unsigned char> big(usb::UsbDeviceLink::kMaxTransfer);
  EXPECT_EQ(WriteData214x(1, big.data(), INT_MAX, 100), -1);
  EXPECT_NE(std::string(LastError214x()).find("more than"), std::string::npos) << LastError214x();
  Close214x();
  EXPECT_EQ(ReadData214x(2, big.data(), INT_MAX, 10), 0);  // nothing to read, and no overflow
  EXPECT_STREQ(LastError214x(), "");
}

// An Endpoints value cleared on the settings page means the installed map.
TEST(UsbDevice, AnEmptyEndpointsValueMeansTheInstalledMap) {
  Bench bench("c0de:0480", "Endpoints=\n");
  EmulatedUsbInstrument device(Config());
  device.Plug();
  ScaledClock clock(10);
  EXPECT_TRUE(bench.Run(Kind::Download, clock).Completed()) << bench.events.last.detail;
  EXPECT_EQ(bench.events.last.output.received, Fixture("job.txt") + "\x04");
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
    if (c.ok) {
      EXPECT_EQ(usb::FormatEndpointMap(map), c.formatted) << c.text;
    } else {
      EXPECT_NE(reason, "") << c.text;
    }
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
