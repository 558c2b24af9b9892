#include "harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <sstream>

#include "app/codici_errore.h"
#include "app/form1.h"
#include "compile/field_reader.h"
#include "decode.h"
#include "output/layouts.h"
#include "output/scenario_files.h"
#include "platform/ansi.h"
#include "render.h"
#include "report.h"
#include "scenario.h"
#include "testing/memory_platform.h"

namespace fs = std::filesystem;

namespace {

/// An invariant broke: say which and where, then stop the process so that
/// the fuzzer keeps the input (and a replay test fails).
[[noreturn]] void violazione(const char* harness, const std::string& cosa) {
  std::fprintf(stderr, "%s: invariant broken: %s\n", harness, cosa.c_str());
  std::fflush(stderr);
  std::abort();
}

void richiedi(bool condizione, const char* harness, const std::string& cosa) {
  if (!condizione) violazione(harness, cosa);
}

std::string_view come_testo(std::span<const uint8_t> input) {
  return {reinterpret_cast<const char*>(input.data()), input.size()};
}

// ===== Field reader =====

enum class Campo { testo, int32, int16, uint8 };

int32_t fine_riga(std::string_view testo) {
  int32_t righe = 0;
  for (size_t i = 0; i < testo.size(); ++i) {
    if (testo[i] == '\n' || (testo[i] == '\r' && (i + 1 == testo.size() || testo[i + 1] != '\n')))
      ++righe;
  }
  return righe;
}

}  // namespace

void fuzz_field_reader(std::span<const uint8_t> input) {
  constexpr const char* kNome = "fuzz_field_reader";
  const std::string_view tutto = come_testo(input);
  const size_t nul = tutto.find('\0');
  const std::string_view tipi = nul == std::string_view::npos ? std::string_view("\0\1\0\2\0\3", 6)
                                                              : tutto.substr(0, nul);
  const std::string_view file = nul == std::string_view::npos ? tutto : tutto.substr(nul + 1);
  if (tipi.empty()) return;

  FieldReader lettore{std::string(file)};
  const int32_t righe = fine_riga(file) + 1;
  int32_t riga_prima = lettore.riga_corrente();
  // Every read takes at least one byte, so the file ends after at most as
  // many reads as it has bytes.
  size_t letture = 0;
  // Fields come out in file order, so each text field is a run that starts
  // at or after the end of the first place the text before it was found:
  // searching from there keeps the check linear in the file.
  size_t search_from = 0;
  for (; !lettore.fine_file(); ++letture) {
    richiedi(letture <= file.size(), kNome, "the reader does not advance");
    const auto campo = static_cast<Campo>(static_cast<uint8_t>(tipi[letture % tipi.size()]) % 4);
    try {
      switch (campo) {
        case Campo::testo: {
          const std::string t = lettore.leggi_testo();
          // A text field is always one run of the file's own bytes, after
          // the text fields read before it.
          const size_t at = file.find(t, search_from);
          richiedi(at != std::string_view::npos, kNome,
                   "a text field that is not a run of the file after the fields before it: \"" + t + "\"");
          search_from = at + t.size();
          break;
        }
        case Campo::int32: lettore.leggi_int32(); break;
        case Campo::int16: lettore.leggi_int16(); break;
        case Campo::uint8: lettore.leggi_uint8(); break;
      }
    } catch (const ReadFailure& failure) {
      richiedi(failure.line() >= 1 && failure.line() <= righe, kNome,
               std::string("a failure outside the file's lines: ") + failure.what());
    }
    richiedi(lettore.riga_corrente() >= riga_prima && lettore.riga_corrente() <= righe, kNome,
             "the line count went back or past the file's lines");
    riga_prima = lettore.riga_corrente();
  }
  // At the end, a further field is a read failure and nothing else.
  try {
    lettore.leggi_testo();
    violazione(kNome, "a field read after the end of the file");
  } catch (const ReadFailure&) {
  }
}

// ===== Whole compilation =====

