#include "report.h"

#include <algorithm>
#include <cstdlib>

#include "platform/ansi.h"

namespace {

std::string n(int64_t v) { return std::to_string(v); }
std::string utf8(const std::string& cp1252) { return cp1252_a_utf8(cp1252); }

std::string stato(const Controllo& c) {
  return n(c.trovato) + (c.valido() ? " (valid)" : " (INVALID, expected " + n(c.atteso) + ")");
}

void generali_linea(const Scenario& s, Rapporto& r) {
  const voce& linea = s.voci[voce_fissa::linea];
  const voce& treno = s.voci[voce_fissa::treno];
  const voce& gen = s.voci[voce_fissa::generale];
  auto& g = r.generali;
  g.emplace_back("Line", utf8(s.nome_linea()));
  g.emplace_back("Train", utf8(s.numero_treno()));
  g.emplace_back("Line length", metri(s.lunghezza) + " m (grid cells 0 to " +
                                    n(static_cast<int64_t>(s.percorso.size()) - 1) + ")");
  if (s.ha_tracciato)
    g.emplace_back("Track plan", n(s.tracciato.righe()) + " rows, " + n(s.tracciato.calcolati) +
                                     " holding a point");
  else
    g.emplace_back("Track plan", "no line data file");
  g.emplace_back("Check codes", s.controlli.validi() ? "valid" : "NOT VALID");
  for (const Controllo* c : {&s.controlli.marcatore, &s.controlli.marcatore_voce,
                             &s.controlli.codice_semplice, &s.controlli.codice_pesato})
    g.emplace_back("  " + c->nome, stato(*c));
  for (int32_t i = voce_fissa::progressiva_1; i <= voce_fissa::progressiva_3; ++i) {
    const voce& v = s.voci[static_cast<size_t>(i)];
    g.emplace_back("Chainage reference " + n(i),
                   "position " + metri(v.inizio) + " m = " + chilometri(v.fine) + ", flag " + n(v.posizione));
  }
  g.emplace_back("Scenery values", "uno " + n(linea.inizio) + ", due " + n(linea.posizione) +
                                       ", tre " + n(linea.fine));
  g.emplace_back("Signal repetition",
                 treno.fine == 0 ? "off (distances " + n(treno.inizio) + " m, " + n(treno.fine) + " m)"
                                 : n(treno.inizio) + " m and " + n(treno.fine) + " m, " +
                                       n(treno.posizione) + " codes");
  g.emplace_back("Consist and braking",
                 n(gen.posizione) + " cars, braked mass " + n(gen.inizio) + " %");
  g.emplace_back("Clock at the start", n(treno.campo10) + ":" + (treno.campo11 < 10 ? "0" : "") +
                                           n(treno.campo11) + ":" + (treno.campo12 < 10 ? "0" : "") +
                                           n(treno.campo12));
  g.emplace_back("Sand", n(treno.campo7));
}

std::string piattaforma(const voce& v) { return metri(v.inizio) + " .. " + metri(v.fine); }

Tabella tabella_stazioni(const Scenario& s, const Decodificato& d) {
  Tabella t{"Stations", {"#", "position m", "platform m", "type", "time", "stop cell", "name"},
            {true, true, true, true, true, true, false}, {}, {}};
  for (const Stazione& st : d.stazioni) {
    const voce& v = s.voci[static_cast<size_t>(st.voce)];
    t.righe.push_back({n(st.voce), metri(v.posizione), piattaforma(v),
                       n(v.tipo) + (v.tipo >= 25 ? " (no stop)" : ""),
                       v.orario == 0 ? "-" : ora(v.orario),
                       st.cella_fermata ? n(*st.cella_fermata) : "-", utf8(v.nome)});
  }
  t.nota = "A time of 0 is shown as \"-\": the station has no time of its own.";
  return t;
}

std::string marcatori(const Segnale& g) {
  std::string out;
  bool giusti = true;
  for (size_t k = 0; k < 4; ++k) {
    if (k) out += " ";
    out += n(g.marcatori[k]);
    giusti = giusti && g.marcatori[k] == g.marcatori_attesi[k];
  }
  return giusti ? out : out + " (expected " + n(g.marcatori_attesi[0]) + ".." +
                            n(g.marcatori_attesi[3]) + ")";
}

Tabella tabella_segnali(const Decodificato& d) {
  Tabella t{"Signals",
            {"position m", "cell", "left sx: s1 s2 s3", "right dx: d1 d2 d3", "rapp", "time", "markers"},
            {true, true, false, false, true, true, false}, {}, {}};
  for (const Segnale& g : d.segnali)
    t.righe.push_back({metri(g.posizione), n(g.cella),
                       n(g.sx) + ": " + n(g.s1) + " " + n(g.s2) + " " + n(g.s3),
                       n(g.dx) + ": " + n(g.d1) + " " + n(g.d2) + " " + n(g.d3), n(g.rapp),
                       n(g.tempo), marcatori(g)});
  t.nota = "Markers are those of the cells 100, 200, 300 and 400 m before the signal.";
  return t;
}

Tabella tabella_rallentamenti(const Decodificato& d) {
  Tabella t{"Slowdowns",
            {"board m", "start m", "end m", "speed km/h", "d_v", "f_tt", "pre-warning"},
            {true, true, true, true, true, true, false}, {}, {}};
  for (const Rallentamento& r : d.rallentamenti)
    t.righe.push_back({r.cella_avviso ? metri((*r.cella_avviso - 1) * 50) : "-", metri(r.inizio()),
                       r.fine() ? metri(*r.fine()) : (r.cella_fine ? "-" : "same cell"),
                       n(r.velocita), n(r.d_v), n(r.f_tt), r.preavviso ? "yes" : "no"});
  return t;
}

Tabella tabella_cartelli(const Decodificato& d) {
  Tabella t{"Name boards", {"position m", "cell", "record", "text"}, {true, true, true, false}, {}, {}};
  for (const CartelloIndicatore& c : d.cartelli)
    t.righe.push_back({metri(c.posizione()), n(c.cella), n(c.voce),
                       c.voce_valida ? utf8(c.testo) : "(no such record)"});
  return t;
}

std::string tre(const IndicatoriVMax& b, bool sinistra) {
  std::string out;
  for (size_t i = 0; i < 3; ++i) {
    if (i) out += " ";
    const int16_t v = b.valori[i];
    out += n(sinistra ? v / 20 : (v % 20) * 5);
  }
  return out;
}

Tabella tabella_indicatori(const Decodificato& d) {
  Tabella t{"Speed-limit boards",
            {"position m", "cell", "left km/h", "right km/h", "stripes left/right", "packed"},
            {true, true, false, false, false, false}, {}, {}};
  for (const IndicatoriVMax& b : d.indicatori)
    t.righe.push_back({metri(b.posizione()), n(b.cella), tre(b, true), tre(b, false),
                       n(b.strisce / 10) + " / " + n(b.strisce % 10),
                       n(b.valori[0]) + " " + n(b.valori[1]) + " " + n(b.valori[2]) + " " + n(b.strisce)});
  t.nota = "Each speed is packed as 20 x left (km/h) + right / 5; the split assumes a right speed below 100 km/h.";
  return t;
}

std::string elenco_celle(const std::vector<int32_t>& celle) {
  std::string out;
  for (int32_t c : celle) {
    if (!out.empty()) out += ' ';
    out += n(c);
  }
  return out.empty() ? "-" : out;
}

Tabella tabella_gallerie(const Decodificato& d) {
  Tabella t{"Tunnels", {"#", "start m", "end m", "length m", "cells", "kind", "marker cells"},
            {true, true, true, true, false, true, false}, {}, {}};
  int32_t i = 0;
  for (const Galleria& g : d.gallerie)
    t.righe.push_back({n(++i), metri(g.inizio()), metri(g.fine()), metri(g.fine() - g.inizio()),
                       n(g.prima) + ".." + n(g.ultima), n(g.tipo), elenco_celle(g.marcatori)});
  t.nota = "Kind 3: a tunnel that begins 150 m or less after the previous one ends.";
  return t;
}

Tabella tabella_abbattimenti(const Decodificato& d) {
  Tabella t{"Abbattimento points", {"position m", "cell", "value"}, {true, true, true}, {}, {}};
  for (const Abbattimento& a : d.abbattimenti)
    t.righe.push_back({metri(a.posizione()), n(a.cella), a.ha_valore ? n(a.valore) : "none"});
  return t;
}

Tabella tabella_tratti(const std::string& titolo, const std::string& unita,
                       const std::vector<Tratto>& tratti, int32_t lunghezza) {
  Tabella t{titolo, {"from m", "to m", unita}, {true, true, true}, {}, {}};
  for (const Tratto& x : tratti)
    t.righe.push_back({metri(x.inizio()), metri(x.fine()), n(x.valore)});
  t.nota = "The grid runs 7 000 m beyond the end of the line at " + metri(lunghezza) +
           " m; its last cells are never filled.";
  return t;
}

}  // namespace

