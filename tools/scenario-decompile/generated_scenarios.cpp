#include "generated_scenarios.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <vector>

namespace {

/// Draws from a fixed sequence; the arithmetic is ours, so that every
/// standard library gives the same scenario.
class Draw {
 public:
  explicit Draw(uint32_t seed) : engine_(seed) {}
  int64_t in(int64_t low, int64_t high) {
    return low + static_cast<int64_t>(engine_() % static_cast<uint64_t>(high - low + 1));
  }
  bool chance(int percent) { return in(1, 100) <= percent; }

 private:
  std::mt19937 engine_;
};

class Writer {
 public:
  void line(const std::string& text) { text_ += text + "\r\n"; }
  void entry(const std::string& key, const std::vector<int64_t>& numbers, const std::string& tail = "") {
    std::string l = key;
    for (int64_t n : numbers) l += ",  " + std::to_string(n);
    if (!tail.empty()) l += ", " + tail;
    line(l);
  }
  std::string finish() {
    line("[fine]");
    return text_;
  }

 private:
  std::string text_;
};

/// Cells that hold a point item (or a station stop) already.
class Cells {
 public:
  explicit Cells(int64_t highest) : highest_(highest) {}
  bool free(int64_t c) const { return c >= 2 && c <= highest_ - 3 && taken_.count(c) == 0; }
  bool all_free(std::initializer_list<int64_t> cells) const {
    return std::all_of(cells.begin(), cells.end(), [&](int64_t c) { return free(c); });
  }
  void take(int64_t c) { taken_.insert(c); }
  int64_t highest() const { return highest_; }

