#include "output/scenario_files.h"

#include <algorithm>
#include <bit>
#include <cstring>
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

// The line data file of the largest line is some 20 MB, two elements for
// every metre: it is laid out in one buffer of its exact size and written
// through a pointer, run by run (the integers of metres 0 and 1, the doubles,
// the empty rows), so that the build holds it once and copies nothing.

constexpr size_t kByteVuoto = 2;    ///< tag 0 alone
constexpr size_t kByteIntero = 4;   ///< tag 2 and a 16-bit integer
constexpr size_t kByteReale = 10;   ///< tag 5 and a double

char* scrivi_u16(char* p, uint16_t v) {
  p[0] = static_cast<char>(v & 0xFFu);
  p[1] = static_cast<char>((v >> 8) & 0xFFu);
  return p + 2;
}

char* scrivi_f64(char* p, double v) {
  const auto u = std::bit_cast<uint64_t>(v);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &u, sizeof u);
  } else {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<char>((u >> (8 * i)) & 0xFFu);
  }
  return p + 8;
}

/// The rows of the plan by the kind of value they hold.
struct RigheTracciato {
  size_t interi = 0, reali = 0, vuote = 0;
  explicit RigheTracciato(const Tracciato& t) {
    const auto righe = static_cast<size_t>(t.righe());
    const auto calcolati = std::min(static_cast<size_t>(std::max(t.calcolati, 0)), righe);
    interi = std::min<size_t>(calcolati, 2);
    reali = calcolati - interi;
    vuote = righe - calcolati;
  }
  size_t byte_colonna() const { return interi * kByteIntero + reali * kByteReale + vuote * kByteVuoto; }
};

// Both columns in one pass over the plan: column 0 fills the first half of
// the buffer and column 1 the second, so each row is read once.
void scrivi_colonne(char* p0, char* p1, const Tracciato& t, const RigheTracciato& r) {
  size_t metro = 0;
  for (; metro < r.interi; ++metro) {
    p0 = scrivi_u16(p0, static_cast<uint16_t>(TipoVariante::intero16));
    p0 = scrivi_u16(p0, static_cast<uint16_t>(nearest_int16(t.punti[metro][0])));
    p1 = scrivi_u16(p1, static_cast<uint16_t>(TipoVariante::intero16));
    p1 = scrivi_u16(p1, static_cast<uint16_t>(nearest_int16(t.punti[metro][1])));
  }
  for (const size_t fine = metro + r.reali; metro < fine; ++metro) {
    p0 = scrivi_u16(p0, static_cast<uint16_t>(TipoVariante::reale64));
    p0 = scrivi_f64(p0, t.punti[metro][0]);
    p1 = scrivi_u16(p1, static_cast<uint16_t>(TipoVariante::reale64));
    p1 = scrivi_f64(p1, t.punti[metro][1]);
  }
  for (size_t i = 0; i < r.vuote; ++i) {
    p0 = scrivi_u16(p0, static_cast<uint16_t>(TipoVariante::vuoto));
    p1 = scrivi_u16(p1, static_cast<uint16_t>(TipoVariante::vuoto));
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

Blocco bytes_tracciato(const Tracciato& tracciato) {
  const RigheTracciato righe(tracciato);
  const size_t colonna = righe.byte_colonna();
  Blocco out(2 * colonna);
  scrivi_colonne(out.data(), out.data() + colonna, tracciato, righe);
  return out;
}

namespace {

// Serializes one table. A table that cannot be turned into bytes (a name
// outside the code page, a value outside its width) fails like a file that
// cannot be written: under the file's name.
template <class Serialize>
auto serialized(const std::filesystem::path& file, Serialize serialize) {
  try {
    return serialize();
  } catch (const std::runtime_error& failure) {
    throw FileError(file, std::string("cannot write: ") + failure.what());
  }
}

}  // namespace

// The three files are replaced together: all of them are serialized and
// written beside the old ones before the first old file goes, so a failure
// anywhere leaves the simulator the three old files that belong together,
// never a new one beside old ones.
void Form1::scrivi_file_compilati() {
  const auto file_linea = nome_file("_linea.dat");
  const auto file_servizio = nome_file("_" + numero_treno + ".sim");
  const auto file_percorso = nome_file("_" + numero_treno + ".dat");
  const std::string servizio = serialized(file_servizio, [this] { return bytes_voci(voci); });
  const std::string griglia = serialized(file_percorso, [this] { return bytes_percorso(percorso); });
  // With the switch off there is no plan: an older line data file stays as it was.
  if (compila_linea == 0) {
    const NewFile gruppo[] = {{file_servizio, servizio}, {file_percorso, griglia}};
    platform.replace_files(gruppo);
    return;
  }
  const Blocco linea = serialized(file_linea, [this] { return bytes_tracciato(tracciato); });
  const NewFile gruppo[] = {{file_linea, linea}, {file_servizio, servizio}, {file_percorso, griglia}};
  platform.replace_files(gruppo);
}
