#include "widgets/chart.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygonF>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace qg::widgets {
namespace {

constexpr double kSecond = 1.0 / 86400.0;
constexpr int kMaxTicks = 400;
constexpr int kDragThreshold = 3;  // pixels a drag must cover before it zooms or undoes

// Steps between date-time labels, in seconds.
constexpr double kTimeSteps[] = {1,      2,      5,       10,      15,       30,       60,
                                 120,    300,    600,     900,     1800,     3600,     7200,
                                 10800,  21600,  43200,   86400,   172800,   604800,   1209600,
                                 2592000, 7776000, 15552000, 31536000, 63072000, 157680000,
                                 315360000};

double NiceValueStep(double raw) {
  if (!(raw > 0.0) || !std::isfinite(raw)) return 1.0;
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * mag >= raw) return m * mag;
  }
  return 10.0 * mag;
}

double NiceTimeStep(double rawDays) {
  const double raw = rawDays * 86400.0;
  for (double s : kTimeSteps) {
    if (s >= raw) return s * kSecond;
  }
  return NiceValueStep(rawDays);
}

int DecimalsFor(double step) {
  if (step >= 1.0 || !(step > 0.0)) return 0;
  return std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 10);
}

QString ValueText(double v, int decimals) {
  if (std::abs(v) < 0.5 * std::pow(10.0, -decimals)) v = 0.0;  // no "-0.0"
  return QString::number(v, 'f', decimals);
}

std::vector<double> Ticks(double lo, double hi, double step) {
  std::vector<double> out;
  if (!(step > 0.0) || !(hi > lo)) return out;
  const double first = std::ceil(lo / step - 1e-9);
  const double last = std::floor(hi / step + 1e-9);
  if (last - first > kMaxTicks) return out;
  for (double k = first; k <= last; k += 1.0) out.push_back(k * step);
  return out;
}

// Liang-Barsky: clips the segment a-b to the box; false when nothing of it is inside.
bool ClipSegment(QPointF& a, QPointF& b, const QRectF& box) {
  double t0 = 0.0, t1 = 1.0;
  const double dx = b.x() - a.x(), dy = b.y() - a.y();
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                       box.bottom() - a.y()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const QPointF start = a;
  a = start + QPointF(dx * t0, dy * t0);
  b = start + QPointF(dx * t1, dy * t1);
  return true;
}

bool RasterFormat(QImage::Format f) {
  return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
         f == QImage::Format_ARGB32_Premultiplied;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// ChartAxis

void ChartAxis::changed() { chart_->changed(); }

std::optional<ValueRange> ChartAxis::dataRange() const {
  return side_ == Side::Bottom ? chart_->activeXRange() : chart_->activeYRange();
}

double ChartAxis::minimum() const {
  if (automatic_) {
    if (const auto r = dataRange()) return r->lo;
  }
  return min_;
}

double ChartAxis::maximum() const {
  if (automatic_) {
    if (const auto r = dataRange()) return r->hi;
  }
  return max_;
}

void ChartAxis::setAutomatic(bool on) {
  if (on == automatic_) return;
  if (!on) {
    min_ = minimum();
    max_ = maximum();
  }
  automatic_ = on;
  changed();
}

bool ChartAxis::setMinimum(double value) {
  if (!std::isfinite(value) || value > maximum()) return false;
  max_ = maximum();
  min_ = value;
  automatic_ = false;
  changed();
  return true;
}

bool ChartAxis::setMaximum(double value) {
  if (!std::isfinite(value) || value < minimum()) return false;
  min_ = minimum();
  max_ = value;
  automatic_ = false;
  changed();
  return true;
}

bool ChartAxis::setRange(double low, double high) {
  if (!std::isfinite(low) || !std::isfinite(high) || low > high) return false;
  min_ = low;
  max_ = high;
  automatic_ = false;
  changed();
  return true;
}

void ChartAxis::setKind(Kind kind) {
  kind_ = kind;
  changed();
}

void ChartAxis::setLabelFormat(const QString& format) {
  format_ = format;
  changed();
}

void ChartAxis::setIncrement(double increment) {
  increment_ = std::isfinite(increment) ? std::max(increment, 0.0) : 0.0;
  changed();
}

void ChartAxis::setGridVisible(bool visible) {
  grid_ = visible;
  changed();
}

QString ChartAxis::labelText(double value) const {
  if (kind_ == Kind::DateTime) return formatDateTime(value, format_);
  return QString::number(value, 'g', 10);
}

QString ChartAxis::formatDateTime(double days, const QString& format) {
  // Years 100 to 9999 are all a day count can sensibly mean; beyond, the ends are shown.
  days = std::clamp(std::isfinite(days) ? days : 0.0, -657434.0, 2958465.99999);
  const auto ms = static_cast<std::int64_t>(std::llround(days * 86400000.0));
  std::int64_t day = ms / 86400000;
  std::int64_t rest = ms % 86400000;
  if (rest < 0) {
    rest += 86400000;
    --day;
  }
  const QDate date = QDate(1899, 12, 30).addDays(day);
  const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(rest));
  return QDateTime(date, time, QTimeZone::utc()).toString(format);
}

