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

// The non-throwing reads report the very line, column and words that the
// throwing reads throw, and leave the reader where they leave it.
TEST(FieldReaderTest, FailuresAreReportedWithoutThrowingInTheSameWords) {
  struct Case {
    const char* text;
    int width;  // 8, 16 or 32; 0 for a text field
    FieldProblem problem;
    int32_t line, column;
    const char* message;
  };
  const Case cases[] = {
      {"abc\r\nnext", 32, FieldProblem::not_a_number, 1, 1, "expected a number, found \"abc\""},
      {"x\r\n  12x ,next", 32, FieldProblem::not_a_number, 2, 3, "expected a number, found \"12x\""},
      {"+,next", 16, FieldProblem::not_a_number, 1, 1, "expected a number, found \"+\""},
      {"\"12\",next", 8, FieldProblem::not_a_number, 1, 1, "expected a number, found \"\"12\"\""},
      {"2147483648\rnext", 32, FieldProblem::too_wide, 1, 1,
       "2147483648 does not fit a signed 32-bit field (-2147483648 to 2147483647)"},
      {"99999999999999999999999,next", 32, FieldProblem::too_wide, 1, 1,
       "99999999999999999999999 does not fit a signed 32-bit field (-2147483648 to 2147483647)"},
      {" \t-32769 , next", 16, FieldProblem::too_wide, 1, 3,
       "-32769 does not fit a signed 16-bit field (-32768 to 32767)"},
      {"-1\nnext", 8, FieldProblem::too_wide, 1, 1, "-1 does not fit an unsigned 8-bit field (0 to 255)"},
      {"256,next", 8, FieldProblem::too_wide, 1, 1, "256 does not fit an unsigned 8-bit field (0 to 255)"},
      {"", 32, FieldProblem::end_of_file, 1, 1, "the file ends where a field was expected"},
      {"x\r\n", 0, FieldProblem::end_of_file, 2, 1, "the file ends where a field was expected"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "\"" << c.text << "\"");
    FieldReader quiet(c.text), throwing(c.text);
    if (c.line > 1 || c.width == 0) {  // the field before the failing one
      quiet.read_text();
      throwing.read_text();
    }
    FieldFailure failure;
    switch (c.width) {
      case 0: failure = quiet.try_read_text().failure(); break;
      case 8: failure = quiet.try_read_uint8().failure(); break;
      case 16: failure = quiet.try_read_int16().failure(); break;
      default: failure = quiet.try_read_int32().failure(); break;
    }
    EXPECT_EQ(failure.problem, c.problem);
    EXPECT_EQ(failure.line, c.line);
    EXPECT_EQ(failure.column, c.column);
    EXPECT_EQ(failure.message(), c.message);
    try {
      switch (c.width) {
        case 0: throwing.read_text(); break;
        case 8: throwing.read_uint8(); break;
        case 16: throwing.read_int16(); break;
        default: throwing.read_int32(); break;
      }
      ADD_FAILURE() << "no failure thrown";
    } catch (const ReadFailure& f) {
      EXPECT_EQ(f.what(), "line " + std::to_string(c.line) + ": " + c.message);
      EXPECT_EQ(f.line(), c.line);
      EXPECT_EQ(f.column(), c.column);
    }
    EXPECT_EQ(quiet.end_of_file(), throwing.end_of_file());
    EXPECT_EQ(quiet.current_line(), throwing.current_line());
    if (!quiet.end_of_file()) {
      EXPECT_EQ(quiet.read_text(), "next");
    }
  }
}

