// The conversion commands of the grid's context menu write the same bytes as the
// command-line program on the same job, hand their files to the desktop, and
// show their failures.
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>

#include "core/compute/station_table.h"
#include "gui/data_page.h"
#include "gui/station_import_dlg.h"
#include "gui/text_viewer.h"
#include "gui_fixture.h"

namespace corvane::guitest {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::Visible;

std::string TestData(const std::string& name) { return std::string(CORVANE_TEST_DATA) + "/" + name; }

class ExportCommandsTest : public GuiFixture {
 protected:
  void SetUp() override {
    GuiFixture::SetUp();
    // The recompute reads its report captions and the DXF template from the program folder.
    const fs::path program = qEnvironmentVariable("CORVANE_PROGRAM_DIR").toStdString();
    for (const char* f : {"COM_LANGUAGE.ini", "DXF.lib"}) fs::copy_file(fs::path(CORVANE_BIN_DIR) / f, program / f);
    page_ = std::make_unique<gui::CDataPage>(*context_);
    page_->OpenPath(QString::fromStdString(TestData("compute/job.kvm")));
    // OK in the station dialog after an Inport of the traverse file.
    page_->SetStationDialogRunner([this](gui::CStationImportDlg& dialog) {
      ++stationDialogs_;
      dialogs_.importAnswer = "{0}{" + TestData("compute/poligon.txt") + "}";
      dialog.InportButton()->click();
      dialog.OkButton()->click();
      return dialog.result();
    });
  }
  void TearDown() override {
    page_.reset();
    GuiFixture::TearDown();
  }

  // The command-line program on the same job, with the same settings.
  testing::RunResult Cli(std::vector<std::string> args) {
    args.insert(args.begin() + 1, TestData("compute/job.kvm"));
    return testing::RunProgram(std::string(CORVANE_BIN_DIR) + "/corvane480-cli", args,
                               {"CORVANE_SETTINGS_DIR=" + settings_.Path().string(),
                                "CORVANE_PROGRAM_DIR=" + qEnvironmentVariable("CORVANE_PROGRAM_DIR").toStdString()});
  }

  // A folder "<side>/<name>/site" with a ZMOINDEX folder beside it; the path of
  // "out<ext>" in it.
  std::string OutPath(const std::string& side, const std::string& name, const std::string& ext) {
    const fs::path site = files_.Path() / side / name / "site";
    fs::create_directories(site);
    fs::create_directories(site.parent_path() / "ZMOINDEX");
    return (site / ("out" + ext)).string();
  }

