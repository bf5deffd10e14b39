#include "gui/traverse_dlg.h"

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

#include "core/text/numbers.h"
#include "core/traverse/control_points.h"
#include "core/traverse/traverse_adjust.h"
#include "core/traverse/traverse_outputs.h"
#include "core/traverse/traverse_report.h"
#include "gui/file_paths.h"
#include "gui/gbk_text.h"

namespace corvane::gui {
namespace {

using traverse::Method;

constexpr const char* kStationFilter = "*.txt|*.txt|*.dat|*.dat|*.*|*.*|";

struct Column {
  const char* key;
  const char* def;
};
constexpr Column kChainColumns[] = {{"ColNo", "No"},           {"ColLine", "Line"},   {"ColStation", "Station"},
                                    {"ColBacksight", "Backsight"}, {"ColForesight", "Foresight"},
                                    {"ColAngle", "Angle"},     {"ColDistance", "Distance"}, {"ColDh", "dH"}};
constexpr Column kResidualColumns[] = {{"ColLine", "Line"},         {"ColKind", "Kind"},      {"ColAt", "At"},
                                       {"ColTo", "To"},             {"ColObserved", "Observed"},
                                       {"ColResidual", "Residual"}, {"ColStd", "Std."},       {"ColFlag", "Flag"}};
constexpr Column kStationColumns[] = {{"ColName", "Name"},     {"ColNorth", "North"}, {"ColEast", "East"},
                                      {"ColHeight", "Height"}, {"ColSigmaN", "sN"},   {"ColSigmaE", "sE"},
                                      {"ColA", "a"},           {"ColB", "b"},         {"ColAz", "Az"}};

QString Number(double value, int decimals) { return QString::fromStdString(FormatFixed(value, decimals)); }
QString Optional(const std::optional<double>& value, int decimals) {
  return value ? Number(*value, decimals) : QStringLiteral("-");
}

QDoubleSpinBox* SpinBox(QWidget* parent, double low, double high, int decimals) {
  auto* box = new QDoubleSpinBox(parent);
  box->setRange(low, high);
  box->setDecimals(decimals);
  return box;
}

// Two numbers "a,b" of a setting, each kept when it does not read as one.
void ReadPair(const QString& text, double& a, double& b) {
  const QStringList parts = text.split(QLatin1Char(','));
  bool ok = false;
  if (parts.size() > 0 && (parts[0].toDouble(&ok), ok)) a = parts[0].toDouble();
  if (parts.size() > 1 && (parts[1].toDouble(&ok), ok)) b = parts[1].toDouble();
}

}  // namespace

CTraverseDlg::CTraverseDlg(GuiContext& context, const RecordGrid& grid, QWidget* parent)
    : QDialog(parent),
      context_(context),
      grid_(grid),
      summary_(new QLabel(this)),
      chain_(new QTableWidget(this)),
      fromJob_(new QRadioButton(this)),
      fromFile_(new QRadioButton(this)),
      controlPath_(new QLineEdit(this)),
      browse_(new QPushButton(this)),
      format_(new QSpinBox(this)),
      method_(new QComboBox(this)),
      sigmaAngle_(SpinBox(this, 0.1, 3600, 1)),
      sigmaMm_(SpinBox(this, 0.1, 1000, 1)),
      sigmaPpm_(SpinBox(this, 0, 1000, 1)),
      toleranceAngle_(SpinBox(this, 0.1, 3600, 1)),
      toleranceRatio_(SpinBox(this, 1, 1e8, 0)),
      result_(new QLabel(this)),
      residuals_(new QTableWidget(this)),
      stations_(new QTableWidget(this)),
      save_(new QPushButton(this)),
      report_(new QPushButton(this)),
      recompute_(new QPushButton(this)),
      close_(new QPushButton(this)) {
  setObjectName(QStringLiteral("CTraverseDlg"));
  BuildLayout();
  LoadSettings();
  Compute();
  // Every change of a choice adjusts again, once the typing pauses.
  auto* again = new QTimer(this);
  again->setSingleShot(true);
  again->setInterval(150);
  connect(again, &QTimer::timeout, this, &CTraverseDlg::Compute);
  const auto later = [again] { again->start(); };
  for (QDoubleSpinBox* box : {sigmaAngle_, sigmaMm_, sigmaPpm_, toleranceAngle_, toleranceRatio_})
    connect(box, &QDoubleSpinBox::valueChanged, this, later);
  connect(format_, &QSpinBox::valueChanged, this, later);
  connect(method_, &QComboBox::currentIndexChanged, this, later);
  connect(fromFile_, &QRadioButton::toggled, this, later);
  connect(controlPath_, &QLineEdit::editingFinished, this, later);
  connect(browse_, &QPushButton::clicked, this, &CTraverseDlg::Browse);
  connect(save_, &QPushButton::clicked, this, &CTraverseDlg::SaveStationFile);
  connect(report_, &QPushButton::clicked, this, &CTraverseDlg::ShowReport);
  connect(recompute_, &QPushButton::clicked, this, [this] { done(kRecompute); });
  connect(close_, &QPushButton::clicked, this, &QDialog::reject);
}

CTraverseDlg::~CTraverseDlg() = default;

QString CTraverseDlg::Tr(const char* key, const char* def) const { return context_.Caption("Traverse", key, def); }

void CTraverseDlg::BuildLayout() {
  setWindowTitle(Tr("DlgTitle", "Adjust traverse"));
  const auto columns = [this](QTableWidget* table, const auto& list, const QString& name) {
    table->setColumnCount(static_cast<int>(std::size(list)));
    QStringList headers;
    for (const Column& c : list) headers << Tr(c.key, c.def);
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setAccessibleName(name);
    table->setObjectName(name);
  };
  columns(chain_, kChainColumns, Tr("Chain", "Chain"));
  columns(residuals_, kResidualColumns, Tr("ResidualList", "Residuals"));
  columns(stations_, kStationColumns, Tr("StationList", "Adjusted stations"));
  chain_->setObjectName(QStringLiteral("chain"));
  residuals_->setObjectName(QStringLiteral("residuals"));
  stations_->setObjectName(QStringLiteral("stations"));
  summary_->setWordWrap(true);
  result_->setWordWrap(true);
  result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  summary_->setAccessibleName(Tr("Chain", "Chain"));
  result_->setAccessibleName(Tr("Results", "Results"));

  fromJob_->setText(Tr("FromJob", "From the job: the first station and backsight"));
  fromFile_->setText(Tr("FromFile", "From a control file"));
  browse_->setText(Tr("Browse", "Browse..."));
  format_->setRange(0, 6);
  format_->setMinimumWidth(format_->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 30);
  fromJob_->setChecked(true);
  auto* controlBox = new QGroupBox(Tr("Control", "Control points"), this);
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(fromFile_);
  fileRow->addWidget(controlPath_, 1);
  fileRow->addWidget(browse_);
  auto* formatLabel = new QLabel(Tr("Format", "Format"), controlBox);
  formatLabel->setBuddy(format_);
  fileRow->addWidget(formatLabel);
  fileRow->addWidget(format_);
  auto* controlLayout = new QVBoxLayout(controlBox);
  controlLayout->addWidget(fromJob_);
  controlLayout->addLayout(fileRow);

  const traverse::TraverseCaptions captions = traverse::ReadTraverseCaptions(context_.Captions());
  method_->addItem(FromGbk(captions.compass));
  method_->addItem(FromGbk(captions.leastSquares));
  auto* weights = new QGroupBox(Tr("Weights", "Method, weights and tolerances"), this);
  auto* form = new QFormLayout(weights);
  const auto row = [&](const char* key, const char* def, QWidget* field) {
    const QString text = Tr(key, def);
    form->addRow(text, field);
    field->setAccessibleName(text);
  };
  row("Method", "Method", method_);
  row("SigmaAngle", "Angle sigma (seconds)", sigmaAngle_);
  row("SigmaMm", "Distance sigma, constant (mm)", sigmaMm_);
  row("SigmaPpm", "Distance sigma, proportional (ppm)", sigmaPpm_);
  row("ToleranceAngle", "Angular tolerance (seconds x sqrt(m))", toleranceAngle_);
  row("ToleranceRatio", "Linear tolerance (1:N)", toleranceRatio_);

  save_->setText(Tr("SaveStations", "Save station file..."));
  report_->setText(Tr("ShowReport", "Show report"));
  recompute_->setText(Tr("Recompute", "Recompute with these stations"));
  close_->setText(Tr("Close", "Close"));
  controlPath_->setAccessibleName(Tr("ControlFile", "Control file"));
  format_->setAccessibleName(Tr("Format", "Format"));
  for (QWidget* w : std::initializer_list<QWidget*>{fromJob_, fromFile_, browse_, save_, report_, recompute_, close_})
    w->setAccessibleName(static_cast<QAbstractButton*>(w)->text().remove(QLatin1Char('&')));

  auto* options = new QHBoxLayout;
  options->addWidget(controlBox, 3);
  options->addWidget(weights, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(save_);
  buttons->addWidget(report_);
  buttons->addWidget(recompute_);
  buttons->addStretch(1);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(chain_, 2);
  layout->addLayout(options);
  layout->addWidget(result_);
  layout->addWidget(stations_, 2);
  layout->addWidget(residuals_, 2);
  layout->addLayout(buttons);
  resize(900, 760);
}

void CTraverseDlg::LoadSettings() {
  method_->setCurrentIndex(context_.SettingInt(SettingsSection::OtherSet, "TraverseMethod", "0") == 1 ? 1 : 0);
  double angle = 3, mm = 3, ppm = 2, tolerance = 10, ratio = 10000;
  ReadPair(context_.Setting(SettingsSection::OtherSet, "TraverseSigmaAngle", "3"), angle, angle);
  ReadPair(context_.Setting(SettingsSection::OtherSet, "TraverseSigmaDistance", "3,2"), mm, ppm);
  ReadPair(context_.Setting(SettingsSection::OtherSet, "TraverseTolerance", "10,10000"), tolerance, ratio);
  sigmaAngle_->setValue(angle);
  sigmaMm_->setValue(mm);
  sigmaPpm_->setValue(ppm);
  toleranceAngle_->setValue(tolerance);
  toleranceRatio_->setValue(ratio);
}

void CTraverseDlg::SaveSettings() {
  const auto write = [this](const char* name, const QString& value) {
    if (context_.Setting(SettingsSection::OtherSet, name, "") != value)
      context_.WriteSetting(this, SettingsSection::OtherSet, name, value.toStdString());
  };
  write("TraverseMethod", QString::number(method_->currentIndex()));
  write("TraverseSigmaAngle", sigmaAngle_->cleanText().replace(QLatin1Char(','), QLatin1Char('.')));
  write("TraverseSigmaDistance", QString::number(sigmaMm_->value()) + QLatin1Char(',') + QString::number(sigmaPpm_->value()));
  write("TraverseTolerance",
        QString::number(toleranceAngle_->value()) + QLatin1Char(',') + QString::number(toleranceRatio_->value(), 'f', 0));
}

void CTraverseDlg::done(int result) {
  SaveSettings();
  QDialog::done(result);
}

QString CTraverseDlg::Message() const { return message_; }

std::string CTraverseDlg::StationFileText() const {
  return adjustment_ ? traverse::StationFileText(grid_, *adjustment_) : std::string();
}

void CTraverseDlg::Clear(const QString& message) {
  adjustment_.reset();
  message_ = message;
  summary_->setText(message);
  result_->clear();
  for (QTableWidget* t : {chain_, residuals_, stations_}) t->setRowCount(0);
  for (QPushButton* b : {save_, report_, recompute_}) b->setEnabled(false);
}

void CTraverseDlg::Compute() {
  traverse::ControlPoints control;
  if (fromFile_->isChecked()) {
    if (controlPath_->text().isEmpty()) return Clear(Tr("NoControlFile", "Choose the control file."));
    const CommandResult read = traverse::ReadControlFile(LocalPath(controlPath_->text()), format_->value(), control);
    if (!read.Done()) return Clear(FromGbk(read.message) + QLatin1Char('\n') + QtPath(read.detail));
  }
  traverse::AdjustOptions options;
  options.method = method_->currentIndex() == 1 ? Method::LeastSquares : Method::Compass;
  options.sigmaAngleSec = sigmaAngle_->value();
  options.sigmaDistanceMm = sigmaMm_->value();
  options.sigmaDistancePpm = sigmaPpm_->value();
  options.toleranceAngleSec = toleranceAngle_->value();
  options.toleranceRatio = toleranceRatio_->value();
  traverse::Adjustment adjustment;
  const CommandResult r = traverse::AdjustTraverse(grid_, control, options, adjustment);
  if (!r.Done()) return Clear(FromGbk(r.message));
  adjustment_ = std::move(adjustment);
  message_.clear();
  for (QPushButton* b : {save_, report_, recompute_}) b->setEnabled(true);
  FillChain();
  FillResults();
  emit adjusted(std::make_shared<const traverse::Adjustment>(*adjustment_));
}

void CTraverseDlg::FillChain() {
  const traverse::Chain& c = adjustment_->chain;
  const traverse::TraverseCaptions captions = traverse::ReadTraverseCaptions(context_.Captions());
  const std::string& kind = c.kind == traverse::TraverseKind::Link   ? captions.link
                            : c.kind == traverse::TraverseKind::Loop ? captions.loop
                                                                     : captions.open;
  summary_->setText(QStringLiteral("%1: %2, %3 %4 (%5-%6)")
                        .arg(Tr("Chain", "Chain"), FromGbk(kind))
                        .arg(c.setUps.size())
                        .arg(FromGbk(captions.setUps))
                        .arg(c.setUps.front().stationRow)
                        .arg(c.setUps.back().stationRow));
  const int n = static_cast<int>(c.setUps.size());
  chain_->setRowCount(n);
  for (int k = 0; k < n; ++k) {
    const traverse::ChainSetUp& s = c.setUps[static_cast<size_t>(k)];
    const bool leg = k + 1 < n;
    const QString fore = leg ? FromGbk(c.setUps[static_cast<size_t>(k) + 1].station)
                         : c.closingPoint ? FromGbk(c.closingPoint->name)
                                          : QStringLiteral("-");
    const QString cells[] = {QString::number(k + 1),
                             QString::number(s.stationRow),
                             FromGbk(s.station),
                             FromGbk(s.backsight),
                             fore,
                             leg || c.closingPoint ? QString::fromStdString(traverse::AngleText(s.beta, s.angleUnit))
                                                   : QStringLiteral("-"),
                             leg ? Number(c.legs[static_cast<size_t>(k)].horizontal, 3) : QStringLiteral("-"),
                             leg ? Number(c.legs[static_cast<size_t>(k)].heightDiff, 3) : QStringLiteral("-")};
    for (int col = 0; col < static_cast<int>(std::size(cells)); ++col)
      chain_->setItem(k, col, new QTableWidgetItem(cells[col]));
  }
  chain_->resizeColumnsToContents();
}

void CTraverseDlg::FillResults() {
  const traverse::Adjustment& a = *adjustment_;
  const traverse::Misclosure& m = a.misclosure;
  const traverse::Tolerance& t = a.tolerance;
  const traverse::TraverseCaptions c = traverse::ReadTraverseCaptions(context_.Captions());
  const auto pass = [&](bool passed) { return FromGbk(passed ? c.passed : c.failed); };
  QStringList lines;
  if (a.chain.kind == traverse::TraverseKind::Open) {
    lines << FromGbk(c.noCheck);
  } else {
    QString angular = FromGbk(c.angular) + QStringLiteral(": ");
    if (m.angular)
      angular += Number(*m.angular / traverse::kArcSecond, 1) + QStringLiteral("\"  (m = %1, ").arg(m.angles) +
                 FromGbk(c.allowed) + QLatin1Char(' ') + Number(*t.allowedAngular / traverse::kArcSecond, 1) +
                 QStringLiteral("\")  ") + pass(t.angularPassed);
    else
      angular += QStringLiteral("-");
    lines << angular;
    lines << FromGbk(c.linear) + QStringLiteral(": fN %1  fE %2  f %3   L %4")
                                     .arg(Optional(m.north, 4), Optional(m.east, 4),
                                          Number(std::hypot(m.north.value_or(0), m.east.value_or(0)), 4),
                                          Number(m.length, 3));
    lines << FromGbk(c.precision) + QStringLiteral(": 1:") +
                 (m.precisionRatio ? Number(std::floor(*m.precisionRatio), 0) : QStringLiteral("-")) +
                 QStringLiteral("  (") + FromGbk(c.allowed) + QStringLiteral(" 1:") + Number(t.allowedRatio, 0) +
                 QStringLiteral(")  ") + pass(t.linearPassed);
    lines << FromGbk(c.height) + QStringLiteral(": ") + Optional(m.height, 4);
    lines << FromGbk(c.result) + QStringLiteral(": ") + FromGbk(t.Passed() ? c.within : c.outside);
  }
  if (const auto& ls = a.leastSquares) {
    QString line = FromGbk(c.sigma0) + QStringLiteral(": ") + Optional(ls->sigma0, 3) + QStringLiteral("   ") +
                   FromGbk(c.redundancy) + QStringLiteral(": %1").arg(ls->redundancy);
    if (ls->chiPassed) line += QStringLiteral("   ") + FromGbk(c.chiTest) + QStringLiteral(": ") + pass(*ls->chiPassed);
    lines << line;
  }
  result_->setText(lines.join(QLatin1Char('\n')));
  // A traverse outside its tolerances is shown in red, never as settled.
  result_->setStyleSheet(t.Passed() ? QString() : QStringLiteral("color: #c00000;"));

  const bool lsq = a.leastSquares.has_value();
  stations_->setRowCount(static_cast<int>(a.stations.size()));
  for (int i = 0; i < static_cast<int>(a.stations.size()); ++i) {
    const traverse::StationResult& s = a.stations[static_cast<size_t>(i)];
    const auto precision = [&](const std::optional<double>& v, int decimals) {
      return s.known ? QString() : Optional(v, decimals);
    };
    const QString cells[] = {FromGbk(s.name),
                             Number(s.north, 3),
                             Number(s.east, 3),
                             Optional(s.height, 3),
                             s.known ? FromGbk(c.known) : Optional(s.sigmaNorth, 4),
                             precision(s.sigmaEast, 4),
                             precision(s.ellipseA, 4),
                             precision(s.ellipseB, 4),
                             precision(s.ellipseAzimuthDeg, 1)};
    for (int col = 0; col < static_cast<int>(std::size(cells)); ++col)
      stations_->setItem(i, col, new QTableWidgetItem(cells[col]));
  }
  for (int col = 4; col < stations_->columnCount(); ++col) stations_->setColumnHidden(col, !lsq);
  stations_->resizeColumnsToContents();

  residuals_->setVisible(lsq);
  residuals_->setRowCount(lsq ? static_cast<int>(a.leastSquares->residuals.size()) : 0);
  if (!lsq) return;
  for (int i = 0; i < residuals_->rowCount(); ++i) {
    const traverse::Residual& r = a.leastSquares->residuals[static_cast<size_t>(i)];
    const bool angle = r.kind == traverse::Residual::Kind::Angle;
    const QString cells[] = {QString::number(r.row),
                             FromGbk(angle ? c.angle : c.distance),
                             FromGbk(r.at),
                             FromGbk(r.to),
                             angle ? QString::fromStdString(traverse::AngleText(r.observed, "dms")) : Number(r.observed, 4),
                             angle ? Number(r.residual / traverse::kArcSecond, 1) + QLatin1Char('"') : Number(r.residual, 4),
                             Optional(r.standardised, 2),
                             r.flagged ? QStringLiteral("*") : QString()};
    for (int col = 0; col < static_cast<int>(std::size(cells)); ++col)
      residuals_->setItem(i, col, new QTableWidgetItem(cells[col]));
  }
  residuals_->resizeColumnsToContents();
}

void CTraverseDlg::Browse() {
  const QString path = context_.Prompts().OpenFileName(this, QtFileFilter(kStationFilter));
  if (path.isEmpty()) return;
  controlPath_->setText(path);
  fromFile_->setChecked(true);
  Compute();
}

void CTraverseDlg::SaveStationFile() {
  if (!adjustment_) return;
  const QString path = context_.Prompts().SaveFileName(this, QtFileFilter(kStationFilter), QStringLiteral("txt"));
  if (path.isEmpty()) return;
  traverse::AdjustmentFiles files;
  files.stations = LocalPath(path);
  std::vector<std::string> warnings;
  const CommandResult r = traverse::WriteAdjustmentFiles(grid_, *adjustment_, {}, files, &warnings);
  context_.ShowResult(this, r);
  if (r.Done() && !warnings.empty()) {
    QStringList lines;
    for (const std::string& w : warnings) lines << FromGbk(w);
    context_.Prompts().Message(this, FromGbk(warnings.front()), context_.AppTitle(), MessageIcon::Information,
                               lines.join(QLatin1Char('\n')));
  }
}

void CTraverseDlg::ShowReport() {
  if (!adjustment_) return;
  // The report lives in the user's cache folder until the next one replaces it.
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
  QDir().mkpath(folder);
  traverse::AdjustmentFiles files;
  files.report = LocalPath(folder + QStringLiteral("/traverse.rpt"));
  const CommandResult r = traverse::WriteAdjustmentFiles(
      grid_, *adjustment_, traverse::ReadTraverseCaptions(context_.Captions()), files);
  if (!r.Done()) return context_.ShowResult(this, r);
  context_.OpenFiles(this, {files.report});
}

}  // namespace corvane::gui
