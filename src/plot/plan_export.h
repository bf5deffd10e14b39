#pragma once
// The plan as a file (PNG, SVG, PDF) or a printed page: the drawing with a title
// block (job, date, scale, coordinate order, points) in its lower right corner.
// In SVG every point name is a text element beside its mark.
#include <QSizeF>
#include <QString>
#include <optional>

#include "core/compute/command_result.h"
#include "plot/plan_painter.h"

class QPainter;

namespace corvane::plot {

enum class PlanFormat { Png, Svg, Pdf };
// By the file name's ending (case-blind); none for anything else.
std::optional<PlanFormat> PlanFormatOfPath(const QString& path);

struct TitleBlock {
  QString job;
  QString date;
  QString scale;  // "1:500"
  QString order;  // "NEZ" or "ENZ"
  QString points;
  QString jobLabel = QStringLiteral("Job");
  QString dateLabel = QStringLiteral("Date");
  QString scaleLabel = QStringLiteral("Scale");
  QString orderLabel = QStringLiteral("Coordinate order");
  QString pointsLabel = QStringLiteral("Points");
};

// What part of the job at what scale. A ratio of 0 fits the area to the output.
struct ExportArea {
  bool wholeJob = true;
  double ratio = 0;  // the N of 1:N
  QSizeF size;       // output size in pixels at 96 an inch; empty: the view's, or what the job needs
};

inline constexpr QSizeF kDefaultPlotSize{1600, 1131};
// Largest sides in pixels: raster images, vector pages.
inline constexpr double kMaxRasterSide = 8000;
inline constexpr double kMaxVectorSide = 19000;

// The view an export draws. `current` is the page's view (for wholeJob false).
PlanView ExportView(const PlanScene& scene, const PlanView& current, const ExportArea& area, PlanFormat format);
// The title block filled for a view: date today, scale as 1:N rounded, order
// and point counts of the scene.
TitleBlock StandardTitle(const PlanScene& scene, const PlanView& view, const QString& job);

// The drawing and its title block on a painter set up for view.size pixels.
void PaintPlanPage(QPainter& painter, const PlanScene& scene, const PlanView& view, const PlanOptions& options,
                   const TitleBlock& title);

// Writes the file (replacing it only when complete). Failure: "Open file failed!"
// with the path and the reason.
CommandResult WritePlan(const PlanScene& scene, const PlanView& view, const PlanOptions& options,
                        const TitleBlock& title, const QString& path, PlanFormat format);

}  // namespace corvane::plot
