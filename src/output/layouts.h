#pragma once
// The byte layouts of the three compiled scenario files, each written down
// once. The writers (scenario_files.cpp) and the readers (scenario_reader.cpp)
// walk the same field tables, so a field cannot move in one and not in the
// other.
//
// All numbers are little-endian, signed values two's complement, doubles
// IEEE 754 binary64; fields are packed in record order with nothing between,
// before or after them.

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <type_traits>

#include "model/numbers.h"
#include "model/records.h"

namespace layout {

// ===== Little-endian values =====

/// Stores `v` at `p`, least significant byte first, whatever the host.
template <class T>
char* store_le(char* p, T v) {
  using U = std::make_unsigned_t<std::conditional_t<std::is_same_v<T, double>, uint64_t, T>>;
  const auto u = std::bit_cast<U>(v);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &u, sizeof u);
  } else {
    for (size_t i = 0; i < sizeof u; ++i) p[i] = static_cast<char>((u >> (8 * i)) & 0xFFu);
  }
  return p + sizeof u;
}

/// Appends `v` to `out`, least significant byte first.
template <class T>
void append_le(std::string& out, T v) {
  char bytes[sizeof(T)];
  store_le(bytes, v);
  out.append(bytes, sizeof(T));
}

/// The value of type T stored at `p`, least significant byte first.
template <class T>
T load_le(const char* p) {
  using U = std::make_unsigned_t<std::conditional_t<std::is_same_v<T, double>, uint64_t, T>>;
  U u = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&u, p, sizeof u);
  } else {
    for (size_t i = 0; i < sizeof u; ++i)
      u = static_cast<U>(u | (static_cast<U>(static_cast<uint8_t>(p[i])) << (8 * i)));
  }
  return std::bit_cast<T>(u);
}

// ===== Field tables =====

/// One field of a record: its name and the member that holds it. Its width
/// and signedness follow from the member's type; a text (std::string) is an
/// unsigned 16-bit length N followed by N Windows-1252 bytes.
template <class Record, class Value>
struct Field {
  const char* name;
  Value Record::*member;

  using value_type = Value;
  static constexpr bool is_text = std::is_same_v<Value, std::string>;
  /// Bytes of the field; for a text, the bytes of its length.
  static constexpr int32_t width = is_text ? 2 : static_cast<int32_t>(sizeof(Value));
  static constexpr bool is_signed = std::is_signed_v<Value>;
};

// Spelled out for compilers that do not deduce an aggregate's arguments
// (clang 14).
template <class Record, class Value>
Field(const char*, Value Record::*) -> Field<Record, Value>;

/// A field as a row of its table: where it lies and how wide it is.
struct FieldInfo {
  const char* name;
  int32_t offset;  ///< from the start of the record; after a text, plus the text's N bytes
  int32_t width;   ///< bytes; for a text, its 2-byte length (the N bytes follow it)
  bool is_signed;
};

/// The grid file: one cell after the other, cells 0 to the highest index.
inline constexpr auto kCellFields = std::make_tuple(
    Field{"tipo", &cella::tipo},
    Field{"dato1", &cella::dato1},
    Field{"dato2", &cella::dato2},
    Field{"dato3", &cella::dato3},
    Field{"dato4", &cella::dato4},
    Field{"tempo_segnale", &cella::tempo_segnale},
    Field{"marcatore", &cella::marcatore},
    Field{"montagna", &cella::montagna},
    Field{"velocita", &cella::velocita},
    Field{"pendenza", &cella::pendenza},
    Field{"aderenza", &cella::aderenza});

/// The service file: records 0 to 86, one after the other.
inline constexpr auto kRecordFields = std::make_tuple(
    Field{"tipo", &voce::tipo},
    Field{"inizio", &voce::inizio},
    Field{"fine", &voce::fine},
    Field{"posizione", &voce::posizione},
    Field{"campo4", &voce::campo4},
    Field{"nome", &voce::nome},
    Field{"campo7", &voce::campo7},
    Field{"campo8", &voce::campo8},
    Field{"campo10", &voce::campo10},
    Field{"campo11", &voce::campo11},
    Field{"campo12", &voce::campo12},
    Field{"campo9", &voce::campo9},
    Field{"campo13", &voce::campo13},
    Field{"prolunga", &voce::prolunga},
    Field{"campo5", &voce::campo5},
    Field{"orario", &voce::orario});

