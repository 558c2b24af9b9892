#include "app/form1.h"
#include "compile/item_cells.h"
#include "model/numbers.h"

// Placement of one signal or one slowdown of the train description into the
// grid. Both procedures only record a code when a cell cannot be used; the
// train half notices it right after the call. The code names the entry the
// compiler is placing (entry_being_placed) and carries the entry's position,
// which the caller would give it anyway; every cell of a placed item keeps
// that entry in cell_origins, for the grid scan and for whoever tells what
// holds a cell.
//
// The caller's range test bounds a position from above only. Whatever the
// file holds, nothing outside the grid is read or written here: a cell that
// an item needs for itself and that lies outside the grid counts as occupied
// (the entry is refused with its code), while the signal's approach markers,
// which are only hints in front of it, are written where they fall inside the
// grid and dropped where they would lie before cell 0 (a signal closer than
// 350 m to the origin), as the station markers are.

namespace {

/// The cell index of a real position in cells, 64 bits wide so that any
/// 32-bit position maps to an index that can be compared with the grid.
int64_t index(double cells) { return static_cast<int64_t>(nearest(cells)); }

bool in_grid(const CellGrid& percorso, int64_t i) {
  return i >= 0 && i < static_cast<int64_t>(percorso.size());
}

/// Free and inside the grid.
bool usable(const CellGrid& percorso, int64_t i) {
  return in_grid(percorso, i) && cell_is_free(percorso[static_cast<size_t>(i)]);
}

/// Cell i (inside the grid) now holds an item of `entry`.
void note_origin(std::vector<SourceLocation>& origins, int64_t i, const SourceLocation& entry) {
  if (i >= 0 && i < static_cast<int64_t>(origins.size())) origins[static_cast<size_t>(i)] = entry;
}

}  // namespace

void Form1::memo_segnale(int32_t posizione, int32_t sx, int32_t s1, int32_t s2, int32_t s3,
                         int32_t rapp, int32_t dx, int32_t d1, int32_t d2, int32_t d3,
                         int32_t tempo) {
  const int64_t j = index(posizione / 50.0 + 1);
  if (!usable(percorso, j)) {
    record_code(16, posizione, entry_being_placed, j);
    return;
  }
  cella& c = percorso[static_cast<size_t>(j)];
  c.tipo = cell_type::segnale;
  note_origin(cell_origins, j, entry_being_placed);
  c.dato4 = wrap16(int64_t{rapp} * 10 + int64_t{sx} * 3 + dx);
  c.dato1 = wrap16(int64_t{s1} * 10 + d1);
  c.dato2 = wrap16(int64_t{s2} * 10 + d2);
  c.dato3 = wrap16(int64_t{s3} * 10 + d3);
  // A time from 1 to 100 is too short to be meant: it becomes 101.
  if (tempo >= 1 && tempo <= 100) tempo = 101;
  c.tempo_segnale = sx == 2 ? low_byte(tempo) : uint8_t{0};

  // Markers 100, 200, 300 and 400 m before the signal, whatever the cells hold.
  for (int32_t k = 1; k <= 4; ++k) {
    const int64_t m = j - 2 * k;
    if (!in_grid(percorso, m)) continue;
    percorso[static_cast<size_t>(m)].marcatore =
        low_byte(10 * (3 * int64_t{sx} + dx) + k);
  }
}

void Form1::memo_rallentamento(int32_t x, int32_t v, int32_t l, int32_t f_tt, int32_t f_ta,
                               int32_t d_v) {
  // The warning board stands 1200 m before the start; slowdowns that start
  // within the first 1500 m get neither board nor pre-warning cells.
  const bool with_warning = x > 1500;
  const int64_t a = index((x - 1200.0) / 50 + 1);
  const int64_t s0 = slowdown_start_cell(x);
  const int64_t e = slowdown_end_cell(x, l);
  const int64_t w = index((x - 1200.0) / 50);
  if (!with_warning) f_ta = 0;

  if (with_warning && !usable(percorso, a)) {
    record_code(17, x, entry_being_placed, a);
    return;
  }
  if (!usable(percorso, s0)) {
    record_code(18, x, entry_being_placed, s0);
    return;
  }
  if (!usable(percorso, e)) {
    record_code(19, x, entry_being_placed, e);
    return;
  }

  cella& fine = percorso[static_cast<size_t>(e)];
  cella& inizio = percorso[static_cast<size_t>(s0)];
  fine.tipo = cell_type::slowdown_end;
  if (d_v != 0) fine.dato2 = wrap16(d_v);
  // Written after the end, so a slowdown of length 0 keeps its start.
  inizio.tipo = cell_type::slowdown_start;
  if (d_v != 0) inizio.dato2 = wrap16(d_v);
  note_origin(cell_origins, e, entry_being_placed);
  note_origin(cell_origins, s0, entry_being_placed);
  if (with_warning) {
    cella& warning = percorso[static_cast<size_t>(a)];
    warning.tipo = cell_type::slowdown_warning;
    if (d_v != 0) warning.dato2 = wrap16(d_v);
    warning.dato1 = wrap16(v);
    note_origin(cell_origins, a, entry_being_placed);
  }
  for (cella* c : {&inizio, &fine}) {
    c->dato1 = wrap16(v);
    c->dato3 = wrap16(f_tt);
  }

  if (f_ta == 0) return;
  for (int64_t i = 0; i < 4; ++i) {
    if (!usable(percorso, w - i)) {
      record_code(20, x, entry_being_placed, w - i);
      return;
    }
  }
  for (int16_t i = 0; i < 4; ++i) {
    cella& c = percorso[static_cast<size_t>(w - i)];
    c.tipo = cell_type::slowdown_pre_warning;
    c.dato1 = static_cast<int16_t>(i + 1);
    if (d_v != 0) c.dato2 = static_cast<int16_t>(i + 1);
    note_origin(cell_origins, w - i, entry_being_placed);
  }
}