// ---------------------------------------------------------------------------------------------
// LineSeries

void LineSeries::changed() { chart_->changed(); }

void LineSeries::setColor(const QColor& color) {
  color_ = color;
  changed();
}

void LineSeries::setActive(bool active) {
  active_ = active;
  changed();
}

void LineSeries::setPenStyle(Qt::PenStyle style) {
  style_ = style;
  changed();
}

void LineSeries::setLineWidth(int width) {
  width_ = std::max(width, 1);
  changed();
}

int LineSeries::addXY(double x, double y, const QString& label) {
  if (!std::isfinite(x) || !std::isfinite(y)) return -1;
  if (maxCount_ > 0 && count() >= maxCount_) {
    const int n = count() - maxCount_ + 1;
    data_.DropFront(static_cast<std::size_t>(n));
    if (!labels_.empty()) labels_.erase(labels_.begin(), labels_.begin() + n);
  }
  data_.Append(x, y);
  if (!label.isEmpty() || !labels_.empty()) {
    if (labels_.empty()) labels_.resize(data_.Size() - 1);
    labels_.push_back(label);
  }
  changed();
  return count() - 1;
}

void LineSeries::removeOldest(int n) {
  n = std::clamp(n, 0, count());
  if (n == 0) return;
  data_.DropFront(static_cast<std::size_t>(n));
  if (!labels_.empty()) labels_.erase(labels_.begin(), labels_.begin() + n);
  if (data_.Empty()) labels_.clear();
  changed();
}

void LineSeries::clear() {
  data_.Clear();
  labels_.clear();
  changed();
}

void LineSeries::setMaximumCount(int count) {
  maxCount_ = std::max(count, 0);
  if (maxCount_ > 0 && this->count() > maxCount_) removeOldest(this->count() - maxCount_);
}

double LineSeries::x(int i) const {
  return i >= 0 && i < count() ? data_.X(static_cast<std::size_t>(i)) : 0.0;
}

double LineSeries::y(int i) const {
  return i >= 0 && i < count() ? data_.Y(static_cast<std::size_t>(i)) : 0.0;
}

QString LineSeries::label(int i) const {
  if (i < 0 || i >= count() || labels_.empty()) return {};
  return labels_[static_cast<std::size_t>(i)];
}

int LineSeries::locateX(double x) const {
  const auto i = data_.FindX(x);
  return i ? static_cast<int>(*i) : -1;
}

double LineSeries::minX() const { return data_.Empty() ? 0.0 : data_.XRange()->lo; }
double LineSeries::maxX() const { return data_.Empty() ? 0.0 : data_.XRange()->hi; }
double LineSeries::minY() const { return data_.Empty() ? 0.0 : data_.YRange()->lo; }
double LineSeries::maxY() const { return data_.Empty() ? 0.0 : data_.YRange()->hi; }

// ---------------------------------------------------------------------------------------------
// Chart

struct Chart::Layout {
  QRectF plot;
  double scale = 1.0;  // device pixels per pixel of a 96-dpi screen
  QFont titleFont, footFont, labelFont;
  QRectF titleRect, footRect;
  Scale xs{0, 1}, ys{0, 1};
  std::vector<double> xTicks, yTicks;
  int yDecimals = 0, xDecimals = 0;
  double tick = 4.0;
};

Chart::Chart(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  titleFont_ = font();
  titleFont_.setPointSizeF(10.0);
  footFont_ = font();
  footFont_.setPointSizeF(8.0);
  labelFont_ = font();
  labelFont_.setPointSizeF(8.0);
  setMinimumSize(120, 80);
}