namespace {

constexpr const char* kCompilazione = "fuzz_compilation";

/// Codes with which the line half returns at once: the train description is
/// then neither read nor deleted.
bool ferma_la_linea(int32_t codice) {
  for (const int32_t c : {1, 3, 4, 5, 6, 21, 102, 103})
    if (c == codice) return true;
  return false;
}

/// Bytes of the line data file that the plan's layout implies: for every row
/// of both columns a 2-byte tag and 2, 8 or no bytes of value.
size_t byte_tracciato(const Tracciato& t) {
  size_t n = 0;
  for (int32_t m = 0; m < t.righe(); ++m) {
    switch (t.tipo(m)) {
      case TipoVariante::vuoto: n += 2; break;
      case TipoVariante::intero16: n += 4; break;
      case TipoVariante::reale64: n += 10; break;
    }
  }
  return 2 * n;
}

size_t byte_voci(const Voci& voci) {
  size_t n = 0;
  for (const voce& v : voci) n += 34 + v.nome.size();
  return n;
}

struct FileCompilati {
  fs::path linea_dat, servizio, griglia;
};

/// The compiled files read back through the inspector must give the very
/// tables the build wrote, with the sizes their layouts imply.
void controlla_file_scritti(const Form1& f, const MemoryPlatform& p, const FileCompilati& nomi) {
  const auto file = [&](const fs::path& nome) -> const std::string& {
    const auto it = p.files.find(nome);
    if (it == p.files.end()) violazione(kCompilazione, "a grid exists but " + nome.string() + " was not written");
    return it->second;
  };
  const std::string& griglia = file(nomi.griglia);
  const std::string& servizio = file(nomi.servizio);
  const std::string& linea = file(nomi.linea_dat);
  richiedi(griglia.size() == 15 * f.percorso.size(), kCompilazione, "grid file size");
  richiedi(servizio.size() == byte_voci(f.voci), kCompilazione, "service file size");
  richiedi(linea.size() == byte_tracciato(f.tracciato), kCompilazione, "line data file size");

  const int32_t lunghezza = f.voci[voce_fissa::generale].fine;
  richiedi(static_cast<int64_t>(f.percorso.size()) == layout::grid_cells(lunghezza), kCompilazione,
           "the grid has " + std::to_string(f.percorso.size()) + " cells, the line length " +
               std::to_string(lunghezza) + " m asks for " + std::to_string(layout::grid_cells(lunghezza)));
  richiedi(f.tracciato.righe() == lunghezza + 7001, kCompilazione, "the plan's rows and the line length");

  ScenarioBytes b{griglia, "grid", servizio, "service", linea, "line data"};
  const Read<Scenario> letto = leggi_scenario(b);
  if (!letto.ok()) violazione(kCompilazione, "written files do not read back: " + letto.error().message());
  const Scenario& s = letto.value();
  richiedi(s.voci == f.voci, kCompilazione, "the records read back differ");
  richiedi(s.percorso == f.percorso, kCompilazione, "the grid read back differs");
  richiedi(s.tracciato.calcolati == f.tracciato.calcolati, kCompilazione, "the plan read back differs");
  richiedi(s.controlli.validi(), kCompilazione, "markers or check codes of the written files are wrong");
}

/// True when no run of digits in `text` stands for a number above `limit`.
/// A number field is a sign and one whole run of digits between separators,
/// so a line description that passes declares no line longer than `limit`.
bool numbers_within(std::string_view text, int64_t limit) {
  int64_t value = 0;
  for (const char c : text) {
    if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
      if (value > limit) return false;
    } else {
      value = 0;
    }
  }
  return true;
}

