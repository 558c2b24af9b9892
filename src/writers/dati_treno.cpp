// The train description writer: the built-in service as the file that the
// service compiler reads in the same run.

#include <string>
#include <vector>

#include "app/form1.h"
#include "writers/contenuto_treno.h"
#include "writers/formato.h"

namespace {

/// The general section. The clock's three numbers are parted by blanks alone
/// and the line keeps its one trailing blank.
constexpr const char* kGenerale[] = {
    "[generale]",
    "numero vetture,    3",
    "percentuale massa frenata,    120",
    "sabbia,    300",
    "orologio,    6               47            30 ",
};

/// The keyword, then every number right-aligned in its width, each after a comma.
template <std::size_t N>
std::string riga_campi(const char* parola, const std::array<int32_t, N>& valori,
                       const std::array<std::size_t, N>& larghezze) {
  std::string riga = parola;
  for (std::size_t i = 0; i < N; ++i) {
    riga += ',';
    riga += a_destra(valori[i], larghezze[i]);
  }
  return riga;
}

std::string riga_aderenza(const AdhesionRow& a) {
  return riga_campi<2>("aderenza", {a.posizione, a.aderenza}, {8, 6});
}

std::string riga_velocita() {
  return riga_campi<2>("velocita", {kVelocitaPosizione, kVelocitaLimite}, {8, 6});
}

/// The sixteen numbers, then a comma, one blank and the name, which ends the line.
std::string riga_stazione(const StationRow& s) {
  return riga_campi("stazione", s.campi, kLarghezzeStazione) + ", " + s.nome;
}

std::string riga_segnale(const SignalRow& s) {
  return riga_campi("segnale", campi_segnale(s), kLarghezzeSegnale);
}

}  // namespace

void Form1::dati_treno() {
  std::vector<std::string> righe(std::begin(kGenerale), std::end(kGenerale));
  righe.emplace_back("[aderenze]");
  for (const AdhesionRow& a : kAdhesion) righe.push_back(riga_aderenza(a));
  righe.emplace_back("[vel_limite]");
  righe.push_back(riga_velocita());
  righe.emplace_back("[stazioni]");
  for (const StationRow& s : kStations) righe.push_back(riga_stazione(s));
  // This service has no slowdowns and no codes: their headings stand alone.
  righe.emplace_back("[rallentamenti]");
  righe.emplace_back("[segnali]");
  for (const SignalRow& s : kSignals) righe.push_back(riga_segnale(s));
  righe.emplace_back("[codici]");
  righe.emplace_back("[fine]");
  chiudi_tabella(righe);
  scrivi_righe(ScenarioFile::train_description, righe);
}
