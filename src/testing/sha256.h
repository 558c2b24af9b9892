#pragma once
// SHA-256 of a byte string, for tests that pin whole files by their digest.

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

/// The SHA-256 digest of `bytes` as 64 lower-case hexadecimal digits, the
/// form sha256sum prints.
std::string sha256_hex(std::string_view bytes);

/// The lines "DIGEST  NAME" of a file in sha256sum's format, digests by
/// name. A file that cannot be read or a line of another shape throws
/// std::runtime_error.
std::map<std::string, std::string> read_sha256sums(const std::filesystem::path& file);
