#include "platform/ansi.h"

#include <gtest/gtest.h>

namespace {

TEST(AnsiTest, ConvertToAnsiRefusesOnlyTheFiveUndefinedBytes) {
  std::string undefined;
  for (int b = 0; b < 256; ++b) {
    const std::string text(1, static_cast<char>(b));
    if (ansi_defined(static_cast<uint8_t>(b))) {
      EXPECT_EQ(&convert_to_ansi(text, "x"), &text) << b;
    } else {
      undefined += static_cast<char>(b);
      EXPECT_THROW(convert_to_ansi(text, "x"), AnsiError) << b;
    }
  }
  EXPECT_EQ(undefined, "\x81\x8D\x8F\x90\x9D");
  try {
    convert_to_ansi("ab\x9D", "the name of record 2");
    FAIL() << "accepted";
  } catch (const AnsiError& e) {
    EXPECT_STREQ(e.what(),
                 "the name of record 2: byte 0x9D at character 3 is not a Windows-1252 character");
  }
}

TEST(AnsiTest, LowercaseLowersWindows1252Capitals) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"AZaz09_@[`{", "azaz09_@[`{"},
      {"\xC0\xC9\xD6\xD8\xDE", "\xE0\xE9\xF6\xF8\xFE"},  // À É Ö Ø Þ
      {"\xD7\xDF\xF7", "\xD7\xDF\xF7"},                  // × ß ÷ stay
      {"\x8A\x8C\x8E\x9F", "\x9A\x9C\x9E\xFF"},          // Š Œ Ž Ÿ
  };
  for (const Case& c : cases) EXPECT_EQ(lowercase(c.in), c.out) << c.in;
}

TEST(AnsiTest, Utf8RoundTripOfEveryDefinedByte) {
  for (int b = 1; b < 256; ++b) {
    const std::string text(1, static_cast<char>(b));
    const std::string utf8 = cp1252_to_utf8(text);
    if (ansi_defined(static_cast<uint8_t>(b))) {
      EXPECT_EQ(utf8_to_cp1252(utf8), text) << b;
    } else {
      EXPECT_EQ(utf8, "\xEF\xBF\xBD") << b;
    }
  }
  EXPECT_EQ(cp1252_to_utf8("\x80\xE8"), "\xE2\x82\xAC\xC3\xA8");  // € è
}

TEST(AnsiTest, Utf8ThatWindows1252CannotHoldIsRefused) {
  for (const char* bad : {"\xC3", "\xC0\xAF", "\xE2\x82", "\xFF", "\xE2\x86\x92", "\xF0\x9F\x98\x80"})
    EXPECT_EQ(utf8_to_cp1252(bad), std::nullopt) << bad;
}

// The name is the same letters on every system: UTF-8 bytes on POSIX,
// UTF-16 on Windows, as a path built from a UTF-8 literal gives them.
TEST(AnsiTest, FileNamesKeepTheirLettersOnThisPlatform) {
  EXPECT_EQ(file_in_folder("/tmp/x", "Citt\xE0_linea.txt"),
            std::filesystem::path("/tmp/x") / std::filesystem::path(u8"Citt\u00E0_linea.txt"));
}

}  // namespace
