#include "app/check_codes.h"

#include "app/form1.h"
#include "platform/ansi.h"

namespace {
// Only the first 25 characters of the key count; the fixed tail makes sure
// there are always at least 26.
constexpr size_t kKeyLength = 25;
constexpr std::string_view kTail = "aabbccddeeffgghhiillmmnnoo";
}  // namespace

std::string check_code_key(std::string_view numero_treno, std::string_view nome_linea) {
  std::string key(numero_treno);
  key += nome_linea;
  key = lowercase(key);
  key += kTail;
  return key;
}

int16_t plain_code(std::string_view key) {
  int32_t sum = 0;  // at most 25 * 255 = 6375
  for (size_t i = 0; i < kKeyLength && i < key.size(); ++i)
    sum += static_cast<uint8_t>(key[i]);
  return static_cast<int16_t>(sum);
}

int32_t weighted_code(std::string_view key) {
  int32_t sum = 0;  // at most 255 * 325 = 82875
  for (size_t i = 0; i < kKeyLength && i < key.size(); ++i)
    sum += static_cast<uint8_t>(key[i]) * static_cast<int32_t>(i + 1);
  return sum;
}

namespace {
// Marker values of the reserved slots, fixed for every scenario.
constexpr int16_t kRecordMarker = 610;
constexpr int16_t kCellMarker = 5121;
constexpr int32_t kCodesCell = 1;
}  // namespace

int16_t Form1::codice_gara_og() {
  riga = check_code_key(voci[fixed_record::train].nome, voci[fixed_record::line].nome);
  return plain_code(riga);
}

int32_t Form1::codice_gara_st() {
  riga = check_code_key(voci[fixed_record::train].nome, voci[fixed_record::line].nome);
  return weighted_code(riga);
}

// The guards make sure no item of the compilers or of the grid scan sits in
// the reserved slots before the markers and codes go in. The grid always
// reaches cell 1 here (the driver does not come this far without it); at()
// keeps a misuse from reading past the grid.
void Form1::guard_and_store_codes() {
  voce& line = voci[fixed_record::line];
  cella& codes = percorso.at(kCodesCell);
  if (line.campo7 != 0 || codes.dato1 != 0) errore(std::to_string(1250));
  line.campo7 = kRecordMarker;
  codes.dato1 = kCellMarker;
  if (line.orario != 0 || codes.dato2 != 0) errore(std::to_string(1251));
  line.orario = codice_gara_st();
  codes.dato2 = codice_gara_og();
}
