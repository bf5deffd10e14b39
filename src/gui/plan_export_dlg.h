#pragma once
// The plan page's export dialog: the current view or the whole job, the scale
// (fit to the page, or 1:100 ... 1:10000) and the sheet of a PDF.
#include <QDialog>

#include "gui/gui_context.h"
#include "plot/plan_export.h"

class QComboBox;

namespace corvane::gui {

class CPlanExportDlg final : public QDialog {
  Q_OBJECT
 public:
  CPlanExportDlg(GuiContext& context, QWidget* parent = nullptr);
  plot::ExportArea Area() const;
  QComboBox* AreaBox() const { return area_; }
  QComboBox* ScaleBox() const { return scale_; }
  QComboBox* PaperBox() const { return paper_; }

 private:
  QComboBox* area_;
  QComboBox* scale_;
  QComboBox* paper_;
};

// The map scales offered: 0 fits the drawing to the page.
inline constexpr int kPlanScales[] = {0, 100, 200, 250, 500, 1000, 2000, 2500, 5000, 10000};

}  // namespace corvane::gui
