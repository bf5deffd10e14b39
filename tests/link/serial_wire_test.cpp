// The serial port and the RS-232 transfers over a pseudo-terminal, with the
// simulated instrument on the other end.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "core/grid/upload_record.h"
#include "core/link/line_pacing.h"
#include "core/link/serial_code_upload.h"
#include "core/link/serial_coordinate_upload.h"
#include "core/link/serial_download.h"
#include "core/link/serial_line.h"
#include "core/link/transfer_controller.h"
#include "core/text/codepage.h"
#include "link/link_fakes.h"
#include "pty_pair.h"
#include "serial_instrument.h"
#include "support/test_support.h"

namespace corvane::testing {
namespace {

std::string Fixture(const std::string& name) { return ReadBytes(std::string(CORVANE_TEST_DATA) + "/link/" + name); }

// A pseudo-terminal whose master side the test (or the instrument) holds; one slave
// descriptor stays open so the line survives the port's closes.
struct PtyLine {
  sim::PtyPair pair;
  explicit PtyLine() {
    std::string reason;
    if (!sim::OpenPtyPair(pair, &reason)) ADD_FAILURE() << reason;
  }
  ~PtyLine() { sim::ClosePtyPair(pair); }
};

// --- The port itself ----------------------------------------------------------------

TEST(CSerialPort, LineSettingsFromTheStoredIndexes) {
  struct Case {
    int baudIndex, bitsIndex, parityIndex, stopIndex;
    speed_t speed;
    tcflag_t size, parity, stop;
  };
  const Case cases[] = {
      {7, 2, 3, 3, B9600, CS8, 0, 0},
      {-1, 0, 0, 0, B9600, CS8, 0, 0},
      {6, 1, 1, 2, B115200, CS7, PARENB | PARODD, CSTOPB},
      {0, 0, 2, 1, B1200, CS8, PARENB, CSTOPB},  // one and a half stop bits go out as two
  };
  for (const Case& c : cases) {
    termios tio{};
    tio.c_cflag = CRTSCTS | CSTOPB | PARENB;
    tio.c_lflag = ICANON | ECHO;
    ASSERT_TRUE(ConfigureLine(tio, BaudFromIndex(c.baudIndex), DataBitsFromIndex(c.bitsIndex),
                              LineCodeFromIndex(c.parityIndex), LineCodeFromIndex(c.stopIndex)));
    EXPECT_EQ(::cfgetospeed(&tio), c.speed);
    EXPECT_EQ(tio.c_cflag & CSIZE, c.size);
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD), c.parity);
    EXPECT_EQ(tio.c_cflag & CSTOPB, c.stop);
    EXPECT_EQ(tio.c_cflag & CRTSCTS, static_cast<tcflag_t>(CRTSCTS));  // the driver's flow control stays
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
  }
  termios tio{};
  EXPECT_FALSE(ConfigureLine(tio, 14400, 8, 0, 0));
}

TEST(CSerialPort, SecondOpenKeepsTheFirstSettings) {
  PtyLine line;
  CSerialPort port;
  ASSERT_TRUE(port.Open(line.pair.slavePath, 9600, 8, 0, 2));
  EXPECT_TRUE(port.Open(line.pair.slavePath, 115200, 8, 0, 0));
  termios tio{};
  ASSERT_EQ(::tcgetattr(line.pair.slave, &tio), 0);
  EXPECT_EQ(::cfgetospeed(&tio), static_cast<speed_t>(B9600));
  EXPECT_EQ(tio.c_cflag & CSTOPB, static_cast<tcflag_t>(CSTOPB));
  EXPECT_EQ(tio.c_lflag & ICANON, 0u);
}

TEST(CSerialPort, OpensOnlyOnceAndOnlyTerminals) {
  PtyLine line;
  TempDir dir;
  WriteBytes(dir.File("plain"), "x");
  CSerialPort first, second;
  ASSERT_TRUE(first.Open(line.pair.slavePath, 9600, 8, 0, 0));
  EXPECT_FALSE(second.Open(line.pair.slavePath, 9600, 8, 0, 0));
  EXPECT_EQ(second.OpenError(), EBUSY);
  EXPECT_FALSE(second.IsOpen());
  EXPECT_TRUE(first.Close());
  EXPECT_TRUE(first.Close());
  EXPECT_TRUE(second.Open(line.pair.slavePath, 9600, 8, 0, 0));  // free again
  CSerialPort missing, plain;
  EXPECT_FALSE(missing.Open(dir.File("no-such-tty"), 9600, 8, 0, 0));
  EXPECT_EQ(missing.OpenError(), ENOENT);
  EXPECT_FALSE(plain.Open(dir.File("plain"), 9600, 8, 0, 0));
  EXPECT_EQ(plain.OpenError(), ENOTTY);
}

