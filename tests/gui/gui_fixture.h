#pragma once
// A program folder and settings folder of the test's own, and scripted
// desktop services that record what the windows asked.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/settings/settings_store.h"
#include "gui/gui_context.h"
#include "support/test_support.h"

// Readable Qt texts in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << '[' << l.join("\", \"").toStdString() << ']'; }

namespace corvane::guitest {

struct ShownMessage {
  QString text;
  QString caption;
  corvane::MessageIcon icon;
  QString detail;
};

class ScriptedPrompts final : public gui::IUserPrompts {
 public:
  std::deque<QString> openAnswers, saveAnswers;
  QStringList filtersAsked;
  std::vector<ShownMessage> messages;
  QString OpenFileName(QWidget*, const QString& filter) override { return Next(openAnswers, filter); }
  QStringList suffixesAsked;
  QString SaveFileName(QWidget*, const QString& filter, const QString& suffix) override {
    suffixesAsked << suffix;
    return Next(saveAnswers, filter);
  }
  void Message(QWidget*, const QString& text, const QString& caption, corvane::MessageIcon icon,
               const QString& detail) override {
    messages.push_back({text, caption, icon, detail});
  }
  // Answers to "save first?" and to yes/no questions, in order; with none left
  // the job is discarded (as nothing was asked before) and Yes is answered.
  std::deque<gui::SaveChoice> saveChoices;
  std::deque<bool> confirmAnswers;
  QStringList questions;
  gui::SaveChoice AskToSave(QWidget*, const QString& text, const QString&) override {
    questions << text;
    if (saveChoices.empty()) return gui::SaveChoice::Discard;
    const gui::SaveChoice c = saveChoices.front();
    saveChoices.pop_front();
    return c;
  }
  bool Confirm(QWidget*, const QString& text, const QString&) override {
    questions << text;
    if (confirmAnswers.empty()) return true;
    const bool a = confirmAnswers.front();
    confirmAnswers.pop_front();
    return a;
  }

 private:
  // The next scripted answer; cancelled when there is none.
  QString Next(std::deque<QString>& answers, const QString& filter) {
    filtersAsked << filter;
    if (answers.empty()) return {};
    QString a = answers.front();
    answers.pop_front();
    return a;
  }
};

class ScriptedDialogs final : public gui::IOptionDialogs {
 public:
  // The answers; empty (or -1) answers as a cancel.
  std::string downAnswer, upAnswer, upCodeAnswer, importAnswer, exportAnswer;
  short sdAnswer = -1, hdAnswer = -1;
  // The dialogs shown, in order.
  QStringList shown;
  int importCalls = 0;
  std::string ShowDownSetDlg() override { return Answer("down", downAnswer); }
  std::string ShowUpSetDlg() override { return Answer("up", upAnswer); }
  std::string ShowUpCodeSetDlg() override { return Answer("upCode", upCodeAnswer); }
  std::string ShowImportDlg() override {
    ++importCalls;
    return Answer("import", importAnswer);
  }
  std::string ShowExportDlg() override { return Answer("export", exportAnswer); }
  short ShowSdConfirmDlg() override { return Answer("sd", sdAnswer); }
  short ShowHdConfirmDlg() override { return Answer("hd", hdAnswer); }

 private:
  template <class T>
  T Answer(const char* name, const T& answer) {
    shown << QString::fromLatin1(name);
    return answer;
  }
};

class RecordingShell final : public gui::IShell {
 public:
  std::vector<QUrl> urls;
  QStringList programs;
  bool opens = true;  // false: no program takes the files
  bool OpenUrl(const QUrl& url) override {
    urls.push_back(url);
    return opens;
  }
  bool StartProgram(const QString& program) override {
    programs << program;
    return true;
  }
};

// Settings in a folder of the test; the program folder (caption files, the
// installed settings defaults) chosen by the test.
class GuiFixture : public ::testing::Test {
 protected:
  enum class Captions { None, Installed };

  void SetUp() override { UseProgramFolder(Captions::None, true); }
  void TearDown() override { qunsetenv("CORVANE_PROGRAM_DIR"); }

  // A program folder with or without the shipped caption files; with or
  // without the installed settings sections (without them every write fails).
  void UseProgramFolder(Captions captions, bool settingsSections) {
    namespace fs = std::filesystem;
    const fs::path dir = program_.Path() / std::to_string(++folderCount_);
    fs::create_directories(dir);
    const fs::path bin = CORVANE_BIN_DIR;
    if (captions == Captions::Installed)
      for (const char* f : {"CV_ENG.ini", "CV_LOCAL.ini"}) fs::copy_file(bin / f, dir / f);
    if (settingsSections) fs::copy_file(bin / "Corvane.defaults.ini", dir / "Corvane.defaults.ini");
    qputenv("CORVANE_PROGRAM_DIR", QByteArray::fromStdString(dir.string()));
    store_ = std::make_unique<SettingsStore>(settings_.Path().string() + "/ZAMO/Corvane.ini",
                                             (dir / "Corvane.defaults.ini").string());
    context_ = std::make_unique<gui::GuiContext>(*store_, prompts_, dialogs_, shell_);
  }

  void Set(SettingsSection section, const char* name, const char* value) {
    ASSERT_EQ(store_->WriteSetting(section, name, value), WriteOutcome::Ok);
  }
  std::string Get(SettingsSection section, const char* name) { return store_->ReadSetting(section, name, "<none>"); }

  testing::TempDir program_, settings_, files_;
  int folderCount_ = 0;
  std::unique_ptr<SettingsStore> store_;
  ScriptedPrompts prompts_;
  ScriptedDialogs dialogs_;
  RecordingShell shell_;
  std::unique_ptr<gui::GuiContext> context_;
};

}  // namespace corvane::guitest
