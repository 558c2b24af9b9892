#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/form1.h"
#include "compile/description_reader.h"
#include "compile/field_reader.h"
#include "compile/parole_chiave.h"
#include "model/numbers.h"
#include "platform/ansi.h"

// The train half of the compiler: reads the train description file entry by
// entry into the grid and the records, then deletes it. Read and conversion
// failures are not tested here: they throw, and the one failure trap of
// memorizza_dati turns them into code 25.

namespace {

/// A run of speed limits or of adhesion values along the grid.
struct Corsa {
  int32_t cursore = 0;            ///< first cell not yet written
  std::optional<int32_t> valore;  ///< value of the last entry; none before the first
};

uint8_t byte_velocita(int32_t kmh) { return nearest_uint8(kmh / 5.0); }
uint8_t byte_aderenza(int32_t valore) { return low_byte(valore); }

/// Up to two comment fields in a row are skipped, and the end of the file
/// stops the skip; the third field is the key whatever it holds.
inline constexpr int passi_commento = 2;
inline constexpr bool fine_ferma_salto = true;

class CompilatoreTreno : public DescriptionReader {
 public:
  CompilatoreTreno(Form1& f, std::string contenuto, int32_t limite_stazioni)
      : DescriptionReader(f, FileDescrizione::treno, std::move(contenuto)),
        alto_(static_cast<int32_t>(f.percorso.size()) - 1),
        limite_(limite_stazioni) {}

  /// The search for "[generale]" and the main loop.
  ReadOutcome leggi();
  /// After the file is gone: the trailing runs and the chainage test.
  void fine_lettura();

 private:
  /// The entries in the order their keywords are tested.
  static const std::array<KeywordRow<CompilatoreTreno>, parole_chiave::treno.size()> kVoci;

  ReadOutcome massa_frenata(const std::string&);
  ReadOutcome vetture(const std::string&);
  ReadOutcome velocita(const std::string&);
  ReadOutcome aderenza(const std::string&);
  ReadOutcome orologio(const std::string&);
  ReadOutcome sabbia(const std::string&);
  ReadOutcome segnale(const std::string&);
  ReadOutcome rallentamento(const std::string&);
  ReadOutcome abbattimento(const std::string&);
  ReadOutcome stazione(const std::string&);

  void leggi_campi_stazione(voce& v);
  static void banchina(voce& v, int32_t lunghezza);
  ReadOutcome fermata(const voce& v, const LuogoSorgente& campo_posizione);

  bool oltre_griglia(int32_t posizione, int32_t margine) const;
  ReadOutcome ferma(int32_t posizione, const LuogoSorgente& campo);
  ReadOutcome fallisci(int32_t codice, const LuogoSorgente& campo);
  ReadOutcome fallisci(int32_t codice, int32_t posizione, const LuogoSorgente& campo);
  ReadOutcome dopo_posa(int32_t codice_prima, int32_t posizione, const LuogoSorgente& campo);

  void avanza(Corsa& corsa, int32_t posizione, int32_t valore, uint8_t (*in_byte)(int32_t),
              uint8_t cella::*campo);
  void chiudi(const Corsa& corsa, uint8_t (*in_byte)(int32_t), uint8_t cella::*campo);
  void scrivi(int64_t da, int64_t a, uint8_t valore, uint8_t cella::*campo);

