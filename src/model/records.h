#pragma once
// The data every step of a build shares: the track cell and the cell grid,
// the general/station record and its table, and the per-metre track plan.

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/large_block.h"

/// One cell of the grid: 50 m of line. Field order is the grid file's order.
struct cella {
  uint8_t tipo = 0;           ///< item in the cell (0 nothing, 1 signal, ... 14 name board)
  int16_t dato1 = 0;
  int16_t dato2 = 0;
  int16_t dato3 = 0;
  int16_t dato4 = 0;
  uint8_t tempo_segnale = 0;  ///< signal time byte, type 1 only
  uint8_t marcatore = 0;      ///< approach marker in front of a signal or a station
  uint8_t montagna = 0;       ///< tunnel kind 1, 2 or 3; 0 in the open
  uint8_t velocita = 0;       ///< speed limit in units of 5 km/h
  uint8_t pendenza = 0;       ///< gradient per mille plus 100, low byte
  uint8_t aderenza = 0;       ///< adhesion value

  bool operator==(const cella&) const = default;
};

/// Cell types written by the compilers and the grid scan.
namespace cell_type {
inline constexpr uint8_t empty = 0;
inline constexpr uint8_t segnale = 1;
inline constexpr uint8_t slowdown_end = 2;
inline constexpr uint8_t slowdown_start = 3;
inline constexpr uint8_t slowdown_warning = 4;
inline constexpr uint8_t slowdown_pre_warning = 5;
inline constexpr uint8_t speed_limit_boards = 6;
inline constexpr uint8_t station_stop = 10;
inline constexpr uint8_t tunnel_marker = 11;
inline constexpr uint8_t abbattimento = 12;
inline constexpr uint8_t abbattimento_without_value = 13;
inline constexpr uint8_t name_board = 14;
}  // namespace cell_type

/// A cell is free when nothing stands in it but, at most, a tunnel marker.
inline bool cell_is_free(const cella& c) {
  return c.tipo == cell_type::empty || c.tipo == cell_type::tunnel_marker;
}

/// The cell grid: indices 0 to n, created by the line length entry.
using CellGrid = std::vector<cella>;

/// One general or station record. Field order is the service file's order.
struct voce {
  uint8_t tipo = 0;
  int32_t inizio = 0;
  int32_t fine = 0;
  int32_t posizione = 0;
  uint8_t campo4 = 0;
  std::string nome;  ///< Windows-1252 bytes
  int16_t campo7 = 0;
  int16_t campo8 = 0;
  int16_t campo10 = 0;
  int16_t campo11 = 0;
  int16_t campo12 = 0;
  uint8_t campo9 = 0;
  uint8_t campo13 = 0;
  uint8_t prolunga = 0;
  uint8_t campo5 = 0;
  int32_t orario = 0;

  bool operator==(const voce&) const = default;
};

/// The record table: entries 0 to 86.
inline constexpr int32_t record_count = 87;
using RecordTable = std::array<voce, record_count>;

/// Fixed entries of the record table.
namespace fixed_record {
inline constexpr int32_t first_board = 80;  ///< name boards from 80 downward
inline constexpr int32_t chainage_1 = 81;   ///< chainage references, largest position first
inline constexpr int32_t chainage_2 = 82;
inline constexpr int32_t chainage_3 = 83;
inline constexpr int32_t general = 84;  ///< braked mass, line length, cars
inline constexpr int32_t line = 85;     ///< scenery values, line name, check code
inline constexpr int32_t train = 86;    ///< signal repetition, train number, sand, clock
}  // namespace fixed_record

/// Kind of value held by one element of the track plan; the number is the
/// tag the line data file carries in front of the value.
enum class VariantType : uint16_t { empty = 0, int16 = 2, float64 = 5 };

/// Storage for the track plan: a block of a huge page or more comes straight
/// from the system (os::allocate_large), so that the plan of a long line is
/// filled with one page fault per 2 MB; smaller blocks come from the heap.
///
/// Rows added without a value (`resize`) are left as they are, not
/// cleared: the plan's steps add rows and then write each of them once,
/// and a pass clearing them first would touch the whole plan twice.
template <class T>
struct PlanAllocator {
  using value_type = T;
  PlanAllocator() = default;
  template <class U>
  PlanAllocator(const PlanAllocator<U>&) {}

  T* allocate(size_t n) {
    if (n > std::numeric_limits<size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
    const size_t bytes = n * sizeof(T);
    if (bytes < os::kLargeBlockBytes) return std::allocator<T>().allocate(n);
    return static_cast<T*>(os::allocate_large(bytes));
  }
  void deallocate(T* block, size_t n) noexcept {
    if (n * sizeof(T) < os::kLargeBlockBytes)
      std::allocator<T>().deallocate(block, n);
    else
      os::release_large(block, n * sizeof(T));
  }
  template <class U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;  // default-initialised: rows are not cleared
  }
  template <class U, class... Args>
  void construct(U* at, Args&&... args) {
    ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
  }
  template <class U>
  friend bool operator==(const PlanAllocator&, const PlanAllocator<U>&) {
    return true;
  }
};

/// The per-metre track plan: for every metre 0 to L + 7000 the two plan
/// coordinates (0: x, 1: y).
///
/// Every element is a variant: nothing, a 16-bit integer or a double. The
/// plan is always filled front to back, so the kinds follow from two counts:
/// the first two metres hold the 16-bit integers (0, 0) and (0, 1) once the
/// plan is started, every further metre below `computed()` holds doubles,
/// and the rest holds nothing. Only the rows that hold a value are stored,
/// 16 bytes a metre: the rows that hold nothing are never written, and
/// cost neither memory nor a pass to clear them.
struct TrackPlan {
  /// The rows that hold a value, metre 0 first (the integers of metres 0
  /// and 1 as doubles). Its `resize` leaves new rows unwritten.
  std::vector<std::array<double, 2>, PlanAllocator<std::array<double, 2>>> points;
  int32_t row_count = 0;  ///< metres 0 .. row_count - 1; 0 when no plan exists

  bool exists() const { return row_count > 0; }
  int32_t rows() const { return row_count; }
  /// Rows 0 .. computed() - 1 hold a value.
  int32_t computed() const { return static_cast<int32_t>(points.size()); }
  VariantType tipo(int32_t metre) const { return kind_of_row(metre, computed()); }
  /// The kind of value row `metre` holds in a plan of `computed` rows with values.
  static VariantType kind_of_row(int32_t metre, int32_t computed) {
    if (metre >= computed) return VariantType::empty;
    return metre < 2 ? VariantType::int16 : VariantType::float64;
  }
};
