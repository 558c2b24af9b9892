#pragma once
// A compiled scenario back to its two description files: the recovered
// entries laid out as text and, unless asked not to, proven by compiling
// them back to the very same bytes.

#include <optional>
#include <string>
#include <vector>

#include "round_trip.h"
#include "scenario.h"

struct Decompiled {
  std::string line_text;   ///< <line>_linea.txt, Windows-1252, CR LF
  std::string train_text;  ///< <line>_<train>-.txt
  /// What the files cannot give back (for the author; the texts are still written).
  std::vector<std::string> warnings;
  /// Why the texts must not be written: the round trip found a difference,
  /// or a text cannot be laid out at all. Nothing when they are good.
  std::optional<std::string> error;
  /// What the recovery could not trace, shown with an error.
  std::vector<std::string> problems;
};

/// Recovers the entries and lays them out. With `verify`, compiles them in
/// memory and compares with `files`; where items overwrote each other the
/// few other ways to write them (stations after the signals, the tunnel
/// markers from tunnels of their own) are tried until one compiles back the
/// same.
Decompiled decompile(const Scenario& s, const OriginalFiles& files, bool verify);
