// "Adjust traverse…" of the grid's context menu: the traverse dialog over the
// grid, its adjustment handed to the plan, and the recompute run with the
// adjusted stations when the surveyor asks for it.
#include "core/traverse/traverse_types.h"
#include "gui/data_page.h"
#include "gui/traverse_dlg.h"

namespace corvane::gui {

void CDataPage::AdjustTraverseCommand() {
  std::string stationFile;
  {
    CTraverseDlg dialog(context_, grid_, this);
    std::shared_ptr<const traverse::Adjustment> last;
    connect(&dialog, &CTraverseDlg::adjusted, this,
            [&last](std::shared_ptr<const traverse::Adjustment> adjustment) { last = std::move(adjustment); });
    const int result = traverseDialogRunner_(dialog);
    if (last && dialog.Adjustment()) emit traverseAdjusted(last);
    if (result != CTraverseDlg::kRecompute || !dialog.Adjustment()) return;
    stationFile = dialog.StationFileText();
  }
  // The station dialog pairs its lines with the job's station and backsight rows
  // as they are now.
  stationListValid_ = 0;
  RunRecompute(&stationFile);
}

}  // namespace corvane::gui
