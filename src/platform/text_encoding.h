#pragma once
// How the bytes of a description file become the Windows-1252 text the
// compiler reads. An author's editor may save the file as Windows-1252 (the
// builder's own code page) or as UTF-8; UTF-8 is read as such and converted,
// so that "LE FORNÀCI" stays "LE FORNÀCI" in the compiled files.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// How a description file's bytes are taken.
enum class TextEncoding {
  detect,  ///< UTF-8 when they are valid UTF-8 holding a non-ASCII character; else Windows-1252
  cp1252,  ///< Windows-1252: the bytes as they are
  utf8,    ///< UTF-8, converted to Windows-1252
};

/// One character read from UTF-8: its code point and its bytes. An invalid
/// sequence is the longest start of a well-formed one that stands there (at
/// least one byte), so that a broken character counts once.
struct Utf8Character {
  bool valid = false;
  char32_t code_point = 0;  ///< meaningful only when valid
  size_t length = 0;        ///< bytes taken, 1 to 4
};

/// The character at the front of `bytes`, which must not be empty.
Utf8Character next_utf8_character(std::string_view bytes);

/// True when every byte belongs to a well-formed UTF-8 character.
bool valid_utf8(std::string_view bytes);

/// A character of the file that has no place in the Windows-1252 text: one
/// that Windows-1252 cannot hold, bytes that are no UTF-8 character, or, in
/// a file taken as Windows-1252, a byte that Windows-1252 leaves undefined.
struct UnconvertedCharacter {
  bool valid_utf8 = false;
  char32_t code_point = 0;  ///< the character, when valid_utf8
  std::string bytes;        ///< the bytes as they stand in the file
};

/// The byte that stands in the converted text for each unconverted
/// character: 0x81, which no converted character can give (Windows-1252
/// leaves it undefined) and which is shown as U+FFFD.
inline constexpr char kUnconvertedByte = '\x81';

/// A description file's text as the compiler reads it.
struct DecodedText {
  std::string text;        ///< Windows-1252
  bool from_utf8 = false;  ///< the bytes were read as UTF-8 and converted
  /// In the order of the file; the i-th stands in `text` as the i-th
  /// kUnconvertedByte.
  std::vector<UnconvertedCharacter> unconverted;
};

/// The bytes of a description file as Windows-1252 text. Read as UTF-8, a
/// byte order mark at the start is dropped (it is no character of the text)
/// and every character is converted; what cannot be converted is listed.
/// Taken as Windows-1252, the bytes stay as they are; those it leaves
/// undefined are listed.
DecodedText decode_text(std::string_view bytes, TextEncoding encoding);
