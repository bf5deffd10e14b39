#pragma once
// CMainDlg: the main window. The menu (File, Tools, Help), the two top-level
// tabs (data page, settings page), the title and icon, the language switch.
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

  // Runs the about box; tests replace it to look at the box instead.
  void SetAboutRunner(std::function<void(QDialog&)> runner) { aboutRunner_ = std::move(runner); }
  // The folders searched for the editor and the calculator (PATH by default).
  void SetProgramSearchPath(QString path) { searchPath_ = std::move(path); }

 protected:
  // A transfer still running ends and the port closes before the window goes.
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
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
};

}  // namespace corvane::gui
