#pragma once
// Column widths that show their text whole. The documented width of a column is
// the least it gets; it widens to its header and to the widest of the sampled
// rows (the first rows, those in view and the last one), never past a limit of
// 40 average characters: longer text is elided and shown whole in its tooltip.
// Sampling keeps the cost independent of the job's length.
#include <QString>
#include <vector>

class QTableView;

namespace corvane::gui {

// Pixels a cell needs to show `text` whole in `view` (text and the cell's margins).
int CellTextWidth(const QTableView& view, const QString& text);
// Pixels a header section needs to show `text` whole.
int HeaderTextWidth(const QTableView& view, const QString& text);
// The widest a column grows to fit its text.
int MaximumFittedWidth(const QTableView& view);

// Sets every column to max(minimum, header, sampled cells), capped by the limit
// (a column's minimum always holds). widenOnly: no column becomes narrower than
// it is (scrolling, a user's wider column).
void FitColumns(QTableView& view, const std::vector<int>& minimums, bool widenOnly);

}  // namespace corvane::gui
