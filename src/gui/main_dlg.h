#pragma once
// CMainDlg: the main window. The menu (File with the job commands, Tools,
// Help), the top-level tabs (data page, settings page, plan), the title with the
// job's name and modified mark, the status bar, the language switch. It keeps
// its size, place and splitter between runs.
#include <QMainWindow>
#include <functional>
#include <memory>

#include "gui/gui_context.h"

class QAction;
class QMenu;
class QTabWidget;
class QTranslator;

namespace corvane::gui {

class CDataPage;
class CPlanPage;
class CSettingPage;
class WrittenNotice;

// Main menu commands.
enum MainCommand : int {
  kCmdExit = 57665,
  kCmdNotepad = 32780,
  kCmdCalc = 32781,
  kCmdEnglish = 32771,
  kCmdChinese = 32772,
  kCmdAbout = 57664,
  kCmdHelp = 32784,
};

class CMainDlg final : public QMainWindow {
  Q_OBJECT
 public:
  explicit CMainDlg(GuiContext& context, QWidget* parent = nullptr);
  ~CMainDlg() override;

  CDataPage* DataPage() const { return dataPage_; }
  CSettingPage* SettingPage() const { return settingPage_; }
  CPlanPage* PlanPage() const { return planPage_; }
  QTabWidget* Tabs() const { return tabs_; }
  QAction* Action(int command) const;
  QMenu* TopMenu(int position) const;
  QMenu* LanguageMenu() const { return languageMenu_; }

  // Reloads the language and captions the menu, the check marks and the tabs.
  void ApplyMainCaptions();
  // The Chinese (0) or English (1) command.
  void SwitchLanguage(int languageIndex);
  void RunCommand(int command);

  // The title: the job's name with the modified mark, then the program's title.
  void UpdateTitle();
  WrittenNotice* Notice() const { return notice_; }

  // Runs the about box; tests replace it to look at the box instead.
  void SetAboutRunner(std::function<void(QDialog&)> runner) { aboutRunner_ = std::move(runner); }
  // The folders searched for the editor and the calculator (PATH by default).
  void SetProgramSearchPath(QString path) { searchPath_ = std::move(path); }

 protected:
  // A modified job is saved, discarded or kept (the window stays); a transfer still
  // running is stopped when the user agrees, and its port closes before the
  // window goes.
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  QAction* AddCommand(QMenu* menu, int command);
  void RestoreLayout();
  void SaveLayout();
  void OpenManual();
  void TabChanged(int index);
  void StartDesktopProgram(const QStringList& names);
  void UpdateQtTranslations();

  GuiContext& context_;
  QTabWidget* tabs_;
  CDataPage* dataPage_;
  CSettingPage* settingPage_;
  CPlanPage* planPage_;
  int currentTab_ = 0;
  QMenu* menus_[3] = {};
  QMenu* languageMenu_ = nullptr;
  std::unique_ptr<QTranslator> qtTranslator_;
  std::function<void(QDialog&)> aboutRunner_;
  QString searchPath_;
  WrittenNotice* notice_ = nullptr;
};

}  // namespace corvane::gui