void check_build(std::span<const uint8_t> input) {
  const std::string_view tutto = come_testo(input);
  const size_t nul = tutto.find('\0');

  MemoryPlatform p;
  Form1 f(p);
  f.nome_linea = "Fuzz";
  f.numero_treno = std::string("7");
  const fs::path linea_txt = f.nome_file(ScenarioFile::line_description);
  const fs::path treno_txt = f.nome_file(ScenarioFile::train_description);
  const FileCompilati nomi{f.nome_file(ScenarioFile::line_data), f.nome_file(ScenarioFile::service),
                           f.nome_file(ScenarioFile::grid)};
  p.files[linea_txt] = std::string(tutto.substr(0, nul));
  if (nul != std::string_view::npos) p.files[treno_txt] = std::string(tutto.substr(nul + 1));

  int stato = -1;
  std::string fallito;  // the file a fatal end named
  try {
    f.memorizza_percorso(1);
    stato = f.riporta_esito();
  } catch (const ProgramEnded& fine) {
    // Only the guards end a build from inside: their message, status 3.
    richiedi(fine.status == stato_uscita::fatale, kCompilazione, "a guard ended with another status");
    richiedi(p.messages.size() == 1 &&
                 (p.messages[0] == " Errore n. 1250" || p.messages[0] == " Errore n. 1251"),
             kCompilazione, "a build ended without the message of a guard");
    stato = fine.status;
  } catch (const FileError& errore) {
    // A table the files cannot hold (a name outside Windows-1252): the run
    // ends with status 3 naming the compiled file it could not write.
    fallito = errore.file().string();
    richiedi(errore.file() == nomi.servizio, kCompilazione,
             std::string("a file failure outside the service file: ") + errore.what());
    richiedi(p.files.count(nomi.servizio) == 0 && p.files.count(nomi.griglia) == 0, kCompilazione,
             "a compiled file written after the one that failed");
    stato = stato_uscita::fatale;
  } catch (const std::exception& altro) {
    violazione(kCompilazione, std::string("an exception escaped the build: ") + altro.what());
  }

  const int32_t codice = f.codice_errore;
  richiedi(codice == 0 || (cerca_codice(codice) != nullptr && codice != 1250 && codice != 1251),
           kCompilazione, "code " + std::to_string(codice) + " is not in the table of codes");
  richiedi(p.files.count(linea_txt) == 0, kCompilazione, "the line description is still there");
  if (nul != std::string_view::npos)
    richiedi(p.files.count(treno_txt) == 0 || ferma_la_linea(codice), kCompilazione,
             "the train description is still there after code " + std::to_string(codice));

  const bool griglia = f.percorso.size() >= 2;
  if (stato == stato_uscita::fatale) {
    if (fallito.empty())  // a guard: no compiled file at all
      for (const fs::path& n : {nomi.linea_dat, nomi.servizio, nomi.griglia})
        richiedi(p.files.count(n) == 0, kCompilazione, "a guard failed after " + n.string() + " was written");
    return;
  }
  richiedi(stato == ((codice == 0 && griglia) ? stato_uscita::pulito : stato_uscita::codice_registrato),
           kCompilazione, "exit status " + std::to_string(stato) + " with code " + std::to_string(codice));
  if (griglia) {
    controlla_file_scritti(f, p, nomi);
  } else {
    for (const fs::path& n : {nomi.linea_dat, nomi.servizio, nomi.griglia})
      richiedi(p.files.count(n) == 0, kCompilazione, "no grid, yet " + n.string() + " was written");
  }
}

}  // namespace

bool within_short_line(std::span<const uint8_t> input) {
  const std::string_view tutto = come_testo(input);
  return numbers_within(tutto.substr(0, tutto.find('\0')), kShortLineMetres);
}

void fuzz_compilation(std::span<const uint8_t> input) {
  if (within_short_line(input)) check_build(input);
}

void fuzz_compilation_long_line(std::span<const uint8_t> input) { check_build(input); }

// ===== Inspector readers =====

namespace {

constexpr const char* kInspector = "fuzz_inspector_readers";

uint32_t u32_le(std::string_view b, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i)
    if (at + i < b.size()) v |= static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
  return v;
}

void metti_u32(std::string& out, size_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFFu);
}

void controlla_errore(const ErroreFile& e, const ScenarioBytes& b) {
  int64_t dimensione = -1;
  if (e.file == b.nome_servizio) dimensione = static_cast<int64_t>(b.servizio.size());
  if (e.file == b.nome_griglia) dimensione = static_cast<int64_t>(b.griglia.size());
  if (b.linea && e.file == b.nome_linea_dat) dimensione = static_cast<int64_t>(b.linea->size());
  richiedi(dimensione >= 0, kInspector, "an error naming no file read: " + e.message());
  richiedi(e.offset >= 0 && e.offset <= dimensione, kInspector,
           "an error offset outside its file: " + e.message());
  richiedi(!e.expected.empty() && !e.found.empty(), kInspector, "an error without its words");
}

