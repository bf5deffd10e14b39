#include "gui/main_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QIcon>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTranslator>
#include <QUrl>

#include "core/settings/program_folder.h"
#include "gui/about_dlg.h"
#include "gui/data_page.h"
#include "gui/desktop_programs.h"
#include "gui/desktop_state.h"
#include "gui/plan_page.h"
#include "gui/setting_page.h"
#include "gui/transfer_link.h"
#include "gui/written_notice.h"

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
  // The File menu: the job's commands (the same table as the grid's context
  // menu), then Exit.
  dataPage_->FillJobMenu(*menus_[0]);
  menus_[0]->addSeparator();
  AddCommand(menus_[0], kCmdExit)->setShortcut(QKeySequence::Quit);
  connect(dataPage_, &CDataPage::jobStateChanged, this, &CMainDlg::UpdateTitle);
  connect(dataPage_, &CDataPage::planExportRequested, this, [this] {
    tabs_->setCurrentWidget(planPage_);
    planPage_->ExportButton()->click();
  });

  // The status bar: what the column under the cursor holds, and the files the
  // last command wrote with a button that opens their folder.
  statusBar()->setObjectName(QStringLiteral("statusBar"));
  notice_ = new WrittenNotice(statusBar());
  statusBar()->addPermanentWidget(notice_, 1);
  connect(dataPage_, &CDataPage::statusHint, this, [this](const QString& text) { statusBar()->showMessage(text, 8000); });
  connect(notice_, &WrittenNotice::openFolderRequested, this, [this](const QString& folder) {
    context_.OpenUrlOrSay(this, QUrl::fromLocalFile(folder),
                          context_.Caption("Job", "FolderFailed", "No program opened the folder."));
  });
  context_.SetWrittenListener([this](const QStringList& paths) { notice_->Show(paths); });

  ApplyMainCaptions();
  tabs_->setCurrentIndex(0);
  connect(tabs_, &QTabWidget::currentChanged, this, &CMainDlg::TabChanged);
  UpdateTitle();
  RestoreLayout();
}

CMainDlg::~CMainDlg() {
  context_.SetWrittenListener({});
  if (qtTranslator_) QCoreApplication::removeTranslator(qtTranslator_.get());
}

void CMainDlg::RestoreLayout() {
  // The first time: a size that suits the screen and leaves room around it.
  const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1280, 800);
  resize(qMin(1100, screen.width() - 40), qMin(720, screen.height() - 60));
  DesktopState& desktop = context_.Desktop();
  restoreGeometry(desktop.Value(QStringLiteral("MainWindow/geometry")));
  const QByteArray splitter = desktop.Value(QStringLiteral("MainWindow/splitter"));
  if (!splitter.isEmpty()) dataPage_->Splitter()->restoreState(splitter);
}

void CMainDlg::SaveLayout() {
  DesktopState& desktop = context_.Desktop();
  desktop.SetValue(QStringLiteral("MainWindow/geometry"), saveGeometry());
  desktop.SetValue(QStringLiteral("MainWindow/splitter"), dataPage_->Splitter()->saveState());
}

void CMainDlg::UpdateTitle() {
  const QString name = dataPage_ ? dataPage_->JobName() : QString();
  setWindowTitle(name.isEmpty() ? context_.AppTitle() : name + QStringLiteral("[*] - ") + context_.AppTitle());
  setWindowModified(dataPage_ && dataPage_->IsModified());
}

void CMainDlg::closeEvent(QCloseEvent* event) {
  // A transfer still running: stopped only when the user agrees. What it had
  // received reaches the grid first (its worker closes the port), so the question
  // about unsaved changes covers it.
  if (context_.Link().Busy() &&
      !context_.Prompts().Confirm(this,
                                  context_.Caption("Job", "QuitTransfer",
                                                   "A transfer is still running. Stop it and quit?"),
                                  context_.AppTitle())) {
    event->ignore();
    return;
  }
  dataPage_->StopTransferKeepingWhatArrived();
  if (!dataPage_->MayReplaceJob()) {
    event->ignore();
    return;
  }
  SaveLayout();
  QMainWindow::closeEvent(event);
}

QAction* CMainDlg::AddCommand(QMenu* menu, int command) {
  QAction* action = menu->addAction(QString());
  action->setData(command);
  action->setObjectName(QStringLiteral("cmd%1").arg(command));
  connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
  return action;
}

void CMainDlg::BuildMenus() {
  // The File menu is filled once the data page is there.
  menus_[0] = menuBar()->addMenu(QString());
  menus_[0]->setObjectName(QStringLiteral("fileMenu"));
  menus_[1] = menuBar()->addMenu(QString());
  AddCommand(menus_[1], kCmdNotepad);
  AddCommand(menus_[1], kCmdCalc);
  languageMenu_ = menus_[1]->addMenu(QString());
  AddCommand(languageMenu_, kCmdEnglish)->setCheckable(true);
  AddCommand(languageMenu_, kCmdChinese)->setCheckable(true);
  menus_[2] = menuBar()->addMenu(QString());
  AddCommand(menus_[2], kCmdAbout);
  AddCommand(menus_[2], kCmdHelp)->setShortcut(QKeySequence::HelpContents);
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
  for (const CommandCaption& c : kCommandCaptions)
    if (QAction* action = Action(c.command)) action->setText(context_.Caption("MainMenu", c.key, c.def));
  Action(kCmdChinese)->setChecked(context_.LanguageIndex() == 0);
  Action(kCmdEnglish)->setChecked(context_.LanguageIndex() == 1);
  tabs_->setTabText(0, context_.Caption("Mark", "First", "RS232 communication"));
  tabs_->setTabText(1, context_.Caption("Mark", "Second", "Setting"));
  if (tabs_->count() > 2) tabs_->setTabText(2, context_.Caption("Plan", "Tab", "Plan"));
  if (notice_)
    notice_->SetCaptions(context_.Caption("Job", "Written", "Written:"),
                         context_.Caption("Job", "OpenFolder", "Open folder"));
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
  UpdateTitle();
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

void CMainDlg::OpenManual() {
  const QString manual = ProgramFile("manual/index.html");
  const QString failure = context_.Caption("Job", "ManualFailed", "The manual could not be opened.");
  if (!QFile::exists(manual)) {
    context_.Prompts().Message(this, failure, context_.AppTitle(), MessageIcon::Information, manual);
    return;
  }
  context_.OpenUrlOrSay(this, QUrl::fromLocalFile(manual), failure);
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
      OpenManual();
      break;
    default:
      break;
  }
}

}  // namespace corvane::gui