Chart::~Chart() = default;

void Chart::changed() {
  // One repaint request per invalidation: a file of a million points loaded point by point must
  // not ask for a million.
  if (!cacheValid_) return;
  cacheValid_ = false;
  update();
}

LineSeries& Chart::addSeries(const QString& title, const QColor& color) {
  series_.push_back(std::unique_ptr<LineSeries>(new LineSeries(this, title, color)));
  changed();
  return *series_.back();
}

std::optional<ValueRange> Chart::activeXRange() const {
  std::optional<ValueRange> out;
  for (const auto& s : series_) {
    if (!s->isActive()) continue;
    if (const auto r = s->data().XRange()) {
      out = out ? ValueRange{std::min(out->lo, r->lo), std::max(out->hi, r->hi)} : *r;
    }
  }
  return out;
}

std::optional<ValueRange> Chart::activeYRange() const {
  std::optional<ValueRange> out;
  for (const auto& s : series_) {
    if (!s->isActive()) continue;
    if (const auto r = s->data().YRange()) {
      out = out ? ValueRange{std::min(out->lo, r->lo), std::max(out->hi, r->hi)} : *r;
    }
  }
  return out;
}

double Chart::minXValue() const { return activeXRange() ? activeXRange()->lo : 0.0; }
double Chart::maxXValue() const { return activeXRange() ? activeXRange()->hi : 0.0; }
double Chart::minYValue() const { return activeYRange() ? activeYRange()->lo : 0.0; }
double Chart::maxYValue() const { return activeYRange() ? activeYRange()->hi : 0.0; }

void Chart::setTitle(const QString& text) {
  title_ = text;
  changed();
}
void Chart::setTitleFont(const QFont& font) {
  titleFont_ = font;
  changed();
}
void Chart::setTitleColor(const QColor& color) {
  titleColor_ = color;
  changed();
}
void Chart::setFoot(const QString& text) {
  foot_ = text;
  changed();
}
void Chart::setFootFont(const QFont& font) {
  footFont_ = font;
  changed();
}
void Chart::setFootColor(const QColor& color) {
  footColor_ = color;
  changed();
}
void Chart::setLabelFont(const QFont& font) {
  labelFont_ = font;
  changed();
}
void Chart::setBackColor(const QColor& color) {
  back_ = color;
  changed();
}
void Chart::setWallColor(const QColor& color) {
  wall_ = color;
  changed();
}
void Chart::setDirectRaster(bool on) {
  directRaster_ = on;
  changed();
}

void Chart::setMargins(double leftPercent, double topPercent, double rightPercent,
                       double bottomPercent) {
  const auto clampPct = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 40.0) : 0.0; };
  margins_ = QRectF(clampPct(leftPercent), clampPct(topPercent), clampPct(rightPercent),
                    clampPct(bottomPercent));
  changed();
}

Chart::Scale Chart::drawScale(const ChartAxis& axis) const {
  double lo = axis.minimum(), hi = axis.maximum();
  // An empty range is drawn around its value, so that a single point or a flat line shows.
  if (!(hi - lo > std::max(std::abs(hi), std::abs(lo)) * 1e-12)) {
    const double half = axis.kind() == ChartAxis::Kind::DateTime ? kSecond : 1.0;
    lo -= half;
    hi += half;
  }
  return {lo, hi};
}

