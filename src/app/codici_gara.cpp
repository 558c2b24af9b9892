#include "app/codici_gara.h"

#include "app/form1.h"
#include "platform/ansi.h"

namespace {
// Only the first 25 characters of the key count; the fixed tail makes sure
// there are always at least 26.
constexpr size_t kLunghezzaChiave = 25;
constexpr std::string_view kCoda = "aabbccddeeffgghhiillmmnnoo";
}  // namespace

std::string chiave_codici(std::string_view numero_treno, std::string_view nome_linea) {
  std::string chiave(numero_treno);
  chiave += nome_linea;
  chiave = minuscolo(chiave);
  chiave += kCoda;
  return chiave;
}

int16_t codice_semplice(std::string_view chiave) {
  int32_t somma = 0;  // at most 25 * 255 = 6375
  for (size_t i = 0; i < kLunghezzaChiave && i < chiave.size(); ++i)
    somma += static_cast<uint8_t>(chiave[i]);
  return static_cast<int16_t>(somma);
}

int32_t codice_pesato(std::string_view chiave) {
  int32_t somma = 0;  // at most 255 * 325 = 82875
  for (size_t i = 0; i < kLunghezzaChiave && i < chiave.size(); ++i)
    somma += static_cast<uint8_t>(chiave[i]) * static_cast<int32_t>(i + 1);
  return somma;
}

namespace {
// Marker values of the reserved slots, fixed for every scenario.
constexpr int16_t kMarcatoreVoce = 610;
constexpr int16_t kMarcatoreCella = 5121;
constexpr int32_t kCellaCodici = 1;
}  // namespace

int16_t Form1::codice_gara_og() {
  riga = chiave_codici(voci[voce_fissa::treno].nome, voci[voce_fissa::linea].nome);
  return codice_semplice(riga);
}

int32_t Form1::codice_gara_st() {
  riga = chiave_codici(voci[voce_fissa::treno].nome, voci[voce_fissa::linea].nome);
  return codice_pesato(riga);
}

// The guards make sure no item of the compilers or of the grid scan sits in
// the reserved slots before the markers and codes go in. The grid always
// reaches cell 1 here (the driver does not come this far without it); at()
// keeps a misuse from reading past the grid.
void Form1::controlla_codici() {
  voce& linea = voci[voce_fissa::linea];
  cella& codici = percorso.at(kCellaCodici);
  if (linea.campo7 != 0 || codici.dato1 != 0) errore(std::to_string(1250));
  linea.campo7 = kMarcatoreVoce;
  codici.dato1 = kMarcatoreCella;
  if (linea.orario != 0 || codici.dato2 != 0) errore(std::to_string(1251));
  linea.orario = codice_gara_st();
  codici.dato2 = codice_gara_og();
}
