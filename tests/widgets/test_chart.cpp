#include "widgets/chart.h"

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cmath>
#include <string>
#include <vector>

#include "tests/widgets/qt_app.h"

namespace qg::widgets {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

class ChartTest : public ::testing::Test {
 protected:
  ChartTest() { chart.resize(800, 500); }
  void Mouse(QEvent::Type type, Qt::MouseButton button, QPoint pos) {
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(pos), chart.mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&chart, &e);
  }
  void Drag(Qt::MouseButton button, QPoint from, QPoint to) {
    Mouse(QEvent::MouseButtonPress, button, from);
    Mouse(QEvent::MouseMove, Qt::NoButton, (from + to) / 2);
    Mouse(QEvent::MouseMove, Qt::NoButton, to);
    Mouse(QEvent::MouseButtonRelease, button, to);
  }
  QPoint At(double fx, double fy) {  // a point inside the plot, as fractions of it
    const QRectF p = chart.plotRect();
    return QPoint(static_cast<int>(p.left() + fx * p.width()), static_cast<int>(p.top() + fy * p.height()));
  }
  QApplication& app = test::App();  // before any widget
  Chart chart;
};

struct AxisCase {
  const char* what;
  std::vector<std::pair<char, double>> steps;  // 'n' setMinimum, 'x' setMaximum
  std::vector<bool> accepted;
  double min, max;
};

// Starting from 0..10, the axis refuses any step that would put its minimum above its maximum.
TEST_F(ChartTest, AxisRefusesAMinimumAboveItsMaximum) {
  const AxisCase cases[] = {
      {"new range above, minimum first", {{'n', 20}, {'x', 30}}, {false, true}, 0, 30},
      {"new range above, maximum first", {{'x', 30}, {'n', 20}}, {true, true}, 20, 30},
      {"new range below, maximum first", {{'x', -5}, {'n', -9}}, {false, true}, -9, 10},
      {"new range below, minimum first", {{'n', -9}, {'x', -5}}, {true, true}, -9, -5},
      {"equal ends", {{'n', 10}}, {true}, 10, 10},
      {"not a number", {{'n', std::nan("")}, {'x', INFINITY}}, {false, false}, 0, 10},
  };
  for (const auto& c : cases) {
    ChartAxis& axis = chart.leftAxis();
    ASSERT_TRUE(axis.setRange(0, 10));
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const auto [kind, v] = c.steps[i];
      const bool ok = kind == 'n' ? axis.setMinimum(v) : axis.setMaximum(v);
      EXPECT_EQ(ok, c.accepted[i]) << c.what << " step " << i;
    }
    EXPECT_EQ(axis.minimum(), c.min) << c.what;
    EXPECT_EQ(axis.maximum(), c.max) << c.what;
    EXPECT_LE(axis.minimum(), axis.maximum()) << c.what;
  }
  EXPECT_FALSE(chart.leftAxis().setRange(5, 4));
}

TEST_F(ChartTest, AutomaticAxesFollowTheActiveSeries) {
  auto& a = chart.addSeries("a", Qt::red);
  auto& b = chart.addSeries("b", Qt::blue);
  a.addXY(10, 1);
  a.addXY(20, 5);
  b.addXY(5, -3);
  b.addXY(30, 50);
  EXPECT_EQ(chart.bottomAxis().minimum(), 5);
  EXPECT_EQ(chart.leftAxis().maximum(), 50);
  b.setActive(false);
  EXPECT_EQ(chart.minXValue(), 10);
  EXPECT_EQ(chart.maxXValue(), 20);
  EXPECT_EQ(chart.minYValue(), 1);
  EXPECT_EQ(chart.maxYValue(), 5);
  EXPECT_EQ(chart.bottomAxis().maximum(), 20);
  // Leaving automatic keeps the range that was shown.
  EXPECT_TRUE(chart.leftAxis().setMaximum(7));
  EXPECT_FALSE(chart.leftAxis().automatic());
  EXPECT_EQ(chart.leftAxis().minimum(), 1);
  a.setActive(false);
  EXPECT_FALSE(chart.activeXRange());
  EXPECT_EQ(chart.minXValue(), 0);
  EXPECT_EQ(chart.maxYValue(), 0);
}

