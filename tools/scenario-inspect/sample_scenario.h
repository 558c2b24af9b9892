#pragma once
// Test helper: a small scenario that holds one or more of every item the
// inspector shows. Its files are written by the builder's own writers
// (output/scenario_files.h).

#include <cstdint>
#include <string>

#include "app/check_codes.h"
#include "model/records.h"

namespace sample_scenario {

struct Sample {
  RecordTable voci;
  CellGrid percorso;
  TrackPlan tracciato;
  int32_t length = 3000;
};

inline voce stazione(uint8_t tipo, int32_t inizio, int32_t fine, int32_t posizione, int32_t orario,
                     const char* nome) {
  voce v;
  v.tipo = tipo;
  v.inizio = inizio;
  v.fine = fine;
  v.posizione = posizione;
  v.orario = orario;
  v.nome = nome;
  return v;
}

/// A 3000 m line (grid cells 0 to 200, plan rows 0 to 10000) with three
/// stations, a signal, a slowdown with board and pre-warning, two name
/// boards, a speed-limit board, two tunnels, two abbattimento points and
/// runs of gradient, speed and adhesion; markers and check codes as the
/// builder stores them for "Valdarco_Lornese" and "4158".
inline Sample sample() {
  Sample c;
  RecordTable& v = c.voci;
  v[1] = stazione(12, -200, 200, 0, 24480, "VALDARCO TERME");
  v[2] = stazione(27, 1100, 1300, 1200, 0, "PONTE D'ARCO \xC0 <MONTE>");  // À in Windows-1252
  v[3] = stazione(4, 2200, 2800, 2500, 27480, "LORNESE");
  v[80].nome = "(GALLERIA)(261 m.)";
  v[79].nome = "(CULMINE)";
  v[81].fine = 73450, v[81].posizione = 1;
  v[84].inizio = 120, v[84].fine = c.length, v[84].posizione = 3;
  v[85].inizio = 33600, v[85].fine = 1, v[85].posizione = 27600;
  v[85].nome = "Valdarco_Lornese", v[85].campo7 = 610;
  v[86].nome = "4158", v[86].campo7 = 300;
  v[86].campo10 = 6, v[86].campo11 = 47, v[86].campo12 = 30;
  v[85].orario = weighted_code(check_code_key(v[86].nome, v[85].nome));

  CellGrid& p = c.percorso;
  p.assign(201, cella{});
  p[1].dato1 = 5121;
  p[1].dato2 = plain_code(check_code_key(v[86].nome, v[85].nome));
  for (size_t i = 0; i < 198; ++i) {
    p[i].pendenza = i < 5 ? 100 : i < 41 ? 118 : 76;
    p[i].velocita = 16;
    p[i].aderenza = i < 71 ? 95 : 85;
  }
  p[3].tipo = 10, p[3].dato1 = 1;  // stop of record 1
  p[55].tipo = 10, p[55].dato1 = 3;                      // stop of record 3
  p[2].marcatore = 81;
  for (int k = 1; k <= 4; ++k) p[static_cast<size_t>(55 - k)].marcatore = static_cast<uint8_t>(80 + k);
  p[7].tipo = 6, p[7].dato1 = 1500, p[7].dato2 = 1600, p[7].dato3 = 1600;
  p[13].tipo = 14, p[13].dato1 = 80;
  p[31].tipo = 14, p[31].dato1 = 79;
  for (size_t i = 14; i <= 18; ++i) p[i].montagna = 1;
  p[17].tipo = 11;
  for (size_t i = 21; i <= 22; ++i) p[i].montagna = 3;
  // Signal at 1950 m (cell 40): sx 1, s1 5, s2 1; markers 31 to 34.
  p[40].tipo = 1, p[40].dato1 = 50, p[40].dato2 = 10, p[40].dato4 = 3;
  for (int k = 1; k <= 4; ++k) p[static_cast<size_t>(40 - 2 * k)].marcatore = static_cast<uint8_t>(30 + k);
  // Slowdown at 2450 m for 100 m at 30 km/h: board at cell 26, pre-warning 25 to 22.
  p[50].tipo = 3, p[50].dato1 = 30;
  p[52].tipo = 2, p[52].dato1 = 30;
  p[26].tipo = 4, p[26].dato1 = 30;
  for (int i = 0; i < 4; ++i) p[static_cast<size_t>(25 - i)].tipo = 5, p[static_cast<size_t>(25 - i)].dato1 = static_cast<int16_t>(i + 1);
  p[45].tipo = 12, p[45].dato1 = 180;
  p[60].tipo = 13;

  TrackPlan& t = c.tracciato;
  const int32_t lines = c.length + 7001;
  t.row_count = lines;
  t.points = {{0, 0}, {0, 1}};
  // Straight to 500 m, then a gentle right-hand curve, as the plan steps make it.
  for (int32_t m = 2; m < lines - 2; ++m) {
    const auto a = t.points[static_cast<size_t>(m - 1)];
    const auto b = t.points[static_cast<size_t>(m - 2)];
    const double dx = a[0] - b[0], dy = a[1] - b[1];
    const double k = (m > 500 && m <= 1500) ? 0.001 : 0.0;
    t.points.push_back({a[0] + (dx + k * dy), a[1] + (dy - k * dx)});
  }
  return c;
}

}  // namespace sample_scenario
