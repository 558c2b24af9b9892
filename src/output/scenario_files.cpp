#include "output/scenario_files.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>

#include "app/form1.h"
#include "model/numbers.h"
#include "output/layouts.h"
#include "platform/ansi.h"

namespace {

using layout::append_le;
using layout::store_le;

// A text field: its unsigned 16-bit length, then one ANSI byte per character.
void put_text(std::string& out, const std::string& text, const std::string& what) {
  const std::string& ansi = convert_to_ansi(text, what);
  if (ansi.size() > std::numeric_limits<uint16_t>::max())
    throw RecordError(what + ": " + std::to_string(ansi.size()) +
                      " bytes do not fit a 16-bit length");
  append_le(out, static_cast<uint16_t>(ansi.size()));
  out += ansi;
}

// A cell in its fixed-size row, every field at its constant offset.
void store_cell(char* out, const cella& c) {
  char row[layout::kCellBytes];
  char* p = row;
  layout::for_each_field(layout::kCellFields, [&](const auto& f) { p = store_le(p, c.*f.member); });
  std::memcpy(out, row, sizeof row);
}

void put_record(std::string& out, const voce& v, int32_t index) {
  layout::for_each_field(layout::kRecordFields, [&](const auto& f) {
    if constexpr (std::remove_cvref_t<decltype(f)>::is_text)
      put_text(out, v.*f.member, "the name of record " + std::to_string(index));
    else
      append_le(out, v.*f.member);
  });
}

// The line data file of the largest line is some 20 MB, two elements for
// every metre. It is laid out run by run (the integers of metres 0 and 1,
// the doubles, the empty rows) straight from the plan into whatever buffer
// is given, a small reused one when the build writes it.

constexpr size_t kEmptyBytes = layout::element_bytes(VariantType::empty);
constexpr size_t kIntegerBytes = layout::element_bytes(VariantType::int16);
constexpr size_t kRealBytes = layout::element_bytes(VariantType::float64);
constexpr size_t kLargestElement = std::max({kEmptyBytes, kIntegerBytes, kRealBytes});

// One element at its place in the output: the tag at offset 0, the value
// after it, two stores at constant offsets, so that the only moving pointer
// is the element's place. (Copying a 10-byte row whole is a call to a
// checked copy under AddressSanitizer, once for every element.)
template <VariantType tag, class Value>
__attribute__((no_sanitize("pointer-overflow"))) void store_element(char* out, Value value) {
  static_assert(layout::kTagBytes + sizeof(Value) == layout::element_bytes(tag));
  store_le(out, static_cast<uint16_t>(tag));
  store_le(out + layout::kTagBytes, value);
}

// An empty element is its tag alone, and that tag is 0: a run of them is
// zero bytes.
static_assert(kEmptyBytes == layout::kTagBytes && VariantType::empty == VariantType{0});

}  // namespace

std::string grid_file_bytes(const CellGrid& percorso) {
  std::string out(layout::kCellBytes * percorso.size(), '\0');
  for (size_t i = 0; i < percorso.size(); ++i) store_cell(&out[i * layout::kCellBytes], percorso[i]);
  return out;
}

std::string service_file_bytes(const RecordTable& voci) {
  std::string out;
  out.reserve(layout::kRecordBytesWithoutName * voci.size());
  for (int32_t i = 0; i < record_count; ++i) put_record(out, voci[static_cast<size_t>(i)], i);
  return out;
}

LineDataPieces::LineDataPieces(const TrackPlan& tracciato, size_t piece_bytes)
    : tracciato_(tracciato), piece_bytes_(std::max(piece_bytes, kLargestElement)) {
  const auto lines = static_cast<size_t>(std::max(tracciato.rows(), 0));
  const auto computed = std::min(tracciato.points.size(), lines);
  integers_ = std::min<size_t>(computed, 2);
  reals_ = computed - integers_;
  empties_ = lines - computed;
}

size_t LineDataPieces::size() const {
  return 2 * (integers_ * kIntegerBytes + reals_ * kRealBytes + empties_ * kEmptyBytes);
}

