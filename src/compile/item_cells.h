#pragma once
// The cells a tunnel and a slowdown take in the grid, from their positions
// in metres: the compiler places them by these, and the author compiler's
// checks tell from them when an entry takes no cell it should.

#include <cstdint>

#include "model/numbers.h"

/// A run of cells, first to last; none when first is greater than last.
struct CellRun {
  int64_t first;
  int64_t last;
  bool empty() const { return first > last; }
};

/// The cells a tunnel from `inizio` to `fine` covers: nearest(inizio / 50)
/// to nearest(fine / 50 - 1), before any clipping to the grid.
inline CellRun tunnel_cells(int32_t inizio, int32_t fine) {
  return {static_cast<int64_t>(nearest(inizio / 50.0)),
          static_cast<int64_t>(nearest(fine / 50.0 - 1))};
}

/// The start cell of a slowdown at `x`.
inline int64_t slowdown_start_cell(int32_t x) { return static_cast<int64_t>(nearest(x / 50.0 + 1)); }

/// The end cell of a slowdown at `x` of length `l`, in real arithmetic, so
/// that a length that would overflow 32 bits puts the end outside the grid
/// instead of wrapping it somewhere inside.
inline int64_t slowdown_end_cell(int32_t x, int32_t l) {
  return static_cast<int64_t>(nearest((static_cast<double>(x) + l) / 50 + 1));
}
