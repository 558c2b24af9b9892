#include <charconv>
#include <cmath>

#include "platform/ansi.h"
#include "render.h"

namespace {

/// A JSON writer that only appends: keys and values in the order given,
/// commas placed by the writer.
class Json {
 public:
  explicit Json(std::string& out) : out_(out) {}

  void apri(char c) { virgola(); out_ += c; primo_ = true; }
  void chiudi(char c) { out_ += c; primo_ = false; }
  void chiave(std::string_view k) {
    virgola();
    out_ += '"';
    out_ += k;
    out_ += "\":";
    primo_ = true;  // the value follows without a comma
  }
  void intero(int64_t v) {
    virgola();
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, r.ptr);
  }
  void reale(double v) {
    virgola();
    if (!std::isfinite(v)) {  // JSON has no NaN or infinity
      out_ += "null";
      return;
    }
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, r.ptr);
  }
  void nullo() { virgola(); out_ += "null"; }
  void booleano(bool b) { virgola(); out_ += b ? "true" : "false"; }
  void testo(const std::string& utf8) { virgola(); out_ += '"' + json_testo(utf8) + '"'; }

  template <class T>
  void campo(std::string_view k, T v) {
    chiave(k);
    intero(static_cast<int64_t>(v));
  }

 private:
  void virgola() {
    if (!primo_) out_ += ',';
    primo_ = false;
  }
  std::string& out_;
  bool primo_ = true;
};

void scrivi_voce(Json& j, const voce& v) {
  j.apri('{');
  j.campo("tipo", v.tipo);
  j.campo("inizio", v.inizio);
  j.campo("fine", v.fine);
  j.campo("posizione", v.posizione);
  j.campo("campo4", v.campo4);
  j.chiave("nome");
  j.testo(cp1252_a_utf8(v.nome));
  j.campo("campo7", v.campo7);
  j.campo("campo8", v.campo8);
  j.campo("campo10", v.campo10);
  j.campo("campo11", v.campo11);
  j.campo("campo12", v.campo12);
  j.campo("campo9", v.campo9);
  j.campo("campo13", v.campo13);
  j.campo("prolunga", v.prolunga);
  j.campo("campo5", v.campo5);
  j.campo("orario", v.orario);
  j.chiudi('}');
}

void scrivi_cella(Json& j, const cella& c) {
  j.apri('{');
  j.campo("tipo", c.tipo);
  j.campo("dato1", c.dato1);
  j.campo("dato2", c.dato2);
  j.campo("dato3", c.dato3);
  j.campo("dato4", c.dato4);
  j.campo("tempo_segnale", c.tempo_segnale);
  j.campo("marcatore", c.marcatore);
  j.campo("montagna", c.montagna);
  j.campo("velocita", c.velocita);
  j.campo("pendenza", c.pendenza);
  j.campo("aderenza", c.aderenza);
  j.chiudi('}');
}

void scrivi_colonna(Json& j, const Tracciato& t, size_t colonna) {
  j.apri('[');
  for (int32_t m = 0; m < t.righe(); ++m) {
    if (t.tipo(m) == TipoVariante::vuoto) j.nullo();
    else j.reale(t.punti[static_cast<size_t>(m)][colonna]);
  }
  j.chiudi(']');
}

void scrivi_controllo(Json& j, std::string_view k, const Controllo& c) {
  j.chiave(k);
  j.apri('{');
  j.campo("found", c.trovato);
  j.campo("expected", c.atteso);
  j.chiave("valid");
  j.booleano(c.valido());
  j.chiudi('}');
}

void scrivi_controlli(Json& j, const Controlli& c) {
  j.chiave("checks");
  j.apri('{');
  j.chiave("valid");
  j.booleano(c.validi());
  scrivi_controllo(j, "cell_marker", c.marcatore);
  scrivi_controllo(j, "record_marker", c.marcatore_voce);
  scrivi_controllo(j, "plain_code", c.codice_semplice);
  scrivi_controllo(j, "weighted_code", c.codice_pesato);
  j.chiudi('}');
}

template <class T, class F>
void lista(Json& j, std::string_view k, const std::vector<T>& v, F scrivi) {
  j.chiave(k);
  j.apri('[');
  for (const T& x : v) {
    j.apri('{');
    scrivi(x);
    j.chiudi('}');
  }
  j.chiudi(']');
}

void scrivi_opzionale(Json& j, std::string_view k, const std::optional<int32_t>& v) {
  j.chiave(k);
  if (v) j.intero(*v);
  else j.nullo();
}

