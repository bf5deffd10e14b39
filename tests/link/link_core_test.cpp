// The pieces around the engines: line settings, the shared state, the pages'
// texts, the controller that keeps to one worker, and the trace.
#include <gtest/gtest.h>

#include <cerrno>
#include <condition_variable>
#include <future>
#include <thread>

#include "core/link/line_pacing.h"
#include "core/link/receive_buffer.h"
#include "core/link/transfer_controller.h"
#include "core/link/transfer_pages.h"
#include "core/link/transfer_texts.h"
#include "core/link/transfer_trace.h"
#include "core/text/codepage.h"
#include "link/link_fakes.h"
#include "support/test_support.h"

namespace corvane::testing {
namespace {

TEST(LineSettings, IndexesBecomeLineParameters) {
  struct Case {
    const char* port;
    const char* baud;
    const char* bits;
    const char* stop;
    const char* parity;
    LineSettings expected;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, nullptr, nullptr, {1, 1200, 8, 0, 0}},
      {"2", "6", "1", "2", "1", {3, 115200, 7, 1, 2}},
      {"0", "7", "2", "3", "3", {1, 9600, 8, 0, 0}},
      {"0", "-1", "0", "1", "2", {1, 9600, 8, 2, 1}},
      {"0", "65542", "x", "0", "0", {1, 115200, 8, 0, 0}},  // 16-bit: 65542 is 6
  };
  for (const Case& c : cases) {
    MapSettings settings;
    const std::pair<const char*, const char*> values[] = {
        {"Port", c.port}, {"Baud", c.baud}, {"Character", c.bits}, {"StopBit", c.stop}, {"Parity", c.parity}};
    for (const auto& [name, value] : values)
      if (value) settings.values[std::string("ComStatus/") + name] = value;
    const LineSettings line = ReadLineSettings(settings);
    EXPECT_EQ(line.comNumber, c.expected.comNumber) << c.baud;
    EXPECT_EQ(line.baud, c.expected.baud);
    EXPECT_EQ(line.dataBits, c.expected.dataBits);
    EXPECT_EQ(line.parity, c.expected.parity);
    EXPECT_EQ(line.stopBits, c.expected.stopBits);
  }
}

TEST(LinePacing, CharacterTimeCountsEveryBitOfTheFrame) {
  struct Case {
    int baud, dataBits, parity, stopBits;
    int64_t ns;
  };
  const Case cases[] = {
      {1200, 8, 0, 0, 8'333'334},   // start, 8 data, stop: 10 bits
      {9600, 8, 0, 0, 1'041'667},
      {9600, 7, 2, 0, 1'041'667},   // 7 data and a parity bit
      {9600, 8, 1, 2, 1'250'000},   // 8 data, parity, two stop bits
      {9600, 8, 0, 1, 1'145'834},   // one and a half goes out as two
      {115200, 8, 0, 0, 86'806},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CharacterTimeNs(c.baud, c.dataBits, c.parity, c.stopBits), c.ns) << c.baud << " " << c.dataBits;
}

// Time that only moves when the wait sleeps.
class VirtualLineTime final : public ILineTime {
 public:
  int64_t now = 0;
  int sleeps = 0;
  int64_t NowNs() override { return now; }
  void SleepUntilNs(int64_t when) override {
    ++sleeps;
    now = std::max(now, when);
  }
};

TEST(LinePacing, AByteCountsOnceTheQueueIsEmptyAndItsTimeHasPassed) {
  constexpr int64_t kChar = 1'000'000;  // 1 ms a character
  constexpr int64_t kLimit = 1'000'000'000;
  struct Case {
    const char* name;
    std::function<int(int64_t now)> queued;  // what the driver reports at a time
    ByteWait result;
    int64_t doneAt;
  };
  const Case cases[] = {
      // A pseudo-terminal reports no queue: the character time is the floor.
      {"NoQueueReported", [](int64_t) { return 0; }, ByteWait::Sent, kChar},
      // A UART moves the byte into its FIFO at once.
      {"UartTakesItAtOnce", [](int64_t now) { return now < 20'000 ? 1 : 0; }, ByteWait::Sent, kChar},
      // An adapter still holds earlier bytes: they go at line rate first.
      {"AdapterHoldsThree", [](int64_t now) { return static_cast<int>(std::max<int64_t>(0, 3 - now / kChar)); },
       ByteWait::Sent, 3 * kChar},
      // Flow control holds the line: a fault after the limit, not a hang.
      {"LineHeld", [](int64_t) { return 1; }, ByteWait::TimedOut, kLimit},
      {"DeviceGone", [](int64_t) { return -1; }, ByteWait::Lost, 0},
  };
  for (const Case& c : cases) {
    VirtualLineTime time;
    const ByteWait result = WaitUntilSent(0, kChar, kLimit, [&] { return c.queued(time.now); }, time);
    EXPECT_EQ(result, c.result) << c.name;
    EXPECT_EQ(time.now, c.doneAt) << c.name;
    EXPECT_LT(time.sleeps, 100) << c.name;  // it sleeps to the next change, it does not spin
  }
}

TEST(ReceiveBuffer, CountsLineEndsAndFindsTheEndMarkerAcrossChunks) {
  struct Case {
    std::vector<std::string> chunks;
    size_t lineEnds;
    bool ended;
  };
  const Case cases[] = {
      {{"AB\r", "\nCD\r\n"}, 2, false},
      {{"\r\n\r\n", "\r", "\n"}, 3, false},
      {{"\r\r\n\n"}, 1, false},
      {{"\x04"}, 0, false},
      {{"\x04", "AB\r\n\x04"}, 1, false},  // the first 0x04 is the one that counts
      {{"A", "\x04"}, 0, true},
      {{"AB\r\n", "", "\x04xyz"}, 1, true},
  };
  for (const Case& c : cases) {
    ReceiveBuffer buffer;
    for (const std::string& chunk : c.chunks) buffer.Append(chunk);
    EXPECT_EQ(buffer.LineEnds(), c.lineEnds) << Visible(buffer.Text());
    EXPECT_EQ(buffer.EndMarkerReceived(), c.ended) << Visible(buffer.Text());
  }
}

TEST(TransferPages, ProgressTexts) {
  // {received, RS-232 page, USB page given "previous"}
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"", "\r\n    Waiting:", "\r\n    Waiting:"},
      {"AB", "\r\n    Waiting:", "previous"},
      {"AB\r\n", "\r\n    Waiting:", "previous"},
      {"AB\r\nCD\r\n", "\r\n       1", "\r\n       1"},
      {"1\r\n2\r\n3\r\n4\r\n5\r\n", "\r\n       4", "\r\n       4"},
  };
  for (const auto& [received, serial, usb] : cases) {
    ReceiveBuffer buffer;
    buffer.Append(received);
    EXPECT_EQ(SerialProgressText(buffer.LineEnds()), serial) << Visible(received);
    EXPECT_EQ(UsbProgressText(buffer.Bytes(), buffer.LineEnds(), "previous"), usb) << Visible(received);
  }
}

TEST(TransferTexts, PortOpenFailureNamesTheDeviceAndWhatToDo) {
  struct Case {
    int language;
    bool localized;
    int error;
    std::string first;
    std::string has;
  };
  const Case cases[] = {
      {1, true, ENOENT, "COM3 doesn't exist or be\nopened by another program!", "/dev/ttyUSB0: No such file"},
      {0, false, EBUSY, "COM3 doesn't exist or be\nopened by another program!", "/dev/ttyUSB0: Device or resource busy"},
      {0, true, ENOENT, Utf8ToGbk("串口3不存在或已经被其它程序占用"), "/dev/ttyUSB0: No such file"},
      {1, true, EACCES, "COM3 doesn't exist", "'dialout' group"},
  };
  for (const Case& c : cases) {
    const std::string text = TransferTexts::PortOpenFailed(3, c.language, c.localized, "/dev/ttyUSB0", c.error);
    EXPECT_EQ(text.rfind(c.first, 0), 0u) << text;
    EXPECT_NE(text.find(c.has), std::string::npos) << text;
  }
}

// An engine that runs until it is told to stop, counting how many run at once.
class WaitingEngine final : public ITransferEngine {
 public:
  WaitingEngine(TransferToken& token, std::atomic<int>& running, std::atomic<int>& most)
      : token_(token), running_(running), most_(most) {}
  TransferResult Run() override {
    const int now = ++running_;
    for (int seen = most_; now > seen && !most_.compare_exchange_weak(seen, now);) {
    }
    while (token_.Running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    --running_;
    return StoppedResult();
  }

 private:
  TransferToken& token_;
  std::atomic<int>& running_;
  std::atomic<int>& most_;
};

TEST(TransferController, NeverRunsTwoWorkers) {
  TransferToken token;
  RecordingEvents events;
  TransferController controller(token);
  std::atomic<int> running{0}, most{0};
  for (int i = 0; i < 5; ++i) {
    controller.Start(std::make_unique<WaitingEngine>(token, running, most), events);
    EXPECT_TRUE(token.Running());
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  controller.Stop();
  EXPECT_FALSE(controller.Busy());
  EXPECT_EQ(most, 1);
  EXPECT_EQ(OutcomeOf(controller.Wait()), Outcome::Stopped);
  // Each worker ended with its one end event.
  EXPECT_EQ(events.log, std::vector<std::string>(5, "end stopped"));
}

// A worker that waits for the window thread (as for a sent message) must not
// deadlock a window thread that stops it: the wait hook serves its calls.
TEST(TransferController, StopServesTheWorkersCallsWhileWaiting) {
  struct Engine final : ITransferEngine {
    std::promise<void>& handled;
    TransferToken& token;
    Engine(std::promise<void>& h, TransferToken& t) : handled(h), token(t) {}
    TransferResult Run() override {
      handled.get_future().wait();  // the "sent" call, handled on the window thread
      return token.Running() ? Completed() : StoppedResult();
    }
  };
  TransferToken token;
  RecordingEvents events;
  TransferController controller(token);
  std::promise<void> handled;
  controller.Start(std::make_unique<Engine>(handled, token), events);
  bool served = false;
  controller.Stop([&] {
    if (!served) handled.set_value();
    served = true;
  });
  EXPECT_TRUE(served);
  EXPECT_EQ(OutcomeOf(controller.Wait()), Outcome::Stopped);
}

TEST(TransferController, AFailingEngineEndsAsAFailure) {
  struct Throws final : ITransferEngine {
    TransferResult Run() override { throw std::runtime_error("out of memory"); }
  };
  TransferToken token;
  RecordingEvents events;
  TransferController controller(token);
  controller.Start(std::make_unique<Throws>(), events);
  const TransferResult r = controller.Wait();
  EXPECT_EQ(OutcomeOf(r), Outcome::Failed);
  EXPECT_EQ(r.message, "out of memory");
  EXPECT_EQ(events.log, (std::vector<std::string>{"msg out of memory", "end failed"}));
}

TEST(TransferTrace, RecordsBytesWithDirectionAndChannel) {
  TempDir dir;
  TransferTrace trace;
  ASSERT_TRUE(trace.Open(dir.File("trace.txt"), nullptr));
  VirtualClock clock;
  ScriptedPort port(clock);
  port.Arrive("1\x13");
  TracingPort traced(Ref(port), trace);
  traced.Write("D0", 2);
  char buf[8];
  traced.Read(buf, 8);
  traced.Read(buf, 8);  // nothing: not recorded
  ScriptedUsb usb;
  usb.writeResults[1] = {-1};
  usb.reads[0] = {{1, "1"}};
  TracingUsbLink tracedUsb(Ref(usb), trace);
  const unsigned char request[3] = {'S', '0', 0};
  tracedUsb.WriteData(1, request, 3, 1000);
  unsigned char reply[4];
  tracedUsb.ReadData(0, reply, 4, 500);
  ASSERT_TRUE(trace.Close(nullptr));
  std::string text = ReadBytes(dir.File("trace.txt"));
  std::string withoutTimes;
  for (size_t pos = 0; pos < text.size();) {
    const size_t end = text.find('\n', pos);
    const std::string line = text.substr(pos, end - pos);
    ASSERT_NE(line.find(' '), std::string::npos);
    withoutTimes += line.substr(line.find(' ') + 1) + "\n";
    pos = end + 1;
  }
  EXPECT_EQ(withoutTimes,
            "sent 44 30 |D0|\n"
            "recv 31 13 |1.|\n"
            "sent ch1 53 30 00 |S0.| = -1\n"
            "recv ch0 31 |1| = 1\n");
}

}  // namespace
}  // namespace corvane::testing
