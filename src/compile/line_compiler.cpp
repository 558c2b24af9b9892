// The line half of the compiler: reads the line description file into the
// cell grid, the track plan and the record table, front to back, applying
// every entry as soon as its fields are read.

#include "compile/line_compiler.h"

#include <array>
#include <string>
#include <string_view>

#include "app/form1.h"
#include "compile/field_reader.h"
#include "compile/parole_chiave.h"
#include "compile/track_plan.h"
#include "model/numbers.h"
#include "platform/ansi.h"

namespace {

/// What the reading does after an entry.
enum class Esito {
  prosegui,      ///< go on with the next key
  fine_lettura,  ///< stop reading, finish the file as at its end (code 15)
  esci,          ///< a code was recorded: delete the file and return
};

inline constexpr int32_t lunghezza_massima = 1000000;
/// In the general section up to ten comment fields in a row are skipped,
/// among the line entries only two; the next field is the key whatever it holds.
inline constexpr int passi_commento_generale = 10;
inline constexpr int passi_commento_voci = 2;

bool contiene(std::string_view testo, std::string_view parola) {
  return testo.find(parola) != std::string_view::npos;
}

bool commento(std::string_view chiave) { return contiene(chiave, "-"); }

/// The general section ends after a key that, without its leading blanks,
/// does not begin with "-" and holds both "[" and "]" (the next heading).
bool chiude_generale(std::string_view chiave) {
  const size_t inizio = chiave.find_first_not_of(" \t");
  if (inizio != std::string_view::npos && chiave[inizio] == '-') return false;
  return contiene(chiave, "[") && contiene(chiave, "]");
}

class LineCompiler;
using Applica = Esito (LineCompiler::*)(const std::string& chiave);

/// A general entry: its keywords and the procedure that reads it.
struct VoceGenerale {
  const ParoleChiave& parole;
  Applica applica;
};

/// A line entry: its keywords, whether it counts only while the plan is
/// built (the curve), and the procedure that reads it.
struct VoceLinea {
  const ParoleChiave& parole;
  bool solo_con_tracciato;
  Applica applica;
};

class LineCompiler {
 public:
  LineCompiler(Form1& form, std::string contenuto) : f_(form), lettore_(std::move(contenuto)) {}

  /// Everything from the search for "[generale]" to the end of the line
  /// entries; the file itself is the caller's.
  Esito leggi_file();
  /// The end-of-file steps: trailing gradient and end of the plan.
  void fine_file();
  int32_t contatore_cartelli() const { return contatore_cartelli_; }

  // General entries.
  Esito lunghezza(const std::string& chiave);
  Esito progressiva_tre(const std::string&) { return riferimento(voce_fissa::progressiva_1); }
  Esito progressiva_due(const std::string&) { return riferimento(voce_fissa::progressiva_2); }
  Esito progressiva_uno(const std::string&) { return riferimento(voce_fissa::progressiva_3); }
  Esito sfondo_uno(const std::string&);
  Esito sfondo_due(const std::string&);
  Esito sfondo_tre(const std::string&);
  Esito ripetizione_segnali(const std::string& chiave);

  // Line entries.
  Esito pendenza(const std::string& chiave);
  Esito curva(const std::string& chiave);
  Esito montagna(const std::string& chiave);
  Esito indicatori_v_max(const std::string& chiave);
  Esito cartello_indicatore(const std::string& chiave);

 private:
  bool cerca_generale();
  Esito sezione_generale();
  Esito voci_generali(const std::string& chiave, bool& riconosciuta);
  void fine_generale();
  Esito voci_linea();
  Esito voce_linea(const std::string& chiave, bool& riconosciuta);

  std::string leggi_chiave();
  void scarta(const std::string& chiave, SezioneLettura sezione);
  void letta(std::string_view voce, int32_t posizione);
  Esito riferimento(int32_t record);
  Esito registra(int32_t codice);
  int64_t ultima_cella(std::string_view dove) const;
  bool posizione_accettata(int32_t posizione);
  void scrivi_pendenza(int64_t ultima);