TEST(CSerialPort, ReadsWhatHasArrivedWithoutWaiting) {
  PtyLine line;
  CSerialPort port;
  ASSERT_TRUE(port.Open(line.pair.slavePath, 9600, 8, 0, 0));
  char buf[64];
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(port.Read(buf, 20), 0);
  // It does not wait for data: a read that waited would take the whole second the
  // test gives below, or for ever; a busy machine with sanitizers stays far under it.
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(900));
  const std::string thirty(30, 'x');
  ASSERT_EQ(::write(line.pair.master, thirty.data(), 30), 30);
  port.WaitForInput(1000);
  while (true) {  // the pseudo-terminal hands the bytes over in its own time
    int queued = 0;
    ::ioctl(line.pair.slave, FIONREAD, &queued);
    if (queued == 30) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(port.Read(buf, 20), 20);
  EXPECT_EQ(port.Read(buf, 20), 10);
  EXPECT_EQ(port.Read(buf, 20), 0);
  EXPECT_EQ(port.Write("ab", 0), 0);
  EXPECT_EQ(port.Write("ab", 2), 2);
  // Both bytes reach the other end (a busy pseudo-terminal may hand them over one by one).
  std::string got;
  for (pollfd p{line.pair.master, POLLIN, 0}; got.size() < 2 && ::poll(&p, 1, 1000) > 0;) {
    const ssize_t n = ::read(line.pair.master, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, static_cast<size_t>(n));
  }
  EXPECT_EQ(got, "ab");
  EXPECT_TRUE(port.LinkFault().empty());
  port.Close();
  EXPECT_EQ(port.Write("ab", 2), 0);
  EXPECT_EQ(port.Read(buf, 2), 0);
}

TEST(CSerialPort, HangUpIsReported) {
  PtyLine line;
  CSerialPort port;
  ASSERT_TRUE(port.Open(line.pair.slavePath, 9600, 8, 0, 0));
  ::close(std::exchange(line.pair.master, -1));
  char buf[8];
  const auto before = std::chrono::steady_clock::now();
  port.WaitForInput(1000);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
  EXPECT_EQ(port.Read(buf, 8), 0);
  EXPECT_NE(port.LinkFault().find(line.pair.slavePath), std::string::npos) << port.LinkFault();
  EXPECT_EQ(port.Write("D0", 2), 0);
  EXPECT_TRUE(port.Close());
}

TEST(CSerialPort, ByteThatCannotGoOutIsReported) {
  PtyLine line;  // no one reads the master side: the line fills up
  CSerialPort port;
  ASSERT_TRUE(port.Open(line.pair.slavePath, 9600, 8, 0, 0));
  const std::string lots(1 << 20, 'x');
  const int sent = port.Write(lots.data(), static_cast<int>(lots.size()));
  EXPECT_GT(sent, 0);
  EXPECT_LT(sent, static_cast<int>(lots.size()));
  EXPECT_NE(port.LinkFault().find("1000 ms"), std::string::npos) << port.LinkFault();
}

TEST(CSerialPort, AWriteReturnsOnceItsBytesHaveLeftTheLine) {
  struct Case {
    int baud;
    int bytes;
  };
  // Each about 100 ms of line time: 10 bits a byte.
  for (const Case& c : {Case{1200, 12}, Case{9600, 96}, Case{115200, 1152}}) {
    PtyLine line;
    CSerialPort port;
    ASSERT_TRUE(port.Open(line.pair.slavePath, c.baud, 8, 0, 0));
    const std::string bytes(static_cast<size_t>(c.bytes), 'x');
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(port.Write(bytes.data(), c.bytes), c.bytes);
    const auto took = std::chrono::steady_clock::now() - start;
    const auto lineTime = std::chrono::nanoseconds(CharacterTimeNs(c.baud, 8, 0, 0) * c.bytes);
    EXPECT_GE(took, lineTime) << c.baud;
    // Not a millisecond a byte, or the like (1152 bytes would take 1.2 s at 115200
    // bit/s): near the line time, with room for a loaded machine with sanitizers.
    EXPECT_LT(took, lineTime * 5 + std::chrono::milliseconds(300)) << c.baud;
    // Every byte reached the other end (a pseudo-terminal may hand them over in pieces).
    std::string got;
    char buf[2048];
    for (pollfd p{line.pair.master, POLLIN, 0}; got.size() < bytes.size() && ::poll(&p, 1, 1000) > 0;) {
      const ssize_t n = ::read(line.pair.master, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<size_t>(n));
    }
    EXPECT_EQ(got, bytes) << c.baud;
  }
}

