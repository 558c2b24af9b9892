#pragma once
// The keywords that recognise each entry of the two description files, in
// the order the reader tests them. A key is recognised by words contained
// anywhere inside it. The compilers pair each row with the procedure that
// reads the entry; the author compiler uses the same rows to explain why a
// key was dropped.

#include <array>
#include <string_view>

/// Whether `word` stands anywhere inside `text`: how every keyword, and
/// the comment mark "-", is found in a key.
inline bool contains(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

struct Keywords {
  std::string_view first;
  std::string_view second;  ///< a second word the key must hold too, or empty
  bool ignore_case = true;  ///< false: the words must stand in the key exactly as written

  /// Whether the key holds the words under this row's case rule;
  /// `lower_letter` is the key in lower case.
  bool in(std::string_view key, std::string_view lower_letter) const {
    const std::string_view text = ignore_case ? lower_letter : key;
    return contains(text, first) && contains(text, second);
  }
};

namespace keywords {

inline constexpr bool exact = false;

/// The general entries of the line description: length, chainage references
/// three, two and one, scenery values one, two and three, signal repetition.
inline constexpr std::array<Keywords, 8> general_keys{{
    {"percorso", "lunghezza"},
    {"tre", "progressiva", exact},
    {"due", "progressiva", exact},
    {"uno", "progressiva", exact},
    {"sfondo", "uno", exact},
    {"sfondo", "due", exact},
    {"sfondo", "tre", exact},
    {"segnali", "ripetizione", exact},
}};

/// The line entries: gradient, curve, tunnel, speed-limit boards, name board.
inline constexpr std::array<Keywords, 5> line{{
    {"pendenza", ""},
    {"curva", ""},
    {"montagna", ""},
    {"indicatori_v", ""},
    {"indicat", "cartello"},
}};

/// The train entries: braked mass, cars, speed limit, adhesion, clock, sand,
/// signal, slowdown, abbattimento point, station.
inline constexpr std::array<Keywords, 10> train{{
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

}  // namespace keywords
