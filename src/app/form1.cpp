#include "app/form1.h"

#include "app/error_codes.h"
#include "platform/ansi.h"

namespace {

constexpr int32_t kCompiledLine = 1;

// The grid must reach cell 1, which carries the marker and the plain check
// code. The line compiler makes at least 141 cells for any length it
// accepts; a shorter grid can only come from a negative length and is
// treated like no grid at all rather than written without its codes.
constexpr size_t kMinimumCells = 2;

}  // namespace

Form1::Form1(Platform& p) : platform(p) {}

std::filesystem::path Form1::file_name(ScenarioFile file) const {
  return file_in_folder(platform.program_folder(),
                        scenario_file_name(file, nome_linea, numero_treno));
}

// One run: the names, the window, the five text files, the build, the end.
// A file that cannot be written, anywhere in the run, ends it with the
// file's name and the system's reason; files written before it stay.
void Form1::Form_Load() {
  nome_linea = kDefaultLineName;
  numero_treno = kDefaultTrainNumber;
  platform.show_window("Attendere");
  try {
    dati_linea();
    dati_treno();
    dati_note();
    dati_rallentamenti();
    dati_scheda();
    memorizza_percorso(kCompiledLine);
  } catch (const FileError& failure) {
    platform.report(failure.what());
    platform.end_program(exit_status::fatal);
  } catch (const AnsiError& failure) {
    platform.report(cp1252_to_utf8(scenario_stem(nome_linea, numero_treno)) +
                    ": cannot write: " + failure.what());
    platform.end_program(exit_status::fatal);
  }
  platform.end_program(report_outcome());
}

void Form1::memorizza_percorso(int32_t j) {
  compila_linea = j;
  codice_errore = 0;
  reset_voci();
  memorizza_dati();
  // A compiler that stopped before the length entry (codes 1, 101, 102, or
  // 25 that early) left no grid: nothing to scan, check or write.
  if (percorso.size() < kMinimumCells) return;
  scan_grid();
  guard_and_store_codes();
  write_compiled_files();
}

void Form1::reset_voci() {
  for (voce& v : voci) v = voce{};
}

// Recorded codes never change an output byte; they are only told.
int Form1::report_outcome() {
  const std::string scenario = cp1252_to_utf8(scenario_stem(nome_linea, numero_treno));
  int status = exit_status::clean;
  if (codice_errore != 0) {
    const std::string detail = codice_errore == 25 ? error_detail : std::string();
    platform.report(code_line(scenario, codice_errore, posizione_errore, detail));
    status = exit_status::recorded_code;
  }
  if (percorso.size() < kMinimumCells) {
    platform.report(scenario + ": the build stopped before the cell grid existed; "
                               "no compiled file was written");
    status = exit_status::recorded_code;
  }
  return status;
}