// What reads gives the value, with no failure, and moves the reader on.
TEST(FieldReaderTest, NonThrowingReadsGiveTheValues) {
  FieldReader r("cartello, \"(A,\r\nB)\", 300, -7, 255 ,");
  const FieldRead<std::string> key = r.try_read_text();
  ASSERT_TRUE(key.ok());
  EXPECT_EQ(key.value(), "cartello");
  const FieldRead<std::string> quoted = r.try_read_text();
  ASSERT_TRUE(quoted.ok());
  EXPECT_EQ(quoted.value(), "(A,\r\nB)");
  EXPECT_EQ(r.riga(), 1);
  EXPECT_EQ(r.current_line(), 2);
  const FieldRead<int32_t> a = r.try_read_int32();
  const FieldRead<int16_t> b = r.try_read_int16();
  const FieldRead<uint8_t> c = r.try_read_uint8();
  ASSERT_TRUE(a.ok() && b.ok() && c.ok());
  EXPECT_EQ(a.value(), 300);
  EXPECT_EQ(b.value(), -7);
  EXPECT_EQ(c.value(), 255);
  EXPECT_EQ(c.failure().problem, FieldProblem::none);
  EXPECT_TRUE(r.end_of_file());
  EXPECT_EQ(r.try_read_int32().failure().problem, FieldProblem::end_of_file);
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

// ----- The log of a reading, and a reading resumed from it -----

// Every way a field and a line end: CR LF, LF and CR alone, blanks, an empty
// field, a quoted text over two lines, a field that is not a number.
constexpr std::string_view kMixed =
    "segnale ,  300\r\n12 , -7\n\"due,\r\nrighe\" x,\r  ,255, abc, 9\r\n[fine]";
constexpr FieldReadKind kMixedKinds[] = {
    FieldReadKind::text,  FieldReadKind::int32, FieldReadKind::int16, FieldReadKind::int32,
    FieldReadKind::text,  FieldReadKind::int32, FieldReadKind::uint8, FieldReadKind::uint8,
    FieldReadKind::int32, FieldReadKind::int32, FieldReadKind::text};
constexpr size_t kNotANumber = 8;  // "abc"

/// What one read gave, and where it left the reader.
struct Seen {
  bool ok;
  std::string value;  ///< the text, the number, or the failure's words
  int32_t riga, column, end_column, line;
  bool end;
  bool operator==(const Seen&) const = default;
};

Seen read_one(FieldReader& r, FieldReadKind kind) {
  const auto seen = [&r](const auto& read, std::string value) {
    return Seen{read.ok(), read.ok() ? std::move(value) : read.failure().message(), r.riga(),
                r.column(), r.end_column(), r.current_line(), r.end_of_file()};
  };
  switch (kind) {
    case FieldReadKind::text: { auto t = r.try_read_text(); return seen(t, t.value()); }
    case FieldReadKind::int32: { auto n = r.try_read_int32(); return seen(n, std::to_string(n.value())); }
    case FieldReadKind::int16: { auto n = r.try_read_int16(); return seen(n, std::to_string(n.value())); }
    case FieldReadKind::uint8: { auto n = r.try_read_uint8(); return seen(n, std::to_string(n.value())); }
  }
  return {};
}

/// kMixed read in the order of kMixedKinds by a reader that keeps a log.
struct LoggedReading {
  std::vector<ReadField> log;
  std::vector<Seen> read;
  LoggedReading() {
    FieldReader r{std::string(kMixed)};
    r.keep_log(&log);
    for (const FieldReadKind kind : kMixedKinds) read.push_back(read_one(r, kind));
  }
};

// The log holds each field read up to the first that cannot be read (the
// field that is not a number), with what it held and where it stood: past
// it, a reading in the same order could no longer tell where it stands.
TEST(FieldReaderTest, TheLogHoldsTheFieldsReadUpToTheFirstFailure) {
  const auto [log, read] = LoggedReading();
  ASSERT_EQ(log.size(), kNotANumber);
  EXPECT_FALSE(read[kNotANumber].ok);
  EXPECT_EQ(read[kNotANumber - 1].value, "255");
  EXPECT_TRUE(read.back().ok && read.back().value == "[fine]" && read.back().end);
  for (size_t i = 0; i < log.size(); ++i) {
    const ReadField& f = log[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(f.kind, kMixedKinds[i]);
    EXPECT_EQ(f.kind == FieldReadKind::text ? std::string(kMixed.substr(f.text_start, f.text_size))
                                            : std::to_string(f.number),
              read[i].value);
    EXPECT_EQ((Seen{true, read[i].value, f.riga, f.column, f.end_column, read[i].line, read[i].end}),
              read[i]);
  }
  // A reader of a piece of a file has no places of the whole file to log.
  std::vector<ReadField> piece_log;
  FieldReader piece("a, 1\r\n", 7);
  piece.keep_log(&piece_log);
  (void)piece.read_text();
  EXPECT_TRUE(piece_log.empty());
}

// A reader started after any logged field reads the rest exactly as the
// reading that logged it did: values, failures, places and the end.
TEST(FieldReaderTest, AReadingResumedAfterALoggedFieldGoesOnAsTheFirstDid) {
  const auto [log, read] = LoggedReading();
  ASSERT_EQ(log.size(), kNotANumber);
  for (size_t k = 0; k < log.size(); ++k) {
    SCOPED_TRACE(k);
    FieldReader resumed(std::string(kMixed), log[k]);
    EXPECT_EQ(resumed.riga(), log[k].riga);
    EXPECT_EQ(resumed.column(), log[k].column);
    for (size_t i = k + 1; i < read.size(); ++i)
      EXPECT_EQ(read_one(resumed, kMixedKinds[i]), read[i]) << "read " << i;
  }
}

}  // namespace
