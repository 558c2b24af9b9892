#include "decode.h"

#include <cstdlib>
#include <set>

namespace {

// The warning board stands 1200 m (24 cells) before the start of a slowdown.
constexpr int32_t kWarningCells = 24;

bool cleared_record(const voce& v) { return v == voce{}; }

/// Stations are records 1 upward, up to the first one that is empty or that
/// holds a name board's text.
std::vector<Station> find_stations(const Scenario& s, const std::set<int32_t>& board_records) {
  std::vector<Station> out;
  for (int32_t i = 1; i <= fixed_record::first_board; ++i) {
    if (board_records.count(i) || cleared_record(s.voci[static_cast<size_t>(i)])) break;
    out.push_back({i, std::nullopt});
  }
  return out;
}

Signal read_signal(const CellGrid& p, int32_t j) {
  const cella& c = p[static_cast<size_t>(j)];
  Signal g;
  g.cella = j;
  g.posizione = (j - 1) * 50;
  g.s1 = c.dato1 / 10, g.d1 = c.dato1 % 10;
  g.s2 = c.dato2 / 10, g.d2 = c.dato2 % 10;
  g.s3 = c.dato3 / 10, g.d3 = c.dato3 % 10;
  // dato4 = rapp x 10 + sx x 3 + dx, with sx and dx from 0 to 2.
  g.rapp = c.dato4 / 10;
  g.sx = (c.dato4 % 10) / 3;
  g.dx = (c.dato4 % 10) % 3;
  g.tempo = c.tempo_segnale;
  for (int32_t k = 1; k <= 4; ++k) {
    const int32_t m = j - 2 * k;
    g.markers[static_cast<size_t>(k - 1)] = m >= 0 ? p[static_cast<size_t>(m)].marcatore : 0;
    g.expected_markers[static_cast<size_t>(k - 1)] =
        static_cast<uint8_t>((10 * (3 * g.sx + g.dx) + k) & 0xFF);
  }
  return g;
}

Slowdown read_slowdown(const CellGrid& p, int32_t k) {
  const cella& c = p[static_cast<size_t>(k)];
  Slowdown r;
  r.start_cell = k;
  r.velocita = c.dato1;
  r.d_v = c.dato2;
  r.f_tt = c.dato3;
  // The end is the next type-2 cell; no other start may come between.
  for (size_t j = static_cast<size_t>(k) + 1; j < p.size(); ++j) {
    if (p[j].tipo == cell_type::slowdown_start) break;
    if (p[j].tipo == cell_type::slowdown_end) {
      r.end_cell = static_cast<int32_t>(j);
      break;
    }
  }
  const int32_t a = k - kWarningCells;
  if (a >= 0 && p[static_cast<size_t>(a)].tipo == cell_type::slowdown_warning) {
    r.warning_cell = a;
    r.pre_warning = a >= 4;
    for (int32_t i = 1; i <= 4 && r.pre_warning; ++i)
      r.pre_warning = p[static_cast<size_t>(a - i)].tipo == cell_type::slowdown_pre_warning;
  }
  return r;
}

/// Runs of one field; `value` turns the stored byte into what it means.
template <class F>
std::vector<Stretch> stretches(const CellGrid& p, F value) {
  std::vector<Stretch> out;
  for (size_t i = 0; i < p.size(); ++i) {
    const int32_t v = value(p[i]);
    if (!out.empty() && out.back().value == v) out.back().last = static_cast<int32_t>(i);
    else out.push_back({static_cast<int32_t>(i), static_cast<int32_t>(i), v});
  }
  return out;
}

void add_tunnel(std::vector<Tunnel>& out, const cella& c, int32_t i) {
  if (c.montagna == 0) return;
  if (out.empty() || out.back().last != i - 1 || out.back().tipo != c.montagna)
    out.push_back({i, i, c.montagna, {}});
  out.back().last = i;
  if (c.tipo == cell_type::tunnel_marker) out.back().markers.push_back(i);
}

}  // namespace

std::string time_of_day(int32_t seconds) {
  const int64_t t = std::llabs(static_cast<int64_t>(seconds));
  const int64_t h = t / 3600, m = (t / 60) % 60, s = t % 60;
  std::string out = seconds < 0 ? "-" : "";
  out += std::to_string(h) + ":" + (m < 10 ? "0" : "") + std::to_string(m) + ":" +
         (s < 10 ? "0" : "") + std::to_string(s);
  return out;
}

std::optional<int64_t> beyond_end(int64_t posizione, int32_t length) {
  if (posizione <= length) return std::nullopt;
  return posizione - length;
}

Decoded decode(const Scenario& s) {
  const CellGrid& p = s.percorso;
  Decoded d;
  std::set<int32_t> board_records;
  for (size_t i = 0; i < p.size(); ++i) {
    const cella& c = p[i];
    const auto j = static_cast<int32_t>(i);
    add_tunnel(d.tunnels, c, j);
    switch (c.tipo) {
      case cell_type::segnale: d.signals.push_back(read_signal(p, j)); break;
      case cell_type::slowdown_start: d.slowdowns.push_back(read_slowdown(p, j)); break;
      case cell_type::speed_limit_boards:
        d.speed_boards.push_back({j, {c.dato1, c.dato2, c.dato3}, c.dato4});
        break;
      case cell_type::abbattimento: d.abbattimento_points.push_back({j, true, c.dato1}); break;
      case cell_type::abbattimento_without_value: d.abbattimento_points.push_back({j, false, 0}); break;
      case cell_type::name_board: {
        NameBoard b{j, c.dato1, c.dato1 >= 1 && c.dato1 <= fixed_record::first_board, {}};
        if (b.valid_record) {
          b.text = s.voci[static_cast<size_t>(b.voce)].nome;
          board_records.insert(b.voce);
        }
        d.boards.push_back(std::move(b));
        break;
      }
      default: break;
    }
  }
  d.stations = find_stations(s, board_records);
  // Stations are records 1 to size: the stop cell's dato1 names one directly.
  for (size_t i = 0; i < p.size(); ++i) {
    const int32_t v = p[i].dato1;
    if (p[i].tipo != cell_type::station_stop || v < 1 || v > static_cast<int32_t>(d.stations.size()))
      continue;
    Station& st = d.stations[static_cast<size_t>(v - 1)];
    if (!st.stop_cell) st.stop_cell = static_cast<int32_t>(i);
  }
  d.gradients = stretches(p, [](const cella& c) { return static_cast<int32_t>(c.pendenza) - 100; });
  d.velocita = stretches(p, [](const cella& c) { return static_cast<int32_t>(c.velocita) * 5; });
  d.adhesion_runs = stretches(p, [](const cella& c) { return static_cast<int32_t>(c.aderenza); });
  d.elevation.resize(p.size() + 1);
  for (size_t i = 0; i < p.size(); ++i)
    d.elevation[i + 1] = d.elevation[i] + 50.0 * (static_cast<int32_t>(p[i].pendenza) - 100) / 1000.0;
  return d;
}
