#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/form1.h"
#include "compile/field_reader.h"
#include "compile/parole_chiave.h"
#include "model/numbers.h"
#include "platform/ansi.h"

// The train half of the compiler: reads the train description file entry by
// entry into the grid and the records, then deletes it. Read and conversion
// failures are not tested here: they throw, and the one failure trap of
// memorizza_dati turns them into code 25.

namespace {

/// How an entry leaves the main loop.
enum class Esito {
  avanti,        ///< go on with the next key
  fine_lettura,  ///< stop reading, then the end of reading (code 15)
  fallita,       ///< a code is recorded: delete the file and return at once
};

/// A run of speed limits or of adhesion values along the grid.
struct Corsa {
  int32_t cursore = 0;            ///< first cell not yet written
  std::optional<int32_t> valore;  ///< value of the last entry; none before the first
};

uint8_t byte_velocita(int32_t kmh) { return nearest_uint8(kmh / 5.0); }
uint8_t byte_aderenza(int32_t valore) { return low_byte(valore); }

bool contiene(std::string_view testo, std::string_view parola) {
  return testo.find(parola) != std::string_view::npos;
}

class CompilatoreTreno {
 public:
  CompilatoreTreno(Form1& f, std::string contenuto, int32_t limite_stazioni)
      : f_(f),
        r_(std::move(contenuto)),
        alto_(static_cast<int32_t>(f.percorso.size()) - 1),
        limite_(limite_stazioni) {}

  /// The search for "[generale]" and the main loop.
  Esito leggi();
  /// After the file is gone: the trailing runs and the chainage test.
  void fine_lettura();

 private:
  /// One entry of the train description: its keywords and the procedure
  /// that reads and applies its fields.
  struct Voce {
    const ParoleChiave& parole;
    Esito (CompilatoreTreno::*applica)();
  };
  static const std::array<Voce, parole_chiave::treno.size()> kVoci;

  bool cerca_generale();
  std::optional<std::string> prossima_chiave();
  std::string campo_chiave();
  Esito applica(const std::string& chiave);
  void scartata(SezioneLettura sezione, std::string_view chiave);
  void posizionata(std::string_view voce, int32_t posizione);

  Esito massa_frenata();
  Esito vetture();
  Esito velocita();
  Esito aderenza();
  Esito orologio();
  Esito sabbia();
  Esito segnale();
  Esito rallentamento();
  Esito abbattimento();
  Esito stazione();

  void leggi_campi_stazione(voce& v);
  static void banchina(voce& v, int32_t lunghezza);
  Esito fermata(const voce& v);

  bool oltre_griglia(int32_t posizione, int32_t margine) const;
  Esito ferma(int32_t posizione);
  Esito fallisci(int32_t codice);
  Esito fallisci(int32_t codice, int32_t posizione);
  Esito dopo_posa(int32_t posizione);

  void avanza(Corsa& corsa, int32_t posizione, int32_t valore, uint8_t (*in_byte)(int32_t),
              uint8_t cella::*campo);
  void chiudi(const Corsa& corsa, uint8_t (*in_byte)(int32_t), uint8_t cella::*campo);
  void scrivi(int64_t da, int64_t a, uint8_t valore, uint8_t cella::*campo);

