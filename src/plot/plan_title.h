#pragma once
// The title block of a plan page: job, date, scale, coordinate order, points
// (and those not drawn), labels left out, and any further lines a caller adds,
// in the caption language of the program.
#include <QRectF>
#include <QString>
#include <vector>

#include "core/settings/captions.h"
#include "plot/plan_scene.h"
#include "plot/plan_view.h"

class QPainter;

namespace corvane::plot {

// The labels of the title block; English unless read from a caption file.
struct TitleTexts {
  QString job = QStringLiteral("Job");
  QString date = QStringLiteral("Date");
  QString scale = QStringLiteral("Scale");
  QString order = QStringLiteral("Coordinate order");
  QString points = QStringLiteral("Points");
  QString notDrawnCount = QStringLiteral("not drawn");  // "11 (2 not drawn)"
  QString notDrawn = QStringLiteral("Not drawn");
  QString labelsLeftOut = QStringLiteral("Labels left out");
  QString crs = QStringLiteral("CRS");  // the job's coordinate reference system
  static TitleTexts FromCaptions(const CaptionReader& captions);
};

struct TitleRow {
  QString label;
  QString value;
};

struct TitleBlock {
  TitleTexts texts;
  QString job;
  QString date;
  QString order;     // "NEZ" or "ENZ"
  QString points;    // "11", "11 (2 not drawn)"
  QString notDrawn;  // names of the points not drawn, empty when every point is
  // Lines under the standard ones (for example the coordinate reference system).
  std::vector<TitleRow> extra;
};

// The title block of a scene: date today, the coordinate order, the point
// counts and the first names of the points not drawn.
TitleBlock StandardTitle(const PlanScene& scene, const QString& job, const TitleTexts& texts = {});
// "1:500" (rounded to whole numbers from 1:10 up).
QString ScaleText(const PlanView& view);
// The rows as printed; scale and left-out count come from the drawing.
std::vector<TitleRow> TitleRows(const TitleBlock& title, const QString& scale, std::size_t labelsLeftOut);
// Height in pixels of a block of `rows` rows.
double TitleBlockHeight(std::size_t rows);
// Draws the rows in a framed two-column box whose bottom right corner is at
// `corner`, values cut to maxValueWidth pixels; returns the box.
QRectF PaintTitleBlock(QPainter& painter, const std::vector<TitleRow>& rows, QPointF corner, double maxValueWidth);

}  // namespace corvane::plot
