// Shows the chart and the workbook with generated data, for looking at them by eye.
//   widgets_demo [--grab FILE.png]   (--grab saves the window as a picture and quits)
#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QMainWindow>
#include <QSplitter>
#include <QTimer>
#include <cmath>
#include <random>

#include "widgets/chart.h"
#include "widgets/workbook.h"

namespace {

using qg::widgets::Chart;
using qg::widgets::ChartAxis;
using qg::widgets::Sheet;
using qg::widgets::Workbook;

constexpr double kSecond = 1.0 / 86400.0;

double Days(const QDateTime& t) {
  return QDate(1899, 12, 30).daysTo(t.date()) + t.time().msecsSinceStartOfDay() / 86400000.0;
}

void FillChart(Chart& chart, double start) {
  const QColor colours[] = {Qt::red,    Qt::blue,      QColor(0, 255, 0), Qt::yellow,
                            Qt::cyan,   QColor(0xFF8000), Qt::magenta,    QColor(0, 128, 128)};
  chart.setTitle(QStringLiteral("Demo: 8 smooth lines of 3,600 points, 1 noisy line of 1,000,000"));
  chart.setFoot(QStringLiteral("1ª aq.: ") + ChartAxis::formatDateTime(start, "dd/MM/yyyy hh:mm:ss") +
                QStringLiteral("   Última aq.: ") +
                ChartAxis::formatDateTime(start + 3599 * kSecond, "dd/MM/yyyy hh:mm:ss"));
  chart.setBackColor(QColor(192, 192, 192));
  chart.setWallColor(QColor(0xFF, 0xFF, 0x80));
  chart.bottomAxis().setKind(ChartAxis::Kind::DateTime);
  chart.bottomAxis().setLabelFormat(QStringLiteral("  hh:mm:ss"));
  chart.bottomAxis().setIncrement(kSecond);
  chart.setPanMode(Chart::PanMode::Vertical);

  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0.0, 6.0);
  auto& noisy = chart.addSeries(QStringLiteral("noise"), QColor(128, 128, 128));
  for (int i = 0; i < 1000000; ++i) noisy.addXY(start + i * 0.0036 * kSecond, 50.0 + noise(rng));
  for (int k = 0; k < 8; ++k) {
    auto& s = chart.addSeries(QStringLiteral("Pena %1").arg(k + 1), colours[k]);
    for (int i = 0; i < 3600; ++i) {
      const double t = i / 3600.0;
      s.addXY(start + i * kSecond, 10.0 * k + 8.0 * std::sin(2 * M_PI * (t * (k + 1) + k * 0.1)),
              ChartAxis::formatDateTime(start + i * kSecond, "hh:mm:ss"));
    }
  }
}

void FillSheet(Sheet& sheet, double start, int rows) {
  Sheet::BulkFill bulk(sheet);
  sheet.setColumnWidth(1, 0);
  sheet.setColumnHeading(2, QStringLiteral("Data"));
  sheet.setColumnWidth(2, 2560);
  sheet.setColumnHeading(3, QStringLiteral("Hora"));
  sheet.setColumnWidth(3, 2560);
  for (int k = 1; k <= 16; ++k) {
    const int c = 4 + 3 * (k - 1);
    sheet.setColumnHeading(c, QStringLiteral("Pena %1").arg(k));
    sheet.setColumnWidth(c, 1792);
    sheet.setColumnHeading(c + 1, QStringLiteral("A1"));
    sheet.setColumnWidth(c + 1, 512);
    sheet.setColumnHeading(c + 2, QStringLiteral("A2"));
    sheet.setColumnWidth(c + 2, 512);
  }
  sheet.setCellText(1, 1, QStringLiteral("demo.hst"));
  for (int r = 1; r <= rows; ++r) {
    const double t = start + (r - 1) * kSecond;
    sheet.setCellText(r, 2, ChartAxis::formatDateTime(t, "dd/MM/yyyy"));
    sheet.setCellText(r, 3, ChartAxis::formatDateTime(t, "hh:mm:ss.z").left(10));
    for (int k = 1; k <= 4; ++k) {
      sheet.setCellText(r, 4 + 3 * (k - 1), QString::asprintf("%.1f", 10.0 * k + 8.0 * std::sin(r * 0.01 * k)));
    }
    sheet.setCellText(r, 13, (r % 97) ? QString::asprintf("%.2f", r * 0.01) : QStringLiteral("????"));
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QString grab;
  const QStringList args = app.arguments();
  const int at = static_cast<int>(args.indexOf(QStringLiteral("--grab")));
  if (at >= 0 && at + 1 < args.size()) grab = args[at + 1];

  const double start = Days(QDateTime(QDate(2002, 3, 1), QTime(10, 0, 0)));
  QMainWindow window;
  auto* splitter = new QSplitter(Qt::Vertical);
  auto* chart = new Chart;
  FillChart(*chart, start);
  auto* book = new Workbook;
  FillSheet(book->sheet(0), start, 100000);
  book->setSheetName(0, QStringLiteral("demo.hst"));
  auto& second = book->appendSheet(QStringLiteral("Gráfico Junção 1"));
  FillSheet(second, start, 50);
  book->sheet(0).setSelectionText(QStringLiteral("B2:D6"));
  splitter->addWidget(chart);
  splitter->addWidget(book);
  splitter->setSizes({600, 400});
  window.setCentralWidget(splitter);
  window.setWindowTitle(QStringLiteral("Quillgraph widgets demo"));
  window.resize(1600, 1000);
  window.show();

  if (!grab.isEmpty()) {
    QTimer::singleShot(800, &window, [&window, grab] {
      window.grab().save(grab);
      QApplication::quit();
    });
  }
  return app.exec();
}
