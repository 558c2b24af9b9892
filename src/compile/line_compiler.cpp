// The line half of the compiler: reads the line description file into the
// cell grid, the track plan and the record table, front to back, applying
// every entry as soon as its fields are read.

#include "compile/line_compiler.h"

#include <array>
#include <string>
#include <string_view>

#include "app/form1.h"
#include "compile/description_reader.h"
#include "compile/field_reader.h"
#include "compile/parole_chiave.h"
#include "compile/track_plan.h"
#include "model/numbers.h"
#include "platform/ansi.h"

namespace {

inline constexpr int32_t lunghezza_massima = 1000000;
/// In the general section up to ten comment fields in a row are skipped,
/// without any end-of-file test; among the line entries only two, and the
/// end of the file stops the skip. The next field is the key whatever it holds.
inline constexpr int passi_commento_generale = 10;
inline constexpr int passi_commento_voci = 2;
inline constexpr bool fine_ferma_salto = true;

/// The general section ends after a key that, without its leading blanks,
/// does not begin with "-" and holds both "[" and "]" (the next heading).
bool chiude_generale(std::string_view chiave) {
  const size_t inizio = chiave.find_first_not_of(" \t");
  if (inizio != std::string_view::npos && chiave[inizio] == '-') return false;
  return contiene(chiave, "[") && contiene(chiave, "]");
}

class LineCompiler : public DescriptionReader {
 public:
  LineCompiler(Form1& form, std::string contenuto)
      : DescriptionReader(form, FileDescrizione::linea, std::move(contenuto)) {}

  /// Everything from the search for "[generale]" to the end of the line
  /// entries; the file itself is the caller's.
  ReadOutcome leggi_file();
  /// The end-of-file steps: trailing gradient and end of the plan.
  void fine_file();
  int32_t contatore_cartelli() const { return contatore_cartelli_; }

  // General entries.
  ReadOutcome lunghezza(const std::string& chiave);
  ReadOutcome progressiva_tre(const std::string&) { return riferimento(voce_fissa::progressiva_1); }
  ReadOutcome progressiva_due(const std::string&) { return riferimento(voce_fissa::progressiva_2); }
  ReadOutcome progressiva_uno(const std::string&) { return riferimento(voce_fissa::progressiva_3); }
  ReadOutcome sfondo_uno(const std::string&);
  ReadOutcome sfondo_due(const std::string&);
  ReadOutcome sfondo_tre(const std::string&);
  ReadOutcome ripetizione_segnali(const std::string& chiave);

  // Line entries.
  ReadOutcome pendenza(const std::string& chiave);
  ReadOutcome curva(const std::string& chiave);
  ReadOutcome montagna(const std::string& chiave);
  ReadOutcome indicatori_v_max(const std::string& chiave);
  ReadOutcome cartello_indicatore(const std::string& chiave);

 private:
  ReadOutcome sezione_generale();
  void fine_generale();
  ReadOutcome voci_linea();

  ReadOutcome riferimento(int32_t record);
  ReadOutcome registra(int32_t codice, const LuogoSorgente& campo);
  int64_t ultima_cella(std::string_view dove) const;
  bool posizione_accettata(int32_t posizione, const LuogoSorgente& campo);
  void scrivi_pendenza(int64_t ultima);

