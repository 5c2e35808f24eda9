#pragma once
// Draws one-pixel lines by filling, in each pixel column, the vertical run of rows that the line
// crosses there. A line of any number of points reduced by SeriesData::Decimate costs at most a
// few runs per column, and all the lines of a chart are written column by column, topmost line
// first, so that each pixel is written at most once however many lines cover it: a chart of
// sixteen lines of white noise writes no more pixels than one that fills its plot once.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "widgets/series_data.h"

namespace qg::widgets {

class ColumnRaster {
 public:
  // A plot of columns x rows pixels; forgets the lines added before.
  void Reset(int columns, int rows);
  // Adds a line above those added before. Data y maps to the row y * rowScale + rowOffset
  // (row 0 at the top of the plot; rows outside 0..rows-1 are clipped). `pixel` is written as is.
  void AddLine(const std::vector<ColumnRun>& runs, double rowScale, double rowOffset,
               std::uint32_t pixel);
  // Writes the lines; `origin` is the top-left pixel of the plot and `stride` the distance in
  // pixels between rows.
  void Fill(std::uint32_t* origin, std::ptrdiff_t stride);

  // Pixels written by the last Fill (for tests and measurements).
  std::size_t PixelsWritten() const { return written_; }

 private:
  struct Span {
    int column;
    int top, bottom;
    std::uint32_t layer;
  };
  void Push(int column, double r0, double r1);
  void Flush();
  void Segment(double ua, double ra, double ub, double rb);

  int columns_ = 0, rows_ = 0;
  std::vector<Span> spans_;
  std::vector<std::uint32_t> pixels_;  // per layer
  // Column being accumulated by AddLine.
  int curColumn_ = -1;
  double curLo_ = 0.0, curHi_ = 0.0;
  // Scratch of Fill.
  std::vector<std::uint32_t> bucketStart_;
  std::vector<std::uint32_t> order_;
  std::size_t written_ = 0;
};

}  // namespace qg::widgets
