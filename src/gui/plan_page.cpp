#include "gui/plan_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/file_texts.h"
#include "exchange/crs.h"
#include "exchange/upload_conversion.h"
#include "gui/data_page.h"
#include "gui/file_paths.h"
#include "gui/plan_canvas.h"
#include "gui/plan_export_dlg.h"
#include "gui/transfer_pages.h"

namespace corvane::gui {
namespace {
constexpr double kShiftFactors[] = {0, 1, 10, 100, 1000};
// Traverse misclosures and error ellipses are millimetres on a plan of hundreds of metres.
constexpr double kTraverseFactors[] = {1, 10, 100, 1000, 10000};
}  // namespace

CPlanPage::CPlanPage(GuiContext& context, CDataPage& dataPage, QWidget* parent)
    : QWidget(parent),
      context_(context),
      dataPage_(dataPage),
      canvas_(new PlanCanvas(this)),
      fit_(new QPushButton(this)),
      code_(new QCheckBox(this)),
      height_(new QCheckBox(this)),
      shiftLabel_(new QLabel(this)),
      shift_(new QComboBox(this)),
      traverseLabel_(new QLabel(this)),
      traverseScale_(new QComboBox(this)),
      export_(new QPushButton(this)),
      print_(new QPushButton(this)),
      status_(new QLabel(this)) {
  setObjectName(QStringLiteral("CPlanPage"));
  auto* bar = new QHBoxLayout;
  bar->addWidget(fit_);
  bar->addWidget(code_);
  bar->addWidget(height_);
  bar->addWidget(shiftLabel_);
  bar->addWidget(shift_);
  bar->addWidget(traverseLabel_);
  bar->addWidget(traverseScale_);
  bar->addStretch(1);
  bar->addWidget(status_);
  bar->addWidget(export_);
  bar->addWidget(print_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(canvas_, 1);
  shiftLabel_->setBuddy(shift_);
  for (double f : kShiftFactors) shift_->addItem(f == 0 ? QString() : QStringLiteral("%1x").arg(f));
  canvas_->SetSceneSource([this]() -> const plot::PlanScene& { return Scene(); });
  for (double f : kTraverseFactors) traverseScale_->addItem(QStringLiteral("%1x").arg(f));
  traverseScale_->setCurrentIndex(3);
  traverseScale_->setObjectName(QStringLiteral("traverseScale"));
  traverseLabel_->setBuddy(traverseScale_);
  // Shown with an adjusted traverse only.
  traverseLabel_->hide();
  traverseScale_->hide();
  connect(traverseScale_, &QComboBox::currentIndexChanged, canvas_, qOverload<>(&QWidget::update));
  connect(&dataPage_, &CDataPage::traverseAdjusted, this, &CPlanPage::ShowTraverse);

  connect(fit_, &QPushButton::clicked, canvas_, &PlanCanvas::Fit);
  connect(code_, &QCheckBox::toggled, this, [this](bool on) {
    canvas_->Options().labels.code = on;
    canvas_->update();
  });
  connect(height_, &QCheckBox::toggled, this, [this](bool on) {
    canvas_->Options().labels.height = on;
    canvas_->update();
  });
  connect(shift_, &QComboBox::currentIndexChanged, this, [this](int i) {
    canvas_->Options().shiftExaggeration =
        i > 0 && i < static_cast<int>(std::size(kShiftFactors)) ? kShiftFactors[i] : 0;
    canvas_->update();
  });
  connect(export_, &QPushButton::clicked, this, &CPlanPage::ExportCommand);
  connect(print_, &QPushButton::clicked, this, &CPlanPage::PrintCommand);
  connect(canvas_, &PlanCanvas::pointClicked, this, &CPlanPage::PointClicked);

  // Every change of the grid reaches the drawing: loads, clears and row
  // commands reset the model, edits and upload echoes change cells.
  RecordGridModel& model = dataPage_.Model();
  connect(&model, &QAbstractItemModel::modelReset, this, &CPlanPage::GridReset);
  connect(&model, &QAbstractItemModel::dataChanged, this, &CPlanPage::GridChanged);
  connect(&model, &QAbstractItemModel::rowsInserted, this, &CPlanPage::GridChanged);
  connect(&model, &QAbstractItemModel::rowsRemoved, this, &CPlanPage::GridChanged);
  connect(&model, &QAbstractItemModel::layoutChanged, this, &CPlanPage::GridChanged);
  connect(&model, &QAbstractItemModel::headerDataChanged, this, &CPlanPage::GridChanged);
  connect(dataPage_.View()->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &CPlanPage::CurrentRowChanged);
  connect(&dataPage_, &CDataPage::recomputed, this, &CPlanPage::ShowRecompute);
  // After the data page has loaded it (it connected first): the job is a download.
  for (TransferPage* page :
       {static_cast<TransferPage*>(dataPage_.ComPage()), static_cast<TransferPage*>(dataPage_.UsbPage())})
    connect(page, &TransferPage::downloadComplete, this, &CPlanPage::DownloadArrived);
  ApplyCaptions();
}

CPlanPage::~CPlanPage() = default;

void CPlanPage::ApplyCaptions() {
  fit_->setText(context_.Caption("Plan", "Fit", "Fit"));
  code_->setText(context_.Caption("Plan", "Code", "Code"));
  height_->setText(context_.Caption("Plan", "Height", "Height"));
  shiftLabel_->setText(context_.Caption("Plan", "Shift", "Shift vectors"));
  shiftLabel_->setBuddy(shift_);  // the box is labelled by its own label; its name is its value
  shift_->setItemText(0, context_.Caption("Plan", "Off", "Off"));
  canvas_->SetAccessibleFormat(context_.Caption("Plan", "CanvasName", "Plan of the job: %1 points, scale %2"));
  traverseLabel_->setText(context_.Caption("Plan", "Traverse", "Traverse errors"));
  traverseScale_->setAccessibleName(traverseLabel_->text());
  export_->setText(context_.Caption("Plan", "Export", "Export..."));
  print_->setText(context_.Caption("Plan", "Print", "Print..."));
  dirty_ = true;  // the status line follows the language
  canvas_->update();
}

const plot::PlanScene& CPlanPage::Scene() {
  if (dirty_) {
    dirty_ = false;
    scene_.Rebuild(dataPage_.Grid());
    if (recomputeShown_) scene_.SetRecompute(dataPage_.Stations());
    canvas_->Options().highlight = HighlightedPoint();
    status_->setText(context_.Caption("Plan", "Points", "Points") + QStringLiteral(": ") + PointCount());
  }
  return scene_;
}

int CPlanPage::HighlightedPoint() {
  const QModelIndex current = dataPage_.View()->selectionModel()->currentIndex();
  if (!current.isValid()) return -1;
  return scene_.PointOfRow(RecordGridModel::GridRow(current));
}

void CPlanPage::DownloadArrived() {
  downloadedAt_ = QDateTime::currentDateTime();
}

void CPlanPage::GridReset() {
  // Cleared: no longer the download it was.
  const RecordGrid& grid = dataPage_.Grid();
  bool empty = true;
  for (int r = 1; r < grid.RowCount() && empty; ++r) empty = grid.LastDataColumn(r) == 0;
  if (empty) downloadedAt_ = {};
  GridChanged();
}

void CPlanPage::GridChanged() {
  // The recompute and the adjusted traverse belonged to the job as it was.
  recomputeShown_ = false;
  if (traverse_) {
    traverse_.reset();
    canvas_->SetOverlay({});
    traverseLabel_->hide();
    traverseScale_->hide();
  }
  dirty_ = true;
  canvas_->update();
}

void CPlanPage::CurrentRowChanged() {
  Scene();
  canvas_->Options().highlight = HighlightedPoint();
  canvas_->ShowPoint(canvas_->Options().highlight);
  canvas_->update();
}

void CPlanPage::PointClicked(int point) {
  const auto& points = Scene().Points();
  if (point < 0 || static_cast<size_t>(point) >= points.size()) return;
  RecordGridView* view = dataPage_.View();
  const QModelIndex index = dataPage_.Model().IndexOf(points[static_cast<size_t>(point)].row, 3);
  view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  static_cast<QAbstractItemView*>(view)->scrollTo(index);
}

void CPlanPage::ShowRecompute() {
  recomputeShown_ = true;
  Scene();
  scene_.SetRecompute(dataPage_.Stations());
  if (shift_->currentIndex() <= 0) shift_->setCurrentIndex(1);
  canvas_->update();
}

void CPlanPage::ShowTraverse(std::shared_ptr<const traverse::Adjustment> adjustment) {
  if (!adjustment) return;
  traverse_ = MakeTraverseOverlay(*adjustment);
  traverseLabel_->show();
  traverseScale_->show();
  canvas_->SetOverlay([this](QPainter& painter, const plot::PlanView& view) {
    const int i = traverseScale_->currentIndex();
    if (traverse_)
      PaintTraverseOverlay(painter, *traverse_, view,
                           i >= 0 && i < static_cast<int>(std::size(kTraverseFactors)) ? kTraverseFactors[i] : 1);
  });
}

void CPlanPage::SetShiftExaggeration(double factor) {
  canvas_->Options().shiftExaggeration = factor;
  canvas_->update();
}

QString CPlanPage::PointCount() const {
  QString text = QString::number(scene_.Points().size());
  if (scene_.UndrawableCount() > 0)
    text +=
        QStringLiteral(" (%1 %2)").arg(scene_.UndrawableCount()).arg(context_.Caption("Plan", "NotDrawn", "not drawn"));
  return text;
}

QString CPlanPage::JobTitle() const {
  const QString path = dataPage_.JobPath();
  if (!path.isEmpty()) return QFileInfo(path).fileName();
  if (downloadedAt_.isValid())
    return context_.Caption("Plan", "Downloaded", "Downloaded %1")
        .replace(QStringLiteral("%1"), downloadedAt_.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
  return context_.Caption("Plan", "NotSaved", "Not saved");
}

plot::TitleBlock CPlanPage::Title() {
  plot::TitleBlock title =
      plot::StandardTitle(Scene(), JobTitle(), plot::TitleTexts::FromCaptions(context_.Captions()));
  // The job's CRS, when the settings name one PROJ knows.
  exchange::Crs crs;
  std::string error;
  if (exchange::JobCrs(context_.Settings(), crs, error) && !crs.IsLocal())
    title.extra.push_back({title.texts.crs, QString::fromStdString(crs.CodeAndName())});
  return title;
}

CommandResult CPlanPage::ExportTo(const QString& path, const plot::ExportArea& area) {
  const std::optional<plot::PlanFormat> format = plot::PlanFormatOfPath(path);
  if (!format)
    return CommandResult::Failure(kOpenFileFailed, LocalPath(path) + ": the name ends in neither .png, .svg nor .pdf");
  const plot::PlanScene& scene = Scene();
  plot::PlanView current = canvas_->View();
  current.size = canvas_->size();
  const plot::TitleBlock title = Title();
  const plot::PlanSheet sheet = plot::ExportSheet(scene, current, area, *format, title);
  return plot::WritePlan(scene, sheet, canvas_->Options(), title, path, *format);
}

void CPlanPage::ExportCommand() {
  CPlanExportDlg dialog(context_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const QString path = context_.Prompts().SaveFileName(this, QStringLiteral("PNG (*.png);;SVG (*.svg);;PDF (*.pdf)"),
                                                       QStringLiteral("png"));
  if (path.isEmpty()) return;
  const CommandResult result = ExportTo(path, dialog.Area());
  if (result.status == CommandStatus::Failed)
    context_.ShowFailure(this, result.message, true, result.detail);
  else
    context_.OpenFiles(this, result.filesToOpen);
}

void CPlanPage::PrintTo(QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) return;
  const QRectF page = printer.pageRect(QPrinter::DevicePixel);
  // Drawn in screen pixels, then scaled onto the printer's resolution.
  const double factor = printer.resolution() / 96.0;
  const QSizeF size(page.width() / factor, page.height() / factor);
  const plot::PlanScene& scene = Scene();
  const plot::TitleBlock title = Title();
  const plot::PlanSheet sheet = plot::SheetOnPage(scene, canvas_->View(), {}, size, title);
  painter.scale(factor, factor);
  plot::PaintPlanPage(painter, scene, sheet, canvas_->Options(), title);
}

void CPlanPage::PrintCommand() {
  QPrinter printer(QPrinter::HighResolution);
  // The page turned to suit the drawing, as a PDF export turns its sheet.
  const plot::PlanSheet a4 = plot::ExportSheet(Scene(), canvas_->View(), {}, plot::PlanFormat::Pdf, Title());
  printer.setPageOrientation(a4.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  PrintTo(printer);
}

size_t CPlanPage::OwnMemoryBytes() const {
  return sizeof(*this) + scene_.MemoryBytes();
}

}  // namespace corvane::gui
