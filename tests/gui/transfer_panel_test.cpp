// The transfer pages' Stop button and progress line, and what happens to a running
// transfer when the grid is replaced or the window closes: it is stopped, and what
// had arrived reaches the grid first.
#include <QSignalSpy>

#include "gui/main_dlg.h"
#include "transfer_bench.h"

namespace corvane::guitest {
namespace {

class TransferPanelTest : public TransferFixture {
 protected:
  // A coordinate file of `records` lines.
  std::string CoordinateFile(int records) {
    std::string text;
    for (int i = 1; i <= records; ++i) text += "P" + std::to_string(i) + "," + std::to_string(1000 + i) + ".5,2000.25,50,C\r\n";
    const std::string path = files_.File("up.txt");
    testing::WriteBytes(path, text);
    return path;
  }
  // Received bytes handed to the data page, from the page's signal.
  static std::string Handed(const QSignalSpy& spy) {
    return spy.isEmpty() ? std::string() : spy.last().at(0).toByteArray().toStdString();
  }
};

TEST_F(TransferPanelTest, StopMidUploadLeavesStoppedAfterNOfM) {
  struct Case {
    bool english;
    QString text;  // with N for the records the instrument has
  };
  const Case cases[] = {{true, "stopped after N of 20 records"},
                        {false, QString::fromUtf8("已停止：20 条记录中已发送 N 条")}};
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    UseProgramFolder(Captions::Installed, true);
    link_ = std::make_unique<gui::TransferLink>(clock_);
    context_->UseLink(*link_);
    if (c.english) English();
    sim::InstrumentConfig config;
    config.baud = 9600;
    sim::SerialInstrument& instrument = SerialInstrument(config);
    dialogs_.upAnswer = "{0}{" + CoordinateFile(20) + "}";
    EXPECT_FALSE(Com().StopButton()->isEnabled());
    Com().Button(1)->click();
    EXPECT_TRUE(Com().StopButton()->isEnabled());
    EXPECT_FALSE(Usb().StopButton()->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return instrument.Record().ReceivedBytes().size() >= 9 + 3 * 76; }));
    Com().StopButton()->click();
    // A second press finds the button disabled; the transfer ends once.
    EXPECT_FALSE(Com().StopButton()->isEnabled());
    Com().StopButton()->click();
    ASSERT_TRUE(WaitForTransfer());
    // What followed the handshake (a busy machine may have repeated a request).
    const std::string received = instrument.Record().ReceivedBytes();
    const size_t wire = received.size() - (received.rfind("@%&!$\r\n") + 7);
    // The record on its way went out whole, nothing after it, no end marker.
    EXPECT_EQ(wire % 76, 0u);
    const int sent = static_cast<int>(wire / 76);
    EXPECT_GE(sent, 3);
    EXPECT_LT(sent, 20);
    QString expected = c.text;
    expected.replace(QLatin1Char('N'), QString::number(sent));
    EXPECT_EQ(Com().StatusText(), "\r\n  " + expected);
    EXPECT_EQ(Com().ProgressLine(), expected);
    EXPECT_EQ(Page().Grid().RowCount(), sent + 1);  // each record echoed
    EXPECT_FALSE(Com().StopButton()->isEnabled());
    EXPECT_TRUE(instrument.Record().Uploads().empty());
    EXPECT_TRUE(prompts_.messages.empty());
    EXPECT_TRUE(PortFree());
    // Stop after the end changes nothing.
    link_->Stop();
    QApplication::processEvents();
    EXPECT_EQ(Com().StatusText(), "\r\n  " + expected);
  }
}

TEST_F(TransferPanelTest, TheProgressLineShowsRecordsOfTheTotalAndLinesAndBytes) {
  English();
  sim::InstrumentConfig config;
  config.job = Fixture("compute/job.kvm");
  SerialInstrument(config);
  dialogs_.upAnswer = "{0}{" + CoordinateFile(3) + "}";
  Com().Button(1)->click();
  ASSERT_TRUE(WaitForTransfer());
  EXPECT_EQ(Com().StatusText(), "\r\n    Sent OK");
  EXPECT_EQ(Com().ProgressLine(), "done: 3 / 3 records");
  dialogs_.downAnswer = "x";
  Com().Button(0)->click();
  ASSERT_TRUE(WaitForTransfer());
  EXPECT_EQ(Com().StatusText(), "\r\n       16");
  EXPECT_EQ(Com().ProgressLine(),
            QString("done: 17 lines, %1 bytes").arg(config.job.size() + 1));
}

// Open, Clear and the window closing during a download: the download is stopped
// first, and everything that had arrived reaches the grid before anything else
// happens to it.
TEST_F(TransferPanelTest, ReplacingTheGridOrClosingTheWindowStopsTheTransferKeepingWhatArrived) {
  const std::string job = Fixture("compute/job.kvm");
  const std::string other = files_.File("other.kvm");
  testing::WriteBytes(other, "U,ST,OTHER\r\n");
  enum class Action { Stop, Open, Clear, CloseWindow };
  for (const Action action : {Action::Stop, Action::Open, Action::Clear, Action::CloseWindow}) {
    TearDown();
    SetUp();
    English();
    sim::InstrumentConfig config;
    config.job = job;
    config.silentAfter = 300;
    SerialInstrument(config);
    dialogs_.downAnswer = "x";
    std::unique_ptr<gui::CMainDlg> window;
    gui::CDataPage* page = &Page();
    if (action == Action::CloseWindow) {
      window = std::make_unique<gui::CMainDlg>(*context_);
      window->show();
      page = window->DataPage();
    }
    QSignalSpy handed(page->ComPage(), &gui::TransferPage::downloadComplete);
    page->ComPage()->Button(0)->click();
    ASSERT_TRUE(WaitUntil([&] { return link_->Token().Progress().bytes == 300; }));
    switch (action) {
      case Action::Stop: page->StopTransferKeepingWhatArrived(); break;
      case Action::Open: page->OpenPath(QString::fromStdString(other)); break;
      case Action::Clear: page->ClearButton()->click(); break;
      case Action::CloseWindow: window->close(); break;
    }
    // Done by the time the call returns: the worker has ended, its data is handed over.
    EXPECT_FALSE(link_->Busy());
    EXPECT_EQ(Handed(handed), job.substr(0, 300));
    EXPECT_TRUE(PortFree());
    EXPECT_TRUE(prompts_.messages.empty());
    switch (action) {
      case Action::Stop:
      case Action::CloseWindow:
        EXPECT_EQ(page->Grid().Cell(1, 1), "ZAMO");
        EXPECT_TRUE(page->ComPage()->StatusText().startsWith("\r\n  stopped after ")) << page->ComPage()->StatusText().toStdString();
        break;
      case Action::Open: EXPECT_EQ(page->Grid().Cell(1, 3), "OTHER"); break;
      case Action::Clear: EXPECT_EQ(page->Grid().Cell(1, 1), ""); break;
    }
    // Asked again with nothing running, it returns at once.
    page->StopTransferKeepingWhatArrived();
    EXPECT_EQ(handed.size(), 1);
  }
}

}  // namespace
}  // namespace corvane::guitest
