#pragma once
// CPlanPage: the third page of the main window, the job as a drawing. It reads
// the data page's grid through the coordinate export's point list and follows
// every change of it; a click on a point selects its grid row, and the selected
// grid row is ringed in the drawing (and brought into view). After a recompute
// the new points are drawn beside the listed ones with their shift vectors.
#include <QDateTime>
#include <QWidget>
#include <memory>

#include "gui/gui_context.h"
#include "gui/traverse_overlay.h"
#include "plot/plan_export.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;

namespace corvane::gui {

class CDataPage;
class PlanCanvas;

class CPlanPage final : public QWidget {
  Q_OBJECT
 public:
  CPlanPage(GuiContext& context, CDataPage& dataPage, QWidget* parent = nullptr);
  ~CPlanPage() override;

  void ApplyCaptions();

  // The scene of the grid as it is now (rebuilt when the grid has changed).
  const plot::PlanScene& Scene();
  PlanCanvas* Canvas() const { return canvas_; }
  QComboBox* ShiftBox() const { return shift_; }
  QCheckBox* CodeBox() const { return code_; }
  QCheckBox* HeightBox() const { return height_; }
  QPushButton* FitButton() const { return fit_; }
  QPushButton* ExportButton() const { return export_; }
  QPushButton* PrintButton() const { return print_; }
  // The point ringed for the grid's current row, or -1.
  int HighlightedPoint();

  // Adds the points of a recompute with the data page's station table.
  void ShowRecompute();
  // Shift vectors drawn this many times their length (0 hides them).
  void SetShiftExaggeration(double factor);
  // Draws an adjusted traverse over the job until the grid changes.
  void ShowTraverse(std::shared_ptr<const traverse::Adjustment> adjustment);
  bool TraverseShown() const { return traverse_.has_value(); }
  QComboBox* TraverseScaleBox() const { return traverseScale_; }

  // Writes the drawing; area, scale and paper as the export dialog gives them.
  CommandResult ExportTo(const QString& path, const plot::ExportArea& area);
  // Prints the whole job on the printer's page, at a standard scale.
  void PrintTo(QPrinter& printer);
  // The title block of an export: the job named by its file, as a download, or
  // as not saved; labels in the caption language.
  plot::TitleBlock Title();

  // Bytes the page holds for the drawing.
  size_t OwnMemoryBytes() const;

 private:
  void GridChanged();
  void CurrentRowChanged();
  void PointClicked(int point);
  void ExportCommand();
  void PrintCommand();
  void DownloadArrived();
  void GridReset();
  QString JobTitle() const;
  // "11", or "11 (2 not drawn)" in the caption language.
  QString PointCount() const;

  GuiContext& context_;
  CDataPage& dataPage_;
  plot::PlanScene scene_;
  bool dirty_ = true;
  bool recomputeShown_ = false;
  QDateTime downloadedAt_;  // when the job in the grid came from the instrument
  PlanCanvas* canvas_;
  QPushButton* fit_;
  QCheckBox* code_;
  QCheckBox* height_;
  QLabel* shiftLabel_;
  QComboBox* shift_;
  QLabel* traverseLabel_;
  QComboBox* traverseScale_;
  std::optional<TraverseOverlay> traverse_;
  QPushButton* export_;
  QPushButton* print_;
  QLabel* status_;
};

}  // namespace corvane::gui
