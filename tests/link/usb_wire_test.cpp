// The USB transfers through the USB library stand-in and its simulator socket.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/link/usb_download.h"
#include "core/link/usb_uploads.h"
#include "easyusb214x/easyusb214x.h"
#include "link/link_fakes.h"
#include "support/test_support.h"
#include "usb_instrument.h"

namespace corvane::testing {
namespace {

std::string Fixture(const std::string& name) { return ReadBytes(std::string(CORVANE_TEST_DATA) + "/link/" + name); }

struct UsbBench {
  TempDir dir;
  std::unique_ptr<sim::UsbInstrument> instrument;
  UsbLibraryLink library{{&WriteData214x, &ReadData214x, &Close214x, &LastError214x}};
  TransferToken token;
  MapSettings settings;
  RecordingEvents events;
  explicit UsbBench(sim::InstrumentConfig config, bool start = true) {
    const std::string socket = dir.File("usb.sock");
    ::setenv("CORVANE_USB_SIM", socket.c_str(), 1);
    config.job = Fixture("job.txt");
    config.usbReadWaitMs = std::min(config.usbReadWaitMs < 0 ? 50 : config.usbReadWaitMs, 50);
    instrument = std::make_unique<sim::UsbInstrument>(socket, config);
    std::string reason;
    if (start) {
      EXPECT_TRUE(instrument->Start(&reason)) << reason;
    }
    token.Start();
  }
  TransferContext Ctx(IClock& clock) { return {token, clock, settings, events, 1}; }
};

TEST(UsbWire, NoInstrumentMeansTurnItOn) {
  UsbBench b({}, false);
  SystemClock clock;
  UsbDownload download(b.Ctx(clock), Ref(b.library));
  EXPECT_EQ(OutcomeOf(b.events.Run(download)), Outcome::Failed);
  EXPECT_EQ(b.events.Messages(),
            std::vector<std::string>{"Turn on the Instrument and connect it to PC with USB line"});
  ::unsetenv("CORVANE_USB_SIM");
  const unsigned char request[3] = {'S', '0', 0};
  EXPECT_EQ(WriteData214x(1, request, 3, 1000), -1);
}

TEST(UsbWire, DownloadReceivesTheWholeJob) {
  UsbBench b({});
  ScaledClock clock(10);
  UsbDownload download(b.Ctx(clock), Ref(b.library));
  EXPECT_EQ(OutcomeOf(b.events.Run(download)), Outcome::Completed);
  EXPECT_EQ(b.events.last.output.received, Fixture("job.txt") + "\x04");
  EXPECT_EQ(b.events.log, (std::vector<std::string>{"status \r\n  Finished", "end completed kept"}));
  EXPECT_EQ(b.instrument->Record().CompletedCount(), 1);
}

TEST(UsbWire, UploadsReachTheInstrument) {
  struct Case {
    const char* file;
    const char* kept;
    bool codes;
  };
  for (const Case& c : {Case{"coords.txt", "coords_usb_kept.txt", false}, Case{"codes.txt", "codes_usb_kept.txt", true}}) {
    UsbBench b({});
    ScaledClock clock(10);
    const std::string path = b.dir.File(c.file);
    b.events.codeFile = path;
    WriteBytes(path, Fixture(c.file));
    std::unique_ptr<ITransferEngine> engine;
    if (c.codes) engine = std::make_unique<UsbCodeUpload>(b.Ctx(clock), Ref(b.library));
    else engine = std::make_unique<UsbCoordinateUpload>(b.Ctx(clock), Ref(b.library), UploadJob{path, 0});
    EXPECT_EQ(OutcomeOf(b.events.Run(*engine)), Outcome::Completed) << c.file;
    const auto uploads = b.instrument->Record().Uploads();
    ASSERT_EQ(uploads.size(), 1u) << c.file;
    EXPECT_EQ(Visible(uploads[0].bytes), Visible(Fixture(c.kept))) << c.file;
    EXPECT_EQ(b.events.last.output.status, c.codes ? "\r\n  sent ok" : "\r\n  sent ok!");
  }
}

TEST(UsbWire, Faults) {
  struct Case {
    const char* name;
    void (*configure)(sim::InstrumentConfig&);
    bool download;
    std::string messageHas;
    long long bytesKept;  // the job's first bytes in the buffer (-1: not a download)
  };
  const Case cases[] = {
      {"Refused", [](auto& c) { c.refuse = sim::Refusal::First; }, false, "Ask for download failed!", -1},
      {"FileNameRefused", [](auto& c) { c.refuse = sim::Refusal::Second; }, false, "Creat file failed!", -1},
      {"NeverAnswers", [](auto& c) { c.neverAnswer = true; }, true, "Connection failed2", 0},
      {"Garbage", [](auto& c) { c.garbageBytes = 5; }, true, "Connection failed2", 0},
      {"SilentMidStream", [](auto& c) { c.silentAfter = 300; }, true, "stopped sending", 300},
      {"HangUpMidStream", [](auto& c) { c.hangupAfter = 314; }, true, "USB link failed", 314},
  };
  for (const Case& c : cases) {
    sim::InstrumentConfig config;
    c.configure(config);
    UsbBench b(config);
    ScaledClock clock(40);
    const std::string path = b.dir.File("coords.txt");
    WriteBytes(path, Fixture("coords.txt"));
    std::unique_ptr<ITransferEngine> engine;
    if (c.download) engine = std::make_unique<UsbDownload>(b.Ctx(clock), Ref(b.library));
    else engine = std::make_unique<UsbCoordinateUpload>(b.Ctx(clock), Ref(b.library), UploadJob{path, 0});
    const TransferResult result = b.events.Run(*engine);
    EXPECT_EQ(OutcomeOf(result), Outcome::Failed) << c.name;
    const auto messages = b.events.Messages();
    ASSERT_EQ(messages.size(), 1u) << c.name;
    EXPECT_NE(messages[0].find(c.messageHas), std::string::npos) << c.name << ": " << messages[0];
    if (c.bytesKept >= 0) {
      EXPECT_EQ(result.output.received, Fixture("job.txt").substr(0, static_cast<size_t>(c.bytesKept))) << c.name;
      EXPECT_EQ(result.output.handOver, c.bytesKept > 0) << c.name;
    }
  }
}

}  // namespace
}  // namespace corvane::testing
