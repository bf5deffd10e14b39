#include "plot/plan_export.h"

#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include "core/file_texts.h"
#include "plot/durable_device.h"

namespace corvane::plot {

std::optional<PlanFormat> PlanFormatOfPath(const QString& path) {
  if (path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) return PlanFormat::Png;
  if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) return PlanFormat::Svg;
  if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) return PlanFormat::Pdf;
  return std::nullopt;
}

CommandResult WritePlan(const PlanScene& scene, const PlanSheet& sheet, const PlanOptions& options,
                        const TitleBlock& title, const QString& path, PlanFormat format) {
  const auto failure = [&](const QString& reason) {
    return CommandResult::Failure(kOpenFileFailed,
                                  QFile::encodeName(path + QStringLiteral(": ") + reason).toStdString());
  };
  if (path.isEmpty()) return failure(QStringLiteral("no file name"));
  DurableFileDevice file(path);
  if (!file.open(QIODevice::WriteOnly)) return failure(file.errorString());
  const QSize size = sheet.page.toSize();
  bool painted = false;
  if (format == PlanFormat::Png) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return failure(QStringLiteral("not enough memory for the image"));
    {
      QPainter painter(&image);
      PaintPlanPage(painter, scene, sheet, options, title);
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
    if (painted) PaintPlanPage(painter, scene, sheet, options, title);
  } else {
    QPdfWriter pdf(&file);
    pdf.setResolution(96);
    pdf.setTitle(title.job);
    pdf.setCreator(QStringLiteral("Corvane480"));
    pdf.setPageSize(sheet.paper == Paper::A3   ? QPageSize(QPageSize::A3)
                    : sheet.paper == Paper::A4 ? QPageSize(QPageSize::A4)
                                               : QPageSize(sheet.page / kPixelsPerMillimetre, QPageSize::Millimeter,
                                                           QString(), QPageSize::ExactMatch));
    pdf.setPageOrientation(sheet.paper != Paper::Automatic && sheet.landscape ? QPageLayout::Landscape
                                                                              : QPageLayout::Portrait);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    painted = painter.begin(&pdf);
    if (painted) PaintPlanPage(painter, scene, sheet, options, title);
  }
  if (!painted) return failure(QStringLiteral("the drawing could not be started"));
  if (!file.commit()) return failure(file.errorString());
  CommandResult done;
  done.filesToOpen.push_back(QFile::encodeName(path).toStdString());
  return done;
}

}  // namespace corvane::plot
