// The line half of the recovery. Each kind of item is traced back from the
// cells it leaves (gradients, tunnels, boards), the records (length,
// chainage, scenery, signal repetition) or the plan (curves).

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "app/form1.h"
#include "compile/track_plan.h"
#include "platform/memory_platform.h"
#include "recover.h"

namespace {

constexpr int64_t kCell = 50;

int64_t highest(const CellGrid& g) { return static_cast<int64_t>(g.size()) - 1; }

// ----- General section -----

ChainageEntry reference_of(const voce& v) {
  // The compiler adds 100 to the chainage of a reference whose flag is 1.
  const int64_t chainage = v.posizione == 1 ? int64_t{v.fine} - 100 : int64_t{v.fine};
  return {v.inizio, chainage, v.posizione};
}

void write_reference(voce& v, const ChainageEntry& e) {
  v.inizio = static_cast<int32_t>(e.posizione);
  v.fine = static_cast<int32_t>(e.chainage);
  v.posizione = static_cast<int32_t>(e.flag);
}

/// The three references as "uno", "due", "tre": the first order of the
/// records that the builder's own sort puts back where they stand.
void chainage(const RecordTable& voci, Recovered& out) {
  const std::array<ChainageEntry, 3> stored = {reference_of(voci[fixed_record::chainage_1]),
                                               reference_of(voci[fixed_record::chainage_2]),
                                               reference_of(voci[fixed_record::chainage_3])};
  const auto same = [&](const RecordTable& t) {
    for (int32_t i = fixed_record::chainage_1; i <= fixed_record::chainage_3; ++i) {
      const voce& a = t[static_cast<size_t>(i)];
      const voce& b = voci[static_cast<size_t>(i)];
      if (a.inizio != b.inizio || a.fine != b.fine || a.posizione != b.posizione) return false;
    }
    return true;
  };
  // Record 81 as "uno" first: a line with one reference gets it back as "uno".
  std::array<int, 3> order = {0, 1, 2};
  MemoryPlatform platform;
  Form1 sorter(platform);
  do {
    sorter.reset_voci();
    // "uno" is read into record 83, "due" into 82, "tre" into 81.
    for (size_t i = 0; i < 3; ++i)
      write_reference(sorter.voci[static_cast<size_t>(fixed_record::chainage_3 - static_cast<int32_t>(i))],
                      stored[static_cast<size_t>(order[i])]);
    sorter.progressive_ordina();
    if (same(sorter.voci)) {
      for (size_t i = 0; i < 3; ++i) out.line.chainage[i] = stored[static_cast<size_t>(order[i])];
      return;
    }
  } while (std::next_permutation(order.begin(), order.end()));
  out.problems.push_back("records 81 to 83: no order of the chainage references sorts into them");
  for (size_t i = 0; i < 3; ++i) out.line.chainage[i] = stored[2 - i];
}

void general(const Scenario& s, Recovered& out) {
  const RecordTable& voci = s.voci;
  LineEntries& e = out.line;
  e.length = voci[fixed_record::general].fine;
  chainage(voci, out);
  const voce& line = voci[fixed_record::line];
  e.scenery = {line.inizio, line.posizione, line.fine};
  const voce& train = voci[fixed_record::train];
  e.repetition_first = train.inizio;
  e.repetition_second = train.fine;
  e.nine_codes = train.posizione == 9;
  const int32_t codes = train.fine == 0 ? 0 : (e.nine_codes ? 9 : 4);
  if (train.posizione != codes)
    out.problems.push_back("record 86: " + std::to_string(train.posizione) +
                           " codes of signal repetition with a second distance of " +
                           std::to_string(train.fine) + " m");
}

// ----- Curves -----

/// One step of the plan: its turn per metre, and the key that gives it.
struct Step {
  const char* key;  ///< nullptr for a straight step
  double k;
};

/// The twelve curved steps, each turn taken from the compiler's own table
/// of classes through the key that names it.
std::array<Step, 12> curved_steps() {
  static constexpr const char* kKeys[] = {"curvas1", "curvas2", "curvas3", "curvas4",
                                          "curvas5", "curvas6", "curvad1", "curvad2",
                                          "curvad3", "curvad4", "curvad5", "curvad6"};
  std::array<Step, 12> steps{};
  for (size_t i = 0; i < steps.size(); ++i) steps[i] = {kKeys[i], *curve_curvature(kKeys[i])};
  return steps;
}

/// The step that gives metre m from the two before it, bit for bit (the
/// same arithmetic as the compiler's); -1 straight, the index of a curved
/// step, or nothing when no step gives it.
std::optional<int> step_at(const TrackPlan& t, size_t m, const std::array<Step, 12>& steps) {
  const auto& p = t.points;
  const double dx = p[m - 1][0] - p[m - 2][0];
  const double dy = p[m - 1][1] - p[m - 2][1];
  if (p[m][0] == p[m - 1][0] + dx && p[m][1] == p[m - 1][1] + dy) return -1;
  for (size_t i = 0; i < steps.size(); ++i) {
    const double k = steps[i].k;
    if (p[m][0] == p[m - 1][0] + (dx + k * dy) && p[m][1] == p[m - 1][1] + (dy - k * dx))
      return static_cast<int>(i);
  }
  return std::nullopt;
}

/// Curves from the plan: every run of metres turned by one class on one
/// side is one curve entry, starting at the metre before the run.
void curves(const Scenario& s, Recovered& out) {
  if (!s.has_plan) {
    out.warnings.push_back(
        "no line data file: curves leave no trace in the other files, so the line "
        "description has none (the service and grid files still compile back the same)");
    return;
  }
  const std::array<Step, 12> steps = curved_steps();
  const TrackPlan& t = s.tracciato;
  int run = -1;
  int64_t run_start = 0;
  const auto close = [&](int64_t end) {
    if (run < 0) return;
    const char* key = steps[static_cast<size_t>(run)].key;
    out.line.curves.push_back({key[5], key[6], run_start - 1, end - run_start});
  };
  bool reported = false;
  for (int64_t m = 2; m < t.computed(); ++m) {
    std::optional<int> step = step_at(t, static_cast<size_t>(m), steps);
    if (!step) {
      if (!reported)
        out.problems.push_back("metre " + std::to_string(m) +
                               " of the line data file follows from no step of the plan");
      reported = true;
      step = -1;
    }
    if (*step == run) continue;
    close(m);
    run = *step;
    run_start = m;
  }
  close(t.computed());
}

// ----- Gradients -----

/// Each gradient entry fills the cells from the fill index up to the cell
/// before its own; the end of the file fills on to cell n - 3. So one entry
/// where the value changes gives the cells up to n - 3. Cells n - 2 and
/// beyond are reached only by pushing the fill index: an entry whose cell
/// is not ahead of it still writes one cell, and one at position 0 writes
/// none but changes the value that follows.
void gradients(const CellGrid& g, Recovered& out) {
  const int64_t n = highest(g);
  const auto value = [&](int64_t i) { return int64_t{g[static_cast<size_t>(i)].pendenza} - 100; };
  int64_t written = n - 2;  // cells 0 .. n - 3 always receive a gradient
  for (int64_t i = n; i >= n - 2; --i)
    if (g[static_cast<size_t>(i)].pendenza != 0) {
      written = i + 1;
      break;
    }
  std::vector<GradientEntry>& e = out.line.gradients;
  e.push_back({0, value(0)});
  for (int64_t i = 1; i <= n - 3; ++i)
    if (value(i) != value(i - 1)) e.push_back({kCell * i, value(i)});
  if (written <= n - 2) return;
  e.push_back({kCell * (n - 2), value(n - 2)});
  for (int64_t j = n - 2; j + 1 < written; ++j) e.push_back({kCell, value(j + 1)});
}

// ----- Tunnels -----

/// A kind written as a tunnel type: plus 10 for markers; a kind above 10
/// without markers as the negative number with the same low byte.
int64_t tunnel_type(int64_t kind, bool markers) {
  if (markers) return kind + 10;
  return kind <= 10 ? kind : kind - 256;
}

/// One tunnel as its entry lays it out: cells `first` to `last`, markers in
/// its 4th, 8th, ... cell where nothing else stood.
struct Tunnel {
  int64_t first, last;
  bool markers;
};

/// A run of cells of one kind split into tunnels: a marker out of step with
/// the tunnel so far begins a new tunnel three cells before it. A cell
/// where a marked tunnel would have put its marker but nothing stands ends
/// that tunnel before it; the next one begins there, or earlier when a
/// marker of its own says so.
std::vector<Tunnel> split_run(const CellGrid& g, int64_t a, int64_t b,
                              std::vector<int64_t>& strays) {
  const auto tipo = [&](int64_t i) { return g[static_cast<size_t>(i)].tipo; };
  // Whether the marker cells of a tunnel from `first` before `i` all hold
  // something, as a marked tunnel needs.
  const auto markable = [&](int64_t first, int64_t i) {
    for (int64_t c = first + 3; c < i; c += 4)
      if (tipo(c) == cell_type::empty) return false;
    return true;
  };
  std::vector<Tunnel> tunnels;
  Tunnel t{a, b, false};
  int64_t limit = -1;  ///< when 0 or above, the marked tunnel t ends before this cell
  for (int64_t i = a; i <= b; ++i) {
    const bool in_step = (i - t.first + 1) % 4 == 0;
    if (tipo(i) == cell_type::tunnel_marker) {
      if (in_step && limit < 0 && (t.markers || markable(t.first, i))) {
        t.markers = true;
        continue;
      }
      const int64_t first = i - 3;
      if (first <= t.first || (limit >= 0 && first > limit)) {
        strays.push_back(i);
        continue;
      }
      tunnels.push_back({t.first, first - 1, t.markers});
      t = {first, b, true};
      limit = -1;
      continue;
    }
    if (t.markers && in_step && limit < 0 && tipo(i) == cell_type::empty) limit = i;
    if (limit >= 0 && i == limit + 3) {
      tunnels.push_back({t.first, limit - 1, true});
      t = {limit, b, false};
      limit = -1;
    }
  }
  if (limit >= 0) {
    tunnels.push_back({t.first, limit - 1, true});
    t = {limit, b, false};
  }
  tunnels.push_back(t);
  return tunnels;
}

/// Tunnels laid before all others, only for the markers they leave where
/// a later tunnel covered them: each from three cells before a marker that
/// no tunnel of the runs explains, on to further markers four cells apart.
/// Every cell they cover belongs to a later tunnel, which takes it over.
std::vector<Tunnel> marker_tunnels(const CellGrid& g, const std::vector<int64_t>& strays,
                                   Recovered& out) {
  const auto covered = [&](int64_t from, int64_t to) {
    for (int64_t c = std::max<int64_t>(from, 0); c <= to; ++c)
      if (g[static_cast<size_t>(c)].montagna == 0) return false;
    return true;
  };
  std::vector<Tunnel> tunnels;
  for (const int64_t i : strays) {
    if (!tunnels.empty() && (i - tunnels.back().last) % 4 == 0 && covered(tunnels.back().last, i)) {
      bool all_held = true;
      for (int64_t c = tunnels.back().last + 4; c < i; c += 4)
        all_held = all_held && g[static_cast<size_t>(c)].tipo != cell_type::empty;
      if (all_held) {
        tunnels.back().last = i;
        continue;
      }
    }
    if (!covered(i - 3, i)) {
      out.problems.push_back(cell_name(i) + ": a tunnel marker out of step with the tunnel "
                             "that covers it");
      continue;
    }
    tunnels.push_back({i - 3, i, true});
  }
  return tunnels;
}

/// One entry per tunnel, in ascending order, after those laid only for
/// their markers. With `markers_apart` every marker comes from those, and
/// each run of one kind is one tunnel without markers: the way to give back
/// tunnels that overlapped, at the cost of more entries. A tunnel begun 150 m or less after the end of the entry
/// before it becomes kind 3, so a tunnel of another kind that close gets a
/// spacer before it: an entry that covers no cell and ends far enough back.
void tunnels(const CellGrid& g, bool markers_apart, Recovered& out) {
  const int64_t n = highest(g);
  std::vector<std::pair<Tunnel, uint8_t>> runs;  // each tunnel and its kind
  std::vector<int64_t> strays;
  for (int64_t a = 0; a <= n;) {
    const uint8_t kind = g[static_cast<size_t>(a)].montagna;
    int64_t b = a;
    while (b + 1 <= n && g[static_cast<size_t>(b + 1)].montagna == kind) ++b;
    if (kind != 0 && markers_apart) {
      runs.emplace_back(Tunnel{a, b, false}, kind);
      for (int64_t i = a; i <= b; ++i)
        if (g[static_cast<size_t>(i)].tipo == cell_type::tunnel_marker) strays.push_back(i);
    } else if (kind != 0) {
      for (const Tunnel& t : split_run(g, a, b, strays)) runs.emplace_back(t, kind);
    } else {
      for (int64_t i = a; i <= b; ++i)
        if (g[static_cast<size_t>(i)].tipo == cell_type::tunnel_marker)
          out.problems.push_back(cell_name(i) + ": a tunnel marker outside any tunnel");
    }
    a = b + 1;
  }
  std::vector<TunnelEntry>& e = out.line.tunnels;
  std::optional<int64_t> previous_end;
  for (const Tunnel& t : marker_tunnels(g, strays, out)) {
    e.push_back({kCell * t.first, kCell * (t.last + 1), tunnel_type(1, true)});
    previous_end = kCell * (t.last + 1);
  }
  for (const auto& [t, kind] : runs) {
    const int64_t inizio = kCell * t.first, fine = kCell * (t.last + 1);
    if (kind != 3 && previous_end && inizio - *previous_end <= 150) e.push_back({0, -200, 1});
    e.push_back({inizio, fine, tunnel_type(kind, t.markers)});
    previous_end = fine;
  }
  if (e.size() > 80)
    out.problems.push_back(std::to_string(e.size()) +
                           " tunnel entries needed, more than the 80 the builder holds");
}

// ----- Boards -----

int64_t floor_div(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

/// A board value is twenty times the left-hand speed plus a fifth of the
/// right-hand one: written as the left speed and a right speed from 0 to 95.
std::pair<int64_t, int64_t> board_speeds(int16_t dato) {
  const int64_t left = floor_div(dato, 20);
  return {left, 5 * (dato - 20 * left)};
}

SpeedBoardEntry speed_board(int64_t c, const cella& cell) {
  const auto [vas, vad] = board_speeds(cell.dato1);
  const auto [vbs, vbd] = board_speeds(cell.dato2);
  const auto [vcs, vcd] = board_speeds(cell.dato3);
  const int64_t strisces = floor_div(cell.dato4, 10);
  const int64_t strisced = cell.dato4 - 10 * strisces;
  return {{kCell * (c - 1), vas, vbs, vcs, strisces, vad, vbd, vcd, strisced}};
}

void speed_boards(const CellGrid& g, Recovered& out) {
  for (int64_t c = 0; c < static_cast<int64_t>(g.size()); ++c) {
    const cella& cell = g[static_cast<size_t>(c)];
    if (cell.tipo == cell_type::speed_limit_boards) out.line.speed_boards.push_back(speed_board(c, cell));
  }
}

}  // namespace

std::vector<int64_t> stop_cells(const Scenario& s) {
  std::vector<int64_t> stops;
  const int32_t count = station_count(s);
  for (int32_t r = 1; r <= count; ++r) {
    const int64_t h = stop_cell(s.voci[static_cast<size_t>(r)]);
    if (h >= 0 && h < static_cast<int64_t>(s.percorso.size())) stops.push_back(h);
  }
  return stops;
}

namespace {

/// Name boards in the order of their records, 80 downward: that order puts
/// each text back into its record. A board record whose cell a station
/// stop took over gets a board in a stop cell of its own: the stop writes
/// over it as it did. Below the records of the boards, any record that
/// holds a text alone is a board's too.
void name_boards(const Scenario& s, std::vector<int64_t>& stops, Recovered& out) {
  std::array<int64_t, 81> cell_of{};
  cell_of.fill(-1);
  const CellGrid& g = s.percorso;
  for (int64_t c = 0; c < static_cast<int64_t>(g.size()); ++c) {
    const cella& cell = g[static_cast<size_t>(c)];
    if (cell.tipo != cell_type::name_board) continue;
    if (cell.dato1 < 1 || cell.dato1 > 80 || cell_of[static_cast<size_t>(cell.dato1)] >= 0) {
      out.problems.push_back(cell_name(c) + ": a name board of record " +
                             std::to_string(cell.dato1) + ", which no board can take");
      continue;
    }
    cell_of[static_cast<size_t>(cell.dato1)] = c;
  }
  const int32_t stations = station_count(s);
  for (int32_t r = fixed_record::first_board; r > stations; --r) {
    const voce& v = s.voci[static_cast<size_t>(r)];
    int64_t c = cell_of[static_cast<size_t>(r)];
    if (c < 0 && v.nome.empty()) break;
    if (c < 0) {
      if (stops.empty()) {
        out.problems.push_back("record " + std::to_string(r) + ": a name board text without its board");
        break;
      }
      c = stops.front();
      stops.erase(stops.begin());
    }
    out.line.name_boards.push_back({kCell * (c - 1), v.nome});
  }
}

/// What a station stop leaves of an item it took over: the values after
/// the first. A speed-limit board gives them back and nothing else.
void overwritten_values(const Scenario& s, const std::vector<int64_t>& stops, bool signals,
                        Recovered& out) {
  for (const int64_t h : stops) {
    const cella& c = s.percorso[static_cast<size_t>(h)];
    if (c.tipo != cell_type::station_stop || (c.dato2 == 0 && c.dato3 == 0 && c.dato4 == 0))
      continue;
    if (signals && signal_under_stop(s.percorso, h)) continue;  // the signal gives them back
    cella board = c;
    board.dato1 = 0;
    out.line.speed_boards.push_back(speed_board(h, board));
  }
}

}  // namespace

std::string cell_name(int64_t cell) {
  return "cell " + std::to_string(cell) + " (" + std::to_string(kCell * cell) + " m)";
}

void recover_line(const Scenario& s, const Choices& choices, Recovered& out) {
  general(s, out);
  curves(s, out);
  gradients(s.percorso, out);
  tunnels(s.percorso, choices.tunnel_markers_apart, out);
  speed_boards(s.percorso, out);
  std::vector<int64_t> stops = stop_cells(s);
  name_boards(s, stops, out);
  overwritten_values(s, stops, choices.signals_under_stops, out);
}
