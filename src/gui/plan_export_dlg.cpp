#include "gui/plan_export_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>

namespace corvane::gui {

CPlanExportDlg::CPlanExportDlg(GuiContext& context, QWidget* parent)
    : QDialog(parent), area_(new QComboBox(this)), scale_(new QComboBox(this)), paper_(new QComboBox(this)) {
  setObjectName(QStringLiteral("CPlanExportDlg"));
  setWindowTitle(context.Caption("Plan", "Export", "Export..."));
  area_->addItem(context.Caption("Plan", "WholeJob", "Whole job"));
  area_->addItem(context.Caption("Plan", "CurrentView", "Current view"));
  for (int ratio : kPlanScales)
    scale_->addItem(ratio == 0 ? context.Caption("Plan", "FitPage", "Fit to the page")
                               : QStringLiteral("1:%1").arg(ratio));
  paper_->addItem(context.Caption("Plan", "PaperAuto", "A4, or A3 when needed"));
  paper_->addItem(QStringLiteral("A4"));
  paper_->addItem(QStringLiteral("A3"));
  auto* form = new QFormLayout(this);  // each box labelled by its own label (the form sets the buddies)
  form->addRow(context.Caption("Plan", "Area", "Area"), area_);
  form->addRow(context.Caption("Plan", "Scale", "Scale"), scale_);
  form->addRow(context.Caption("Plan", "Paper", "PDF sheet"), paper_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

plot::ExportArea CPlanExportDlg::Area() const {
  plot::ExportArea area;
  area.wholeJob = area_->currentIndex() == 0;
  const int i = scale_->currentIndex();
  area.ratio = i >= 0 && i < static_cast<int>(std::size(kPlanScales)) ? kPlanScales[i] : 0;
  area.paper = paper_->currentIndex() == 1   ? plot::Paper::A4
               : paper_->currentIndex() == 2 ? plot::Paper::A3
                                             : plot::Paper::Automatic;
  return area;
}

}  // namespace corvane::gui
