#include "sessione.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "app/codici_errore.h"
#include "app/form1.h"
#include "cartella_privata.h"
#include "nomi_scenario.h"
#include "osservatore.h"
#include "platform/ansi.h"
#include "platform/system_platform.h"
#include "rapporto.h"

namespace fs = std::filesystem;

namespace {

constexpr int32_t kLineaCompilata = 1;  // the line switch of every build

/// Thrown where the build would end the program (a guard): carries the status.
struct FineBuild {
  int stato;
};

/// The platform of one compilation: the program folder is the private copy
/// folder; the message box and reports are kept; the end of the program
/// comes back as an exception.
class PiattaformaPrivata : public SystemPlatform {
 public:
  explicit PiattaformaPrivata(const fs::path& cartella) : SystemPlatform(cartella) {}

  void show_window(const std::string&) override {}
  void message_box(const std::string& testo) override { messaggi.push_back(testo); }
  void report(const std::string& riga) override { rapporti.push_back(riga); }
  [[noreturn]] void end_program(int stato) override { throw FineBuild{stato}; }

  std::string read_file(const fs::path& file) override {
    letti.push_back(file);
    return SystemPlatform::read_file(file);
  }

  std::vector<std::string> messaggi;
  std::vector<std::string> rapporti;
  std::vector<fs::path> letti;
};

std::string mostrato(const fs::path& cartella, const fs::path& nome) {
  return (cartella / nome).lexically_normal().string();
}

std::string sostituisci_tutti(std::string testo, const std::string& da, const std::string& a) {
  if (da.empty()) return testo;
  for (size_t i = testo.find(da); i != std::string::npos; i = testo.find(da, i + a.size()))
    testo.replace(i, da.size(), a);
  return testo;
}

// "line 12: expected a number" -> "expected a number": the message already
// points at the line.
std::string senza_riga(std::string dettaglio) {
  if (dettaglio.rfind("line ", 0) != 0) return dettaglio;
  size_t i = 5;
  while (i < dettaglio.size() && dettaglio[i] >= '0' && dettaglio[i] <= '9') ++i;
  if (i == 5 || dettaglio.compare(i, 2, ": ") != 0) return dettaglio;
  return dettaglio.substr(i + 2);
}

class Sessione {
 public:
  Sessione(const Richiesta& r, std::ostream& messaggi) : r_(r), out_(messaggi) {}
  int esegui();

 private:
  bool controlla_nomi();
  bool controlla_cartelle();
  bool leggi_descrizioni();
  int compila(CartellaPrivata& privata);
  int costruisci(Form1& form, PiattaformaPrivata& piattaforma);
  std::vector<fs::path> compilati(const Form1& form, PiattaformaPrivata& piattaforma) const;
  int copia_compilati(PiattaformaPrivata& piattaforma, const std::vector<fs::path>& scritti);
  std::string nomi_autore(std::string testo) const;
  int errore_file(const FileError& e) const;
  void rifiuta(const std::string& messaggio) const { out_ << "scenario-compile: " << messaggio << '\n'; }

