// The RS-232 transfers against a scripted port on a virtual clock.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include "core/link/serial_code_upload.h"
#include "core/link/serial_coordinate_upload.h"
#include "core/link/serial_download.h"
#include "core/link/upload_line.h"
#include "core/text/codepage.h"
#include "core/text/text_helpers.h"
#include "link/link_fakes.h"
#include "support/test_support.h"

namespace corvane::testing {
namespace {

struct SerialSetup {
  VirtualClock clock;
  ScriptedPort port{clock};
  TransferToken token;
  MapSettings settings;
  RecordingEvents events;
  TempDir dir;
  SerialSetup() { token.Start(); }
  TransferContext Ctx(int language = 1) { return {token, clock, settings, events, language}; }
  // The n-th time the PC sends `request` (from n = at on), `reply` arrives.
  void AnswerOn(const std::string& request, int at, const std::string& reply) {
    auto previous = port.onWrite;
    auto count = std::make_shared<int>(0);
    port.onWrite = [=, this](const std::string& bytes) {
      if (previous) previous(bytes);
      if (bytes == request && ++*count >= at && at > 0) port.Arrive(reply);
    };
  }
};

std::string Gbk(const char* utf8) { return Utf8ToGbk(utf8); }
std::string Times(const std::string& s, int n) {
  std::string out;
  while (n-- > 0) out += s;
  return out;
}

// --- Download -----------------------------------------------------------------

struct DownloadCase {
  const char* name;
  int answerAt;                              // the "D0" that gets "1" (0: none)
  std::string withAnswer;                    // what comes in the same read as the "1"
  std::vector<std::pair<int, std::string>> data;  // ms after that "D0", bytes
  int loseAfterMs;                           // the line breaks (-1: never)
  bool stopOnSecondRequest;
  Outcome outcome;
  std::string buffer;
  std::vector<std::string> log;  // "msg?" stands for a message checked by substrings
  std::vector<std::string> messageHas;
};

class SerialDownloadTest : public ::testing::TestWithParam<DownloadCase> {};

TEST_P(SerialDownloadTest, Runs) {
  const DownloadCase& c = GetParam();
  SerialSetup s;
  int requests = 0;
  s.port.onWrite = [&](const std::string& bytes) {
    ASSERT_EQ(bytes, "D0");
    ++requests;
    if (c.stopOnSecondRequest && requests == 2) s.token.RequestStop();
    if (requests != c.answerAt) return;
    s.port.Arrive("1" + c.withAnswer);
    for (const auto& [ms, bytes] : c.data) s.port.Arrive(bytes, ms);
    if (c.loseAfterMs >= 0) s.port.LoseAfter(c.loseAfterMs);
  };
  SerialDownload download(s.Ctx(), Ref(s.port));
  const TransferResult result = s.events.Run(download);
  EXPECT_EQ(OutcomeOf(result), c.outcome);
  EXPECT_EQ(Visible(result.output.received), Visible(c.buffer));
  std::vector<std::string> log = s.events.log;
  for (auto& l : log)
    if (l.rfind("msg ", 0) == 0 && !c.messageHas.empty()) l = "msg?";
  EXPECT_EQ(log, c.log);
  for (const std::string& part : c.messageHas) {
    ASSERT_EQ(s.events.Messages().size(), 1u);
    EXPECT_NE(s.events.Messages()[0].find(part), std::string::npos) << s.events.Messages()[0];
  }
  // The transfer closes its port whatever the outcome.
  EXPECT_FALSE(s.port.IsOpen());
}

const DownloadCase kDownloadCases[] = {
    {"AnswerOnThirdRequest", 3, "", {{400, "AB\r\nCD\r\n"}, {500, "\x04"}}, -1, false, Outcome::Completed,
     "AB\r\nCD\r\n\x04", {"status \r\n       1", "end completed kept"}, {}},
    {"BytesWithTheAnswerAreDropped", 1, "xyz", {{400, "AB\r\n\x04"}}, -1, false, Outcome::Completed,
     "AB\r\n\x04", {"status \r\n    Waiting:", "end completed kept"}, {}},
    {"ZeroByteCutsItsChunk", 1, "", {{400, std::string("AB\0CD\r\n", 7)}, {500, "EF\r\n\x04"}}, -1, false,
     Outcome::Completed, "ABEF\r\n\x04", {"status \r\n    Waiting:", "end completed kept"}, {}},
    {"EndMarkerAloneIsNotTheEnd", 1, "", {{400, "\x04"}}, -1, false, Outcome::Failed, "\x04",
     {"msg?", "end failed kept"}, {"nothing for 20 s", "1 bytes"}},
    {"SilenceKeepsWhatArrived", 1, "", {{400, "AB\r\n"}}, -1, false, Outcome::Failed, "AB\r\n",
     {"msg?", "end failed kept"}, {"stopped sending", "4 bytes"}},
    {"SilenceBeforeAnyData", 1, "", {}, -1, false, Outcome::Failed, "", {"msg?", "end failed"},
     {"nothing for 20 s", "0 bytes"}},
    {"LineLostMidStream", 1, "", {{400, "AB\r\n"}}, 1000, false, Outcome::Failed, "AB\r\n",
     {"msg?", "end failed kept"}, {"connection to the instrument was lost (gone)"}},
    {"NoAnswerIn80Requests", 0, "", {}, -1, false, Outcome::Failed, "",
     {"msg " + Gbk("连接超时"), "end failed"}, {}},
    {"StoppedWhileConnecting", 0, "", {}, -1, true, Outcome::Stopped, "", {"end stopped"}, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, SerialDownloadTest, ::testing::ValuesIn(kDownloadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SerialDownload, GivesUpAfter80RequestsOf300Ms) {
  // The message exists only in the local language: an English session gets an
  // English line beneath it.
  for (const int language : {0, 1}) {
    SerialSetup s;
    SerialDownload download(s.Ctx(language), Ref(s.port));
    const TransferResult result = download.Run();
    EXPECT_EQ(s.port.written, Times("D0", 80));
    EXPECT_EQ(s.clock.NowMs(), 80 * 300);
    EXPECT_EQ(result.message, Gbk("连接超时"));
    EXPECT_EQ(result.detail, language == 1 ? "Connection timed out: the instrument did not answer the download request." : "");
  }
}

TEST(SerialDownload, SilenceCountsFromTheLastByte) {
  SerialSetup s;
  s.AnswerOn("D0", 1, "1");
  s.port.Arrive("AB\r\n", 1500);  // the "1" is read at 300 ms
  SerialDownload download(s.Ctx(), Ref(s.port), 2000);
  const TransferResult result = download.Run();
  EXPECT_GE(s.clock.NowMs(), 1500 + 2000);
  EXPECT_LT(s.clock.NowMs(), 1500 + 2000 + 50);
  EXPECT_EQ(result.output.received, "AB\r\n");
  // Progress went out as the data came: a line, four bytes.
  ASSERT_FALSE(s.events.progress.empty());
  EXPECT_EQ(s.events.progress.back().lines, 1u);
  EXPECT_EQ(s.events.progress.back().bytes, 4u);
}

TEST(SerialDownload, StopDuringReceiveHandsOverWhatCame) {
  SerialSetup s;
  s.AnswerOn("D0", 1, "1");
  s.port.Arrive("AB\r\n", 400);
  // Another transfer clears the flag while this one waits for more data.
  s.port.onRead = [&] {
    if (s.clock.NowMs() >= 1000) s.token.RequestStop();
  };
  SerialDownload download(s.Ctx(), Ref(s.port));
  const TransferResult result = s.events.Run(download);
  EXPECT_EQ(OutcomeOf(result), Outcome::Stopped);
  EXPECT_LT(s.clock.NowMs(), 1100);
  EXPECT_EQ(result.output.received, "AB\r\n");
  EXPECT_EQ(s.events.log, std::vector<std::string>{"end stopped kept"});
  EXPECT_FALSE(s.port.IsOpen());
}

// --- Coordinate upload ------------------------------------------------------------

std::string Record(const std::vector<std::string>& fields) {
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) out += PadLeft(fields[i], 14) + (i + 1 < fields.size() ? "," : "\r\n");
  return out;
}

const std::string kFileName = "@%&!$\r\n";

struct HandshakeCase {
  const char* name;
  int language;
  bool fileMissing;
  int firstAt;  // the "S0" answered (0: never)
  std::string firstReply;
  int secondAt;  // the file name answered, counted from the first one sent (0: never)
  std::string secondReply;
  std::string message;
  std::string written;
};

class CoordinateHandshakeTest : public ::testing::TestWithParam<HandshakeCase> {};

TEST_P(CoordinateHandshakeTest, EndsAsDocumented) {
  const HandshakeCase& c = GetParam();
  SerialSetup s;
  const std::string path = s.dir.File("up.txt");
  if (!c.fileMissing) WriteBytes(path, "P1,1,2,3,C\r\n");
  s.AnswerOn("S0", c.firstAt, c.firstReply);
  s.AnswerOn(kFileName, c.secondAt, c.secondReply);
  SerialCoordinateUpload upload(s.Ctx(c.language), Ref(s.port), {path, 0});
  EXPECT_EQ(OutcomeOf(s.events.Run(upload)), Outcome::Failed);
  EXPECT_EQ(s.events.Messages(), std::vector<std::string>{c.message});
  EXPECT_EQ(s.port.written, c.written);
  EXPECT_FALSE(s.port.IsOpen());
  EXPECT_EQ(s.events.Count("1128"), 0);
}

const HandshakeCase kHandshakeCases[] = {
    {"FileMissing", 1, true, 1, "1", 1, "1", "Open file failed!", ""},
    {"FirstRefused", 1, false, 1, "0", 0, "", "Creat file failed", "S0"},
    {"FirstRefusedLocal", 0, false, 1, "0", 0, "", Gbk("创建文件失败"), "S0"},
    {"SecondRefused", 1, false, 2, "1", 1, "0", "Creat file failed", "S0S0" + kFileName},
    {"FirstNeverAnswered", 1, false, 0, "", 0, "", "Connect over time1", Times("S0", 80)},
    {"FirstNeverAnsweredLocal", 0, false, 0, "", 0, "", Gbk("第一个请求连接超时"), Times("S0", 80)},
    // The counter is shared: a first answer at attempt 5 leaves 15 for the second.
    {"SecondNeverAnswered", 1, false, 5, "1", 0, "", "Connect over time1", Times("S0", 5) + Times(kFileName, 15)},
    {"SecondNeverAnsweredLocal", 0, false, 19, "1", 0, "", Gbk("第二个请求连接超时"),
     Times("S0", 19) + kFileName},
    // Once the counter has passed 20, the second request still gets one try.
    {"SecondAfterSlowFirst", 1, false, 25, "1", 0, "", "Connect over time1", Times("S0", 25) + kFileName},
};

INSTANTIATE_TEST_SUITE_P(Cases, CoordinateHandshakeTest, ::testing::ValuesIn(kHandshakeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SerialCoordinateUpload, SendsEveryRecordAndTheEndMarker) {
  SerialSetup s;
  const std::string path = s.dir.File("up.txt");
  const std::string tooLong(15, 'x');
  WriteBytes(path, "P1,1.000,2.000,3.000,C1\r\n\r\nA\r\n" + tooLong + ",1,2,3\r\nP2 4 5 6\r\n");
  s.AnswerOn("S0", 1, "1");
  s.AnswerOn(kFileName, 1, "1");
  SerialCoordinateUpload upload(s.Ctx(), Ref(s.port), {path, 0});
  EXPECT_EQ(OutcomeOf(s.events.Run(upload)), Outcome::Completed);
  const std::string r1 = Record({"P1", "1.000", "2.000", "3.000", "C1"}), r2 = Record({"P2", "4", "5", "6", ""});
  EXPECT_EQ(Visible(s.port.written), Visible("S0" + kFileName + r1 + r2 + "\x04"));
  const std::vector<std::string> log = {"status \r\n   Uploading",
                                        "1128 1 " + r1,
                                        "msg The data 0 in line:" + tooLong + ",1,2,3\r\nis too long(>14),will be drop!",
                                        "1128 2 ",
                                        "1128 3 " + r2,
                                        "status \r\n    Sent OK",
                                        "end completed"};
  EXPECT_EQ(s.events.log, log);
  // Three pieces went out as records (one rejected by the conversion), of three.
  EXPECT_EQ(s.events.last.output.sent, 3u);
  EXPECT_EQ(s.events.last.output.total, 3u);
  EXPECT_FALSE(s.port.IsOpen());
}

TEST(SerialCoordinateUpload, OtherLayoutsSendOnlyTheLinesOwnBytes) {
  SerialSetup s;
  // The stored layout is not what counts: the job's own layout does.
  s.settings.values["OtherSet/Inputdatatype"] = "0";
  const std::string path = s.dir.File("up.txt");
  WriteBytes(path, "A  \"B\"  C\r\n");
  s.AnswerOn("S0", 1, "1");
  s.AnswerOn(kFileName, 1, "1");
  SerialCoordinateUpload upload(s.Ctx(), Ref(s.port), {path, 7});
  EXPECT_EQ(OutcomeOf(upload.Run()), Outcome::Completed);
  EXPECT_EQ(s.port.written, "S0" + kFileName + "A B C\x04");
}

// The instrument pauses with XOFF after the first record and lifts the pause later.
struct PauseCase {
  const char* name;
  std::string pause;  // what the instrument sends after record 1
  int xonAfterMs;     // -1: never
  Outcome outcome;
};

class CoordinatePacingTest : public ::testing::TestWithParam<PauseCase> {};

TEST_P(CoordinatePacingTest, ResumesWhenTheInstrumentDoes) {
  const PauseCase& c = GetParam();
  SerialSetup s;
  const std::string path = s.dir.File("up.txt");
  WriteBytes(path, "P1,1,2,3\r\nP2,1,2,3\r\nP3,1,2,3\r\n");
  s.AnswerOn("S0", 1, "1");
  s.AnswerOn(kFileName, 1, "1");
  auto answers = s.port.onWrite;
  int records = 0;
  s.port.onWrite = [&](const std::string& bytes) {
    answers(bytes);
    if (bytes.size() == 76 && ++records == 1) {
      s.port.Arrive(c.pause);
      if (c.xonAfterMs >= 0) s.port.Arrive("\x11", c.xonAfterMs);
    }
  };
  SerialCoordinateUpload upload(s.Ctx(), Ref(s.port), {path, 0});
  EXPECT_EQ(OutcomeOf(s.events.Run(upload)), c.outcome);
  if (c.outcome == Outcome::Completed) {
    EXPECT_EQ(records, 3);
    EXPECT_TRUE(s.events.Messages().empty());
    EXPECT_GE(s.clock.NowMs(), c.xonAfterMs);
  } else {
    EXPECT_EQ(records, 1);
    EXPECT_EQ(s.events.Messages(), std::vector<std::string>{"The totalstation didn't response!"});
    EXPECT_FALSE(s.port.IsOpen());
  }
}

const PauseCase kPauseCases[] = {
    {"XonInTheSameRead", "\x13\x11", -1, Outcome::Completed},
    {"Xon100MsLater", "\x13", 100, Outcome::Completed},
    {"Xon1SecondLater", "\x13", 1000, Outcome::Completed},
    {"Xon5SecondsLater", "\x13", 5000, Outcome::Completed},
    {"XoffHeld", "\x13", -1, Outcome::Failed},
};

INSTANTIATE_TEST_SUITE_P(Cases, CoordinatePacingTest, ::testing::ValuesIn(kPauseCases),
                         [](const auto& info) { return std::string(info.param.name); });

// On a line that carries each byte in its character time (1200 bit/s), the
// instrument's XOFF stops the upload at once, and the upload ends only once its end
// marker has left.
TEST(SerialCoordinateUpload, XoffOnAPacedLineStopsWithinTheRecordBeingSent) {
  constexpr int64_t kCharUs = 8334;
  for (const int xoffAfter : {1, 2, 5}) {
    VirtualClock clock;
    ScriptedPort port(clock, kCharUs);
    TransferToken token;
    token.Start();
    MapSettings settings;
    RecordingEvents events;
    TempDir dir;
    std::string file;
    for (int i = 1; i <= 8; ++i) file += "P" + std::to_string(i) + ",1,2,3\r\n";
    WriteBytes(dir.File("up.txt"), file);
    int records = 0;
    int64_t xoffAtUs = -1, xonAtUs = -1;
    port.onWrite = [&](const std::string& bytes) {
      if (bytes == "S0" || bytes == kFileName) port.Arrive("1", 9);
      if (bytes.size() == 76 && ++records == xoffAfter) {
        // The instrument's XOFF needs a character time to come back; it holds 1 s.
        xoffAtUs = clock.NowUs() + kCharUs;
        xonAtUs = xoffAtUs + 1'000'000;
        port.Arrive("\x13", 9);
        port.Arrive("\x11", 9 + 1000);
      }
    };
    SerialCoordinateUpload upload({token, clock, settings, events, 1}, Ref(port), {dir.File("up.txt"), 0});
    EXPECT_EQ(OutcomeOf(events.Run(upload)), Outcome::Completed);
    ASSERT_EQ(records, 8);
    size_t duringHold = 0;
    for (const int64_t at : port.leftAtUs) duringHold += at > xoffAtUs && at < xonAtUs;
    // It came during the pause before the next record: that record waits for XON.
    EXPECT_EQ(duringHold, 0u) << "XOFF after record " << xoffAfter;
    // The end event comes after the end marker has left the line.
    EXPECT_EQ(port.written.back(), '\x04');
    EXPECT_GE(clock.NowUs(), port.leftAtUs.back());
    EXPECT_EQ(events.log.back(), "end completed");
  }
}

TEST(SerialTransfers, OpenThePortOnTheWorkerAndCloseItWhateverTheOutcome) {
  struct Case {
    const char* name;
    int openError;
    const char* message;  // "" none
    std::string detailHas;
  };
  const Case cases[] = {
      {"Opens", 0, "", ""},
      {"Missing", ENOENT, "COM3 doesn't exist or be\nopened by another program!", "/dev/ttyUSB7: No such file"},
      {"Refused", EACCES, "COM3 doesn't exist or be\nopened by another program!", "dialout"},
  };
  for (const Case& c : cases) {
    SerialSetup s;
    s.port.Close();
    s.port.closes = 0;
    s.port.openError = c.openError;
    s.AnswerOn("D0", 1, "1");
    s.port.Arrive("AB\r\n\x04", 400);
    LineSettings line;
    line.comNumber = 3;
    SerialDownload download(s.Ctx(), Ref(s.port), 1000, PortRequest{"/dev/ttyUSB7", line, false});
    const TransferResult result = s.events.Run(download);
    EXPECT_EQ(result.message, c.message) << c.name;
    EXPECT_NE(result.detail.find(c.detailHas), std::string::npos) << c.name << ": " << result.detail;
    EXPECT_EQ(s.port.opens, c.openError ? 0 : 1) << c.name;
    EXPECT_EQ(s.port.openedDevice, c.openError ? "" : "/dev/ttyUSB7") << c.name;
    // Nothing is sent on a port that did not open; an opened one is closed once.
    EXPECT_EQ(s.port.written.empty(), c.openError != 0) << c.name;
    EXPECT_EQ(s.port.closes, c.openError ? 0 : 1) << c.name;
    EXPECT_FALSE(s.port.IsOpen()) << c.name;
  }
}

// --- Flow control -------------------------------------------------------------------

TEST(UploadLine, EachHoldHasItsOwnAllowanceOfPolls) {
  // {when XON comes (ms, -1 never), result, polls of the hold}
  const std::tuple<int, PacingResult, int> cases[] = {
      {-1, PacingResult::GaveUp, 50}, {150, PacingResult::Go, 1}, {9900, PacingResult::Go, 50}};
  for (const auto& [xonAt, result, polls] : cases) {
    VirtualClock clock;
    ScriptedPort port(clock);
    TransferToken token;
    token.Start();
    UploadLine line(port, clock, token);
    // Three holds in a row: each gets the whole allowance again.
    for (int hold = 0; hold < 3; ++hold) {
      port.Arrive("\x13");
      if (xonAt >= 0) port.Arrive("\x11", xonAt);
      EXPECT_EQ(line.Check(), result) << xonAt << " hold " << hold;
      EXPECT_EQ(line.LastHoldPolls(), polls) << xonAt;
    }
  }
}

TEST(UploadLine, TheLastFlowByteCountsAndOtherBytesWaitForTheHandshake) {
  struct Case {
    std::string arrives;
    bool held;
    std::string kept;  // what a handshake read then gets
  };
  const Case cases[] = {
      {"\x13", true, ""},        {"\x13\x11", false, ""},   {"\x11\x13", true, ""},
      {"1\x13", true, "1"},      {"\x13" "1", true, "1"},   {"x\x11y\x13z", true, "xyz"},
      {"\x13\x11\x13\x11", false, ""}, {"01", false, "01"},
  };
  for (const Case& c : cases) {
    VirtualClock clock;
    ScriptedPort port(clock);
    TransferToken token;
    token.Start();
    UploadLine line(port, clock, token);
    port.Arrive(c.arrives);
    line.Poll();
    EXPECT_EQ(line.Held(), c.held) << Visible(c.arrives);
    EXPECT_EQ(line.Read(4), c.kept) << Visible(c.arrives);
  }
}

TEST(UploadLine, NothingIsWrittenWhileXoffHolds) {
  VirtualClock clock;
  ScriptedPort port(clock);
  TransferToken token;
  token.Start();
  UploadLine line(port, clock, token);
  port.Arrive("\x13");
  port.Arrive("\x11", 1000);
  int64_t writtenAt = -1;
  port.onWrite = [&](const std::string&) { writtenAt = clock.NowMs(); };
  EXPECT_EQ(line.Write("\x04"), PacingResult::Go);
  EXPECT_GE(writtenAt, 1000);
  // Stopped while held: nothing goes out at all.
  port.written.clear();
  port.Arrive("\x13");
  token.RequestStop();
  EXPECT_EQ(line.Write("\x04"), PacingResult::Stopped);
  EXPECT_EQ(port.written, "");
}

// --- Code upload --------------------------------------------------------------------

TEST(SerialCodeUpload, SendsCodesRightAlignedIn14) {
  SerialSetup s;
  const std::string path = s.dir.File("codes.txt");
  WriteBytes(path, "AB\r\nABCDEFGHIJKLMNOPQRST\r\n\r\n");
  s.AnswerOn("S1", 2, "1");
  SerialCodeUpload upload(s.Ctx(), Ref(s.port), path);
  EXPECT_EQ(OutcomeOf(s.events.Run(upload)), Outcome::Completed);
  EXPECT_EQ(Visible(s.port.written), Visible("S1S1" + std::string(12, ' ') + "AB\r\nABCDEFGHIJKLMNO\r\n" +
                                             std::string(9, ' ') + "PQRST\r\n" + std::string(14, ' ') + "\r\n\x04"));
  const std::vector<std::string> log = {"status \r\n   Uploading", "1129 1 AB", "1129 2 ABCDEFGHIJKLMNO",
                                        "1129 3 PQRST", "1129 4 ", "status \r\n    Sent OK", "end completed"};
  EXPECT_EQ(s.events.log, log);
  // 2 requests of 1000 ms, 4 codes of 400 ms, 900 ms before the end marker.
  EXPECT_EQ(s.clock.NowMs(), 2 * 1000 + 4 * 400 + 900);
}

TEST(SerialCodeUpload, GivesUpAfter80Requests) {
  SerialSetup s;
  const std::string path = s.dir.File("codes.txt");
  WriteBytes(path, "AB\r\n");
  SerialCodeUpload upload(s.Ctx(0), Ref(s.port), path);
  EXPECT_EQ(OutcomeOf(s.events.Run(upload)), Outcome::Failed);
  EXPECT_EQ(s.events.Messages(), std::vector<std::string>{"Connect over time"});
  EXPECT_EQ(s.port.written, Times("S1", 80));
  EXPECT_FALSE(s.port.IsOpen());
}

TEST(SerialCodeUpload, TheXoffAllowanceCountsXoffPollsOnly) {
  // {request answered at, XOFF hold after the first code (ms, -1 for good), outcome}
  const std::tuple<int, int, Outcome> cases[] = {
      {46, 2000, Outcome::Completed}, {79, 9000, Outcome::Completed}, {1, -1, Outcome::Failed}, {60, -1, Outcome::Failed}};
  for (const auto& [answeredAt, holdMs, outcome] : cases) {
    SerialSetup s;
    const std::string path = s.dir.File("codes.txt");
    WriteBytes(path, "AB\r\nCD\r\n");
    s.AnswerOn("S1", answeredAt, "1");
    auto answers = s.port.onWrite;
    bool paused = false;
    s.port.onWrite = [&](const std::string& bytes) {
      answers(bytes);
      if (bytes.size() != 16 || paused) return;
      paused = true;
      s.port.Arrive("\x13");
      if (holdMs >= 0) s.port.Arrive("\x11", holdMs);
    };
    SerialCodeUpload upload(s.Ctx(), Ref(s.port), path);
    EXPECT_EQ(OutcomeOf(s.events.Run(upload)), outcome) << answeredAt;
    if (outcome == Outcome::Failed) {
      EXPECT_EQ(s.events.Messages(), std::vector<std::string>{"The totalstation didn't response!"});
      // Fifty polls of 200 ms, however many requests the instrument needed.
      EXPECT_EQ(s.clock.NowMs(), answeredAt * 1000 + 400 + 200 * 50) << answeredAt;
      EXPECT_EQ(s.port.written.find('\x04'), std::string::npos);
    } else {
      EXPECT_EQ(s.port.written.back(), '\x04');
    }
    EXPECT_FALSE(s.port.IsOpen());
  }
}

// The instrument answers a handshake request with XOFF in the same read, before or
// after its "1" (an instrument still opening its file): nothing more goes out
// until its XON, the end marker included.
TEST(SerialUploads, XoffInsideAHandshakeAnswerHoldsWhatFollows) {
  struct Case {
    const char* name;
    bool codes;
    const char* request;  // the request whose answer carries the XOFF
    std::string answer;
  };
  const Case cases[] = {
      {"FirstAnswerXoffAfter", false, "S0", "1\x13"},
      {"FirstAnswerXoffBefore", false, "S0", "\x13" "1"},
      {"SecondAnswerXoffAfter", false, "@%&!$\r\n", "1\x13"},
      {"SecondAnswerXoffBefore", false, "@%&!$\r\n", "\x13" "1"},
      {"SecondAnswerXonXoff", false, "@%&!$\r\n", "\x11" "1\x13"},
      {"CodeAnswerXoffAfter", true, "S1", "1\x13"},
      {"CodeAnswerXoffBefore", true, "S1", "\x13" "1"},
  };
  for (const Case& c : cases) {
    SerialSetup s;
    const std::string path = s.dir.File("up.txt");
    WriteBytes(path, "P1,1,2,3\r\nP2,1,2,3\r\n");
    int64_t heldFrom = -1;
    int64_t xonAt = -1;
    std::vector<int64_t> writes;
    s.port.onWrite = [&](const std::string& bytes) {
      writes.push_back(s.clock.NowMs());
      const bool handshake = bytes == "S0" || bytes == "S1" || bytes == kFileName;
      if (bytes == c.request) {
        heldFrom = s.clock.NowMs();
        xonAt = heldFrom + 3000;
        s.port.Arrive(c.answer, 5);
        s.port.Arrive("\x11", 3000);
      } else if (handshake) {
        s.port.Arrive("1", 5);
      }
    };
    std::unique_ptr<ITransferEngine> engine;
    if (c.codes) engine = std::make_unique<SerialCodeUpload>(s.Ctx(), Ref(s.port), path);
    else engine = std::make_unique<SerialCoordinateUpload>(s.Ctx(), Ref(s.port), UploadJob{path, 0});
    EXPECT_EQ(OutcomeOf(s.events.Run(*engine)), Outcome::Completed) << c.name;
    // The request itself, then nothing until the XON; everything went out after it.
    ASSERT_GE(heldFrom, 0) << c.name;
    for (const int64_t at : writes) EXPECT_TRUE(at <= heldFrom || at >= xonAt) << c.name << " at " << at;
    EXPECT_EQ(s.port.written.back(), '\x04') << c.name;
    EXPECT_EQ(s.events.Count(c.codes ? "1129" : "1128"), 2) << c.name;
  }
}

// A stop request at any state of any serial upload ends it at its next check, with
// nothing more written and the port closed; how far it came goes with the result.
TEST(SerialUploads, StopAtEveryStateEndsQuietly) {
  for (const bool codes : {false, true}) {
    for (int stopAtWrite = 1; stopAtWrite <= 6; ++stopAtWrite) {
      for (const bool duringHold : {false, true}) {
        SerialSetup s;
        const std::string path = s.dir.File("up.txt");
        WriteBytes(path, "P1,1,2,3\r\nP2,1,2,3\r\nP3,1,2,3\r\n");
        int writes = 0;
        size_t writtenAtStop = std::string::npos;
        s.port.onWrite = [&](const std::string& bytes) {
          if (bytes == "S0" || bytes == "S1" || bytes == kFileName) s.port.Arrive(duringHold ? "1\x13" : "1", 5);
          // A stop that comes with the end marker finds the upload complete.
          if (++writes == stopAtWrite && bytes != "\x04") {
            s.token.RequestStop();
            writtenAtStop = s.port.written.size();
          }
        };
        std::unique_ptr<ITransferEngine> engine;
        if (codes) engine = std::make_unique<SerialCodeUpload>(s.Ctx(), Ref(s.port), path);
        else engine = std::make_unique<SerialCoordinateUpload>(s.Ctx(), Ref(s.port), UploadJob{path, 0});
        const TransferResult r = s.events.Run(*engine);
        const std::string where = std::string(codes ? "codes" : "coords") + " write " + std::to_string(stopAtWrite);
        if (writtenAtStop == std::string::npos) continue;  // the upload had ended before
        EXPECT_EQ(OutcomeOf(r), Outcome::Stopped) << where;
        EXPECT_EQ(s.port.written.size(), writtenAtStop) << where;
        EXPECT_TRUE(s.events.Messages().empty()) << where;
        EXPECT_EQ(r.output.total, 3u) << where;
        EXPECT_LE(r.output.sent, 3u) << where;
        EXPECT_FALSE(s.port.IsOpen()) << where;
      }
    }
  }
}

TEST(SerialUploads, LostLineEndsWithoutDone) {
  for (bool codes : {false, true}) {
    SerialSetup s;
    const std::string path = s.dir.File("up.txt");
    WriteBytes(path, "P1,1,2,3\r\nP2,1,2,3\r\n");
    s.AnswerOn(codes ? "S1" : "S0", 1, "1");
    s.AnswerOn(kFileName, 1, "1");
    s.port.LoseAfter(codes ? 1500 : 150, "/dev/ttyUSB0: Input/output error");
    std::unique_ptr<ITransferEngine> engine;
    if (codes) engine = std::make_unique<SerialCodeUpload>(s.Ctx(), Ref(s.port), path);
    else engine = std::make_unique<SerialCoordinateUpload>(s.Ctx(), Ref(s.port), UploadJob{path, 0});
    EXPECT_EQ(OutcomeOf(s.events.Run(*engine)), Outcome::Failed);
    EXPECT_EQ(s.events.Count("status \r\n    Sent OK"), 0);
    ASSERT_EQ(s.events.Messages().size(), 1u);
    EXPECT_NE(s.events.Messages()[0].find("Input/output error"), std::string::npos);
    EXPECT_FALSE(s.port.IsOpen());
  }
}

}  // namespace
}  // namespace corvane::testing
