#include "output/scenario_files.h"

#include <algorithm>
#include <cstdint>
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

void put_cell(std::string& out, const cella& c) {
  layout::for_each_field(layout::kCellFields, [&](const auto& f) { append_le(out, c.*f.member); });
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
// every metre: it is laid out in one buffer of its exact size and written
// through a pointer, run by run (the integers of metres 0 and 1, the doubles,
// the empty rows), so that the build holds it once and copies nothing.

constexpr size_t kEmptyBytes = layout::element_bytes(VariantType::empty);
constexpr size_t kIntegerBytes = layout::element_bytes(VariantType::int16);
constexpr size_t kRealBytes = layout::element_bytes(VariantType::float64);

char* write_tag(char* p, VariantType tag) { return store_le(p, static_cast<uint16_t>(tag)); }

/// The rows of the plan by the kind of value they hold.
struct PlanRows {
  size_t integers = 0, reals = 0, empties = 0;
  explicit PlanRows(const TrackPlan& t) {
    const auto lines = static_cast<size_t>(t.rows());
    const auto computed = std::min(static_cast<size_t>(std::max(t.computed, 0)), lines);
    integers = std::min<size_t>(computed, 2);
    reals = computed - integers;
    empties = lines - computed;
  }
  size_t column_bytes() const { return integers * kIntegerBytes + reals * kRealBytes + empties * kEmptyBytes; }
};

// Both columns in one pass over the plan: column 0 fills the first half of
// the buffer and column 1 the second, so each row is read once.
void write_columns(char* p0, char* p1, const TrackPlan& t, const PlanRows& r) {
  size_t metre = 0;
  for (; metre < r.integers; ++metre) {
    p0 = store_le(write_tag(p0, VariantType::int16), nearest_int16(t.points[metre][0]));
    p1 = store_le(write_tag(p1, VariantType::int16), nearest_int16(t.points[metre][1]));
  }
  for (const size_t fine = metre + r.reals; metre < fine; ++metre) {
    p0 = store_le(write_tag(p0, VariantType::float64), t.points[metre][0]);
    p1 = store_le(write_tag(p1, VariantType::float64), t.points[metre][1]);
  }
  for (size_t i = 0; i < r.empties; ++i) {
    p0 = write_tag(p0, VariantType::empty);
    p1 = write_tag(p1, VariantType::empty);
  }
}

}  // namespace

std::string grid_file_bytes(const CellGrid& percorso) {
  std::string out;
  out.reserve(layout::kCellBytes * percorso.size());
  for (const cella& c : percorso) put_cell(out, c);
  return out;
}

std::string service_file_bytes(const RecordTable& voci) {
  std::string out;
  out.reserve(layout::kRecordBytesWithoutName * voci.size());
  for (int32_t i = 0; i < record_count; ++i) put_record(out, voci[static_cast<size_t>(i)], i);
  return out;
}

ByteBlock line_data_file_bytes(const TrackPlan& tracciato) {
  const PlanRows lines(tracciato);
  const size_t column = lines.column_bytes();
  ByteBlock out(2 * column);
  write_columns(out.data(), out.data() + column, tracciato, lines);
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

}  // namespace

// The three files are replaced together: all of them are serialized and
// written beside the old ones before the first old file goes, so a failure
// anywhere leaves the simulator the three old files that belong together,
// never a new one beside old ones.
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
  const ByteBlock line = serialized(line_file, [this] { return line_data_file_bytes(tracciato); });
  const NewFile group[] = {{line_file, line}, {service_file, service}, {grid_file, grid}};
  platform.replace_files(group);
}
