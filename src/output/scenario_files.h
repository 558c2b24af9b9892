#pragma once
// The three compiled scenario files as bytes: the grid file (every cell of
// the grid), the service file (the 87 records) and the line data file (the
// track plan). Little-endian, fields packed in record order, no header, no
// count, no trailer. Pure functions, so that tools can rebuild the files.

#include <cstddef>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "model/records.h"
#include "platform/platform.h"

/// A record the service file layout cannot hold: a name longer than the
/// 65535 bytes its unsigned 16-bit length can count.
class RecordError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The grid file: 15 bytes per cell, cells 0 to the highest index.
std::string grid_file_bytes(const CellGrid& percorso);

/// The service file: records 0 to 86, 34 bytes each plus the length of the
/// name. Names are checked through convert_to_ansi (AnsiError for a byte that
/// is no Windows-1252 character); a name too long for its length field is a
/// RecordError.
std::string service_file_bytes(const RecordTable& voci);

/// Bytes laid out once, without being zero-filled first: the line data file
/// of the largest line is some 20 MB, every byte of which the serializer
/// writes anyway.
class ByteBlock {
 public:
  explicit ByteBlock(size_t n) : data_(std::make_unique_for_overwrite<char[]>(n)), n_(n) {}
  char* data() { return data_.get(); }
  std::string_view view() const { return {data_.get(), n_}; }
  operator std::string_view() const { return view(); }
  friend bool operator==(const ByteBlock& a, std::string_view b) { return a.view() == b; }
  friend std::ostream& operator<<(std::ostream& out, const ByteBlock& b) {
    return out << b.size() << " bytes";
  }
  size_t size() const { return n_; }

 private:
  std::unique_ptr<char[]> data_;
  size_t n_;
};

/// The line data file: column 0 of every row, then column 1. Each element is
/// a 16-bit tag and its value: 2 and a 16-bit integer for rows 0 and 1, 5 and
/// a 64-bit float for the computed rows, 0 alone for rows never computed.
ByteBlock line_data_file_bytes(const TrackPlan& tracciato);

/// The same line data file handed out in pieces of at most `piece_bytes`
/// (at least one element's 10 bytes), laid out from the plan as they are
/// asked for: the build writes the file through one small buffer and never
/// holds the whole file beside the plan. The plan must not change while the
/// pieces are read.
class LineDataPieces : public ByteSource {
 public:
  /// Large enough that writing costs few system calls, small enough to stay
  /// in the processor's cache between being laid out and being written.
  static constexpr size_t kPieceBytes = 256 * 1024;

  explicit LineDataPieces(const TrackPlan& tracciato, size_t piece_bytes = kPieceBytes);
  /// Bytes of the whole file.
  size_t size() const;
  std::string_view next_piece() override;

  /// Lays out the next elements into `out`, as many whole ones as `room`
  /// bytes hold; returns the bytes laid out, 0 once the file is complete.
  size_t lay_out(char* out, size_t room);

 private:
  const TrackPlan& tracciato_;
  size_t integers_ = 0, reals_ = 0, empties_ = 0;  // rows by kind of value
  int column_ = 0;                                 // the column being laid out
  size_t metre_ = 0;                               // its next row
  std::unique_ptr<char[]> buffer_;
  size_t piece_bytes_;
};