Chart::Layout Chart::layout(const QRectF& target, QPaintDevice* device) const {
  Layout L;
  L.scale = device ? std::max(device->logicalDpiY(), 1) / 96.0 : 1.0;
  L.titleFont = device ? QFont(titleFont_, device) : titleFont_;
  L.footFont = device ? QFont(footFont_, device) : footFont_;
  L.labelFont = device ? QFont(labelFont_, device) : labelFont_;
  const double s = L.scale;
  L.tick = 4.0 * s;

  QRectF inner = target.adjusted(target.width() * margins_.x() / 100.0,
                                 target.height() * margins_.y() / 100.0,
                                 -target.width() * margins_.width() / 100.0,
                                 -target.height() * margins_.height() / 100.0);
  double top = inner.top(), bottom = inner.bottom();
  if (!title_.isEmpty()) {
    const QFontMetricsF fm(L.titleFont);
    const double h = fm.lineSpacing() * (title_.count(QLatin1Char('\n')) + 1);
    L.titleRect = QRectF(inner.left(), top, inner.width(), h);
    top += h + 4.0 * s;
  }
  if (!foot_.isEmpty()) {
    const QFontMetricsF fm(L.footFont);
    const double h = fm.lineSpacing() * (foot_.count(QLatin1Char('\n')) + 1);
    L.footRect = QRectF(inner.left(), bottom - h, inner.width(), h);
    bottom -= h + 4.0 * s;
  }
  const QFontMetricsF fm(L.labelFont);
  const double labelH = fm.height();
  const double plotTop = top + labelH / 2.0;
  const double plotBottom = bottom - L.tick - 2.0 * s - labelH;

  L.ys = drawScale(left_);
  L.xs = drawScale(bottom_);
  const double plotH = std::max(plotBottom - plotTop, 1.0);
  {
    const double maxLabels = std::max(plotH / (labelH * 1.8), 1.0);
    double step = NiceValueStep((L.ys.hi - L.ys.lo) / maxLabels);
    if (left_.increment() > step) step = left_.increment();
    L.yTicks = Ticks(L.ys.lo, L.ys.hi, step);
    L.yDecimals = DecimalsFor(step);
  }
  double leftW = 0.0;
  for (double v : L.yTicks) leftW = std::max(leftW, fm.horizontalAdvance(ValueText(v, L.yDecimals)));
  const auto xText = [&](double v) {
    return bottom_.kind() == ChartAxis::Kind::DateTime ? ChartAxis::formatDateTime(v, bottom_.labelFormat())
                                                       : ValueText(v, L.xDecimals);
  };
  // A sample label sizes the bottom labels; with values its decimals are not known yet, so the
  // widest end of the range stands in.
  const double sampleW = std::max(fm.horizontalAdvance(xText(L.xs.lo)), fm.horizontalAdvance(xText(L.xs.hi)));
  const double plotLeft = inner.left() + leftW + L.tick + 4.0 * s;
  const double plotRight = inner.right() - sampleW / 2.0;
  L.plot = QRectF(plotLeft, plotTop, std::max(plotRight - plotLeft, 1.0), plotH);
  {
    const double maxLabels = std::max(L.plot.width() / (sampleW + 12.0 * s), 1.0);
    const double raw = (L.xs.hi - L.xs.lo) / maxLabels;
    double step = bottom_.kind() == ChartAxis::Kind::DateTime ? NiceTimeStep(std::max(raw, bottom_.increment()))
                                                              : NiceValueStep(std::max(raw, bottom_.increment()));
    L.xTicks = Ticks(L.xs.lo, L.xs.hi, step);
    L.xDecimals = DecimalsFor(step);
  }
  return L;
}

QRectF Chart::plotRect() const { return layout(QRectF(rect()), const_cast<Chart*>(this)).plot; }

double Chart::xValueAt(const QPointF& pos) const {
  const QRectF plot = plotRect();
  const Scale xs = drawScale(bottom_);
  return xs.lo + (pos.x() - plot.left()) / plot.width() * (xs.hi - xs.lo);
}

double Chart::yValueAt(const QPointF& pos) const {
  const QRectF plot = plotRect();
  const Scale ys = drawScale(left_);
  return ys.hi - (pos.y() - plot.top()) / plot.height() * (ys.hi - ys.lo);
}

QPointF Chart::positionOf(double x, double y) const {
  const QRectF plot = plotRect();
  const Scale xs = drawScale(bottom_), ys = drawScale(left_);
  return {plot.left() + (x - xs.lo) / (xs.hi - xs.lo) * plot.width(),
          plot.top() + (ys.hi - y) / (ys.hi - ys.lo) * plot.height()};
}

