#pragma once
// The reading skeleton shared by the line and the train compiler: the search
// for the general section, the reading of a key past comment fields, and the
// dispatch of a key over a table of keywords. Each compiler derives from it
// and adds its own entries; the reading order stays each compiler's own.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compile/compile_listener.h"
#include "compile/field_reader.h"
#include "compile/keywords.h"
#include "platform/ansi.h"

class Form1;

/// What the reading does after an entry.
enum class ReadOutcome {
  go_on,         ///< go on with the next key
  stop_reading,  ///< stop reading and finish the file as at its end (code 15)
  failed,        ///< a code was recorded: delete the file and return at once
};

/// One entry of a description file: its keywords, whether it counts only
/// while the track plan is built (the curve), and the procedure of the
/// compiler `Reader` that reads and applies its fields.
template <class Reader>
struct KeywordRow {
  const Keywords& words;
  ReadOutcome (Reader::*apply)(const std::string& key);
  bool only_with_plan = false;
};

class DescriptionReader {
 protected:
  DescriptionReader(Form1& form, DescriptionFile file, std::string content);

  /// Reads text fields up to the one holding "[generale]" (case ignored) and
  /// tells whether it was found; every field before it is dropped. When
  /// `last_field_may_open` is false, the last field of the file never opens
  /// the section, whatever it holds.
  bool find_general(bool last_field_may_open);

  /// The next key: one text field, then up to `comment_steps` further ones
  /// while the key holds "-" (a comment). Nothing when the file ends with the
  /// first field, or, when `end_stops_skip`, with a field of the skip: the
  /// last field of a file is never interpreted. Without `end_stops_skip` the
  /// skip makes no end-of-file test, and a read past the end fails.
  std::optional<std::string> next_key(int comment_steps, bool end_stops_skip,
                                      ReadingSection section);

  /// Starts every entry of `rows` whose keywords the key holds, in table
  /// order, each reading its own fields; stops at the first that does not go
  /// on. `recognised` tells whether any entry started.
  template <class Reader, size_t N>
  ReadOutcome dispatch(const std::array<KeywordRow<Reader>, N>& rows, const std::string& key,
                       bool& recognised);

  /// One text field as a key: it becomes the build's `riga` and its `source`.
  std::string read_key();
  /// Tells the listener about a key that started no entry.
  void drop(const std::string& key, ReadingSection section);
  /// Tells the listener about an entry that carries a position.
  void entry_read(std::string_view entry, int32_t position);
  /// The field read last, as the place a code names.
  SourceLocation last_field() const;
  bool plan_built() const;

  Form1& f_;
  FieldReader reader_;
  const DescriptionFile file_;
  int32_t key_line_ = 0;  ///< line of the key read last
};

template <class Reader, size_t N>
ReadOutcome DescriptionReader::dispatch(const std::array<KeywordRow<Reader>, N>& rows,
                                        const std::string& key, bool& recognised) {
  const std::string lower = lowercase(key);
  auto& reader = static_cast<Reader&>(*this);
  for (const KeywordRow<Reader>& row : rows) {
    if (row.only_with_plan && !plan_built()) continue;
    if (!row.words.in(key, lower)) continue;
    recognised = true;
    const ReadOutcome outcome = (reader.*row.apply)(key);
    if (outcome != ReadOutcome::go_on) return outcome;
  }
  return ReadOutcome::go_on;
}
