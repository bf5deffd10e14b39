#include "gui/data_page.h"

#include <QDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QVBoxLayout>

#include "core/compute/station_table.h"
#include "core/grid/grid_layout.h"
#include "core/grid/grid_loading.h"
#include "core/grid/grid_replacement.h"
#include "core/grid/grid_saving.h"
#include "core/text/numbers.h"
#include "gui/access_texts.h"
#include "gui/busy_progress.h"
#include "gui/column_hints.h"
#include "gui/desktop_state.h"
#include "gui/station_import_dlg.h"
#include "gui/transfer_link.h"
#include "gui/transfer_pages.h"
#include "gui/traverse_dlg.h"

namespace corvane::gui {
namespace {

constexpr const char* kOpenFilter = "*.kvm|*.kvm|*.txt|*.txt|*.dat|*.dat|*.csv|*.csv|*.raw|*.raw|*.xyz|*.xyz|*.*|*.*|";
constexpr const char* kSaveFilter = "*.kvm|*.kvm|*.txt|*.txt|*.dat|*.dat|*.csv|*.csv|*.raw|*.raw|*.*|*.*|";

}  // namespace

CDataPage::CDataPage(GuiContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      model_(grid_),
      history_(model_),
      splitter_(new QSplitter(Qt::Horizontal, this)),
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
  connect(&history_, &JobHistory::changed, this, &CDataPage::HistoryChanged);
  connect(&history_, &JobHistory::jobChanged, this, &CDataPage::jobStateChanged);
  connect(&history_.Stack(), &QUndoStack::cleanChanged, this, &CDataPage::jobStateChanged);
  connect(&history_, &JobHistory::stepsDropped, this, [this] {
    emit statusHint(JobCaption("StepsDropped", "Older undo steps were given up to keep memory for the job."));
  });

  // What a column holds for the record kind of the row: in the header's
  // tooltip and, for the cell under the mouse or the current cell, in the status bar.
  view_->SetHeaderHint([this](int col) { return ColumnHintFor(col); });
  connect(view_, &RecordGridView::cellHovered, this, &CDataPage::HintCell);
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& i) { HintCell(RecordGridModel::GridRow(i), i.column()); });

  auto* side = new QVBoxLayout;
  side->addWidget(transferBox_, 1);
  auto* buttons = new QVBoxLayout(diskBox_);
  for (QPushButton* b : {open_, save_, clear_}) buttons->addWidget(b);
  open_->setObjectName(QStringLiteral("open"));
  save_->setObjectName(QStringLiteral("save"));
  clear_->setObjectName(QStringLiteral("clear"));
  side->addWidget(diskBox_);
  auto* sideHost = new QWidget(splitter_);
  sideHost->setObjectName(QStringLiteral("sidePanel"));
  sideHost->setLayout(side);
  sideHost->setMinimumWidth(fontMetrics().averageCharWidth() * 18 + 24);
  side->setContentsMargins(0, 0, 0, 0);
  // The grid takes what the window gains; the panel keeps its width.
  splitter_->setObjectName(QStringLiteral("splitter"));
  splitter_->addWidget(view_);
  splitter_->addWidget(sideHost);
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);
  splitter_->setCollapsible(0, false);
  splitter_->setCollapsible(1, false);
  splitter_->setSizes({1 << 20, sideHost->minimumWidth()});

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(splitter_, 1);

  BuildInnerTab(transferBox_);
  connect(open_, &QPushButton::clicked, this, &CDataPage::OpenFile);
  connect(save_, &QPushButton::clicked, this, &CDataPage::SaveFile);
  connect(clear_, &QPushButton::clicked, this, &CDataPage::ClearGrid);
  BuildJobActions();
  menuRunner_ = [](QMenu& menu, const QPoint& pos) { return menu.exec(pos); };
  stationDialogRunner_ = [](CStationImportDlg& dialog) { return dialog.exec(); };
  gisDialogRunner_ = [](QDialog& dialog) { return dialog.exec(); };
  traverseDialogRunner_ = [](CTraverseDlg& dialog) { return dialog.exec(); };
  busyPoll_.setInterval(250);
  connect(&busyPoll_, &QTimer::timeout, this, &CDataPage::UpdateCommandStates);
  busyPoll_.start();

  ApplyCaptions();
}