// The monitor's pen: at most 600 points, the oldest dropped first, labels and lookups following.
TEST_F(ChartTest, SeriesKeepsAtMostItsMaximumCount) {
  auto& s = chart.addSeries("Pena 1", Qt::red);
  s.setMaximumCount(600);
  const double t0 = 40000.5;
  for (int i = 0; i < 601; ++i) {
    const double t = t0 + i * kSecond;
    EXPECT_EQ(s.addXY(t, i, ChartAxis::formatDateTime(t, "hh:mm:ss")), std::min(i, 599));
  }
  EXPECT_EQ(s.count(), 600);
  EXPECT_EQ(s.y(0), 1);
  EXPECT_EQ(s.y(599), 600);
  EXPECT_EQ(s.label(0), "12:00:01");
  EXPECT_EQ(s.label(599), "12:10:00");
  EXPECT_EQ(s.locateX(t0), -1);
  EXPECT_EQ(s.locateX(t0 + 600 * kSecond), 599);
  EXPECT_EQ(s.minY(), 1);
  for (int i = 0; i < 5000; ++i) s.addXY(t0 + (601 + i) * kSecond, i % 7);
  EXPECT_EQ(s.count(), 600);
  EXPECT_EQ(s.minY(), 0);
  EXPECT_EQ(s.maxY(), 6);
  EXPECT_EQ(s.minX(), s.x(0));
}

TEST_F(ChartTest, LocateByXIsAnExactMatch) {
  auto& s = chart.addSeries("a", Qt::red);
  const double t0 = 37316.0 + 10.0 / 24.0;  // 01/03/2002 10:00:00
  for (int i = 0; i < 10; ++i) s.addXY(t0 + i * kSecond, i * 1.5);
  EXPECT_EQ(s.locateX(t0 + 3 * kSecond), 3);
  EXPECT_EQ(s.locateX(t0 + 3.5 * kSecond), -1);
  EXPECT_EQ(s.locateX(t0 - kSecond), -1);
  EXPECT_EQ(s.addXY(std::nan(""), 1.0), -1);
  EXPECT_EQ(s.count(), 10);
  s.removeOldest(4);
  EXPECT_EQ(s.locateX(t0 + 4 * kSecond), 0);
  s.clear();
  EXPECT_EQ(s.locateX(t0 + 4 * kSecond), -1);
}

TEST_F(ChartTest, DateTimeLabels) {
  const double t = 37316.0 + (10 * 3600 + 5 * 60 + 7) * kSecond;  // 01/03/2002 10:05:07
  EXPECT_EQ(ChartAxis::formatDateTime(t, "  hh:mm:ss"), "  10:05:07");
  EXPECT_EQ(ChartAxis::formatDateTime(t, "dd/MM/yyyy hh:mm:ss"), "01/03/2002 10:05:07");
  EXPECT_EQ(ChartAxis::formatDateTime(0.0, "dd/MM/yyyy hh:mm:ss"), "30/12/1899 00:00:00");
  EXPECT_EQ(ChartAxis::formatDateTime(-1.25, "dd/MM/yyyy hh:mm"), "28/12/1899 18:00");
  EXPECT_EQ(ChartAxis::formatDateTime(t + 0.9994 * kSecond, "hh:mm:ss.zzz"), "10:05:07.999");
  EXPECT_EQ(ChartAxis::formatDateTime(t + 0.9996 * kSecond, "hh:mm:ss"), "10:05:08");  // nearest ms
  chart.bottomAxis().setKind(ChartAxis::Kind::DateTime);
  chart.bottomAxis().setLabelFormat("hh:mm:ss");
  EXPECT_EQ(chart.bottomAxis().labelText(t), "10:05:07");
}

TEST_F(ChartTest, PositionsAndValuesAgree) {
  chart.bottomAxis().setRange(100, 200);
  chart.leftAxis().setRange(-10, 100);
  const QRectF plot = chart.plotRect();
  EXPECT_NEAR(chart.xValueAt(plot.topLeft()), 100, 1e-9);
  EXPECT_NEAR(chart.xValueAt(plot.bottomRight()), 200, 1e-9);
  EXPECT_NEAR(chart.yValueAt(plot.topLeft()), 100, 1e-9);
  EXPECT_NEAR(chart.yValueAt(plot.bottomRight()), -10, 1e-9);
  const QPointF p = chart.positionOf(150, 45);
  EXPECT_NEAR(chart.xValueAt(p), 150, 1e-9);
  EXPECT_NEAR(chart.yValueAt(p), 45, 1e-9);
  EXPECT_TRUE(plot.contains(p));
}