  std::unique_ptr<gui::CDataPage> page_;
  int stationDialogs_ = 0;
};

TEST_F(ExportCommandsTest, EveryCommandWritesWhatTheCommandLineProgramWrites) {
  struct Case {
    const char* name;
    int command;
    const char* ext;
    // Sets the dialogs' answers for the output path.
    std::function<void(const std::string&)> answer;
    // The command line (without the job) for the output path.
    std::function<std::vector<std::string>(const std::string&)> cli;
    std::vector<std::string> companions;  // further files, by replacing ".ext" of the output
    bool opensOutput;
    bool opensReport;
  };
  const auto exportAnswer = [this](const char* layout, const char* sep) {
    return [=, this](const std::string& out) {
      dialogs_.exportAnswer = std::string("{") + layout + "}{" + sep + "}{" + out + "}";
    };
  };
  const auto exportCli = [](const char* layout, const char* sep) {
    return [=](const std::string& out) {
      return std::vector<std::string>{"export-coords", "--answer", std::string("{") + layout + "}{" + sep + "}{" + out + "}"};
    };
  };
  const auto saveAs = [this](short sd, short hd) {
    return [=, this](const std::string& out) {
      dialogs_.sdAnswer = sd;
      dialogs_.hdAnswer = hd;
      prompts_.saveAnswers.push_back(QString::fromStdString(out));
    };
  };
  const auto listCli = [](const char* command, const char* answer) {
    return [=](const std::string& out) {
      std::vector<std::string> args{command};
      if (*answer) args.insert(args.end(), {"--answer", answer});
      args.insert(args.end(), {"-o", out});
      return args;
    };
  };
  const Case cases[] = {
      {"coords 0 comma", gui::kCmdMeasCoorExport, ".txt", exportAnswer("0", "0"), exportCli("0", "0"), {}, true, false},
      {"coords 4 tab", gui::kCmdMeasCoorExport, ".txt", exportAnswer("4", "2"), exportCli("4", "2"), {}, true, false},
      {"coords 7", gui::kCmdMeasCoorExport, ".txt", exportAnswer("7", "1"), exportCli("7", "1"), {}, true, false},
      {"coords DXF", gui::kCmdMeasCoorExport, ".dxf", exportAnswer("6", "0"), exportCli("6", "0"), {}, true, false},
      {"hd A", gui::kCmdHdExport, ".txt", saveAs(-1, 0), listCli("export-hd", "0"), {}, true, false},
      {"hd B", gui::kCmdHdExport, ".txt", saveAs(-1, 1), listCli("export-hd", "1"), {}, true, false},
      {"sd A", gui::kCmdSdExport, ".txt", saveAs(0, -1), listCli("export-sd", "0"), {}, true, false},
      {"sd B", gui::kCmdSdExport, ".txt", saveAs(1, -1), listCli("export-sd", "1"), {}, true, false},
      {"angles", gui::kCmdAngleExport, ".txt", saveAs(-1, -1), listCli("export-angles", ""), {}, true, false},
      {"instrument", gui::kCmdCoorFileExport, ".kvm", saveAs(-1, -1), listCli("export-instrument", ""),
       {"../ZMOINDEX/out.INX"}, false, false},
      {"recompute", gui::kCmdPoligon, ".txt", exportAnswer("0", "0"),
       [](const std::string& out) {
         return std::vector<std::string>{"recompute", "--stations", TestData("compute/poligon.txt"), "--format", "0",
                                         "--answer", "{0}{0}{" + out + "}"};
       },
       {"out.rpt"}, true, true},
      {"recompute DXF", gui::kCmdPoligon, ".dxf", exportAnswer("6", "1"),
       [](const std::string& out) {
         return std::vector<std::string>{"recompute", "--stations", TestData("compute/poligon.txt"), "--format", "0",
                                         "--answer", "{6}{1}{" + out + "}"};
       },
       {"out.rpt"}, true, true},
  };
  for (const Case& c : cases) {
    shell_.urls.clear();
    page_->SetStationListValid(0);
    const std::string gui = OutPath("gui", c.name, c.ext), cli = OutPath("cli", c.name, c.ext);
    c.answer(gui);
    page_->RunGridCommand(c.command);
    const testing::RunResult run = Cli(c.cli(cli));
    ASSERT_EQ(run.exitCode, 0) << c.name << ": " << run.err;
    EXPECT_TRUE(prompts_.messages.empty()) << c.name << ": " << prompts_.messages[0].text.toStdString();
    std::vector<std::string> files{"out" + std::string(c.ext)};
    files.insert(files.end(), c.companions.begin(), c.companions.end());
    for (const std::string& f : files) {
      const fs::path g = fs::path(gui).parent_path() / f, l = fs::path(cli).parent_path() / f;
      ASSERT_TRUE(fs::exists(g)) << c.name << ": " << g;
      EXPECT_FALSE(ReadBytes(g.string()).empty()) << c.name << ": " << f;
      EXPECT_EQ(Visible(ReadBytes(g.string())), Visible(ReadBytes(l.string()))) << c.name << ": " << f;
    }
    std::vector<QUrl> opened;
    if (c.opensOutput) opened.push_back(QUrl::fromLocalFile(QString::fromStdString(gui)));
    EXPECT_EQ(shell_.urls, opened) << c.name;
    // The report's captions are GBK: the program's own viewer shows it, decoded.
    if (c.opensReport) {
      const std::string report = (fs::path(gui).parent_path() / "out.rpt").string();
      gui::TextFileViewer* viewer = nullptr;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* v = qobject_cast<gui::TextFileViewer*>(w); v && v->Path().toStdString() == report) viewer = v;
      ASSERT_TRUE(viewer) << c.name;
      EXPECT_TRUE(viewer->isVisible());
      QString expected = gui::FromGbk(ReadBytes(report));
      expected.replace("\r\n", "\n");
      EXPECT_EQ(viewer->Text()->toPlainText(), expected) << c.name;
      EXPECT_FALSE(expected.contains(QChar::ReplacementCharacter)) << c.name;
      delete viewer;
    }
  }
  EXPECT_EQ(prompts_.suffixesAsked, QStringList({"txt", "txt", "txt", "txt", "", ""}));
}

TEST_F(ExportCommandsTest, FailuresShowTheToolsMessageWithThePathBelow) {
  const std::string missing = files_.File("no-folder/out.txt");
  struct Case {
    const char* name;
    int command;
    std::function<void()> answer;
    QString message;
  } cases[] = {
      {"coords", gui::kCmdMeasCoorExport, [&] { dialogs_.exportAnswer = "{0}{0}{" + missing + "}"; },
       "Open file failed!"},
      {"sd A", gui::kCmdSdExport,
       [&] {
         dialogs_.sdAnswer = 0;
         prompts_.saveAnswers.push_back(QString::fromStdString(missing));
       },
       "Open report file failed!"},
      {"hd B", gui::kCmdHdExport,
       [&] {
         dialogs_.hdAnswer = 1;
         prompts_.saveAnswers.push_back(QString::fromStdString(missing));
       },
       "Open file failed!"},
      {"instrument index", gui::kCmdCoorFileExport,
       [&] { prompts_.saveAnswers.push_back(QString::fromStdString(files_.File("a/b/out.kvm"))); },
       "Creat index file failed!"},
  };
  fs::create_directories(files_.Path() / "a/b");
  for (const Case& c : cases) {
    prompts_.messages.clear();
    c.answer();
    page_->RunGridCommand(c.command);
    ASSERT_EQ(prompts_.messages.size(), 1u) << c.name;
    EXPECT_EQ(prompts_.messages[0].text, c.message) << c.name;
    EXPECT_EQ(prompts_.messages[0].icon, corvane::MessageIcon::Exclamation) << c.name;
    EXPECT_TRUE(prompts_.messages[0].detail.contains("out.")) << c.name << prompts_.messages[0].detail.toStdString();
  }
  EXPECT_TRUE(shell_.urls.empty());
}

