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
inline constexpr std::string_view kFineFile = "riferimento fine del file";

/// Room of a line table: entries 0 to 1000, the end marker included.
inline constexpr std::size_t kRigheTabella = 1001;

/// Puts the end marker after the last line of a writer's table.
inline void chiudi_tabella(std::vector<std::string>& tabella) {
  tabella.emplace_back(kFineFile);
}

/// The number preceded by blanks up to `larghezza` characters. A number wider
/// than its field would shift every later field of the line, so it is a
/// programming error, not something to write.
inline std::string a_destra(int64_t valore, std::size_t larghezza) {
  std::string testo = std::to_string(valore);
  if (testo.size() > larghezza)
    throw std::logic_error(testo + " does not fit a field of width " + std::to_string(larghezza));
  return std::string(larghezza - testo.size(), ' ') + testo;
}

/// The text followed by blanks up to `larghezza` characters; a longer text is
/// a programming error, as for a_destra.
inline std::string a_sinistra(std::string_view testo, std::size_t larghezza) {
  if (testo.size() > larghezza)
    throw std::logic_error("\"" + std::string(testo) + "\" does not fit a field of width " +
                           std::to_string(larghezza));
  return std::string(testo) + std::string(larghezza - testo.size(), ' ');
}
