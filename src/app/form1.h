#pragma once
// Form1: the one object that holds the whole build state and every procedure
// of the builder. Its declaration is the map of the program: state first,
// then the procedures grouped by subsystem, each group in the folder named
// beside it.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compile/compile_listener.h"
#include "model/file_names.h"
#include "model/records.h"
#include "platform/platform.h"

class Form1 {
 public:
  explicit Form1(Platform& platform);

  // ===== Build state =====

  std::string nome_linea;    ///< line name; every file name is formed from it
  std::string numero_treno;  ///< train number; forms the service file names
  std::string riga;          ///< the field of a description file read last; the check codes reuse it
  int32_t compila_linea = 0;     ///< line switch: not 0 when the track plan is built
  int32_t codice_errore = 0;     ///< recorded error code of the build, 0 = none
  int32_t posizione_errore = 0;  ///< metres; where the recorded error lies

  CellGrid percorso;    ///< the cell grid, created by the line length entry
  RecordTable voci;     ///< general and station records 0 to 86
  TrackPlan tracciato;  ///< the per-metre track plan (only when compila_linea is not 0)

  /// Tunnel entries stored so far, and their starts and ends (entries 1 to 80).
  int32_t numero_montagne = 0;
  std::array<int32_t, 81> montagne_inizio{};
  std::array<int32_t, 81> montagne_fine{};

  // Loop cursors are locals of each procedure. The one cursor whose value
  // used to carry from one procedure into the next (the grid scan's look-back
  // index) no longer does: see the grid scan.

  /// Optional: told about dropped keys and positioned entries (tools only).
  CompileListener* listener = nullptr;
  /// The entry being read when the compiler last recorded a code or stopped.
  SourceLocation source;
  /// The entry whose item the placement procedures place now; codes 16 to 21 name it.
  SourceLocation entry_being_placed;
  /// Per cell, the entry that placed a signal or slowdown there; named by codes 11 to 13.
  std::vector<SourceLocation> cell_origins;
  /// For code 25: what failed, in words (diagnostics only, never written).
  std::string error_detail;

  Platform& platform;

  // ===== Entry and build driver (src/app/form1.cpp) =====

  /// Start-up: names, window, the five writers, the build, the end.
  void Form_Load();
  /// The build driver; `j` is the line switch (1 in every run of the program).
  void memorizza_percorso(int32_t j);
  /// Clears every field of records 0 to 86.
  void reset_voci();
  /// After the build: reports a recorded code and a build without a grid,
  /// one line each, and returns the exit status (0 clean, 1 otherwise).
  int report_outcome();
  /// The program folder joined with the name of one of the scenario's files.
  std::filesystem::path file_name(ScenarioFile file) const;

  // ===== Error reporting (src/app/errore.cpp) =====

  /// Shows " Errore n. " + a in the message box and ends the program.
  [[noreturn]] void errore(const std::string& a);
  /// Records a code (codice_errore, posizione_errore) and tells the listener its entry.
  void record_code(int32_t code, std::optional<int32_t> position, const SourceLocation& entry,
                   std::optional<int64_t> cell = std::nullopt);

  // ===== Scenario check codes (src/app/check_codes.cpp) =====

  /// Plain code: sum of the first 25 ANSI codes of the key text.
  int16_t codice_gara_og();
  /// Weighted code: sum of the first 25 ANSI codes, each times its position.
  int32_t codice_gara_st();
  /// The two guards (1250, 1251) and the stores of both markers and codes.
  void guard_and_store_codes();

  // ===== Cell grid post-processing (src/app/grid_scan.cpp) =====

  /// The forward scan that adds abbattimento points around signals and slowdowns.
  void scan_grid();
  /// y when x is greater than y, otherwise x.
  int16_t minimo(int16_t x, int16_t y);

  // ===== Compiled scenario files (src/output/scenario_files.cpp) =====

  /// Writes the line data file (when compila_linea is not 0), the service
  /// file and the grid file, in this order.
  void write_compiled_files();

  // ===== Description compilers (src/compile) =====

  /// Both description files: the line half, then the train half; one
  /// failure trap (code 25) for both. (memorizza_dati.cpp)
  void memorizza_dati();

  /// What the line half hands to the train half.
  struct LineOutcome {
    bool train_follows = false;        ///< false when the line half returned with a code
    int32_t board_counter = 80;  ///< record index for the next name board
  };
  /// The line half. (line_compiler.cpp)
  LineOutcome store_line();
  /// The train half; stations may not reach `station_limit`. (train_compiler.cpp)
  void store_train(int32_t station_limit);

  /// Orders the three chainage references of records 81 to 83. (line_items.cpp)
  void progressive_ordina();
  /// Stores one tunnel entry in the grid. (line_items.cpp)
  void memo_montagna(int32_t inizio, int32_t fine, int32_t tipo);
  /// Stores one group of speed-limit boards; code 21 when the cell is occupied. (line_items.cpp)
  void memo_indicatori_v_max(int32_t posizione, int32_t vas, int32_t vbs, int32_t vcs,
                             int16_t strisces, int32_t vad, int32_t vbd, int32_t vcd,
                             int16_t strisced);
  /// Places one signal and its approach markers; code 16. (placement.cpp)
  void memo_segnale(int32_t posizione, int32_t sx, int32_t s1, int32_t s2, int32_t s3,
                    int32_t rapp, int32_t dx, int32_t d1, int32_t d2, int32_t d3, int32_t tempo);
  /// Places one slowdown; codes 17 to 20. (placement.cpp)
  void memo_rallentamento(int32_t x, int32_t v, int32_t l, int32_t f_tt, int32_t f_ta,
                          int32_t d_v);

  // ===== Scenario text writers (src/writers) =====

  void dati_linea();          ///< line description (dati_linea.cpp)
  void dati_treno();          ///< train description (dati_treno.cpp)
  void dati_note();           ///< notes (dati_note.cpp)
  void dati_rallentamenti();  ///< slowdown notice (dati_note.cpp)
  void dati_scheda();         ///< timetable card (dati_scheda.cpp)
  /// The writing procedure shared by the five writers: the line table up to
  /// its end marker, each line followed by CR LF, replacing the named file.
  /// (write_lines.cpp)
  void write_lines(ScenarioFile file, const std::vector<std::string>& table);
};
