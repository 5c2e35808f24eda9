#include "widgets/series_data.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qg::widgets {
namespace {

constexpr std::size_t kCompactAt = 4096;  // dropped points kept before the storage is shifted
constexpr std::size_t kLinearBelow = 16;  // ranges this short are scanned point by point

struct MinMax {
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
  void Take(double v) {
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  void Take(double l, double h) {
    lo = std::min(lo, l);
    hi = std::max(hi, h);
  }
};

}  // namespace

bool SeriesData::Append(double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  if (!Empty() && x < AbsX(tail_ - 1)) sorted_ = false;
  xRangeCache_.reset();
  x_.push_back(x);
  y_.push_back(y);
  const std::size_t a = tail_++;
  if (levels_.empty()) levels_.push_back(Level{a >> kShift, {}});
  for (std::size_t k = 0; k < levels_.size(); ++k) {
    Level& level = levels_[k];
    const std::size_t block = a >> (kShift * (k + 1));
    if (block == level.origin + level.blocks.size()) {
      level.blocks.push_back({y, y});
    } else {
      ValueRange& b = level.blocks.back();
      b.lo = std::min(b.lo, y);
      b.hi = std::max(b.hi, y);
    }
  }
  if (levels_.back().blocks.size() >= 2 * kFan) AddLevel();
  return true;
}

void SeriesData::AddLevel() {
  const Level& below = levels_.back();
  Level up;
  up.origin = below.origin >> kShift;
  for (std::size_t i = 0; i < below.blocks.size(); ++i) {
    const std::size_t parent = (below.origin + i) >> kShift;
    const ValueRange& child = below.blocks[i];
    if (parent == up.origin + up.blocks.size()) {
      up.blocks.push_back(child);
    } else {
      ValueRange& b = up.blocks.back();
      b.lo = std::min(b.lo, child.lo);
      b.hi = std::max(b.hi, child.hi);
    }
  }
  levels_.push_back(std::move(up));
}

void SeriesData::DropFront(std::size_t n) {
  n = std::min(n, Size());
  if (n == 0) return;
  head_ += n;
  xRangeCache_.reset();
  if (Empty()) {
    Clear();
  } else if (head_ - origin_ >= kCompactAt && head_ - origin_ >= Size()) {
    Compact();
  }
}

void SeriesData::Compact() {
  const auto dropped = static_cast<std::ptrdiff_t>(head_ - origin_);
  x_.erase(x_.begin(), x_.begin() + dropped);
  y_.erase(y_.begin(), y_.begin() + dropped);
  origin_ = head_;
  for (std::size_t k = 0; k < levels_.size(); ++k) {
    Level& level = levels_[k];
    const std::size_t first = head_ >> (kShift * (k + 1));
    const std::size_t dead = std::min(first - level.origin, level.blocks.size());
    level.blocks.erase(level.blocks.begin(), level.blocks.begin() + static_cast<std::ptrdiff_t>(dead));
    level.origin = first;
  }
}

void SeriesData::Clear() {
  x_.clear();
  y_.clear();
  origin_ = head_ = tail_ = 0;
  levels_.clear();
  sorted_ = true;
  xRangeCache_.reset();
}

void SeriesData::Reserve(std::size_t n) {
  x_.reserve(n);
  y_.reserve(n);
}

std::optional<std::size_t> SeriesData::FindX(double x) const {
  const double* begin = x_.data() + (head_ - origin_);
  const double* end = begin + Size();
  const double* it = sorted_ ? std::lower_bound(begin, end, x) : std::find(begin, end, x);
  if (it == end || *it != x) return std::nullopt;
  return static_cast<std::size_t>(it - begin);
}

std::optional<ValueRange> SeriesData::XRange() const {
  if (Empty()) return std::nullopt;
  if (sorted_) return ValueRange{X(0), X(Size() - 1)};
  if (!xRangeCache_) {
    MinMax m;
    for (std::size_t a = head_; a < tail_; ++a) m.Take(AbsX(a));
    xRangeCache_ = ValueRange{m.lo, m.hi};
  }
  return xRangeCache_;
}

std::optional<ValueRange> SeriesData::YRange() const {
  if (Empty()) return std::nullopt;
  return QueryAbs(head_, tail_);
}

ValueRange SeriesData::YRangeOf(std::size_t first, std::size_t last) const {
  return QueryAbs(head_ + first, head_ + last);
}

ValueRange SeriesData::QueryAbs(std::size_t i, std::size_t j) const {
  MinMax m;
  if (j - i <= kLinearBelow) {
    for (std::size_t a = i; a < j; ++a) m.Take(AbsY(a));
    return {m.lo, m.hi};
  }
  constexpr std::size_t mask = kFan - 1;
  while (i < j && (i & mask)) m.Take(AbsY(i++));
  while (j > i && (j & mask)) m.Take(AbsY(--j));
  i >>= kShift;
  j >>= kShift;
  for (std::size_t k = 0; i < j; ++k) {
    const Level& level = levels_[k];
    const auto block = [&](std::size_t b) {
      const ValueRange& v = level.blocks[b - level.origin];
      m.Take(v.lo, v.hi);
    };
    if (k + 1 == levels_.size() || j - i <= kLinearBelow) {
      for (std::size_t b = i; b < j; ++b) block(b);
      break;
    }
    while (i < j && (i & mask)) block(i++);
    while (j > i && (j & mask)) block(--j);
    i >>= kShift;
    j >>= kShift;
  }
  return {m.lo, m.hi};
}

// Asks for the memory that a range query starting or ending near absolute index a will read, so
// that the misses of the next columns overlap the work on this one.
void SeriesData::Prefetch(std::size_t a) const {
  if (a >= tail_ || a < head_) return;
  __builtin_prefetch(&x_[a - origin_]);
  __builtin_prefetch(&y_[a - origin_]);
  for (std::size_t k = 0; k < levels_.size(); ++k) {
    const Level& level = levels_[k];
    const std::size_t b = a >> (kShift * (k + 1));
    if (b < level.origin || b - level.origin >= level.blocks.size()) break;
    __builtin_prefetch(&level.blocks[b - level.origin]);
  }
}

void SeriesData::Decimate(double x0, double dx, int columns, std::vector<ColumnRun>& out) const {
  out.clear();
  if (Empty() || columns <= 0 || !(dx > 0.0)) return;
  if (sorted_) {
    DecimateSorted(x0, 1.0 / dx, columns, out);
  } else {
    DecimateUnsorted(x0, 1.0 / dx, columns, out);
  }
}

void SeriesData::DecimateSorted(double x0, double invDx, int columns,
                                std::vector<ColumnRun>& out) const {
  const double* xs = x_.data() + (head_ - origin_);
  const std::size_t n = Size();
  const double xRight = x0 + columns / invDx;
  const std::size_t i0 = static_cast<std::size_t>(std::lower_bound(xs, xs + n, x0) - xs);
  const std::size_t iEnd = static_cast<std::size_t>(std::upper_bound(xs, xs + n, xRight) - xs);
  const auto u = [&](std::size_t i) { return (xs[i] - x0) * invDx; };
  const auto single = [&](int column, std::size_t i) {
    const double y = Y(i);
    out.push_back({column, u(i), y, u(i), y, y, y});
  };

  if (i0 > 0) single(-1, i0 - 1);
  // Points per column, to guess where the next column starts: with evenly spaced X the guess is
  // right or one off, and the search touches a couple of cache lines instead of a binary
  // search's twenty.
  const double density =
      iEnd > i0 + 1 && u(iEnd - 1) > u(i0) ? (iEnd - 1 - i0) / (u(iEnd - 1) - u(i0)) : 1.0;
  const bool dense = density >= 2.0 * kFan;
  std::size_t i = i0;
  while (i < iEnd) {
    const int c = std::min(static_cast<int>(std::floor(u(i))), columns - 1);
    if (dense) Prefetch(head_ + i + static_cast<std::size_t>(3.0 * density));
    std::size_t j = iEnd;
    if (c < columns - 1) {
      const double next = c + 1.0;
      const auto inNext = [&](std::size_t k) { return u(k) >= next; };
      const double ahead = std::min((next - u(i)) * density, static_cast<double>(iEnd - i));
      const std::size_t guess = std::clamp<std::size_t>(i + 1 + static_cast<std::size_t>(ahead), i + 1, iEnd);
      std::size_t lo, hi;  // the first point of the next column lies in [lo, hi]
      if (guess < iEnd && !inNext(guess)) {
        lo = guess + 1;
        hi = lo;
        std::size_t step = 1;
        while (hi < iEnd && !inNext(hi)) {
          lo = hi + 1;
          hi = lo + step;
          step <<= 1;
        }
        hi = std::min(hi, iEnd);
      } else {
        hi = guess;
        lo = guess;
        std::size_t step = 1;
        while (lo > i + 1) {
          const std::size_t probe = lo > i + 1 + step ? lo - step : i + 1;
          if (!inNext(probe)) {
            lo = probe + 1;
            break;
          }
          hi = lo = probe;
          step <<= 1;
        }
      }
      j = static_cast<std::size_t>(
          std::partition_point(xs + lo, xs + hi, [&](double x) { return (x - x0) * invDx < next; }) -
          xs);
    }
    const ValueRange r = YRangeOf(i, j);
    out.push_back({c, u(i), Y(i), u(j - 1), Y(j - 1), r.lo, r.hi});
    i = j;
  }
  if (iEnd < n) single(columns, iEnd);
}

void SeriesData::DecimateUnsorted(double x0, double invDx, int columns,
                                  std::vector<ColumnRun>& out) const {
  const std::size_t n = Size();
  const double xRight = x0 + columns / invDx;
  const auto columnOf = [&](std::size_t i) {
    const double x = X(i);
    if (x < x0) return -1;
    if (x > xRight) return columns;
    return std::min(static_cast<int>(std::floor((x - x0) * invDx)), columns - 1);
  };
  int prev = 0;
  int cur = n > 0 ? columnOf(0) : 0;
  for (std::size_t i = 0; i < n; ++i) {
    const int next = i + 1 < n ? columnOf(i + 1) : 0;
    const double u = (X(i) - x0) * invDx;
    const double y = Y(i);
    const bool visible = cur >= 0 && cur < columns;
    if (visible) {
      if (i > 0 && !out.empty() && out.back().column == cur && prev == cur) {
        ColumnRun& run = out.back();
        run.uLast = u;
        run.yLast = y;
        run.yMin = std::min(run.yMin, y);
        run.yMax = std::max(run.yMax, y);
      } else {
        out.push_back({cur, u, y, u, y, y, y});
      }
    } else {
      // Of several points in a row on one side of the plot only the first and the last can
      // start or end a visible segment.
      const bool first = i == 0 || prev != cur;
      const bool last = i + 1 == n || next != cur;
      if (first || last) out.push_back({cur, u, y, u, y, y, y});
    }
    prev = cur;
    cur = next;
  }
}

}  // namespace qg::widgets
