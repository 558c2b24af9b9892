#pragma once
// Readers of the three compiled scenario files, driven by the same layouts
// as their writers (output/layouts.h). Each one is a pure function
// over the file's bytes: it checks every length, count and tag against the
// layout before it uses it, and gives either the decoded table or one error
// that names the file, the offset and what was expected there.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "model/records.h"

/// A file that does not have the layout of a compiled scenario file.
struct FileReadError {
  std::string file;      ///< the file's name, as shown to the user
  int64_t offset = 0;    ///< byte where the fault lies
  std::string expected;  ///< what the layout asks for there
  std::string found;     ///< what the file holds instead

  /// "FILE: offset N: expected ..., found ..."
  std::string message() const;
  bool operator==(const FileReadError&) const = default;
};

/// A decoded table, or the error that stopped the reading.
template <class T>
class Read {
 public:
  Read(T value) : content_(std::move(value)) {}
  Read(FileReadError error) : content_(std::move(error)) {}

  bool ok() const { return std::holds_alternative<T>(content_); }
  const T& value() const { return std::get<T>(content_); }
  T& value() { return std::get<T>(content_); }
  const FileReadError& error() const { return std::get<FileReadError>(content_); }

 private:
  std::variant<T, FileReadError> content_;
};

/// Offset of record `index` in the service file of `voci`, from the lengths
/// of the names before it.
int64_t entry_start(const RecordTable& voci, int32_t index);

/// The service file: 87 records of 34 + N bytes each, nothing after them.
Read<RecordTable> read_records(std::string_view bytes, std::string_view file);

/// The line length that record 84 of a read service file gives, checked to
/// lie in 0 .. 1000000; the error points at its bytes in the service file.
Read<int32_t> line_length(const RecordTable& voci, std::string_view bytes, std::string_view file);

/// The grid file: 15 bytes a cell. With `cells` given, the file must hold
/// exactly that many cells; without, any whole number of cells from 2 up
/// (cell 1 carries the marker and the plain check code).
Read<CellGrid> read_grid(std::string_view bytes, std::string_view file,
                         std::optional<int32_t> cells);

/// The line data file of a plan with `lines` rows (L + 7001): column 0 of
/// every row, then column 1, each element a tag (0 nothing, 2 a 16-bit
/// integer, 5 a double) and its value. Both columns must have the shape the
/// builder writes: the integers of rows 0 and 1, then doubles, then nothing.
Read<TrackPlan> read_plan(std::string_view bytes, std::string_view file, int32_t lines);
