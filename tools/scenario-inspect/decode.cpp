#include "decode.h"

#include <cstdlib>
#include <set>

namespace {

// The warning board stands 1200 m (24 cells) before the start of a slowdown.
constexpr int32_t kCelleAvviso = 24;

bool voce_azzerata(const voce& v) { return v == voce{}; }

/// Stations are records 1 upward, up to the first one that is empty or that
/// holds a name board's text.
std::vector<Stazione> trova_stazioni(const Scenario& s, const std::set<int32_t>& voci_cartelli) {
  std::vector<Stazione> out;
  for (int32_t i = 1; i <= voce_fissa::primo_cartello; ++i) {
    if (voci_cartelli.count(i) || voce_azzerata(s.voci[static_cast<size_t>(i)])) break;
    out.push_back({i, std::nullopt});
  }
  return out;
}

Segnale leggi_segnale(const Percorso& p, int32_t j) {
  const cella& c = p[static_cast<size_t>(j)];
  Segnale g;
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
    g.marcatori[static_cast<size_t>(k - 1)] = m >= 0 ? p[static_cast<size_t>(m)].marcatore : 0;
    g.marcatori_attesi[static_cast<size_t>(k - 1)] =
        static_cast<uint8_t>((10 * (3 * g.sx + g.dx) + k) & 0xFF);
  }
  return g;
}

Rallentamento leggi_rallentamento(const Percorso& p, int32_t k) {
  const cella& c = p[static_cast<size_t>(k)];
  Rallentamento r;
  r.cella_inizio = k;
  r.velocita = c.dato1;
  r.d_v = c.dato2;
  r.f_tt = c.dato3;
  // The end is the next type-2 cell; no other start may come between.
  for (size_t j = static_cast<size_t>(k) + 1; j < p.size(); ++j) {
    if (p[j].tipo == tipo_cella::inizio_rallentamento) break;
    if (p[j].tipo == tipo_cella::fine_rallentamento) {
      r.cella_fine = static_cast<int32_t>(j);
      break;
    }
  }
  const int32_t a = k - kCelleAvviso;
  if (a >= 0 && p[static_cast<size_t>(a)].tipo == tipo_cella::avviso_rallentamento) {
    r.cella_avviso = a;
    r.preavviso = a >= 4;
    for (int32_t i = 1; i <= 4 && r.preavviso; ++i)
      r.preavviso = p[static_cast<size_t>(a - i)].tipo == tipo_cella::preavviso_rallentamento;
  }
  return r;
}

/// Runs of one field; `valore` turns the stored byte into what it means.
template <class F>
std::vector<Tratto> tratti(const Percorso& p, F valore) {
  std::vector<Tratto> out;
  for (size_t i = 0; i < p.size(); ++i) {
    const int32_t v = valore(p[i]);
    if (!out.empty() && out.back().valore == v) out.back().ultima = static_cast<int32_t>(i);
    else out.push_back({static_cast<int32_t>(i), static_cast<int32_t>(i), v});
  }
  return out;
}

void aggiungi_galleria(std::vector<Galleria>& out, const cella& c, int32_t i) {
  if (c.montagna == 0) return;
  if (out.empty() || out.back().ultima != i - 1 || out.back().tipo != c.montagna)
    out.push_back({i, i, c.montagna, {}});
  out.back().ultima = i;
  if (c.tipo == tipo_cella::marcatore_galleria) out.back().marcatori.push_back(i);
}

}  // namespace

std::string ora(int32_t secondi) {
  const int64_t t = std::llabs(static_cast<int64_t>(secondi));
  const int64_t h = t / 3600, m = (t / 60) % 60, s = t % 60;
  std::string out = secondi < 0 ? "-" : "";
  out += std::to_string(h) + ":" + (m < 10 ? "0" : "") + std::to_string(m) + ":" +
         (s < 10 ? "0" : "") + std::to_string(s);
  return out;
}

Decodificato decodifica(const Scenario& s) {
  const Percorso& p = s.percorso;
  Decodificato d;
  std::set<int32_t> voci_cartelli;
  for (size_t i = 0; i < p.size(); ++i) {
    const cella& c = p[i];
    const auto j = static_cast<int32_t>(i);
    aggiungi_galleria(d.gallerie, c, j);
    switch (c.tipo) {
      case tipo_cella::segnale: d.segnali.push_back(leggi_segnale(p, j)); break;
      case tipo_cella::inizio_rallentamento: d.rallentamenti.push_back(leggi_rallentamento(p, j)); break;
      case tipo_cella::indicatori_v_max:
        d.indicatori.push_back({j, {c.dato1, c.dato2, c.dato3}, c.dato4});
        break;
      case tipo_cella::abbattimento: d.abbattimenti.push_back({j, true, c.dato1}); break;
      case tipo_cella::abbattimento_senza_valore: d.abbattimenti.push_back({j, false, 0}); break;
      case tipo_cella::cartello_indicatore: {
        CartelloIndicatore b{j, c.dato1, c.dato1 >= 1 && c.dato1 <= voce_fissa::primo_cartello, {}};
        if (b.voce_valida) {
          b.testo = s.voci[static_cast<size_t>(b.voce)].nome;
          voci_cartelli.insert(b.voce);
        }
        d.cartelli.push_back(std::move(b));
        break;
      }
      default: break;
    }
  }
  d.stazioni = trova_stazioni(s, voci_cartelli);
  // Stations are records 1 to size: the stop cell's dato1 names one directly.
  for (size_t i = 0; i < p.size(); ++i) {
    const int32_t v = p[i].dato1;
    if (p[i].tipo != tipo_cella::fermata || v < 1 || v > static_cast<int32_t>(d.stazioni.size()))
      continue;
    Stazione& st = d.stazioni[static_cast<size_t>(v - 1)];
    if (!st.cella_fermata) st.cella_fermata = static_cast<int32_t>(i);
  }
  d.pendenze = tratti(p, [](const cella& c) { return static_cast<int32_t>(c.pendenza) - 100; });
  d.velocita = tratti(p, [](const cella& c) { return static_cast<int32_t>(c.velocita) * 5; });
  d.aderenze = tratti(p, [](const cella& c) { return static_cast<int32_t>(c.aderenza); });
  d.quota.resize(p.size() + 1);
  for (size_t i = 0; i < p.size(); ++i)
    d.quota[i + 1] = d.quota[i] + 50.0 * (static_cast<int32_t>(p[i].pendenza) - 100) / 1000.0;
  return d;
}
