#include "output/scenario_reader.h"

#include <iterator>

#include "model/numbers.h"
#include "output/layouts.h"

namespace {

std::string byte_count(int64_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); }

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

  /// The next value of type T, little-endian; the caller has checked has().
  template <class T>
  T get() {
    const T v = layout::load_le<T>(bytes_.data() + pos_);
    pos_ += static_cast<int64_t>(sizeof(T));
    return v;
  }
  std::string_view take(int64_t n) {
    const auto s = bytes_.substr(static_cast<size_t>(pos_), static_cast<size_t>(n));
    pos_ += n;
    return s;
  }

 private:
  std::string_view bytes_;
  std::string_view file_;
  int64_t pos_ = 0;
};

std::string record_name(int32_t i) { return "record " + std::to_string(i); }

std::optional<FileReadError> read_record(Cursor& c, int32_t i, voce& v) {
  constexpr int64_t head_bytes = layout::kRecordHeadBytes;
  constexpr int64_t tail_bytes = layout::kRecordTailBytes;
  if (!c.has(head_bytes)) return c.short_read(head_bytes, "the head of " + record_name(i));
  std::optional<FileReadError> errore;
  layout::for_each_field_while(layout::kRecordFields, [&](const auto& f) {
    using F = std::remove_cvref_t<decltype(f)>;
    if constexpr (F::is_text) {
      // The head is checked: the length is there; the name and the tail may not be.
      const int64_t n = c.get<uint16_t>();
      if (!c.has(n + tail_bytes)) {
        errore = c.short_read(n + tail_bytes, "the " + std::to_string(n) +
                                            "-byte name and the tail of " + record_name(i));
        return false;
      }
      v.*f.member = std::string(c.take(n));
    } else {
      v.*f.member = c.get<typename F::value_type>();
    }
    return true;
  });
  return errore;
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
  e.tag = c.get<uint16_t>();
  const layout::ElementKind* kind = layout::element_kind(e.tag);
  if (kind == nullptr)
    return c.errore(at, allowed_tags() + " for " + element_location(metre, column),
                    "tag " + std::to_string(e.tag));
  if (!c.has(kind->value_bytes))
    return c.short_read(kind->value_bytes, std::string("the ") +
                                               (kind->tag == VariantType::int16 ? "16-bit value" : "double") +
                                               " of " + element_location(metre, column));
  switch (kind->tag) {
    case VariantType::empty: e.value = 0; break;
    case VariantType::int16: e.value = c.get<int16_t>(); break;
    case VariantType::float64: e.value = c.get<double>(); break;
  }
  return std::nullopt;
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
  CellGrid percorso(static_cast<size_t>(expected_values));
  for (int64_t i = 0; i < expected_values; ++i) {
    if (!c.has(cell_bytes)) {
      std::string what = "cell " + std::to_string(i);
      if (cells) what += " of " + std::to_string(expected_values) + " for the line length of the service file";
      return c.short_read(cell_bytes, what);
    }
    cella& k = percorso[static_cast<size_t>(i)];
    layout::for_each_field(layout::kCellFields, [&](const auto& f) {
      k.*f.member = c.get<typename std::remove_cvref_t<decltype(f)>::value_type>();
    });
  }
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
  t.points.assign(static_cast<size_t>(lines), {0.0, 0.0});
  // Column 0 fixes how many rows hold a value; column 1 must agree row for row.
  bool in_prefix = true;
  for (int column = 0; column < 2; ++column) {
    for (int32_t m = 0; m < lines; ++m) {
      const int64_t at = c.offset();
      PlanElement e;
      if (auto err = read_element(c, m, column, e)) return *err;
      uint16_t expected_tag;
      if (column == 0 && in_prefix) {
        // Still in the rows that hold values: the next row may hold the
        // next kind of value or be the first empty one.
        const auto tipo = static_cast<uint16_t>(m < 2 ? VariantType::int16 : VariantType::float64);
        if (e.tag == tipo) {
          t.computed = m + 1;
          expected_tag = tipo;
        } else {
          in_prefix = false;
          expected_tag = 0;
        }
      } else {
        expected_tag = static_cast<uint16_t>(t.tipo(m));
      }
      if (e.tag != expected_tag) {
        std::string found = "tag " + std::to_string(e.tag);
        std::string expected = std::string(type_name(expected_tag)) + " for " + element_location(m, column);
        if (column == 1) expected += ", as in column 0";
        else expected += " (the integers of metres 0 and 1, then doubles, then nothing)";
        return c.errore(at, expected, found);
      }
      t.points[static_cast<size_t>(m)][static_cast<size_t>(column)] = e.value;
    }
  }
  if (c.rest() != 0)
    return too_many_bytes(c, "metre " + std::to_string(lines - 1) + " of column 1 (" +
                              std::to_string(lines) + " rows for the line length of the service file)");
  return t;
}