std::string metri(int64_t m) {
  std::string cifre = n(std::llabs(m));
  for (int64_t i = static_cast<int64_t>(cifre.size()) - 3; i > 0; i -= 3)
    cifre.insert(static_cast<size_t>(i), 1, ' ');
  return (m < 0 ? "-" : "") + cifre;
}

std::string chilometri(int64_t m) {
  const int64_t a = std::llabs(m);
  const std::string resto = n(a % 1000);
  return std::string("km ") + (m < 0 ? "-" : "") + n(a / 1000) + "+" +
         std::string(3 - resto.size(), '0') + resto;
}

Rapporto componi_rapporto(const Scenario& s, const Decodificato& d) {
  Rapporto r;
  r.titolo = "Scenario " + utf8(s.nome_linea()) + ", train " + utf8(s.numero_treno());
  generali_linea(s, r);
  r.tabelle.push_back(tabella_stazioni(s, d));
  r.tabelle.push_back(tabella_segnali(d));
  r.tabelle.push_back(tabella_rallentamenti(d));
  r.tabelle.push_back(tabella_cartelli(d));
  r.tabelle.push_back(tabella_indicatori(d));
  r.tabelle.push_back(tabella_gallerie(d));
  r.tabelle.push_back(tabella_abbattimenti(d));
  r.tabelle.push_back(tabella_tratti("Gradient runs", "per mille", d.pendenze, s.lunghezza));
  r.tabelle.push_back(tabella_tratti("Speed limit runs", "km/h", d.velocita, s.lunghezza));
  r.tabelle.push_back(tabella_tratti("Adhesion runs", "adhesion", d.aderenze, s.lunghezza));
  return r;
}

