#include "app/form1.h"

#include <algorithm>

// The forward scan over the compiled grid that adds abbattimento points
// (type 12, value 180) around signals and slowdowns. Where no free cell is
// found it records code 11, 12 or 13 with the cell's position and goes on;
// a later code replaces an earlier one. Each code names the entry of the
// train description that placed the item concerned: the signal for code 11,
// the slowdown for codes 12 and 13.
//
// All cursors are locals of the scan: nothing carries from one procedure or
// one slowdown into the next.

namespace {

constexpr int16_t point_value = 180;
constexpr int16_t slow_speed = 110;    ///< slowdowns below this get points inside
constexpr int32_t point_step = 8;      ///< cells between points inside a slowdown
constexpr int32_t signal_search = 12;  ///< cells after the end searched for a signal

/// One window of cells tried before a slowdown start.
struct ScanWindow {
  int32_t limit;  ///< the window is tried only when the start cell is above this
  int32_t first;  ///< cells start - primo, start - primo - 1, start - primo - 2
};
constexpr ScanWindow kScanWindows[] = {
    {7, 5},
    {13, 11},
    {20, 18},
};

class GridScan {
 public:
  explicit GridScan(Form1& f) : f_(f), highest_(static_cast<int32_t>(f.percorso.size()) - 1) {}

  void run() {
    for (int32_t k = 1; k <= highest_ - 2; ++k) {
      if (tipo(k) == cell_type::slowdown_warning) signals_before_warning(k);
      if (tipo(k) == cell_type::slowdown_start) slowdown_start(k);
    }
  }

 private:
  cella& c(int32_t i) { return f_.percorso[static_cast<size_t>(i)]; }
  uint8_t tipo(int32_t i) { return c(i).tipo; }
  bool is_free(int32_t i) { return i >= 0 && i <= highest_ && cell_is_free(c(i)); }

  void point(int32_t i) {
    c(i).tipo = cell_type::abbattimento;
    c(i).dato1 = point_value;
  }

  /// Records `code` at cell i, naming the entry that placed the item in
  /// cell `item`.
  void errore(int32_t code, int32_t i, int32_t item) {
    f_.record_code(code, i * 50, origin_of(item));
  }

  /// The entry that placed the item of cell i: the train description as a
  /// whole for a cell no placement procedure filled (a grid built by hand).
  SourceLocation origin_of(int32_t i) const {
    if (i >= 0 && static_cast<size_t>(i) < f_.cell_origins.size())
      return f_.cell_origins[static_cast<size_t>(i)];
    return {DescriptionFile::train, 0, false, 0};
  }

  /// A point right in front of the signal at d, or one cell further back;
  /// failing both, an existing point there is lowered to 180.
  void in_front_of_signal(int32_t d) {
    if (is_free(d - 1)) {
      point(d - 1);
    } else if (is_free(d - 2)) {
      point(d - 2);
    } else if (tipo(d - 1) == cell_type::abbattimento) {
      c(d - 1).dato1 = f_.minimo(point_value, c(d - 1).dato1);
    } else if (tipo(d - 2) == cell_type::abbattimento) {
      c(d - 2).dato1 = f_.minimo(point_value, c(d - 2).dato1);
    } else {
      errore(11, d, d);
    }
  }

  /// Every signal among the 20 cells before a warning board.
  void signals_before_warning(int32_t k) {
    for (int32_t m = 1; m <= 20; ++m) {
      const int32_t d = k - m;
      if (d < 3) return;
      if (tipo(d) == cell_type::segnale) in_front_of_signal(d);
    }
  }

  void slowdown_start(int32_t k) {
    scan_windows(k);
    // Only a slow slowdown gets points inside and the point before the
    // signal after its end: a fast one has no end cell located, and the
    // signal "after such a slowdown" means after a slow one.
    if (c(k).dato1 >= slow_speed) return;
    const int32_t fine = inner_points(k);
    if (fine < 0) return;
    signal_after(k, fine);
  }

  void scan_windows(int32_t k) {
    for (const ScanWindow& w : kScanWindows) {
      if (k <= w.limit) continue;
      int32_t chosen = -1;
      for (int32_t i = k - w.first; i >= k - w.first - 2 && chosen < 0; --i)
        if (is_free(i)) chosen = i;
      if (chosen >= 0)
        point(chosen);
      else
        errore(12, k, k);
    }
  }

  /// Points every 8 cells through the slowdown starting at k, counted from
  /// the last point placed. Returns the end cell, or -1 when the grid ends
  /// first: the walk stops at the highest index and records code 13 there,
  /// since the slowdown could not be treated to its end (a start without an
  /// end cell, as a slowdown of length 0 leaves).
  int32_t inner_points(int32_t k) {
    int32_t count = 0;
    for (int32_t j = k + 1; j <= highest_; ++j) {
      ++count;
      if (count == point_step) count = inner_point(k, j);
      if (tipo(j) == cell_type::slowdown_end) return j;
    }
    errore(13, highest_, k);
    return -1;
  }

  /// The point due at cell j, or the neighbour before or after it; returns
  /// the count of cells since that point (8 when none could be placed, so
  /// that no further point follows in this slowdown).
  int32_t inner_point(int32_t k, int32_t j) {
    if (is_free(j)) {
      point(j);
      return 0;
    }
    if (is_free(j - 1)) {
      point(j - 1);
      return 1;
    }
    if (is_free(j + 1)) {
      point(j + 1);
      return -1;
    }
    errore(13, j, k);
    return point_step;
  }

  /// A point in front of the first signal within 12 cells after the end j
  /// of the slowdown starting at k.
  void signal_after(int32_t k, int32_t j) {
    const int32_t last = std::min(j + signal_search, highest_);
    for (int32_t s = j; s <= last; ++s) {
      if (tipo(s) != cell_type::segnale) continue;
      if (s - 1 <= 0) return;
      if (is_free(s - 1))
        point(s - 1);
      else if (is_free(s - 2))
        point(s - 2);
      else
        errore(13, j, k);
      return;
    }
  }

  Form1& f_;
  const int32_t highest_;  ///< highest index of the grid
};

}  // namespace

void Form1::scan_grid() { GridScan(*this).run(); }

int16_t Form1::minimo(int16_t x, int16_t y) { return x > y ? y : x; }
