#pragma once
// The system's ANSI code page, Windows-1252. Internal text is kept as
// Windows-1252 bytes; these helpers check it, change its case, and convert it
// to and from UTF-8 where it meets this platform (file names, terminals).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

/// Text that the ANSI code page cannot represent.
class AnsiError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// True when the byte is a character of Windows-1252 (five bytes of the
/// 0x80-0x9F block are undefined there).
bool ansi_defined(uint8_t byte);

/// The text as ANSI bytes, one per character. Refuses (AnsiError) a text
/// holding a byte that is no Windows-1252 character, naming what it was.
const std::string& convert_to_ansi(const std::string& text, std::string_view what);

/// Lower case in Windows-1252: A-Z, the accented capitals and the four
/// capitals of the 0x80 block; every other byte unchanged.
std::string lowercase(std::string_view text);

/// The Windows-1252 byte of a Unicode character; nothing when it has none.
std::optional<uint8_t> ansi_byte(char32_t code_point);

/// Windows-1252 bytes to UTF-8. Undefined bytes become U+FFFD.
std::string cp1252_to_utf8(std::string_view text);

/// UTF-8 to Windows-1252; nothing when the text is not valid UTF-8 or holds
/// a character outside Windows-1252.
std::optional<std::string> utf8_to_cp1252(std::string_view text);

/// A path from UTF-8 text, the same on every system (on Windows a narrow
/// string would otherwise be read in the ANSI code page or the C locale).
std::filesystem::path path_from_utf8(std::string_view utf8);

/// A path as UTF-8 text, for messages: never fails, whatever the system.
std::string utf8_of_path(const std::filesystem::path& path);

/// A file of the program folder: the folder joined with a name held as
/// Windows-1252 bytes (converted to the system's own file names: UTF-8 on
/// POSIX, UTF-16 on Windows).
std::filesystem::path file_in_folder(const std::filesystem::path& folder,
                                     std::string_view nome);
