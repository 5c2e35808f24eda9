#include "widgets/column_raster.h"

#include <gtest/gtest.h>

#include <vector>

namespace qg::widgets {
namespace {

constexpr std::uint32_t kBack = 0xff000000u;

struct Canvas {
  int w, h;
  std::vector<std::uint32_t> px;
  Canvas(int w_, int h_) : w(w_), h(h_), px(static_cast<std::size_t>(w_ * h_), kBack) {}
  std::uint32_t at(int x, int y) const { return px[static_cast<std::size_t>(y * w + x)]; }
  std::vector<int> rowsOf(int x, std::uint32_t colour) const {
    std::vector<int> rows;
    for (int y = 0; y < h; ++y) {
      if (at(x, y) == colour) rows.push_back(y);
    }
    return rows;
  }
};

ColumnRun Point(double u, double y, int columns) {
  const int c = u < 0 ? -1 : (u >= columns ? columns : static_cast<int>(u));
  return {c, u, y, u, y, y, y};
}

// y maps straight to rows: row = y.
TEST(ColumnRaster, HorizontalLineIsOneRow) {
  Canvas canvas(50, 20);
  ColumnRaster raster;
  raster.Reset(50, 20);
  raster.AddLine({Point(0.2, 7.0, 50), Point(49.5, 7.0, 50)}, 1.0, 0.0, 0xffff0000u);
  raster.Fill(canvas.px.data(), canvas.w);
  for (int x = 0; x < 50; ++x) EXPECT_EQ(canvas.rowsOf(x, 0xffff0000u), std::vector<int>{7}) << x;
}

// A steep segment over two columns covers every row in between: no gap in the line.
TEST(ColumnRaster, SteepSegmentLeavesNoGap) {
  Canvas canvas(4, 100);
  ColumnRaster raster;
  raster.Reset(4, 100);
  raster.AddLine({Point(1.5, 0.0, 4), Point(2.5, 99.0, 4)}, 1.0, 0.0, 0xff00ff00u);
  raster.Fill(canvas.px.data(), canvas.w);
  std::vector<bool> row(100, false);
  for (int x = 0; x < 4; ++x) {
    for (int y : canvas.rowsOf(x, 0xff00ff00u)) row[static_cast<std::size_t>(y)] = true;
  }
  for (int y = 0; y < 100; ++y) EXPECT_TRUE(row[static_cast<std::size_t>(y)]) << y;
  EXPECT_TRUE(canvas.rowsOf(0, 0xff00ff00u).empty());
}

// Of overlapping lines the last added shows, and each pixel is written once.
TEST(ColumnRaster, TopLineWinsAndPixelsAreWrittenOnce) {
  Canvas canvas(30, 40);
  ColumnRaster raster;
  raster.Reset(30, 40);
  const ColumnRun full{5, 5.0, 0.0, 5.9, 39.0, 0.0, 39.0};  // one column, all rows
  for (std::uint32_t colour : {0xff111111u, 0xff222222u, 0xff333333u}) {
    raster.AddLine({full}, 1.0, 0.0, colour);
  }
  raster.AddLine({Point(0.5, 10.0, 30), Point(29.5, 10.0, 30)}, 1.0, 0.0, 0xff444444u);
  raster.Fill(canvas.px.data(), canvas.w);
  EXPECT_EQ(canvas.at(5, 10), 0xff444444u);
  EXPECT_EQ(canvas.at(5, 11), 0xff333333u);
  EXPECT_EQ(canvas.at(5, 0), 0xff333333u);
  EXPECT_EQ(raster.PixelsWritten(), 40u + 29u);
}

// Neighbours far outside the plot, and values far off the axis, are clipped, not overflowed.
TEST(ColumnRaster, FarPointsAreClipped) {
  Canvas canvas(20, 10);
  ColumnRaster raster;
  raster.Reset(20, 10);
  raster.AddLine({Point(-1e12, 4.0, 20), Point(1e12, 4.0, 20)}, 1.0, 0.0, 0xffabcdefu);
  raster.AddLine({Point(3.5, -1e300, 20), Point(3.5, 1e300, 20)}, 1.0, 0.0, 0xff00ffffu);
  raster.Fill(canvas.px.data(), canvas.w);
  for (int x = 0; x < 20; ++x) {
    if (x != 3) {
      EXPECT_EQ(canvas.rowsOf(x, 0xffabcdefu), std::vector<int>{4}) << x;
    }
  }
  EXPECT_EQ(canvas.rowsOf(3, 0xff00ffffu).size(), 10u);
}

}  // namespace
}  // namespace qg::widgets
