#pragma once
// The checks that need no build state. Both description files are read
// again, field by field, in the compilers' own reading order, from the
// report's own text and lines (the text the build read), and every
// entry is looked at with its fields and their places: the likely mistakes
// that compile all the same become warnings at the entry's own line and
// field, and wherever the build stopped reading (at its first code, or
// before the train file) the rest of the files is still checked for every
// error that can be found without the build's state.
//
// Nothing here takes part in the build: it only adds messages to a report.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "compile/field_reader.h"

#include "report.h"

/// How far the build read a description file.
struct ReadingStop {
  bool read = true;               ///< false: the build never read the file
  std::optional<int32_t> riga;    ///< the line of the entry where its reading stopped
  /// Every field the build read without failure, in its order, from the
  /// text the report holds: the checks take them from here instead of
  /// reading them again, as long as they read in the build's order.
  std::span<const ReadField> fields;
};

/// Where the build stopped reading each description file.
struct ReadingStops {
  ReadingStop line;
  ReadingStop train;
};

/// Reads both files (the report's own texts, which are the build's) and adds
/// to `report`: a warning for every likely mistake of either file; an error,
/// marked as found after the build stopped, for every problem of the part of
/// a file the build did not read; a note on a train file the build never
/// read. The build's own code 25 of a field that cannot be read is told
/// again by its cause where one is found (a value missing from its entry, a
/// heading that starts an entry).
void check_sources(Report& report, const ReadingStops& stops);
