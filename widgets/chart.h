#pragma once
// The trend chart: line series against a bottom (X) axis, usually of date-times, and a left (Y)
// value axis, drawn with QPainter onto the widget or onto any paint device at any size.
//
// Coordinates: X and Y are data values. Date-times are days from 30 December 1899, the
// fraction being the time of day (local time). Pixel positions are widget coordinates.
//
// Speed: a series of any length is drawn through min/max decimation per pixel column
// (SeriesData::Decimate), so a redraw costs about the same for a thousand points as for a
// million. When the chart is painted into a 32-bit QImage (the widget itself paints through
// one), solid one-pixel lines are filled column by column straight into the image bits
// (ColumnRaster), topmost line first, each pixel written at most once; other lines (dotted,
// wider, translucent) and other devices (printers, PDF, QPicture) get QPainter polylines of the
// same decimated points.
//
// Mouse: with zoom enabled, dragging the left button right-and-down over the plot zooms to the
// dragged rectangle; dragging left or up undoes the zoom. Dragging the right button pans
// ("scrolls") along the axes that the pan mode allows. The notifications come in this order:
// mousePressed, mouseMoved..., mouseReleased, then zoomed() or undoneZoom(); so a handler of
// zoomed() already knows the positions of the press and the release.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "widgets/column_raster.h"
#include "widgets/series_data.h"

class QPainter;

namespace qg::widgets {

class Chart;

// One of the chart's two axes.
//
// Automatic: the range follows the smallest and largest values of the active series (X for the
// bottom axis, Y for the left one); minimum() and maximum() then report that range (or the last
// manual one while no active series has points). Setting a minimum or maximum switches the
// automatic range off, keeping the other end where it was shown.
//
// Order rule: the axis never holds a minimum above its maximum. setMinimum(v) is refused when v
// is above the current maximum and setMaximum(v) when v is below the current minimum, so a new
// range entirely above the current one needs the maximum first and one entirely below needs the
// minimum first (or setRange, which takes both at once). Equal ends are accepted. Refused calls
// return false and change nothing; so do non-finite values.
class ChartAxis {
 public:
  enum class Kind { Value, DateTime };

  bool automatic() const { return automatic_; }
  void setAutomatic(bool on);

  double minimum() const;
  double maximum() const;
  bool setMinimum(double value);
  bool setMaximum(double value);
  // Both ends at once; refused when low > high.
  bool setRange(double low, double high);

  // Date-time labels are written with a QDateTime format ("hh:mm:ss", "  hh:mm:ss",
  // "dd/MM/yyyy hh:mm:ss"); value labels with as many decimals as the step between labels needs.
  Kind kind() const { return kind_; }
  void setKind(Kind kind);
  QString labelFormat() const { return format_; }
  void setLabelFormat(const QString& format);
  // Smallest distance between two labels, in axis units (for date-times in days, so one second
  // is 1.0 / 86400). Labels are spaced further apart when they would overlap. 0 = no minimum.
  double increment() const { return increment_; }
  void setIncrement(double increment);

  bool gridVisible() const { return grid_; }
  void setGridVisible(bool visible);

  // The label text of a value on this axis.
  QString labelText(double value) const;

  // The date-time text of a day count with a QDateTime format, with no time-zone shift.
  static QString formatDateTime(double days, const QString& format);

 private:
  friend class Chart;
  enum class Side { Bottom, Left };
  ChartAxis(Chart* chart, Side side) : chart_(chart), side_(side) {}
  std::optional<ValueRange> dataRange() const;
  void changed();

