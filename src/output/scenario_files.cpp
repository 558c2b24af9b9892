#include "output/scenario_files.h"

#include <bit>
#include <cstdint>
#include <limits>

#include "app/form1.h"
#include "model/numbers.h"
#include "platform/ansi.h"

namespace {

// Every number goes out least significant byte first, whatever the host.
void metti_u8(std::string& out, uint8_t v) { out += static_cast<char>(v); }

void metti_u16(std::string& out, uint16_t v) {
  for (int i = 0; i < 2; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFFu);
}

void metti_i16(std::string& out, int16_t v) { metti_u16(out, static_cast<uint16_t>(v)); }

void metti_i32(std::string& out, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out += static_cast<char>((u >> (8 * i)) & 0xFFu);
}

void metti_f64(std::string& out, double v) {
  const auto u = std::bit_cast<uint64_t>(v);
  for (int i = 0; i < 8; ++i) out += static_cast<char>((u >> (8 * i)) & 0xFFu);
}

constexpr size_t kByteCella = 15;
constexpr size_t kByteVoceSenzaNome = 34;

void metti_cella(std::string& out, const cella& c) {
  metti_u8(out, c.tipo);
  metti_i16(out, c.dato1);
  metti_i16(out, c.dato2);
  metti_i16(out, c.dato3);
  metti_i16(out, c.dato4);
  metti_u8(out, c.tempo_segnale);
  metti_u8(out, c.marcatore);
  metti_u8(out, c.montagna);
  metti_u8(out, c.velocita);
  metti_u8(out, c.pendenza);
  metti_u8(out, c.aderenza);
}

// A text field: its unsigned 16-bit length, then one ANSI byte per character.
void metti_testo(std::string& out, const std::string& testo, const std::string& cosa) {
  const std::string& ansi = converti_ansi(testo, cosa);
  if (ansi.size() > std::numeric_limits<uint16_t>::max())
    throw RecordError(cosa + ": " + std::to_string(ansi.size()) +
                      " bytes do not fit a 16-bit length");
  metti_u16(out, static_cast<uint16_t>(ansi.size()));
  out += ansi;
}

void metti_voce(std::string& out, const voce& v, int32_t indice) {
  metti_u8(out, v.tipo);
  metti_i32(out, v.inizio);
  metti_i32(out, v.fine);
  metti_i32(out, v.posizione);
  metti_u8(out, v.campo4);
  metti_testo(out, v.nome, "the name of record " + std::to_string(indice));
  metti_i16(out, v.campo7);
  metti_i16(out, v.campo8);
  metti_i16(out, v.campo10);
  metti_i16(out, v.campo11);
  metti_i16(out, v.campo12);
  metti_u8(out, v.campo9);
  metti_u8(out, v.campo13);
  metti_u8(out, v.prolunga);
  metti_u8(out, v.campo5);
  metti_i32(out, v.orario);
}

void metti_elemento(std::string& out, const Tracciato& t, int32_t metro, int colonna) {
  const TipoVariante tipo = t.tipo(metro);
  metti_u16(out, static_cast<uint16_t>(tipo));
  const double valore = t.punti[static_cast<size_t>(metro)][static_cast<size_t>(colonna)];
  switch (tipo) {
    case TipoVariante::vuoto:
      break;
    case TipoVariante::intero16:
      metti_i16(out, nearest_int16(valore));
      break;
    case TipoVariante::reale64:
      metti_f64(out, valore);
      break;
  }
}

}  // namespace

std::string bytes_percorso(const Percorso& percorso) {
  std::string out;
  out.reserve(kByteCella * percorso.size());
  for (const cella& c : percorso) metti_cella(out, c);
  return out;
}

std::string bytes_voci(const Voci& voci) {
  std::string out;
  out.reserve(kByteVoceSenzaNome * voci.size());
  for (int32_t i = 0; i < numero_voci; ++i) metti_voce(out, voci[static_cast<size_t>(i)], i);
  return out;
}

std::string bytes_tracciato(const Tracciato& tracciato) {
  std::string out;
  for (int colonna = 0; colonna < 2; ++colonna)
    for (int32_t metro = 0; metro < tracciato.righe(); ++metro)
      metti_elemento(out, tracciato, metro, colonna);
  return out;
}

namespace {

// Serializes one table and replaces its file in one write. A table that
// cannot be turned into bytes (a name outside the code page, a value outside
// its width) fails like a file that cannot be written: under the file's name.
template <class Serializza>
void scrivi_file(Platform& platform, const std::filesystem::path& file, Serializza serializza) {
  std::string bytes;
  try {
    bytes = serializza();
  } catch (const std::runtime_error& failure) {
    throw FileError(file, std::string("cannot write: ") + failure.what());
  }
  platform.replace_file(file, bytes);
}

}  // namespace

void Form1::scrivi_file_compilati() {
  // With the switch off there is no plan: an older line data file stays as it was.
  if (compila_linea != 0)
    scrivi_file(platform, nome_file("_linea.dat"), [this] { return bytes_tracciato(tracciato); });
  scrivi_file(platform, nome_file("_" + numero_treno + ".sim"), [this] { return bytes_voci(voci); });
  scrivi_file(platform, nome_file("_" + numero_treno + ".dat"),
              [this] { return bytes_percorso(percorso); });
}