/// What was read must write back to the very same bytes, where it can be
/// written at all (a name outside Windows-1252 cannot).
void controlla_riscrittura(const Scenario& s, const ScenarioBytes& b) {
  richiedi(bytes_percorso(s.percorso) == b.griglia, kInspector, "the grid does not write back");
  try {
    richiedi(bytes_voci(s.voci) == b.servizio, kInspector, "the records do not write back");
  } catch (const AnsiError&) {
  }
  if (b.linea)
    richiedi(bytes_tracciato(s.tracciato) == *b.linea, kInspector, "the plan does not write back");
}

/// The readers on one input, and with `render` what the tool makes of a
/// scenario that reads.
void check_readers(std::span<const uint8_t> input, bool render) {
  const std::string_view tutto = come_testo(input);
  if (tutto.size() < 9) return;
  const bool con_linea = (static_cast<uint8_t>(tutto[0]) & 1u) != 0;
  std::string_view resto = tutto.substr(9);
  const size_t n_servizio = std::min<size_t>(u32_le(tutto, 1), resto.size());
  const std::string_view servizio = resto.substr(0, n_servizio);
  resto.remove_prefix(n_servizio);
  const size_t n_griglia = std::min<size_t>(u32_le(tutto, 5), resto.size());
  const std::string_view griglia = resto.substr(0, n_griglia);
  resto.remove_prefix(n_griglia);

  ScenarioBytes b{griglia, "grid.dat", servizio, "service.sim",
                  con_linea ? std::optional<std::string_view>(resto) : std::nullopt, "line.dat"};

  // Each reader alone, on whatever the bytes hold.
  if (const auto v = leggi_voci(servizio, b.nome_servizio); !v.ok()) controlla_errore(v.error(), b);
  if (const auto g = leggi_percorso(griglia, b.nome_griglia, std::nullopt); !g.ok())
    controlla_errore(g.error(), b);

  const Read<Scenario> letto = leggi_scenario(b);
  if (!letto.ok()) {
    controlla_errore(letto.error(), b);
    return;
  }
  const Scenario& s = letto.value();
  richiedi(s.lunghezza >= 0 && s.lunghezza <= 1000000, kInspector, "a line length outside 0 to 1000000");
  richiedi(static_cast<int64_t>(s.percorso.size()) == layout::grid_cells(s.lunghezza), kInspector,
           "a grid accepted with the wrong number of cells");
  richiedi(!con_linea || s.tracciato.righe() == s.lunghezza + 7001, kInspector,
           "a plan accepted with the wrong number of rows");
  controlla_riscrittura(s, b);
  if (!render) return;

  // What the tool makes of a scenario that reads: decoded, reported, rendered.
  const Decodificato d = decodifica(s);
  const Rapporto r = componi_rapporto(s, d);
  richiedi(!render_summary(r).empty(), kInspector, "an empty summary");
  richiedi(!render_json(s, d).empty(), kInspector, "an empty JSON document");
  richiedi(!render_html(s, d, r).empty(), kInspector, "an empty page");
}

}  // namespace

void fuzz_inspector_readers(std::span<const uint8_t> input) { check_readers(input, false); }

void fuzz_inspector_output(std::span<const uint8_t> input) { check_readers(input, true); }

// ===== Inputs =====

std::string input_compilazione(std::string_view linea, std::optional<std::string_view> treno) {
  std::string out(linea);
  if (treno) {
    out += '\0';
    out += *treno;
  }
  return out;
}

std::string input_inspector(std::string_view servizio, std::string_view griglia,
                            std::optional<std::string_view> linea) {
  std::string out(1, linea ? '\1' : '\0');
  metti_u32(out, servizio.size());
  metti_u32(out, griglia.size());
  out += servizio;
  out += griglia;
  if (linea) out += *linea;
  return out;
}
