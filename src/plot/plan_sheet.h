#pragma once
// The page of an exported or printed plan: the drawing inside a frame, the
// grid's numbers outside the frame, and below it a band with the north arrow,
// the scale bar and the title block, so that nothing but the drawing sits on
// the data. A PDF is an ISO A4 or A3 sheet turned to suit the drawing, at a
// standard map scale when the drawing is fitted.
#include <QRectF>
#include <QSizeF>

#include "plot/plan_painter.h"
#include "plot/plan_title.h"

namespace corvane::plot {

enum class PlanFormat { Png, Svg, Pdf };
enum class Paper { Automatic, A4, A3 };

// What part of the job at what scale. A ratio of 0 fits the area to the page.
struct ExportArea {
  bool wholeJob = true;
  double ratio = 0;                // the N of 1:N
  QSizeF size;                     // PNG and SVG: pixels at 96 an inch; empty: the view's, or what the job needs
  Paper paper = Paper::Automatic;  // PDF: Automatic is A4 for a fit, else the smaller sheet that holds the drawing
};

inline constexpr QSizeF kDefaultPlotSize{1600, 1131};
// Largest sides in pixels: raster images, vector pages.
inline constexpr double kMaxRasterSide = 8000;
inline constexpr double kMaxVectorSide = 19000;

struct PlanSheet {
  QSizeF page;                     // pixels at 96 an inch
  QRectF map;                      // the drawing's frame on the page
  QRectF band;                     // below the frame: north arrow, scale bar, title block
  PlanView view;                   // the drawing inside the frame (view.size is map.size())
  Paper paper = Paper::Automatic;  // the ISO sheet of a PDF; Automatic: a page in pixels
  bool landscape = true;
};

// The sheet of an export. `current` is the page's view (for wholeJob false);
// the band is as high as the title block's rows need.
PlanSheet ExportSheet(const PlanScene& scene, const PlanView& current, const ExportArea& area, PlanFormat format,
                      const TitleBlock& title);
// The sheet on a page of a given size in pixels (a printer's printable area),
// fitted at a standard scale unless the area names one.
PlanSheet SheetOnPage(const PlanScene& scene, const PlanView& current, const ExportArea& area, QSizeF page,
                      const TitleBlock& title);
// An ISO sheet in pixels at 96 an inch.
QSizeF PaperPixels(Paper paper, bool landscape);

// Draws the whole page; the title block gets the scale of the drawing and the
// count of labels left out. Never the screen's selection ring.
PlanLayout PaintPlanPage(QPainter& painter, const PlanScene& scene, const PlanSheet& sheet, const PlanOptions& options,
                         const TitleBlock& title);

}  // namespace corvane::plot
