#include "nomi_scenario.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "platform/ansi.h"

namespace {

bool carattere_di_controllo(uint8_t byte) { return byte < 0x20 || byte == 0x7F; }

std::string esadecimale(uint8_t byte) {
  char testo[8];
  std::snprintf(testo, sizeof testo, "0x%02X", static_cast<unsigned>(byte));
  return testo;
}

// The reason a converted name cannot name a file of the folder, if any.
std::optional<std::string> difetto(std::string_view nome) {
  if (nome.empty()) return "it is empty";
  for (char c : nome) {
    const auto byte = static_cast<uint8_t>(c);
    if (c == '/' || c == '\\') return "it holds a path separator";
    if (carattere_di_controllo(byte))
      return "it holds the control character " + esadecimale(byte);
  }
  if (nome.find("..") != std::string_view::npos) return "it holds \"..\"";
  return std::nullopt;
}

}  // namespace

std::variant<std::string, NomeRifiutato> controlla_nome(std::string_view utf8,
                                                        std::string_view cosa) {
  std::string mostrato = "\"";
  mostrato.append(utf8).push_back('"');
  const std::optional<std::string> ansi = utf8_a_cp1252(utf8);
  if (!ansi)
    return NomeRifiutato{std::string(cosa) + " " + mostrato +
                         ": it is not UTF-8 text, or it holds a character outside Windows-1252"};
  if (const std::optional<std::string> motivo = difetto(*ansi))
    return NomeRifiutato{std::string(cosa) + " " + mostrato + ": " + *motivo};
  return *ansi;
}
