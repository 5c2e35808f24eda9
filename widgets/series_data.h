#pragma once
// The points of one line series and what drawing needs of them, in plain C++.
//
// Points are appended at the end and dropped at the front, both in amortised constant time.
// Beside the values a pyramid of per-block minima and maxima of Y (blocks of 8, 64, 512, ...
// points) answers "smallest and largest Y of points i..j" in logarithmic time, so that a series
// of any length is reduced to one run per pixel column without visiting every point.
//
// Blocks are numbered by the absolute index of a point (the count of points ever appended), so
// dropping points at the front never moves a block boundary: a block that still holds a dropped
// point is never consulted, because every query lies within the live points and only blocks wholly
// inside the query are read.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qg::widgets {

struct ValueRange {
  double lo = 0.0;
  double hi = 0.0;
};

// One pixel column's share of a series, in the order the line visits them. Consecutive runs are
// joined by a straight segment from (uLast, yLast) of one to (uFirst, yFirst) of the next.
// u is the horizontal position in columns (column k covers k <= u < k + 1); y is in data units.
// A run whose column is -1 or `columns` is a point just outside the visible X range, given so
// that the line enters and leaves the plot at the right height.
struct ColumnRun {
  int column = 0;
  double uFirst = 0.0, yFirst = 0.0;
  double uLast = 0.0, yLast = 0.0;
  double yMin = 0.0, yMax = 0.0;
};

class SeriesData {
 public:
  // Refuses (false) a non-finite X or Y: one NaN would poison every minimum and maximum.
  bool Append(double x, double y);
  // Drops up to n of the oldest points.
  void DropFront(std::size_t n = 1);
  void Clear();
  void Reserve(std::size_t n);

  std::size_t Size() const { return tail_ - head_; }
  bool Empty() const { return tail_ == head_; }
  // i from 0 (the oldest live point) to Size() - 1.
  double X(std::size_t i) const { return x_[head_ - origin_ + i]; }
  double Y(std::size_t i) const { return y_[head_ - origin_ + i]; }

  // True while every X is at least the one before (the usual case of points in time order);
  // then lookups and decimation use binary search, otherwise a linear pass.
  bool XSorted() const { return sorted_; }

  // Index of the first point whose X equals x exactly.
  std::optional<std::size_t> FindX(double x) const;

  std::optional<ValueRange> XRange() const;
  std::optional<ValueRange> YRange() const;
  // Smallest and largest Y of the points first..last-1 (relative indices, first < last).
  ValueRange YRangeOf(std::size_t first, std::size_t last) const;

  // Reduces the points with x0 <= X <= x0 + columns * dx to at most one run per column (for
  // sorted X; an unsorted series gives one run per visit of a column), plus the neighbours just
  // outside. dx > 0, columns > 0.
  void Decimate(double x0, double dx, int columns, std::vector<ColumnRun>& out) const;

 private:
  struct Level {
    std::size_t origin = 0;  // absolute block number of blocks[0]
    std::vector<ValueRange> blocks;  // lo and hi side by side: one cache line serves both
  };
  static constexpr unsigned kShift = 3;
  static constexpr std::size_t kFan = std::size_t{1} << kShift;

  double AbsY(std::size_t a) const { return y_[a - origin_]; }
  double AbsX(std::size_t a) const { return x_[a - origin_]; }
  ValueRange QueryAbs(std::size_t i, std::size_t j) const;
  void Prefetch(std::size_t a) const;
  void AddLevel();
  void Compact();
  void DecimateSorted(double x0, double invDx, int columns, std::vector<ColumnRun>& out) const;
  void DecimateUnsorted(double x0, double invDx, int columns, std::vector<ColumnRun>& out) const;

  std::vector<double> x_, y_;
  std::size_t origin_ = 0;  // absolute index of x_[0]
  std::size_t head_ = 0;    // absolute index of the oldest live point
  std::size_t tail_ = 0;    // absolute index one past the newest
  std::vector<Level> levels_;
  bool sorted_ = true;
  mutable std::optional<ValueRange> xRangeCache_;  // unsorted series only
};

}  // namespace qg::widgets
