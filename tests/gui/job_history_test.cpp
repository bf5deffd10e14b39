// The job is protected: a question before a modified job is replaced or
// emptied, Undo and Redo of every change, the title with the job's name and
// modified mark.
#include <QAction>
#include <QPushButton>
#include <QTest>
#include <random>

#include "gui/main_dlg.h"
#include "grid_helpers.h"
#include "transfer_bench.h"

namespace corvane::guitest {
namespace {

using gui::SaveChoice;

class JobHistoryTest : public TransferFixture {
 protected:
  // The grid as rows of cells (every cell, the row count first).
  static std::string Dump(const gui::CDataPage& page) {
    std::string out = std::to_string(page.Grid().RowCount()) + "\n";
    for (int r = 0; r < page.Grid().RowCount(); ++r) out += RowText(page, r) + "\n";
    return out;
  }
  std::string JobFile(const std::string& name, const std::string& text) {
    const std::string path = files_.File(name);
    testing::WriteBytes(path, text);
    return path;
  }
};

// Every way of replacing or emptying the grid asks first when the job holds
// unsaved changes; Cancel leaves everything as it was, Discard goes on, Save
// writes the job first. With no changes nothing is asked.
TEST_F(JobHistoryTest, AModifiedJobIsSavedDiscardedOrKeptBeforeAnythingReplacesIt) {
  struct Trigger {
    const char* name;
    std::function<void(gui::CMainDlg&)> run;
    // What shows that the command went ahead after the question.
    std::function<bool(gui::CMainDlg&)> wentAhead;
  };
  const auto asked = [this](const char* dialog) { return dialogs_.shown.contains(dialog); };
  const Trigger triggers[] = {
      {"Clear", [](gui::CMainDlg& w) { w.DataPage()->ClearButton()->click(); },
       [](gui::CMainDlg& w) { return w.DataPage()->Grid().Cell(1, 3).empty(); }},
      {"Open", [](gui::CMainDlg& w) { w.DataPage()->JobAction(gui::kCmdOpen)->trigger(); },
       [this](gui::CMainDlg&) { return !prompts_.filtersAsked.isEmpty(); }},
      {"Receive", [](gui::CMainDlg& w) { w.DataPage()->ComPage()->Button(0)->click(); },
       [&](gui::CMainDlg&) { return asked("down"); }},
      {"Send", [](gui::CMainDlg& w) { w.DataPage()->ComPage()->Button(1)->click(); },
       [&](gui::CMainDlg&) { return asked("up"); }},
      {"FileDown", [](gui::CMainDlg& w) { w.DataPage()->UsbPage()->Button(0)->click(); },
       [this](gui::CMainDlg&) { return link_->Busy() || !prompts_.messages.empty(); }},
      {"Import", [](gui::CMainDlg& w) { w.DataPage()->RunGridCommand(gui::kCmdCoorImport); },
       [&](gui::CMainDlg&) { return asked("import"); }},
      {"Quit", [](gui::CMainDlg& w) { w.Action(gui::kCmdExit)->trigger(); },
       [](gui::CMainDlg& w) { return !w.isVisible(); }},
  };
  const std::string job = "U,ST,S1\r\nU,DP,P1,12.000\r\n";
  for (const Trigger& t : triggers) {
    for (const SaveChoice choice : {SaveChoice::Cancel, SaveChoice::Discard, SaveChoice::Save}) {
      for (const bool modified : {true, false}) {
        if (!modified && choice != SaveChoice::Cancel) continue;
        const std::string label = std::string(t.name) + " choice " + std::to_string(int(choice)) +
                                  (modified ? " modified" : " unmodified");
        gui::CMainDlg w(*context_);
        w.show();
        w.DataPage()->OpenPath(QString::fromStdString(JobFile("job.kvm", job)));
        if (modified) w.DataPage()->History().EditCell(2, 3, "EDITED", "Edit");
        ASSERT_EQ(w.isWindowModified(), modified) << label;
        const std::string before = Dump(*w.DataPage());
        prompts_ = {};
        dialogs_.shown.clear();
        prompts_.saveChoices = {choice};
        t.run(w);
        // The question came only for a modified job.
        EXPECT_EQ(prompts_.questions.size(), modified ? 1 : 0) << label;
        EXPECT_EQ(t.wentAhead(w), !modified || choice != SaveChoice::Cancel) << label;
        if (modified && choice == SaveChoice::Cancel) {
          EXPECT_EQ(Dump(*w.DataPage()), before) << label;
          EXPECT_TRUE(w.isWindowModified()) << label;
        }
        // Save writes the job over its own file first.
        EXPECT_EQ(testing::ReadBytes(files_.File("job.kvm")),
                  modified && choice == SaveChoice::Save ? "U,ST,S1\r\nU,DP,EDITED,12.000\r\n" : job)
            << label;
        link_->Stop();
        ASSERT_TRUE(WaitForTransfer());
      }
    }
  }
}

TEST_F(JobHistoryTest, CtrlZBringsAClearedJobBackAndTheTitleFollows) {
  gui::CMainDlg w(*context_);
  ShowActive(w);
  const std::string path = JobFile("site 4.kvm", "U,ST,S1,,,,100,200,10\r\nU,BS,B1\r\nU,DP,P1,12.5\r\n");
  w.DataPage()->OpenPath(QString::fromStdString(path));
  const std::string opened = Dump(*w.DataPage());
  EXPECT_EQ(w.windowTitle(), "site 4.kvm[*] - Corvane");
  EXPECT_FALSE(w.isWindowModified());

  // A job just opened is cleared without a question; Ctrl+Z gives it back.
  w.DataPage()->ClearButton()->click();
  EXPECT_TRUE(prompts_.questions.isEmpty());
  EXPECT_EQ(w.DataPage()->Grid().RowCount(), 700);
  EXPECT_EQ(w.windowTitle(), "Corvane");
  w.DataPage()->View()->setFocus();
  QTest::keyClick(w.DataPage()->View(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Dump(*w.DataPage()), opened);
  EXPECT_EQ(w.windowTitle(), "site 4.kvm[*] - Corvane");
  // What came back has not been saved since the grid was empty: it counts as changed.
  EXPECT_TRUE(w.isWindowModified());
  QTest::keyClick(w.DataPage()->View(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(w.DataPage()->Grid().RowCount(), 700);
  EXPECT_TRUE(w.DataPage()->Grid().Cell(1, 3).empty());
  // Saving clears the mark; an edit sets it again.
  QTest::keyClick(w.DataPage()->View(), Qt::Key_Z, Qt::ControlModifier);
  prompts_.saveAnswers = {QString::fromStdString(files_.File("copy.kvm"))};
  w.DataPage()->JobAction(gui::kCmdSaveAs)->trigger();
  EXPECT_FALSE(w.isWindowModified());
  EXPECT_EQ(w.windowTitle(), "copy.kvm[*] - Corvane");
  w.DataPage()->History().EditCell(1, 3, "S9", "Edit");
  EXPECT_TRUE(w.isWindowModified());
}

// Any sequence of changes walks back step by step to where it started, and
// forward again to where it ended.
TEST_F(JobHistoryTest, UndoAndRedoRetraceEveryChange) {
  std::mt19937 rng(18);
  const std::string file = JobFile("job.kvm", "U,ST,S1\r\nU,BS,B1\r\nU,DP,P1,1\r\nU,DP,P2,2\r\n");
  for (int round = 0; round < 6; ++round) {
    gui::CDataPage page(*context_);
    std::vector<std::string> states{Dump(page)};
    for (int step = 0; step < 14; ++step) {
      const int rows = page.Grid().RowCount();
      unsigned op = rng() % 8;
      if (rows < 2 && op < 3) op = 3;
      const int row = rows < 2 ? 1 : 1 + static_cast<int>(rng() % static_cast<unsigned>(rows - 1));
      switch (op) {
        case 0: page.History().EditCell(row, 1 + static_cast<int>(rng() % 14), "V" + std::to_string(step), "Edit"); break;
        case 1: page.History().InsertRow(row, "Insert"); break;
        case 2: page.History().DeleteRow(row, "Delete"); break;
        case 3: page.OnDownloadComplete(rng() % 2 ? "U,DP,D1\r\nx\r\nU,DP,D2\r\n" : "\r\nU,ST,Z\r\n"); break;
        case 4: {  // an upload's echo is one step, however many records it shows
          page.ComPage()->Button(1)->click();  // the transfer button starts a new upload
          const int records = 1 + static_cast<int>(rng() % 4);
          for (int r = 1; r <= records; ++r)
            page.OnRecordSent(static_cast<quint16>(r), "E" + QByteArray::number(r) + ",1,2,3,C");
          break;
        }
        case 5:
          page.ComPage()->Button(2)->click();
          page.OnCodeSent(1, "CODE");
          page.OnCodeSent(2, "CODE2");
          break;
        case 6: page.ClearGrid(); break;
        default: page.OpenPath(QString::fromStdString(file)); break;
      }
      states.push_back(Dump(page));
      ASSERT_EQ(page.History().Stack().index(), static_cast<int>(states.size()) - 1) << round << " op " << op;
    }
    for (size_t i = states.size() - 1; i > 0; --i) {
      ASSERT_EQ(Dump(page), states[i]) << round << " undo at " << i;
      page.Undo();
    }
    EXPECT_EQ(Dump(page), states.front()) << round;
    for (size_t i = 1; i < states.size(); ++i) {
      page.Redo();
      ASSERT_EQ(Dump(page), states[i]) << round << " redo at " << i;
    }
  }
}

TEST_F(JobHistoryTest, AJobBroughtBackShowsTheCaptionsOfNowAndAnEmptyDownloadChangesNothing) {
  UseProgramFolder(Captions::Installed, true);
  gui::CMainDlg w(*context_);
  w.DataPage()->OpenPath(QString::fromStdString(JobFile("job.kvm", "U,ST,S1\r\n")));
  w.DataPage()->ClearGrid();
  w.SwitchLanguage(1);
  w.DataPage()->Undo();
  EXPECT_EQ(w.DataPage()->Grid().Cell(0, 1), "MARK");
  EXPECT_EQ(w.DataPage()->Grid().Cell(1, 3), "S1");
  // A download that ends before its first line end loads nothing and is no step.
  const int steps = w.DataPage()->History().Stack().index();
  for (const char* text : {"", "U,ST,PART"}) w.DataPage()->OnDownloadComplete(text);
  EXPECT_EQ(w.DataPage()->History().Stack().index(), steps);
  EXPECT_EQ(w.DataPage()->JobName(), "job.kvm");
}

TEST_F(JobHistoryTest, UndoIsOffWhileATransferRuns) {
  sim::InstrumentConfig quiet;
  quiet.neverAnswer = true;
  SerialInstrument(quiet);
  gui::CDataPage& page = Page();
  page.OnDownloadComplete("U,ST,OLD\r\nU,DP,OLD\r\n");
  const std::string downloaded = Dump(page);
  dialogs_.downAnswer = "x";
  page.ComPage()->Button(0)->click();
  ASSERT_TRUE(WaitUntil([&] { return link_->Busy(); }));
  page.UpdateCommandStates();
  EXPECT_FALSE(page.JobAction(gui::kCmdUndo)->isEnabled());
  QTest::keyClick(page.View(), Qt::Key_Z, Qt::ControlModifier);
  page.Undo();
  EXPECT_EQ(Dump(page), downloaded);
  link_->RequestStop();
  ASSERT_TRUE(WaitForTransfer());
  page.UpdateCommandStates();
  EXPECT_TRUE(page.JobAction(gui::kCmdUndo)->isEnabled());
}

TEST_F(JobHistoryTest, AWholeUploadGoesWithOneUndo) {
  English();
  Set(SettingsSection::OtherSet, "Inputdatatype", "0");
  SerialInstrument({});
  gui::CDataPage& page = Page();
  page.OnDownloadComplete("U,ST,OLD\r\nU,DP,OLD\r\n");
  const std::string downloaded = Dump(page);
  const int steps = page.History().Stack().index();
  dialogs_.upAnswer = "{0}{" + FixturePath("gui/upload_nez.txt") + "}";
  page.ComPage()->Button(1)->click();
  ASSERT_TRUE(WaitForTransfer());
  ASSERT_EQ(page.Grid().Cell(3, 3), "PT3");
  EXPECT_EQ(page.History().Stack().index(), steps + 1);
  EXPECT_EQ(page.JobName(), "Uploaded records");
  page.Undo();
  EXPECT_EQ(Dump(page), downloaded);
  EXPECT_EQ(page.JobName(), "Downloaded job");
  page.Redo();
  EXPECT_EQ(page.Grid().Cell(3, 3), "PT3");
}

TEST_F(JobHistoryTest, QuittingDuringATransferAsksFirst) {
  sim::InstrumentConfig quiet;
  quiet.neverAnswer = true;
  SerialInstrument(quiet);
  dialogs_.downAnswer = "x";
  for (const bool stop : {false, true}) {
    gui::CMainDlg w(*context_);
    w.show();
    w.DataPage()->ComPage()->Button(0)->click();
    ASSERT_TRUE(WaitUntil([&] { return link_->Busy(); }));
    prompts_.confirmAnswers = {stop};
    EXPECT_EQ(w.close(), stop);
    EXPECT_EQ(w.isVisible(), !stop);
    EXPECT_EQ(prompts_.questions.size(), 1);
    prompts_.questions.clear();
    link_->Stop();
    ASSERT_TRUE(WaitForTransfer());
  }
}

}  // namespace
}  // namespace corvane::guitest
