#include "plot/plan_title.h"

#include <QDate>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "plot/plan_layout.h"

namespace corvane::plot {
namespace {

constexpr int kTitlePixels = 11;
// Names listed in the "not drawn" line; the rest are counted.
constexpr std::size_t kNotDrawnNames = 20;

double RowHeight() {
  return QFontMetricsF(PlanFont(kTitlePixels)).height() + 3;
}

}  // namespace

TitleTexts TitleTexts::FromCaptions(const CaptionReader& captions) {
  const auto read = [&](const char* key, const QString& def) {
    return FromGbkBytes(captions.Read("Plan", key, def.toStdString()));
  };
  TitleTexts t;
  t.job = read("Job", t.job);
  t.date = read("Date", t.date);
  t.scale = read("Scale", t.scale);
  t.order = read("Order", t.order);
  t.points = read("Points", t.points);
  t.notDrawnCount = read("NotDrawn", t.notDrawnCount);
  t.notDrawn = read("NotDrawnList", t.notDrawn);
  t.labelsLeftOut = read("LabelsLeftOut", t.labelsLeftOut);
  t.crs = read("Crs", t.crs);
  return t;
}

TitleBlock StandardTitle(const PlanScene& scene, const QString& job, const TitleTexts& texts) {
  TitleBlock t;
  t.texts = texts;
  t.job = job;
  t.date = QDate::currentDate().toString(Qt::ISODate);
  t.order = scene.CoordinateOrderEnz() ? QStringLiteral("ENZ") : QStringLiteral("NEZ");
  t.points = QString::number(scene.Points().size());
  const std::size_t undrawable = scene.UndrawableCount();
  if (undrawable == 0) return t;
  t.points += QStringLiteral(" (%1 %2)").arg(undrawable).arg(texts.notDrawnCount);
  QStringList names;
  for (std::uint32_t i : scene.UndrawablePoints(kNotDrawnNames)) names << LabelText(scene.Name(i));
  t.notDrawn = names.join(QStringLiteral(", "));
  const auto listed = static_cast<std::size_t>(names.size());
  if (undrawable > listed) t.notDrawn += QStringLiteral(" (+%1)").arg(undrawable - listed);
  return t;
}

QString ScaleText(const PlanView& view) {
  const double ratio = RatioForScale(view.scale);
  return QStringLiteral("1:%1").arg(ratio >= 10 ? QString::number(std::round(ratio), 'f', 0)
                                                : QString::number(ratio, 'g', 3));
}

std::vector<TitleRow> TitleRows(const TitleBlock& t, const QString& scale, std::size_t labelsLeftOut) {
  std::vector<TitleRow> rows = {{t.texts.job, t.job},
                                {t.texts.date, t.date},
                                {t.texts.scale, scale},
                                {t.texts.order, t.order},
                                {t.texts.points, t.points}};
  if (!t.notDrawn.isEmpty()) rows.push_back({t.texts.notDrawn, t.notDrawn});
  rows.push_back({t.texts.labelsLeftOut, QString::number(labelsLeftOut)});
  rows.insert(rows.end(), t.extra.begin(), t.extra.end());
  return rows;
}

double TitleBlockHeight(std::size_t rows) {
  return static_cast<double>(rows) * RowHeight() + 8;
}

QRectF PaintTitleBlock(QPainter& p, const std::vector<TitleRow>& rows, QPointF corner, double maxValueWidth) {
  const QFont font = PlanFont(kTitlePixels);
  p.setFont(font);
  const QFontMetricsF fm(font);
  double labelWidth = 0, valueWidth = 0;
  for (const TitleRow& row : rows) {
    labelWidth = std::max(labelWidth, fm.horizontalAdvance(row.label));
    valueWidth = std::max(valueWidth, fm.horizontalAdvance(row.value));
  }
  valueWidth = std::min(valueWidth, std::max(40.0, maxValueWidth));
  const double line = RowHeight();
  const QRectF box(corner.x() - labelWidth - valueWidth - 20, corner.y() - TitleBlockHeight(rows.size()),
                   labelWidth + valueWidth + 20, TitleBlockHeight(rows.size()));
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.drawRect(box);
  p.drawLine(QPointF(box.left() + labelWidth + 10, box.top()), QPointF(box.left() + labelWidth + 10, box.bottom()));
  for (size_t i = 0; i < rows.size(); ++i) {
    const double top = box.top() + 4 + line * static_cast<double>(i);
    if (i > 0) p.drawLine(QPointF(box.left(), top - 1), QPointF(box.right(), top - 1));
    const double baseline = top + 1 + fm.ascent();
    p.drawText(QPointF(box.left() + 5, baseline), rows[i].label);
    p.drawText(QPointF(box.left() + labelWidth + 15, baseline),
               fm.elidedText(rows[i].value, Qt::ElideMiddle, valueWidth));
  }
  return box;
}

}  // namespace corvane::plot
