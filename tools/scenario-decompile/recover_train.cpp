// The train half of the recovery: the general values from records 84 and
// 86, the runs from the cells, the stations from their records, signals and
// slowdowns from their cells, and the abbattimento points that the author
// wrote, told apart from those of the grid scan by replaying the scan.

#include <algorithm>
#include <set>
#include <string>

#include "app/form1.h"
#include "model/numbers.h"
#include "platform/memory_platform.h"
#include "recover.h"

namespace {

constexpr int64_t kCell = 50;
constexpr int16_t kScanPointValue = 180;  ///< the value of every point the grid scan makes

int64_t highest(const CellGrid& g) { return static_cast<int64_t>(g.size()) - 1; }
int64_t floor_div(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
int64_t floor_mod(int64_t a, int64_t b) { return a - b * floor_div(a, b); }

void general(const RecordTable& voci, TrainEntries& e) {
  const voce& general = voci[fixed_record::general];
  e.cars = general.posizione;
  e.braked_mass = general.inizio;
  const voce& train = voci[fixed_record::train];
  e.sand = train.campo7;
  e.clock = {train.campo10, train.campo11, train.campo12};
}

// ----- Runs -----

/// A run holds from its entry's cell to the next entry's; the last one to
/// cell N - 3. Cell N - 2 gets a value only from an entry standing there,
/// and no entry reaches the two cells after it.
std::vector<RunEntry> runs(const CellGrid& g, uint8_t cella::*field, int64_t unit,
                           const char* what, Recovered& out) {
  const int64_t n = highest(g);
  const auto value = [&](int64_t i) { return int64_t{g[static_cast<size_t>(i)].*field}; };
  std::vector<RunEntry> e{{0, unit * value(0)}};
  for (int64_t i = 1; i <= n - 3; ++i)
    if (value(i) != value(i - 1)) e.push_back({kCell * i, unit * value(i)});
  if (value(n - 2) != 0) e.push_back({kCell * (n - 2), unit * value(n - 2)});
  for (int64_t i = n - 1; i <= n; ++i)
    if (value(i) != 0)
      out.problems.push_back(cell_name(i) + ": a " + std::string(what) + " that no entry reaches");
  return e;
}

// ----- Stations -----

/// F1 to F16 from the record: the platform length from the platform start
/// (the end may hold 50 m more, the extension), the time split into hours,
/// minutes and seconds.
StationEntry station(const voce& v, int32_t s) {
  const int64_t p = v.posizione;
  const bool short_types = v.tipo >= 5 && v.tipo <= 8;
  const int64_t length = short_types ? p - v.inizio : 2 * (p - v.inizio);
  int64_t extension = 0;
  if (!short_types) {
    // The first station's flag is cleared after its platform has been laid out.
    extension = s == 1 ? (int64_t{v.fine} - (p + length / 2) == 50 ? 1 : 0) : v.prolunga;
  }
  const int64_t hours = v.orario / 3600;
  const int64_t minutes = (v.orario % 3600) / 60;
  const int64_t seconds = v.orario % 60;
  return {{p, v.tipo, length, v.campo4, v.campo5, extension, v.campo7, v.campo8, v.campo9,
           v.campo10, v.campo11, v.campo12, v.campo13, hours, minutes, seconds},
          v.nome};
}

void stations(const Scenario& s, TrainEntries& e) {
  const int32_t count = station_count(s);
  for (int32_t r = 1; r <= count; ++r) e.stations.push_back(station(s.voci[static_cast<size_t>(r)], r));
}

// ----- Signals -----

/// Whether a signal after the one in cell j puts its own approach marker in
/// cell c, over the marker of j: signals are written in ascending order.
bool covered_later(const CellGrid& g, int64_t j, int64_t c) {
  for (int64_t k = 1; k <= 4; ++k) {
    const int64_t later = c + 2 * k;
    if (later > j && later < static_cast<int64_t>(g.size()) &&
        g[static_cast<size_t>(later)].tipo == cell_type::segnale)
      return true;
  }
  return false;
}

/// Whether a marker base M (the value 3 sx + dx) gives every approach
/// marker of the signal in cell j that no later signal covers.
bool markers_agree(const CellGrid& g, int64_t j, int64_t m) {
  for (int64_t k = 1; k <= 4; ++k) {
    const int64_t cell = j - 2 * k;
    if (cell < 0 || covered_later(g, j, cell)) continue;
    if (g[static_cast<size_t>(cell)].marcatore != low_byte(10 * m + k)) return false;
  }
  return true;
}

/// dato4 = 10 rapp + 3 sx + dx: the marker base is its last digit unless
/// the approach markers say otherwise; dato1 to dato3 are ten times the
/// left value plus a right digit. A signal time is kept only with sx 2.
SignalEntry signal(const CellGrid& g, int64_t j) {
  const cella& c = g[static_cast<size_t>(j)];
  int64_t m = floor_mod(c.dato4, 10);
  // Bases of the same last digit repeat their markers every 64 steps of 10.
  for (int64_t t = 1; t <= 32 && !markers_agree(g, j, m); ++t) {
    if (markers_agree(g, j, m + 10 * t)) {
      m += 10 * t;
    } else if (markers_agree(g, j, m - 10 * t)) {
      m -= 10 * t;
    }
  }
  const int64_t rapp = (int64_t{c.dato4} - m) / 10;
  int64_t sx = floor_div(m, 3);
  int64_t tempo = 0;
  if (c.tempo_segnale != 0) {
    sx = 2;
    // A time from 1 to 100 would become 101: the same byte from above 255.
    tempo = c.tempo_segnale > 100 ? c.tempo_segnale : c.tempo_segnale + 256;
  }
  const int64_t dx = m - 3 * sx;
  return {{kCell * (j - 1), sx, floor_div(c.dato1, 10), floor_div(c.dato2, 10),
           floor_div(c.dato3, 10), rapp, dx, floor_mod(c.dato1, 10), floor_mod(c.dato2, 10),
           floor_mod(c.dato3, 10), tempo}};
}

// ----- Slowdowns -----

/// Every start cell pairs with the first end cell after it that carries the
/// same values; none means a slowdown of length 0, whose start covers its
/// end. The warning board stands 24 cells before the start and the four
/// pre-warning cells just before the board.
void slowdowns(const CellGrid& g, TrainEntries& e, Recovered& out) {
  const int64_t n = highest(g);
  std::vector<bool> claimed(g.size(), false);
  for (int64_t s0 = 0; s0 <= n; ++s0) {
    const cella& start = g[static_cast<size_t>(s0)];
    if (start.tipo != cell_type::slowdown_start) continue;
    int64_t end = s0;
    for (int64_t i = s0 + 1; i <= n; ++i) {
      const cella& c = g[static_cast<size_t>(i)];
      if (c.tipo == cell_type::slowdown_end && !claimed[static_cast<size_t>(i)] &&
          c.dato1 == start.dato1 && c.dato2 == start.dato2 && c.dato3 == start.dato3) {
        end = i;
        claimed[static_cast<size_t>(i)] = true;
        break;
      }
    }
    const int64_t x = kCell * (s0 - 1);
    bool pre_warning = x > 1500 && s0 - 28 >= 0;
    for (int64_t i = 0; pre_warning && i < 4; ++i) {
      const cella& c = g[static_cast<size_t>(s0 - 25 - i)];
      pre_warning = c.tipo == cell_type::slowdown_pre_warning && c.dato1 == i + 1;
    }
    e.slowdowns.push_back({{x, start.dato1, kCell * (end - s0), start.dato3, pre_warning ? 1 : 0,
                            start.dato2}});
  }
  for (int64_t i = 0; i <= n; ++i)
    if (g[static_cast<size_t>(i)].tipo == cell_type::slowdown_end && !claimed[static_cast<size_t>(i)])
      out.problems.push_back(cell_name(i) + ": the end of a slowdown without its start");
}

// ----- abbattimento points -----

bool is_point(const cella& c) { return c.tipo == cell_type::abbattimento; }
bool is_scan_like(const cella& c) { return is_point(c) && c.dato1 == kScanPointValue; }

/// The points of the author. A point whose value is not the scan's, or that
/// has no value, is the author's for certain. For the others the scan is
/// replayed on the grid without them: every one it does not make again is
/// written, and the scan replayed again with it, until the scan makes all
/// the rest itself. A point the scan makes must not be written: the scan
/// would then place its own elsewhere, or record a code.
void points(const CellGrid& g, TrainEntries& e, Recovered& out) {
  const int64_t n = highest(g);
  std::vector<bool> written(g.size(), false);
  for (int64_t i = 0; i <= n; ++i) {
    const cella& c = g[static_cast<size_t>(i)];
    written[static_cast<size_t>(i)] =
        c.tipo == cell_type::abbattimento_without_value || (is_point(c) && !is_scan_like(c));
  }
  MemoryPlatform platform;
  Form1 replay(platform);
  for (int round = 0;; ++round) {
    replay.percorso = g;
    for (int64_t i = 0; i <= n; ++i) {
      cella& c = replay.percorso[static_cast<size_t>(i)];
      if (is_scan_like(c) && !written[static_cast<size_t>(i)]) {
        c.tipo = cell_type::empty;
        c.dato1 = 0;
      }
    }
    replay.scan_grid();
    bool added = false;
    for (int64_t i = 0; i <= n; ++i) {
      if (!is_scan_like(g[static_cast<size_t>(i)]) || written[static_cast<size_t>(i)]) continue;
      if (is_scan_like(replay.percorso[static_cast<size_t>(i)])) continue;
      written[static_cast<size_t>(i)] = true;
      added = true;
    }
    if (!added) break;
    if (round == 100) {
      out.problems.push_back("the abbattimento points: the replayed scan does not settle");
      break;
    }
  }
  for (int64_t i = 0; i <= n; ++i) {
    if (!is_point(replay.percorso[static_cast<size_t>(i)]) || is_point(g[static_cast<size_t>(i)]))
      continue;
    out.problems.push_back(cell_name(i) + ": the grid scan would place a point here");
    break;
  }
  for (int64_t i = 0; i <= n; ++i) {
    if (!written[static_cast<size_t>(i)]) continue;
    const cella& c = g[static_cast<size_t>(i)];
    // A value of 0 or below marks a point without one; a stored value of 0
    // or below came from a number above 32767.
    const int64_t value = c.tipo == cell_type::abbattimento_without_value ? 0
                          : c.dato1 > 0                                   ? c.dato1
                                                                          : c.dato1 + 65536;
    e.points.push_back({kCell * i, value});
  }
}

/// Types no entry of either file writes.
void unknown_types(const CellGrid& g, Recovered& out) {
  for (int64_t i = 0; i <= highest(g); ++i) {
    const uint8_t t = g[static_cast<size_t>(i)].tipo;
    if ((t >= 7 && t <= 9) || t > 14) {
      out.problems.push_back(cell_name(i) + ": type " + std::to_string(t) +
                             ", which no entry produces");
      return;
    }
  }
}

}  // namespace

// Stations fill records 1 upward; name boards take records 80 downward. A
// station record always holds a type or a platform end (a stop at or before
// 100 m is refused), so a record with nothing but a text is a board's.
int32_t station_count(const Scenario& s) {
  std::set<int32_t> boards;
  for (const cella& c : s.percorso)
    if (c.tipo == cell_type::name_board) boards.insert(c.dato1);
  int32_t count = 0;
  for (int32_t r = 1; r <= fixed_record::first_board; ++r) {
    const voce& v = s.voci[static_cast<size_t>(r)];
    voce numbers = v;
    numbers.nome.clear();
    if (numbers == voce{} || boards.count(r) > 0) break;
    count = r;
  }
  return count;
}

int64_t stop_cell(const voce& station) {
  if (station.tipo >= 25) return -1;
  return static_cast<int64_t>(nearest(station.fine / 50.0)) - 1;
}

std::optional<SignalEntry> signal_under_stop(const CellGrid& g, int64_t h) {
  const cella& c = g[static_cast<size_t>(h)];
  if (c.tipo != cell_type::station_stop || h < 6) return std::nullopt;
  // The markers 100 and 200 m before the stop are the station's own.
  const int64_t third = g[static_cast<size_t>(h - 6)].marcatore - 3;
  if (third < 0 || third % 10 != 0) return std::nullopt;
  const int64_t m = third / 10;
  if (floor_mod(m, 10) != floor_mod(c.dato4, 10)) return std::nullopt;
  if (h >= 8 && g[static_cast<size_t>(h - 8)].marcatore != low_byte(10 * m + 4)) return std::nullopt;
  // Its first values went with the stop (written 0 here); the others
  // stayed in the cell.
  int64_t sx = floor_div(m, 3), tempo = 0;
  if (c.tempo_segnale != 0) {
    sx = 2;
    tempo = c.tempo_segnale > 100 ? c.tempo_segnale : c.tempo_segnale + 256;
  }
  return SignalEntry{{kCell * (h - 1), sx, 0, floor_div(c.dato2, 10), floor_div(c.dato3, 10),
                      (int64_t{c.dato4} - m) / 10, m - 3 * sx, 0, floor_mod(c.dato2, 10),
                      floor_mod(c.dato3, 10), tempo}};
}

void recover_train(const Scenario& s, Recovered& out) {
  TrainEntries& e = out.train;
  const CellGrid& g = s.percorso;
  general(s.voci, e);
  e.adhesion = runs(g, &cella::aderenza, 1, "adhesion value", out);
  e.speed = runs(g, &cella::velocita, 5, "speed limit", out);
  stations(s, e);
  slowdowns(g, e, out);
  for (int64_t j = 0; j <= highest(g); ++j)
    if (g[static_cast<size_t>(j)].tipo == cell_type::segnale) e.signals.push_back(signal(g, j));
  points(g, e, out);
  unknown_types(g, out);
}

Recovered recover(const Scenario& s, const Choices& choices) {
  Recovered out;
  recover_line(s, choices, out);
  recover_train(s, out);
  out.train.stations_last = choices.stations_last;
  if (choices.signals_under_stops)
    for (const int64_t h : stop_cells(s))
      if (const auto signal = signal_under_stop(s.percorso, h))
        out.train.signals_under_stops.push_back(*signal);
  return out;
}