// Whole elements only: a piece ends where the next element would not fit.
// The loops work on locals, so that the stores through the byte pointer do
// not make the compiler reload the cursors on every element.
//
// Every run of elements is cut to the room left in the piece and to the
// rows of the plan before it is laid out, so the pointer arithmetic of the
// loops stays inside the piece and the plan, and the sanitizer's run-time
// check of it is left out: it could never fire, yet under the fuzzer each
// one was a traced comparison for every element of every plan written.
// AddressSanitizer still checks every byte read and written.
__attribute__((no_sanitize("pointer-overflow")))
size_t LineDataPieces::lay_out(char* out, size_t room) {
  const std::array<double, 2>* points = tracciato_.points.data();
  const size_t rows = integers_ + reals_ + empties_;
  char* p = out;
  size_t metre = metre_;
  while (column_ < 2) {
    if (metre == rows) {
      ++column_;
      metre = 0;
      continue;
    }
    const auto c = static_cast<size_t>(column_);
    const size_t left = room - static_cast<size_t>(p - out);
    size_t n = 0;
    if (metre < integers_) {
      n = std::min(integers_ - metre, left / kIntegerBytes);
      for (size_t i = 0; i < n; ++i)
        store_element<VariantType::int16>(p + i * kIntegerBytes, nearest_int16(points[metre + i][c]));
      p += n * kIntegerBytes;
    } else if (metre < integers_ + reals_) {
      n = std::min(integers_ + reals_ - metre, left / kRealBytes);
      for (size_t i = 0; i < n; ++i)
        store_element<VariantType::float64>(p + i * kRealBytes, points[metre + i][c]);
      p += n * kRealBytes;
    } else {
      n = std::min(rows - metre, left / kEmptyBytes);
      std::memset(p, 0, n * kEmptyBytes);
      p += n * kEmptyBytes;
    }
    if (n == 0) break;  // the room is full
    metre += n;
  }
  metre_ = metre;
  return static_cast<size_t>(p - out);
}

std::string_view LineDataPieces::next_piece() {
  if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(piece_bytes_);
  return {buffer_.get(), lay_out(buffer_.get(), piece_bytes_)};
}

ByteBlock line_data_file_bytes(const TrackPlan& tracciato) {
  LineDataPieces pieces(tracciato);
  ByteBlock out(pieces.size());
  pieces.lay_out(out.data(), out.size());
  return out;
}

namespace {

// Serializes one table. A table that cannot be turned into bytes (a name
// outside the code page, a value outside its width) fails like a file that
// cannot be written: under the file's name.
template <class Serialize>
auto serialized(const std::filesystem::path& file, Serialize serialize) {
  try {
    return serialize();
  } catch (const std::runtime_error& failure) {
    throw FileError(file, std::string("cannot write: ") + failure.what());
  }
}

/// A source whose failures (a value outside its width) are told, like those
/// of the tables serialized whole, as a file that cannot be written.
class NamedSource : public ByteSource {
 public:
  NamedSource(const std::filesystem::path& file, ByteSource& source)
      : file_(file), source_(source) {}
  std::string_view next_piece() override {
    return serialized(file_, [this] { return source_.next_piece(); });
  }

 private:
  const std::filesystem::path& file_;
  ByteSource& source_;
};

}  // namespace

// The three files are replaced together: all of them are serialized and
// written beside the old ones before the first old file goes, so a failure
// anywhere leaves the simulator the three old files that belong together,
// never a new one beside old ones. The line data file, the large one, goes
// to the platform in pieces laid out from the plan as they are written.
void Form1::write_compiled_files() {
  const auto line_file = file_name(ScenarioFile::line_data);
  const auto service_file = file_name(ScenarioFile::service);
  const auto grid_file = file_name(ScenarioFile::grid);
  const std::string service = serialized(service_file, [this] { return service_file_bytes(voci); });
  const std::string grid = serialized(grid_file, [this] { return grid_file_bytes(percorso); });
  // With the switch off there is no plan: an older line data file stays as it was.
  if (compila_linea == 0) {
    const NewFile group[] = {{service_file, service}, {grid_file, grid}};
    platform.replace_files(group);
    return;
  }
  LineDataPieces plan_pieces(tracciato);
  NamedSource line(line_file, plan_pieces);
  const NewFile group[] = {{line_file, line}, {service_file, service}, {grid_file, grid}};
  platform.replace_files(group);
}
