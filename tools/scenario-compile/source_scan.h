#pragma once
// One description file read again as its compiler reads it, field by field
// in the same reading order, every entry kept with the places of its fields.
// The author compiler's source checks look at what it finds; nothing here
// takes part in a build.

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "compile/compile_listener.h"
#include "compile/field_reader.h"
#include "compile/keywords.h"
#include "report.h"

namespace source_scan {

// ----- The entries and their fields, as the compilers read them -----

enum class Width { int32, int16, uint8, text };

struct FieldShape {
  std::string_view name;  ///< as a message names the field
  Width width = Width::int32;
};

/// No position: a general entry.
constexpr int32_t kNoMargin = -1;

struct EntryShape {
  std::string_view kind;  ///< the entry's own name, as the file writes its key
  const Keywords& words;
  std::span<const FieldShape> fields;
  int32_t margin = kNoMargin;  ///< metres the item needs inside the grid beyond its position
};

// ----- What one reading finds -----

struct Field {
  int32_t number = 0;  ///< every number field is read as 32 bits or fewer
  std::string_view text;  ///< a text field's text, kept by the Scan that read it
  int32_t riga = 0;
  int32_t column = 0;
  int32_t end_column = 0;
};

struct Entry {
  const EntryShape* shape = nullptr;
  std::string key;
  int32_t riga = 0;  ///< the key's line
  int32_t column = 0;
  int32_t end_column = 0;
  /// The fields read, in order; kept by the Scan that read the entry.
  std::span<const Field> fields;
  size_t first_field = 0;  ///< where its fields start in the Scan's store
  size_t field_count = 0;

  bool positioned() const { return shape->margin != kNoMargin; }
  int32_t position() const { return static_cast<int32_t>(fields[0].number); }
};

/// A field that could not be read, and the entry it belongs to.
struct Failure {
  Entry entry;           ///< with the fields read before it
  int32_t riga = 0;      ///< where the failing field starts
  int32_t column = 0;
  std::string what;      ///< the reader's words
  std::string token;     ///< the failing field as it stands in the line
  bool missing = false;  ///< the entry lacks the field: the next line's first field or the file's end stands for it
  bool end_of_file = false;
};

enum class Section { before_general, general, entries };

/// A heading: a key holding both "[" and "]".
bool looks_like_heading(std::string_view key);
/// "text" in double quotes, in UTF-8.
std::string in_quotes(std::string_view text);
/// The keyword of an entry of `file` that `text` holds, if any.
std::optional<std::string_view> keyword_of_file(DescriptionFile file, std::string_view text);
/// A text field that starts a later line than the field before it and
/// holds a keyword, or is a heading: the next entry's key or a heading taken
/// as this entry's text.
bool swallows(DescriptionFile file, std::string_view text, int32_t riga, int32_t before);

/// The reader of a scan. It takes the fields from the build's reading of the
/// same text for as long as the scan asks for them in the build's order (the
/// same kind of field, one after the other from the start), and reads the
/// text itself from where the two part: a field read from a place gives the
/// same result, whoever reads it.
class ScanReader {
 public:
  /// The whole text, with the fields the build read from it.
  ScanReader(std::string_view content, std::span<const ReadField> build_fields);
  /// A piece of the text that starts at the beginning of line `first_line`.
  ScanReader(std::string_view piece, int32_t first_line) : live_(std::in_place, std::string(piece), first_line) {}

  bool end_of_file() const { return live_ ? live_->end_of_file() : at_.next >= content_.size(); }
  FieldRead<std::string> try_read_text();
  FieldRead<int32_t> try_read_int32();
  FieldRead<int16_t> try_read_int16();
  FieldRead<uint8_t> try_read_uint8();
  int32_t riga() const { return live_ ? live_->riga() : at_.riga; }
  int32_t column() const { return live_ ? live_->column() : at_.column; }
  int32_t end_column() const { return live_ ? live_->end_column() : at_.end_column; }

