#pragma once
// CStationImportDlg: the station and backsight entries of the recompute in a
// grid with fixed headers. Inport loads new coordinates from a traverse file,
// Save as writes the list, OK writes the rows back into the station table and
// Cancel leaves it as it was. The cells cannot be edited one by one.
#include <QAbstractTableModel>
#include <QDialog>

#include "core/compute/station_import.h"
#include "core/compute/station_table.h"
#include "gui/gui_context.h"

class QPushButton;
class QTableView;

namespace corvane::gui {

// The dialog's grid for Qt's view: row 0 (the fixed headers) is the horizontal
// header; model row i is grid row i + 1.
class StationGridModel final : public QAbstractTableModel {
 public:
  explicit StationGridModel(const StationImportModel& grid, QObject* parent = nullptr)
      : QAbstractTableModel(parent), grid_(grid) {}
  // The grid changed as a whole (Inport).
  void Reload() {
    beginResetModel();
    endResetModel();
  }
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const StationImportModel& grid_;
};

class CStationImportDlg final : public QDialog {
  Q_OBJECT
 public:
  CStationImportDlg(GuiContext& context, StationTable& table, QWidget* parent = nullptr);

  const StationImportModel& Grid() const { return grid_; }
  QTableView* View() const { return view_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  QPushButton* InportButton() const { return inport_; }
  QPushButton* SaveAsButton() const { return saveAs_; }
  // Imports lines held in memory as Inport imports a file's, before the dialog shows.
  void Preload(int format, const std::string& lines);

 public slots:
  void Inport();
  void SaveAs();
  void accept() override;

 private:
  void ApplyColumnWidths();
  void ShowResult(const CommandResult& result);

  GuiContext& context_;
  StationTable& table_;
  StationImportModel grid_;
  StationGridModel model_;
  QTableView* view_;
  QPushButton* ok_;
  QPushButton* cancel_;
  QPushButton* inport_;
  QPushButton* saveAs_;
};

}  // namespace corvane::gui
