#include "app/error_codes.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ErrorCodesTest, TableHoldsEveryCodeOnceAndNoOther) {
  const std::vector<int32_t> expected_items = {1,  2,  3,  4,  5,  6,  7,  8,   9,   10,  11,   12,  13, 15,
                                       16, 17, 18, 19, 20, 21, 22, 24, 25, 101, 102, 103, 1250, 1251};
  std::vector<int32_t> present;
  for (const ErrorCode& c : code_table()) {
    present.push_back(c.code);
    EXPECT_NE(std::string(c.meaning), "") << c.code;
    EXPECT_EQ(find_code(c.code), &c);
  }
  EXPECT_EQ(present, expected_items);
  for (int32_t absent : {0, 14, 23, 26, 100, 104, 1249, 1252, -16})
    EXPECT_EQ(find_code(absent), nullptr) << absent;
}

TEST(ErrorCodesTest, ExactlyThePositionedCodesCarryAPosition) {
  const std::vector<int32_t> has_position = {6, 7, 8, 9, 11, 12, 13, 15, 16, 17, 18, 19, 20, 21, 22};
  std::vector<int32_t> found_all;
  for (const ErrorCode& c : code_table())
    if (c.has_position) found_all.push_back(c.code);
  EXPECT_EQ(found_all, has_position);
}

TEST(ErrorCodesTest, ReportLines) {
  struct Case {
    int32_t code;
    int32_t posizione;
    const char* detail;
    const char* riga;
  };
  const Case cases[] = {
      {16, 5950, "",
       "Valdarco_Lornese_4158: error 16 at 5950 m: a signal stands on an occupied cell"},
      {12, -50, "",
       "Valdarco_Lornese_4158: error 12 at -50 m: no free cell in a window before a slowdown start"},
      // Codes without a position leave a stale posizione_errore out.
      {101, 5950, "",
       "Valdarco_Lornese_4158: error 101: the line description file does not exist"},
      {25, 0, "line 12: \"x\" is not a number",
       "Valdarco_Lornese_4158: error 25: a description file cannot be read, or a field is not a "
       "number or does not fit its width (line 12: \"x\" is not a number)"},
      {25, 0, "two\r\nlines", "Valdarco_Lornese_4158: error 25: a description file cannot be read, "
                              "or a field is not a number or does not fit its width (two  lines)"},
      {14, 300, "", "Valdarco_Lornese_4158: error 14: not a code of this builder"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(code_line("Valdarco_Lornese_4158", c.code, c.posizione, c.detail), c.riga);
}

}  // namespace
