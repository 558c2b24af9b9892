#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// How each way of reading takes the same bytes. "LE FORNÀCI" in UTF-8
// holds À as C3 80; in Windows-1252 as C0.
TEST(TextEncodingTest, EachEncodingReadsTheBytesAsItSays) {
  const struct {
    const char* name;
    std::string bytes;
    TextEncoding encoding;
    std::string text;
    bool from_utf8;
  } cases[] = {
      {"ASCII is Windows-1252", "stazione, 500, ALFA", TextEncoding::detect, "stazione, 500, ALFA", false},
      {"valid UTF-8 is converted", "LE FORN\xC3\x80" "CI", TextEncoding::detect, "LE FORN\xC0" "CI", true},
      {"the euro sign comes from 0x80's block", "\xE2\x82\xAC 5", TextEncoding::detect, "\x80 5", true},
      {"invalid UTF-8 stays as it is", "LE FORN\xC0" "CI", TextEncoding::detect, "LE FORN\xC0" "CI", false},
      {"one invalid byte keeps the whole file Windows-1252",
       "\xC3\x80 and \xC0", TextEncoding::detect, "\xC3\x80 and \xC0", false},
      {"forced Windows-1252 keeps UTF-8 bytes", "FORN\xC3\x80" "CI", TextEncoding::cp1252, "FORN\xC3\x80" "CI", false},
      {"forced UTF-8 converts ASCII too", "ALFA", TextEncoding::utf8, "ALFA", true},
      {"byte order mark dropped", "\xEF\xBB\xBF[generale]\r\n\xC3\xA8", TextEncoding::detect, "[generale]\r\n\xE8", true},
      {"byte order mark alone marks UTF-8", "\xEF\xBB\xBF[generale]", TextEncoding::detect, "[generale]", true},
      {"byte order mark kept as bytes under cp1252", "\xEF\xBB\xBFx", TextEncoding::cp1252, "\xEF\xBB\xBFx", false},
      {"line ends and NUL pass unchanged", "a\r\nb\rc\nd\0e"s, TextEncoding::utf8, "a\r\nb\rc\nd\0e"s, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const DecodedText d = decode_text(c.bytes, c.encoding);
    EXPECT_EQ(d.text, c.text);
    EXPECT_EQ(d.from_utf8, c.from_utf8);
    EXPECT_TRUE(d.unconverted.empty());
  }
}

// Characters Windows-1252 cannot hold and broken sequences each leave one
// marker byte in the text and one entry in the list, in order; a broken
// character counts once, however many of its bytes stand.
TEST(TextEncodingTest, WhatCannotBeConvertedIsMarkedAndListedInOrder) {
  const DecodedText d = decode_text(
      "a\xC5\x82" "b\xF0\x9F\x98\x80" "c\xE2\x82" "d\xC0\xAF" "e\xED\xA0\x80" "f\xC2\x81",
      TextEncoding::utf8);
  EXPECT_EQ(d.text, "a\x81" "b\x81" "c\x81" "d\x81\x81" "e\x81\x81\x81" "f\x81");
  const std::vector<UnconvertedCharacter> expected = {
      {true, 0x0142, "\xC5\x82"},          // ł
      {true, 0x1F600, "\xF0\x9F\x98\x80"},  // an emoji
      {false, 0, "\xE2\x82"},               // a character cut short
      {false, 0, "\xC0"},                   // an overlong form: each byte alone
      {false, 0, "\xAF"},
      {false, 0, "\xED"},                   // a surrogate: each byte alone
      {false, 0, "\xA0"},
      {false, 0, "\x80"},
      {true, 0x81, "\xC2\x81"},             // U+0081, undefined in Windows-1252
  };
  ASSERT_EQ(d.unconverted.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(d.unconverted[i].valid_utf8, expected[i].valid_utf8);
    EXPECT_EQ(d.unconverted[i].code_point, expected[i].code_point);
    EXPECT_EQ(d.unconverted[i].bytes, expected[i].bytes);
  }
}

// Taken as Windows-1252, only the five bytes it leaves undefined are
// listed (0x81 itself among them); every other byte, the rest of the 0x80
// block and NUL included, stays as it is. Found so, the bytes are no UTF-8.
TEST(TextEncodingTest, BytesWindows1252LeavesUndefinedAreMarkedAndListed) {
  for (const TextEncoding encoding : {TextEncoding::detect, TextEncoding::cp1252}) {
    SCOPED_TRACE(static_cast<int>(encoding));
    const DecodedText d =
        decode_text("\x80\x81\x82\x8C\x8D\x8E\x8F\x90\x91\x9C\x9D\x9E\xFF\0"s, encoding);
    EXPECT_FALSE(d.from_utf8);
    EXPECT_EQ(d.text, "\x80\x81\x82\x8C\x81\x8E\x81\x81\x91\x9C\x81\x9E\xFF\0"s);
    std::vector<std::string> listed;
    for (const UnconvertedCharacter& c : d.unconverted) {
      EXPECT_FALSE(c.valid_utf8);
      listed.push_back(c.bytes);
    }
    EXPECT_EQ(listed, (std::vector<std::string>{"\x81", "\x8D", "\x8F", "\x90", "\x9D"}));
  }
}

TEST(TextEncodingTest, ValidUtf8FollowsTheWellFormedSequences) {
  for (const char* good : {"", "abc", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF",
                           "\xEE\x80\x80", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"})
    EXPECT_TRUE(valid_utf8(good)) << good;
  for (const char* bad : {"\x80", "\xC1\xBF", "\xC2", "\xE0\x9F\xBF", "\xED\xA0\x80",
                          "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF"})
    EXPECT_FALSE(valid_utf8(bad)) << bad;
}

}  // namespace