  Chart* chart_;
  Side side_;
  bool automatic_ = true;
  double min_ = 0.0, max_ = 1.0;
  Kind kind_ = Kind::Value;
  QString format_ = QStringLiteral("hh:mm:ss");
  double increment_ = 0.0;
  bool grid_ = true;
};

// A fast line series: points in the order added, joined by a straight line.
//
// Points are added at the end and removed at the front, each in amortised constant time. With a
// maximum count set, adding to a full series first removes the oldest point. Indices run from 0
// (the oldest point) to count() - 1 and shift down when the oldest is removed.
class LineSeries {
 public:
  QString title() const { return title_; }
  void setTitle(const QString& title) { title_ = title; }
  QColor color() const { return color_; }
  void setColor(const QColor& color);
  bool isActive() const { return active_; }
  void setActive(bool active);
  Qt::PenStyle penStyle() const { return style_; }
  void setPenStyle(Qt::PenStyle style);
  // In pixels of a 96-dpi screen; printing scales it with the device.
  int lineWidth() const { return width_; }
  void setLineWidth(int width);

  // Adds a point; returns its index, or -1 for a non-finite X or Y (refused, nothing changes).
  int addXY(double x, double y, const QString& label = QString());
  // Removes up to n of the oldest points.
  void removeOldest(int n = 1);
  void clear();
  // 0 = no limit.
  int maximumCount() const { return maxCount_; }
  void setMaximumCount(int count);

  int count() const { return static_cast<int>(data_.Size()); }
  bool isEmpty() const { return data_.Empty(); }
  // i in 0..count()-1; out-of-range indices give 0 and an empty label.
  double x(int i) const;
  double y(int i) const;
  QString label(int i) const;

  // Index of the first point whose X equals x exactly, or -1.
  int locateX(double x) const;

  // Smallest and largest X and Y of the points; 0 when the series is empty.
  double minX() const;
  double maxX() const;
  double minY() const;
  double maxY() const;

  const SeriesData& data() const { return data_; }

 private:
  friend class Chart;
  LineSeries(Chart* chart, const QString& title, const QColor& color)
      : chart_(chart), title_(title), color_(color) {}
  void changed();

  Chart* chart_;
  QString title_;
  QColor color_;
  bool active_ = true;
  Qt::PenStyle style_ = Qt::SolidLine;
  int width_ = 1;
  int maxCount_ = 0;
  SeriesData data_;
  // Labels are kept only once a point has been given one; until then this stays empty, so that
  // unlabelled series pay nothing for them.
  std::deque<QString> labels_;
};

class Chart : public QWidget {
  Q_OBJECT

 public:
  enum class PanMode { None, Horizontal, Vertical, Both };

  explicit Chart(QWidget* parent = nullptr);
  ~Chart() override;

  // Series are owned by the chart and live as long as it does; later series draw above earlier.
  LineSeries& addSeries(const QString& title, const QColor& color);
  int seriesCount() const { return static_cast<int>(series_.size()); }
  LineSeries& series(int index) { return *series_.at(static_cast<std::size_t>(index)); }
  const LineSeries& series(int index) const { return *series_.at(static_cast<std::size_t>(index)); }

  ChartAxis& bottomAxis() { return bottom_; }
  ChartAxis& leftAxis() { return left_; }
  const ChartAxis& bottomAxis() const { return bottom_; }
  const ChartAxis& leftAxis() const { return left_; }

  // Smallest and largest X and Y over the points of the active series; nothing when no active
  // series has a point.
  std::optional<ValueRange> activeXRange() const;
  std::optional<ValueRange> activeYRange() const;
  // The same as plain numbers, 0 when there is nothing.
  double minXValue() const;
  double maxXValue() const;
  double minYValue() const;
  double maxYValue() const;

  // Title above the plot and foot below it; "\n" separates lines. Empty texts take no room.
  QString title() const { return title_; }
  void setTitle(const QString& text);
  void setTitleFont(const QFont& font);
  void setTitleColor(const QColor& color);
  QString foot() const { return foot_; }
  void setFoot(const QString& text);
  void setFootFont(const QFont& font);
  void setFootColor(const QColor& color);
  void setLabelFont(const QFont& font);

  // Back colour: the chart's background around the plot. Wall colour: the plot area.
  QColor backColor() const { return back_; }
  void setBackColor(const QColor& color);
  QColor wallColor() const { return wall_; }
  void setWallColor(const QColor& color);

