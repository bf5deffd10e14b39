#include "gui/data_page.h"

#include <QDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QVBoxLayout>

#include "core/compute/station_table.h"
#include "core/grid/grid_layout.h"
#include "core/grid/grid_loading.h"
#include "core/grid/grid_saving.h"
#include "core/text/numbers.h"
#include "gui/access_texts.h"
#include "gui/busy_progress.h"
#include "gui/station_import_dlg.h"
#include "gui/transfer_link.h"
#include "gui/traverse_dlg.h"
#include "gui/transfer_pages.h"

namespace corvane::gui {
namespace {

constexpr const char* kOpenFilter = "*.kvm|*.kvm|*.txt|*.txt|*.dat|*.dat|*.csv|*.csv|*.raw|*.raw|*.xyz|*.xyz|*.*|*.*|";
constexpr const char* kSaveFilter = "*.kvm|*.kvm|*.txt|*.txt|*.dat|*.dat|*.csv|*.csv|*.raw|*.raw|*.*|*.*|";

}  // namespace

CDataPage::CDataPage(GuiContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      model_(grid_),
      view_(new RecordGridView(this)),
      editor_(new QLineEdit(view_)),
      transferBox_(new QGroupBox(this)),
      diskBox_(new QGroupBox(this)),
      open_(new QPushButton(diskBox_)),
      save_(new QPushButton(diskBox_)),
      clear_(new QPushButton(diskBox_)),
      stations_(std::make_unique<StationTable>()) {
  setObjectName(QStringLiteral("CDataPage"));
  view_->setObjectName(QStringLiteral("grid"));
  view_->SetGridModel(&model_);
  editor_->setObjectName(QStringLiteral("editor"));
  editor_->hide();
  editor_->installEventFilter(this);
  view_->installEventFilter(this);
  connect(view_, &RecordGridView::cellDoubleClicked, this, &CDataPage::OpenEditor);
  connect(view_, &RecordGridView::scrolled, this, &CDataPage::PlaceEditor);
  // Whatever replaces the grid's content first takes the text being edited.
  connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this, &CDataPage::CommitEditor);

  auto* side = new QVBoxLayout;
  side->addWidget(transferBox_, 1);
  auto* buttons = new QVBoxLayout(diskBox_);
  for (QPushButton* b : {open_, save_, clear_}) buttons->addWidget(b);
  open_->setObjectName(QStringLiteral("open"));
  save_->setObjectName(QStringLiteral("save"));
  clear_->setObjectName(QStringLiteral("clear"));
  side->addWidget(diskBox_);
  auto* sideHost = new QWidget(this);
  sideHost->setLayout(side);
  sideHost->setFixedWidth(fontMetrics().averageCharWidth() * 18 + 24);
  side->setContentsMargins(0, 0, 0, 0);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(view_, 1);
  layout->addWidget(sideHost);

  BuildInnerTab(transferBox_);
  connect(open_, &QPushButton::clicked, this, &CDataPage::OpenFile);
  connect(save_, &QPushButton::clicked, this, &CDataPage::SaveFile);
  connect(clear_, &QPushButton::clicked, this, &CDataPage::ClearGrid);
  auto* openKey = new QShortcut(QKeySequence::Open, this, this, &CDataPage::OpenFile);
  openKey->setContext(Qt::WidgetWithChildrenShortcut);
  auto* saveKey = new QShortcut(QKeySequence::Save, this, this, &CDataPage::SaveFile);
  saveKey->setContext(Qt::WidgetWithChildrenShortcut);
  menuRunner_ = [](QMenu& menu, const QPoint& pos) { return menu.exec(pos); };
  stationDialogRunner_ = [](CStationImportDlg& dialog) { return dialog.exec(); };
  gisDialogRunner_ = [](QDialog& dialog) { return dialog.exec(); };
  traverseDialogRunner_ = [](CTraverseDlg& dialog) { return dialog.exec(); };

  ApplyCaptions();
}

CDataPage::~CDataPage() {
  // A transfer of one of the pages ends while the pages are still whole.
  comPage_->EndOwnTransfer();
  usbPage_->EndOwnTransfer();
  // The grid keeps signalling while QWidget's destructor hides it (a page shown as
  // a window of its own): nothing may reach this page's members after this point.
  disconnect(view_, nullptr, this, nullptr);
  disconnect(&model_, nullptr, this, nullptr);
}

void CDataPage::BuildInnerTab(QWidget* host) {
  auto* box = new QVBoxLayout(host);
  box->setContentsMargins(2, 2, 2, 2);
  box->setSpacing(0);
  comPage_ = new CComPage(context_, host);
  usbPage_ = new CUsbPage(context_, host);
  comPage_->hide();
  usbPage_->hide();
  box->addWidget(comPage_, 1);
  box->addWidget(usbPage_, 1);
  innerTab_ = new QTabBar(host);
  innerTab_->setObjectName(QStringLiteral("innerTab"));
  innerTab_->setShape(QTabBar::RoundedSouth);
  innerTab_->addTab(QString());
  innerTab_->addTab(QString());
  innerTab_->setExpanding(false);
  box->addWidget(innerTab_);
  // What the transfers hand to the data page: the received text, the echoed rows.
  for (TransferPage* page : {static_cast<TransferPage*>(comPage_), static_cast<TransferPage*>(usbPage_)}) {
    connect(page, &TransferPage::downloadComplete, this, &CDataPage::OnDownloadComplete);
    connect(page, &TransferPage::recordSent, this, &CDataPage::OnRecordSent);
    connect(page, &TransferPage::codeSent, this, &CDataPage::OnCodeSent);
  }

  // The stored default link picks the page shown; any other value shows none.
  switch (ToShort(context_.SettingInt(SettingsSection::OtherSet, "Comtype", "0"))) {
    case 0:
      ShowTransferPage(0, true);
      break;
    case 1:
      innerTab_->setCurrentIndex(1);
      ShowTransferPage(1, true);
      break;
    default:
      break;
  }
  connect(innerTab_, &QTabBar::currentChanged, this, [this](int index) {
    ShowTransferPage(shownTab_, false);
    ShowTransferPage(index, true);
  });
}

void CDataPage::ShowTransferPage(int index, bool show) {
  TransferPage* page = index == 0 ? static_cast<TransferPage*>(comPage_) : index == 1 ? usbPage_ : nullptr;
  if (!page) return;
  page->setVisible(show);
  if (show) shownTab_ = index;
  else if (shownTab_ == index) shownTab_ = -1;
}

void CDataPage::ApplyWidgetCaptions() {
  clear_->setText(context_.Caption("FirstMark", "Clear", "Clear"));
  save_->setText(context_.Caption("FirstMark", "Save", "Save"));
  open_->setText(context_.Caption("FirstMark", "Open", "Open"));
  transferBox_->setTitle(context_.Caption("FirstMark", "DataTransfer", "Communication"));
  diskBox_->setTitle(context_.Caption("FirstMark", "DataFromDisk", "Data from disk"));
  innerTab_->setTabText(0, context_.Caption("FirstMark", "Tab1", "COM"));
  innerTab_->setTabText(1, context_.Caption("FirstMark", "Tab2", "USB"));
  comPage_->ApplyCaptions();
  usbPage_->ApplyCaptions();
  ApplyAccessibleNames();
}

void CDataPage::ApplyAccessibleNames() {
  // The grid is named after its page, each status box after its transfer page.
  view_->setAccessibleName(context_.Caption("Mark", "First", "RS232 communication"));
  view_->setAccessibleDescription(AccessText(context_, "Grid"));
  const QString status = AccessText(context_, "Status");
  for (int i = 0; i < 2; ++i) {
    TransferPage* page = i == 0 ? static_cast<TransferPage*>(comPage_) : usbPage_;
    page->setAccessibleName(innerTab_->tabText(i));
    if (auto* box = page->findChild<QPlainTextEdit*>(QStringLiteral("status")))
      box->setAccessibleName(innerTab_->tabText(i) + QLatin1Char(' ') + status);
  }
}

void CDataPage::ApplyCaptions() {
  ApplyWidgetCaptions();
  const ColumnCaptions captions = ReadColumnCaptions(context_.Captions(), context_.Settings());
  model_.Replace([&](RecordGrid& g) { FillHeaderRow(g, captions); });
  // The widths fit the captions just written.
  view_->ApplyColumnWidths(logicalDpiX());
  PlaceEditor();
  update();
}

void CDataPage::OnShown() {
  RefreshCoordinateHeaders(grid_, context_.Captions(), context_.Settings());
  emit model_.headerDataChanged(Qt::Horizontal, 7, 8);
}

void CDataPage::StopTransferKeepingWhatArrived() {
  if (context_.Link().Busy()) context_.Link().StopAndWait();
}

void CDataPage::ClearGrid() {
  StopTransferKeepingWhatArrived();
  comPage_->ClearReceived();
  usbPage_->ClearReceived();
  model_.Replace([](RecordGrid& g) { g.SetRowCount(0); });
  ApplyCaptions();
  stationListValid_ = 0;
  jobPath_.clear();
}

void CDataPage::OpenFile() {
  CommitEditor();
  const QString path = context_.Prompts().OpenFileName(this, QtFileFilter(kOpenFilter));
  if (!path.isEmpty()) OpenPath(path);
}

void CDataPage::OpenPath(const QString& path) {
  StopTransferKeepingWhatArrived();
  const ColumnCaptions captions = ReadColumnCaptions(context_.Captions(), context_.Settings());
  CommandResult opened;
  {
    BusyProgress busy(this, QString());
    model_.Replace([&](RecordGrid& g) {
      opened = OpenJobFile(g, LocalPath(path), captions,
                           [&busy](size_t done, size_t total) { busy.Update(done, total); });
    });
  }
  if (!opened.Done()) {
    context_.ShowResult(this, opened);
    return;
  }
  // The rest of Clear: the transfer pages' last counts, the captions, the station list.
  comPage_->ClearReceived();
  usbPage_->ClearReceived();
  ApplyWidgetCaptions();
  view_->ApplyColumnWidths(logicalDpiX());
  stationListValid_ = 0;
  jobPath_ = path;
}

void CDataPage::SaveFile() {
  CommitEditor();  // Ctrl+S leaves the focus in the editor
  const QString path = context_.Prompts().SaveFileName(this, QtFileFilter(kSaveFilter), QString());
  if (path.isEmpty()) return;
  CommandResult saved;
  {
    BusyProgress busy(this, QString());
    saved = SaveGridToFile(grid_, LocalPath(path), [&busy](size_t done, size_t total) { busy.Update(done, total); });
  }
  context_.ShowResult(this, saved);
}

void CDataPage::OnDownloadComplete(const QByteArray& text) {
  model_.Replace([&](RecordGrid& g) { LoadBufferIntoGrid(g, std::string_view(text.constData(), text.size())); });
  // Another job: the station list of the last one does not belong to it.
  stationListValid_ = 0;
  jobPath_.clear();
}

void CDataPage::OnRecordSent(quint16 sentLineCount, const QByteArray& record) {
  model_.Replace(
      [&](RecordGrid& g) { ShowUploadedRecord(g, sentLineCount, std::string_view(record.constData(), record.size())); });
  stationListValid_ = 0;
}

void CDataPage::OnCodeSent(quint16 sentLineCount, const QByteArray& code) {
  model_.Replace(
      [&](RecordGrid& g) { ShowSentCode(g, sentLineCount, std::string_view(code.constData(), code.size())); });
  stationListValid_ = 0;
}

void CDataPage::OpenEditor(int gridRow, int col) {
  if (gridRow < 0 || col < 0 || gridRow >= grid_.RowCount() || col >= grid_.ColCount()) return;
  if (gridRow > 0 && col > 0) {
    editCell_ = {gridRow, col};
    editShownText_ = FromGbk(grid_.Cell(gridRow, col));
    editing_ = true;
    editor_->setText(editShownText_);
    PlaceEditor();
    editor_->show();
    editor_->raise();
    editor_->setFocus(Qt::OtherFocusReason);
    editor_->selectAll();
    editor_->end(true);
  }
  stationListValid_ = 0;
}

void CDataPage::PlaceEditor() {
  if (!editing_) return;
  const QRect r = view_->CellRect(editCell_.row, editCell_.col);
  if (r.isEmpty()) editor_->setGeometry(QRect(-1000, -1000, 10, 10));  // scrolled out of sight
  else editor_->setGeometry(r);
}

void CDataPage::CommitEditor() {
  if (!editing_) return;
  editing_ = false;
  editText_ = editor_->text();
  // Text the user left as shown keeps its bytes, even bytes that are not GBK.
  if (editText_ != editShownText_) model_.SetCell(editCell_.row, editCell_.col, ToGbk(editText_));
  editor_->hide();
  editor_->setText(editText_);
}

void CDataPage::CancelEditor() {
  if (!editing_) return;
  editing_ = false;
  editor_->hide();
  view_->setFocus(Qt::OtherFocusReason);
}

bool CDataPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_) {
    if (event->type() == QEvent::FocusOut) {
      CommitEditor();
    } else if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Escape) {
        CancelEditor();
        return true;
      }
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        CommitEditor();
        view_->setFocus(Qt::OtherFocusReason);
        return true;
      }
    }
  } else if (watched == view_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    const QModelIndex current = view_->currentIndex();
    if (key == Qt::Key_F2 && current.isValid()) {
      OpenEditor(RecordGridModel::GridRow(current), current.column());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace corvane::gui
