#include "compile/field_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(FieldReaderTest, TextFieldsEndAtCommaOrLineEnd) {
  FieldReader r("[generale]\r\nlunghezza percorso,    40000\r\n  curvas5,  200 , 150 \r\n[fine]\r\n");
  EXPECT_EQ(r.read_text(), "[generale]");
  EXPECT_EQ(r.riga(), 1);
  EXPECT_EQ(r.read_text(), "lunghezza percorso");
  EXPECT_EQ(r.read_int32(), 40000);
  EXPECT_EQ(r.riga(), 2);
  EXPECT_EQ(r.read_text(), "curvas5");
  EXPECT_EQ(r.read_int32(), 200);
  EXPECT_EQ(r.read_int32(), 150);
  EXPECT_FALSE(r.end_of_file());
  EXPECT_EQ(r.read_text(), "[fine]");
  EXPECT_EQ(r.riga(), 4);
  EXPECT_TRUE(r.end_of_file());
}

TEST(FieldReaderTest, QuotedTextKeepsCommasAndDropsWhatFollowsTheQuote) {
  FieldReader r("cartello, 100, \"(A, B)\" junk,next\r\n");
  EXPECT_EQ(r.read_text(), "cartello");
  EXPECT_EQ(r.read_int32(), 100);
  EXPECT_EQ(r.read_text(), "(A, B)");
  EXPECT_EQ(r.read_text(), "next");
  EXPECT_TRUE(r.end_of_file());
}

TEST(FieldReaderTest, NumbersEndAtBlanksAndEmptyFieldsReadZero) {
  FieldReader r(
      "orologio,    6               47            30 \r\n"
      "indicatori_vmax,  300,  75,  80,  80,  0,  ,  ,  ,  0\r\n"
      "ripetizione segnali 4 codici,    0    ,0\r\n"
      "pendenza,  14950,  -24 \r\n");
  EXPECT_EQ(r.read_text(), "orologio");
  EXPECT_EQ(r.read_int16(), 6);
  EXPECT_EQ(r.read_int16(), 47);
  EXPECT_EQ(r.read_int16(), 30);
  EXPECT_EQ(r.read_text(), "indicatori_vmax");
  std::vector<int32_t> v;
  for (int i = 0; i < 9; ++i) v.push_back(r.read_int32());
  EXPECT_EQ(v, (std::vector<int32_t>{300, 75, 80, 80, 0, 0, 0, 0, 0}));
  EXPECT_EQ(r.read_text(), "ripetizione segnali 4 codici");
  EXPECT_EQ(r.read_int32(), 0);
  EXPECT_EQ(r.read_int32(), 0);
  EXPECT_EQ(r.read_text(), "pendenza");
  EXPECT_EQ(r.read_int32(), 14950);
  EXPECT_EQ(r.read_int32(), -24);
  EXPECT_TRUE(r.end_of_file());
}

TEST(FieldReaderTest, AnEntryMaySpanLinesAndALineMayHoldSeveralEntries) {
  FieldReader r("pendenza\r\n250,   18\r\npendenza, 600, 21, pendenza, 900, 7\n");
  EXPECT_EQ(r.read_text(), "pendenza");
  EXPECT_EQ(r.read_int32(), 250);
  EXPECT_EQ(r.riga(), 2);
  EXPECT_EQ(r.read_int32(), 18);
  EXPECT_EQ(r.read_text(), "pendenza");
  EXPECT_EQ(r.read_int32(), 600);
  EXPECT_EQ(r.read_int32(), 21);
  EXPECT_EQ(r.read_text(), "pendenza");
  EXPECT_EQ(r.riga(), 3);
  EXPECT_EQ(r.read_int32(), 900);
  EXPECT_EQ(r.read_int32(), 7);
  EXPECT_TRUE(r.end_of_file());
}

TEST(FieldReaderTest, TrailingBlanksOfAnUnquotedTextAreDropped) {
  FieldReader r("  (CULMINE)   \r\n\"  padded  \"\r\n");
  EXPECT_EQ(r.read_text(), "(CULMINE)");
  EXPECT_EQ(r.read_text(), "  padded  ");
}

