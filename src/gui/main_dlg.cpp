#include "gui/main_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QIcon>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QTabWidget>
#include <QTranslator>
#include <QUrl>

#include "core/settings/program_folder.h"
#include "gui/about_dlg.h"
#include "gui/data_page.h"
#include "gui/desktop_programs.h"
#include "gui/plan_page.h"
#include "gui/setting_page.h"
#include "gui/transfer_link.h"

namespace corvane::gui {
namespace {

QString ProgramFile(const char* name) { return QFile::decodeName(QByteArray::fromStdString(ProgramFilePath(name))); }

struct CommandCaption {
  int command;
  const char* key;
  const char* def;
};

constexpr CommandCaption kCommandCaptions[] = {
    {kCmdExit, "Exit", "Exit"},         {kCmdCalc, "Calc", "Calc"},          {kCmdNotepad, "Notepad", "Notepad"},
    {kCmdAbout, "About", "About"},      {kCmdHelp, "Help", "Help"},          {kCmdChinese, "Chinese", "Chinese"},
    {kCmdEnglish, "English", "English"},
};

}  // namespace

CMainDlg::CMainDlg(GuiContext& context, QWidget* parent)
    : QMainWindow(parent), context_(context), tabs_(new QTabWidget(this)) {
  setObjectName(QStringLiteral("CMainDlg"));
  aboutRunner_ = [](QDialog& dialog) { dialog.exec(); };
  searchPath_ = qEnvironmentVariable("PATH");
  BuildMenus();
  tabs_->setObjectName(QStringLiteral("mainTabs"));
  setCentralWidget(tabs_);
  // A missing icon file leaves the window without its icon.
  const QIcon icon(ProgramFile("\\this.ico"));
  if (!icon.availableSizes().isEmpty()) setWindowIcon(icon);

  // The captions (and with them the language) come before the pages.
  ApplyMainCaptions();
  dataPage_ = new CDataPage(context_, tabs_);
  settingPage_ = new CSettingPage(context_, tabs_);
  tabs_->insertTab(0, dataPage_, tabs_->tabText(0));
  tabs_->insertTab(1, settingPage_, tabs_->tabText(1));
  planPage_ = new CPlanPage(context_, *dataPage_, tabs_);
  tabs_->insertTab(2, planPage_, QString());
  ApplyMainCaptions();
  tabs_->setCurrentIndex(0);
  connect(tabs_, &QTabWidget::currentChanged, this, &CMainDlg::TabChanged);
  setWindowTitle(context_.AppTitle());
  resize(980, 480);
}

CMainDlg::~CMainDlg() {
  if (qtTranslator_) QCoreApplication::removeTranslator(qtTranslator_.get());
}

void CMainDlg::closeEvent(QCloseEvent* event) {
  // A transfer still running is stopped first; what it had received reaches the
  // grid before the window goes (its worker closes the port).
  dataPage_->StopTransferKeepingWhatArrived();
  QMainWindow::closeEvent(event);
}

void CMainDlg::BuildMenus() {
  const auto add = [this](QMenu* menu, int command) {
    QAction* action = menu->addAction(QString());
    action->setData(command);
    action->setObjectName(QStringLiteral("cmd%1").arg(command));
    connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
    return action;
  };
  menus_[0] = menuBar()->addMenu(QString());
  add(menus_[0], kCmdExit)->setShortcut(QKeySequence::Quit);
  menus_[1] = menuBar()->addMenu(QString());
  add(menus_[1], kCmdNotepad);
  add(menus_[1], kCmdCalc);
  languageMenu_ = menus_[1]->addMenu(QString());
  add(languageMenu_, kCmdEnglish)->setCheckable(true);
  add(languageMenu_, kCmdChinese)->setCheckable(true);
  menus_[2] = menuBar()->addMenu(QString());
  add(menus_[2], kCmdAbout);
  add(menus_[2], kCmdHelp)->setShortcut(QKeySequence::HelpContents);
}

QAction* CMainDlg::Action(int command) const {
  return findChild<QAction*>(QStringLiteral("cmd%1").arg(command));
}

QMenu* CMainDlg::TopMenu(int position) const { return position >= 0 && position < 3 ? menus_[position] : nullptr; }

void CMainDlg::ApplyMainCaptions() {
  context_.ReloadLanguageIndex();
  menus_[0]->setTitle(context_.Caption("MainMenu", "File", "File"));
  menus_[1]->setTitle(context_.Caption("MainMenu", "Tools", "Tools"));
  menus_[2]->setTitle(context_.Caption("MainMenu", "Help", "Help"));
  languageMenu_->setTitle(context_.Caption("MainMenu", "Language", "language"));
  for (const CommandCaption& c : kCommandCaptions) Action(c.command)->setText(context_.Caption("MainMenu", c.key, c.def));
  Action(kCmdChinese)->setChecked(context_.LanguageIndex() == 0);
  Action(kCmdEnglish)->setChecked(context_.LanguageIndex() == 1);
  tabs_->setTabText(0, context_.Caption("Mark", "First", "RS232 communication"));
  tabs_->setTabText(1, context_.Caption("Mark", "Second", "Setting"));
  if (tabs_->count() > 2) tabs_->setTabText(2, context_.Caption("Plan", "Tab", "Plan"));
  UpdateQtTranslations();
}

void CMainDlg::UpdateQtTranslations() {
  // Qt's own texts (dialog buttons, file dialogs) follow the caption language.
  const bool local = context_.LanguageIndex() != 1;
  if (local && !qtTranslator_) {
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
      QCoreApplication::installTranslator(translator.get());
      qtTranslator_ = std::move(translator);
    }
  } else if (!local && qtTranslator_) {
    QCoreApplication::removeTranslator(qtTranslator_.get());
    qtTranslator_.reset();
  }
}

void CMainDlg::SwitchLanguage(int languageIndex) {
  context_.WriteSetting(this, SettingsSection::OtherSet, "Language", languageIndex == 1 ? "1" : "0");
  ApplyMainCaptions();
  dataPage_->ApplyCaptions();
  settingPage_->Initialise();
  planPage_->ApplyCaptions();
  setWindowTitle(context_.AppTitle());
  Action(kCmdEnglish)->setChecked(languageIndex == 1);
  Action(kCmdChinese)->setChecked(languageIndex != 1);
}

void CMainDlg::TabChanged(int index) {
  // The page left first, then the page shown.
  if (currentTab_ == 1) settingPage_->OnLeft(this);
  currentTab_ = index;
  if (index == 0) dataPage_->OnShown();
  else if (index == 1) settingPage_->Initialise();
}

void CMainDlg::StartDesktopProgram(const QStringList& names) {
  // Nothing found, or a program that does not start, is silent.
  const QString program = FindFirstProgram(names, searchPath_);
  if (!program.isEmpty()) context_.Shell().StartProgram(program);
}

void CMainDlg::RunCommand(int command) {
  switch (command) {
    case kCmdExit:
      close();
      break;
    case kCmdNotepad:
      StartDesktopProgram(TextEditorNames());
      break;
    case kCmdCalc:
      StartDesktopProgram(CalculatorNames());
      break;
    case kCmdEnglish:
      SwitchLanguage(1);
      break;
    case kCmdChinese:
      SwitchLanguage(0);
      break;
    case kCmdAbout: {
      CAboutDlg about(context_, this);
      aboutRunner_(about);
      break;
    }
    case kCmdHelp:
      context_.Shell().OpenUrl(QUrl::fromLocalFile(ProgramFile("manual/index.html")));
      break;
    default:
      break;
  }
}

}  // namespace corvane::gui
