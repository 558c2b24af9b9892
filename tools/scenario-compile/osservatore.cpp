#include "osservatore.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include "app/codici_errore.h"
#include "compile/parole_chiave.h"
#include "platform/ansi.h"

namespace {

// ----- The keywords, for telling a misspelt key from one out of place -----

// Used here only to say why a dropped key was dropped, and compared case
// ignored whatever the entry's own rule, so that a general keyword written
// with capitals is recognised and explained.
using parole_chiave::generali;
using parole_chiave::linea;
using parole_chiave::treno;

template <size_t N>
bool riconosce(const std::array<ParoleChiave, N>& voci, std::string_view chiave) {
  const std::string minuscola = minuscolo(chiave);
  return std::any_of(voci.begin(), voci.end(), [&](const ParoleChiave& p) {
    return contiene(minuscola, p.prima) && contiene(minuscola, p.seconda);
  });
}

bool intestazione(std::string_view chiave) { return contiene(chiave, "[") && contiene(chiave, "]"); }

// A key that is a number, or nothing: the value of an entry read where a key
// was expected.
bool valore(std::string_view chiave) {
  const size_t inizio = chiave.find_first_not_of(" \t");
  if (inizio == std::string_view::npos) return true;
  std::string_view cifre = chiave.substr(inizio);
  if (cifre.front() == '-' || cifre.front() == '+') cifre.remove_prefix(1);
  return !cifre.empty() &&
         std::all_of(cifre.begin(), cifre.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string citata(std::string_view chiave) {
  std::string testo = "\"";
  testo.append(cp1252_a_utf8(chiave)).push_back('"');
  return testo;
}

// The kinds whose entries must come in ascending order of position.
constexpr std::string_view kInOrdine[] = {"pendenza", "curva",    "montagna",
                                          "velocita", "aderenza", "stazione"};

// ----- Chainage -----

struct Riferimento {
  int32_t posizione;
  int32_t progressiva;  ///< metres, as the compiled file carries it (flag 1 included)
};

std::string chilometri(int64_t metri) {
  const int64_t assoluti = std::llabs(metri);
  std::string cifre = std::to_string(assoluti % 1000);
  cifre.insert(0, 3 - cifre.size(), '0');
  return std::string(metri < 0 ? "-" : "") + std::to_string(assoluti / 1000) + "." + cifre;
}

// The chainage at a position, in words. With two references at different
// positions the direction of the kilometres is known and the chainage is
// computed; with one, only the distance from it can be told honestly.
std::optional<std::string> progressiva(const Voci& voci, int32_t posizione) {
  std::vector<Riferimento> rif;
  for (int32_t i = voce_fissa::progressiva_1; i <= voce_fissa::progressiva_3; ++i) {
    const voce& v = voci[static_cast<size_t>(i)];
    if (v.inizio != 0 || v.fine != 0) rif.push_back({v.inizio, v.fine});
  }
  if (rif.empty()) return std::nullopt;
  const auto distanza = [posizione](const Riferimento& r) {
    return std::llabs(int64_t{posizione} - r.posizione);
  };
  const Riferimento base = *std::min_element(
      rif.begin(), rif.end(),
      [&](const Riferimento& a, const Riferimento& b) { return distanza(a) < distanza(b); });
  const int64_t scarto = int64_t{posizione} - base.posizione;
  if (scarto == 0) return "km " + chilometri(base.progressiva);
  for (const Riferimento& altro : rif) {
    if (altro.posizione == base.posizione || altro.progressiva == base.progressiva) continue;
    const bool crescente =
        (altro.progressiva > base.progressiva) == (altro.posizione > base.posizione);
    return "km " + chilometri(base.progressiva + (crescente ? scarto : -scarto));
  }
  return std::to_string(std::llabs(scarto)) + " m " + (scarto > 0 ? "beyond" : "before") +
         " the reference km " + chilometri(base.progressiva);
}

}  // namespace

std::string testo_posizione(const Voci& voci, int32_t posizione) {
  std::string testo = " (at " + std::to_string(posizione) + " m";
  if (const std::optional<std::string> km = progressiva(voci, posizione)) testo += ", " + *km;
  return testo + ")";
}

// ----- Listener -----

void Osservatore::key_dropped(FileDescrizione file, int32_t line, SezioneLettura section,
                              std::string_view key) {
  prima_del_generale_aperta_ = section == SezioneLettura::prima_del_generale;
  if (!prima_del_generale_aperta_) rilascia_in_attesa(true);
  avvisa_chiave(file, line, section, key);
}

void Osservatore::entry_read(FileDescrizione file, int32_t line, std::string_view entry,
                             int32_t position) {
  prima_del_generale_aperta_ = false;
  rilascia_in_attesa(true);
  valori_scartati_ = false;
  controlla_ordine(file, line, entry, position);
}

void Osservatore::chainage_dropped() {
  Diagnostica d;
  d.gravita = Gravita::avviso;
  d.file = FileDescrizione::linea;
  d.messaggio =
      "the chainage references are dropped: the largest position is shared by two of them, "
      "or none has a chainage above 0; the compiled line carries no chainage";
  rapporto_.aggiungi(std::move(d));
}

// Headings, comments and the closing line are dropped by design. Values
// right after a reported key are part of that mistake and not told again.
void Osservatore::avvisa_chiave(FileDescrizione file, int32_t riga, SezioneLettura sezione,
                                std::string_view chiave) {
  if (intestazione(chiave) || contiene(chiave, "-")) {
    valori_scartati_ = false;
    return;
  }
  if (valore(chiave)) {
    if (sezione != SezioneLettura::prima_del_generale && !valori_scartati_)
      avvisa(file, riga,
             chiave.find_first_not_of(" \t") == std::string_view::npos
                 ? "an empty field stands where a key was expected and is dropped"
                 : "value " + citata(chiave) + " stands where a key was expected and is dropped",
             std::string(chiave));
    valori_scartati_ = true;
    return;
  }
  valori_scartati_ = true;
  const bool file_linea = file == FileDescrizione::linea;
  const std::string testo = citata(chiave);
  switch (sezione) {
    case SezioneLettura::prima_del_generale:
      if (file_linea ? riconosce(generali, chiave) || riconosce(linea, chiave)
                : riconosce(treno, chiave))
        avvisa(file, riga,
               testo + " ignored: outside its section (entries count only after \"[generale]\")",
               std::string(chiave));
      else
        valori_scartati_ = false;  // free text before the start is allowed
      return;
    case SezioneLettura::generale:
      if (riconosce(linea, chiave))
        avvisa(file, riga,
               testo + " ignored: outside its section (line entries belong after the heading "
                       "that closes the general section)",
               std::string(chiave));
      else if (riconosce(generali, chiave))
        avvisa(file, riga,
               testo + " starts no entry: the keywords of the general entries must be "
                       "written in lower case",
               std::string(chiave));
      else
        avvisa(file, riga, "key " + testo + " starts no entry and is dropped, with its values",
               std::string(chiave));
      return;
    case SezioneLettura::voci:
      if (file_linea && riconosce(generali, chiave))
        avvisa(file, riga,
               testo + " ignored: outside its section (general entries belong before the first "
                       "heading after \"[generale]\")",
               std::string(chiave));
      else
        avvisa(file, riga, "key " + testo + " starts no entry and is dropped, with its values",
               std::string(chiave));
      return;
  }
}

void Osservatore::controlla_ordine(FileDescrizione file, int32_t riga, std::string_view voce,
                                   int32_t posizione) {
  if (std::find(std::begin(kInOrdine), std::end(kInOrdine), voce) == std::end(kInOrdine)) return;
  const auto ultima = std::find_if(ultime_.begin(), ultime_.end(),
                                   [&](const Ultima& u) { return u.voce == voce; });
  if (ultima == ultime_.end()) {
    ultime_.push_back({std::string(voce), file, riga, posizione});
    return;
  }
  if (posizione <= ultima->posizione)
    avvisa(file, riga,
           std::string(voce) + " at " + std::to_string(posizione) +
               " m is not after the previous one at " + std::to_string(ultima->posizione) +
               " m (line " + std::to_string(ultima->riga) + "): entries of this kind must be in "
               "ascending order of position",
           {});
  *ultima = {std::string(voce), file, riga, posizione};
}

void Osservatore::rilascia_in_attesa(bool tieni) {
  if (tieni)
    for (Diagnostica& d : prima_del_generale_) rapporto_.aggiungi(std::move(d));
  prima_del_generale_.clear();
}

void Osservatore::avvisa(FileDescrizione file, int32_t riga, std::string messaggio,
                         std::string segno) {
  Diagnostica d;
  d.gravita = Gravita::avviso;
  d.file = file;
  d.riga = riga;
  d.messaggio = std::move(messaggio);
  d.segno = std::move(segno);
  // Entries before "[generale]" wait until the heading is found: a file
  // without it gets one message of its own (code 102 for the line, a
  // warning for the train) instead of one per entry.
  if (prima_del_generale_aperta_)
    prima_del_generale_.push_back(std::move(d));
  else
    rapporto_.aggiungi(std::move(d));
}

// ----- Codes -----

// Every code is kept as the build records it, with the entry it names: the
// build knows which field concerns the code, the grid scan's codes included.
void Osservatore::code_recorded(int32_t code, int32_t position, const LuogoSorgente& entry) {
  registrazioni_.push_back({code, position, entry});
}

void Osservatore::riporta_codici(std::string_view dettaglio) {
  rilascia_in_attesa(false);  // still waiting: the file never reached "[generale]"
  for (size_t i = 0; i < registrazioni_.size(); ++i) {
    const Registrazione& r = registrazioni_[i];
    const LuogoSorgente& luogo = r.luogo;
    const CodiceErrore* riga = cerca_codice(r.codice);
    const bool con_posizione = riga != nullptr && riga->con_posizione;

    Diagnostica d;
    d.file = luogo.file;
    d.riga = luogo.fine_file ? static_cast<int32_t>(rapporto_.file(luogo.file).righe.size())
                             : luogo.riga;
    d.mostra_riga = !luogo.fine_file;
    const std::string posizione = con_posizione ? testo_posizione(form_.voci, r.posizione) : "";
    // A code 15 left by the line half stops the train half at its first
    // signal or slowdown, which records it again there.
    if (r.codice == 15 && i > 0 && registrazioni_[i - 1].codice == r.codice) {
      d.gravita = Gravita::nota;
      d.messaggio = "code " + std::to_string(r.codice) + " recorded again" + posizione +
                    "; the reading of this file stops here";
    } else {
      d.codice = r.codice;
      d.messaggio = std::string(riga != nullptr ? riga->significato : "not a code of this builder") +
                    posizione;
      if (r.codice == 25 && !dettaglio.empty()) d.messaggio += " (" + std::string(dettaglio) + ")";
    }
    rapporto_.aggiungi(std::move(d));
  }
}
