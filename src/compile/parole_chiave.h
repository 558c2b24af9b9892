#pragma once
// The keywords that recognise each entry of the two description files, in
// the order the reader tests them. A key is recognised by words contained
// anywhere inside it. The compilers pair each row with the procedure that
// reads the entry; the author compiler uses the same rows to explain why a
// key was dropped.

#include <array>
#include <string_view>

/// Whether `parola` stands anywhere inside `testo`: how every keyword, and
/// the comment mark "-", is found in a key.
inline bool contiene(std::string_view testo, std::string_view parola) {
  return testo.find(parola) != std::string_view::npos;
}

struct ParoleChiave {
  std::string_view prima;
  std::string_view seconda;      ///< a second word the key must hold too, or empty
  bool ignora_maiuscole = true;  ///< false: the words must stand in the key exactly as written

  /// Whether the key holds the words under this row's case rule;
  /// `minuscola` is the key in lower case.
  bool in(std::string_view chiave, std::string_view minuscola) const {
    const std::string_view testo = ignora_maiuscole ? minuscola : chiave;
    return contiene(testo, prima) && contiene(testo, seconda);
  }
};

namespace parole_chiave {

inline constexpr bool esatte = false;

/// The general entries of the line description: length, chainage references
/// three, two and one, scenery values one, two and three, signal repetition.
inline constexpr std::array<ParoleChiave, 8> generali{{
    {"percorso", "lunghezza"},
    {"tre", "progressiva", esatte},
    {"due", "progressiva", esatte},
    {"uno", "progressiva", esatte},
    {"sfondo", "uno", esatte},
    {"sfondo", "due", esatte},
    {"sfondo", "tre", esatte},
    {"segnali", "ripetizione", esatte},
}};

/// The line entries: gradient, curve, tunnel, speed-limit boards, name board.
inline constexpr std::array<ParoleChiave, 5> linea{{
    {"pendenza", ""},
    {"curva", ""},
    {"montagna", ""},
    {"indicatori_v", ""},
    {"indicat", "cartello"},
}};

/// The train entries: braked mass, cars, speed limit, adhesion, clock, sand,
/// signal, slowdown, abbattimento point, station.
inline constexpr std::array<ParoleChiave, 10> treno{{
    {"frenata", "massa"},
    {"vetture", ""},
    {"velocit", ""},
    {"aderenza", ""},
    {"orologio", ""},
    {"sabbia", ""},
    {"segnale", ""},
    {"rallentamento", ""},
    {"abbattimento", ""},
    {"stazione", ""},
}};

}  // namespace parole_chiave
