#include "gui/column_fit.h"

#include <QHeaderView>
#include <QStyle>
#include <QTableView>
#include <algorithm>

namespace corvane::gui {
namespace {

// The first rows of a job are its header lines and first set-ups: always measured.
constexpr int kFirstRows = 200;
constexpr int kMaximumCharacters = 40;

}  // namespace

int CellTextWidth(const QTableView& view, const QString& text) {
  // The item delegate leaves (focus frame margin + 1) on each side of the text,
  // the grid line takes a pixel, and the text's own width may be a fraction over
  // its rounded advance.
  const int margin = view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
  return view.fontMetrics().horizontalAdvance(text) + 2 * margin + 3;
}

int HeaderTextWidth(const QTableView& view, const QString& text) {
  const QHeaderView* header = view.horizontalHeader();
  const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
  return header->fontMetrics().horizontalAdvance(text) + 2 * margin + 2;
}

int MaximumFittedWidth(const QTableView& view) {
  return view.fontMetrics().averageCharWidth() * kMaximumCharacters;
}

void FitColumns(QTableView& view, const std::vector<int>& minimums, bool widenOnly) {
  const QAbstractItemModel* model = view.model();
  if (!model) return;
  const int cols = std::min(model->columnCount(), static_cast<int>(minimums.size()));
  const int rows = model->rowCount();
  std::vector<int> widths(static_cast<size_t>(cols));
  for (int c = 0; c < cols; ++c)
    widths[static_cast<size_t>(c)] =
        std::max(minimums[static_cast<size_t>(c)],
                 HeaderTextWidth(view, model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()));
  const auto measure = [&](int row) {
    for (int c = 0; c < cols; ++c) {
      const QString text = model->data(model->index(row, c), Qt::DisplayRole).toString();
      if (!text.isEmpty())
        widths[static_cast<size_t>(c)] = std::max(widths[static_cast<size_t>(c)], CellTextWidth(view, text));
    }
  };
  const int first = std::min(rows, kFirstRows);
  for (int r = 0; r < first; ++r) measure(r);
  // The rows in view (before the view is laid out: as many as a screen shows).
  int top = view.rowAt(0);
  int bottom = view.rowAt(view.viewport()->height() - 1);
  if (top < 0) top = 0;
  if (bottom < 0) bottom = std::min(rows - 1, top + 100);
  for (int r = std::max(top, first); r <= bottom && r < rows; ++r) measure(r);
  // The last row carries the widest row number.
  if (rows > first) measure(rows - 1);

  const int limit = MaximumFittedWidth(view);
  for (int c = 0; c < cols; ++c) {
    int width = std::min(widths[static_cast<size_t>(c)], std::max(limit, minimums[static_cast<size_t>(c)]));
    if (widenOnly) width = std::max(width, view.columnWidth(c));
    if (width != view.columnWidth(c)) view.setColumnWidth(c, width);
  }
}

}  // namespace corvane::gui
