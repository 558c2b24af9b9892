#include "platform/ansi.h"

#include <array>

#include "platform/text_encoding.h"

namespace {

// Unicode code points of Windows-1252 bytes 0x80-0x9F; 0 where the byte is
// undefined.
constexpr std::array<char32_t, 32> kBlock80 = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char32_t code_point(uint8_t b) {
  if (b >= 0x80 && b <= 0x9F) return kBlock80[b - 0x80];
  return b;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::optional<uint8_t> ansi_byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<uint8_t>(cp);
  for (size_t i = 0; i < kBlock80.size(); ++i)
    if (kBlock80[i] != 0 && kBlock80[i] == cp) return static_cast<uint8_t>(0x80 + i);
  return std::nullopt;
}

bool ansi_defined(uint8_t byte) { return code_point(byte) != 0 || byte == 0; }

const std::string& convert_to_ansi(const std::string& text, std::string_view what) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<uint8_t>(text[i]);
    if (!ansi_defined(b)) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      std::string hex = "0x";
      hex += kHex[b >> 4];
      hex += kHex[b & 0xF];
      throw AnsiError(std::string(what) + ": byte " + hex + " at character " +
                      std::to_string(i + 1) + " is not a Windows-1252 character");
    }
  }
  return text;
}

std::string lowercase(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    const auto b = static_cast<uint8_t>(ch);
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) {
      ch = static_cast<char>(b + 0x20);
    } else if (b == 0x8A || b == 0x8C || b == 0x8E) {  // Š Œ Ž
      ch = static_cast<char>(b + 0x10);
    } else if (b == 0x9F) {  // Ÿ
      ch = static_cast<char>(0xFF);
    }
  }
  return out;
}

std::string cp1252_to_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const char32_t cp = code_point(static_cast<uint8_t>(ch));
    append_utf8(out, cp == 0 && ch != 0 ? char32_t{0xFFFD} : cp);
  }
  return out;
}

std::optional<std::string> utf8_to_cp1252(std::string_view text) {
  std::string out;
  while (!text.empty()) {
    const Utf8Character c = next_utf8_character(text);
    const auto byte = c.valid ? ansi_byte(c.code_point) : std::nullopt;
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
    text.remove_prefix(c.length);
  }
  return out;
}

std::filesystem::path path_from_utf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8_of_path(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

std::filesystem::path file_in_folder(const std::filesystem::path& folder,
                                     std::string_view nome) {
  return folder / path_from_utf8(cp1252_to_utf8(nome));
}
