#pragma once
// The field reader of both description files. A file is a stream of fields,
// not of lines: a line end separates fields exactly like a comma, and a
// number also ends at a blank. The reader also knows the line and the column
// of every field it returns, for diagnostics.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/numbers.h"

/// Why a field could not be read.
enum class FieldProblem : uint8_t {
  none,          ///< the field was read
  end_of_file,   ///< the file ends where a field was expected
  not_a_number,  ///< a number field holds something else
  too_wide,      ///< a number outside the width of its field
};

/// The range and the name of one width of number field.
struct NumberWidth {
  int64_t minimum;
  int64_t maximum;
  std::string_view name;  ///< as a message names the width
};

/// Where and why a field could not be read. The message is composed only
/// when it is asked for: a reader that reads on past bad fields pays for no
/// text it does not show.
struct FieldFailure {
  FieldProblem problem = FieldProblem::none;
  int32_t line = 0;
  /// Column (from 1, in bytes of the line) where the failing field starts.
  int32_t column = 0;
  /// The failing number as written. A view into the reader's own copy of
  /// the file: it lives as long as the reader.
  std::string_view token;
  const NumberWidth* width = nullptr;  ///< of the failing number field

  /// The reader's words for the failure, without its line.
  std::string message() const;
};

/// A field read without throwing: its value, or the failure that stopped it
/// (then the value is 0 or the empty text).
template <class T>
class [[nodiscard]] FieldRead {
 public:
  FieldRead(T value) : value_(std::move(value)) {}
  FieldRead(const FieldFailure& failure) : value_(), failure_(failure) {}

  bool ok() const { return failure_.problem == FieldProblem::none; }
  const T& value() const { return value_; }
  T& value() { return value_; }
  const FieldFailure& failure() const { return failure_; }

 private:
  T value_;
  FieldFailure failure_;
};

/// A field that cannot be read: past the end of the file, not a number, or a
/// number outside its width. Caught by the compiler's failure trap.
class ReadFailure : public RunTimeFailure {
 public:
  ReadFailure(int32_t line, int32_t column, const std::string& what)
      : RunTimeFailure("line " + std::to_string(line) + ": " + what), line_(line), column_(column) {}
  explicit ReadFailure(const FieldFailure& failure)
      : ReadFailure(failure.line, failure.column, failure.message()) {}
  int32_t line() const { return line_; }
  /// Column (from 1, in bytes of the line) where the failing field starts.
  int32_t column() const { return column_; }

 private:
  int32_t line_;
  int32_t column_;
};

/// How a field was read.
enum class FieldReadKind : uint8_t { text, int32, int16, uint8 };

/// One field read without failure, with everything a second reading of the
/// same content needs to meet it again without reading its bytes: what it
/// held, where it stood, and where the reader stood after it. Places are
/// 32 bits: a log is kept only of a content that they can address.
struct ReadField {
  uint32_t next = 0;        ///< the reader's place in the content after the field
  uint32_t text_start = 0;  ///< a text field's text: where it starts in the content
  uint32_t text_size = 0;   ///< and how many bytes it has
  int32_t number = 0;       ///< a number field's value
  int32_t riga = 0;         ///< as riga(), column() and end_column() tell it
  int32_t column = 0;
  int32_t end_column = 0;
  FieldReadKind kind = FieldReadKind::text;
};

class FieldReader {
 public:
  /// Reads from the whole content of a file (Windows-1252 bytes), or from
  /// a piece of it that starts at the beginning of line `first_line`.
  explicit FieldReader(std::string content, int32_t first_line = 1);
  /// Reads the whole content of a file on from where a reading of it from
  /// its start stood after the field `after`.
  FieldReader(std::string content, const ReadField& after);

  /// From now on, every field read is appended to `log` (nullptr: none), up
  /// to the first that cannot be read: the log ends there, so that a later
  /// reading of the same content in the same order can take the fields from
  /// it, one after the other, and go on by itself from its end. A reader of
  /// the whole content keeps a log, from its start, of a content of less
  /// than 4 GiB.
  void keep_log(std::vector<ReadField>* log);

  /// True once everything has been read. The reading order tests it only
  /// where the formats say so.
  bool end_of_file() const { return pos_ >= text_.size(); }

  /// A text field: leading blanks skipped; a double-quoted text runs to the
  /// next double quote, any other to the next comma or line end. The comma or
  /// line end that ends the field is consumed.
  std::string read_text();

  /// Number fields of the three widths. A number ends at a blank, comma or
  /// line end; the blanks after it and one following comma or line end are
  /// consumed, whether it reads or not. An empty field reads 0.
  int32_t read_int32();
  int16_t read_int16();
  uint8_t read_uint8();

  /// The same reads, which report a field that cannot be read instead of
  /// throwing ReadFailure, and leave the reader where the throwing read
  /// would have left it. The throwing reads are written over these.
  FieldRead<std::string> try_read_text();
  FieldRead<int32_t> try_read_int32();
  FieldRead<int16_t> try_read_int16();
  FieldRead<uint8_t> try_read_uint8();

  /// Line (from 1) of the field returned last.
  int32_t riga() const { return field_line_; }
  /// Column (from 1, in bytes of its line) where the field returned last
  /// starts: its first character after the leading blanks (the opening
  /// quote of a quoted text; the separator of an empty field).
  int32_t column() const { return field_column_; }
  /// Column (from 1) just after the last character of the field returned
  /// last, on its line (a quoted text's closing quote included).
  int32_t end_column() const { return field_end_column_; }
  /// Line (from 1) the reader stands on now: the last line at the end.
  int32_t current_line() const { return line_; }

 private:
  FieldRead<int64_t> read_number(const NumberWidth& width);
  template <class T>
  FieldRead<T> read_logged(const NumberWidth& width, FieldReadKind kind);
  /// False, with the reader unmoved, at the end of the file.
  bool start_field();
  FieldFailure end_of_file_failure() const;
  int32_t current_column() const;
  void skip_blanks();
  bool at_line_end() const;
  void consume_line_end();
  char peek() const { return text_[pos_]; }
  void log_field(FieldReadKind kind, int32_t number, size_t text_start, size_t text_size);

  std::string text_;
  std::vector<ReadField>* log_ = nullptr;
  size_t pos_ = 0;
  int32_t line_ = 1;
  size_t line_start_ = 0;  ///< offset of the first byte of the current line
  int32_t field_line_ = 0;
  int32_t field_column_ = 0;
  int32_t field_end_column_ = 0;
};
