#include "output/scenario_files.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "app/form1.h"
#include "model/numbers.h"
#include "output/layouts.h"
#include "platform/ansi.h"

namespace {

using layout::append_le;
using layout::store_le;

// A text field: its unsigned 16-bit length, then one ANSI byte per character.
void metti_testo(std::string& out, const std::string& testo, const std::string& cosa) {
  const std::string& ansi = converti_ansi(testo, cosa);
  if (ansi.size() > std::numeric_limits<uint16_t>::max())
    throw RecordError(cosa + ": " + std::to_string(ansi.size()) +
                      " bytes do not fit a 16-bit length");
  append_le(out, static_cast<uint16_t>(ansi.size()));
  out += ansi;
}

void metti_cella(std::string& out, const cella& c) {
  layout::for_each_field(layout::kCellFields, [&](const auto& f) { append_le(out, c.*f.member); });
}

void metti_voce(std::string& out, const voce& v, int32_t indice) {
  layout::for_each_field(layout::kRecordFields, [&](const auto& f) {
    if constexpr (std::remove_cvref_t<decltype(f)>::is_text)
      metti_testo(out, v.*f.member, "the name of record " + std::to_string(indice));
    else
      append_le(out, v.*f.member);
  });
}

// The line data file of the largest line is some 20 MB, two elements for
// every metre: it is laid out in one buffer of its exact size and written
// through a pointer, run by run (the integers of metres 0 and 1, the doubles,
// the empty rows), so that the build holds it once and copies nothing.

constexpr size_t kByteVuoto = layout::element_bytes(TipoVariante::vuoto);
constexpr size_t kByteIntero = layout::element_bytes(TipoVariante::intero16);
constexpr size_t kByteReale = layout::element_bytes(TipoVariante::reale64);

char* scrivi_tag(char* p, TipoVariante tag) { return store_le(p, static_cast<uint16_t>(tag)); }

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
    p0 = store_le(scrivi_tag(p0, TipoVariante::intero16), nearest_int16(t.punti[metro][0]));
    p1 = store_le(scrivi_tag(p1, TipoVariante::intero16), nearest_int16(t.punti[metro][1]));
  }
  for (const size_t fine = metro + r.reali; metro < fine; ++metro) {
    p0 = store_le(scrivi_tag(p0, TipoVariante::reale64), t.punti[metro][0]);
    p1 = store_le(scrivi_tag(p1, TipoVariante::reale64), t.punti[metro][1]);
  }
  for (size_t i = 0; i < r.vuote; ++i) {
    p0 = scrivi_tag(p0, TipoVariante::vuoto);
    p1 = scrivi_tag(p1, TipoVariante::vuoto);
  }
}

}  // namespace

std::string bytes_percorso(const Percorso& percorso) {
  std::string out;
  out.reserve(layout::kCellBytes * percorso.size());
  for (const cella& c : percorso) metti_cella(out, c);
  return out;
}

std::string bytes_voci(const Voci& voci) {
  std::string out;
  out.reserve(layout::kRecordBytesWithoutName * voci.size());
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
  const auto file_linea = nome_file(ScenarioFile::line_data);
  const auto file_servizio = nome_file(ScenarioFile::service);
  const auto file_percorso = nome_file(ScenarioFile::grid);
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
