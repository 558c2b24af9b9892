#pragma once
// UTF-8 and UTF-16 for the wide calls of Windows.

#include <string>
#include <string_view>

/// UTF-16 text as UTF-8.
std::string utf8_of_wide(std::wstring_view wide);

/// UTF-8 text as UTF-16 (invalid sequences become U+FFFD).
std::wstring wide_of_utf8(std::string_view utf8);
