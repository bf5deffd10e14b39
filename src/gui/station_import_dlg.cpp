#include "gui/station_import_dlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "core/grid/grid_layout.h"
#include "core/settings/program_folder.h"
#include "gui/file_paths.h"
#include "gui/gbk_text.h"

namespace corvane::gui {
namespace {

constexpr const char* kSaveFilter = "*.txt|*.txt|*.dat|*.dat|*.csv|*.csv|*.raw|*.raw|*.*|*.*|";
// The save dialog's default extension text "*.txt" gives names without one ".txt".
constexpr const char* kSaveExtension = "txt";

}  // namespace

int StationGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_.RowCount() - 1;
}

int StationGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : StationImportModel::kCols;
}

QVariant StationGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  return FromGbk(grid_.Cell(index.row() + 1, index.column()));
}

QVariant StationGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
  return QString::fromLatin1(StationImportModel::ColumnHeader(section));
}

CStationImportDlg::CStationImportDlg(GuiContext& context, StationTable& table, QWidget* parent)
    : QDialog(parent),
      context_(context),
      table_(table),
      grid_(table),
      model_(grid_),
      view_(new QTableView(this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      inport_(new QPushButton(this)),
      saveAs_(new QPushButton(this)) {
  setObjectName(QStringLiteral("CStationImportDlg"));
  // Captions by the dialog's own language value (the program's when none is
  // stored); the program's language stays as it is.
  const StationDialogCaptions captions = ReadStationDialogCaptions(SettingsFolder(), context_.LanguageIndex());
  setWindowTitle(FromGbk(captions.title));
  // The table is what the dialog edits: named after it for assistive technology.
  view_->setAccessibleName(windowTitle());
  inport_->setText(FromGbk(captions.inport));
  saveAs_->setText(FromGbk(captions.saveAs));
  ok_->setObjectName(QStringLiteral("ok"));
  cancel_->setObjectName(QStringLiteral("cancel"));
  inport_->setObjectName(QStringLiteral("inport"));
  saveAs_->setObjectName(QStringLiteral("saveAs"));
  ok_->setDefault(true);
  for (QPushButton* b : {ok_, cancel_, inport_, saveAs_}) b->setAutoDefault(b == ok_);

  view_->setObjectName(QStringLiteral("stationGrid"));
  view_->setModel(&model_);
  view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view_->setSelectionMode(QAbstractItemView::SingleSelection);
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
  view_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  ApplyColumnWidths();

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(inport_);
  buttons->addWidget(saveAs_);
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);

  connect(ok_, &QPushButton::clicked, this, &CStationImportDlg::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(inport_, &QPushButton::clicked, this, &CStationImportDlg::Inport);
  connect(saveAs_, &QPushButton::clicked, this, &CStationImportDlg::SaveAs);

  int width = 0;
  for (int c = 0; c < StationImportModel::kCols; ++c) width += view_->columnWidth(c);
  resize(width + 40, 420);
}

void CStationImportDlg::ApplyColumnWidths() {
  for (int c = 0; c < StationImportModel::kCols; ++c)
    view_->setColumnWidth(c, TwipsToPixels(StationImportModel::ColumnWidthTwips(c), logicalDpiX()));
}

void CStationImportDlg::ShowResult(const CommandResult& result) {
  if (result.status == CommandStatus::Failed)
    context_.ShowFailure(this, result.message, result.icon == corvane::MessageIcon::Exclamation, result.detail);
}

void CStationImportDlg::Inport() {
  const std::string answer = context_.Dialogs().ShowImportDlg();
  if (answer.empty()) return;
  ApplyColumnWidths();
  const CommandResult result = grid_.Inport(answer);
  model_.Reload();
  ShowResult(result);
}

void CStationImportDlg::Preload(int format, const std::string& lines) {
  grid_.InportText(format, lines);
  model_.Reload();
}

void CStationImportDlg::SaveAs() {
  const QString path =
      context_.Prompts().SaveFileName(this, QtFileFilter(kSaveFilter), QString::fromLatin1(kSaveExtension));
  if (path.isEmpty()) return;
  ShowResult(grid_.SaveAs(LocalPath(path)));
}

void CStationImportDlg::accept() {
  grid_.Ok(table_);
  QDialog::accept();
}

}  // namespace corvane::gui