namespace {

/// Characters, not bytes, of UTF-8 text: what a terminal column counts.
size_t larghezza(const std::string& s) {
  return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

void render_tabella(const Tabella& t, std::string& out) {
  out += "\n" + t.titolo + " (" + n(static_cast<int64_t>(t.righe.size())) + ")\n";
  if (t.righe.empty()) {
    out += "  none\n";
    return;
  }
  std::vector<size_t> w(t.colonne.size());
  for (size_t c = 0; c < w.size(); ++c) {
    w[c] = larghezza(t.colonne[c]);
    for (const auto& r : t.righe) w[c] = std::max(w[c], larghezza(r[c]));
  }
  auto riga = [&](const std::vector<std::string>& celle) {
    std::string line = " ";
    for (size_t c = 0; c < w.size(); ++c) {
      const std::string pad(w[c] - larghezza(celle[c]), ' ');
      const bool ultima = c + 1 == w.size();
      line += ' ';
      if (t.a_destra[c]) line += pad;
      line += celle[c];
      if (!t.a_destra[c] && !ultima) line += pad;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  };
  riga(t.colonne);
  for (const auto& r : t.righe) riga(r);
  if (!t.nota.empty()) out += "  " + t.nota + "\n";
}

}  // namespace

std::string render_summary(const Rapporto& r) {
  std::string out = r.titolo + "\n\n";
  size_t w = 0;
  for (const auto& [k, v] : r.generali) w = std::max(w, larghezza(k));
  for (const auto& [k, v] : r.generali) out += k + std::string(w - larghezza(k) + 2, ' ') + v + "\n";
  for (const Tabella& t : r.tabelle) render_tabella(t, out);
  return out;
}
