#include "platform/ansi.h"

#include <gtest/gtest.h>

namespace {

TEST(AnsiTest, ConvertiAnsiRefusesOnlyTheFiveUndefinedBytes) {
  std::string undefined;
  for (int b = 0; b < 256; ++b) {
    const std::string testo(1, static_cast<char>(b));
    if (ansi_definito(static_cast<uint8_t>(b))) {
      EXPECT_EQ(&converti_ansi(testo, "x"), &testo) << b;
    } else {
      undefined += static_cast<char>(b);
      EXPECT_THROW(converti_ansi(testo, "x"), AnsiError) << b;
    }
  }
  EXPECT_EQ(undefined, "\x81\x8D\x8F\x90\x9D");
  try {
    converti_ansi("ab\x9D", "the name of record 2");
    FAIL() << "accepted";
  } catch (const AnsiError& e) {
    EXPECT_STREQ(e.what(),
                 "the name of record 2: byte 0x9D at character 3 is not a Windows-1252 character");
  }
}

TEST(AnsiTest, MinuscoloLowersWindows1252Capitals) {
  struct Caso {
    const char* in;
    const char* out;
  };
  const Caso casi[] = {
      {"AZaz09_@[`{", "azaz09_@[`{"},
      {"\xC0\xC9\xD6\xD8\xDE", "\xE0\xE9\xF6\xF8\xFE"},  // À É Ö Ø Þ
      {"\xD7\xDF\xF7", "\xD7\xDF\xF7"},                  // × ß ÷ stay
      {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"},          // Š Œ Ž Ÿ
  };
  for (const Caso& c : casi) EXPECT_EQ(minuscolo(c.in), c.out) << c.in;
}

TEST(AnsiTest, Utf8RoundTripOfEveryDefinedByte) {
  for (int b = 1; b < 256; ++b) {
    const std::string testo(1, static_cast<char>(b));
    const std::string utf8 = cp1252_a_utf8(testo);
    if (ansi_definito(static_cast<uint8_t>(b))) {
      EXPECT_EQ(utf8_a_cp1252(utf8), testo) << b;
    } else {
      EXPECT_EQ(utf8, "\xEF\xBF\xBD") << b;
    }
  }
  EXPECT_EQ(cp1252_a_utf8("\x80\xE8"), "\xE2\x82\xAC\xC3\xA8");  // € è
}

TEST(AnsiTest, Utf8ThatWindows1252CannotHoldIsRefused) {
  for (const char* bad : {"\xC3", "\xC0\xAF", "\xE2\x82", "\xFF", "\xE2\x86\x92", "\xF0\x9F\x98\x80"})
    EXPECT_EQ(utf8_a_cp1252(bad), std::nullopt) << bad;
}

TEST(AnsiTest, FileNamesAreUtf8OnThisPlatform) {
  EXPECT_EQ(file_nella_cartella("/tmp/x", "Citt\xE0_linea.txt"),
            std::filesystem::path("/tmp/x/Citt\xC3\xA0_linea.txt"));
}

}  // namespace