// --- Transfers against the instrument ---------------------------------------------

struct Bench {
  PtyLine line;
  std::unique_ptr<sim::SerialInstrument> instrument;
  TransferToken token;
  CSerialPort port;
  MapSettings settings;
  RecordingEvents events;
  TempDir dir;
  explicit Bench(sim::InstrumentConfig config) {
    config.job = Fixture("job.txt");
    // The line carries bytes at its bit rate both ways, as a real cable does.
    if (config.baud == 0) config.baud = 115200;
    instrument = std::make_unique<sim::SerialInstrument>(std::exchange(line.pair.master, -1), config);
    instrument->Start();
    EXPECT_TRUE(port.Open(line.pair.slavePath, 115200, 8, 0, 0));
    token.Start();
  }
  ~Bench() { instrument->Stop(); }
  TransferContext Ctx(IClock& clock, int language = 1) { return {token, clock, settings, events, language}; }
  // repeat: how many times the fixture's lines follow each other in the file.
  std::string Upload(const std::string& fixture, int repeat = 1) {
    const std::string path = dir.File(fixture);
    std::string text;
    for (int i = 0; i < repeat; ++i) text += Fixture(fixture);
    WriteBytes(path, text);
    return path;
  }
};

TEST(SerialWire, DownloadReceivesTheWholeJob) {
  Bench b({});
  SystemClock clock;
  SerialDownload download(b.Ctx(clock), Ref(b.port));
  EXPECT_EQ(OutcomeOf(b.events.Run(download)), Outcome::Completed);
  EXPECT_EQ(b.events.last.output.received, Fixture("job.txt") + "\x04");
  EXPECT_EQ(b.instrument->Record().ReceivedBytes(), "D0");
  EXPECT_EQ(b.events.log.back(), "end completed kept");
  EXPECT_FALSE(b.port.IsOpen());
}

TEST(SerialWire, InstrumentThatAnswersLateIsAskedAgain) {
  sim::InstrumentConfig config;
  config.answerFrom = 3;
  Bench b(config);
  ScaledClock clock(2);
  SerialDownload download(b.Ctx(clock), Ref(b.port));
  const TransferResult result = download.Run();
  EXPECT_EQ(OutcomeOf(result), Outcome::Completed);
  EXPECT_EQ(b.instrument->Record().ReceivedBytes(), "D0D0D0");
  EXPECT_EQ(result.output.received, Fixture("job.txt") + "\x04");
}

TEST(SerialWire, UploadsPutTheDocumentedBytesOnTheWire) {
  struct Case {
    const char* file;
    const char* wire;
    bool codes;
  };
  for (const Case& c : {Case{"coords.txt", "coords_wire.txt", false}, Case{"codes.txt", "codes_wire.txt", true}}) {
    Bench b({});
    // The handshakes keep enough real time for the instrument to answer the first
    // request, so each request goes out exactly once.
    ScaledClock clock(c.codes ? 4 : 1);
    const std::string path = b.Upload(c.file);
    std::unique_ptr<ITransferEngine> engine;
    if (c.codes) engine = std::make_unique<SerialCodeUpload>(b.Ctx(clock), Ref(b.port), path);
    else engine = std::make_unique<SerialCoordinateUpload>(b.Ctx(clock), Ref(b.port), UploadJob{path, 0});
    EXPECT_EQ(OutcomeOf(b.events.Run(*engine)), Outcome::Completed) << c.file;
    ASSERT_TRUE(b.instrument->Record().WaitForCompleted(1, 2000)) << c.file;
    EXPECT_EQ(Visible(b.instrument->Record().ReceivedBytes()), Visible(Fixture(c.wire))) << c.file;
    EXPECT_EQ(b.events.log.back(), "end completed");
    EXPECT_FALSE(b.port.IsOpen());
  }
}

TEST(SerialWire, XoffLiftedDuringAPauseResumesTheUpload) {
  sim::InstrumentConfig config;
  config.xoffAfter = 1;
  config.xoffHoldMs = 100;
  Bench b(config);
  SystemClock clock;
  SerialCoordinateUpload upload(b.Ctx(clock), Ref(b.port), {b.Upload("coords.txt"), 0});
  EXPECT_EQ(OutcomeOf(upload.Run()), Outcome::Completed);
  ASSERT_TRUE(b.instrument->Record().WaitForCompleted(1, 2000));
  EXPECT_EQ(Visible(b.instrument->Record().ReceivedBytes()), Visible(Fixture("coords_wire.txt")));
}