/// Calls `fn(field)` for every field of the table in file order.
template <class Fields, class Fn>
constexpr void for_each_field(const Fields& fields, Fn&& fn) {
  std::apply([&](const auto&... f) { (fn(f), ...); }, fields);
}

/// Calls `fn(field)` in file order while it returns true; false when a call
/// stopped the walk.
template <class Fields, class Fn>
constexpr bool for_each_field_while(const Fields& fields, Fn&& fn) {
  return std::apply([&](const auto&... f) { return (fn(f) && ...); }, fields);
}

/// The rows of a field table, with the offsets laid end to end.
template <class Fields>
constexpr auto field_infos(const Fields& fields) {
  std::array<FieldInfo, std::tuple_size_v<Fields>> rows{};
  size_t i = 0;
  int32_t offset = 0;
  for_each_field(fields, [&](const auto& f) {
    using F = std::remove_cvref_t<decltype(f)>;
    rows[i++] = FieldInfo{f.name, offset, F::width, F::is_signed};
    offset += F::width;
  });
  return rows;
}

inline constexpr auto kCellTable = field_infos(kCellFields);
inline constexpr auto kRecordTable = field_infos(kRecordFields);

/// The row of the field called `name`, looked up at compile time.
template <size_t N>
constexpr const FieldInfo& field_info(const std::array<FieldInfo, N>& table, const char* name) {
  for (const FieldInfo& f : table)
    if (std::string_view(f.name) == name) return f;
  throw "no such field";  // a compile-time error where it is used in a constant
}

template <size_t N>
constexpr int32_t fixed_bytes(const std::array<FieldInfo, N>& table) {
  return table.back().offset + table.back().width;
}

/// Bytes of one cell of the grid file.
inline constexpr int32_t kCellBytes = fixed_bytes(kCellTable);
/// Bytes of a record without the characters of its name.
inline constexpr int32_t kRecordBytesWithoutName = fixed_bytes(kRecordTable);
/// Bytes of a record up to and including its name's length.
inline constexpr int32_t kRecordHeadBytes = field_info(kRecordTable, "nome").offset + 2;
/// Bytes of a record after its name.
inline constexpr int32_t kRecordTailBytes = kRecordBytesWithoutName - kRecordHeadBytes;

// ===== Line data file =====

/// One kind of element of the line data file: a 16-bit tag (the number of
/// VariantType) and a value of `value_bytes` after it.
struct ElementKind {
  VariantType tag;
  int32_t value_bytes;
  const char* description;
};

inline constexpr int32_t kTagBytes = 2;

inline constexpr ElementKind kElementKinds[] = {
    {VariantType::empty, 0, "nothing"},
    {VariantType::int16, 2, "16-bit integer"},
    {VariantType::float64, 8, "double"},
};

/// The kind that `tag` names, or nullptr for a tag the layout does not have.
constexpr const ElementKind* element_kind(uint16_t tag) {
  for (const ElementKind& k : kElementKinds)
    if (static_cast<uint16_t>(k.tag) == tag) return &k;
  return nullptr;
}

/// Bytes of one element of the kind, its tag included.
constexpr int32_t element_bytes(VariantType tag) {
  return kTagBytes + element_kind(static_cast<uint16_t>(tag))->value_bytes;
}

// ===== Sizes of the grid and the plan =====

/// Metres the grid and the plan reach beyond the end of the line.
inline constexpr int32_t kMetresBeyondLine = 7000;
/// The longest line the builder accepts, in metres.
inline constexpr int32_t kLongestLine = 1000000;
/// Metres covered by one cell of the grid.
inline constexpr int32_t kCellMetres = 50;

/// Cells of the grid of a line of `length` metres: indices 0 to
/// nearest((L + 7000) / 50).
inline int32_t grid_cells(int32_t length) {
  return nearest_int32((static_cast<double>(length) + kMetresBeyondLine) / kCellMetres) + 1;
}

/// Rows of the plan of a line of `length` metres: metres 0 to L + 7000.
constexpr int32_t plan_rows(int32_t length) { return length + kMetresBeyondLine + 1; }

}  // namespace layout
