// Full redraws of the chart into a 1600x900 image, and appending points.
//   arguments of Redraw: points per series, data (0 smooth, 1 white noise),
//   renderer (0 direct column fill, 1 QPainter polylines of the same decimated points)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <random>

#include "widgets/chart.h"

namespace {

using qg::widgets::Chart;

QApplication& App() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "widgets_bench";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  return app;
}

void Fill(Chart& chart, int points, bool noise) {
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> uniform(0.0, 100.0);
  for (int k = 0; k < 16; ++k) {
    auto& s = chart.addSeries(QString::number(k), QColor::fromHsv(k * 22, 255, 220));
    for (int i = 0; i < points; ++i) {
      const double t = static_cast<double>(i) / points;
      const double y = noise ? uniform(rng) : 50.0 + 40.0 * std::sin(2.0 * M_PI * (3.0 * t + k / 16.0));
      s.addXY(i, y);
    }
  }
}

void Redraw(benchmark::State& state) {
  App();
  const int points = static_cast<int>(state.range(0));
  const bool noise = state.range(1) != 0;
  Chart chart;
  chart.setDirectRaster(state.range(2) == 0);
  chart.setTitle(QStringLiteral("Redraw"));
  Fill(chart, points, noise);
  QImage image(1600, 900, QImage::Format_RGB32);
  for (auto _ : state) {
    QPainter painter(&image);
    chart.paintChart(painter, QRectF(0, 0, 1600, 900));
    painter.end();
    benchmark::DoNotOptimize(image.constBits());
  }
  state.SetLabel(std::string(noise ? "noise" : "smooth") + (state.range(2) == 0 ? " direct" : " polylines"));
}
BENCHMARK(Redraw)
    ->ArgsProduct({{1000, 1000000}, {0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

void Append(benchmark::State& state) {
  App();
  Chart chart;
  auto& s = chart.addSeries(QStringLiteral("a"), Qt::red);
  const int points = static_cast<int>(state.range(0));
  for (auto _ : state) {
    s.clear();
    for (int i = 0; i < points; ++i) s.addXY(i, (i * 7919) % 1000);
    benchmark::DoNotOptimize(s.count());
  }
  state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(Append)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
