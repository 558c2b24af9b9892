#include "testing/largest_scenario.h"

#include <string_view>

// Every point item is laid out on a pattern of 22 cells (1100 m) that repeats
// along the whole line, so that no two items ever meet and the grid scan
// finds a free cell wherever it looks. Residues are counted from the start
// cell s of the period's slowdown:
//
//   s + 0        slowdown start        s + 1        slowdown end (50 m long)
//   s + 6, s+12  signals               s + 9, s+14  abbattimento points
//   s + 8        name board (every 11th period, on its tunnel's first cell)
//   s + 13       speed-limit boards (every 5th period)
//   s + 21       station stop (every 11th period, stations only)
//   s + 16..19   pre-warning cells and s + 20 the warning board of the next
//                period's slowdown (1200 m before its start)
// and the grid scan then adds its points in the cells left free: s + 5 in
// front of the signal after the slowdown's end, s + 4 and s + 11 in front of
// the signals before the next warning board, and the next slowdown's three
// windows at s + 15, s + 10 and s + 3.

namespace {

constexpr int32_t kLength = 1000000;
constexpr int32_t kPeriod = 22;          ///< cells
constexpr int32_t kFirstStart = 44;      ///< start cell of the first slowdown
constexpr int32_t kLastCell = 20000;     ///< the pattern ends at the line's end
constexpr int32_t kTunnelPeriods = 11;   ///< one tunnel and board every 242 cells
constexpr int32_t kTunnelEntries = 80;
constexpr int32_t kTunnelLength = 9000;
constexpr int32_t kStationCount = 78;

/// Position (m) of an item placed by the rule nearest(p / 50 + 1).
int32_t position_plus_one(int32_t cella) { return 50 * (cella - 1); }

class TextBuilder {
 public:
  void riga(std::string_view r) {
    text_ += r;
    text_ += "\r\n";
  }
  template <class... T>
  void voce(std::string_view key, T... values) {
    std::string r(key);
    ((r += ",  " + std::to_string(values)), ...);
    riga(r);
  }
  std::string& text() { return text_; }

