#include "rapporto.h"

#include <algorithm>

#include "platform/ansi.h"

std::vector<std::string> dividi_righe(std::string_view contenuto) {
  std::vector<std::string> righe;
  std::string riga;
  for (size_t i = 0; i < contenuto.size(); ++i) {
    const char c = contenuto[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < contenuto.size() && contenuto[i + 1] == '\n') ++i;
      righe.push_back(std::move(riga));
      riga.clear();
    } else {
      riga += c;
    }
  }
  if (!riga.empty()) righe.push_back(std::move(riga));
  return righe;
}

Rapporto::Rapporto(FileSorgente linea, FileSorgente treno, std::string scenario)
    : file_{std::move(linea), std::move(treno)}, scenario_(std::move(scenario)) {}

void Rapporto::aggiungi(Diagnostica d) { diagnostiche_.push_back(std::move(d)); }

bool Rapporto::ha_errori() const {
  return std::any_of(diagnostiche_.begin(), diagnostiche_.end(),
                     [](const Diagnostica& d) { return d.gravita == Gravita::errore; });
}

void Rapporto::scrivi(std::ostream& uscita) const {
  for (const Diagnostica& d : diagnostiche_) scrivi(uscita, d);
}

namespace {

const char* parola(Gravita g) {
  switch (g) {
    case Gravita::errore:
      return "error";
    case Gravita::avviso:
      return "warning";
    case Gravita::nota:
      return "note";
  }
  return "error";
}

// The caret stands under the first character of `segno` in the line, or
// under the line's first non-blank character. Tabs before it are kept, so it
// lines up in a terminal whatever the tab width.
std::string riga_del_segno(const std::string& riga, const std::string& segno) {
  size_t colonna = segno.empty() ? std::string::npos : riga.find(segno);
  if (colonna == std::string::npos) colonna = riga.find_first_not_of(" \t");
  if (colonna == std::string::npos) colonna = 0;
  std::string spazi;
  for (size_t i = 0; i < colonna; ++i) spazi += riga[i] == '\t' ? '\t' : ' ';
  return spazi + "^";
}

}  // namespace

void Rapporto::scrivi(std::ostream& uscita, const Diagnostica& d) const {
  const FileSorgente* f = d.file ? &file_[indice(*d.file)] : nullptr;
  uscita << (f ? f->nome_mostrato : scenario_);
  if (f && d.riga > 0) uscita << ':' << d.riga;
  uscita << ": " << parola(d.gravita);
  if (d.codice != 0) uscita << ' ' << d.codice;
  uscita << ": " << d.messaggio << '\n';
  if (!f || !d.mostra_riga || d.riga <= 0 || static_cast<size_t>(d.riga) > f->righe.size()) return;
  const std::string& riga = f->righe[static_cast<size_t>(d.riga) - 1];
  uscita << cp1252_a_utf8(riga) << '\n' << riga_del_segno(riga, d.segno) << '\n';
}
