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

// TODO(spine): the form's procedures, the guards and the stores.
int16_t Form1::codice_gara_og() { return 0; }
int32_t Form1::codice_gara_st() { return 0; }
void Form1::controlla_codici() {}
