#include "plot/plan_export.h"

#include <QDate>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>

#include "core/file_texts.h"
#include "plot/durable_device.h"

namespace corvane::plot {
namespace {

constexpr double kMargin = 40;
constexpr double kTitleHeight = 90;  // room kept below a fitted drawing

QSizeF Clamped(QSizeF size, PlanFormat format) {
  const double most = format == PlanFormat::Png ? kMaxRasterSide : kMaxVectorSide;
  const auto side = [most](double v) { return std::clamp(std::isfinite(v) ? std::round(v) : most, 200.0, most); };
  return {side(size.width()), side(size.height())};
}

void PaintTitleBlock(QPainter& p, const PlanView& view, const TitleBlock& t) {
  const QString rows[5][2] = {{t.jobLabel, t.job},
                              {t.dateLabel, t.date},
                              {t.scaleLabel, t.scale},
                              {t.orderLabel, t.order},
                              {t.pointsLabel, t.points}};
  QFont font = p.font();
  font.setPixelSize(11);
  p.setFont(font);
  const QFontMetricsF fm(font);
  double labelWidth = 0, valueWidth = 0;
  for (const auto& row : rows) {
    labelWidth = std::max(labelWidth, fm.horizontalAdvance(row[0]));
    valueWidth = std::max(valueWidth, fm.horizontalAdvance(row[1]));
  }
  valueWidth = std::min(valueWidth, std::max(80.0, view.size.width() / 2));
  const double line = fm.height() + 2;
  const QRectF box(view.size.width() - labelWidth - valueWidth - 30, view.size.height() - 5 * line - 16,
                   labelWidth + valueWidth + 20, 5 * line + 8);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawRect(box);
  p.drawLine(QPointF(box.left() + labelWidth + 10, box.top()), QPointF(box.left() + labelWidth + 10, box.bottom()));
  for (int i = 0; i < 5; ++i) {
    const double y = box.top() + 4 + line * i + fm.ascent();
    if (i > 0) p.drawLine(QPointF(box.left(), y - fm.ascent() - 2), QPointF(box.right(), y - fm.ascent() - 2));
    p.drawText(QPointF(box.left() + 5, y), rows[i][0]);
    p.drawText(QPointF(box.left() + labelWidth + 15, y), fm.elidedText(rows[i][1], Qt::ElideMiddle, valueWidth));
  }
}

}  // namespace

std::optional<PlanFormat> PlanFormatOfPath(const QString& path) {
  if (path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) return PlanFormat::Png;
  if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) return PlanFormat::Svg;
  if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) return PlanFormat::Pdf;
  return std::nullopt;
}

PlanView ExportView(const PlanScene& scene, const PlanView& current, const ExportArea& area, PlanFormat format) {
  const PlanExtent& extent = scene.Extent();
  if (!area.wholeJob) {
    PlanView view = current;
    if (!area.size.isEmpty()) view.size = Clamped(area.size, format);
    if (area.ratio > 0) view.scale = ScaleForRatio(area.ratio);
    return view;
  }
  if (area.ratio <= 0) {
    const QSizeF size = Clamped(area.size.isEmpty() ? kDefaultPlotSize : area.size, format);
    PlanView view = FitView(extent, QSizeF(size.width(), size.height() - kTitleHeight), kMargin);
    view.size = size;
    view.centerNorth -= kTitleHeight / 2 / view.scale;  // the drawing above the title block
    return view;
  }
  PlanView view = FitView(extent, kDefaultPlotSize, kMargin);
  view.scale = ScaleForRatio(area.ratio);
  QSizeF size = area.size;
  if (size.isEmpty()) {
    const double w = extent.empty ? 0 : (extent.maxEast - extent.minEast) * view.scale;
    const double h = extent.empty ? 0 : (extent.maxNorth - extent.minNorth) * view.scale;
    size = QSizeF(w + 2 * kMargin, h + 2 * kMargin + kTitleHeight);
  }
  view.size = Clamped(size, format);
  view.centerNorth -= kTitleHeight / 2 / view.scale;
  return view;
}

TitleBlock StandardTitle(const PlanScene& scene, const PlanView& view, const QString& job) {
  TitleBlock t;
  t.job = job;
  t.date = QDate::currentDate().toString(Qt::ISODate);
  const double ratio = RatioForScale(view.scale);
  t.scale = QStringLiteral("1:%1").arg(ratio >= 10 ? QString::number(std::round(ratio), 'f', 0)
                                                   : QString::number(ratio, 'g', 3));
  t.order = scene.CoordinateOrderEnz() ? QStringLiteral("ENZ") : QStringLiteral("NEZ");
  t.points = QString::number(scene.Points().size());
  if (scene.UndrawableCount() > 0) t.points += QStringLiteral(" (%1 not drawn)").arg(scene.UndrawableCount());
  return t;
}

void PaintPlanPage(QPainter& painter, const PlanScene& scene, const PlanView& view, const PlanOptions& options,
                   const TitleBlock& title) {
  PaintPlan(painter, scene, view, options);
  PaintTitleBlock(painter, view, title);
}

CommandResult WritePlan(const PlanScene& scene, const PlanView& view, const PlanOptions& options,
                        const TitleBlock& title, const QString& path, PlanFormat format) {
  const auto failure = [&](const QString& reason) {
    return CommandResult::Failure(kOpenFileFailed,
                                  QFile::encodeName(path + QStringLiteral(": ") + reason).toStdString());
  };
  if (path.isEmpty()) return failure(QStringLiteral("no file name"));
  DurableFileDevice file(path);
  if (!file.open(QIODevice::WriteOnly)) return failure(file.errorString());
  const QSize size = view.size.toSize();
  bool painted = false;
  if (format == PlanFormat::Png) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return failure(QStringLiteral("not enough memory for the image"));
    {
      QPainter painter(&image);
      PaintPlanPage(painter, scene, view, options, title);
    }
    QImageWriter writer(&file, "png");
    painted = writer.write(image);
    if (!painted) return failure(writer.errorString());
  } else if (format == PlanFormat::Svg) {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(96);
    svg.setTitle(title.job);
    QPainter painter;
    painted = painter.begin(&svg);
    if (painted) PaintPlanPage(painter, scene, view, options, title);
  } else {
    QPdfWriter pdf(&file);
    pdf.setResolution(96);
    pdf.setTitle(title.job);
    pdf.setPageSize(
        QPageSize(QSizeF(view.size.width() / kPixelsPerMillimetre, view.size.height() / kPixelsPerMillimetre),
                  QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    painted = painter.begin(&pdf);
    if (painted) {
      painter.scale(pdf.width() / view.size.width(), pdf.height() / view.size.height());
      PaintPlanPage(painter, scene, view, options, title);
    }
  }
  if (!painted) return failure(QStringLiteral("the drawing could not be started"));
  if (!file.commit()) return failure(file.errorString());
  CommandResult done;
  done.filesToOpen.push_back(QFile::encodeName(path).toStdString());
  return done;
}

}  // namespace corvane::plot
