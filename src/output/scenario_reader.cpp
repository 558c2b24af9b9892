#include "output/scenario_reader.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <span>
#include <tuple>
#include <utility>

#include "model/numbers.h"
#include "output/layouts.h"

namespace {

std::string byte_count(int64_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

/// N bytes of a file whose length was checked once: a cell, the head or
/// the tail of a record, an element of the plan. Its fields are decoded at
/// offsets the compiler knows, not read one by one from the file.
template <size_t N>
using Piece = std::span<const char, N>;

/// The value of type T at byte At of `piece`, little-endian. Whether the
/// value lies inside the piece is decided when this compiles, so the
/// pointer arithmetic cannot leave the piece, and the sanitizer's run-time
/// check of it is left out: it could never fire, yet under the fuzzer each
/// one was a traced comparison for every field of every cell and record.
/// AddressSanitizer still checks the bytes read.
template <class T, size_t At, size_t N>
__attribute__((no_sanitize("pointer-overflow"))) T load_at(Piece<N> piece) {
  static_assert(At + sizeof(T) <= N, "a field outside its piece");
  return layout::load_le<T>(piece.data() + At);
}

/// Field I of the field table `kFields` (its offsets in `kTable`), decoded
/// from a piece that starts at byte `Base` of the record.
template <const auto& kFields, const auto& kTable, size_t I, int32_t Base, size_t N, class Record>
void decode_field(Piece<N> piece, Record& r) {
  constexpr auto f = std::get<I>(kFields);
  constexpr int32_t at = kTable[I].offset - Base;
  static_assert(at >= 0, "a field before its piece");
  r.*f.member = load_at<typename decltype(f)::value_type, static_cast<size_t>(at)>(piece);
}

/// Fields First, First + 1, ... of `kFields` decoded from `piece`.
template <const auto& kFields, const auto& kTable, size_t First, int32_t Base, size_t N, class Record,
          size_t... I>
void decode_fields(Piece<N> piece, Record& r, std::index_sequence<I...>) {
  (decode_field<kFields, kTable, First + I, Base>(piece, r), ...);
}

/// A read position in the bytes of one file. Every read first checks that
/// the bytes are there; a short read is reported, never made.
class Cursor {
 public:
  Cursor(std::string_view bytes, std::string_view file) : bytes_(bytes), file_(file) {}

  int64_t offset() const { return pos_; }
  int64_t rest() const { return static_cast<int64_t>(bytes_.size()) - pos_; }

  /// The error for `n` bytes of `what` that the file does not hold in full.
  FileReadError short_read(int64_t n, const std::string& what) const {
    return errore(pos_, byte_count(n) + " of " + what,
                  rest() == 0 ? "the end of the file"
                              : "only " + byte_count(rest()) + " before the end of the file");
  }
  FileReadError errore(int64_t offset, std::string expected, std::string found) const {
    return FileReadError{std::string(file_), offset, std::move(expected), std::move(found)};
  }

  bool has(int64_t n) const { return rest() >= n; }

  /// The next N bytes, left where they are; the caller has checked has(N).
  template <size_t N>
  Piece<N> peek() const {
    return Piece<N>(bytes_.data() + pos_, N);
  }
  /// The next N bytes; the caller has checked has(N).
  template <size_t N>
  Piece<N> piece() {
    const Piece<N> p = peek<N>();
    pos_ += static_cast<int64_t>(N);
    return p;
  }
  std::string_view take(int64_t n) {
    const auto s = bytes_.substr(static_cast<size_t>(pos_), static_cast<size_t>(n));
    pos_ += n;
    return s;
  }
  void skip(int64_t n) { pos_ += n; }

 private:
  std::string_view bytes_;
  std::string_view file_;
  int64_t pos_ = 0;
};

std::string record_name(int32_t i) { return "record " + std::to_string(i); }

/// Index of the field called `name` in a field table.
template <size_t N>
constexpr size_t field_index(const std::array<layout::FieldInfo, N>& table, const char* name) {
  for (size_t i = 0; i < N; ++i)
    if (std::string_view(table[i].name) == name) return i;
  throw "no such field";  // a compile-time error where it is used in a constant
}

/// A record is a head of fixed fields ending with the length of its name,
/// the name's bytes, and a tail of fixed fields.
constexpr size_t kNameField = field_index(layout::kRecordTable, "nome");
constexpr size_t kTailFields = std::tuple_size_v<decltype(layout::kRecordFields)> - kNameField - 1;
static_assert(layout::kRecordTable[kNameField].offset + 2 == layout::kRecordHeadBytes);

std::optional<FileReadError> read_record(Cursor& c, int32_t i, voce& v) {
  constexpr int64_t head_bytes = layout::kRecordHeadBytes;
  constexpr int64_t tail_bytes = layout::kRecordTailBytes;
  if (!c.has(head_bytes)) return c.short_read(head_bytes, "the head of " + record_name(i));
  const auto head = c.piece<layout::kRecordHeadBytes>();
  decode_fields<layout::kRecordFields, layout::kRecordTable, 0, 0>(head, v,
                                                                   std::make_index_sequence<kNameField>{});
  // The head is checked: the length is there; the name and the tail may not be.
  const int64_t n = load_at<uint16_t, layout::kRecordTable[kNameField].offset>(head);
  if (!c.has(n + tail_bytes))
    return c.short_read(n + tail_bytes,
                        "the " + std::to_string(n) + "-byte name and the tail of " + record_name(i));
  v.nome.assign(c.take(n));
  decode_fields<layout::kRecordFields, layout::kRecordTable, kNameField + 1, layout::kRecordHeadBytes>(
      c.piece<layout::kRecordTailBytes>(), v, std::make_index_sequence<kTailFields>{});
  return std::nullopt;
}

FileReadError too_many_bytes(const Cursor& c, const std::string& after) {
  return c.errore(c.offset(), "the end of the file after " + after,
                  std::to_string(c.rest()) + (c.rest() == 1 ? " more byte" : " more bytes"));
}

std::string type_name(uint16_t tag) {
  return "tag " + std::to_string(tag) + " (" + layout::element_kind(tag)->description + ")";
}

/// "tag 0, 2 or 5": every tag the layout has.
std::string allowed_tags() {
  std::string s = "tag";
  const size_t n = std::size(layout::kElementKinds);
  for (size_t i = 0; i < n; ++i) {
    s += i == 0 ? " " : i + 1 == n ? " or " : ", ";
    s += std::to_string(static_cast<uint16_t>(layout::kElementKinds[i].tag));
  }
  return s;
}

struct PlanElement {
  uint16_t tag = 0;
  double value = 0;
};

std::string element_location(int32_t metre, int column) {
  return "metre " + std::to_string(metre) + " of column " + std::to_string(column) +
         (column == 0 ? " (x)" : " (y)");
}

std::optional<FileReadError> read_element(Cursor& c, int32_t metre, int column, PlanElement& e) {
  if (!c.has(layout::kTagBytes)) return c.short_read(layout::kTagBytes, "the tag of " + element_location(metre, column));
  const int64_t at = c.offset();
  e.tag = load_at<uint16_t, 0>(c.peek<layout::kTagBytes>());
  const layout::ElementKind* kind = layout::element_kind(e.tag);
  if (kind == nullptr)
    return c.errore(at, allowed_tags() + " for " + element_location(metre, column),
                    "tag " + std::to_string(e.tag));
  if (!c.has(layout::kTagBytes + kind->value_bytes)) {
    c.skip(layout::kTagBytes);
    return c.short_read(kind->value_bytes, std::string("the ") +
                                               (kind->tag == VariantType::int16 ? "16-bit value" : "double") +
                                               " of " + element_location(metre, column));
  }
  // The whole element is there: one piece, tag and value.
  switch (kind->tag) {
    case VariantType::empty:
      e.value = 0;
      c.skip(layout::kTagBytes);
      break;
    case VariantType::int16:
      e.value = load_at<int16_t, layout::kTagBytes>(c.piece<layout::element_bytes(VariantType::int16)>());
      break;
    case VariantType::float64:
      e.value = load_at<double, layout::kTagBytes>(c.piece<layout::element_bytes(VariantType::float64)>());
      break;
  }
  return std::nullopt;
}

/// The rows of a plan that hold a value, both columns.
using PlanRows = decltype(TrackPlan::points);

/// How far the reading of a plan has come: column 0 fixes how many rows
/// hold a value, column 1 must agree row for row. The values are kept only
/// when `rows` is set.
struct PlanReading {
  int32_t computed = 0;   ///< rows of column 0 read as values so far
  bool in_prefix = true;  ///< column 0 is still in its rows that hold values
  PlanRows* rows = nullptr;

  /// Keeps the value of row m: column 0 adds the row (its values come
  /// first and in order), column 1 fills in the row column 0 made.
  void keep(int32_t m, int column, double value) const {
    if (rows == nullptr) return;
    if (column == 0) rows->push_back({value, 0.0});
    else (*rows)[static_cast<size_t>(m)][1] = value;
  }
};

/// Row m of `column` read element by element with every check: the row
/// where a run of whole elements of one kind stops. Column 0 ends its run
/// of values at the first row that holds none.
std::optional<FileReadError> read_row(Cursor& c, int32_t m, int column, PlanReading& r) {
  const int64_t at = c.offset();
  PlanElement e;
  if (auto err = read_element(c, m, column, e)) return err;
  uint16_t expected_tag;
  if (column == 0 && r.in_prefix) {
    // Still in the rows that hold values: the next row may hold the
    // next kind of value or be the first empty one.
    const auto tipo = static_cast<uint16_t>(m < 2 ? VariantType::int16 : VariantType::float64);
    if (e.tag == tipo) {
      r.computed = m + 1;
      expected_tag = tipo;
    } else {
      r.in_prefix = false;
      expected_tag = 0;
    }
  } else {
    expected_tag = static_cast<uint16_t>(TrackPlan::kind_of_row(m, r.computed));
  }
  if (e.tag != expected_tag) {
    std::string found = "tag " + std::to_string(e.tag);
    std::string expected = std::string(type_name(expected_tag)) + " for " + element_location(m, column);
    if (column == 1) expected += ", as in column 0";
    else expected += " (the integers of metres 0 and 1, then doubles, then nothing)";
    return c.errore(at, expected, found);
  }
  if (e.tag != static_cast<uint16_t>(VariantType::empty)) r.keep(m, column, e.value);
  return std::nullopt;
}

/// The value of a whole element of kind K.
template <VariantType K>
double element_value(Piece<layout::element_bytes(K)> piece) {
  if constexpr (K == VariantType::int16) return load_at<int16_t, layout::kTagBytes>(piece);
  else if constexpr (K == VariantType::float64) return load_at<double, layout::kTagBytes>(piece);
  else return 0;
}

/// Whether every element in `piece` is one of kind K.
template <VariantType K, size_t N, size_t... I>
bool all_of_kind(Piece<N> piece, std::index_sequence<I...>) {
  constexpr size_t n = layout::element_bytes(K);
  return ((load_at<uint16_t, I * n>(piece) == static_cast<uint16_t>(K)) && ...);
}

/// Rows m, m + 1, ... before `end` of `column`, for as long as each is a
/// whole element of kind K: exactly the rows that the careful reading would
/// take as they are. Gives the first row not read.
///
/// Values kept are written through a plain pointer into rows that exist:
/// column 0 adds the rows of the whole run first (its values come in order,
/// so the plan holds rows 0 .. m - 1 when the run starts) and takes back
/// those the run did not reach; column 1 fills in rows column 0 made. The
/// sanitizer's check of that pointer arithmetic could never fire and is
/// left out; AddressSanitizer still checks every row written.
template <VariantType K>
__attribute__((no_sanitize("pointer-overflow"))) int32_t read_run_of(Cursor& c, int32_t m, int32_t end,
                                                                     int column, const PlanReading& r) {
  constexpr int32_t n = layout::element_bytes(K);
  const int32_t last = static_cast<int32_t>(std::min<int64_t>(end, m + c.rest() / n));
  std::array<double, 2>* rows = nullptr;
  if constexpr (K == VariantType::empty) {
    // Most rows of a plan are empty, and an empty row holds nothing to
    // keep: their tags are compared eight at a time, from one piece.
    constexpr int32_t block = 8;
    for (; last - m >= block; m += block) {
      if (!all_of_kind<K>(c.peek<block * n>(), std::make_index_sequence<block>{})) break;
      c.skip(block * n);
    }
  } else if (r.rows != nullptr) {
    if (column == 0) r.rows->resize(std::max(r.rows->size(), static_cast<size_t>(std::max(last, 0))));
    rows = r.rows->data();
  }
  const auto col = static_cast<size_t>(column);
  if (rows != nullptr) {
    for (; m < last; ++m) {
      const auto piece = c.peek<n>();
      if (load_at<uint16_t, 0>(piece) != static_cast<uint16_t>(K)) break;
      c.skip(n);
      rows[m][col] = element_value<K>(piece);
    }
    if (column == 0) r.rows->resize(static_cast<size_t>(m));
    return m;
  }
  for (; m < last; ++m) {
    if (load_at<uint16_t, 0>(c.peek<n>()) != static_cast<uint16_t>(K)) break;
    c.skip(n);
  }
  return m;
}

/// read_run_of for the kind row m is expected to hold.
int32_t read_run(Cursor& c, VariantType kind, int32_t m, int32_t end, int column, const PlanReading& r) {
  switch (kind) {
    case VariantType::empty: return read_run_of<VariantType::empty>(c, m, end, column, r);
    case VariantType::int16: return read_run_of<VariantType::int16>(c, m, end, column, r);
    case VariantType::float64: return read_run_of<VariantType::float64>(c, m, end, column, r);
  }
  return m;
}

}  // namespace

int64_t entry_start(const RecordTable& voci, int32_t index) {
  int64_t o = 0;
  for (int32_t i = 0; i < index; ++i)
    o += layout::kRecordBytesWithoutName + static_cast<int64_t>(voci[i].nome.size());
  return o;
}

std::string FileReadError::message() const {
  return file + ": offset " + std::to_string(offset) + ": expected " + expected + ", found " + found;
}

Read<RecordTable> read_records(std::string_view bytes, std::string_view file) {
  Cursor c(bytes, file);
  RecordTable voci;
  for (int32_t i = 0; i < record_count; ++i)
    if (auto e = read_record(c, i, voci[i])) return *e;
  if (c.rest() != 0) return too_many_bytes(c, "the last record (86)");
  return voci;
}

Read<int32_t> line_length(const RecordTable& voci, std::string_view bytes, std::string_view file) {
  const int32_t l = voci[fixed_record::general].fine;
  if (l >= 0 && l <= layout::kLongestLine) return l;
  const int64_t at = entry_start(voci, fixed_record::general) +
                     layout::field_info(layout::kRecordTable, "fine").offset;
  return Cursor(bytes, file).errore(
      at, "a line length of 0 to " + std::to_string(layout::kLongestLine) + " m in record 84",
      std::to_string(l));
}

Read<CellGrid> read_grid(std::string_view bytes, std::string_view file,
                         std::optional<int32_t> cells) {
  Cursor c(bytes, file);
  constexpr int64_t cell_bytes = layout::kCellBytes;
  const int64_t expected_values = cells ? *cells : static_cast<int64_t>(bytes.size()) / cell_bytes;
  if (!cells && expected_values < 2)
    return c.errore(0, "at least 2 cells (" + byte_count(2 * cell_bytes) + ")",
                    byte_count(c.rest()));
  // Cells cannot fail to decode, so a file too short for its cells fails at
  // its first missing cell: known before the grid is made, which a short
  // file must not cost.
  const int64_t whole_cells = static_cast<int64_t>(bytes.size()) / cell_bytes;
  if (whole_cells < expected_values) {
    c.skip(whole_cells * cell_bytes);
    std::string what = "cell " + std::to_string(whole_cells);
    if (cells) what += " of " + std::to_string(expected_values) + " for the line length of the service file";
    return c.short_read(cell_bytes, what);
  }
  CellGrid percorso(static_cast<size_t>(expected_values));
  for (cella& k : percorso)
    decode_fields<layout::kCellFields, layout::kCellTable, 0, 0>(
        c.piece<layout::kCellBytes>(), k,
        std::make_index_sequence<std::tuple_size_v<decltype(layout::kCellFields)>>{});
  if (c.rest() != 0) {
    std::string after = "cell " + std::to_string(expected_values - 1);
    if (cells) after += " (" + std::to_string(expected_values) + " cells for the line length of the service file)";
    else after += " (" + byte_count(cell_bytes) + " a cell)";
    return too_many_bytes(c, after);
  }
  return percorso;
}

Read<TrackPlan> read_plan(std::string_view bytes, std::string_view file, int32_t lines) {
  Cursor c(bytes, file);
  TrackPlan t;
  // Every element holds at least its tag, in both columns, so a file of
  // fewer bytes fails before its last row: its values are never kept, and
  // a short file does not cost a plan of up to a million rows.
  const bool keep = lines > 0 && static_cast<int64_t>(bytes.size()) >=
                                     static_cast<int64_t>(lines) * 2 * layout::kTagBytes;
  PlanReading r;
  if (keep) {
    t.points.reserve(static_cast<size_t>(lines));
    r.rows = &t.points;
  }
  for (int column = 0; column < 2; ++column) {
    for (int32_t m = 0; m < lines;) {
      // The kind of value row m holds, and the row where that run of rows
      // ends: read fast as far as the file holds just that.
      const bool prefix = column == 0 && r.in_prefix;
      VariantType kind;
      int32_t end;
      if (prefix) {
        // Still in the rows that hold values: the integers of rows 0 and 1, then doubles.
        kind = m < 2 ? VariantType::int16 : VariantType::float64;
        end = m < 2 ? std::min(2, lines) : lines;
      } else {
        kind = TrackPlan::kind_of_row(m, r.computed);
        end = m >= r.computed ? lines : m < 2 ? std::min(2, r.computed) : r.computed;
      }
      const int32_t read_to = read_run(c, kind, m, end, column, r);
      if (prefix && read_to > m) r.computed = read_to;
      m = read_to;
      if (m == end) continue;
      // Row m is not a whole element of that kind: read it with every check.
      if (auto err = read_row(c, m, column, r)) return *err;
      ++m;
    }
  }
  if (c.rest() != 0)
    return too_many_bytes(c, "metre " + std::to_string(lines - 1) + " of column 1 (" +
                              std::to_string(lines) + " rows for the line length of the service file)");
  t.row_count = std::max(lines, 0);
  return t;
}