  const int32_t alto_;    ///< highest index of the grid
  const int32_t limite_;  ///< station records must stay below this one
  int32_t s_ = 1;         ///< record of the next station
  Corsa velocita_;
  Corsa aderenza_;
};

using parole_chiave::treno;
const std::array<KeywordRow<CompilatoreTreno>, treno.size()> CompilatoreTreno::kVoci = {{
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
// without it (an empty one too) yields no entries and no error. The last
// field of the file is never interpreted, which is why the file ends with a
// closing line. Every entry whose keywords the key holds starts, in table
// order, each reading its own fields; a key holding none is dropped.
ReadOutcome CompilatoreTreno::leggi() {
  if (!find_general(true)) return ReadOutcome::stop_reading;
  while (!lettore_.fine_file()) {
    const std::optional<std::string> chiave =
        next_key(passi_commento, fine_ferma_salto, SezioneLettura::voci);
    if (!chiave) break;
    bool riconosciuta = false;
    const ReadOutcome esito = dispatch(kVoci, *chiave, riconosciuta);
    if (esito != ReadOutcome::go_on) return esito;
    if (!riconosciuta) drop(*chiave, SezioneLettura::voci);
  }
  return ReadOutcome::stop_reading;
}

// ----- Outcomes -----

/// The range test: the position plus its margin must not lie beyond the
/// highest cell. Real arithmetic, so no position can wrap past it.
bool CompilatoreTreno::oltre_griglia(int32_t posizione, int32_t margine) const {
  return int64_t{posizione} + margine > 50 * int64_t{alto_};
}

ReadOutcome CompilatoreTreno::ferma(int32_t posizione, const LuogoSorgente& campo) {
  f_.record_code(15, posizione, campo);
  return ReadOutcome::stop_reading;
}

ReadOutcome CompilatoreTreno::fallisci(int32_t codice, const LuogoSorgente& campo) {
  f_.record_code(codice, std::nullopt, campo);
  return ReadOutcome::failed;
}

ReadOutcome CompilatoreTreno::fallisci(int32_t codice, int32_t posizione,
                                       const LuogoSorgente& campo) {
  f_.record_code(codice, posizione, campo);
  return ReadOutcome::failed;
}

/// After a signal or a slowdown: any code standing now ends the reading, also
/// a 15 that the line half left behind. A code the placement recorded itself
/// (16 to 20, never 15) already carries this entry's position; a 15 left
/// standing is recorded again here, at this entry: the code stays, its
/// position becomes this entry's.
ReadOutcome CompilatoreTreno::dopo_posa(int32_t codice_prima, int32_t posizione,
                                        const LuogoSorgente& campo) {
  if (f_.codice_errore <= 0) return ReadOutcome::go_on;
  if (f_.codice_errore == codice_prima) f_.record_code(f_.codice_errore, posizione, campo);
  return ReadOutcome::failed;
}

// ----- General entries -----

ReadOutcome CompilatoreTreno::massa_frenata(const std::string&) {
  f_.voci[voce_fissa::generale].inizio = lettore_.leggi_int32();
  return ReadOutcome::go_on;
}

ReadOutcome CompilatoreTreno::vetture(const std::string&) {
  f_.voci[voce_fissa::generale].posizione = lettore_.leggi_int32();
  return ReadOutcome::go_on;
}

ReadOutcome CompilatoreTreno::orologio(const std::string&) {
  voce& treno = f_.voci[voce_fissa::treno];
  treno.campo10 = lettore_.leggi_int16();
  treno.campo11 = lettore_.leggi_int16();
  treno.campo12 = lettore_.leggi_int16();
  return ReadOutcome::go_on;
}

ReadOutcome CompilatoreTreno::sabbia(const std::string&) {
  f_.voci[voce_fissa::treno].campo7 = lettore_.leggi_int16();
  return ReadOutcome::go_on;
}

// ----- Speed-limit and adhesion runs -----

ReadOutcome CompilatoreTreno::velocita(const std::string&) {
  const int32_t posizione = lettore_.leggi_int32();
  const LuogoSorgente campo = last_field();
  const int32_t kmh = lettore_.leggi_int32();
  entry_read("velocita", posizione);
  if (oltre_griglia(posizione, 100)) return ferma(posizione, campo);
  avanza(velocita_, posizione, kmh, byte_velocita, &cella::velocita);
  return ReadOutcome::go_on;
}

ReadOutcome CompilatoreTreno::aderenza(const std::string&) {
  const int32_t posizione = lettore_.leggi_int32();
  const LuogoSorgente campo = last_field();
  const int32_t valore = lettore_.leggi_int32();
  entry_read("aderenza", posizione);
  if (oltre_griglia(posizione, 100)) return ferma(posizione, campo);
  avanza(aderenza_, posizione, valore, byte_aderenza, &cella::aderenza);
  return ReadOutcome::go_on;
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

ReadOutcome CompilatoreTreno::segnale(const std::string&) {
  // posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo
  std::array<int32_t, 11> g{};
  g[0] = lettore_.leggi_int32();
  const LuogoSorgente campo = last_field();
  for (size_t i = 1; i < g.size(); ++i) g[i] = lettore_.leggi_int32();
  entry_read("segnale", g[0]);
  if (oltre_griglia(g[0], 100)) return ferma(g[0], campo);
  const int32_t codice_prima = f_.codice_errore;
  f_.entry_being_placed = campo;
  f_.memo_segnale(g[0], g[1], g[2], g[3], g[4], g[5], g[6], g[7], g[8], g[9], g[10]);
  return dopo_posa(codice_prima, g[0], campo);
}

ReadOutcome CompilatoreTreno::rallentamento(const std::string&) {
  // x, v, l, f_tt, f_ta, d_v
  std::array<int32_t, 6> g{};
  g[0] = lettore_.leggi_int32();
  const LuogoSorgente campo = last_field();
  for (size_t i = 1; i < g.size(); ++i) g[i] = lettore_.leggi_int32();
  entry_read("rallentamento", g[0]);
  if (oltre_griglia(g[0], 100)) return ferma(g[0], campo);
  const int32_t codice_prima = f_.codice_errore;
  f_.entry_being_placed = campo;
  f_.memo_rallentamento(g[0], g[1], g[2], g[3], g[4], g[5]);
  return dopo_posa(codice_prima, g[0], campo);
}

// A point at a negative position has no cell in the grid: it is refused
// with code 7, like a point whose cell is occupied.
ReadOutcome CompilatoreTreno::abbattimento(const std::string&) {
  const int32_t posizione = lettore_.leggi_int32();
  const LuogoSorgente campo = last_field();
  const int32_t valore = lettore_.leggi_int32();
  entry_read("abbattimento", posizione);
  if (oltre_griglia(posizione, 100)) return ferma(posizione, campo);
  const int64_t j = static_cast<int64_t>(nearest(posizione / 50.0));
  if (j < 0 || j > alto_ || !cella_libera(f_.percorso[static_cast<size_t>(j)]))
    return fallisci(7, posizione, campo);
  cella& c = f_.percorso[static_cast<size_t>(j)];
  if (valore > 0) {
    c.tipo = tipo_cella::abbattimento;
    c.dato1 = wrap16(valore);
  } else {
    c.tipo = tipo_cella::abbattimento_senza_valore;
  }
  return ReadOutcome::go_on;
}

// ----- Stations -----

// The fields go one at a time straight into the record, each check at its
// place, so the fields before a failing check stay stored.
ReadOutcome CompilatoreTreno::stazione(const std::string&) {
  // Stations share records 1 to 80 with the name boards of the line. The
  // counter test after each station keeps them below the lowest board; a
  // line whose boards take every record down to 1 leaves no record at all,
  // and the station is then refused before it could overwrite a board.
  //
  // Code 10 concerns the station as a whole (its key); codes 8, 15, 22 and
  // 24 its position field; code 9 its platform length field.
  const LuogoSorgente chiave = f_.sorgente;
  if (s_ > std::min(limite_, voce_fissa::primo_cartello)) return fallisci(10, chiave);
  voce& v = f_.voci[static_cast<size_t>(s_)];
  const int32_t posizione = v.posizione = lettore_.leggi_int32();
  const LuogoSorgente campo = last_field();
  if (oltre_griglia(posizione, 800)) return ferma(posizione, campo);
  if (posizione % 50 != 0) return fallisci(8, posizione, campo);
  v.tipo = lettore_.leggi_uint8();
  const int32_t lunghezza = lettore_.leggi_int32();
  if (lunghezza % 100 != 0) return fallisci(9, posizione, last_field());
  leggi_campi_stazione(v);
  entry_read("stazione", posizione);

  banchina(v, lunghezza);
  if (lunghezza < 600) v.campo5 = 0;
  if (s_ == 1) {
    v.campo5 = 0;
    v.prolunga = 0;
  }
  if (v.tipo < 25) {
    const ReadOutcome esito = fermata(v, campo);
    if (esito != ReadOutcome::go_on) return esito;
  }
  if (s_ > 1 && int64_t{v.inizio} - 350 < f_.voci[static_cast<size_t>(s_ - 1)].fine)
    return fallisci(22, posizione, campo);
  ++s_;
  if (s_ >= limite_) return fallisci(10, chiave);
  return ReadOutcome::go_on;
}

// F4 to F16 and the name.
void CompilatoreTreno::leggi_campi_stazione(voce& v) {
  v.campo4 = lettore_.leggi_uint8();
  v.campo5 = lettore_.leggi_uint8();
  v.prolunga = lettore_.leggi_uint8();
  v.campo7 = lettore_.leggi_int16();
  v.campo8 = lettore_.leggi_int16();
  v.campo9 = lettore_.leggi_uint8();
  v.campo10 = lettore_.leggi_int16();
  v.campo11 = lettore_.leggi_int16();
  v.campo12 = lettore_.leggi_int16();
  v.campo13 = lettore_.leggi_uint8();
  const int64_t ore = lettore_.leggi_int32();
  const int64_t minuti = lettore_.leggi_int32();
  const int64_t secondi = lettore_.leggi_int32();
  v.orario = wrap32((ore * 60 + minuti) * 60 + secondi);
  f_.riga = lettore_.leggi_testo();
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
ReadOutcome CompilatoreTreno::fermata(const voce& v, const LuogoSorgente& campo_posizione) {
  const int64_t h = static_cast<int64_t>(nearest(v.fine / 50.0)) - 1;
  if (h > alto_) return ferma(v.posizione, campo_posizione);
  if (v.tipo != 5 && v.tipo != 6) {
    for (int32_t k = 1; k <= 4; ++k) {
      const int64_t m = h - k;
      if (m > 1) f_.percorso[static_cast<size_t>(m)].marcatore = low_byte(80 + k);
    }
  }
  if (h <= 1) return fallisci(24, campo_posizione);
  cella& stop = f_.percorso[static_cast<size_t>(h)];
  stop.tipo = tipo_cella::fermata;
  stop.dato1 = wrap16(s_);
  return ReadOutcome::go_on;
}

// ----- End of reading -----

void CompilatoreTreno::fine_lettura() {
  chiudi(velocita_, byte_velocita, &cella::velocita);
  chiudi(aderenza_, byte_aderenza, &cella::aderenza);
  bool fuori_passo = false;
  for (int32_t i = voce_fissa::progressiva_1; i <= voce_fissa::progressiva_3; ++i) {
    const voce& riferimento = f_.voci[static_cast<size_t>(i)];
    if (riferimento.inizio % 50 != 0 || riferimento.fine % 50 != 0) fuori_passo = true;
  }
  if (!fuori_passo) return;
  // One test of the three references, one code. The fault lies in the line
  // description's chainage references, which have been put in order since
  // they were read, so no single line of it can be named: the code names
  // that file as a whole.
  f_.sorgente = {FileDescrizione::treno, lettore_.riga(), true, 0};
  f_.record_code(2, std::nullopt, LuogoSorgente{FileDescrizione::linea, 0, false, 0});
}

}  // namespace

void Form1::memorizza_treno(int32_t limite_stazioni) {
  sorgente = {FileDescrizione::treno, 0, false, 0};
  cell_origins.assign(percorso.size(), LuogoSorgente{FileDescrizione::treno, 0, false, 0});
  const std::filesystem::path file = nome_file(ScenarioFile::train_description);
  CompilatoreTreno compilatore(*this, platform.read_file(file), limite_stazioni);
  const ReadOutcome esito = compilatore.leggi();
  platform.delete_file(file);
  if (esito == ReadOutcome::failed) return;
  compilatore.fine_lettura();
}
