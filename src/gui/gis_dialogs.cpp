#include "gui/gis_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/settings/program_folder.h"
#include "exchange/gis_export.h"

namespace corvane::gui {
namespace {

struct FormatItem {
  const char* label;
  const char* filter;
  const char* suffix;
};

// In the order of exchange::GisFormat.
constexpr FormatItem kFormats[] = {
    {"GeoPackage (.gpkg)", "GeoPackage (*.gpkg)", "gpkg"},   {"Shapefile (.shp)", "Shapefile (*.shp)", "shp"},
    {"GeoJSON, WGS 84 (.geojson)", "GeoJSON (*.geojson *.json)", "geojson"},
    {"KML, WGS 84 (.kml)", "KML (*.kml)", "kml"},             {"CSV (.csv)", "CSV (*.csv)", "csv"},
    {"LandXML 1.2 (.xml)", "LandXML (*.xml)", "xml"},
};

constexpr struct {
  unsigned bit;
  const char* label;
} kLayers[] = {{exchange::kLayerPoints, "Points"},
               {exchange::kLayerTraverse, "Traverse (station to station)"},
               {exchange::kLayerSightlines, "Sight lines (station to each point measured)"},
               {exchange::kLayerRecomputed, "Recomputed points"},
               {exchange::kLayerShifts, "Shifts (old to new place)"}};

QString MemoryFile() { return QString::fromStdString(SettingsFolder()) + QStringLiteral("/ZAMO/CorvaneDlg.ini"); }

QPushButton* BrowseButton(QWidget* parent, const QString& accessibleName) {
  auto* b = new QPushButton(QStringLiteral("..."), parent);
  b->setAccessibleName(accessibleName);
  return b;
}

QWidget* WithButton(QWidget* parent, QWidget* field, QPushButton* button) {
  auto* row = new QWidget(parent);
  auto* h = new QHBoxLayout(row);
  h->setContentsMargins(0, 0, 0, 0);
  h->addWidget(field, 1);
  h->addWidget(button);
  return row;
}

QDialogButtonBox* Buttons(QDialog* dialog) {
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return box;
}

}  // namespace

GisExportDialog::GisExportDialog(GuiContext& context, QWidget* parent)
    : QDialog(parent),
      context_(context),
      format_(new QComboBox(this)),
      crs_(new QLineEdit(this)),
      stations_(new QLineEdit(this)),
      stationFormat_(new QSpinBox(this)),
      path_(new QLineEdit(this)) {
  setObjectName(QStringLiteral("GisExportDialog"));
  setWindowTitle(QStringLiteral("Export to GIS"));
  for (const FormatItem& f : kFormats) format_->addItem(QString::fromLatin1(f.label));
  format_->setObjectName(QStringLiteral("GisFormat"));
  crs_->setObjectName(QStringLiteral("GisCrs"));
  crs_->setPlaceholderText(context.Setting(SettingsSection::OtherSet, "Crs", ""));
  crs_->setAccessibleDescription(
      QStringLiteral("Coordinate reference system of the job; empty for the one on the settings page"));
  stations_->setObjectName(QStringLiteral("GisStations"));
  stationFormat_->setRange(0, 6);
  stationFormat_->setObjectName(QStringLiteral("GisStationFormat"));
  path_->setObjectName(QStringLiteral("GisPath"));

  QSettings memory(MemoryFile(), QSettings::IniFormat);
  memory.beginGroup(QStringLiteral("GisExport"));
  format_->setCurrentIndex(qBound(0, memory.value(QStringLiteral("format"), 0).toInt(), int(std::size(kFormats)) - 1));
  const unsigned remembered = memory.value(QStringLiteral("layers"), exchange::kJobLayers).toUInt();
  stations_->setText(memory.value(QStringLiteral("stations")).toString());
  stationFormat_->setValue(memory.value(QStringLiteral("stationFormat"), 0).toInt());
  path_->setText(memory.value(QStringLiteral("lastPath")).toString());

  auto* layerBox = new QWidget(this);
  auto* layerColumn = new QVBoxLayout(layerBox);
  layerColumn->setContentsMargins(0, 0, 0, 0);
  for (int i = 0; i < 5; ++i) {
    layers_[i] = new QCheckBox(QString::fromLatin1(kLayers[i].label), layerBox);
    layers_[i]->setChecked(remembered & kLayers[i].bit);
    layerColumn->addWidget(layers_[i]);
    connect(layers_[i], &QCheckBox::toggled, this, &GisExportDialog::Update);
  }
  auto* browse = BrowseButton(this, QStringLiteral("Choose the output file"));
  auto* browseStations = BrowseButton(this, QStringLiteral("Choose the traverse file"));
  connect(browse, &QPushButton::clicked, this, &GisExportDialog::Browse);
  connect(browseStations, &QPushButton::clicked, this, &GisExportDialog::BrowseStations);
  connect(stations_, &QLineEdit::textChanged, this, &GisExportDialog::Update);
  connect(path_, &QLineEdit::textChanged, this, &GisExportDialog::Update);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Format"), format_);
  form->addRow(QStringLiteral("&Layers"), layerBox);
  form->addRow(QStringLiteral("&Coordinate system"), crs_);
  form->addRow(QStringLiteral("&New station coordinates"), WithButton(this, stations_, browseStations));
  form->addRow(QStringLiteral("Traverse file la&yout"), stationFormat_);
  form->addRow(QStringLiteral("&Output file"), WithButton(this, path_, browse));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(Buttons(this));
  Update();
}

void GisExportDialog::Update() {
  // The recompute's layers need new station coordinates.
  const bool recompute = !stations_->text().trimmed().isEmpty();
  for (int i = 3; i < 5; ++i) layers_[i]->setEnabled(recompute);
  stationFormat_->setEnabled(recompute);
  bool any = false;
  for (int i = 0; i < 5; ++i) any = any || (layers_[i]->isChecked() && layers_[i]->isEnabled());
  if (auto* box = findChild<QDialogButtonBox*>())
    box->button(QDialogButtonBox::Ok)->setEnabled(any && !path_->text().trimmed().isEmpty());
}

void GisExportDialog::Browse() {
  const FormatItem& f = kFormats[format_->currentIndex()];
  const QString path =
      context_.Prompts().SaveFileName(this, QString::fromLatin1(f.filter), QString::fromLatin1(f.suffix));
  if (!path.isEmpty()) path_->setText(path);
}

void GisExportDialog::BrowseStations() {
  const QString path = context_.Prompts().OpenFileName(this, QStringLiteral("*.txt;;*.*"));
  if (!path.isEmpty()) stations_->setText(path);
}

GisExportChoice GisExportDialog::Choice() const {
  GisExportChoice c;
  c.path = path_->text().trimmed();
  c.format = format_->currentIndex();
  for (int i = 0; i < 5; ++i)
    if (layers_[i]->isChecked() && layers_[i]->isEnabled()) c.layers |= kLayers[i].bit;
  c.crs = crs_->text().trimmed();
  c.stations = stations_->text().trimmed();
  c.stationFormat = stationFormat_->value();
  return c;
}

void GisExportDialog::accept() {
  const GisExportChoice c = Choice();
  if (c.path.isEmpty() || c.layers == 0) return;
  QSettings memory(MemoryFile(), QSettings::IniFormat);
  memory.beginGroup(QStringLiteral("GisExport"));
  memory.setValue(QStringLiteral("format"), c.format);
  unsigned layers = 0;
  for (int i = 0; i < 5; ++i)
    if (layers_[i]->isChecked()) layers |= kLayers[i].bit;
  memory.setValue(QStringLiteral("layers"), layers);
  memory.setValue(QStringLiteral("stations"), c.stations);
  memory.setValue(QStringLiteral("stationFormat"), c.stationFormat);
  memory.setValue(QStringLiteral("lastPath"), c.path);
  QDialog::accept();
}

GisImportDialog::GisImportDialog(GuiContext& context, QWidget* parent)
    : QDialog(parent), context_(context), path_(new QLineEdit(this)), crs_(new QLineEdit(this)) {
  setObjectName(QStringLiteral("GisImportDialog"));
  setWindowTitle(QStringLiteral("Import from GIS file"));
  static const char* const kFieldNames[] = {"GisLayer", "GisNameField", "GisCodeField", "GisHeightField"};
  static const char* const kFieldLabels[] = {"&Layer", "&Name field", "Co&de field", "&Height field"};
  QSettings memory(MemoryFile(), QSettings::IniFormat);
  memory.beginGroup(QStringLiteral("GisImport"));
  path_->setObjectName(QStringLiteral("GisPath"));
  path_->setText(memory.value(QStringLiteral("lastPath")).toString());
  crs_->setObjectName(QStringLiteral("GisFileCrs"));
  crs_->setPlaceholderText(QStringLiteral("as the file says"));
  crs_->setText(memory.value(QStringLiteral("crs")).toString());
  auto* browse = BrowseButton(this, QStringLiteral("Choose the GIS file"));
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString path = context_.Prompts().OpenFileName(
        this, QStringLiteral("GIS files (*.gpkg *.shp *.geojson *.json *.kml *.csv *.dxf *.xml);;*.*"));
    if (!path.isEmpty()) path_->setText(path);
  });
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&File"), WithButton(this, path_, browse));
  for (int i = 0; i < 4; ++i) {
    fields_[i] = new QLineEdit(this);
    fields_[i]->setObjectName(QString::fromLatin1(kFieldNames[i]));
    fields_[i]->setPlaceholderText(QStringLiteral("automatic"));
    fields_[i]->setText(memory.value(QString::fromLatin1(kFieldNames[i])).toString());
    form->addRow(QString::fromLatin1(kFieldLabels[i]), fields_[i]);
  }
  form->addRow(QStringLiteral("File's &coordinate system"), crs_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(Buttons(this));
}

GisImportChoice GisImportDialog::Choice() const {
  return {path_->text().trimmed(),      fields_[0]->text().trimmed(), fields_[1]->text().trimmed(),
          fields_[2]->text().trimmed(), fields_[3]->text().trimmed(), crs_->text().trimmed()};
}

void GisImportDialog::accept() {
  if (path_->text().trimmed().isEmpty()) return;
  QSettings memory(MemoryFile(), QSettings::IniFormat);
  memory.beginGroup(QStringLiteral("GisImport"));
  memory.setValue(QStringLiteral("lastPath"), path_->text().trimmed());
  for (int i = 0; i < 4; ++i) memory.setValue(fields_[i]->objectName(), fields_[i]->text().trimmed());
  memory.setValue(QStringLiteral("crs"), crs_->text().trimmed());
  QDialog::accept();
}

}  // namespace corvane::gui