void Chart::paintChart(QPainter& painter, const QRectF& target) const {
  painter.save();
  const Layout L = layout(target, painter.device());
  const double s = L.scale;
  const QRectF& plot = L.plot;
  painter.fillRect(target, back_);

  if (!title_.isEmpty()) {
    painter.setFont(L.titleFont);
    painter.setPen(titleColor_);
    painter.drawText(L.titleRect, Qt::AlignHCenter | Qt::AlignTop, title_);
  }
  if (!foot_.isEmpty()) {
    painter.setFont(L.footFont);
    painter.setPen(footColor_);
    painter.drawText(L.footRect, Qt::AlignHCenter | Qt::AlignBottom, foot_);
  }

  painter.fillRect(plot, wall_);
  const auto mapX = [&](double x) { return plot.left() + (x - L.xs.lo) / (L.xs.hi - L.xs.lo) * plot.width(); };
  const auto mapY = [&](double y) { return plot.top() + (L.ys.hi - y) / (L.ys.hi - L.ys.lo) * plot.height(); };
  {
    QPen grid(QColor(160, 160, 160), s < 1.5 ? 0.0 : s, Qt::DotLine);
    painter.setPen(grid);
    if (bottom_.gridVisible()) {
      for (double v : L.xTicks) painter.drawLine(QPointF(mapX(v), plot.top()), QPointF(mapX(v), plot.bottom()));
    }
    if (left_.gridVisible()) {
      for (double v : L.yTicks) painter.drawLine(QPointF(plot.left(), mapY(v)), QPointF(plot.right(), mapY(v)));
    }
  }

  paintSeries(painter, plot, s);

  painter.setPen(QPen(Qt::black, s < 1.5 ? 0.0 : s));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(plot);
  painter.setFont(L.labelFont);
  const QFontMetricsF fm(L.labelFont);
  double lastRight = -1e300;
  for (double v : L.xTicks) {
    const double px = mapX(v);
    painter.drawLine(QPointF(px, plot.bottom()), QPointF(px, plot.bottom() + L.tick));
    const QString text = bottom_.kind() == ChartAxis::Kind::DateTime
                             ? ChartAxis::formatDateTime(v, bottom_.labelFormat())
                             : ValueText(v, L.xDecimals);
    const double w = fm.horizontalAdvance(text);
    if (px - w / 2.0 < lastRight + 4.0 * s) continue;  // never overlap a label
    lastRight = px + w / 2.0;
    painter.drawText(QRectF(px - w / 2.0 - 2.0 * s, plot.bottom() + L.tick + 1.0 * s, w + 4.0 * s, fm.height()),
                     Qt::AlignHCenter | Qt::AlignTop, text);
  }
  for (double v : L.yTicks) {
    const double py = mapY(v);
    painter.drawLine(QPointF(plot.left() - L.tick, py), QPointF(plot.left(), py));
    const QString text = ValueText(v, L.yDecimals);
    const double right = plot.left() - L.tick - 2.0 * s;
    painter.drawText(QRectF(target.left(), py - fm.height() / 2.0, right - target.left(), fm.height()),
                     Qt::AlignRight | Qt::AlignVCenter, text);
  }
  painter.restore();
}