  Form1& f_;
  FieldReader r_;
  const int32_t alto_;    ///< highest index of the grid
  const int32_t limite_;  ///< station records must stay below this one
  int32_t s_ = 1;         ///< record of the next station
  Corsa velocita_;
  Corsa aderenza_;
};

// The entries in the order their keywords are tested.
using parole_chiave::treno;
const std::array<CompilatoreTreno::Voce, treno.size()> CompilatoreTreno::kVoci = {{
    {treno[0], &CompilatoreTreno::massa_frenata},
    {treno[1], &CompilatoreTreno::vetture},
    {treno[2], &CompilatoreTreno::velocita},
    {treno[3], &CompilatoreTreno::aderenza},
    {treno[4], &CompilatoreTreno::orologio},
    {treno[5], &CompilatoreTreno::sabbia},
    {treno[6], &CompilatoreTreno::segnale},
    {treno[7], &CompilatoreTreno::rallentamento},
    {treno[8], &CompilatoreTreno::abbattimento},
    {treno[9], &CompilatoreTreno::stazione},
}};

// ----- Reading order -----

// Everything before the field holding "[generale]" is ignored; a file
// without it (an empty one too) yields no entries and no error.
bool CompilatoreTreno::cerca_generale() {
  while (!r_.fine_file()) {
    f_.riga = r_.leggi_testo();
    if (contiene(minuscolo(f_.riga), "[generale]")) return true;
    if (f_.ascoltatore)
      f_.ascoltatore->key_dropped(FileDescrizione::treno, r_.riga(),
                                  SezioneLettura::prima_del_generale, f_.riga);
  }
  return false;
}

Esito CompilatoreTreno::leggi() {
  if (!cerca_generale()) return Esito::fine_lettura;
  while (!r_.fine_file()) {
    const std::optional<std::string> chiave = prossima_chiave();
    if (!chiave) break;
    const Esito esito = applica(*chiave);
    if (esito != Esito::avanti) return esito;
  }
  return Esito::fine_lettura;
}

/// The next key after at most two comment fields (fields holding "-"): the
/// third field in a row is the key whatever it holds. The last field of the
/// file is never interpreted, which is why the file ends with a closing line.
std::optional<std::string> CompilatoreTreno::prossima_chiave() {
  std::string chiave = campo_chiave();
  for (int salti = 0;; ++salti) {
    if (r_.fine_file()) {
      scartata(SezioneLettura::voci, chiave);
      return std::nullopt;
    }
    if (salti == 2 || !contiene(chiave, "-")) return chiave;
    chiave = campo_chiave();
  }
}

std::string CompilatoreTreno::campo_chiave() {
  f_.riga = r_.leggi_testo();
  f_.sorgente = {FileDescrizione::treno, r_.riga(), false};
  return f_.riga;
}

// Every entry whose keywords the key holds starts, in table order, each
// reading its own fields; a key holding none is dropped.
Esito CompilatoreTreno::applica(const std::string& chiave) {
  const std::string minuscola = minuscolo(chiave);
  bool riconosciuta = false;
  for (const Voce& voce : kVoci) {
    if (!voce.parole.in(chiave, minuscola)) continue;
    riconosciuta = true;
    const Esito esito = (this->*voce.applica)();
    if (esito != Esito::avanti) return esito;
  }
  if (!riconosciuta) scartata(SezioneLettura::voci, chiave);
  return Esito::avanti;
}

void CompilatoreTreno::scartata(SezioneLettura sezione, std::string_view chiave) {
  if (f_.ascoltatore)
    f_.ascoltatore->key_dropped(FileDescrizione::treno, f_.sorgente.riga, sezione, chiave);
}

void CompilatoreTreno::posizionata(std::string_view voce, int32_t posizione) {
  if (f_.ascoltatore)
    f_.ascoltatore->entry_read(FileDescrizione::treno, f_.sorgente.riga, voce, posizione);
}

// ----- Outcomes -----

/// The range test: the position plus its margin must not lie beyond the
/// highest cell. Real arithmetic, so no position can wrap past it.
bool CompilatoreTreno::oltre_griglia(int32_t posizione, int32_t margine) const {
  return int64_t{posizione} + margine > 50 * int64_t{alto_};
}

Esito CompilatoreTreno::ferma(int32_t posizione) {
  f_.codice_errore = 15;
  f_.posizione_errore = posizione;
  return Esito::fine_lettura;
}

Esito CompilatoreTreno::fallisci(int32_t codice) {
  f_.codice_errore = codice;
  return Esito::fallita;
}

Esito CompilatoreTreno::fallisci(int32_t codice, int32_t posizione) {
  f_.posizione_errore = posizione;
  return fallisci(codice);
}

/// After a signal or a slowdown: any code standing now ends the reading, also
/// a 15 that the line half left behind.
Esito CompilatoreTreno::dopo_posa(int32_t posizione) {
  if (f_.codice_errore <= 0) return Esito::avanti;
  f_.posizione_errore = posizione;
  return Esito::fallita;
}

// ----- General entries -----

Esito CompilatoreTreno::massa_frenata() {
  f_.voci[voce_fissa::generale].inizio = r_.leggi_int32();
  return Esito::avanti;
}

Esito CompilatoreTreno::vetture() {
  f_.voci[voce_fissa::generale].posizione = r_.leggi_int32();
  return Esito::avanti;
}

Esito CompilatoreTreno::orologio() {
  voce& treno = f_.voci[voce_fissa::treno];
  treno.campo10 = r_.leggi_int16();
  treno.campo11 = r_.leggi_int16();
  treno.campo12 = r_.leggi_int16();
  return Esito::avanti;
}

Esito CompilatoreTreno::sabbia() {
  f_.voci[voce_fissa::treno].campo7 = r_.leggi_int16();
  return Esito::avanti;
}

// ----- Speed-limit and adhesion runs -----

Esito CompilatoreTreno::velocita() {
  const int32_t posizione = r_.leggi_int32();
  const int32_t kmh = r_.leggi_int32();
  posizionata("velocita", posizione);
  if (oltre_griglia(posizione, 100)) return ferma(posizione);
  avanza(velocita_, posizione, kmh, byte_velocita, &cella::velocita);
  return Esito::avanti;
}

Esito CompilatoreTreno::aderenza() {
  const int32_t posizione = r_.leggi_int32();
  const int32_t valore = r_.leggi_int32();
  posizionata("aderenza", posizione);
  if (oltre_griglia(posizione, 100)) return ferma(posizione);
  avanza(aderenza_, posizione, valore, byte_aderenza, &cella::aderenza);
  return Esito::avanti;
}

// The value of the previous entry fills the cells from the cursor up to the
// cell before this entry's cell. The runs must come in ascending order; a
// run that does not lie ahead of the cursor (out of order, in the same cell
// as the previous one, or at a negative position) writes no cell and does
// not move the cursor back, so cells once written keep their value, and it
// only changes the value that holds from the cursor on. Before the first
// entry of its kind there is no value: the first entry's own value holds
// back to the origin, so a first entry that is not at 0 leaves no leading
// cells at speed or adhesion 0.
void CompilatoreTreno::avanza(Corsa& corsa, int32_t posizione, int32_t valore,
                              uint8_t (*in_byte)(int32_t), uint8_t cella::*campo) {
  if (!corsa.valore) corsa.valore = valore;
  const int32_t n = nearest_int32(posizione / 50.0);
  if (n > corsa.cursore) {
    scrivi(corsa.cursore, n - 1, in_byte(*corsa.valore), campo);
    corsa.cursore = n;
  }
  corsa.valore = valore;
}

// The last value runs up to the cell N - 3; a cursor already at N - 2 or
// beyond gets its own cell alone. A file without any entry of the kind
// writes 0.
void CompilatoreTreno::chiudi(const Corsa& corsa, uint8_t (*in_byte)(int32_t),
                              uint8_t cella::*campo) {
  const uint8_t valore = in_byte(corsa.valore.value_or(0));
  const int64_t ultimo = std::max<int64_t>(corsa.cursore, int64_t{alto_} - 3);
  scrivi(corsa.cursore, ultimo, valore, campo);
}

void CompilatoreTreno::scrivi(int64_t da, int64_t a, uint8_t valore, uint8_t cella::*campo) {
  for (int64_t i = std::max<int64_t>(da, 0); i <= std::min<int64_t>(a, alto_); ++i)
    f_.percorso[static_cast<size_t>(i)].*campo = valore;
}

// ----- Signals, slowdowns, abbattimento points -----

Esito CompilatoreTreno::segnale() {
  // posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo
  std::array<int32_t, 11> g{};
  for (int32_t& valore : g) valore = r_.leggi_int32();
  posizionata("segnale", g[0]);
  if (oltre_griglia(g[0], 100)) return ferma(g[0]);
  f_.memo_segnale(g[0], g[1], g[2], g[3], g[4], g[5], g[6], g[7], g[8], g[9], g[10]);
  return dopo_posa(g[0]);
}

Esito CompilatoreTreno::rallentamento() {
  // x, v, l, f_tt, f_ta, d_v
  std::array<int32_t, 6> g{};
  for (int32_t& valore : g) valore = r_.leggi_int32();
  posizionata("rallentamento", g[0]);
  if (oltre_griglia(g[0], 100)) return ferma(g[0]);
  f_.memo_rallentamento(g[0], g[1], g[2], g[3], g[4], g[5]);
  return dopo_posa(g[0]);
}

// A point at a negative position has no cell in the grid: it is refused
// with code 7, like a point whose cell is occupied.
Esito CompilatoreTreno::abbattimento() {
  const int32_t posizione = r_.leggi_int32();
  const int32_t valore = r_.leggi_int32();
  posizionata("abbattimento", posizione);
  if (oltre_griglia(posizione, 100)) return ferma(posizione);
  const int64_t j = static_cast<int64_t>(nearest(posizione / 50.0));
  if (j < 0 || j > alto_ || !cella_libera(f_.percorso[static_cast<size_t>(j)]))
    return fallisci(7, posizione);
  cella& c = f_.percorso[static_cast<size_t>(j)];
  if (valore > 0) {
    c.tipo = tipo_cella::abbattimento;
    c.dato1 = wrap16(valore);
  } else {
    c.tipo = tipo_cella::abbattimento_senza_valore;
  }
  return Esito::avanti;
}

// ----- Stations -----

// The fields go one at a time straight into the record, each check at its
// place, so the fields before a failing check stay stored.
Esito CompilatoreTreno::stazione() {
  // Stations share records 1 to 80 with the name boards of the line. The
  // counter test after each station keeps them below the lowest board; a
  // line whose boards take every record down to 1 leaves no record at all,
  // and the station is then refused before it could overwrite a board.
  if (s_ > std::min(limite_, voce_fissa::primo_cartello)) return fallisci(10);
  voce& v = f_.voci[static_cast<size_t>(s_)];
  const int32_t posizione = v.posizione = r_.leggi_int32();
  if (oltre_griglia(posizione, 800)) return ferma(posizione);
  if (posizione % 50 != 0) return fallisci(8, posizione);
  v.tipo = r_.leggi_uint8();
  const int32_t lunghezza = r_.leggi_int32();
  if (lunghezza % 100 != 0) return fallisci(9, posizione);
  leggi_campi_stazione(v);
  posizionata("stazione", posizione);

  banchina(v, lunghezza);
  if (lunghezza < 600) v.campo5 = 0;
  if (s_ == 1) {
    v.campo5 = 0;
    v.prolunga = 0;
  }
  if (v.tipo < 25) {
    const Esito esito = fermata(v);
    if (esito != Esito::avanti) return esito;
  }
  if (s_ > 1 && int64_t{v.inizio} - 350 < f_.voci[static_cast<size_t>(s_ - 1)].fine)
    return fallisci(22, posizione);
  ++s_;
  if (s_ >= limite_) return fallisci(10);
  return Esito::avanti;
}

// F4 to F16 and the name.
void CompilatoreTreno::leggi_campi_stazione(voce& v) {
  v.campo4 = r_.leggi_uint8();
  v.campo5 = r_.leggi_uint8();
  v.prolunga = r_.leggi_uint8();
  v.campo7 = r_.leggi_int16();
  v.campo8 = r_.leggi_int16();
  v.campo9 = r_.leggi_uint8();
  v.campo10 = r_.leggi_int16();
  v.campo11 = r_.leggi_int16();
  v.campo12 = r_.leggi_int16();
  v.campo13 = r_.leggi_uint8();
  const int64_t ore = r_.leggi_int32();
  const int64_t minuti = r_.leggi_int32();
  const int64_t secondi = r_.leggi_int32();
  v.orario = wrap32((ore * 60 + minuti) * 60 + secondi);
  f_.riga = r_.leggi_testo();
  v.nome = f_.riga;
}

/// Platform start and end by station type.
void CompilatoreTreno::banchina(voce& v, int32_t lunghezza) {
  const int64_t p = v.posizione;
  switch (v.tipo) {
    case 5:
    case 6:
      v.inizio = wrap32(p - lunghezza);
      v.fine = wrap32(p + 150);
      v.prolunga = 0;
      break;
    case 7:
    case 8:
      v.inizio = wrap32(p - lunghezza);
      v.fine = wrap32(p + lunghezza);
      v.prolunga = 0;
      break;
    default:
      v.inizio = wrap32(p - lunghezza / 2);
      v.fine = wrap32(p + lunghezza / 2 + (v.prolunga != 0 ? 50 : 0));
      break;
  }
}

// The stop cell one cell before the platform end, and (except for types 5
// and 6) the markers 81 to 84 in the four cells before it, none in cells 0
// and 1. The stop cell is written whatever the cell held. A platform that
// ends beyond the grid has no stop cell there: it stops the reading with
// code 15, as a station position beyond the grid does.
Esito CompilatoreTreno::fermata(const voce& v) {
  const int64_t h = static_cast<int64_t>(nearest(v.fine / 50.0)) - 1;
  if (h > alto_) return ferma(v.posizione);
  if (v.tipo != 5 && v.tipo != 6) {
    for (int32_t k = 1; k <= 4; ++k) {
      const int64_t m = h - k;
      if (m > 1) f_.percorso[static_cast<size_t>(m)].marcatore = low_byte(80 + k);
    }
  }
  if (h <= 1) return fallisci(24);
  cella& stop = f_.percorso[static_cast<size_t>(h)];
  stop.tipo = tipo_cella::fermata;
  stop.dato1 = wrap16(s_);
  return Esito::avanti;
}

// ----- End of reading -----

void CompilatoreTreno::fine_lettura() {
  chiudi(velocita_, byte_velocita, &cella::velocita);
  chiudi(aderenza_, byte_aderenza, &cella::aderenza);
  for (int32_t i = voce_fissa::progressiva_1; i <= voce_fissa::progressiva_3; ++i) {
    const voce& riferimento = f_.voci[static_cast<size_t>(i)];
    if (riferimento.inizio % 50 != 0 || riferimento.fine % 50 != 0) {
      f_.codice_errore = 2;
      f_.sorgente = {FileDescrizione::treno, r_.riga(), true};
    }
  }
}

}  // namespace

void Form1::memorizza_treno(int32_t limite_stazioni) {
  sorgente = {FileDescrizione::treno, 0, false};
  const std::filesystem::path file = nome_file(ScenarioFile::train_description);
  CompilatoreTreno compilatore(*this, platform.read_file(file), limite_stazioni);
  const Esito esito = compilatore.leggi();
  platform.delete_file(file);
  if (esito == Esito::fallita) return;
  compilatore.fine_lettura();
}