  Form1& f_;
  FieldReader lettore_;
  int32_t riga_chiave_ = 0;
  int64_t indice_pendenza_ = 0;     ///< next cell to receive a gradient
  int32_t pendenza_precedente_ = 0; ///< per mille
  int32_t contatore_cartelli_ = voce_fissa::primo_cartello;
};

/// The eight general entries, in the order they are tested.
using parole_chiave::generali;
constexpr std::array<VoceGenerale, generali.size()> kVociGenerali{{
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
constexpr std::array<VoceLinea, linea.size()> kVociLinea{{
    {linea[0], false, &LineCompiler::pendenza},
    {linea[1], true, &LineCompiler::curva},
    {linea[2], false, &LineCompiler::montagna},
    {linea[3], false, &LineCompiler::indicatori_v_max},
    {linea[4], false, &LineCompiler::cartello_indicatore},
}};

// ----- Reading order -----

Esito LineCompiler::leggi_file() {
  if (!cerca_generale()) {
    f_.sorgente.fine_file = true;
    return registra(102);
  }
  const Esito generale = sezione_generale();
  if (generale != Esito::prosegui) return generale;
  fine_generale();
  return voci_linea();
}

// Every field before the one holding "[generale]" is ignored. A file with no
// field at all also ends before "[generale]": it gets the same code 102
// rather than a failure to read a first field.
bool LineCompiler::cerca_generale() {
  while (!lettore_.fine_file()) {
    const std::string campo = leggi_chiave();
    if (lettore_.fine_file()) {
      scarta(campo, SezioneLettura::prima_del_generale);
      return false;
    }
    if (contiene(minuscolo(campo), "[generale]")) return true;
    scarta(campo, SezioneLettura::prima_del_generale);
  }
  return false;
}

// The comment skip makes no end-of-file test: a file that ends inside it
// fails to read its next field (code 25).
Esito LineCompiler::sezione_generale() {
  while (!lettore_.fine_file()) {
    std::string chiave = leggi_chiave();
    if (lettore_.fine_file()) {
      scarta(chiave, SezioneLettura::generale);
      return Esito::prosegui;
    }
    for (int passo = 0; passo < passi_commento_generale && commento(chiave); ++passo)
      chiave = leggi_chiave();
    bool riconosciuta = false;
    const Esito esito = voci_generali(chiave, riconosciuta);
    if (esito != Esito::prosegui) return esito;
    if (!riconosciuta) scarta(chiave, SezioneLettura::generale);
    if (chiude_generale(chiave)) return Esito::prosegui;
  }
  return Esito::prosegui;
}

// Every test is made on the same key, each independently: a key holding the
// words of several entries starts all of them, in table order.
Esito LineCompiler::voci_generali(const std::string& chiave, bool& riconosciuta) {
  const std::string minuscola = minuscolo(chiave);
  for (const VoceGenerale& voce : kVociGenerali) {
    if (!voce.parole.in(chiave, minuscola)) continue;
    riconosciuta = true;
    const Esito esito = (this->*voce.applica)(chiave);
    if (esito != Esito::prosegui) return esito;
  }
  return Esito::prosegui;
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

Esito LineCompiler::voci_linea() {
  while (!lettore_.fine_file()) {
    std::string chiave = leggi_chiave();
    // The last field of the file is never interpreted, which is why every
    // line description ends with a closing line.
    if (lettore_.fine_file()) {
      scarta(chiave, SezioneLettura::voci);
      return Esito::prosegui;
    }
    for (int passo = 0; passo < passi_commento_voci && commento(chiave); ++passo) {
      chiave = leggi_chiave();
      if (lettore_.fine_file()) {
        scarta(chiave, SezioneLettura::voci);
        return Esito::prosegui;
      }
    }
    bool riconosciuta = false;
    const Esito esito = voce_linea(chiave, riconosciuta);
    if (esito != Esito::prosegui) return esito;
    if (!riconosciuta) scarta(chiave, SezioneLettura::voci);
  }
  return Esito::prosegui;
}

Esito LineCompiler::voce_linea(const std::string& chiave, bool& riconosciuta) {
  const std::string minuscola = minuscolo(chiave);
  for (const VoceLinea& voce : kVociLinea) {
    if (voce.solo_con_tracciato && f_.compila_linea == 0) continue;
    if (!voce.parole.in(chiave, minuscola)) continue;
    riconosciuta = true;
    const Esito esito = (this->*voce.applica)(chiave);
    if (esito != Esito::prosegui) return esito;
  }
  return Esito::prosegui;
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

std::string LineCompiler::leggi_chiave() {
  std::string chiave = lettore_.leggi_testo();
  riga_chiave_ = lettore_.riga();
  f_.riga = chiave;
  f_.sorgente = {FileDescrizione::linea, riga_chiave_, false};
  return chiave;
}

void LineCompiler::scarta(const std::string& chiave, SezioneLettura sezione) {
  if (f_.ascoltatore) f_.ascoltatore->key_dropped(FileDescrizione::linea, riga_chiave_, sezione, chiave);
}

void LineCompiler::letta(std::string_view voce, int32_t posizione) {
  if (f_.ascoltatore) f_.ascoltatore->entry_read(FileDescrizione::linea, riga_chiave_, voce, posizione);
}

Esito LineCompiler::registra(int32_t codice) {
  f_.codice_errore = codice;
  return Esito::esci;
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
bool LineCompiler::posizione_accettata(int32_t posizione) {
  const int64_t n = ultima_cella("a line entry");
  if (int64_t{posizione} + 100 <= 50 * n) return true;
  f_.codice_errore = 15;
  f_.posizione_errore = posizione;
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
Esito LineCompiler::lunghezza(const std::string&) {
  const int32_t l = lettore_.leggi_int32();
  f_.voci[voce_fissa::generale].fine = l;
  if (l > lunghezza_massima || l < 0) {
    f_.percorso.clear();
    f_.tracciato = Tracciato{};
  }
  if (l > lunghezza_massima) return registra(1);
  if (l < 0) throw RunTimeFailure("line length " + std::to_string(l) + " m is below 0");
  const int32_t n = nearest_int32((l + 7000) / 50.0);
  f_.percorso.assign(static_cast<size_t>(n) + 1, cella{});
  if (f_.compila_linea != 0)
    crea_tracciato(f_.tracciato, l);
  else
    f_.tracciato = Tracciato{};
  return Esito::prosegui;
}

Esito LineCompiler::riferimento(int32_t record) {
  voce& v = f_.voci[static_cast<size_t>(record)];
  v.inizio = lettore_.leggi_int32();
  v.fine = lettore_.leggi_int32();
  v.posizione = lettore_.leggi_int32();
  return Esito::prosegui;
}

// The three scenery values go to record 85 in a crossed order: one, three, two.
Esito LineCompiler::sfondo_uno(const std::string&) {
  f_.voci[voce_fissa::linea].inizio = lettore_.leggi_int32();
  return Esito::prosegui;
}

Esito LineCompiler::sfondo_due(const std::string&) {
  f_.voci[voce_fissa::linea].posizione = lettore_.leggi_int32();
  return Esito::prosegui;
}

Esito LineCompiler::sfondo_tre(const std::string&) {
  f_.voci[voce_fissa::linea].fine = lettore_.leggi_int32();
  return Esito::prosegui;
}

// The number of codes comes from the key itself: "4" before "9". A second
// distance of 0 switches the repetition off, but only after the key is tested.
Esito LineCompiler::ripetizione_segnali(const std::string& chiave) {
  voce& treno = f_.voci[voce_fissa::treno];
  treno.inizio = lettore_.leggi_int32();
  treno.fine = lettore_.leggi_int32();
  if (treno.inizio % 50 != 0) return registra(3);
  if (treno.fine % 50 != 0) return registra(4);
  int32_t codici = 0;
  if (contiene(chiave, "4"))
    codici = 4;
  else if (contiene(chiave, "9"))
    codici = 9;
  else
    return registra(5);
  treno.posizione = treno.fine == 0 ? 0 : codici;
  return Esito::prosegui;
}

// ----- Line entries -----

// A gradient holds from cell nearest(p / 50) of its entry up to the cell
// before that of the next entry: the cells up to it receive the previous one.
Esito LineCompiler::pendenza(const std::string&) {
  const int32_t posizione = lettore_.leggi_int32();
  const int32_t valore = lettore_.leggi_int32();
  letta("pendenza", posizione);
  if (!posizione_accettata(posizione)) return Esito::fine_lettura;
  const auto t = static_cast<int64_t>(nearest(posizione / 50.0));
  if (t > 0) {
    const int64_t ultima = ultima_cella("a gradient");
    do {
      scrivi_pendenza(ultima);
    } while (indice_pendenza_ < t);
  }
  pendenza_precedente_ = valore;
  return Esito::prosegui;
}

Esito LineCompiler::curva(const std::string& chiave) {
  const int32_t posizione = lettore_.leggi_int32();
  const int32_t lunghezza_curva = lettore_.leggi_int32();
  letta("curva", posizione);
  if (!posizione_accettata(posizione)) return Esito::fine_lettura;
  const std::optional<double> k = curvatura_curva(chiave);
  if (!k) return registra(103);
  if (!estendi_curva(f_.tracciato, posizione, int64_t{posizione} + lunghezza_curva, *k))
    return registra(103);
  return Esito::prosegui;
}

Esito LineCompiler::montagna(const std::string&) {
  const int32_t inizio = lettore_.leggi_int32();
  const int32_t fine = lettore_.leggi_int32();
  const int32_t tipo = lettore_.leggi_int32();
  letta("montagna", inizio);
  if (!posizione_accettata(inizio)) return Esito::fine_lettura;
  f_.memo_montagna(inizio, fine, tipo);
  return Esito::prosegui;
}

// Nine numbers in file order; the two stripe values keep their low 16 bits.
Esito LineCompiler::indicatori_v_max(const std::string&) {
  std::array<int32_t, 9> v{};
  for (int32_t& valore : v) valore = lettore_.leggi_int32();
  const auto [posizione, vas, vbs, vcs, strisces, vad, vbd, vcd, strisced] = v;
  letta("indicatori_vmax", posizione);
  if (!posizione_accettata(posizione)) return Esito::fine_lettura;
  f_.memo_indicatori_v_max(posizione, vas, vbs, vcs, wrap16(strisces), vad, vbd, vcd,
                           wrap16(strisced));
  if (f_.codice_errore > 0) {
    f_.posizione_errore = posizione;
    return Esito::esci;
  }
  return Esito::prosegui;
}

// Name boards take records 80 down to 1: the text goes to the record, the
// record's index to the cell. A board beyond record 1 has no record left (the
// stations own record 0 and up); it is refused as a run-time failure (code
// 25) once its cell has been tested, and nothing is written for it.
Esito LineCompiler::cartello_indicatore(const std::string&) {
  const int32_t posizione = lettore_.leggi_int32();
  f_.riga = lettore_.leggi_testo();
  letta("cartello_indicatore", posizione);
  if (!posizione_accettata(posizione)) return Esito::fine_lettura;
  cella& c = cella_del_punto(f_.percorso, posizione, "name board");
  if (!cella_libera(c)) {
    f_.posizione_errore = posizione;
    return registra(6);
  }
  if (contatore_cartelli_ < 1)
    throw RunTimeFailure("more than 80 name boards (board at " + std::to_string(posizione) +
                         " m)");
  c.tipo = tipo_cella::cartello_indicatore;
  c.dato1 = static_cast<int16_t>(contatore_cartelli_);  // 1 to 80
  f_.voci[static_cast<size_t>(contatore_cartelli_)].nome = f_.riga;
  --contatore_cartelli_;
  return Esito::prosegui;
}

}  // namespace

// Close and delete: the file is read whole when it is opened, so closing it
// is nothing and deleting it is all. It is deleted on every outcome once it
// exists; a run-time failure leaves that to the failure trap of
// memorizza_dati, which deletes both description files.
Form1::EsitoLinea Form1::memorizza_linea() {
  sorgente = {FileDescrizione::linea, 0, false};
  percorso.clear();
  tracciato = Tracciato{};
  const std::filesystem::path file = nome_file(ScenarioFile::line_description);
  if (!platform.file_exists(file)) {
    codice_errore = 101;
    return {false, voce_fissa::primo_cartello};
  }
  LineCompiler compilatore(*this, platform.read_file(file));
  const Esito esito = compilatore.leggi_file();
  platform.delete_file(file);
  if (esito == Esito::esci) return {false, compilatore.contatore_cartelli()};
  compilatore.fine_file();
  return {true, compilatore.contatore_cartelli()};
}