// A coordinate file of `records` lines, and what the instrument keeps of it.
std::pair<std::string, std::string> CoordinateFile(int records) {
  std::string file, kept;
  for (int i = 1; i <= records; ++i) {
    const std::string line = "P" + std::to_string(i) + "," + std::to_string(1000 + i) + ".125,2000.5,50.25,C\r\n";
    file += line;
    kept += ConvertUploadLine(line.substr(0, line.size() - 2) + "\n", 0, false).record;
  }
  return {file, kept};
}

// Through a line modelled at its bit rate (the instrument takes the PC's bytes only
// as fast as the line carries them, into a 16-byte FIFO while its XOFF holds):
// every byte arrives, none overruns, and the upload ends after its last byte.
TEST(SerialWire, UploadThroughTheModelledLineLosesNothing) {
  struct Case {
    int baud;
    int records;
    int xoffAfter;  // -1: no pause
    int holdMs;
  };
  for (const Case& c : {Case{9600, 12, 5, 1000}, Case{1200, 4, 2, 1000}, Case{9600, 12, -1, 0}}) {
    sim::InstrumentConfig config;
    config.baud = c.baud;
    config.xoffAfter = c.xoffAfter;
    config.xoffHoldMs = c.holdMs;
    Bench b(config);
    const auto [file, kept] = CoordinateFile(c.records);
    WriteBytes(b.dir.File("up.txt"), file);
    LineSettings line;
    line.baud = c.baud;
    SystemClock clock;
    SerialCoordinateUpload upload(b.Ctx(clock), Ref(b.port), {b.dir.File("up.txt"), 0},
                                  PortRequest{b.line.pair.slavePath, line, false});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(OutcomeOf(b.events.Run(upload)), Outcome::Completed) << c.baud;
    const auto end = std::chrono::steady_clock::now();
    ASSERT_TRUE(b.instrument->Record().WaitForCompleted(1, 2000)) << c.baud;
    const auto uploads = b.instrument->Record().Uploads();
    ASSERT_EQ(uploads.size(), 1u);
    EXPECT_EQ(Visible(uploads[0].bytes), Visible(kept)) << c.baud;
    EXPECT_EQ(b.instrument->Record().Overruns(), 0) << c.baud;
    // The end comes after the last byte has reached the instrument. Its arrival is
    // modelled from when the instrument read the byte, later on a busy machine.
    EXPECT_GE(end + std::chrono::milliseconds(100), b.instrument->Record().LastArrival()) << c.baud;
    // The line time of every byte and the upload's own pauses, with room for a busy machine.
    const double lineSeconds = (9.0 + 76.0 * c.records + 1) * 10 / c.baud;
    const double expected = lineSeconds + 0.05 * (c.records + 2) + 0.3 + (c.xoffAfter > 0 ? c.holdMs / 1000.0 : 0);
    const double took = std::chrono::duration<double>(end - start).count();
    EXPECT_GE(took, lineSeconds) << c.baud;
    EXPECT_LT(took, expected * 1.5 + 1.0) << c.baud;  // the benchmark measures it closely
  }
}

TEST(SerialWire, StoppingAnUploadAt1200EndsItAfterTheRecordOnItsWay) {
  sim::InstrumentConfig config;
  config.baud = 1200;
  Bench b(config);
  WriteBytes(b.dir.File("up.txt"), CoordinateFile(10).first);
  LineSettings line;
  line.baud = 1200;
  SystemClock clock;
  TransferController controller(b.token);
  controller.Start(std::make_unique<SerialCoordinateUpload>(b.Ctx(clock), Ref(b.port), UploadJob{b.dir.File("up.txt"), 0},
                                                            PortRequest{b.line.pair.slavePath, line, false}),
                   b.events);
  // In the middle of the second record.
  while (b.instrument->Record().ReceivedBytes().size() < 9 + 76 + 30)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const auto stop = std::chrono::steady_clock::now();
  controller.Stop();
  // The record on its way takes 0.6 s; the rest of the file would take 5 s more.
  EXPECT_LT(std::chrono::steady_clock::now() - stop, std::chrono::milliseconds(3000));
  EXPECT_EQ(OutcomeOf(controller.Wait()), Outcome::Stopped);
  EXPECT_FALSE(b.port.IsOpen());
  // The record on its way went out whole; nothing more followed it.
  EXPECT_EQ((b.instrument->Record().ReceivedBytes().size() - 9) % 76, 0u);
}

