#pragma once
// CTraverseDlg: the traverse of the job in the grid, adjusted as the surveyor
// asks. It shows the chain found (stations, legs, angles), takes the known
// points from the job or a control file, the method, σ and tolerances (kept in
// the settings), and shows the misclosures, 1:N and the pass/fail line, the
// residuals of a least-squares adjustment and the adjusted stations. The
// station file can be saved, the report opened, and "Recompute with these
// stations" ends the dialog so the recompute runs with them.
#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "core/grid/record_grid.h"
#include "core/traverse/traverse_types.h"
#include "gui/gui_context.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

namespace corvane::gui {

class CTraverseDlg final : public QDialog {
  Q_OBJECT
 public:
  // What exec() answers when the recompute is to run with the adjusted stations.
  static constexpr int kRecompute = 2;

  CTraverseDlg(GuiContext& context, const RecordGrid& grid, QWidget* parent = nullptr);
  ~CTraverseDlg() override;

  // The adjustment shown, or none when the job or the control file holds no
  // adjustable traverse (Message() then says why).
  const std::optional<traverse::Adjustment>& Adjustment() const { return adjustment_; }
  QString Message() const;
  // The station file of the adjustment shown ("\n" between lines).
  std::string StationFileText() const;

  QTableWidget* ChainTable() const { return chain_; }
  QTableWidget* ResidualTable() const { return residuals_; }
  QTableWidget* StationTable() const { return stations_; }
  QComboBox* MethodBox() const { return method_; }
  QRadioButton* FromJobButton() const { return fromJob_; }
  QRadioButton* FromFileButton() const { return fromFile_; }
  QLineEdit* ControlPathEdit() const { return controlPath_; }
  QSpinBox* FormatBox() const { return format_; }
  QDoubleSpinBox* SigmaAngleBox() const { return sigmaAngle_; }
  QDoubleSpinBox* SigmaMmBox() const { return sigmaMm_; }
  QDoubleSpinBox* SigmaPpmBox() const { return sigmaPpm_; }
  QDoubleSpinBox* ToleranceAngleBox() const { return toleranceAngle_; }
  QDoubleSpinBox* ToleranceRatioBox() const { return toleranceRatio_; }
  QLabel* ResultLabel() const { return result_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* ReportButton() const { return report_; }
  QPushButton* RecomputeButton() const { return recompute_; }

 public slots:
  // Reads the choices and adjusts again.
  void Compute();
  void Browse();
  void SaveStationFile();
  void ShowReport();
  void done(int result) override;

 signals:
  // An adjustment was computed (the plan page draws it).
  void adjusted(std::shared_ptr<const traverse::Adjustment> adjustment);

 private:
  QString Tr(const char* key, const char* def) const;
  void BuildLayout();
  void LoadSettings();
  void SaveSettings();
  void FillChain();
  void FillResults();
  void Clear(const QString& message);

  GuiContext& context_;
  const RecordGrid& grid_;
  std::optional<traverse::Adjustment> adjustment_;
  QString message_;

  QLabel* summary_;
  QTableWidget* chain_;
  QRadioButton* fromJob_;
  QRadioButton* fromFile_;
  QLineEdit* controlPath_;
  QPushButton* browse_;
  QSpinBox* format_;
  QComboBox* method_;
  QDoubleSpinBox* sigmaAngle_;
  QDoubleSpinBox* sigmaMm_;
  QDoubleSpinBox* sigmaPpm_;
  QDoubleSpinBox* toleranceAngle_;
  QDoubleSpinBox* toleranceRatio_;
  QLabel* result_;
  QTableWidget* residuals_;
  QTableWidget* stations_;
  QPushButton* save_;
  QPushButton* report_;
  QPushButton* recompute_;
  QPushButton* close_;
};

}  // namespace corvane::gui