 private:
  std::string text_;
};

int32_t period_start(int32_t q) { return kFirstStart + kPeriod * q; }

int32_t period_count() { return (kLastCell - kFirstStart - kPeriod) / kPeriod + 1; }

/// First cell of tunnel i: residue 8 of every 11th period, from period 0.
int32_t tunnel_cell(int32_t i) { return period_start(kTunnelPeriods * i) + 8; }

void line_general(TextBuilder& t) {
  t.riga("[generale]");
  t.voce("lunghezza percorso", kLength);
  t.riga("progressiva chilometrica uno,    0,    73350,    1");
  t.riga("progressiva chilometrica due,    500000,    573350,    0");
  t.riga("progressiva chilometrica tre,    1000000,    1073350,    0");
  t.riga("sfondo uno,    33600");
  t.riga("sfondo due,    27600");
  t.riga("sfondo tre,    1");
  t.riga("ripetizione segnali 4 codici,    100    ,200");
}

// Curves of 50 to 250 m every 300 m, all six classes and both sides; the
// last one ends before the plan's limit of 1,000,000 m.
void curve(TextBuilder& t, LargestScenario& s) {
  t.riga("[curve]");
  for (int32_t p = 200, i = 0; p + 250 < kLength; p += 300, ++i, ++s.curve) {
    const std::string key = std::string("curva") + (i % 2 == 0 ? "s" : "d") + std::to_string(1 + i % 6);
    t.voce(key, p, 50 + 50 * (i % 5));
  }
}

void gradients(TextBuilder& t, LargestScenario& s) {
  t.riga("[pendenze]");
  t.riga("- altitudine iniziale 352 m. slm");
  for (int32_t p = 0, i = 0; p < kLength; p += 500, ++i, ++s.gradients)
    t.voce("pendenza", p, i % 41 - 20);
}

// Tunnels 9000 m long, 12100 m apart, marked (types 11 and 12): every one
// keeps its own kind.
void tunnels(TextBuilder& t, LargestScenario& s) {
  t.riga("[montagne]");
  for (int32_t i = 0; i < kTunnelEntries; ++i, ++s.tunnels) {
    const int32_t inizio = 50 * tunnel_cell(i);
    t.voce("montagna", inizio, inizio + kTunnelLength, 11 + i % 2);
  }
}

void speed_boards(TextBuilder& t, LargestScenario& s) {
  t.riga("[cartelli]");
  for (int32_t q = 0; q < period_count(); q += 5, ++s.speed_boards)
    t.riga("indicatori_vmax,  " + std::to_string(position_plus_one(period_start(q) + 13)) +
           ",  75,  80,  80,  0,  ,  ,  ,  0");
}

// Each board stands 50 m before its tunnel and so on the tunnel's first cell.
void boards(TextBuilder& t, LargestScenario& s) {
  t.riga("[indicazioni]");
  for (int32_t i = 0; i < kTunnelEntries; ++i, ++s.boards)
    t.riga("cartello_indicatore,   " + std::to_string(50 * tunnel_cell(i) - 50) +
           ",  (GALLERIA " + std::to_string(i + 1) + ") (9000 m)");
}

std::string line(LargestVariant variant_kind, LargestScenario& s) {
  TextBuilder t;
  line_general(t);
  curve(t, s);
  gradients(t, s);
  tunnels(t, s);
  speed_boards(t, s);
  if (variant_kind == LargestVariant::with_boards) boards(t, s);
  t.riga("[fine]");
  return std::move(t.text());
}

void train_general(TextBuilder& t) {
  t.riga("[generale]");
  t.riga("numero vetture,    9");
  t.riga("percentuale massa frenata,    120");
  t.riga("sabbia,    300");
  t.riga("orologio,    6               47            30 ");
  t.riga("[aderenze]");
  for (int32_t p = 0, i = 0; p < kLength; p += 20000, ++i) t.voce("aderenza", p, 70 + 5 * (i % 7));
  t.riga("[vel_limite]");
  for (int32_t p = 0, i = 0; p < kLength; p += 100000, ++i) t.voce("velocita", p, 80 + 20 * (i % 5));
}

// Type-12 stations with 400 m platforms, one every 11 periods, each stop cell
// (platform end / 50 - 1) on residue 21.
void stations(TextBuilder& t, LargestScenario& s) {
  t.riga("[stazioni]");
  for (int32_t i = 0; i < kStationCount; ++i, ++s.stations) {
    const int32_t station_stop = period_start(kTunnelPeriods * i) + 21;
    const int32_t posizione = 50 * (station_stop + 1) - 200;
    const int32_t hours = 6 + i / 10, minutes = (i % 10) * 6;
    t.riga("stazione,   " + std::to_string(posizione) + ", 12,  400,  1, 0, 0,  4,1,0,  2,1,1,    1,   " +
           std::to_string(hours) + "," + std::to_string(minutes) + ", 0, STAZIONE " +
           std::to_string(i + 1));
  }
}

void slowdowns(TextBuilder& t, LargestScenario& s) {
  t.riga("[rallentamenti]");
  for (int32_t q = 0; q < period_count(); ++q, ++s.slowdowns) {
    const int32_t x = position_plus_one(period_start(q));
    // x, v, l, f_tt, f_ta, d_v: slow enough for the scan's points.
    t.voce("rallentamento", x, 30 + 10 * (q % 7), 50, 1 + q % 3, 1, q % 2 == 0 ? 0 : 5);
  }
}

void signals_and_points(TextBuilder& t, LargestScenario& s) {
  t.riga("[segnali]");
  for (int32_t q = 0; q < period_count(); ++q) {
    const int32_t base = period_start(q);
    for (const int32_t remainder : {6, 12}) {
      const int32_t sx = 1 + (s.signals % 2);
      // posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo
      t.voce("segnale", position_plus_one(base + remainder), sx, 5, 1, 0, 0, 0, 0, 0, 0,
             sx == 2 ? 120 : 0);
      ++s.signals;
    }
    // abbattimento cells are nearest(p / 50), without the + 1.
    t.voce("abbattimento", 50 * (base + 9), 150);
    t.voce("abbattimento", 50 * (base + 14), 0);
    s.abbattimento_points += 2;
  }
}

std::string train(LargestVariant variant_kind, LargestScenario& s) {
  TextBuilder t;
  train_general(t);
  if (variant_kind == LargestVariant::with_stations) stations(t, s);
  slowdowns(t, s);
  signals_and_points(t, s);
  t.riga("[codici]");
  t.riga("[fine]");
  return std::move(t.text());
}

}  // namespace

LargestScenario largest_scenario(LargestVariant variant_kind) {
  LargestScenario s;
  s.length = kLength;
  s.line = line(variant_kind, s);
  s.train = train(variant_kind, s);
  return s;
}