  // Margins between the chart's edge and its contents, in per cent of its width (left, right)
  // and height (top, bottom).
  void setMargins(double leftPercent, double topPercent, double rightPercent,
                  double bottomPercent);
  QRectF marginsPercent() const { return margins_; }  // x = left, y = top, width = right, height = bottom

  // Zoom and pan by mouse.
  bool zoomEnabled() const { return zoomEnabled_; }
  void setZoomEnabled(bool on) { zoomEnabled_ = on; }
  PanMode panMode() const { return panMode_; }
  void setPanMode(PanMode mode) { panMode_ = mode; }

  // Zooms both axes to the rectangle whose corners are the widget pixels topLeft() and
  // bottomRight() (clipped to the plot); false and no
  // notification for a rectangle without width or height inside the plot. Emits zoomed().
  bool zoomToRect(const QRect& pixels);
  // Zooms both axes about their centres; 200 shows half of each range, 50 twice as much.
  // Emits zoomed(). Refused (false) for a percent not above 0.
  bool zoomPercent(double percent);
  // Restores the axes as they were before the first zoom since the last undo (automatic flags
  // and ranges) and emits undoneZoom(), also when nothing was zoomed, so that a handler can
  // apply its own idea of the whole graph.
  void undoZoom();
  bool isZoomed() const { return zoomed_; }

  // The plot rectangle in widget coordinates, and the data values at a widget position (positions
  // outside the plot extend the axes' scales linearly).
  QRectF plotRect() const;
  double xValueAt(const QPointF& pos) const;
  double yValueAt(const QPointF& pos) const;
  // The widget position of a data point.
  QPointF positionOf(double x, double y) const;

  // Paints the whole chart into `target` on any paint device (widget, image, printer, PDF,
  // picture); fonts and line widths follow the device's resolution.
  void paintChart(QPainter& painter, const QRectF& target) const;
  // The chart as an opaque image of the given size.
  QImage toImage(const QSize& size) const;

  // Lets the image renderer fill pixel columns directly (the default) or forces QPainter
  // polylines everywhere; for comparisons.
  void setDirectRaster(bool on);
  bool directRaster() const { return directRaster_; }

 signals:
  void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
  void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
  void mouseMoved(Qt::KeyboardModifiers modifiers, QPoint pos);
  void doubleClicked(QPoint pos);
  void zoomed();
  void undoneZoom();
  void scrolled();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  friend class ChartAxis;
  friend class LineSeries;
  struct Layout;
  struct Scale {
    double lo, hi;
  };
  void changed();
  Layout layout(const QRectF& target, QPaintDevice* device) const;
  Scale drawScale(const ChartAxis& axis) const;
  void paintSeries(QPainter& painter, const QRectF& plot, double scale) const;
  void saveZoomState();

  std::vector<std::unique_ptr<LineSeries>> series_;
  ChartAxis bottom_{this, ChartAxis::Side::Bottom};
  ChartAxis left_{this, ChartAxis::Side::Left};
  QString title_, foot_;
  QFont titleFont_, footFont_, labelFont_;
  QColor titleColor_{Qt::blue}, footColor_{Qt::black};
  QColor back_{Qt::white}, wall_{Qt::white};
  QRectF margins_{3.0, 4.0, 3.0, 4.0};
  bool zoomEnabled_ = true;
  PanMode panMode_ = PanMode::Both;
  bool directRaster_ = true;

  struct AxisState {
    bool automatic;
    double min, max;
  };
  bool zoomed_ = false;
  AxisState savedBottom_{}, savedLeft_{};

  enum class Drag { None, Zoom, Pan };
  Drag drag_ = Drag::None;
  QPoint dragStart_, dragEnd_;
  Scale panStartX_{0, 0}, panStartY_{0, 0};

  QImage cache_;
  bool cacheValid_ = false;
  // Scratch of the renderer, reused between paints.
  mutable std::vector<ColumnRun> runs_;
  mutable ColumnRaster raster_;
};

}  // namespace qg::widgets