  int64_t indice_pendenza_ = 0;     ///< next cell to receive a gradient
  int32_t pendenza_precedente_ = 0; ///< per mille
  int32_t contatore_cartelli_ = voce_fissa::primo_cartello;
};

/// The eight general entries, in the order they are tested.
using parole_chiave::generali;
constexpr std::array<KeywordRow<LineCompiler>, generali.size()> kVociGenerali{{
    {generali[0], &LineCompiler::lunghezza},
    {generali[1], &LineCompiler::progressiva_tre},
    {generali[2], &LineCompiler::progressiva_due},
    {generali[3], &LineCompiler::progressiva_uno},
    {generali[4], &LineCompiler::sfondo_uno},
    {generali[5], &LineCompiler::sfondo_due},
    {generali[6], &LineCompiler::sfondo_tre},
    {generali[7], &LineCompiler::ripetizione_segnali},
}};

/// The five line entries, in the order they are tested.
using parole_chiave::linea;
constexpr bool solo_con_tracciato = true;
constexpr std::array<KeywordRow<LineCompiler>, linea.size()> kVociLinea{{
    {linea[0], &LineCompiler::pendenza},
    {linea[1], &LineCompiler::curva, solo_con_tracciato},
    {linea[2], &LineCompiler::montagna},
    {linea[3], &LineCompiler::indicatori_v_max},
    {linea[4], &LineCompiler::cartello_indicatore},
}};

// ----- Reading order -----

ReadOutcome LineCompiler::leggi_file() {
  // Every field before the one holding "[generale]" is ignored. A file with
  // no field at all also ends before "[generale]": it gets the same code 102
  // rather than a failure to read a first field. The last field of the file
  // never opens the section. Code 102 concerns no field: the heading is
  // missing from the file, which was read to its end looking for it.
  if (!find_general(false)) {
    f_.sorgente.fine_file = true;
    f_.sorgente.column = 0;
    return registra(102, f_.sorgente);
  }
  const ReadOutcome generale = sezione_generale();
  if (generale != ReadOutcome::go_on) return generale;
  fine_generale();
  return voci_linea();
}

// The comment skip makes no end-of-file test: a file that ends inside it
// fails to read its next field (code 25). Every test is made on the same
// key, each independently: a key holding the words of several entries
// starts all of them, in table order.
ReadOutcome LineCompiler::sezione_generale() {
  while (!lettore_.fine_file()) {
    const std::optional<std::string> chiave =
        next_key(passi_commento_generale, !fine_ferma_salto, SezioneLettura::generale);
    if (!chiave) return ReadOutcome::go_on;
    bool riconosciuta = false;
    const ReadOutcome esito = dispatch(kVociGenerali, *chiave, riconosciuta);
    if (esito != ReadOutcome::go_on) return esito;
    if (!riconosciuta) drop(*chiave, SezioneLettura::generale);
    if (chiude_generale(*chiave)) return ReadOutcome::go_on;
  }
  return ReadOutcome::go_on;
}

void LineCompiler::fine_generale() {
  f_.progressive_ordina();
  f_.numero_montagne = 0;
  contatore_cartelli_ = voce_fissa::primo_cartello;
  indice_pendenza_ = 0;
  pendenza_precedente_ = 0;
  if (f_.compila_linea != 0) {
    ultima_cella("the end of the general section");
    avvia_tracciato(f_.tracciato);
  }
}

// The last field of the file is never interpreted, which is why every line
// description ends with a closing line.
ReadOutcome LineCompiler::voci_linea() {
  while (!lettore_.fine_file()) {
    const std::optional<std::string> chiave =
        next_key(passi_commento_voci, fine_ferma_salto, SezioneLettura::voci);
    if (!chiave) return ReadOutcome::go_on;
    bool riconosciuta = false;
    const ReadOutcome esito = dispatch(kVociLinea, *chiave, riconosciuta);
    if (esito != ReadOutcome::go_on) return esito;
    if (!riconosciuta) drop(*chiave, SezioneLettura::voci);
  }
  return ReadOutcome::go_on;
}

// The trailing gradient runs up to the cell before n - 2 (at least one cell
// is written); the cells above it keep pendenza 0.
void LineCompiler::fine_file() {
  const int64_t ultima = ultima_cella("the end of the line file");
  do {
    scrivi_pendenza(ultima);
  } while (indice_pendenza_ < ultima - 2);
  if (f_.compila_linea != 0) chiudi_tracciato(f_.tracciato);
}

// ----- Helpers of the reading -----

/// Codes that stop the line half carry no position.
ReadOutcome LineCompiler::registra(int32_t codice, const LuogoSorgente& campo) {
  f_.record_code(codice, std::nullopt, campo);
  return ReadOutcome::failed;
}

// The grid exists only once a length entry has been read. Whatever needs it
// before that fails as a run-time failure (code 25): there is no grid to
// place anything in, and no other code describes a missing length.
int64_t LineCompiler::ultima_cella(std::string_view dove) const {
  if (f_.percorso.empty())
    throw RunTimeFailure("no line length entry before " + std::string(dove));
  return static_cast<int64_t>(f_.percorso.size()) - 1;
}

// An entry is accepted only if (p + 100) / 50 is not greater than n. The sum
// is taken exactly: a wrapped one would let a position near the top of the
// 32-bit range through, onto a cell far beyond the grid.
bool LineCompiler::posizione_accettata(int32_t posizione, const LuogoSorgente& campo) {
  const int64_t n = ultima_cella("a line entry");
  if (int64_t{posizione} + 100 <= 50 * n) return true;
  f_.record_code(15, posizione, campo);
  return false;
}

// The fill index moves forward by one for every cell written, even where
// several gradient entries share a cell; cells it reaches beyond the grid are
// not written.
void LineCompiler::scrivi_pendenza(int64_t ultima) {
  if (indice_pendenza_ <= ultima)
    f_.percorso[static_cast<size_t>(indice_pendenza_)].pendenza =
        low_byte(int64_t{pendenza_precedente_} + 100);
  ++indice_pendenza_;
}

// ----- General entries -----

// A length creates the grid and the plan afresh; a second one discards what
// the first created. A length below 0 gives no line at all: it is refused as
// a run-time failure (code 25) after it is stored, like every value. A
// refused length discards an earlier grid and plan too: record 84 now holds
// the refused length, and files written from the old grid would carry a line
// length that their grid and plan do not have. The build then writes no
// compiled file, as for a refused first length.
ReadOutcome LineCompiler::lunghezza(const std::string&) {
  const int32_t l = lettore_.leggi_int32();
  const LuogoSorgente campo = last_field();
  f_.voci[voce_fissa::generale].fine = l;
  if (l > lunghezza_massima || l < 0) {
    f_.percorso.clear();
    f_.tracciato = Tracciato{};
  }
  if (l > lunghezza_massima) return registra(1, campo);
  if (l < 0) throw RunTimeFailure("line length " + std::to_string(l) + " m is below 0");
  const int32_t n = nearest_int32((l + 7000) / 50.0);
  f_.percorso.assign(static_cast<size_t>(n) + 1, cella{});
  if (f_.compila_linea != 0)
    crea_tracciato(f_.tracciato, l);
  else
    f_.tracciato = Tracciato{};
  return ReadOutcome::go_on;
}

ReadOutcome LineCompiler::riferimento(int32_t record) {
  voce& v = f_.voci[static_cast<size_t>(record)];
  v.inizio = lettore_.leggi_int32();
  v.fine = lettore_.leggi_int32();
  v.posizione = lettore_.leggi_int32();
  return ReadOutcome::go_on;
}

// The three scenery values go to record 85 in a crossed order: one, three, two.
ReadOutcome LineCompiler::sfondo_uno(const std::string&) {
  f_.voci[voce_fissa::linea].inizio = lettore_.leggi_int32();
  return ReadOutcome::go_on;
}

ReadOutcome LineCompiler::sfondo_due(const std::string&) {
  f_.voci[voce_fissa::linea].posizione = lettore_.leggi_int32();
  return ReadOutcome::go_on;
}

ReadOutcome LineCompiler::sfondo_tre(const std::string&) {
  f_.voci[voce_fissa::linea].fine = lettore_.leggi_int32();
  return ReadOutcome::go_on;
}

// The number of codes comes from the key itself: "4" before "9". A second
// distance of 0 switches the repetition off, but only after the key is tested.
ReadOutcome LineCompiler::ripetizione_segnali(const std::string& chiave) {
  voce& treno = f_.voci[voce_fissa::treno];
  const LuogoSorgente chiave_letta = f_.sorgente;
  treno.inizio = lettore_.leggi_int32();
  const LuogoSorgente prima = last_field();
  treno.fine = lettore_.leggi_int32();
  const LuogoSorgente seconda = last_field();
  if (treno.inizio % 50 != 0) return registra(3, prima);
  if (treno.fine % 50 != 0) return registra(4, seconda);
  int32_t codici = 0;
  if (contiene(chiave, "4"))
    codici = 4;
  else if (contiene(chiave, "9"))
    codici = 9;
  else
    return registra(5, chiave_letta);
  treno.posizione = treno.fine == 0 ? 0 : codici;
  return ReadOutcome::go_on;
}

// ----- Line entries -----

// A gradient holds from cell nearest(p / 50) of its entry up to the cell
// before that of the next entry: the cells up to it receive the previous one.
ReadOutcome LineCompiler::pendenza(const std::string&) {
  const int32_t posizione = lettore_.leggi_int32();
  const LuogoSorgente campo = last_field();
  const int32_t valore = lettore_.leggi_int32();
  entry_read("pendenza", posizione);
  if (!posizione_accettata(posizione, campo)) return ReadOutcome::stop_reading;
  const auto t = static_cast<int64_t>(nearest(posizione / 50.0));
  if (t > 0) {
    const int64_t ultima = ultima_cella("a gradient");
    do {
      scrivi_pendenza(ultima);
    } while (indice_pendenza_ < t);
  }
  pendenza_precedente_ = valore;
  return ReadOutcome::go_on;
}

ReadOutcome LineCompiler::curva(const std::string& chiave) {
  const LuogoSorgente chiave_letta = f_.sorgente;
  const int32_t posizione = lettore_.leggi_int32();
  const LuogoSorgente campo = last_field();
  const int32_t lunghezza_curva = lettore_.leggi_int32();
  const LuogoSorgente campo_lunghezza = last_field();
  entry_read("curva", posizione);
  if (!posizione_accettata(posizione, campo)) return ReadOutcome::stop_reading;
  // A key without a class names the key; a plan run past its end names the
  // length that carried it there.
  const std::optional<double> k = curvatura_curva(chiave);
  if (!k) return registra(103, chiave_letta);
  if (!estendi_curva(f_.tracciato, posizione, int64_t{posizione} + lunghezza_curva, *k))
    return registra(103, campo_lunghezza);
  return ReadOutcome::go_on;
}

ReadOutcome LineCompiler::montagna(const std::string&) {
  const int32_t inizio = lettore_.leggi_int32();
  const LuogoSorgente campo = last_field();
  const int32_t fine = lettore_.leggi_int32();
  const int32_t tipo = lettore_.leggi_int32();
  entry_read("montagna", inizio);
  if (!posizione_accettata(inizio, campo)) return ReadOutcome::stop_reading;
  f_.memo_montagna(inizio, fine, tipo);
  return ReadOutcome::go_on;
}

// Nine numbers in file order; the two stripe values keep their low 16 bits.
ReadOutcome LineCompiler::indicatori_v_max(const std::string&) {
  std::array<int32_t, 9> v{};
  v[0] = lettore_.leggi_int32();
  const LuogoSorgente campo = last_field();
  for (size_t i = 1; i < v.size(); ++i) v[i] = lettore_.leggi_int32();
  const auto [posizione, vas, vbs, vcs, strisces, vad, vbd, vcd, strisced] = v;
  entry_read("indicatori_vmax", posizione);
  if (!posizione_accettata(posizione, campo)) return ReadOutcome::stop_reading;
  // Code 21 is recorded by the procedure, with the boards' position.
  f_.entry_being_placed = campo;
  f_.memo_indicatori_v_max(posizione, vas, vbs, vcs, wrap16(strisces), vad, vbd, vcd,
                           wrap16(strisced));
  if (f_.codice_errore > 0) return ReadOutcome::failed;
  return ReadOutcome::go_on;
}

// Name boards take records 80 down to 1: the text goes to the record, the
// record's index to the cell. A board beyond record 1 has no record left (the
// stations own record 0 and up); it is refused as a run-time failure (code
// 25) once its cell has been tested, and nothing is written for it.
ReadOutcome LineCompiler::cartello_indicatore(const std::string&) {
  const int32_t posizione = lettore_.leggi_int32();
  const LuogoSorgente campo = last_field();
  f_.riga = lettore_.leggi_testo();
  entry_read("cartello_indicatore", posizione);
  if (!posizione_accettata(posizione, campo)) return ReadOutcome::stop_reading;
  cella& c = cella_del_punto(f_.percorso, posizione, "name board");
  if (!cella_libera(c)) {
    f_.record_code(6, posizione, campo);
    return ReadOutcome::failed;
  }
  if (contatore_cartelli_ < 1)
    throw RunTimeFailure("more than 80 name boards (board at " + std::to_string(posizione) +
                         " m)");
  c.tipo = tipo_cella::cartello_indicatore;
  c.dato1 = static_cast<int16_t>(contatore_cartelli_);  // 1 to 80
  f_.voci[static_cast<size_t>(contatore_cartelli_)].nome = f_.riga;
  --contatore_cartelli_;
  return ReadOutcome::go_on;
}

}  // namespace

// Close and delete: the file is read whole when it is opened, so closing it
// is nothing and deleting it is all. It is deleted on every outcome once it
// exists; a run-time failure leaves that to the failure trap of
// memorizza_dati, which deletes both description files.
Form1::EsitoLinea Form1::memorizza_linea() {
  sorgente = {FileDescrizione::linea, 0, false, 0};
  percorso.clear();
  cell_origins.clear();
  tracciato = Tracciato{};
  const std::filesystem::path file = nome_file(ScenarioFile::line_description);
  // A missing file concerns the file as a whole: there is no line to name.
  if (!platform.file_exists(file)) {
    record_code(101, std::nullopt, sorgente);
    return {false, voce_fissa::primo_cartello};
  }
  LineCompiler compilatore(*this, platform.read_file(file));
  const ReadOutcome esito = compilatore.leggi_file();
  platform.delete_file(file);
  if (esito == ReadOutcome::failed) return {false, compilatore.contatore_cartelli()};
  compilatore.fine_file();
  return {true, compilatore.contatore_cartelli()};
}