void Chart::paintSeries(QPainter& painter, const QRectF& plot, double s) const {
  const Scale xs = drawScale(bottom_), ys = drawScale(left_);
  const QTransform dt = painter.deviceTransform();
  const QRectF devPlot = dt.mapRect(plot);

  std::vector<const LineSeries*> byPainter;
  QPaintDevice* device = painter.device();
  QImage* image = device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
  bool raster = directRaster_ && image && RasterFormat(image->format()) && image->isDetached() &&
                dt.type() <= QTransform::TxScale && !painter.hasClipping() && s < 1.5;
  QRect px;
  if (raster) {
    px = QRect(QPoint(static_cast<int>(std::lround(devPlot.left())), static_cast<int>(std::lround(devPlot.top()))),
               QPoint(static_cast<int>(std::lround(devPlot.right())) - 1,
                      static_cast<int>(std::lround(devPlot.bottom())) - 1));
    raster = px.isValid() && image->rect().contains(px);
  }

  if (raster) {
    const int columns = px.width(), rows = px.height();
    raster_.Reset(columns, rows);
    const double dx = (xs.hi - xs.lo) / columns;
    const double rowScale = -rows / (ys.hi - ys.lo);
    const double rowOffset = ys.hi * rows / (ys.hi - ys.lo) - 0.5;
    for (const auto& sp : series_) {
      const LineSeries& ser = *sp;
      if (!ser.isActive() || ser.isEmpty()) continue;
      if (ser.penStyle() != Qt::SolidLine || ser.lineWidth() > 1 || ser.color().alpha() != 255) {
        byPainter.push_back(&ser);
        continue;
      }
      ser.data().Decimate(xs.lo, dx, columns, runs_);
      raster_.AddLine(runs_, rowScale, rowOffset, ser.color().rgb() | 0xff000000u);
    }
    auto* bits = reinterpret_cast<std::uint32_t*>(image->bits());
    const std::ptrdiff_t stride = image->bytesPerLine() / 4;
    raster_.Fill(bits + px.top() * stride + px.left(), stride);
  } else {
    for (const auto& sp : series_) {
      if (sp->isActive() && !sp->isEmpty()) byPainter.push_back(sp.get());
    }
  }
  if (byPainter.empty()) return;

  // Columns at the device's own resolution, so that a print is as fine as the printer.
  const int columns = std::clamp(static_cast<int>(std::lround(devPlot.width())), 1, 32768);
  const double dx = (xs.hi - xs.lo) / columns;
  const double colW = plot.width() / columns;
  const auto mapY = [&](double y) { return plot.top() + (ys.hi - y) / (ys.hi - ys.lo) * plot.height(); };
  const QRectF box = plot.adjusted(-2.0 * s, -2.0 * s, 2.0 * s, 2.0 * s);
  painter.save();
  painter.setClipRect(plot, Qt::IntersectClip);
  std::vector<QPointF> points;
  QPolygonF line;
  for (const LineSeries* ser : byPainter) {
    const bool thin = s < 1.5 && ser->lineWidth() <= 1;
    QPen pen(ser->color(), thin ? 0.0 : ser->lineWidth() * s, ser->penStyle());
    painter.setPen(pen);
    ser->data().Decimate(xs.lo, dx, columns, runs_);
    points.clear();
    for (const ColumnRun& r : runs_) {
      points.emplace_back(plot.left() + r.uFirst * colW, mapY(r.yFirst));
      if (r.uFirst != r.uLast || r.yMin != r.yMax) {
        const double centre = plot.left() + (r.column + 0.5) * colW;
        points.emplace_back(centre, mapY(r.yMin));
        points.emplace_back(centre, mapY(r.yMax));
        points.emplace_back(plot.left() + r.uLast * colW, mapY(r.yLast));
      }
    }
    // Off-plot neighbours may lie arbitrarily far away: clip every segment before QPainter sees
    // its coordinates.
    line.clear();
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
      QPointF a = points[i], b = points[i + 1];
      if (!ClipSegment(a, b, box)) {
        if (line.size() > 1) painter.drawPolyline(line);
        line.clear();
        continue;
      }
      if (line.isEmpty() || line.back() != a) {
        if (line.size() > 1) painter.drawPolyline(line);
        line.clear();
        line << a;
      }
      line << b;
    }
    if (line.size() > 1) painter.drawPolyline(line);
    if (points.size() == 1 && box.contains(points[0])) painter.drawPoint(points[0]);
  }
  painter.restore();
}

QImage Chart::toImage(const QSize& size) const {
  QImage image(size, QImage::Format_RGB32);
  image.fill(back_);
  QPainter painter(&image);
  paintChart(painter, QRectF(QPointF(0, 0), QSizeF(size)));
  painter.end();
  return image;
}

