// The USB transfers against a scripted library on a virtual clock.
#include <gtest/gtest.h>

#include "core/link/usb_download.h"
#include "core/link/usb_uploads.h"
#include "link/link_fakes.h"
#include "support/test_support.h"

namespace corvane::testing {
namespace {

struct UsbSetup {
  VirtualClock clock;
  ScriptedUsb usb;
  TransferToken token;
  MapSettings settings;
  RecordingEvents events;
  TempDir dir;
  UsbSetup() { token.Start(); }
  TransferContext Ctx() { return {token, clock, settings, events, 0}; }
};

std::string Z(size_t n) { return std::string(n, '\0'); }

// --- Download -----------------------------------------------------------------

struct UsbDownloadCase {
  const char* name;
  std::deque<int> channel1Results;  // request, acknowledgement (default: the count)
  std::vector<ScriptedUsb::ReadAnswer> ready;  // channel 0
  std::vector<ScriptedUsb::ReadAnswer> data;   // channel 2, then dataAfter
  int dataAfter;
  Outcome outcome;
  std::string buffer;
  std::vector<std::string> log;  // a message given as "msg~part" is checked by a part of it
  bool libraryReason = false;     // a call failed: the library's reason stands beneath the message
};

class UsbDownloadTest : public ::testing::TestWithParam<UsbDownloadCase> {};

TEST_P(UsbDownloadTest, Runs) {
  const UsbDownloadCase& c = GetParam();
  UsbSetup s;
  s.usb.writeResults[1] = c.channel1Results;
  s.usb.lastError = "cable pulled";
  s.usb.reads[0] = {c.ready.begin(), c.ready.end()};
  s.usb.reads[2] = {c.data.begin(), c.data.end()};
  s.usb.readDefault[2] = c.dataAfter;
  UsbDownload download(s.Ctx(), Ref(s.usb), 3000);
  const TransferResult result = s.events.Run(download);
  EXPECT_EQ(OutcomeOf(result), c.outcome);
  EXPECT_EQ(Visible(result.output.received), Visible(c.buffer));
  EXPECT_EQ(s.usb.ended, 1);
  EXPECT_EQ(result.detail, c.libraryReason ? "cable pulled" : "");
  ASSERT_EQ(s.events.log.size(), c.log.size());
  for (size_t i = 0; i < c.log.size(); ++i) {
    if (c.log[i].rfind("msg~", 0) == 0) {
      EXPECT_NE(s.events.log[i].find(c.log[i].substr(4)), std::string::npos) << s.events.log[i];
    } else {
      EXPECT_EQ(s.events.log[i], c.log[i]);
    }
  }
}

const UsbDownloadCase kUsbDownloadCases[] = {
    {"RequestNotWritten", {2}, {}, {}, 0, Outcome::Failed, "",
     {"msg Turn on the Instrument and connect it to PC with USB line", "end failed"}, true},
    {"ReadyReplyFails", {3}, {{-1, ""}}, {}, 0, Outcome::Failed, "", {"msg Connection failed1", "end failed"}, true},
    {"ReadyReplyEmpty", {3}, {{0, ""}}, {}, 0, Outcome::Failed, "", {"msg Connection failed2", "end failed"}},
    {"ReadyReplyNotOne", {3}, {{1, "0"}}, {}, 0, Outcome::Failed, "", {"msg Connection failed2", "end failed"}},
    {"Finished", {3}, {{1, "1"}}, {{4, "AB\r\n"}, {0, ""}, {5, "CD\r\n\x04"}}, 0, Outcome::Completed,
     "AB\r\nCD\r\n\x04", {"status \r\n  Finished", "end completed kept"}},
    {"ZeroByteCutsTheChunk", {3}, {{1, "1"}}, {{6, std::string("AB\0CD\r", 6)}, {3, "\n\x04"}}, 0,
     Outcome::Completed, "AB\n\x04", {"status \r\n  Finished", "end completed kept"}},
    {"SilenceKeepsWhatArrived", {3}, {{1, "1"}}, {{4, "AB\r\n"}}, 0, Outcome::Failed, "AB\r\n",
     {"msg~ 4 ", "end failed kept"}},
    {"FailingLinkKeepsWhatArrived", {3}, {{1, "1"}}, {{4, "AB\r\n"}}, -1, Outcome::Failed, "AB\r\n",
     {"msg~The USB link failed", "end failed kept"}, true},
    {"AcknowledgementNotTaken", {3, -1}, {{1, "1"}}, {}, 0, Outcome::Failed, "",
     {"msg~did not take the acknowledgement", "end failed"}, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, UsbDownloadTest, ::testing::ValuesIn(kUsbDownloadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UsbDownload, CallsAndTimeOutsInOrder) {
  UsbSetup s;
  s.usb.reads[0] = {{1, "1"}};
  s.usb.reads[2] = {{3, "A\r\n"}, {1, "\x04"}};
  UsbDownload download(s.Ctx(), Ref(s.usb));
  download.Run();
  const std::vector<std::string> calls = {"W1:D0" + Z(1), "R0:16", "W1:1" + Z(1), "R2:157", "R2:157"};
  EXPECT_EQ(s.usb.calls, calls);
  EXPECT_EQ(s.usb.timeouts, (std::vector<int>{1000, 1000, 850, 850, 850}));
  EXPECT_EQ(s.clock.NowMs(), 600);
}

TEST(UsbDownload, AnyTransferButtonEndsItSilently) {
  UsbSetup s;
  s.usb.reads[0] = {{1, "1"}};
  s.usb.reads[2] = {{4, "AB\r\n"}};
  s.usb.onRead = [&] {
    if (!s.events.progress.empty() && s.events.progress.back().bytes > 0) s.token.RequestStop();
  };
  UsbDownload download(s.Ctx(), Ref(s.usb));
  const TransferResult result = s.events.Run(download);
  EXPECT_EQ(OutcomeOf(result), Outcome::Stopped);
  EXPECT_EQ(s.events.log, std::vector<std::string>{"end stopped kept"});
  EXPECT_EQ(result.output.received, "AB\r\n");
}

// --- Coordinate upload --------------------------------------------------------------

struct UsbCoordinateCase {
  const char* name;
  std::deque<int> channel1Results;  // request, file name (default: the count)
  std::vector<ScriptedUsb::ReadAnswer> replies;
  std::deque<int> channel3Results;  // records, end block
  bool fileMissing;
  Outcome outcome;
  std::vector<std::string> messages;
  int replyReads;
  bool sentOk;
};

class UsbCoordinateUploadTest : public ::testing::TestWithParam<UsbCoordinateCase> {};

TEST_P(UsbCoordinateUploadTest, Runs) {
  const UsbCoordinateCase& c = GetParam();
  UsbSetup s;
  const std::string path = s.dir.File("up.txt");
  if (!c.fileMissing) WriteBytes(path, "P1,1,2,3,C\r\n");
  s.usb.writeResults[1] = c.channel1Results;
  s.usb.writeResults[3] = c.channel3Results;
  s.usb.reads[0] = {c.replies.begin(), c.replies.end()};
  UsbCoordinateUpload upload(s.Ctx(), Ref(s.usb), {path, 0});
  EXPECT_EQ(OutcomeOf(s.events.Run(upload)), c.outcome);
  EXPECT_EQ(s.usb.ended, 1);
  EXPECT_EQ(s.events.Messages(), c.messages);
  int reads = 0;
  for (const auto& call : s.usb.calls) reads += call.rfind("R0:", 0) == 0;
  EXPECT_EQ(reads, c.replyReads);
  EXPECT_EQ(s.events.Count("status \r\n  sent ok!"), c.sentOk ? 1 : 0);
}

const UsbCoordinateCase kUsbCoordinateCases[] = {
    {"RequestNotWritten", {0}, {}, {}, false, Outcome::Failed,
     {"Turn on the Instrument and connect it to PC with USB line!"}, 0, false},
    {"NoFirstReplyInFiveReads", {}, {}, {}, false, Outcome::Failed, {"Connect failed1!"}, 5, false},
    {"FirstReplyRefused", {}, {{1, "0"}}, {}, false, Outcome::Failed, {"Ask for download failed!"}, 1,
     false},
    {"FileNameNotWritten", {3, 15}, {{1, "1"}}, {}, false, Outcome::Failed, {"Send file name failed!"}, 1,
     false},
    // A first reply at the third read leaves seven reads for the second.
    {"NoSecondReplyByTheTenthRead", {}, {{0, ""}, {-1, ""}, {1, "1"}}, {}, false, Outcome::Failed,
     {"Connect failed!"}, 10, false},
    {"SecondReplyRefused", {}, {{1, "1"}, {1, "0"}}, {}, false, Outcome::Failed, {"Creat file failed!"}, 2,
     false},
    {"FileMissing", {}, {{1, "1"}, {1, "1"}}, {}, true, Outcome::Failed, {"Open file failed!"}, 2, false},
    {"RecordNotTaken", {}, {{1, "1"}, {1, "1"}}, {10}, false, Outcome::Failed,
     {"Write data failed! Line 1 did not reach the instrument."}, 2, false},
    {"EndBlockNotTaken", {}, {{1, "1"}, {1, "1"}}, {74, 0}, false, Outcome::Failed, {"Write END failed!"}, 2,
     false},
    {"Sent", {}, {{1, "1"}, {1, "1"}}, {}, false, Outcome::Completed, {}, 2, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, UsbCoordinateUploadTest, ::testing::ValuesIn(kUsbCoordinateCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UsbCoordinateUpload, BlocksOnTheWire) {
  UsbSetup s;
  const std::string path = s.dir.File("up.txt");
  WriteBytes(path, "P1,1,2,3,C\r\n\r\n");
  s.usb.reads[0] = {{1, "1"}, {1, "1"}};
  UsbCoordinateUpload upload(s.Ctx(), Ref(s.usb), {path, 0});
  EXPECT_EQ(OutcomeOf(s.events.Run(upload)), Outcome::Completed);
  const std::string record = std::string(12, ' ') + "P1," + std::string(13, ' ') + "1," + std::string(13, ' ') +
                             "2," + std::string(13, ' ') + "3," + std::string(13, ' ') + "C";
  ASSERT_EQ(record.size(), 74u);
  const std::vector<std::string> calls = {"W1:S0" + Z(1), "R0:3", "W1:#@*&\r\n" + Z(10), "R0:4",
                                          "W3:" + record, "W3:\x04" + Z(73)};
  EXPECT_EQ(s.usb.calls, calls);
  EXPECT_EQ(s.events.log, (std::vector<std::string>{"status \r\n   Uploading", "1128 1 " + record,
                                                    "status \r\n  sent ok!", "end completed"}));
  EXPECT_EQ(s.events.last.output.sent, 1u);
}

// --- Code upload --------------------------------------------------------------------

TEST(UsbCodeUpload, BlocksOnTheWire) {
  UsbSetup s;
  s.events.codeFile = s.dir.File("codes.txt");
  WriteBytes(s.events.codeFile, "ABC\r\nABCDEFGHIJKLMNOPQRST\r\n");
  s.usb.reads[0] = {{1, "x"}};
  UsbCodeUpload upload(s.Ctx(), Ref(s.usb));
  EXPECT_EQ(OutcomeOf(s.events.Run(upload)), Outcome::Completed);
  const std::vector<std::string> calls = {"W1:S1" + Z(1), "R0:3", "W1:ABC\r\n" + Z(11), "W1:ABCDEFGHIJKLMNO\r",
                                          "W1:PQRST\r\n" + Z(9), "W1:\x04" + Z(15)};
  EXPECT_EQ(s.usb.calls, calls);
  EXPECT_EQ(s.events.log, (std::vector<std::string>{"1129 1 ABC", "1129 2 ABCDEFGHIJKLMNO", "1129 3 PQRST",
                                                    "status \r\n  sent ok", "end completed"}));
  EXPECT_EQ(s.clock.NowMs(), 1000 + 300);
}

TEST(UsbCodeUpload, Failures) {
  struct Case {
    const char* name;
    std::deque<int> channel1Results;
    std::vector<ScriptedUsb::ReadAnswer> reply;
    std::string codeFile;  // "" cancels the dialog, "missing" names no file
    std::string message;   // "" none
    int calls;
  };
  const Case cases[] = {
      {"RequestNotWritten", {2}, {}, "codes", "Turn on the Instrument and connect it to PC with USB line!", 1},
      {"NoReply", {}, {{0, ""}}, "codes", "Connected failed!", 2},
      {"DialogCancelled", {}, {{1, "1"}}, "", "", 2},
      {"FileMissing", {}, {{1, "1"}}, "missing", "Open file failed!", 2},
      {"Refused", {}, {{1, "0"}}, "codes", "Ask for download failed!", 2},
      {"CodeNotTaken", {3, 5}, {{1, "1"}}, "codes", "Write data failed! Line 1 did not reach the instrument.", 3},
      {"EndBlockNotTaken", {3, 16, 1}, {{1, "1"}}, "codes", "Write END failed", 4},
  };
  for (const Case& c : cases) {
    UsbSetup s;
    WriteBytes(s.dir.File("codes"), "AB\r\n");
    s.events.codeFile = c.codeFile.empty() ? "" : s.dir.File(c.codeFile);
    s.usb.writeResults[1] = c.channel1Results;
    s.usb.reads[0] = {c.reply.begin(), c.reply.end()};
    UsbCodeUpload upload(s.Ctx(), Ref(s.usb));
    EXPECT_NE(OutcomeOf(s.events.Run(upload)), Outcome::Completed) << c.name;
    EXPECT_EQ(s.usb.ended, 1) << c.name;
    EXPECT_EQ(s.events.Messages(), c.message.empty() ? std::vector<std::string>{} : std::vector{c.message})
        << c.name;
    EXPECT_EQ(static_cast<int>(s.usb.calls.size()), c.calls) << c.name;
    EXPECT_EQ(s.events.Count("status"), 0) << c.name;
  }
}

}  // namespace
}  // namespace corvane::testing

namespace corvane::testing {
namespace {

// A stop request at any call of any USB transfer ends it at its next check:
// stopped, never done, no end block, and a download keeps what it received.
TEST(UsbTransfers, StopAtEveryCallEndsWithoutTheEndBlock) {
  enum class Kind { Download, Coordinates, Codes };
  for (const Kind kind : {Kind::Download, Kind::Coordinates, Kind::Codes}) {
    for (int stopAt = 1; stopAt <= 8; ++stopAt) {
      UsbSetup s;
      const std::string path = s.dir.File("up.txt");
      WriteBytes(path, "P1,1,2,3,C\r\nP2,1,2,3,C\r\nP3,1,2,3,C\r\n");
      s.events.codeFile = path;
      s.usb.reads[0] = {{1, "1"}, {1, "1"}};
      s.usb.reads[2] = {{4, "AB\r\n"}, {4, "CD\r\n"}, {4, "EF\r\n"}, {4, "GH\r\n"}, {1, "\x04"}};
      int calls = 0;
      auto stop = [&] {
        if (++calls == stopAt) s.token.RequestStop();
      };
      s.usb.onRead = stop;
      s.usb.onWrite = stop;
      std::unique_ptr<ITransferEngine> engine;
      if (kind == Kind::Download) engine = std::make_unique<UsbDownload>(s.Ctx(), Ref(s.usb));
      else if (kind == Kind::Coordinates) engine = std::make_unique<UsbCoordinateUpload>(s.Ctx(), Ref(s.usb), UploadJob{path, 0});
      else engine = std::make_unique<UsbCodeUpload>(s.Ctx(), Ref(s.usb));
      const TransferResult r = s.events.Run(*engine);
      const std::string where = std::to_string(static_cast<int>(kind)) + " stop at call " + std::to_string(stopAt);
      EXPECT_EQ(s.usb.ended, 1) << where;
      if (calls < stopAt) continue;  // it had ended before
      // A stop that comes with the last call (the download's end marker, the end
      // block) finds the transfer done.
      if (r.Completed()) {
        EXPECT_EQ(static_cast<size_t>(stopAt), s.usb.calls.size()) << where;
        continue;
      }
      EXPECT_TRUE(r.Stopped()) << where;
      for (const std::string& call : s.usb.calls) EXPECT_NE(call.rfind("W", 0) == 0 ? call[3] : 'x', '\x04') << where;
      if (kind == Kind::Download && r.Stopped()) {
        EXPECT_EQ(r.output.received.find('\x04'), std::string::npos) << where;
      }
    }
  }
}

}  // namespace
}  // namespace corvane::testing