 private:
  int64_t highest_;
  std::set<int64_t> taken_;
};

int64_t cells_of(int64_t length) { return std::llrint((length + 7000) / 50.0); }

void line_file(Draw& d, int64_t length, int boards, Cells& cells, Writer& w) {
  const int64_t n = cells.highest();
  w.line("[generale]");
  w.entry("lunghezza percorso", {length});
  w.entry("progressiva chilometrica uno", {0, 50 * d.in(0, 2000), d.in(0, 1)});
  w.entry("progressiva chilometrica due", {d.chance(50) ? 50 * d.in(1, 40) : 0, 50 * d.in(0, 2000), 0});
  w.entry("progressiva chilometrica tre", {0, 0, 0});
  w.entry("sfondo uno", {d.in(0, 40000)});
  w.entry("sfondo due", {d.in(0, 40000)});
  w.entry("sfondo tre", {d.in(0, 5)});
  w.entry(d.chance(50) ? "ripetizione segnali 4 codici" : "ripetizione segnali 9 codici",
          {50 * d.in(0, 20), d.chance(50) ? 0 : 50 * d.in(1, 20)});
  w.line("[curve]");
  for (int64_t p = d.in(0, 300); p + 700 < 50 * n - 100;) {
    const int64_t l = d.in(1, 600);
    w.entry(std::string("curva") + (d.chance(50) ? 's' : 'd') + static_cast<char>('0' + d.in(1, 6)),
            {p, l});
    // Mostly apart, some touching, some overlapping the curve before.
    p += d.chance(10) ? d.in(1, l) : l + (d.chance(20) ? 0 : d.in(1, 900));
  }
  w.line("[pendenze]");
  w.line("- a remark line");
  w.entry("pendenza", {0, d.in(-20, 20)});
  for (int64_t p = d.in(1, 40) * 50; p < 50 * n - 100; p += d.in(1, 60) * 50 + d.in(0, 20))
    w.entry("pendenza", {p, d.in(-100, 155)});
  w.line("[montagne]");
  // A tunnel from the grid's first cell, some along the line (some close
  // enough to the one before to become kind 3), one past the grid's end.
  int64_t t = 0;
  while (t + 2000 < 50 * n - 400) {
    const int64_t end = t + 50 * d.in(1, 30);
    w.entry("montagna", {t, end, d.chance(50) ? d.in(1, 2) : d.in(11, 12)});
    t = end + 50 * (d.chance(30) ? d.in(0, 3) : d.in(4, 80));
  }
  w.entry("montagna", {50 * (n - 4), 50 * (n + 6), 11});
  w.line("[cartelli]");
  for (int i = d.in(0, 6); i > 0; --i) {
    const int64_t c = d.in(2, n - 4);
    if (!cells.free(c)) continue;
    cells.take(c);
    w.entry("indicatori_vmax", {50 * (c - 1) + d.in(-24, 24), d.in(0, 160), d.in(0, 160),
                                d.in(0, 160), d.in(0, 9), 5 * d.in(0, 30), 5 * d.in(0, 30),
                                5 * d.in(0, 30), d.in(0, 9)});
  }
  w.line("[indicazioni]");
  for (int i = 0; i < boards; ++i) {
    const int64_t c = d.in(2, n - 4);
    if (!cells.free(c)) continue;
    cells.take(c);
    const std::string text = d.chance(20) ? "\"(BIVIO, KM " + std::to_string(i) + ")\""
                                          : "(GALLERIA " + std::to_string(i) + ")(" +
                                                std::to_string(d.in(50, 900)) + " m. )";
    w.entry("cartello_indicatore", {50 * (c - 1)}, text);
  }
}

/// Stations first, their stop cells reserved before any other item.
void stations(Draw& d, int count, Cells& cells, Writer& w) {
  constexpr int64_t kTypes[] = {12, 12, 4, 22, 27, 28, 5, 7};
  int64_t previous_end = -1000000;
  int64_t p = 50 * d.in(20, 40);
  for (int s = 1; s <= count; ++s) {
    const int64_t tipo = kTypes[d.in(0, 7)];
    const int64_t platform = 100 * d.in(2, 8);
    const int64_t extension = d.chance(30) ? 1 : 0;
    int64_t inizio = p - platform / 2, fine = p + platform / 2 + (extension && tipo != 5 && tipo != 7 ? 50 : 0);
    if (tipo == 5) inizio = p - platform, fine = p + 150;
    if (tipo == 7) inizio = p - platform, fine = p + platform;
    const int64_t stop = fine / 50 - 1;
    if (inizio - 350 < previous_end || stop + 4 > cells.highest() - 30) return;
    if (tipo < 25 && !cells.free(stop)) return;
    if (tipo < 25) cells.take(stop);
    previous_end = fine;
    w.entry("stazione", {p, tipo, platform, d.in(0, 3), d.in(0, 2), extension, d.in(0, 9),
                         d.in(0, 3), d.in(0, 2), d.in(0, 9), d.in(0, 3), d.in(0, 3),
                         d.in(0, 90), d.in(5, 20), d.in(0, 59), d.in(0, 59)},
            "STAZIONE " + std::to_string(s));
    p = fine + 50 * d.in(8, 60) + platform;
  }
}

void train_file(Draw& d, int station_count, Cells& cells, Writer& w) {
  const int64_t n = cells.highest();
  w.line("[generale]");
  w.entry("numero vetture", {d.in(1, 12)});
  w.entry("percentuale massa frenata", {d.in(60, 160)});
  w.entry("sabbia", {d.in(0, 500)});
  w.line("orologio,    " + std::to_string(d.in(0, 23)) + "   " + std::to_string(d.in(0, 59)) + "  " +
         std::to_string(d.in(0, 59)) + " ");
  w.line("[aderenze]");
  for (int64_t p = 0; p < 50 * n - 100; p += 50 * d.in(1, 80) + d.in(0, 20))
    w.entry("aderenza", {p, d.in(40, 100)});
  w.line("[vel_limite]");
  for (int64_t p = 0; p < 50 * n - 100; p += 50 * d.in(1, 80) + d.in(0, 20))
    w.entry("velocita", {p, 5 * d.in(6, 32)});
  // Stations mostly before the signals, whose markers then win where the
  // two share a cell; sometimes after them.
  const bool stations_last = d.chance(30);
  if (!stations_last) {
    w.line("[stazioni]");
    stations(d, station_count, cells, w);
  }
  w.line("[rallentamenti]");
  for (int i = d.in(0, 4); i > 0; --i) {
    const int64_t s0 = d.in(5, n - 40), e = s0 + d.in(0, 30);
    const bool warning = 50 * (s0 - 1) > 1500, pre = warning && d.chance(60);
    if (!cells.all_free({s0, e}) || (warning && !cells.free(s0 - 24)) ||
        (pre && !cells.all_free({s0 - 25, s0 - 26, s0 - 27, s0 - 28})))
      continue;
    for (int64_t c : {s0, e}) cells.take(c);
    if (warning) cells.take(s0 - 24);
    if (pre) for (int64_t c = s0 - 28; c <= s0 - 25; ++c) cells.take(c);
    w.entry("rallentamento", {50 * (s0 - 1), d.chance(50) ? 5 * d.in(4, 21) : 5 * d.in(22, 30),
                              50 * (e - s0), d.in(0, 3), pre ? 1 : 0, d.chance(40) ? d.in(1, 9) : 0});
  }
  w.line("[segnali]");
  // Some signals so near the origin that their approach markers fall
  // before the first cell; the rest anywhere.
  for (int64_t j = d.in(2, 8); j < n - 4; j += d.in(3, 60)) {
    if (!cells.free(j)) continue;
    cells.take(j);
    w.entry("segnale", {50 * (j - 1), d.in(0, 2), d.in(0, 9), d.in(0, 9), d.in(0, 9), d.in(0, 5),
                        d.in(0, 2), d.in(0, 9), d.in(0, 9), d.in(0, 9),
                        d.chance(30) ? d.in(0, 255) : 0});
  }
  for (int i = d.in(0, 3); i > 0; --i) {
    const int64_t c = d.in(30, n - 4);
    if (!cells.free(c)) continue;
    cells.take(c);
    w.entry("abbattimento", {50 * c, d.chance(30) ? 0 : d.in(1, 400)});
  }
  if (stations_last) {
    w.line("[stazioni]");
    stations(d, station_count, cells, w);
  }
  w.line("[codici]");
}

}  // namespace

GeneratedScenario generated_scenario(uint32_t seed) {
  Draw d(seed);
  const int64_t length = 50 * d.in(40, 500) + d.in(0, 49);
  const int boards = static_cast<int>(d.chance(50) ? d.in(0, 30) : 0);
  Cells cells(cells_of(length));
  Writer line, train;
  line_file(d, length, boards, cells, line);
  train_file(d, d.chance(70) ? static_cast<int>(d.in(1, 8)) : 0, cells, train);
  return {line.finish(), train.finish()};
}
