#pragma once
// Cell references in the "A1" style of spreadsheets: columns are letters (A..Z, AA..), rows are
// numbers from 1. Plain C++ so that the shell's range arithmetic can use it without a window.
#include <optional>
#include <string>
#include <string_view>

namespace qg::widgets {

// Largest column and row a reference may name ("XFD" and 1048576, as common spreadsheets);
// anything beyond is refused rather than wrapped.
inline constexpr int kMaxColumn = 16384;
inline constexpr int kMaxRow = 1048576;

struct CellRef {
  int row = 1;     // from 1
  int column = 1;  // from 1 (A = 1)
  friend bool operator==(const CellRef&, const CellRef&) = default;
};

// A rectangle of cells; first is the top-left corner and last the bottom-right one.
struct CellRange {
  CellRef first;
  CellRef last;
  friend bool operator==(const CellRange&, const CellRange&) = default;
  bool IsSingleCell() const { return first == last; }
  int RowCount() const { return last.row - first.row + 1; }
  int ColumnCount() const { return last.column - first.column + 1; }
  bool Contains(int row, int column) const {
    return row >= first.row && row <= last.row && column >= first.column && column <= last.column;
  }
};

// "A", "Z", "AA", "AC" for 1, 26, 27, 29; empty for a column out of 1..kMaxColumn.
std::string ColumnLetters(int column);
// 1 for "A" (case ignored); nothing for anything that is not 1 to 3 letters within kMaxColumn.
std::optional<int> ParseColumnLetters(std::string_view letters);

// "B2"
std::string FormatCell(const CellRef& cell);
// "B2:AC9", or "B2" for a single cell.
std::string FormatRange(const CellRange& range);

// Reads "B2", "b2", "B2:AC9" or "AC9:B2" (corners in any order, normalised); blanks around the
// parts are allowed. Nothing for any other text, for row 0, or beyond the limits.
std::optional<CellRef> ParseCell(std::string_view text);
std::optional<CellRange> ParseRange(std::string_view text);

}  // namespace qg::widgets