TEST_F(ChartTest, DraggingRightAndDownZoomsAndTheNotificationsComeInOrder) {
  chart.bottomAxis().setRange(0, 100);
  chart.leftAxis().setRange(0, 50);
  std::vector<std::string> order;
  double pressX = 0, releaseX = 0;
  QObject::connect(&chart, &Chart::mousePressed, [&](Qt::MouseButton, Qt::KeyboardModifiers, QPoint p) {
    order.push_back("press");
    pressX = chart.xValueAt(p);
  });
  QObject::connect(&chart, &Chart::mouseReleased, [&](Qt::MouseButton, Qt::KeyboardModifiers, QPoint p) {
    order.push_back("release");
    releaseX = chart.xValueAt(p);
  });
  QObject::connect(&chart, &Chart::zoomed, [&] { order.push_back("zoom"); });
  QObject::connect(&chart, &Chart::undoneZoom, [&] { order.push_back("undo"); });
  const QPoint from = At(0.2, 0.25), to = At(0.6, 0.75);
  const double wantX0 = chart.xValueAt(from), wantX1 = chart.xValueAt(to);
  const double wantY0 = chart.yValueAt(to), wantY1 = chart.yValueAt(from);
  Drag(Qt::LeftButton, from, to);
  EXPECT_EQ(order, (std::vector<std::string>{"press", "release", "zoom"}));
  EXPECT_TRUE(chart.isZoomed());
  EXPECT_NEAR(chart.bottomAxis().minimum(), wantX0, 1e-9);
  EXPECT_NEAR(chart.bottomAxis().maximum(), wantX1, 1e-9);
  EXPECT_NEAR(chart.leftAxis().minimum(), wantY0, 1e-9);
  EXPECT_NEAR(chart.leftAxis().maximum(), wantY1, 1e-9);
  EXPECT_NEAR(pressX, wantX0, 1e-9);
  EXPECT_NEAR(releaseX, wantX1, 1e-9);

  // A second zoom, then an undo returns to the range before the first.
  Drag(Qt::LeftButton, At(0.1, 0.1), At(0.5, 0.5));
  order.clear();
  Drag(Qt::LeftButton, At(0.6, 0.6), At(0.3, 0.7));  // leftwards
  EXPECT_EQ(order, (std::vector<std::string>{"press", "release", "undo"}));
  EXPECT_FALSE(chart.isZoomed());
  EXPECT_EQ(chart.bottomAxis().minimum(), 0);
  EXPECT_EQ(chart.bottomAxis().maximum(), 100);
  EXPECT_EQ(chart.leftAxis().maximum(), 50);

  // Upwards also undoes; a click without a drag does neither.
  order.clear();
  Drag(Qt::LeftButton, At(0.3, 0.6), At(0.6, 0.3));
  EXPECT_EQ(order.back(), "undo");
  order.clear();
  Drag(Qt::LeftButton, At(0.5, 0.5), At(0.5, 0.5) + QPoint(1, 1));
  EXPECT_EQ(order, (std::vector<std::string>{"press", "release"}));
}

TEST_F(ChartTest, UndoRestoresAutomaticAxes) {
  auto& s = chart.addSeries("a", Qt::red);
  s.addXY(0, 0);
  s.addXY(10, 10);
  QSignalSpy zooms(&chart, &Chart::zoomed);
  ASSERT_TRUE(chart.zoomPercent(200));
  EXPECT_EQ(zooms.count(), 1);
  EXPECT_NEAR(chart.bottomAxis().minimum(), 2.5, 1e-9);
  EXPECT_NEAR(chart.bottomAxis().maximum(), 7.5, 1e-9);
  EXPECT_FALSE(chart.bottomAxis().automatic());
  EXPECT_FALSE(chart.zoomPercent(0));
  chart.undoZoom();
  EXPECT_TRUE(chart.bottomAxis().automatic());
  s.addXY(20, 30);
  EXPECT_EQ(chart.bottomAxis().maximum(), 20);
  EXPECT_FALSE(chart.zoomToRect(QRect(0, 0, 2, 2)));  // outside the plot: refused
}

TEST_F(ChartTest, VerticalPanningMovesOnlyTheValueAxis) {
  chart.setPanMode(Chart::PanMode::Vertical);
  chart.bottomAxis().setRange(0, 100);
  chart.leftAxis().setRange(0, 50);
  QSignalSpy scrolls(&chart, &Chart::scrolled);
  const QRectF plot = chart.plotRect();
  const QPoint from = At(0.5, 0.5);
  const QPoint to = from + QPoint(40, static_cast<int>(plot.height() / 5));  // down a fifth
  Drag(Qt::RightButton, from, to);
  EXPECT_GE(scrolls.count(), 1);
  EXPECT_EQ(chart.bottomAxis().minimum(), 0);
  EXPECT_EQ(chart.bottomAxis().maximum(), 100);
  EXPECT_NEAR(chart.leftAxis().minimum(), 10, 0.3);
  EXPECT_NEAR(chart.leftAxis().maximum() - chart.leftAxis().minimum(), 50, 1e-9);
}

