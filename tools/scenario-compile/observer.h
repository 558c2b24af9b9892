#pragma once
// Watches one build of the author compiler: keeps every code the build
// records, as it is recorded, with the entry the build names for it, and
// tells where the build stopped reading each description file, and what a
// station's stop cell erases. The other warnings about the files come from
// the source checks, which need no build.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/form1.h"
#include "compile/compile_listener.h"
#include "report.h"
#include "source_checks.h"

class Observer : public CompileListener {
 public:
  Observer(Form1& form, Report& report) : form_(form), report_(report) {}

  void entry_read(DescriptionFile file, int32_t line, std::string_view entry,
                  int32_t position) override;
  void chainage_dropped() override;
  void plan_complete() override {
    if (when_plan_complete) when_plan_complete();
  }
  /// Told when the line is compiled and its plan will not change again.
  std::function<void()> when_plan_complete;
  void code_recorded(int32_t code, int32_t position, const SourceLocation& entry,
                     std::optional<int64_t> cell) override;
  /// A warning at the station, naming the item its stop cell erases.
  void stop_cell_over_item(int64_t cell, int32_t station, const SourceLocation& entry) override;
  /// Keeps what the build reads of each file, for the checks.
  std::vector<ReadField>* field_log(DescriptionFile file) override;
  /// Lets go of what field_log kept, once the checks have it no more.
  void forget_fields();

  /// After the build: one message per code the build recorded, in order.
  /// `detail` tells what failed for code 25, in the author's file names.
  void report_codes(std::string_view detail);

  /// Where the build stopped reading each file: at the entry of the first
  /// code recorded while reading it; a line description stopped by any code
  /// but 15 (or without "[generale]") leaves the train file unread. With
  /// the fields the build read of each, valid until forget_fields.
  ReadingStops reading_stops() const;

  /// A code the build recorded, and where.
  struct RecordedCode {
    int32_t code;
    int32_t posizione;
    SourceLocation location;
    std::optional<int64_t> cell;  ///< the cell found occupied, for the codes about one
    /// Entries read before the one the code is about (which is read, then
    /// placed): those that can hold its cell.
    size_t entries_before;
  };
  const std::vector<RecordedCode>& recorded_codes() const { return recorded_codes_; }

 private:
  /// An entry with a position, as the build read it.
  struct ReadEntry {
    DescriptionFile file;
    int32_t riga;
    std::string kind;
    int32_t posizione;
  };
  /// What already holds a cell, in words, with the line of its entry; empty
  /// for a free cell or one outside the grid.
  std::string occupant(int64_t cell, DescriptionFile from, size_t entries_before) const;
  /// What holds a cell that is not free, in words, with the line of its
  /// entry where it is known ("the name board "X" of line 21").
  std::string holder(const cella& c, int64_t cell, DescriptionFile from,
                     size_t entries_before) const;
  /// The last of the first `entries_before` entries of `kind` whose item
  /// stands in `cell`.
  const ReadEntry* entry_in_cell(std::string_view kind, int64_t cell, size_t entries_before) const;
  /// The entries read before the last one: an item is read, then placed, so
  /// while it is placed these are the entries that can hold its cells.
  size_t entries_before_last() const { return entries_.empty() ? 0 : entries_.size() - 1; }

  Form1& form_;
  Report& report_;
  std::vector<RecordedCode> recorded_codes_;
  std::vector<ReadEntry> entries_;
  std::array<std::vector<ReadField>, 2> fields_;  ///< line, train
};

/// " (at 5950 m)" or " (at 5950 m, km 67+500)": the position of a code, with
/// the chainage where the line's references give it.
std::string position_text(const RecordTable& voci, int32_t posizione);