 private:
  /// The build's next field when it is of `kind`; otherwise nothing, and
  /// from here on the text is read.
  const ReadField* next_of(FieldReadKind kind);

  std::string_view content_;
  std::span<const ReadField> build_fields_;
  size_t next_ = 0;
  ReadField at_;  ///< the build's field taken last: where the reading stands
  std::optional<FieldReader> live_;
};

/// One description file read as its compiler reads it, every entry kept
/// with the places of its fields. A field that cannot be read is noted and
/// the reading goes on at the next line (at the failing field's own line
/// when it is the first of its line: that line holds the next entry).
///
/// The text and its lines are the report's own (the text the build read),
/// not a copy: `source` must outlive the scan. A scan is neither copied nor
/// moved: its entries point at the fields it keeps.
class Scan {
 public:
  /// `build_fields`: what the build read of the same text (see ScanReader).
  Scan(DescriptionFile file, const SourceFile& source, std::span<const ReadField> build_fields = {});
  Scan(const Scan&) = delete;
  Scan& operator=(const Scan&) = delete;

  const std::vector<Entry>& entries() const { return entries_; }
  const std::vector<Failure>& failures() const { return failures_; }
  /// Warnings about keys that start no entry, in the order they were read.
  const std::vector<Diagnostic>& key_warnings() const { return key_warnings_; }
  /// The length of the last line length entry, if any.
  std::optional<int64_t> length() const { return length_; }
  /// Swallowed keys: the line whose key a text field took.
  const std::vector<int32_t>& swallowed_lines() const { return swallowed_; }

 private:
  void run();
  /// Reads on from where the reader stands, to the file's end or to the
  /// first field that cannot be read (then `failed_` holds it).
  void read_sections();
  bool find_general();
  bool general_section();
  void entries_section();
  std::optional<std::string> next_key(int comment_steps, bool end_stops_skip, Section section);
  std::optional<std::string> read_key();
  template <size_t N>
  bool dispatch(const EntryShape (&rows)[N], const std::string& key);
  void read_entry(const EntryShape& shape, const std::string& key);
  /// The value of a field that was read, into `into`; false, with the
  /// failure kept in `failed_`, for one that was not.
  template <class T, class Into>
  bool take(FieldRead<T>&& read, Into& into);
  void note_failure(const FieldFailure& f);
  void drop(const std::string& key, Section section);
  /// drop for the file's last field, which the build never reads as a key.
  void drop_last(const std::string& key, Section section);
  void warn_key(int32_t riga, int32_t column, std::string message);
  std::string_view line_text(int32_t riga) const {
    return riga >= 1 && static_cast<size_t>(riga) <= source_.line_count()
               ? source_.line(static_cast<size_t>(riga) - 1)
               : std::string_view();
  }
  /// The entry's fields, once the reading is over and the store stays put.
  void attach_fields(Entry& e) const { e.fields = {fields_.data() + e.first_field, e.field_count}; }

  const DescriptionFile file_;
  const SourceFile& source_;
  const std::string_view content_;
  const std::span<const ReadField> build_fields_;
  std::optional<ScanReader> reader_;
  std::optional<FieldFailure> failed_;  ///< the field that stopped the reading

  int32_t key_line_ = 0, key_column_ = 0, key_end_ = 0;
  std::optional<Entry> reading_;  ///< the entry whose fields are being read
  std::vector<Field> fields_;     ///< the fields of every entry, in reading order
  std::deque<std::string> texts_;  ///< the text fields' texts (a deque keeps them in place)
  std::vector<Entry> entries_;
  std::vector<Failure> failures_;
  std::vector<Diagnostic> key_warnings_;
  std::vector<Diagnostic> before_general_;  ///< told only once "[generale]" is found
  Section section_ = Section::before_general;
  bool discarded_values_ = false;  ///< the last key was reported: its values are not told again
  std::optional<int64_t> length_;
  std::vector<int32_t> swallowed_;
};

}  // namespace source_scan