// Rows of the series' colour in one image column.
std::vector<int> RowsOf(const QImage& image, int x, QRgb colour) {
  std::vector<int> rows;
  for (int y = 0; y < image.height(); ++y) {
    if ((image.pixel(x, y) & 0xffffff) == (colour & 0xffffff)) rows.push_back(y);
  }
  return rows;
}

// A million points with one spike: decimation must keep the spike, and the direct renderer and
// the QPainter one must draw the line in the same place.
TEST_F(ChartTest, DecimatedDrawingKeepsExtremesAndMatchesQPainter) {
  auto& s = chart.addSeries("a", QColor(200, 0, 0));
  for (int i = 0; i < 1000000; ++i) s.addXY(i, i == 654321 ? 90.0 : 40.0 + 10.0 * std::sin(i * 1e-5));
  chart.bottomAxis().setRange(0, 1000000);
  chart.leftAxis().setRange(0, 100);
  const QSize size(800, 500);
  const QImage direct = chart.toImage(size);
  chart.setDirectRaster(false);
  const QImage painted = chart.toImage(size);
  chart.setDirectRaster(true);
  chart.resize(size);
  const QPointF spike = chart.positionOf(654321, 90.0);
  bool found = false;
  for (int dx = -1; dx <= 1 && !found; ++dx) {
    const auto rows = RowsOf(direct, static_cast<int>(spike.x()) + dx, s.color().rgb());
    found = !rows.empty() && std::abs(rows.front() - spike.y()) <= 1.5;
  }
  EXPECT_TRUE(found) << "spike not drawn";
  const QRectF plot = chart.plotRect();
  int compared = 0, agreeing = 0;
  for (int x = static_cast<int>(plot.left()) + 2; x < plot.right() - 2; x += 7) {
    const auto a = RowsOf(direct, x, s.color().rgb());
    const auto b = RowsOf(painted, x, s.color().rgb());
    if (a.empty() || b.empty()) continue;
    ++compared;
    if (std::abs(a.front() - b.front()) <= 1 && std::abs(a.back() - b.back()) <= 1) ++agreeing;
  }
  EXPECT_GT(compared, 80);
  EXPECT_GE(agreeing, compared * 95 / 100);
}

TEST_F(ChartTest, LinesStayInsideThePlotWhateverTheData) {
  auto& s = chart.addSeries("a", QColor(0, 0, 250));
  s.addXY(-1e15, 1e300);
  s.addXY(50, 50);
  s.addXY(1e15, -1e300);
  chart.bottomAxis().setRange(0, 100);
  chart.leftAxis().setRange(0, 100);
  chart.setTitle("t");
  const QImage image = chart.toImage(QSize(600, 400));
  chart.resize(600, 400);
  const QRect plot = chart.plotRect().toAlignedRect();
  int inside = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if ((image.pixel(x, y) & 0xffffff) != 0x0000fa) continue;
      EXPECT_TRUE(plot.adjusted(-1, -1, 1, 1).contains(x, y)) << x << "," << y;
      ++inside;
    }
  }
  EXPECT_GT(inside, 100);
}

TEST_F(ChartTest, PaintsOnPrintersAndPictures) {
  auto& s = chart.addSeries("a", Qt::red);
  for (int i = 0; i < 5000; ++i) s.addXY(40000 + i * kSecond, std::sin(i * 0.01));
  s.setPenStyle(Qt::DotLine);
  chart.bottomAxis().setKind(ChartAxis::Kind::DateTime);
  chart.setTitle("Title\nsecond line");
  chart.setFoot("foot");
  QTemporaryDir dir;
  const QString path = dir.filePath("chart.pdf");
  {
    QPdfWriter pdf(path);
    pdf.setResolution(600);
    QPainter p(&pdf);
    chart.paintChart(p, QRectF(0, 0, pdf.width(), pdf.height()));
  }
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(5).startsWith("%PDF"));
  EXPECT_GT(file.size(), 1000);
  QPicture picture;
  {
    QPainter p(&picture);
    chart.paintChart(p, QRectF(0, 0, 640, 480));
  }
  EXPECT_FALSE(picture.boundingRect().isEmpty());
}

}  // namespace
}  // namespace qg::widgets