// Faults of the instrument and the cable: the message, the port afterwards, and
// that nothing received is lost.
struct FaultCase {
  const char* name;
  sim::InstrumentConfig config;
  const char* transfer;  // "download", "coords", "codes"
  Outcome outcome;
  std::string messageHas;
  long long bytesKept;  // download: the job's first bytes that must be handed over (-1: none)
  std::string end;      // the end event as logged
  int scale = 40;       // how much faster than real time the transfer runs
};

sim::InstrumentConfig With(void (*change)(sim::InstrumentConfig&)) {
  sim::InstrumentConfig c;
  change(c);
  return c;
}

class SerialFaultTest : public ::testing::TestWithParam<FaultCase> {};

TEST_P(SerialFaultTest, EndsCleanly) {
  const FaultCase& c = GetParam();
  Bench b(c.config);
  ScaledClock clock(c.scale, 10);
  std::unique_ptr<ITransferEngine> engine;
  const std::string transfer = c.transfer;
  // A held XOFF must reach the upload before its file ends, however late a busy
  // machine lets the instrument answer: such uploads get many lines.
  const int repeat = c.config.xoffHoldMs < 0 ? 25 : 1;
  if (transfer == "download") {
    engine = std::make_unique<SerialDownload>(b.Ctx(clock), Ref(b.port));
  } else if (transfer == "coords") {
    engine = std::make_unique<SerialCoordinateUpload>(b.Ctx(clock), Ref(b.port), UploadJob{b.Upload("coords.txt", repeat), 0});
  } else {
    engine = std::make_unique<SerialCodeUpload>(b.Ctx(clock), Ref(b.port), b.Upload("codes.txt", repeat));
  }
  const TransferResult result = b.events.Run(*engine);
  EXPECT_EQ(OutcomeOf(result), c.outcome);
  const auto messages = b.events.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(c.messageHas), std::string::npos) << messages[0];
  // Whatever went wrong, the transfer let its port go.
  EXPECT_FALSE(b.port.IsOpen());
  if (c.bytesKept >= 0) {
    EXPECT_EQ(result.output.received, Fixture("job.txt").substr(0, static_cast<size_t>(c.bytesKept)));
  }
  EXPECT_EQ(b.events.log.back(), c.end);
}

const FaultCase kFaultCases[] = {
    {"SilentMidStream", With([](auto& c) { c.silentAfter = 500; }), "download", Outcome::Failed,
     "stopped sending", 500, "end failed kept"},
    {"HangUpMidStream", With([](auto& c) { c.hangupAfter = 700; }), "download", Outcome::Failed,
     "connection to the instrument was lost", 700, "end failed kept"},
    {"GarbageInsteadOfAnswers", With([](auto& c) { c.garbageBytes = 7; }), "download", Outcome::Failed,
     Utf8ToGbk("连接超时"), 0, "end failed"},
    {"DownloadRefused", With([](auto& c) { c.refuse = sim::Refusal::First; }), "download", Outcome::Failed,
     Utf8ToGbk("连接超时"), 0, "end failed"},
    {"UploadRefused", With([](auto& c) { c.refuse = sim::Refusal::First; }), "coords", Outcome::Failed,
     "Creat file failed", -1, "end failed"},
    {"FileNameRefused", With([](auto& c) { c.refuse = sim::Refusal::Second; }), "coords", Outcome::Failed,
     "Creat file failed", -1, "end failed", 1},
    {"NeverAnswersCodes", With([](auto& c) { c.neverAnswer = true; }), "codes", Outcome::Failed,
     "Connect over time", -1, "end failed"},
    {"XoffHeld", With([](auto& c) { c.xoffAfter = 1, c.xoffHoldMs = -1; }), "coords", Outcome::Failed,
     "The totalstation didn't response!", -1, "end failed"},
    {"XoffHeldCodes", With([](auto& c) { c.xoffAfter = 2, c.xoffHoldMs = -1; }), "codes", Outcome::Failed,
     "The totalstation didn't response!", -1, "end failed"},
    {"HangUpDuringUpload", With([](auto& c) { c.hangupAfter = 100; }), "coords", Outcome::Failed,
     "connection to the instrument was lost", -1, "end failed"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SerialFaultTest, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvane::testing
