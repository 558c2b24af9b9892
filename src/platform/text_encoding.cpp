#include "platform/text_encoding.h"

#include <cstdint>

#include "platform/ansi.h"

namespace {

/// The well-formed UTF-8 sequences, by their first byte: how many bytes the
/// character takes, the bits the first byte gives, and the range the second
/// byte must lie in (which excludes overlong forms, surrogates and code
/// points beyond U+10FFFF). Every later byte lies in 0x80-0xBF.
struct LeadRow {
  uint8_t first_low, first_high;
  size_t length;
  uint8_t payload_mask;
  uint8_t second_low, second_high;
};

constexpr LeadRow kLeads[] = {
    {0xC2, 0xDF, 2, 0x1F, 0x80, 0xBF},
    {0xE0, 0xE0, 3, 0x0F, 0xA0, 0xBF},
    {0xE1, 0xEC, 3, 0x0F, 0x80, 0xBF},
    {0xED, 0xED, 3, 0x0F, 0x80, 0x9F},
    {0xEE, 0xEF, 3, 0x0F, 0x80, 0xBF},
    {0xF0, 0xF0, 4, 0x07, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x07, 0x80, 0xBF},
    {0xF4, 0xF4, 4, 0x07, 0x80, 0x8F},
};

const LeadRow* lead_row(uint8_t first) {
  for (const LeadRow& row : kLeads)
    if (first >= row.first_low && first <= row.first_high) return &row;
  return nullptr;
}

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool all_ascii(std::string_view bytes) {
  for (const char c : bytes)
    if (static_cast<uint8_t>(c) >= 0x80) return false;
  return true;
}

DecodedText converted_from_utf8(std::string_view bytes) {
  DecodedText out;
  out.from_utf8 = true;
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    bytes.remove_prefix(kByteOrderMark.size());
  out.text.reserve(bytes.size());
  while (!bytes.empty()) {
    const Utf8Character c = next_utf8_character(bytes);
    const auto byte = c.valid ? ansi_byte(c.code_point) : std::nullopt;
    if (byte) {
      out.text += static_cast<char>(*byte);
    } else {
      out.text += kUnconvertedByte;
      out.unconverted.push_back({c.valid, c.valid ? c.code_point : char32_t{0},
                                 std::string(bytes.substr(0, c.length))});
    }
    bytes.remove_prefix(c.length);
  }
  return out;
}

// The bytes as they are, but for the five that Windows-1252 leaves
// undefined: no compiled file could hold them, so they are listed, like the
// characters of a UTF-8 file that cannot be converted.
DecodedText taken_as_cp1252(std::string_view bytes) {
  DecodedText out;
  out.text = bytes;
  for (char& c : out.text) {
    if (ansi_defined(static_cast<uint8_t>(c))) continue;
    out.unconverted.push_back({false, 0, std::string(1, c)});
    c = kUnconvertedByte;
  }
  return out;
}

}  // namespace

Utf8Character next_utf8_character(std::string_view bytes) {
  const auto first = static_cast<uint8_t>(bytes[0]);
  if (first < 0x80) return {true, first, 1};
  const LeadRow* row = lead_row(first);
  if (row == nullptr) return {false, 0, 1};
  char32_t code_point = first & row->payload_mask;
  for (size_t i = 1; i < row->length; ++i) {
    if (i == bytes.size()) return {false, 0, i};
    const auto b = static_cast<uint8_t>(bytes[i]);
    const uint8_t low = i == 1 ? row->second_low : 0x80;
    const uint8_t high = i == 1 ? row->second_high : 0xBF;
    if (b < low || b > high) return {false, 0, i};
    code_point = (code_point << 6) | (b & 0x3F);
  }
  return {true, code_point, row->length};
}

bool valid_utf8(std::string_view bytes) {
  while (!bytes.empty()) {
    const Utf8Character c = next_utf8_character(bytes);
    if (!c.valid) return false;
    bytes.remove_prefix(c.length);
  }
  return true;
}

// Plain ASCII reads the same either way, and bytes that are not valid
// UTF-8 cannot have been saved as UTF-8: both are Windows-1252, as the
// builder has always read them.
DecodedText decode_text(std::string_view bytes, TextEncoding encoding) {
  if (encoding == TextEncoding::detect)
    encoding = !all_ascii(bytes) && valid_utf8(bytes) ? TextEncoding::utf8 : TextEncoding::cp1252;
  if (encoding == TextEncoding::utf8) return converted_from_utf8(bytes);
  return taken_as_cp1252(bytes);
}