void scrivi_decodificato(Json& j, const Scenario& s, const Decodificato& d) {
  j.chiave("decoded");
  j.apri('{');
  lista(j, "stations", d.stazioni, [&](const Stazione& x) {
    j.campo("record", x.voce);
    scrivi_opzionale(j, "stop_cell", x.cella_fermata);
    j.chiave("orario");
    j.testo(ora(s.voci[static_cast<size_t>(x.voce)].orario));
  });
  lista(j, "signals", d.segnali, [&](const Segnale& x) {
    j.campo("cell", x.cella);
    j.campo("posizione", x.posizione);
    for (auto [k, v] : {std::pair{"sx", x.sx}, {"s1", x.s1}, {"s2", x.s2}, {"s3", x.s3},
                        {"rapp", x.rapp}, {"dx", x.dx}, {"d1", x.d1}, {"d2", x.d2}, {"d3", x.d3}})
      j.campo(k, v);
    j.campo("tempo", x.tempo);
    j.chiave("markers");
    j.apri('[');
    for (uint8_t m : x.marcatori) j.intero(m);
    j.chiudi(']');
  });
  lista(j, "slowdowns", d.rallentamenti, [&](const Rallentamento& x) {
    j.campo("start_cell", x.cella_inizio);
    scrivi_opzionale(j, "end_cell", x.cella_fine);
    scrivi_opzionale(j, "warning_cell", x.cella_avviso);
    j.chiave("pre_warning");
    j.booleano(x.preavviso);
    j.campo("velocita", x.velocita);
    j.campo("d_v", x.d_v);
    j.campo("f_tt", x.f_tt);
  });
  lista(j, "name_boards", d.cartelli, [&](const CartelloIndicatore& x) {
    j.campo("cell", x.cella);
    j.campo("posizione", x.posizione());
    j.campo("record", x.voce);
    j.chiave("text");
    if (x.voce_valida) j.testo(cp1252_a_utf8(x.testo));
    else j.nullo();
  });
  lista(j, "speed_limit_boards", d.indicatori, [&](const IndicatoriVMax& x) {
    j.campo("cell", x.cella);
    j.campo("posizione", x.posizione());
  });
  lista(j, "tunnels", d.gallerie, [&](const Galleria& x) {
    j.campo("first_cell", x.prima);
    j.campo("last_cell", x.ultima);
    j.campo("inizio", x.inizio());
    j.campo("fine", x.fine());
    j.campo("tipo", x.tipo);
    j.chiave("markers");
    j.apri('[');
    for (int32_t m : x.marcatori) j.intero(m);
    j.chiudi(']');
  });
  lista(j, "abbattimento_points", d.abbattimenti, [&](const Abbattimento& x) {
    j.campo("cell", x.cella);
    j.chiave("value");
    if (x.ha_valore) j.intero(x.valore);
    else j.nullo();
  });
  auto tratti = [&](std::string_view k, const std::vector<Tratto>& v) {
    lista(j, k, v, [&](const Tratto& x) {
      j.campo("first_cell", x.prima);
      j.campo("last_cell", x.ultima);
      j.campo("value", x.valore);
    });
  };
  tratti("pendenza", d.pendenze);
  tratti("velocita", d.velocita);
  tratti("aderenza", d.aderenze);
  j.chiudi('}');
}

}  // namespace

std::string json_testo(const std::string& utf8) {
  std::string out;
  for (char ch : utf8) {
    const auto b = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (b < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    } else {
      out += ch;
    }
  }
  return out;
}

std::string render_json(const Scenario& s, const Decodificato& d) {
  std::string out;
  out.reserve(s.percorso.size() * 160 + static_cast<size_t>(s.tracciato.righe()) * 40 + 65536);
  Json j(out);
  j.apri('{');
  j.chiave("nome_linea");
  j.testo(cp1252_a_utf8(s.nome_linea()));
  j.chiave("numero_treno");
  j.testo(cp1252_a_utf8(s.numero_treno()));
  j.campo("length", s.lunghezza);
  scrivi_controlli(j, s.controlli);
  j.chiave("voci");
  j.apri('[');
  for (const voce& v : s.voci) scrivi_voce(j, v);
  j.chiudi(']');
  j.chiave("percorso");
  j.apri('[');
  for (const cella& c : s.percorso) scrivi_cella(j, c);
  j.chiudi(']');
  j.chiave("tracciato");
  if (s.ha_tracciato) {
    j.apri('{');
    j.campo("rows", s.tracciato.righe());
    j.campo("computed", s.tracciato.calcolati);
    j.chiave("x");
    scrivi_colonna(j, s.tracciato, 0);
    j.chiave("y");
    scrivi_colonna(j, s.tracciato, 1);
    j.chiudi('}');
  } else {
    j.nullo();
  }
  scrivi_decodificato(j, s, d);
  j.chiudi('}');
  out += '\n';
  return out;
}
