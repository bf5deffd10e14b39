#pragma once
// The two dialogs of the GIS exchange on the data page: "Export to GIS..."
// (format, layers, coordinate system, new station coordinates, output file) and
// "Import from GIS file..." (file, layer, fields, the file's coordinate system).
// Both remember their last choices.
#include <QDialog>
#include <QString>

#include "gui/gui_context.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace corvane::gui {

struct GisExportChoice {
  QString path;
  int format = 0;        // exchange::GisFormat
  unsigned layers = 0;   // exchange::GisLayer bits
  QString crs;           // empty: the job's "Crs" setting
  QString stations;      // traverse file with new station coordinates; empty for none
  int stationFormat = 0; // its layout code (0..6)
};

class GisExportDialog final : public QDialog {
  Q_OBJECT
 public:
  GisExportDialog(GuiContext& context, QWidget* parent = nullptr);
  GisExportChoice Choice() const;

  QComboBox* Format() const { return format_; }
  QCheckBox* Layer(int i) const { return layers_[i]; }
  QLineEdit* Crs() const { return crs_; }
  QLineEdit* Stations() const { return stations_; }
  QLineEdit* Path() const { return path_; }
  void accept() override;

 private:
  void Browse();
  void BrowseStations();
  void Update();

  GuiContext& context_;
  QComboBox* format_;
  QCheckBox* layers_[5];
  QLineEdit* crs_;
  QLineEdit* stations_;
  QSpinBox* stationFormat_;
  QLineEdit* path_;
};

struct GisImportChoice {
  QString path;
  QString layer, nameField, codeField, heightField;
  QString crs;  // the file's CRS; empty: as the file says
};

class GisImportDialog final : public QDialog {
  Q_OBJECT
 public:
  GisImportDialog(GuiContext& context, QWidget* parent = nullptr);
  GisImportChoice Choice() const;

  QLineEdit* Path() const { return path_; }
  QLineEdit* Field(int i) const { return fields_[i]; }  // layer, name, code, height
  QLineEdit* Crs() const { return crs_; }
  void accept() override;

 private:
  GuiContext& context_;
  QLineEdit* path_;
  QLineEdit* fields_[4];
  QLineEdit* crs_;
};

}  // namespace corvane::gui
