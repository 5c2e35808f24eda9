#include "widgets/cellref.h"

#include <gtest/gtest.h>

namespace qg::widgets {
namespace {

TEST(CellRef, ColumnLettersRoundTrip) {
  const std::pair<int, const char*> cases[] = {{1, "A"},    {26, "Z"},    {27, "AA"},  {29, "AC"},
                                               {52, "AZ"},  {53, "BA"},   {702, "ZZ"}, {703, "AAA"},
                                               {16384, "XFD"}};
  for (const auto& [column, letters] : cases) {
    EXPECT_EQ(ColumnLetters(column), letters);
    EXPECT_EQ(ParseColumnLetters(letters), column) << letters;
  }
  EXPECT_EQ(ColumnLetters(0), "");
  EXPECT_EQ(ColumnLetters(16385), "");
  EXPECT_EQ(ParseColumnLetters("ac"), 29);
}

TEST(CellRef, ParsesRangesAndNormalisesCorners) {
  EXPECT_EQ(ParseRange("B2:AC9"), (CellRange{{2, 2}, {9, 29}}));
  EXPECT_EQ(ParseRange("AC9:B2"), (CellRange{{2, 2}, {9, 29}}));
  EXPECT_EQ(ParseRange("B9:AC2"), (CellRange{{2, 2}, {9, 29}}));
  EXPECT_EQ(ParseRange(" a1 : c5 "), (CellRange{{1, 1}, {5, 3}}));
  EXPECT_EQ(ParseRange("C3"), (CellRange{{3, 3}, {3, 3}}));
  EXPECT_EQ(FormatRange(*ParseRange("AC9:B2")), "B2:AC9");
  EXPECT_EQ(FormatRange(*ParseRange("A1")), "A1");
  EXPECT_EQ(FormatRange(*ParseRange("XFD1048576")), "XFD1048576");
}

TEST(CellRef, RefusesWhatIsNoReference) {
  for (const char* text : {"", " ", "1", "A", "A0", "0A", "A-1", "XFE1", "A1048577", "A1:", ":B2",
                           "A1:B2:C3", "AB1C", "A 1", "A1B", "ABCD1", "A99999999999", "\xc3\x84" "1",
                           "A1,B2"}) {
    EXPECT_FALSE(ParseRange(text).has_value()) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace qg::widgets
