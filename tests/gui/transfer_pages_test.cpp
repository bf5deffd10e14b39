// The RS-232 and USB pages against the simulated instrument: downloads fill the
// grid, uploads echo their rows and the instrument receives the exact bytes, the
// failures show their messages, and at most one transfer runs.
#include "core/grid/grid_loading.h"
#include "core/grid/grid_saving.h"
#include <QTimer>

#include "gui/main_dlg.h"
#include "grid_helpers.h"
#include "transfer_bench.h"

namespace corvane::guitest {
namespace {

class TransferPagesTest : public TransferFixture {};

const char kJob[] = "compute/job.kvm";  // 17 lines, each ended by CR LF

// The rows a finished download gives when its text is laid into the grid.
std::string GridOfDownload(const std::string& received) {
  RecordGrid grid;
  grid.SetRowCount(700);
  LoadBufferIntoGrid(grid, received);
  std::string rows;
  for (int r = 1; r < grid.RowCount(); ++r)
    for (int c = 1; c < RecordGrid::kCols; ++c) rows += std::string(grid.Cell(r, c)) + (c + 1 < RecordGrid::kCols ? "|" : "\n");
  return rows;
}

std::string GridRows(const gui::CDataPage& page) {
  std::string rows;
  for (int r = 1; r < page.Grid().RowCount(); ++r)
    for (int c = 1; c < RecordGrid::kCols; ++c)
      rows += std::string(page.Grid().Cell(r, c)) + (c + 1 < RecordGrid::kCols ? "|" : "\n");
  return rows;
}

TEST_F(TransferPagesTest, SerialDownloadFillsTheGridAndShowsTheCount) {
  sim::InstrumentConfig config;
  config.job = Fixture(kJob);
  sim::SerialInstrument& instrument = SerialInstrument(config);
  dialogs_.downAnswer = "{1}{3}";
  Com().Button(0)->click();
  EXPECT_TRUE(Com().ProgressTimer().isActive());
  ASSERT_TRUE(WaitUntil([&] { return Page().Grid().Cell(17, 2) == "MP"; }));
  ASSERT_TRUE(WaitForTransfer());
  EXPECT_EQ(GridRows(Page()), GridOfDownload(config.job + "\x04"));
  EXPECT_EQ(RowText(Page(), 8), "8|U|ST|S1|0.0000|0.0000|0.0000|1000.000|2000.000|100.000|1.550|0.0000|STN||");
  EXPECT_EQ(Com().StatusText(), "\r\n       16");
  EXPECT_FALSE(Com().ProgressTimer().isActive());
  EXPECT_TRUE(PortFree());
  EXPECT_TRUE(prompts_.messages.empty());
  EXPECT_EQ(instrument.Record().CompletedCount(), 1);
  EXPECT_EQ(instrument.Record().ReceivedBytes().substr(0, 2), "D0");
}

TEST_F(TransferPagesTest, CoordinateUploadEchoesItsRowsAndTheInstrumentGetsTheRecords) {
  English();
  Set(SettingsSection::OtherSet, "Inputdatatype", "0");
  sim::SerialInstrument& instrument = SerialInstrument({});
  Page().OnDownloadComplete("U,ST,OLD\r\nU,BS,OLD\r\nU,DP,OLD\r\nU,DP,OLD\r\nU,DP,OLD\r\n");
  dialogs_.upAnswer = "{0}{" + FixturePath("gui/upload_nez.txt") + "}";
  Com().Button(1)->click();
  ASSERT_TRUE(WaitForTransfer());
  ASSERT_TRUE(WaitUntil([&] { return Com().StatusText() == "\r\n    Sent OK"; }));
  ASSERT_TRUE(WaitUntil([&] { return instrument.Record().Uploads().size() == 1; }));
  EXPECT_EQ(testing::Visible(instrument.Record().Uploads()[0].bytes),
            testing::Visible("           PT1,      1000.000,      2000.000,        50.000,          TREE\r\n"
                             "           PT2,      1001.500,      2001.250,        51.125,          POLE\r\n"
                             "           PT3,      1002.000,      2002.000,        52.000,          WALL\r\n"));
  // The grid starts again from the top with the records sent; the empty line is not counted.
  EXPECT_EQ(Page().Grid().RowCount(), 4);
  EXPECT_EQ(Page().Grid().Cell(1, 3), "PT1");
  EXPECT_EQ(Page().Grid().Cell(2, 7), "1001.500");
  EXPECT_EQ(Page().Grid().Cell(3, 9), "52.000");
  EXPECT_TRUE(PortFree());
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(TransferPagesTest, CodeUploadSendsEachCodeRightAlignedAndEchoesIt) {
  sim::SerialInstrument& instrument = SerialInstrument({});
  dialogs_.upCodeAnswer = FixturePath("gui/codes.txt");
  Com().Button(2)->click();
  ASSERT_TRUE(WaitForTransfer());
  ASSERT_TRUE(WaitUntil([&] { return instrument.Record().Uploads().size() == 1; }));
  EXPECT_EQ(testing::Visible(instrument.Record().Uploads()[0].bytes),
            testing::Visible("          TREE\r\n          POLE\r\n              \r\n         FENCE\r\n"));
  EXPECT_EQ(Page().Grid().RowCount(), 5);
  EXPECT_EQ(RowText(Page(), 1), "1||||||||||||TREE||");
  EXPECT_EQ(RowText(Page(), 4), "4||||||||||||FENCE||");
  // The local-language done text.
  EXPECT_EQ(Com().StatusText(), QString::fromUtf8("\r\n  发送完成"));
}

TEST_F(TransferPagesTest, UsbDownloadGoesThroughTheSimulatorTransport) {
  sim::InstrumentConfig config;
  config.job = Fixture(kJob);
  sim::UsbInstrument& instrument = UsbInstrument(config);
  Usb().Button(0)->click();
  ASSERT_TRUE(WaitForTransfer());
  EXPECT_EQ(GridRows(Page()), GridOfDownload(config.job + "\x04"));
  EXPECT_EQ(Usb().StatusText(), "\r\n  Finished");
  EXPECT_FALSE(Usb().ProgressTimer().isActive());
  EXPECT_EQ(instrument.Record().CompletedCount(), 1);
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(TransferPagesTest, UsbUploadsUseTheLayoutPickedForTheFileAndTheCodeFileChosen) {
  // The stored upload layout says N before E; the file the user picks is E before N.
  Set(SettingsSection::OtherSet, "Inputdatatype", "0");
  sim::UsbInstrument& instrument = UsbInstrument({});
  dialogs_.importAnswer = "{1}{" + FixturePath("gui/upload_enz.txt") + "}";
  Usb().Button(1)->click();
  ASSERT_TRUE(WaitForTransfer());
  EXPECT_EQ(Usb().StatusText(), "\r\n  sent ok!");
  prompts_.openAnswers.push_back(QString::fromStdString(FixturePath("gui/codes.txt")));
  Usb().Button(2)->click();
  ASSERT_TRUE(WaitForTransfer());
  EXPECT_EQ(Usb().StatusText(), "\r\n  sent ok");
  ASSERT_EQ(instrument.Record().Uploads().size(), 2u);
  EXPECT_EQ(testing::Visible(instrument.Record().Uploads()[0].bytes),
            testing::Visible("            Q1,      1000.000,      2000.000,        50.000,          TREE\r\n"
                             "            Q2,      1001.500,      2001.250,        51.125,          POLE\r\n"));
  EXPECT_EQ(testing::Visible(instrument.Record().Uploads()[1].bytes), "TREE<CR><LF>\nPOLE<CR><LF>\n<CR><LF>\nFENCE<CR><LF>\n");
  EXPECT_EQ(prompts_.filtersAsked.size(), 1);
  EXPECT_TRUE(prompts_.filtersAsked[0].startsWith("*.txt;;*.dat;;*.csv;;*.raw;;*.xyz;;"));
  EXPECT_EQ(RowText(Page(), 2), "2||||||||||||POLE||");
  EXPECT_EQ(Get(SettingsSection::OtherSet, "Inputdatatype"), "0");
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(TransferPagesTest, FailuresShowTheirMessages) {
  struct Case {
    const char* name;
    bool english;
    std::function<void()> setUp;  // instrument and answers
    int button;                                     // 0..2 RS-232, 3..5 USB
    QString message;
    corvane::MessageIcon icon;
  };
  const std::string upload = "{0}{" + FixturePath("gui/upload_nez.txt") + "}";
  const Case cases[] = {
      {"port missing", true,
       [this] {
         store_->WriteDevicePath(1, files_.File("no-such-tty"));
         dialogs_.downAnswer = "x";
       },
       0, "COM1 doesn't exist or be\nopened by another program!", corvane::MessageIcon::Exclamation},
      {"port missing, local upload message", false,
       [&] {
         store_->WriteDevicePath(1, files_.File("no-such-tty"));
         dialogs_.upAnswer = upload;
       },
       1, QString::fromUtf8("串口1不存在或已经被其它程序占用"), corvane::MessageIcon::Exclamation},
      {"instrument refuses", true,
       [&] {
         sim::InstrumentConfig c;
         c.refuse = sim::Refusal::First;
         SerialInstrument(c);
         dialogs_.upAnswer = upload;
       },
       1, "Creat file failed", corvane::MessageIcon::None},
      {"silent instrument", true,
       [this] {
         sim::InstrumentConfig c;
         c.neverAnswer = true;
         SerialInstrument(c);
         clock_.scale = 200;
         dialogs_.downAnswer = "x";
       },
       0, QString::fromUtf8("连接超时"), corvane::MessageIcon::None},
      {"upload file missing", true,
       [this] {
         SerialInstrument({});
         dialogs_.upCodeAnswer = files_.File("missing.txt");
       },
       2, "Open file failed!", corvane::MessageIcon::None},
      {"no USB instrument", true, []  {}, 3,
       "Turn on the Instrument and connect it to PC with USB line", corvane::MessageIcon::None},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    prompts_.messages.clear();
    dialogs_ = ScriptedDialogs();
    clock_.scale = 10;
    if (c.english) English();
    c.setUp();
    gui::TransferPage& page = c.button < 3 ? Com() : Usb();
    page.Button(c.button % 3)->click();
    ASSERT_TRUE(WaitForTransfer()) << c.name;
    ASSERT_EQ(prompts_.messages.size(), 1u) << c.name;
    EXPECT_EQ(prompts_.messages[0].text, c.message) << c.name;
    EXPECT_EQ(prompts_.messages[0].icon, c.icon) << c.name;
    EXPECT_EQ(prompts_.messages[0].caption, context_->AppTitle()) << c.name;
  }
}

TEST_F(TransferPagesTest, PortFailureNamesTheDeviceAndTheReason) {
  store_->WriteDevicePath(1, files_.File("no-such-tty"));
  dialogs_.downAnswer = "x";
  Com().Button(0)->click();
  // The transfer opens the port on its worker and ends with the message.
  ASSERT_TRUE(WaitForTransfer());
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].text, "COM1 doesn't exist or be\nopened by another program!");
  EXPECT_EQ(prompts_.messages[0].detail, QString::fromStdString(files_.File("no-such-tty")) + ": No such file or directory");
  EXPECT_FALSE(Com().ProgressTimer().isActive());
}

TEST_F(TransferPagesTest, InstrumentFallingSilentKeepsWhatCameAndSaysSo) {
  English();
  sim::InstrumentConfig config;
  config.job = Fixture(kJob);
  config.silentAfter = 150;
  SerialInstrument(config);
  link_->SetSilenceLimitMs(6000);
  dialogs_.downAnswer = "x";
  Com().Button(0)->click();
  ASSERT_TRUE(WaitForTransfer());
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_TRUE(prompts_.messages[0].text.startsWith("The instrument stopped sending before the end of the data"))
      << prompts_.messages[0].text.toStdString();
  EXPECT_TRUE(prompts_.messages[0].text.contains("The 150 bytes received have been kept."));
  EXPECT_EQ(Page().Grid().Cell(1, 1), "ZAMO");
  EXPECT_TRUE(PortFree());
}

TEST_F(TransferPagesTest, ATransferButtonEndsTheRunningTransferFirst) {
  sim::InstrumentConfig config;
  config.neverAnswer = true;
  sim::SerialInstrument& instrument = SerialInstrument(config);
  dialogs_.downAnswer = "x";
  Com().Button(0)->click();
  ASSERT_TRUE(WaitUntil([&] { return instrument.Record().ReceivedBytes().size() >= 4; }));
  ASSERT_TRUE(link_->Busy());
  // The USB download of the other page replaces it: the serial worker has ended,
  // without any message, before the new one starts.
  Usb().Button(0)->click();
  ASSERT_TRUE(WaitForTransfer());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // requests still on the line
  const size_t requests = instrument.Record().ReceivedBytes().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(instrument.Record().ReceivedBytes().size(), requests);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].text, "Turn on the Instrument and connect it to PC with USB line");
}

TEST_F(TransferPagesTest, ClosingTheWindowEndsTheTransferAndClosesThePort) {
  sim::InstrumentConfig config;
  config.neverAnswer = true;
  sim::SerialInstrument& instrument = SerialInstrument(config);
  dialogs_.downAnswer = "x";
  gui::CMainDlg window(*context_);
  window.show();
  window.DataPage()->ComPage()->Button(0)->click();
  ASSERT_TRUE(WaitUntil([&] { return !instrument.Record().ReceivedBytes().empty(); }));
  // The transfer is stopped before the window goes: its worker has ended and let
  // go of the port by the time the window is closed.
  window.close();
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(link_->Busy());
  EXPECT_TRUE(PortFree());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // requests still on the line
  const size_t requests = instrument.Record().ReceivedBytes().size();
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  QApplication::processEvents();
  EXPECT_EQ(instrument.Record().ReceivedBytes().size(), requests);
  EXPECT_TRUE(prompts_.messages.empty());
}

TEST_F(TransferPagesTest, TheWindowKeepsRespondingWhileTheInstrumentIsSlow) {
  // A download at 19200 bit/s takes most of a second: the button returns at once
  // and the window's timers keep running meanwhile.
  sim::InstrumentConfig config;
  config.job = Fixture(kJob);
  config.baud = 19200;
  SerialInstrument(config);
  dialogs_.downAnswer = "x";
  int ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
  tick.start(20);
  Com().Button(0)->click();
  // The button has returned while the download still runs: it did not wait for it.
  EXPECT_TRUE(link_->Busy());
  ASSERT_TRUE(WaitForTransfer());
  EXPECT_GE(ticks, 10);
  EXPECT_EQ(Com().StatusText(), "\r\n       16");
  EXPECT_EQ(Page().Grid().Cell(17, 3), "C1");
}

TEST_F(TransferPagesTest, StoppingAnUploadAt1200KeepsTheWindowResponding) {
  // Each record needs 0.6 s on the line at 1200 bit/s. Another transfer button in
  // the middle of one: the button returns at once, the upload ends on its worker
  // within 1.5 s with its port closed, and the window's timers run throughout.
  English();
  sim::InstrumentConfig config;
  config.baud = 1200;
  sim::SerialInstrument& instrument = SerialInstrument(config);
  clock_.scale = 1;
  dialogs_.upAnswer = "{0}{" + FixturePath("gui/upload_nez.txt") + "}";
  Com().Button(1)->click();
  ASSERT_TRUE(WaitUntil([&] { return instrument.Record().ReceivedBytes().size() >= 9 + 40; }));
  int ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
  tick.start(20);
  Usb().Button(0)->click();  // the USB download: no instrument there
  // The button returned with the upload still ending on its worker.
  EXPECT_TRUE(link_->Busy());
  // It ends after the record on its way (0.6 s on the line), with room for a busy machine.
  ASSERT_TRUE(WaitUntil([&] { return PortFree(); }, 5000));
  ASSERT_TRUE(WaitForTransfer());
  EXPECT_GE(ticks, 5);
  // The serial upload ended without its done text; the USB download then ran and told why it could not.
  EXPECT_TRUE(Com().StatusText().startsWith("\r\n  stopped after ")) << Com().StatusText().toStdString();
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].text, "Turn on the Instrument and connect it to PC with USB line");
}

}  // namespace
}  // namespace corvane::guitest
