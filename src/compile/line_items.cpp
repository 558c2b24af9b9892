// Tunnels, speed-limit boards and the order of the chainage references: the
// three procedures the line half calls for single entries.

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "app/form1.h"
#include "compile/item_cells.h"
#include "compile/line_compiler.h"
#include "model/numbers.h"

namespace {

/// One chainage reference as the records hold it: inizio = position (m),
/// fine = chainage (m), posizione = flag 0 or 1.
struct Reference {
  int32_t posizione = 0;
  int32_t chainage = 0;
  int32_t flag = 0;
};

Reference read_reference(const voce& v) { return {v.inizio, v.fine, v.posizione}; }

void write_reference(voce& v, const Reference& r) {
  v.inizio = r.posizione;
  v.fine = r.chainage;
  v.posizione = r.flag;
}

bool non_zero(const Reference& r) { return r.posizione != 0 || r.chainage != 0 || r.flag != 0; }

/// The references for records 81, 82, 83 (largest position first), or
/// nothing when no position is larger than both others.
std::optional<std::array<Reference, 3>> sort_by_position(const Reference& r1,
                                                         const Reference& r2,
                                                         const Reference& r3) {
  const int32_t p1 = r1.posizione, p2 = r2.posizione, p3 = r3.posizione;
  if (p3 > p1 && p3 > p2) return p2 > p1 ? std::array{r3, r2, r1} : std::array{r3, r1, r2};
  if (p2 > p1 && p2 > p3) return p3 > p1 ? std::array{r2, r3, r1} : std::array{r2, r1, r3};
  if (p1 > p2 && p1 > p3) return p3 > p2 ? std::array{r1, r3, r2} : std::array{r1, r2, r3};
  return std::nullopt;
}

/// All positions 0: the first reference (in the order uno, due, tre) with a
/// chainage above 0 goes to record 81; nothing when none has one.
std::optional<std::array<Reference, 3>> sort_by_chainage(const Reference& r1,
                                                         const Reference& r2,
                                                         const Reference& r3) {
  if (r1.chainage > 0) return std::array{r1, r2, r3};
  if (r2.chainage > 0) return std::array{r2, r3, r1};
  if (r3.chainage > 0) return std::array{r3, r2, r1};
  return std::nullopt;
}

}  // namespace

cella& point_cell(CellGrid& percorso, int32_t posizione, std::string_view what) {
  const double index = nearest(posizione / 50.0 + 1);
  const double last = static_cast<double>(percorso.size()) - 1;
  if (!(index >= 0 && index <= last))
    throw RunTimeFailure(std::string(what) + " at " + std::to_string(posizione) + " m: cell " +
                         std::to_string(static_cast<int64_t>(index)) +
                         (percorso.empty() ? " (no grid exists)"
                                           : " lies outside the grid (0 to " +
                                                 std::to_string(percorso.size() - 1) + ")"));
  return percorso[static_cast<size_t>(index)];
}

// References are read with "uno" in record 83, "due" in 82 and "tre" in 81,
// and leave ordered with the largest position in 81. Whole triples move.
void Form1::progressive_ordina() {
  const Reference r1 = read_reference(voci[fixed_record::chainage_3]);
  const Reference r2 = read_reference(voci[fixed_record::chainage_2]);
  const Reference r3 = read_reference(voci[fixed_record::chainage_1]);
  // The sum is only tested against 0, so it is taken exactly: a wrapped sum
  // could make three large positions look like three zeros.
  const int64_t sum = int64_t{r1.posizione} + r2.posizione + r3.posizione;
  const auto order =
      sum != 0 ? sort_by_position(r1, r2, r3) : sort_by_chainage(r1, r2, r3);
  if (order) {
    write_reference(voci[fixed_record::chainage_1], (*order)[0]);
    write_reference(voci[fixed_record::chainage_2], (*order)[1]);
    write_reference(voci[fixed_record::chainage_3], (*order)[2]);
  } else {
    if ((non_zero(r1) || non_zero(r2) || non_zero(r3)) && listener)
      listener->chainage_dropped();
    for (int32_t i = fixed_record::chainage_1; i <= fixed_record::chainage_3; ++i)
      write_reference(voci[static_cast<size_t>(i)], {});
  }
  for (int32_t i = fixed_record::chainage_1; i <= fixed_record::chainage_3; ++i) {
    voce& v = voci[static_cast<size_t>(i)];
    if (v.posizione == 1) v.fine = wrap32(int64_t{v.fine} + 100);
  }
}

void Form1::memo_montagna(int32_t inizio, int32_t fine, int32_t tipo) {
  bool markers = false;
  if (tipo > 10) {
    tipo -= 10;
    markers = true;
  }
  // The tunnel tables hold entries 1 to 80 and a tunnel's kind depends on
  // the entry before it; a further entry is refused like any other value the
  // compiler cannot hold (code 25), never stored past the tables.
  if (numero_montagne < 0 || numero_montagne >= static_cast<int32_t>(montagne_inizio.size()) - 1)
    throw RunTimeFailure("more than 80 tunnel entries (tunnel from " + std::to_string(inizio) +
                         " m)");
  const int32_t j = ++numero_montagne;
  montagne_inizio[static_cast<size_t>(j)] = inizio;
  montagne_fine[static_cast<size_t>(j)] = fine;
  // Exact difference: a wrapped one could turn a far-off tunnel into a near one.
  if (j > 1 && int64_t{inizio} - montagne_fine[static_cast<size_t>(j - 1)] <= 150) tipo = 3;

  // Both ends are within 32 bits: a 32-bit position divided by 50.
  const CellRun cells = tunnel_cells(inizio, fine);
  const int64_t before = cells.first;
  const int64_t last = cells.last;
  // A tunnel reaching before the first cell or beyond the last one is
  // clipped to the grid; its markers keep their places counted from the
  // tunnel's own first cell.
  const int64_t from = std::max<int64_t>(before, 0);
  const int64_t a = std::min<int64_t>(last, static_cast<int64_t>(percorso.size()) - 1);
  for (int64_t i = from; i <= a; ++i) {
    cella& c = percorso[static_cast<size_t>(i)];
    const int64_t q = i - before + 1;
    c.montagna = low_byte(tipo);
    if (markers && q % 4 == 0 && c.tipo == cell_type::empty)
      c.tipo = cell_type::tunnel_marker;
  }
}

// The three speeds of a side are one value each: tenths of the right-hand
// speed plus twenty times the left-hand one. They are computed exactly in
// double precision, so a value that does not fit 16 bits is always a
// conversion failure (code 25) and never a silently wrapped product.
void Form1::memo_indicatori_v_max(int32_t posizione, int32_t vas, int32_t vbs, int32_t vcs,
                                  int16_t strisces, int32_t vad, int32_t vbd, int32_t vcd,
                                  int16_t strisced) {
  cella& c = point_cell(percorso, posizione, "speed-limit boards");
  if (!cell_is_free(c)) {
    // The entry's position, which the caller would give the code anyway.
    record_code(21, posizione, entry_being_placed, &c - percorso.data());
    return;
  }
  // Stored in this order, each as soon as it is known: nothing is rolled
  // back when a later value fails its conversion.
  c.tipo = cell_type::speed_limit_boards;
  c.dato1 = nearest_int16(vad / 5.0 + 20.0 * vas);
  c.dato2 = nearest_int16(vbd / 5.0 + 20.0 * vbs);
  c.dato3 = nearest_int16(vcd / 5.0 + 20.0 * vcs);
  c.dato4 = wrap16(10 * int32_t{strisces} + int32_t{strisced});
}
