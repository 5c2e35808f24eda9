#include "widgets/column_raster.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace qg::widgets {

void ColumnRaster::Reset(int columns, int rows) {
  columns_ = std::max(columns, 0);
  rows_ = std::max(rows, 0);
  spans_.clear();
  pixels_.clear();
  curColumn_ = -1;
}

void ColumnRaster::Push(int column, double r0, double r1) {
  if (r0 > r1) std::swap(r0, r1);
  if (column == curColumn_) {
    curLo_ = std::min(curLo_, r0);
    curHi_ = std::max(curHi_, r1);
    return;
  }
  Flush();
  curColumn_ = column;
  curLo_ = r0;
  curHi_ = r1;
}

void ColumnRaster::Flush() {
  if (curColumn_ < 0) return;
  const int column = curColumn_;
  curColumn_ = -1;
  // Rows are clamped as doubles first: a value far off the axis must not overflow the int.
  const double lo = std::clamp(curLo_, -1.0, static_cast<double>(rows_));
  const double hi = std::clamp(curHi_, -1.0, static_cast<double>(rows_));
  int top = static_cast<int>(std::floor(lo + 0.5));
  int bottom = static_cast<int>(std::floor(hi + 0.5));
  if (bottom < 0 || top >= rows_) return;
  top = std::max(top, 0);
  bottom = std::min(bottom, rows_ - 1);
  spans_.push_back({column, top, bottom, static_cast<std::uint32_t>(pixels_.size() - 1)});
}

void ColumnRaster::Segment(double ua, double ra, double ub, double rb) {
  const double lo = std::min(ua, ub), hi = std::max(ua, ub);
  if (hi < 0.0 || lo >= columns_) return;
  const int k0 = static_cast<int>(std::floor(std::clamp(ua, 0.0, columns_ - 1.0)));
  const int k1 = static_cast<int>(std::floor(std::clamp(ub, 0.0, columns_ - 1.0)));
  if (ua == ub) {
    Push(k0, ra, rb);
    return;
  }
  const double slope = (rb - ra) / (ub - ua);
  const auto rowAt = [&](double u) { return ra + (u - ua) * slope; };
  // Columns are visited in the direction of travel so that each contribution touches the one
  // before it, which is what lets Push merge contributions to one column.
  const int step = k1 >= k0 ? 1 : -1;
  for (int k = k0;; k += step) {
    const double a = std::clamp(static_cast<double>(k), lo, hi);
    const double b = std::clamp(static_cast<double>(k + 1), lo, hi);
    Push(k, rowAt(a), rowAt(b));
    if (k == k1) break;
  }
}

void ColumnRaster::AddLine(const std::vector<ColumnRun>& runs, double rowScale, double rowOffset,
                           std::uint32_t pixel) {
  if (columns_ == 0 || rows_ == 0) return;
  pixels_.push_back(pixel);
  curColumn_ = -1;
  const auto row = [&](double y) { return y * rowScale + rowOffset; };
  for (std::size_t k = 0; k < runs.size(); ++k) {
    const ColumnRun& r = runs[k];
    if (r.column >= 0 && r.column < columns_) Push(r.column, row(r.yMin), row(r.yMax));
    if (k + 1 < runs.size()) {
      const ColumnRun& next = runs[k + 1];
      Segment(r.uLast, row(r.yLast), next.uFirst, row(next.yFirst));
    }
  }
  Flush();
}

void ColumnRaster::Fill(std::uint32_t* origin, std::ptrdiff_t stride) {
  written_ = 0;
  if (spans_.empty()) return;
  // Counting sort by column, stable, so that within a column the spans stay in layer order.
  bucketStart_.assign(static_cast<std::size_t>(columns_) + 1, 0);
  for (const Span& s : spans_) ++bucketStart_[static_cast<std::size_t>(s.column) + 1];
  for (int c = 0; c < columns_; ++c) bucketStart_[c + 1] += bucketStart_[c];
  order_.resize(spans_.size());
  {
    std::vector<std::uint32_t> next(bucketStart_.begin(), bucketStart_.end() - 1);
    for (std::uint32_t i = 0; i < spans_.size(); ++i) order_[next[spans_[i].column]++] = i;
  }

  // Rows already written in the current column, as sorted disjoint [top, bottom] intervals.
  std::vector<std::pair<int, int>> covered;
  std::vector<std::pair<int, int>> merged;
  for (int c = 0; c < columns_; ++c) {
    const std::uint32_t begin = bucketStart_[c], end = bucketStart_[c + 1];
    if (begin == end) continue;
    covered.clear();
    std::uint32_t* column = origin + c;
    for (std::uint32_t k = end; k > begin; --k) {
      const Span& s = spans_[order_[k - 1]];
      const std::uint32_t pixel = pixels_[s.layer];
      const auto fill = [&](int top, int bottom) {
        std::uint32_t* p = column + top * stride;
        for (int r = top; r <= bottom; ++r, p += stride) *p = pixel;
        written_ += static_cast<std::size_t>(bottom - top + 1);
      };
      int cursor = s.top;
      for (const auto& [ct, cb] : covered) {
        if (cb < cursor) continue;
        if (ct > s.bottom) break;
        if (ct > cursor) fill(cursor, ct - 1);
        cursor = cb + 1;
        if (cursor > s.bottom) break;
      }
      if (cursor <= s.bottom) fill(cursor, s.bottom);

      merged.clear();
      bool placed = false;
      int top = s.top, bottom = s.bottom;
      for (const auto& iv : covered) {
        if (iv.second + 1 < top) {
          merged.push_back(iv);
        } else if (iv.first > bottom + 1) {
          if (!placed) merged.emplace_back(top, bottom), placed = true;
          merged.push_back(iv);
        } else {
          top = std::min(top, iv.first);
          bottom = std::max(bottom, iv.second);
        }
      }
      if (!placed) merged.emplace_back(top, bottom);
      covered.swap(merged);
      if (covered.size() == 1 && covered[0].first == 0 && covered[0].second == rows_ - 1) break;
    }
  }
}

}  // namespace qg::widgets