void Chart::paintEvent(QPaintEvent*) {
  const qreal dpr = devicePixelRatioF();
  const QSize pixels = (QSizeF(size()) * dpr).toSize();
  if (!cacheValid_ || cache_.size() != pixels) {
    if (cache_.size() != pixels) cache_ = QImage(pixels, QImage::Format_RGB32);
    cache_.setDevicePixelRatio(dpr);
    // The cache takes the widget's resolution so that fonts and the mouse mapping agree.
    cache_.setDotsPerMeterX(static_cast<int>(std::lround(logicalDpiX() / 0.0254)));
    cache_.setDotsPerMeterY(static_cast<int>(std::lround(logicalDpiY() / 0.0254)));
    QPainter p(&cache_);
    paintChart(p, QRectF(rect()));
    cacheValid_ = true;
  }
  QPainter painter(this);
  painter.drawImage(QPointF(0, 0), cache_);
  if (drag_ == Drag::Zoom) {
    painter.setPen(QPen(Qt::black, 0, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(dragStart_, dragEnd_).normalized());
  }
}

void Chart::resizeEvent(QResizeEvent* event) {
  cacheValid_ = false;
  QWidget::resizeEvent(event);
}

void Chart::saveZoomState() {
  if (zoomed_) return;
  savedBottom_ = {bottom_.automatic_, bottom_.min_, bottom_.max_};
  savedLeft_ = {left_.automatic_, left_.min_, left_.max_};
}

bool Chart::zoomToRect(const QRect& pixels) {
  const QRectF plot = plotRect();
  // The corners are the pixels themselves (a QRect's bottom-right is its last pixel, not past it),
  // so a zoom spans exactly from the press to the release position.
  const QRect n = pixels.normalized();
  const QRectF r = QRectF(QPointF(n.topLeft()), QPointF(n.bottomRight())).intersected(plot);
  if (r.width() <= 0.0 || r.height() <= 0.0) return false;
  const double x0 = xValueAt(r.topLeft()), x1 = xValueAt(r.bottomRight());
  const double y0 = yValueAt(r.bottomRight()), y1 = yValueAt(r.topLeft());
  saveZoomState();
  bottom_.setRange(std::min(x0, x1), std::max(x0, x1));
  left_.setRange(std::min(y0, y1), std::max(y0, y1));
  zoomed_ = true;
  emit zoomed();
  return true;
}

bool Chart::zoomPercent(double percent) {
  if (!(percent > 0.0) || !std::isfinite(percent)) return false;
  saveZoomState();
  for (ChartAxis* axis : {&bottom_, &left_}) {
    const Scale sc = drawScale(*axis);
    const double centre = (sc.lo + sc.hi) / 2.0;
    const double half = (sc.hi - sc.lo) / 2.0 * 100.0 / percent;
    axis->setRange(centre - half, centre + half);
  }
  zoomed_ = true;
  emit zoomed();
  return true;
}

void Chart::undoZoom() {
  if (zoomed_) {
    bottom_.automatic_ = savedBottom_.automatic;
    bottom_.min_ = savedBottom_.min;
    bottom_.max_ = savedBottom_.max;
    left_.automatic_ = savedLeft_.automatic;
    left_.min_ = savedLeft_.min;
    left_.max_ = savedLeft_.max;
    zoomed_ = false;
    changed();
  }
  emit undoneZoom();
}

void Chart::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  emit mousePressed(event->button(), event->modifiers(), pos);
  if (!plotRect().contains(pos)) return;
  if (event->button() == Qt::LeftButton && zoomEnabled_) {
    drag_ = Drag::Zoom;
    dragStart_ = dragEnd_ = pos;
  } else if (event->button() == Qt::RightButton && panMode_ != PanMode::None) {
    drag_ = Drag::Pan;
    dragStart_ = dragEnd_ = pos;
    panStartX_ = drawScale(bottom_);
    panStartY_ = drawScale(left_);
  }
}

void Chart::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  emit mouseMoved(event->modifiers(), pos);
  if (drag_ == Drag::Zoom) {
    dragEnd_ = pos;
    update();
  } else if (drag_ == Drag::Pan) {
    dragEnd_ = pos;
    const QRectF plot = plotRect();
    if (panMode_ == PanMode::Horizontal || panMode_ == PanMode::Both) {
      const double d = -(pos.x() - dragStart_.x()) / plot.width() * (panStartX_.hi - panStartX_.lo);
      bottom_.setRange(panStartX_.lo + d, panStartX_.hi + d);
    }
    if (panMode_ == PanMode::Vertical || panMode_ == PanMode::Both) {
      const double d = (pos.y() - dragStart_.y()) / plot.height() * (panStartY_.hi - panStartY_.lo);
      left_.setRange(panStartY_.lo + d, panStartY_.hi + d);
    }
    emit scrolled();
  }
}

void Chart::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  emit mouseReleased(event->button(), event->modifiers(), pos);
  if (drag_ == Drag::Zoom && event->button() == Qt::LeftButton) {
    drag_ = Drag::None;
    dragEnd_ = pos;
    update();
    const int dx = pos.x() - dragStart_.x(), dy = pos.y() - dragStart_.y();
    if (std::abs(dx) < kDragThreshold && std::abs(dy) < kDragThreshold) return;  // a click
    if (dx > 0 && dy > 0) {
      zoomToRect(QRect(dragStart_, pos));
    } else {
      undoZoom();
    }
  } else if (drag_ == Drag::Pan && event->button() == Qt::RightButton) {
    drag_ = Drag::None;
  }
}

void Chart::mouseDoubleClickEvent(QMouseEvent* event) {
  emit doubleClicked(event->position().toPoint());
}

}  // namespace qg::widgets
