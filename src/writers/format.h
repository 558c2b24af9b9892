#pragma once
// The line table every writer fills, and the small helpers that lay numbers
// and names out in the fixed widths of the scenario's text files.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

/// Closes a writer's line table: the entry after the last line to write.
/// It is never written itself.
inline constexpr std::string_view kEndOfFile = "riferimento fine del file";

/// Room of a line table: entries 0 to 1000, the end marker included.
inline constexpr std::size_t kTableRows = 1001;

/// Puts the end marker after the last line of a writer's table.
inline void close_table(std::vector<std::string>& table) {
  table.emplace_back(kEndOfFile);
}

/// The number preceded by blanks up to `width` characters. A number wider
/// than its field would shift every later field of the line, so it is a
/// programming error, not something to write.
inline std::string right_aligned(int64_t value, std::size_t width) {
  std::string text = std::to_string(value);
  if (text.size() > width)
    throw std::logic_error(text + " does not fit a field of width " + std::to_string(width));
  return std::string(width - text.size(), ' ') + text;
}

/// The text followed by blanks up to `width` characters; a longer text is
/// a programming error, as for right_aligned.
inline std::string left_aligned(std::string_view text, std::size_t width) {
  if (text.size() > width)
    throw std::logic_error("\"" + std::string(text) + "\" does not fit a field of width " +
                           std::to_string(width));
  return std::string(text) + std::string(width - text.size(), ' ');
}
