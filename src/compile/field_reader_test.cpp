#include "compile/field_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(FieldReaderTest, TextFieldsEndAtCommaOrLineEnd) {
  FieldReader r("[generale]\r\nlunghezza percorso,    40000\r\n  curvas5,  200 , 150 \r\n[fine]\r\n");
  EXPECT_EQ(r.leggi_testo(), "[generale]");
  EXPECT_EQ(r.riga(), 1);
  EXPECT_EQ(r.leggi_testo(), "lunghezza percorso");
  EXPECT_EQ(r.leggi_int32(), 40000);
  EXPECT_EQ(r.riga(), 2);
  EXPECT_EQ(r.leggi_testo(), "curvas5");
  EXPECT_EQ(r.leggi_int32(), 200);
  EXPECT_EQ(r.leggi_int32(), 150);
  EXPECT_FALSE(r.fine_file());
  EXPECT_EQ(r.leggi_testo(), "[fine]");
  EXPECT_EQ(r.riga(), 4);
  EXPECT_TRUE(r.fine_file());
}

TEST(FieldReaderTest, QuotedTextKeepsCommasAndDropsWhatFollowsTheQuote) {
  FieldReader r("cartello, 100, \"(A, B)\" junk,next\r\n");
  EXPECT_EQ(r.leggi_testo(), "cartello");
  EXPECT_EQ(r.leggi_int32(), 100);
  EXPECT_EQ(r.leggi_testo(), "(A, B)");
  EXPECT_EQ(r.leggi_testo(), "next");
  EXPECT_TRUE(r.fine_file());
}

TEST(FieldReaderTest, NumbersEndAtBlanksAndEmptyFieldsReadZero) {
  FieldReader r(
      "orologio,    6               47            30 \r\n"
      "indicatori_vmax,  300,  75,  80,  80,  0,  ,  ,  ,  0\r\n"
      "ripetizione segnali 4 codici,    0    ,0\r\n"
      "pendenza,  14950,  -24 \r\n");
  EXPECT_EQ(r.leggi_testo(), "orologio");
  EXPECT_EQ(r.leggi_int16(), 6);
  EXPECT_EQ(r.leggi_int16(), 47);
  EXPECT_EQ(r.leggi_int16(), 30);
  EXPECT_EQ(r.leggi_testo(), "indicatori_vmax");
  std::vector<int32_t> v;
  for (int i = 0; i < 9; ++i) v.push_back(r.leggi_int32());
  EXPECT_EQ(v, (std::vector<int32_t>{300, 75, 80, 80, 0, 0, 0, 0, 0}));
  EXPECT_EQ(r.leggi_testo(), "ripetizione segnali 4 codici");
  EXPECT_EQ(r.leggi_int32(), 0);
  EXPECT_EQ(r.leggi_int32(), 0);
  EXPECT_EQ(r.leggi_testo(), "pendenza");
  EXPECT_EQ(r.leggi_int32(), 14950);
  EXPECT_EQ(r.leggi_int32(), -24);
  EXPECT_TRUE(r.fine_file());
}

TEST(FieldReaderTest, AnEntryMaySpanLinesAndALineMayHoldSeveralEntries) {
  FieldReader r("pendenza\r\n250,   18\r\npendenza, 600, 21, pendenza, 900, 7\n");
  EXPECT_EQ(r.leggi_testo(), "pendenza");
  EXPECT_EQ(r.leggi_int32(), 250);
  EXPECT_EQ(r.riga(), 2);
  EXPECT_EQ(r.leggi_int32(), 18);
  EXPECT_EQ(r.leggi_testo(), "pendenza");
  EXPECT_EQ(r.leggi_int32(), 600);
  EXPECT_EQ(r.leggi_int32(), 21);
  EXPECT_EQ(r.leggi_testo(), "pendenza");
  EXPECT_EQ(r.riga(), 3);
  EXPECT_EQ(r.leggi_int32(), 900);
  EXPECT_EQ(r.leggi_int32(), 7);
  EXPECT_TRUE(r.fine_file());
}

TEST(FieldReaderTest, TrailingBlanksOfAnUnquotedTextAreDropped) {
  FieldReader r("  (CULMINE)   \r\n\"  padded  \"\r\n");
  EXPECT_EQ(r.leggi_testo(), "(CULMINE)");
  EXPECT_EQ(r.leggi_testo(), "  padded  ");
}

// Columns count bytes from 1 and start at the field's first character after
// its blanks; every kind of line end starts a new line at column 1.
TEST(FieldReaderTest, EveryFieldKnowsTheColumnWhereItStarts) {
  FieldReader r("a, \t 12 ,\"q, r\"\r\n  x,,7\ry\n\"two\r\nlines\", z\r\n");
  struct Atteso {
    bool numero;
    int32_t riga, colonna;
  };
  const Atteso attesi[] = {
      {false, 1, 1}, {true, 1, 6}, {false, 1, 10},  // a, 12, "q, r"
      {false, 2, 3}, {true, 2, 5}, {true, 2, 6},    // x, the empty field, 7
      {false, 3, 1},                                // y
      {false, 4, 1}, {false, 5, 9},                 // the quoted text over two lines, z
  };
  for (const Atteso& a : attesi) {
    if (a.numero)
      r.leggi_int32();
    else
      r.leggi_testo();
    EXPECT_EQ(r.riga(), a.riga);
    EXPECT_EQ(r.column(), a.colonna) << "line " << a.riga;
  }
  EXPECT_TRUE(r.fine_file());
  try {
    FieldReader f("x\r\n  zz,");
    f.leggi_testo();
    f.leggi_int32();
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
      if (c.width == 8) r.leggi_uint8();
      if (c.width == 16) r.leggi_int16();
      if (c.width == 32) r.leggi_int32();
      ADD_FAILURE() << "no failure for \"" << c.text << "\"";
    } catch (const ReadFailure& f) {
      EXPECT_EQ(f.line(), c.line) << c.text;
    }
  }
}

TEST(FieldReaderTest, LimitsOfEachWidthAreAccepted) {
  FieldReader r("2147483647,-2147483648,32767,-32768,255,0,+7");
  EXPECT_EQ(r.leggi_int32(), INT32_MAX);
  EXPECT_EQ(r.leggi_int32(), INT32_MIN);
  EXPECT_EQ(r.leggi_int16(), INT16_MAX);
  EXPECT_EQ(r.leggi_int16(), INT16_MIN);
  EXPECT_EQ(r.leggi_uint8(), 255);
  EXPECT_EQ(r.leggi_uint8(), 0);
  EXPECT_EQ(r.leggi_int32(), 7);
  EXPECT_TRUE(r.fine_file());
}

TEST(FieldReaderTest, ReadingPastTheEndFailsButTheLastFieldMayLackALineEnd) {
  FieldReader r("[fine]");
  EXPECT_EQ(r.leggi_testo(), "[fine]");
  EXPECT_TRUE(r.fine_file());
  EXPECT_THROW(r.leggi_testo(), ReadFailure);
  EXPECT_THROW(r.leggi_int32(), ReadFailure);
}

}  // namespace
