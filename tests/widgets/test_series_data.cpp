#include "widgets/series_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace qg::widgets {
namespace {

ValueRange Brute(const SeriesData& d, std::size_t first, std::size_t last) {
  ValueRange r{std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
  for (std::size_t i = first; i < last; ++i) {
    r.lo = std::min(r.lo, d.Y(i));
    r.hi = std::max(r.hi, d.Y(i));
  }
  return r;
}

// Appends and front drops interleaved, through several compactions; every range query must
// agree with a scan of the points.
TEST(SeriesData, RangeQueriesMatchAScanThroughAppendsAndDrops) {
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> value(-1000.0, 1000.0);
  SeriesData d;
  double x = 0.0;
  std::vector<double> model;
  for (int round = 0; round < 40; ++round) {
    const int adds = std::uniform_int_distribution<int>(0, 3000)(rng);
    for (int i = 0; i < adds; ++i) {
      const double y = value(rng);
      ASSERT_TRUE(d.Append(x += 1.0, y));
      model.push_back(y);
    }
    const auto drops = std::uniform_int_distribution<std::size_t>(0, model.size() / 2)(rng);
    d.DropFront(drops);
    model.erase(model.begin(), model.begin() + static_cast<std::ptrdiff_t>(drops));
    ASSERT_EQ(d.Size(), model.size());
    if (model.empty()) continue;
    ASSERT_EQ(d.Y(0), model.front());
    ASSERT_EQ(d.Y(d.Size() - 1), model.back());
    const auto all = d.YRange();
    ASSERT_TRUE(all);
    EXPECT_EQ(all->lo, *std::min_element(model.begin(), model.end()));
    EXPECT_EQ(all->hi, *std::max_element(model.begin(), model.end()));
    for (int q = 0; q < 50; ++q) {
      std::size_t a = std::uniform_int_distribution<std::size_t>(0, model.size() - 1)(rng);
      std::size_t b = std::uniform_int_distribution<std::size_t>(0, model.size() - 1)(rng);
      if (a > b) std::swap(a, b);
      const ValueRange got = d.YRangeOf(a, b + 1);
      const ValueRange want = Brute(d, a, b + 1);
      ASSERT_EQ(got.lo, want.lo) << a << ".." << b;
      ASSERT_EQ(got.hi, want.hi) << a << ".." << b;
    }
  }
}

TEST(SeriesData, RefusesNonFiniteValues) {
  SeriesData d;
  EXPECT_FALSE(d.Append(std::nan(""), 1.0));
  EXPECT_FALSE(d.Append(1.0, std::numeric_limits<double>::infinity()));
  EXPECT_TRUE(d.Empty());
  EXPECT_FALSE(d.YRange());
}

TEST(SeriesData, FindsTheFirstExactX) {
  SeriesData d;
  for (double x : {1.0, 2.0, 2.0, 3.0}) d.Append(x, x * 10.0);
  EXPECT_EQ(d.FindX(2.0), 1u);
  EXPECT_EQ(d.FindX(3.0), 3u);
  EXPECT_FALSE(d.FindX(2.5));
  EXPECT_FALSE(d.FindX(2.0 + 1e-12));
  d.DropFront(2);
  EXPECT_EQ(d.FindX(2.0), 0u);  // indices follow the drop
  EXPECT_FALSE(d.FindX(1.0));
}

// A clock set back (say at the end of daylight saving) gives X that go backwards: lookups and
// ranges must still be right.
TEST(SeriesData, XGoingBackwardsIsHandled) {
  SeriesData d;
  for (double x : {10.0, 11.0, 12.0, 5.0, 6.0, 11.0}) d.Append(x, x);
  EXPECT_FALSE(d.XSorted());
  EXPECT_EQ(d.FindX(11.0), 1u);
  EXPECT_EQ(d.FindX(5.0), 3u);
  ASSERT_TRUE(d.XRange());
  EXPECT_EQ(d.XRange()->lo, 5.0);
  EXPECT_EQ(d.XRange()->hi, 12.0);
}

// Each visible run holds exactly the points of its column, with their true extremes.
TEST(SeriesData, DecimationKeepsEveryColumnsExtremes) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  SeriesData d;
  for (int i = 0; i < 200000; ++i) d.Append(i * 0.5, noise(rng) + (i == 20001 ? 50.0 : 0.0));
  const double x0 = 1000.0, dx = 37.3;
  const int columns = 500;
  std::vector<ColumnRun> runs;
  d.Decimate(x0, dx, columns, runs);
  ASSERT_GE(runs.size(), 3u);
  EXPECT_EQ(runs.front().column, -1);  // the neighbour just left of the plot
  EXPECT_EQ(runs.back().column, columns);
  EXPECT_LE(runs.size(), static_cast<std::size_t>(columns) + 2);
  struct Want {
    ValueRange r{1e300, -1e300};
    std::size_t first = SIZE_MAX, last = 0;
  };
  std::vector<Want> want(columns);
  for (std::size_t i = 0; i < d.Size(); ++i) {
    const double x = d.X(i);
    if (x < x0 || x > x0 + columns * dx) continue;
    Want& w = want[static_cast<std::size_t>(std::min(static_cast<int>(std::floor((x - x0) / dx)), columns - 1))];
    w.r.lo = std::min(w.r.lo, d.Y(i));
    w.r.hi = std::max(w.r.hi, d.Y(i));
    w.first = std::min(w.first, i);
    w.last = i;
  }
  int prev = -1;
  bool sawSpike = false;
  for (std::size_t k = 1; k + 1 < runs.size(); ++k) {
    const ColumnRun& r = runs[k];
    ASSERT_GT(r.column, prev);
    prev = r.column;
    const Want& w = want[static_cast<std::size_t>(r.column)];
    ASSERT_NE(w.first, SIZE_MAX);
    EXPECT_EQ(r.yMin, w.r.lo);
    EXPECT_EQ(r.yMax, w.r.hi);
    EXPECT_EQ(r.yFirst, d.Y(w.first));
    EXPECT_EQ(r.yLast, d.Y(w.last));
    sawSpike = sawSpike || r.yMax > 40.0;
  }
  EXPECT_EQ(prev, columns - 1);
  EXPECT_TRUE(sawSpike);
}

TEST(SeriesData, UnsortedDecimationVisitsColumnsInOrder) {
  SeriesData d;
  for (double x : {0.5, 1.5, 1.7, 0.2, -5.0, -6.0, 3.5}) d.Append(x, x);
  std::vector<ColumnRun> runs;
  d.Decimate(0.0, 1.0, 4, runs);
  std::vector<int> columns;
  for (const auto& r : runs) columns.push_back(r.column);
  // 1.5 and 1.7 share a run; of the two points left of the plot both ends are kept.
  EXPECT_EQ(columns, (std::vector<int>{0, 1, 0, -1, -1, 3}));
  EXPECT_EQ(runs[1].yMin, 1.5);
  EXPECT_EQ(runs[1].yMax, 1.7);
}

}  // namespace
}  // namespace qg::widgets
