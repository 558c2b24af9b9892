#pragma once
// SHA-256 of a byte string, for tests that pin whole files by their digest.

#include <string>
#include <string_view>

/// The SHA-256 digest of `bytes` as 64 lower-case hexadecimal digits, the
/// form sha256sum prints.
std::string sha256_hex(std::string_view bytes);