  const Richiesta& r_;
  std::ostream& out_;
  fs::path uscita_;
  std::string linea_, treno_;  ///< Windows-1252
  fs::path nome_linea_, nome_treno_;  ///< the two file names, without a folder
  std::string testo_linea_, testo_treno_;
  std::vector<std::pair<std::string, std::string>> nomi_privati_;  ///< private path -> author's
  std::vector<std::string> righe_fatali_;  ///< what ended the build, when it did not finish
};

int Sessione::esegui() {
  if (!controlla_nomi() || !controlla_cartelle()) return stato_uscita::uso;
  try {
    if (!leggi_descrizioni()) return stato_uscita::uso;
    CartellaPrivata privata;
    return compila(privata);
  } catch (const FileError& e) {
    return errore_file(e);
  }
}

bool Sessione::controlla_nomi() {
  const auto linea = controlla_nome(r_.linea, "line name");
  const auto treno = controlla_nome(r_.treno, "train number");
  for (const auto* esito : {&linea, &treno})
    if (const auto* no = std::get_if<NomeRifiutato>(esito)) rifiuta("bad " + no->motivo);
  if (!std::holds_alternative<std::string>(linea) || !std::holds_alternative<std::string>(treno))
    return false;
  linea_ = std::get<std::string>(linea);
  treno_ = std::get<std::string>(treno);
  nome_linea_ = file_nella_cartella({}, scenario_file_name(ScenarioFile::line_description, linea_, treno_));
  nome_treno_ = file_nella_cartella({}, scenario_file_name(ScenarioFile::train_description, linea_, treno_));
  return true;
}

bool Sessione::controlla_cartelle() {
  std::error_code ec;
  if (!fs::is_directory(r_.sorgente, ec)) {
    rifiuta(r_.sorgente.string() + ": no such source folder");
    return false;
  }
  uscita_ = r_.uscita.value_or(r_.sorgente);
  if (!r_.solo_verifica && !fs::is_directory(uscita_, ec)) {
    rifiuta(uscita_.string() + ": no such output folder");
    return false;
  }
  return true;
}

// The author's files are read once, here, and never opened again.
bool Sessione::leggi_descrizioni() {
  bool presenti = true;
  for (const fs::path& nome : {nome_linea_, nome_treno_}) {
    std::error_code ec;
    if (!fs::is_regular_file(r_.sorgente / nome, ec)) {
      rifiuta(mostrato(r_.sorgente, nome) + ": no such description file");
      presenti = false;
    }
  }
  if (!presenti) return false;
  SystemPlatform lettore(r_.sorgente);
  testo_linea_ = lettore.read_file(r_.sorgente / nome_linea_);
  testo_treno_ = lettore.read_file(r_.sorgente / nome_treno_);
  return true;
}

int Sessione::compila(CartellaPrivata& privata) {
  PiattaformaPrivata piattaforma(privata.percorso());
  piattaforma.replace_file(privata.percorso() / nome_linea_, testo_linea_);
  piattaforma.replace_file(privata.percorso() / nome_treno_, testo_treno_);

  Form1 form(piattaforma);
  form.nome_linea = linea_;
  form.numero_treno = treno_;
  for (const fs::path& nome : {nome_linea_, nome_treno_})
    nomi_privati_.emplace_back((privata.percorso() / nome).string(), mostrato(r_.sorgente, nome));
  for (const ScenarioFile compilato : kCompiledFiles)
    nomi_privati_.emplace_back(form.nome_file(compilato).string(),
                               mostrato(uscita_, form.nome_file(compilato).filename()));

  Rapporto rapporto({mostrato(r_.sorgente, nome_linea_), dividi_righe(testo_linea_)},
                    {mostrato(r_.sorgente, nome_treno_), dividi_righe(testo_treno_)},
                    scenario_stem(r_.linea, r_.treno));
  Osservatore osservatore(form, rapporto);
  form.ascoltatore = &osservatore;

  const int stato = costruisci(form, piattaforma);
  osservatore.riporta_codici(nomi_autore(senza_riga(form.dettaglio_errore)));
  if (stato != stato_uscita::pulito) {
    rapporto.scrivi(out_);
    for (const std::string& riga : righe_fatali_) out_ << riga << '\n';
    return stato;
  }
  const bool treno_letto = std::find(piattaforma.letti.begin(), piattaforma.letti.end(),
                                     privata.percorso() / nome_treno_) != piattaforma.letti.end();
  if (!treno_letto)
    rapporto.aggiungi({Gravita::nota, 0, FileDescrizione::treno, 0, false,
                       "not compiled: the build stopped in the line description", {}});
  else if (minuscolo(testo_treno_).find("[generale]") == std::string::npos)
    // The reader takes nothing before that heading, and finding none is no
    // error to it: the whole train would silently be missing.
    rapporto.aggiungi({Gravita::avviso, 0, FileDescrizione::treno, 0, false,
                       "no field holds \"[generale]\": every entry of this file is ignored", {}});
  const std::vector<fs::path> scritti = compilati(form, piattaforma);
  if (scritti.empty())
    rapporto.aggiungi({Gravita::nota, 0, std::nullopt, 0, false,
                       "no compiled file was written: the build stopped before the cell grid "
                       "existed",
                       {}});
  rapporto.scrivi(out_);

  if (!r_.solo_verifica) {
    const int copia = copia_compilati(piattaforma, scritti);
    if (copia != stato_uscita::pulito) return copia;
  }
  return form.codice_errore != 0 || scritti.empty() ? stato_uscita::codice_registrato
                                                     : stato_uscita::pulito;
}

// The compiled files the build wrote into the private folder, in the order
// it writes them: line data file, service file, grid file.
std::vector<fs::path> Sessione::compilati(const Form1& form, PiattaformaPrivata& piattaforma) const {
  std::vector<fs::path> scritti;
  for (const ScenarioFile compilato : kCompiledFiles) {
    const fs::path file = form.nome_file(compilato);
    if (piattaforma.file_exists(file)) scritti.push_back(file);
  }
  return scritti;
}

// The build exactly as the main program's driver runs it, minus the text
// writers: the description files are the author's. A guard ends it with its
// numbered message; a file failure ends it with the file's name (the writers
// of the compiled files report a text they cannot hold that way too).
int Sessione::costruisci(Form1& form, PiattaformaPrivata& piattaforma) {
  try {
    form.memorizza_percorso(kLineaCompilata);
    return stato_uscita::pulito;
  } catch (const FineBuild& fine) {
    righe_fatali_ = piattaforma.rapporti.empty() ? piattaforma.messaggi : piattaforma.rapporti;
    righe_fatali_.push_back(scenario_stem(r_.linea, r_.treno) + ": note: no compiled file was written");
    return fine.stato;
  } catch (const FileError& e) {
    righe_fatali_.push_back("scenario-compile: " + nomi_autore(e.what()));
  }
  return stato_uscita::fatale;
}

// The compiled files go from the private folder to the output folder, each
// replaced safely, in the order the build wrote them.
int Sessione::copia_compilati(PiattaformaPrivata& piattaforma, const std::vector<fs::path>& scritti) {
  try {
    for (const fs::path& file : scritti)
      piattaforma.replace_file(uscita_ / file.filename(), piattaforma.read_file(file));
  } catch (const FileError& e) {
    return errore_file(e);
  }
  return stato_uscita::pulito;
}

std::string Sessione::nomi_autore(std::string testo) const {
  for (const auto& [privato, autore] : nomi_privati_) testo = sostituisci_tutti(testo, privato, autore);
  return testo;
}

int Sessione::errore_file(const FileError& e) const {
  out_ << "scenario-compile: " << nomi_autore(e.what()) << '\n';
  return stato_uscita::fatale;
}

}  // namespace

int compila_scenario(const Richiesta& richiesta, std::ostream& messaggi) {
  return Sessione(richiesta, messaggi).esegui();
}