// Columns count bytes from 1 and start at the field's first character after
// its blanks; every kind of line end starts a new line at column 1.
TEST(FieldReaderTest, EveryFieldKnowsTheColumnWhereItStarts) {
  FieldReader r("a, \t 12 ,\"q, r\"\r\n  x,,7\ry\n\"two\r\nlines\", z\r\n");
  struct ExpectedField {
    bool number;
    int32_t riga, column, end_column;
  };
  const ExpectedField expected_items[] = {
      {false, 1, 1, 2}, {true, 1, 6, 8}, {false, 1, 10, 16},  // a, 12, "q, r"
      {false, 2, 3, 4}, {true, 2, 5, 5}, {true, 2, 6, 7},     // x, the empty field, 7
      {false, 3, 1, 2},                                       // y
      {false, 4, 1, 7}, {false, 5, 9, 10},  // the quoted text over two lines, z
  };
  for (const ExpectedField& a : expected_items) {
    if (a.number)
      r.read_int32();
    else
      r.read_text();
    EXPECT_EQ(r.riga(), a.riga);
    EXPECT_EQ(r.column(), a.column) << "line " << a.riga;
    EXPECT_EQ(r.end_column(), a.end_column) << "line " << a.riga;
  }
  // A reader over a piece of a file counts lines from the piece's first.
  FieldReader piece("x\r\n 5", 40);
  piece.read_text();
  EXPECT_EQ(piece.read_int32(), 5);
  EXPECT_EQ(piece.riga(), 41);
  EXPECT_EQ(piece.column(), 2);
  EXPECT_TRUE(r.end_of_file());
  try {
    FieldReader f("x\r\n  zz,");
    f.read_text();
    f.read_int32();
    ADD_FAILURE() << "no failure";
  } catch (const ReadFailure& f) {
    EXPECT_EQ(f.line(), 2);
    EXPECT_EQ(f.column(), 3);
  }
}

struct Failure {
  const char* text;
  int width;  // 8, 16 or 32
  int32_t line;
};

TEST(FieldReaderTest, ReadFailuresNameTheirLine) {
  const Failure cases[] = {
      {"abc\r\n", 32, 1},          {"12x\r\n", 32, 1},     {"2147483648,", 32, 1},
      {"-2147483649,", 32, 1},     {"32768,", 16, 1},       {"-32769,", 16, 1},
      {"256,", 8, 1},              {"-1,", 8, 1},           {"\"12\",", 32, 1},
      {"", 32, 1},                 {"+,", 32, 1},           {"1.5,", 32, 1},
  };
  for (const Failure& c : cases) {
    FieldReader r(c.text);
    try {
      if (c.width == 8) r.read_uint8();
      if (c.width == 16) r.read_int16();
      if (c.width == 32) r.read_int32();
      ADD_FAILURE() << "no failure for \"" << c.text << "\"";
    } catch (const ReadFailure& f) {
      EXPECT_EQ(f.line(), c.line) << c.text;
    }
  }
}

TEST(FieldReaderTest, LimitsOfEachWidthAreAccepted) {
  FieldReader r("2147483647,-2147483648,32767,-32768,255,0,+7");
  EXPECT_EQ(r.read_int32(), INT32_MAX);
  EXPECT_EQ(r.read_int32(), INT32_MIN);
  EXPECT_EQ(r.read_int16(), INT16_MAX);
  EXPECT_EQ(r.read_int16(), INT16_MIN);
  EXPECT_EQ(r.read_uint8(), 255);
  EXPECT_EQ(r.read_uint8(), 0);
  EXPECT_EQ(r.read_int32(), 7);
  EXPECT_TRUE(r.end_of_file());
}

TEST(FieldReaderTest, ReadingPastTheEndFailsButTheLastFieldMayLackALineEnd) {
  FieldReader r("[fine]");
  EXPECT_EQ(r.read_text(), "[fine]");
  EXPECT_TRUE(r.end_of_file());
  EXPECT_THROW(r.read_text(), ReadFailure);
  EXPECT_THROW(r.read_int32(), ReadFailure);
}

}  // namespace
