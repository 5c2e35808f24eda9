#include "widgets/cellref.h"

#include <algorithm>

namespace qg::widgets {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string ColumnLetters(int column) {
  if (column < 1 || column > kMaxColumn) return {};
  std::string out;
  while (column > 0) {
    const int rem = (column - 1) % 26;
    out.insert(out.begin(), static_cast<char>('A' + rem));
    column = (column - 1) / 26;
  }
  return out;
}

std::optional<int> ParseColumnLetters(std::string_view letters) {
  if (letters.empty() || letters.size() > 3) return std::nullopt;
  int value = 0;
  for (char c : letters) {
    if (!IsLetter(c)) return std::nullopt;
    const char up = static_cast<char>(c >= 'a' ? c - 'a' + 'A' : c);
    value = value * 26 + (up - 'A' + 1);
  }
  if (value > kMaxColumn) return std::nullopt;
  return value;
}

std::string FormatCell(const CellRef& cell) {
  return ColumnLetters(cell.column) + std::to_string(cell.row);
}

std::string FormatRange(const CellRange& range) {
  if (range.IsSingleCell()) return FormatCell(range.first);
  return FormatCell(range.first) + ":" + FormatCell(range.last);
}

std::optional<CellRef> ParseCell(std::string_view text) {
  text = Trim(text);
  std::size_t i = 0;
  while (i < text.size() && IsLetter(text[i])) ++i;
  const auto column = ParseColumnLetters(text.substr(0, i));
  if (!column) return std::nullopt;
  const std::string_view digits = text.substr(i);
  if (digits.empty() || digits.size() > 7) return std::nullopt;
  int row = 0;
  for (char c : digits) {
    if (!IsDigit(c)) return std::nullopt;
    row = row * 10 + (c - '0');
  }
  if (row < 1 || row > kMaxRow) return std::nullopt;
  return CellRef{row, *column};
}

std::optional<CellRange> ParseRange(std::string_view text) {
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) {
    const auto cell = ParseCell(text);
    if (!cell) return std::nullopt;
    return CellRange{*cell, *cell};
  }
  const auto a = ParseCell(text.substr(0, colon));
  const auto b = ParseCell(text.substr(colon + 1));
  if (!a || !b) return std::nullopt;
  return CellRange{{std::min(a->row, b->row), std::min(a->column, b->column)},
                   {std::max(a->row, b->row), std::max(a->column, b->column)}};
}

}  // namespace qg::widgets