CDataPage::~CDataPage() {
  // A transfer of one of the pages ends while the pages are still whole.
  comPage_->EndOwnTransfer();
  usbPage_->EndOwnTransfer();
  // The grid keeps signalling while QWidget's destructor hides it (a page shown as
  // a window of its own): nothing may reach this page's members after this point.
  disconnect(view_, nullptr, this, nullptr);
  disconnect(view_->selectionModel(), nullptr, this, nullptr);
  disconnect(&model_, nullptr, this, nullptr);
  disconnect(&history_, nullptr, this, nullptr);
  disconnect(&history_.Stack(), nullptr, this, nullptr);
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
  // A transfer fills the grid: a modified job is saved, discarded or kept first.
  // A new upload's echo starts a step of its own.
  for (TransferPage* page : {static_cast<TransferPage*>(comPage_), static_cast<TransferPage*>(usbPage_)}) {
    page->SetStartGuard([this] {
      if (!MayReplaceJob()) return false;
      echoStep_ = nullptr;
      return true;
    });
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
  ApplyActionCaptions();
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
  CommitEditor();
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

bool CDataPage::MayReplaceJob() {
  CommitEditor();
  if (!history_.IsModified()) return true;
  switch (context_.Prompts().AskToSave(
      this, JobCaption("AskSave", "The job has changes that are not saved. Save them first?"), context_.AppTitle())) {
    case SaveChoice::Save:
      return SaveJob();
    case SaveChoice::Discard:
      return true;
    case SaveChoice::Cancel:
      break;
  }
  return false;
}

void CDataPage::ClearGrid() {
  // What a running transfer has received reaches the grid first: it can be saved.
  StopTransferKeepingWhatArrived();
  if (!MayReplaceJob()) return;
  RecordGrid cleared;
  corvane::ClearGrid(cleared, ReadColumnCaptions(context_.Captions(), context_.Settings()));
  history_.Replace(std::move(cleared), {}, JobCaption("StepClear", "Clear"));
  // Nothing is left to save; Undo brings the job back, as a changed one.
  history_.Stack().setClean();
  comPage_->ClearReceived();
  usbPage_->ClearReceived();
  ApplyCaptions();
  stationListValid_ = 0;
}

void CDataPage::OpenFile() {
  StopTransferKeepingWhatArrived();
  if (!MayReplaceJob()) return;
  const QString path = context_.Prompts().OpenFileName(this, QtFileFilter(kOpenFilter));
  if (!path.isEmpty()) OpenPath(path);
}

void CDataPage::OpenRecent(const QString& path) {
  StopTransferKeepingWhatArrived();
  if (MayReplaceJob()) OpenPath(path);
}

void CDataPage::OpenPath(const QString& path) {
  StopTransferKeepingWhatArrived();
  CommitEditor();
  const ColumnCaptions captions = ReadColumnCaptions(context_.Captions(), context_.Settings());
  // The file goes into a grid of its own: a file that cannot be read leaves the
  // job as it was, and the job it replaces stays whole for Undo.
  RecordGrid opened;
  CommandResult result;
  {
    BusyProgress busy(this, QString());
    result = OpenJobFile(opened, LocalPath(path), captions,
                         [&busy](size_t done, size_t total) { busy.Update(done, total); });
  }
  if (!result.Done()) {
    context_.ShowResult(this, result);
    return;
  }
  const QString absolute = QFileInfo(path).absoluteFilePath();
  history_.Replace(std::move(opened), {JobSource::File, absolute}, JobCaption("StepOpen", "Open"));
  history_.MarkSaved(absolute);
  context_.Desktop().AddRecentJob(absolute);
  // The rest of Clear: the transfer pages' last counts, the captions, the station list.
  comPage_->ClearReceived();
  usbPage_->ClearReceived();
  ApplyWidgetCaptions();
  view_->ApplyColumnWidths(logicalDpiX());
  stationListValid_ = 0;
}

bool CDataPage::SaveFile() {
  CommitEditor();  // Ctrl+S leaves the focus in the editor
  const QString path = context_.Prompts().SaveFileName(this, QtFileFilter(kSaveFilter), QString());
  if (path.isEmpty()) return false;
  return SaveTo(path);
}

bool CDataPage::SaveJob() {
  CommitEditor();
  const JobIdentity& job = history_.Job();
  if (job.source == JobSource::File && !job.path.isEmpty()) return SaveTo(job.path);
  return SaveFile();
}

bool CDataPage::SaveTo(const QString& path) {
  CommandResult saved;
  {
    BusyProgress busy(this, QString());
    saved = SaveGridToFile(grid_, LocalPath(path), [&busy](size_t done, size_t total) { busy.Update(done, total); });
  }
  context_.ShowResult(this, saved);
  if (!saved.Done()) return false;
  const QString absolute = QFileInfo(path).absoluteFilePath();
  history_.MarkSaved(absolute);
  context_.Desktop().AddRecentJob(absolute);
  context_.AnnounceWritten({LocalPath(absolute)});
  return true;
}

void CDataPage::OnDownloadComplete(const QByteArray& text) {
  CommitEditor();
  // Another job: the station list of the last one does not belong to it.
  stationListValid_ = 0;
  // A text without a line end loads nothing: the job stays as it is.
  if (!text.contains("\r\n")) return;
  history_.Replace(LoadBufferOver(grid_, std::string_view(text.constData(), static_cast<size_t>(text.size()))),
                   {JobSource::Download, {}}, JobCaption("StepDownload", "Download"));
}

template <class InPlace, class Fresh>
void CDataPage::Echo(InPlace&& inPlace, Fresh&& fresh) {
  CommitEditor();
  // The first record of an upload replaces the job (one step of Undo); the
  // records after it extend that step as long as nothing else came between.
  if (history_.IsOpenStep(echoStep_)) model_.Replace(inPlace);
  else echoStep_ = history_.Replace(fresh(), {JobSource::Upload, {}}, JobCaption("StepUpload", "Upload"));
  stationListValid_ = 0;
}

void CDataPage::OnRecordSent(quint16 sentLineCount, const QByteArray& record) {
  const std::string_view text(record.constData(), static_cast<size_t>(record.size()));
  Echo([&](RecordGrid& g) { ShowUploadedRecord(g, sentLineCount, text); },
       [&] { return ShowUploadedRecordOver(grid_, sentLineCount, text); });
}

void CDataPage::OnCodeSent(quint16 sentLineCount, const QByteArray& code) {
  const std::string_view text(code.constData(), static_cast<size_t>(code.size()));
  Echo([&](RecordGrid& g) { ShowSentCode(g, sentLineCount, text); },
       [&] { return ShowSentCodeOver(grid_, sentLineCount, text); });
}

bool CDataPage::CanUndoNow() const { return history_.Stack().canUndo() && !context_.Link().Busy(); }
bool CDataPage::CanRedoNow() const { return history_.Stack().canRedo() && !context_.Link().Busy(); }

void CDataPage::Undo() {
  CommitEditor();
  if (CanUndoNow()) history_.Stack().undo();
}

void CDataPage::Redo() {
  CommitEditor();
  if (CanRedoNow()) history_.Stack().redo();
}

void CDataPage::HistoryChanged() {
  // Rows and cells changed: the station list is collected again before the next
  // recompute.
  stationListValid_ = 0;
  // A job brought back keeps the captions of its time in its header row: the
  // header shows the captions of now.
  const ColumnCaptions captions = ReadColumnCaptions(context_.Captions(), context_.Settings());
  if (grid_.RowCount() > 0)
    for (int c = 0; c < RecordGrid::kCols; ++c)
      if (grid_.Cell(0, c) != captions[static_cast<size_t>(c)]) model_.SetCell(0, c, captions[static_cast<size_t>(c)]);
  UpdateCommandStates();
  emit jobStateChanged();
}

QString CDataPage::JobName() const {
  const JobIdentity& job = history_.Job();
  switch (job.source) {
    case JobSource::File: return QFileInfo(job.path).fileName();
    case JobSource::Download: return JobCaption("Downloaded", "Downloaded job");
    case JobSource::Upload: return JobCaption("Uploaded", "Uploaded records");
    case JobSource::Import: return JobCaption("Imported", "Imported coordinates");
    case JobSource::None: break;
  }
  return IsModified() ? JobCaption("Untitled", "Untitled job") : QString();
}

QString CDataPage::JobCaption(const char* key, const char* def) const { return context_.Caption("Job", key, def); }

QString CDataPage::ColumnHintFor(int col) const {
  const QModelIndex current = view_->currentIndex();
  const int row = current.isValid() ? RecordGridModel::GridRow(current) : -1;
  return ColumnHint(context_, RecordKindOf(grid_.Cell(row, 2)), col);
}

void CDataPage::HintCell(int gridRow, int col) {
  if (col < 0 || col >= RecordGrid::kCols) return;
  const QString caption = model_.headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
  const QString hint =
      gridRow > 0 ? ColumnHint(context_, RecordKindOf(grid_.Cell(gridRow, 2)), col) : ColumnHintFor(col);
  emit statusHint(caption + QStringLiteral(" \u2014 ") + hint);
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
  editor_->hide();
  editor_->setText(editText_);
  // Text the user left as shown keeps its bytes, even bytes that are not GBK.
  if (editText_ != editShownText_)
    history_.EditCell(editCell_.row, editCell_.col, ToGbk(editText_), JobCaption("StepEdit", "Edit"));
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