TEST_F(ExportCommandsTest, AFileNoProgramOpensIsNamedInAShortMessage) {
  shell_.opens = false;
  const std::string out = files_.File("angles.txt");
  prompts_.saveAnswers.push_back(QString::fromStdString(out));
  page_->RunGridCommand(gui::kCmdAngleExport);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].icon, corvane::MessageIcon::Information);
  EXPECT_EQ(prompts_.messages[0].detail, QString::fromStdString(out));
  EXPECT_FALSE(ReadBytes(out).empty());
}

TEST_F(ExportCommandsTest, StationTableIsScannedOncePerGridContent) {
  // What the dialog shows when it opens, row by row.
  std::vector<std::string> seen;
  page_->SetStationDialogRunner([&](gui::CStationImportDlg& dialog) {
    std::string rows;
    for (int r = 1; r < dialog.Grid().RowCount(); ++r) rows += std::string(dialog.Grid().Cell(r, 6)) + ";";
    seen.push_back(rows);
    if (seen.size() == 1) {
      dialogs_.importAnswer = "{0}{" + TestData("compute/poligon.txt") + "}";
      dialog.InportButton()->click();
      dialog.OkButton()->click();
    } else {
      dialog.CancelButton()->click();
    }
    return dialog.result();
  });
  dialogs_.exportAnswer = "";  // the recompute itself is cancelled
  page_->RunGridCommand(gui::kCmdPoligon);
  EXPECT_EQ(page_->StationListValid(), 1);
  EXPECT_EQ(page_->Stations().Entry(3).changed, "N");
  // The edits of the dialog survive until the grid changes.
  page_->RunGridCommand(gui::kCmdPoligon);
  page_->ClearGrid();
  page_->OpenPath(QString::fromStdString(TestData("compute/job.kvm")));
  page_->RunGridCommand(gui::kCmdPoligon);
  EXPECT_EQ(seen, (std::vector<std::string>{";;;;", "Y;Y;N;N;", ";;;;"}));
  EXPECT_EQ(dialogs_.shown, QStringList({"import", "export"}));
}

TEST_F(ExportCommandsTest, EveryNewGridContentCollectsTheStationsAgain) {
  const std::string points = files_.File("points.txt");
  testing::WriteBytes(points, "A1,1,2,3,C\r\n");
  struct Case {
    const char* name;
    std::function<void()> change;
    short valid;  // StationListValid afterwards
  } cases[] = {
      {"download", [&] { page_->OnDownloadComplete("U,ST,S9\r\n"); }, 0},
      {"upload echo", [&] { page_->OnRecordSent(1, "A,1,2,3,C"); }, 0},
      {"code echo", [&] { page_->OnCodeSent(1, "TREE"); }, 0},
      {"delete row", [&] { page_->RunGridCommand(gui::kCmdDeleteRow); }, 0},
      {"insert row", [&] { page_->RunGridCommand(gui::kCmdInsertRow); }, 0},
      {"import",
       [&] {
         dialogs_.importAnswer = "{0}{" + points + "}";
         page_->RunGridCommand(gui::kCmdCoorImport);
       },
       0},
      {"captions", [&] { page_->ApplyCaptions(); }, 1},
      {"cancelled export", [&] { page_->RunGridCommand(gui::kCmdMeasCoorExport); }, 1},
  };
  for (const Case& c : cases) {
    page_->SetStationListValid(1);
    c.change();
    EXPECT_EQ(page_->StationListValid(), c.valid) << c.name;
  }
}

TEST_F(ExportCommandsTest, StationWithoutANameEndsTheRecomputeBeforeTheDialog) {
  const std::string job = files_.File("noname.kvm");
  testing::WriteBytes(job, "U,ST,S1,0,0,0,1,2,3\r\nU,BS,,0,0,0,4,5,6\r\n");
  page_->OpenPath(QString::fromStdString(job));
  page_->RunGridCommand(gui::kCmdPoligon);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_EQ(prompts_.messages[0].text, "Lost Point name in line:2");
  EXPECT_EQ(prompts_.messages[0].icon, corvane::MessageIcon::None);
  EXPECT_EQ(stationDialogs_, 0);
  EXPECT_EQ(page_->StationListValid(), 0);
}

}  // namespace
}  // namespace corvane::guitest
