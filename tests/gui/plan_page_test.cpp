// The plan page: follows the grid, selection both ways, recompute shifts,
// export and print of the drawing.
#include "gui/plan_page.h"

#include <QComboBox>
#include <QDate>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPrinter>
#include <QTabWidget>
#include <QTest>
#include <cmath>
#include <functional>

#include "core/compute/station_table.h"
#include "grid_helpers.h"
#include "gui/main_dlg.h"
#include "gui/plan_canvas.h"
#include "gui/transfer_pages.h"
#include "gui_fixture.h"

namespace corvane::guitest {
namespace {

const char* const kJob =
    "ZAMO RECORD FILE\r\n"
    "CoorType:NEZ\r\n"
    "U,ST,S1,0,0,0,1000.000,2000.000,50.000,1.5,0,STN\r\n"
    "U,BS,B1,0,0,0,1100.000,2000.000,51.000,0,1.6,BKB\r\n"
    "U,DP,P1,100,90.0000,90.0000,0,0,0,0,1.5,TREE\r\n"
    "U,MP,M1,0,0,0,1010.000,2010.000,52.000,0,0,KERB\r\n";

class PlanPageTest : public GuiFixture {
 protected:
  void Open(gui::CMainDlg& w) {
    const std::string job = files_.File("job.kvm");
    testing::WriteBytes(job, kJob);
    w.DataPage()->OpenPath(QString::fromStdString(job));
    w.Tabs()->setCurrentIndex(2);
    ShowActive(w);
    QTest::qWait(10);
  }
  static int CurrentGridRow(gui::CMainDlg& w) {
    return gui::RecordGridModel::GridRow(w.DataPage()->View()->selectionModel()->currentIndex());
  }
  static QPoint PixelOf(gui::CPlanPage& page, int point) {
    const auto& p = page.Scene().Points()[static_cast<size_t>(point)];
    return page.Canvas()->View().ToPixel(p.east, p.north).toPoint();
  }
};

TEST_F(PlanPageTest, FollowsEveryChangeOfTheGrid) {
  gui::CMainDlg w(*context_);
  ASSERT_EQ(w.Tabs()->count(), 3);
  EXPECT_EQ(w.Tabs()->tabText(2), QStringLiteral("Plan"));
  gui::CPlanPage& page = *w.PlanPage();
  EXPECT_TRUE(page.Scene().Points().empty());
  Open(w);
  ASSERT_EQ(page.Scene().Points().size(), 4u);
  EXPECT_EQ(page.Scene().Points()[2].east, 2100.0);
  // An edit moves the point; the canvas repaints without a button.
  w.DataPage()->Model().SetCell(6, 8, "2030.000");
  EXPECT_EQ(page.Scene().Points()[3].east, 2030.0);
  EXPECT_EQ(page.Canvas()->PointText(3), QStringLiteral("M1  KERB\nN=1010.000  E=2030.000  Z=52.000"));
  w.DataPage()->ClearGrid();
  EXPECT_TRUE(page.Scene().Points().empty());
  QTest::qWait(10);  // the empty page paints
}

TEST_F(PlanPageTest, ClickSelectsTheGridRowAndTheGridRowIsRinged) {
  gui::CMainDlg w(*context_);
  Open(w);
  gui::CPlanPage& page = *w.PlanPage();
  page.Canvas()->Fit();
  // Plan to grid: a click on M1 (grid row 6) makes it the grid's current row.
  QTest::mouseClick(page.Canvas(), Qt::LeftButton, {}, PixelOf(page, 3) + QPoint(2, 1));
  EXPECT_EQ(CurrentGridRow(w), 6);
  EXPECT_EQ(page.HighlightedPoint(), 3);
  // A click on empty ground changes nothing; a drag pans instead of selecting.
  QTest::mouseClick(page.Canvas(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(CurrentGridRow(w), 6);
  // Grid to plan: the current row's point is ringed (in the drawing too).
  gui::RecordGridView* view = w.DataPage()->View();
  view->selectionModel()->setCurrentIndex(w.DataPage()->Model().IndexOf(5, 3), QItemSelectionModel::ClearAndSelect);
  EXPECT_EQ(page.HighlightedPoint(), 2);
  EXPECT_EQ(page.Canvas()->Options().highlight, 2);
  const QImage shot = page.Canvas()->grab().toImage();
  int red = 0;  // of eight places on the ring
  for (int k = 0; k < 8; ++k) {
    const QPoint at = PixelOf(page, 2) + QPointF(9 * std::cos(k * M_PI / 4), 9 * std::sin(k * M_PI / 4)).toPoint();
    const QRgb c = shot.pixel(at);
    red += qRed(c) > 150 && qGreen(c) < 110 && qBlue(c) < 110;
  }
  EXPECT_GE(red, 6) << "the red ring";
  view->selectionModel()->setCurrentIndex(w.DataPage()->Model().IndexOf(1, 3), QItemSelectionModel::ClearAndSelect);
  EXPECT_EQ(page.HighlightedPoint(), -1);  // the header line is no point
}

TEST_F(PlanPageTest, WheelZoomKeepsTheGroundUnderThePointerAndKeysZoom) {
  gui::CMainDlg w(*context_);
  Open(w);
  gui::PlanCanvas* canvas = w.PlanPage()->Canvas();
  canvas->Fit();
  const QPointF at(120, 90);
  const plot::PlanView before = canvas->View();
  QWheelEvent wheel(at, canvas->mapToGlobal(at), {}, QPoint(0, 240), Qt::NoButton, {}, Qt::NoScrollPhase, false);
  QApplication::sendEvent(canvas, &wheel);
  const plot::PlanView after = canvas->View();
  EXPECT_GT(after.scale, before.scale);
  EXPECT_NEAR(after.EastAt(at.x()), before.EastAt(at.x()), 1e-9);
  EXPECT_NEAR(after.NorthAt(at.y()), before.NorthAt(at.y()), 1e-9);
  QTest::keyClick(canvas, Qt::Key_Minus);
  EXPECT_NEAR(canvas->View().scale, after.scale / 1.25, 1e-9);
  QTest::keyClick(canvas, Qt::Key_Home);
  EXPECT_TRUE(canvas->Fitted());
}

TEST_F(PlanPageTest, RecomputeShowsShiftVectorsAndExportsAndPrints) {
  gui::CMainDlg w(*context_);
  Open(w);
  gui::CPlanPage& page = *w.PlanPage();
  StationTable& table = w.DataPage()->Stations();
  ASSERT_TRUE(ScanStations(w.DataPage()->Grid(), table).Done());
  table.MutableEntry(1).east = "2002";  // the whole set-up 2 m east
  table.MutableEntry(2).east = "2002";
  emit w.DataPage()->recomputed();
  ASSERT_EQ(page.Scene().Shifts().size(), 2u);    // S1 and P1
  EXPECT_EQ(page.ShiftBox()->currentIndex(), 1);  // shown at 1x
  page.ShiftBox()->setCurrentIndex(3);            // 100x
  const plot::PlanView view = page.Canvas()->View();
  for (const plot::PlanShift& s : page.Scene().Shifts())
    EXPECT_NEAR(plot::ShiftArrow(page.Scene(), s, view, page.Canvas()->Options().shiftExaggeration).length(),
                2 * 100 * view.scale, 1e-6);

  // Export of the whole job at 1:500 and of the view; printing to a PDF file.
  plot::ExportArea whole;
  whole.ratio = 500;
  const std::string svg = files_.File("plan.svg"), png = files_.File("view.png"), printed = files_.File("print.pdf");
  ASSERT_TRUE(page.ExportTo(QString::fromStdString(svg), whole).Done());
  EXPECT_NE(testing::ReadBytes(svg).find(">job.kvm<"), std::string::npos) << "the title block names the job";
  EXPECT_NE(testing::ReadBytes(svg).find(">1:500<"), std::string::npos);
  plot::ExportArea current;
  current.wholeJob = false;
  ASSERT_TRUE(page.ExportTo(QString::fromStdString(png), current).Done());
  EXPECT_EQ(QImage(QString::fromStdString(png)).size(), page.Canvas()->size());
  EXPECT_EQ(page.ExportTo(QString::fromStdString(files_.File("no/such/x.png")), current).message, "Open file failed!");
  // The tooltip gives the shift of a point in the job's order while shifts show.
  EXPECT_TRUE(page.Canvas()->PointText(2).endsWith(QStringLiteral("\u0394N=+0.000  \u0394E=+2.000  \u0394H=+0.000")))
      << page.Canvas()->PointText(2).toStdString();
  page.ShiftBox()->setCurrentIndex(0);
  EXPECT_FALSE(page.Canvas()->PointText(2).contains(QStringLiteral("\u0394")));
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(printed));
  page.PrintTo(printer);
  EXPECT_TRUE(testing::ReadBytes(printed).starts_with("%PDF"));
  // An edit of the grid drops the recompute: it belonged to the job as it was.
  w.DataPage()->Model().SetCell(5, 4, "90");
  EXPECT_TRUE(page.Scene().Shifts().empty());
}

TEST_F(PlanPageTest, TitleBlockNamesTheJobInTheCaptionLanguage) {
  UseProgramFolder(Captions::Installed, true);
  gui::CMainDlg w(*context_);
  w.SwitchLanguage(1);
  gui::CPlanPage& page = *w.PlanPage();
  const struct Step {
    const char* what;
    std::function<void()> act;
    QString job;
  } steps[] = {
      {"start", [] {}, QStringLiteral("Not saved")},
      {"open", [&] { Open(w); }, QStringLiteral("job.kvm")},
      {"download", [&] { emit w.DataPage()->ComPage()->downloadComplete(QByteArray(kJob)); },
       QStringLiteral("Downloaded ") + QDate::currentDate().toString(Qt::ISODate)},
      {"edit", [&] { w.DataPage()->Model().SetCell(4, 3, "S9"); }, QStringLiteral("Downloaded ")},
      {"clear", [&] { w.DataPage()->ClearGrid(); }, QStringLiteral("Not saved")},
      {"USB download", [&] { emit w.DataPage()->UsbPage()->downloadComplete(QByteArray(kJob)); },
       QStringLiteral("Downloaded ")},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_TRUE(page.Title().job.startsWith(step.job)) << step.what << ": " << page.Title().job.toStdString();
  }
  EXPECT_EQ(page.Title().texts.job, QStringLiteral("Job"));
  w.SwitchLanguage(0);
  EXPECT_EQ(page.Title().texts.job, QStringLiteral("\u4F5C\u4E1A"));
  EXPECT_TRUE(page.Title().job.endsWith(QStringLiteral("\u4E0B\u8F7D")));
}

TEST_F(PlanPageTest, CanvasFollowsTheSelectionAndIsReadableByKeyboardAndAssistiveTechnology) {
  gui::CMainDlg w(*context_);
  Open(w);
  gui::CPlanPage& page = *w.PlanPage();
  gui::PlanCanvas* canvas = page.Canvas();
  canvas->Fit();
  canvas->repaint();
  EXPECT_TRUE(canvas->accessibleName().contains(QStringLiteral(": 4 points, scale 1:")))
      << canvas->accessibleName().toStdString();
  EXPECT_EQ(canvas->accessibleName().section(QStringLiteral("scale "), 1), plot::ScaleText(canvas->View()));
  int labels = 0;  // the shift box is labelled by its own label
  for (const QLabel* label : page.findChildren<QLabel*>()) labels += label->buddy() == page.ShiftBox();
  EXPECT_EQ(labels, 1);

  // Zoomed in on S1 so that M1 (10 m east, 10 m north) is off screen: selecting
  // S1 leaves the view alone, selecting M1 brings it into view at the same scale.
  plot::PlanView close = canvas->View();
  close.centerEast = 2000;
  close.centerNorth = 1000;
  close.scale = std::max(canvas->width(), canvas->height()) / 14.0;
  canvas->SetView(close);
  ASSERT_FALSE(canvas->rect().contains(PixelOf(page, 3)));
  const auto select = [&](int gridRow) {
    w.DataPage()->View()->selectionModel()->setCurrentIndex(w.DataPage()->Model().IndexOf(gridRow, 3),
                                                            QItemSelectionModel::ClearAndSelect);
  };
  select(3);
  EXPECT_EQ(canvas->View().centerEast, 2000);
  select(6);
  EXPECT_TRUE(canvas->rect().contains(PixelOf(page, 3))) << "M1 brought into view";
  EXPECT_EQ(canvas->View().scale, close.scale);

  // The keyboard focus shows as a frame in the highlight colour.
  const auto edge = [&] { return canvas->grab().toImage().pixelColor(1, canvas->height() / 2); };
  canvas->clearFocus();
  const QColor unfocused = edge();
  canvas->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(canvas->hasFocus());
  EXPECT_EQ(edge(), canvas->palette().color(QPalette::Highlight));
  EXPECT_NE(unfocused, edge());
}

}  // namespace
}  // namespace corvane::guitest
