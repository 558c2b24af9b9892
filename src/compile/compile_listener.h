#pragma once
// What the compiler tells a listener while it reads the description files.
// Nothing here changes the build: the main program has no listener, the
// author compiler uses one for its warnings.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "compile/field_reader.h"

/// The two description files.
enum class DescriptionFile { line, train };

/// A place in a description file: the field a key or a value was read from
/// (its line and column), the whole file (line 0), or the file after its
/// whole reading (`end_of_file`).
struct SourceLocation {
  DescriptionFile file = DescriptionFile::line;
  int32_t riga = 0;  ///< 0 when no entry was read yet, or the file as a whole
  bool end_of_file = false;  ///< the code was tested after the whole file was read
  int32_t column = 0;  ///< column (from 1, in bytes) where the field starts; 0: none
};

/// Where the reader stands when a key is read.
enum class ReadingSection {
  before_general,  ///< before the field holding "[generale]": everything is ignored
  general,         ///< the general section of the line description
  entries,         ///< the entries (line entries, or any train entry)
};

class CompileListener {
 public:
  virtual ~CompileListener() = default;

  /// Where the reader of `file` keeps every field it reads without failure
  /// (nullptr: nowhere), asked once, when the reading of the file starts.
  virtual std::vector<ReadField>* field_log(DescriptionFile file) {
    (void)file;
    return nullptr;
  }

  /// A key that started no entry (headings, comments taken as keys, the
  /// closing line and misspelt keywords alike). `line` is the key's line.
  virtual void key_dropped(DescriptionFile file, int32_t line, ReadingSection section,
                           std::string_view key) {
    (void)file, (void)line, (void)section, (void)key;
  }

  /// An entry that carries a position along the line, once its fields are
  /// read: `entry` names the kind ("pendenza", "curva", "montagna",
  /// "indicatori_vmax", "cartello_indicatore", "velocita", "aderenza",
  /// "segnale", "rallentamento", "abbattimento", "stazione").
  virtual void entry_read(DescriptionFile file, int32_t line, std::string_view entry,
                          int32_t position) {
    (void)file, (void)line, (void)entry, (void)position;
  }

  /// The line file is read to its end and the track plan is complete:
  /// nothing in the build changes the plan after this.
  virtual void plan_complete() {}

  /// The chainage references were cleared because none of them could be put
  /// in order (the largest position is shared, or no chainage is above 0).
  virtual void chainage_dropped() {}

  /// Station `station` (its record) is about to write its stop cell over
  /// `cell`, which holds an item: the stop cell is written whatever the
  /// cell holds, so that item is lost. Told before the write, while the cell
  /// still shows what it held; `entry` is the station's position field.
  virtual void stop_cell_over_item(int64_t cell, int32_t station, const SourceLocation& entry) {
    (void)cell, (void)station, (void)entry;
  }

  /// The build recorded `code`, at the moment it did so: `position` is the
  /// build's posizione_errore once the code is recorded (left as it was for
  /// the codes that carry none), `entry` the field concerned, `cell` the
  /// grid cell the code found occupied (or outside the grid) for the codes
  /// about one cell (6, 7 and 16 to 21). A code recorded twice is told
  /// twice, a later one after an earlier one.
  virtual void code_recorded(int32_t code, int32_t position, const SourceLocation& entry,
                             std::optional<int64_t> cell) {
    (void)code, (void)position, (void)entry, (void)cell;
  }
};
