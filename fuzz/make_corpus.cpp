// Writes the seed corpora of the three fuzz targets into a folder (by
// default fuzz/corpus of the source tree): the built-in description files
// and the compiled built-in scenario, made by the builder's own writers and
// compiler, plus a few small fixtures. Run it again after a change of the
// formats and commit what it writes.
//
//   fuzz_make_corpus [FOLDER]

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <utility>

#include "harness.h"
#include "testing/in_memory_build.h"

namespace fs = std::filesystem;

namespace {

void write(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
    std::exit(1);
  }
}

std::string crlf(std::initializer_list<const char*> lines) {
  std::string out;
  for (const char* r : lines) (out += r) += "\r\n";
  return out;
}

// A short line and a train that hold one or more of every entry.
const std::string kSmallLine = crlf({
    "[generale]",
    "lunghezza percorso,    5000",
    "progressiva chilometrica uno,    0,    73350,    1",
    "sfondo uno,    33600",
    "sfondo due,    27600",
    "sfondo tre,    1",
    "ripetizione segnali 4 codici,    100    ,200",
    "[curve]",
    "curvas5,  200 , 150 ",
    "curvad2,  900 , 300 ",
    "[pendenze]",
    "- altitudine iniziale 352 m. slm",
    "pendenza,  0,   0",
    "pendenza,  2500,   -24",
    "[montagne]",
    "montagna,   600,  850,  11",
    "montagna,   950,  1400,  12",
    "[cartelli]",
    "indicatori_vmax,  300,  75,  80,  80,  0,  ,  ,  ,  0",
    "[indicazioni]",
    "cartello_indicatore,   550,  (GALLERIA) (250 m)",
    "cartello_indicatore,   3000,  \"(CULMINE, 400 m)\"",
    "[fine]",
});

const std::string kSmallTrain = crlf({
    "[generale]",
    "numero vetture,    3",
    "percentuale massa frenata,    120",
    "sabbia,    300",
    "orologio,    6               47            30 ",
    "[aderenze]",
    "aderenza,  0,  95",
    "aderenza,  2000,  80",
    "[vel_limite]",
    "velocita,  0,  80",
    "[stazioni]",
    "stazione,       0, 12,  400,  1, 0, 0,  4,1,0,  2,1,1,    1,   6,48, 0, VALDARCO TERME",
    "stazione,    4000,  4,  600,  1, 0, 0,  1,1,0,  2,1,1,    0,   7,38, 0, LORNESE",
    "[rallentamenti]",
    "rallentamento,  2000,  30,  500,  1,  1,  0",
    "[segnali]",
    "segnale,    1500,   1, 5, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,    3100,   2, 3, 1,  0, 0,    0,  0,0,0, 50",
    "abbattimento,  3300,  90",
    "[codici]",
    "[fine]",
});

// The same entries on a line short enough for fuzz_compilation: no number
// of the line description above kShortLineMetres.
const std::string kShortLine = crlf({
    "[generale]",
    "lunghezza percorso,    2000",
    "progressiva chilometrica uno,    0,    1350,    1",
    "progressiva chilometrica due,    1000,    1950,    0",
    "sfondo uno,    336",
    "sfondo due,    276",
    "sfondo tre,    1",
    "ripetizione segnali 4 codici,    100    ,200",
    "[curve]",
    "curvas5,  200 , 150 ",
    "curvad2,  600 , 300 ",
    "[pendenze]",
    "- altitudine iniziale 352 m. slm",
    "pendenza,  0,   0",
    "pendenza,  1000,   -24",
    "[montagne]",
    "montagna,   300,  450,  11",
    "montagna,   550,  900,  12",
    "[cartelli]",
    "indicatori_vmax,  300,  75,  80,  80,  0,  ,  ,  ,  0",
    "[indicazioni]",
    "cartello_indicatore,   250,  (GALLERIA) (150 m)",
    "cartello_indicatore,   1500,  \"(CULMINE, 400 m)\"",
    "[fine]",
});

const std::string kShortTrain = crlf({
    "[generale]",
    "numero vetture,    3",
    "percentuale massa frenata,    120",
    "sabbia,    300",
    "orologio,    6               47            30 ",
    "[aderenze]",
    "aderenza,  0,  95",
    "aderenza,  1000,  80",
    "[vel_limite]",
    "velocita,  0,  80",
    "[stazioni]",
    "stazione,       0, 12,  400,  1, 0, 0,  4,1,0,  2,1,1,    1,   6,48, 0, VALDARCO TERME",
    "stazione,    1800,  4,  600,  1, 0, 0,  1,1,0,  2,1,1,    0,   7,38, 0, LORNESE",
    "[rallentamenti]",
    "rallentamento,  1000,  30,  300,  1,  1,  0",
    "[segnali]",
    "segnale,    700,   1, 5, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,    1400,   2, 3, 1,  0, 0,    0,  0,0,0, 50",
    "abbattimento,  1600,  90",
    "[codici]",
    "[fine]",
});

/// `base` with `from` replaced by `to` (the first time it stands there).
std::string replaced(std::string base, std::string_view from, std::string_view to) {
  const size_t at = base.find(from);
  if (at == std::string::npos) {
    std::fprintf(stderr, "seed fixture: \"%.*s\" not found\n", static_cast<int>(from.size()), from.data());
    std::exit(1);
  }
  return base.replace(at, from.size(), to);
}

/// Writes the seed of a build that must record `code` (0: none), after
/// building it here: a seed that no longer records its code stops the run.
void write_build_seed(const fs::path& file, const std::string& line, const std::string& train,
                      int32_t code) {
  const int32_t recorded = compile_in_memory(line, train).codice_errore;
  if (recorded != code) {
    std::fprintf(stderr, "seed %s records code %d, not %d\n", file.string().c_str(),
                 static_cast<int>(recorded), static_cast<int>(code));
    std::exit(1);
  }
  write(file, compilation_input(line, train));
}

/// `base` with `entries` added before its closing "[fine]" line.
std::string with_entries(const std::string& base, std::initializer_list<const char*> entries) {
  return replaced(base, "[fine]\r\n", crlf(entries) + "[fine]\r\n");
}

// A line of 0 m and nothing else: a grid of 141 cells that only the train
// description fills.
const std::string kBareLine = crlf({"[generale]", "lunghezza percorso,    0", "[curve]", "[fine]"});

// The grid exists and the plan is started, then a curve without its class
// stops the line: a compiled scenario whose plan is two rows long, small
// enough for a seed of the inspector.
const std::string kTwoRowPlanLine = crlf({
    "[generale]",
    "lunghezza percorso,    0",
    "[curve]",
    "curvas,  0 , 50 ",
    "[fine]",
});

}  // namespace

int main(int argc, char** argv) {
  const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::path(SCENARIO_FUZZ_DIR) / "corpus";
  const Descriptions built_in = built_in_descriptions();

  const fs::path reader = folder / "field_reader";
  write(reader / "builtin_line.txt", built_in.line);
  write(reader / "builtin_train.txt", built_in.train);
  write(reader / "small_line.txt", kSmallLine);
  // Kinds before the NUL: text, then numbers of every width.
  write(reader / "fields_mixed.bin",
        std::string("\0\1\0\2\0\3\1\1", 8) + '\0' +
             "key,  -24 ,+7,\"a, \r\nb\" tail,, 99999999999,\t300\rx\n  ,32768,-129,256,\r\n");
  write(reader / "fields_numbers.bin",
        std::string("\1\2\3", 3) + '\0' + "2147483647,-2147483648,2147483648, -0 ,+,-,12a,  ,\n");

  // Lines of at most kShortLineMetres for fuzz_compilation.
  const fs::path short_lines = folder / "compilation";
  write(short_lines / "short.bin", compilation_input(kShortLine, kShortTrain));
  write(short_lines / "short_line_only.bin", compilation_input(kShortLine, std::nullopt));
  write(short_lines / "short_plan.bin", compilation_input(kTwoRowPlanLine, kSmallTrain));
  write(short_lines / "short_guard_1250.bin",
        compilation_input(kShortLine, crlf({"[generale]", "rallentamento, 0, 30, 100, 0, 0, 0",
                                              "[fine]"})));

  // One mistake each, on the short line: the paths of the codes the
  // compilers, the placement procedures and the grid scan record.
  struct TargetedSeed {
    const char* file;
    std::string line, train;
  };
  const TargetedSeed targeted[] = {
      {"repetition_9_codes.bin",
       replaced(kShortLine, "segnali 4 codici", "segnali 9 codici"), kShortTrain},
      {"repetition_without_codes.bin", replaced(kShortLine, "segnali 4 codici", "segnali codici"), kShortTrain},
      {"curve_without_class.bin", with_entries(kShortLine, {"curvad,  1500 , 100 "}), kShortTrain},
      {"name_board_on_a_board.bin", with_entries(kShortLine, {"cartello_indicatore,   1500,  (BIS)"}),
       kShortTrain},
      {"speed_boards_on_a_board.bin",
       with_entries(kShortLine, {"indicatori_vmax,  250,  75,  80,  80,  0,  ,  ,  ,  0"}), kShortTrain},
      {"comments_in_general_section.bin",
       replaced(kShortLine, "sfondo uno,", "- one -,- two -,sfondo uno,"), kShortTrain},
      {"chainage_off_the_50_m.bin",
       replaced(kShortLine, "progressiva chilometrica uno,    0,", "progressiva chilometrica uno,    10,"),
       kShortTrain},
      {"no_length.bin", crlf({"[generale]", "sfondo uno,    336", "[curve]", "[fine]"}), kShortTrain},
      {"no_general_section.bin", crlf({"[curve]", "curvas5,  200 , 150 ", "[fine]"}), kShortTrain},
      {"station_types_5_and_7.bin", kShortLine,
       replaced(kShortTrain, "stazione,    1800,",
                "stazione,    900,  5,  200,  1, 0, 1,  1,1,0,  2,1,1,    0,   7,0, 0, QUINTA\r\n"
                "stazione,    1300,  7,  200,  1, 0, 1,  1,1,0,  2,1,1,    0,   7,10, 0, SETTIMA\r\n"
                "stazione,    1800,")},
      {"station_too_close.bin", kShortLine,
       replaced(kShortTrain, "stazione,    1800,",
                "stazione,    300,  12,  400,  1, 0, 0,  1,1,0,  2,1,1,    0,   7,0, 0, VICINA\r\n"
                "stazione,    1800,")},
      {"signal_on_a_signal.bin", kShortLine,
       with_entries(kShortTrain, {"segnale,    700,   1, 5, 1,  0, 0,    0,  0,0,0, 0"})},
      {"signals_in_a_row.bin", kShortLine,
       with_entries(kShortTrain, {"segnale,    1300,   1, 5, 1,  0, 0,    0,  0,0,0, 0",
                                  "segnale,    1350,   1, 5, 1,  0, 0,    0,  0,0,0, 0"})},
      {"slowdown_warning_occupied.bin", kShortLine,
       with_entries(kShortTrain, {"segnale,    400,   1, 5, 1,  0, 0,    0,  0,0,0, 0",
                                  "rallentamento,  1600,  30,  100,  1,  1,  0"})},
      {"slowdown_start_occupied.bin", kShortLine,
       with_entries(kShortTrain, {"segnale,    1100,   1, 5, 1,  0, 0,    0,  0,0,0, 0",
                                  "rallentamento,  1100,  30,  100,  1,  0,  0"})},
      {"slowdown_end_occupied.bin", kShortLine,
       with_entries(kShortTrain, {"segnale,    1300,   1, 5, 1,  0, 0,    0,  0,0,0, 0",
                                  "rallentamento,  1150,  30,  150,  1,  0,  0"})},
      {"slowdown_warning_cells_occupied.bin", kShortLine,
       with_entries(kShortTrain, {"segnale,    400,   1, 5, 1,  0, 0,    0,  0,0,0, 0",
                                  "rallentamento,  1700,  30,  100,  1,  1,  5"})},
      {"abbattimento_without_value.bin", kShortLine, with_entries(kShortTrain, {"abbattimento,  1650,  0"})},
      {"abbattimento_on_a_signal.bin", kShortLine, with_entries(kShortTrain, {"abbattimento,  750,  5"})},
  };
  for (const TargetedSeed& seed : targeted)
    write(short_lines / seed.file, compilation_input(seed.line, seed.train));

  // The grid scan around slow slowdowns: signals before a warning board, a
  // long slowdown whose inner points find their cells taken, and the signal
  // after its end.
  const std::string long_slowdown =
      replaced(kShortTrain, "rallentamento,  1000,  30,  300,  1,  1,  0", "rallentamento,  500,  30,  1000,  1,  0,  0");
  const auto segnale = [](int position) {
    static std::deque<std::string> rows;  // stable addresses for the rows
    rows.push_back("segnale,    " + std::to_string(position) + ",   1, 5, 1,  0, 0,    0,  0,0,0, 0");
    return rows.back().c_str();
  };
  const char* warning = "rallentamento,  1600,  30,  100,  1,  0,  0";
  const TargetedSeed grid_scan[] = {
      {"signal_before_warning_boxed_in.bin", kShortLine,
       with_entries(kShortTrain, {segnale(250), segnale(300), segnale(350), warning})},
      {"abbattimento_next_to_signal.bin", kShortLine,
       with_entries(kShortTrain, {segnale(250), segnale(350), "abbattimento,  350,  40", warning})},
      {"abbattimento_two_before_signal.bin", kShortLine,
       with_entries(kShortTrain, {segnale(300), segnale(350), "abbattimento,  300,  40", warning})},
      {"slowdown_without_end.bin", kShortLine,
       with_entries(kShortTrain, {"rallentamento,  1100,  30,  0,  1,  0,  0"})},
      {"inner_point_taken.bin", kShortLine, with_entries(long_slowdown, {segnale(900)})},
      {"inner_point_and_before_taken.bin", kShortLine,
       with_entries(long_slowdown, {segnale(850), segnale(900)})},
      {"inner_points_all_taken.bin", kShortLine,
       with_entries(long_slowdown, {segnale(850), segnale(900), segnale(950)})},
      {"signal_after_slowdown_end.bin", kShortLine, with_entries(long_slowdown, {segnale(1550)})},
      {"signal_after_slowdown_boxed_in.bin", kShortLine,
       with_entries(long_slowdown, {segnale(1450), segnale(1550)})},
  };
  for (const TargetedSeed& seed : grid_scan)
    write(short_lines / seed.file, compilation_input(seed.line, seed.train));

  // The grid scan's own codes and the ways out that spare one, each from a
  // bare line of 0 m (a grid of 141 cells, 7000 m) whose train description
  // fills the cells the scan looks for. A point without a value
  // ("abbattimento, x, 0") fills cell x / 50 and, unlike a point with one,
  // is never lowered in place of a new point; a signal or a slowdown at x
  // stands in cell x / 50 + 1. Each seed is built here and must record its
  // code (0: none).
  struct CodeSeed {
    const char* file;
    int32_t code;
    const char* train;
  };
  const CodeSeed code_seeds[] = {
      // The signal in cell 10, within 20 cells before the warning board in
      // cell 17, has cells 9 and 8 taken by points without a value.
      {"code_11_no_cell_in_front_of_signal.bin", 11,
       "abbattimento, 400, 0\r\nabbattimento, 450, 0\r\n"
       "segnale, 450, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\n"
       "rallentamento, 2000, 60, 500, 0, 0, 0\r\n"},
      // The first window before the start in cell 41 (cells 36 to 34) is full.
      {"code_12_window_before_start_full.bin", 12,
       "abbattimento, 1700, 0\r\nabbattimento, 1750, 0\r\nabbattimento, 1800, 0\r\n"
       "rallentamento, 2000, 60, 500, 0, 0, 0\r\n"},
      // The point due in cell 29, 8 cells into the slowdown from cell 21 to
      // cell 31, and both its neighbours are taken.
      {"code_13_inner_point_taken.bin", 13,
       "abbattimento, 1400, 0\r\nabbattimento, 1450, 0\r\nabbattimento, 1500, 0\r\n"
       "rallentamento, 1000, 60, 500, 0, 0, 0\r\n"},
      // The slowdown from cell 21 ends in cell 26, too short for a point
      // inside; the signal after it in cell 30 has cells 29 and 28 taken.
      {"code_13_no_cell_before_signal_after_end.bin", 13,
       "abbattimento, 1400, 0\r\nabbattimento, 1450, 0\r\n"
       "segnale, 1450, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\n"
       "rallentamento, 1000, 60, 250, 0, 0, 0\r\n"},
      // The ways out that spare a code. In front of the signal in cell 10:
      // a point of 250 in cell 9 (with cell 8 taken) is lowered to 180 ...
      {"scan_lowers_point_in_front_of_signal.bin", 0,
       "abbattimento, 400, 0\r\nabbattimento, 450, 250\r\n"
       "segnale, 450, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\n"
       "rallentamento, 2000, 60, 500, 0, 0, 0\r\n"},
      // ... and so is one in cell 8 when cell 9 is taken.
      {"scan_lowers_point_two_before_signal.bin", 0,
       "abbattimento, 400, 250\r\nabbattimento, 450, 0\r\n"
       "segnale, 450, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\n"
       "rallentamento, 2000, 60, 500, 0, 0, 0\r\n"},
      // The point due in cell 29 and the cell before it taken: cell 30.
      {"scan_inner_point_moves_forward.bin", 0,
       "abbattimento, 1400, 0\r\nabbattimento, 1450, 0\r\n"
       "rallentamento, 1000, 60, 500, 0, 0, 0\r\n"},
      // The signal after the slowdown's end gets its point two cells back.
      {"scan_point_two_before_signal_after_end.bin", 0,
       "abbattimento, 1450, 0\r\n"
       "segnale, 1450, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\n"
       "rallentamento, 1000, 60, 250, 0, 0, 0\r\n"},
  };
  for (const CodeSeed& seed : code_seeds)
    write_build_seed(short_lines / seed.file, kBareLine,
                     std::string("[generale]\r\n") + seed.train + "[fine]\r\n", seed.code);

  // Longer lines, the built-in one among them, for fuzz_compilation_long_line.
  const fs::path compilation = folder / "compilation_long_line";
  write(compilation / "builtin.bin", compilation_input(built_in.line, built_in.train));
  write(compilation / "small.bin", compilation_input(kSmallLine, kSmallTrain));
  write(compilation / "line_only.bin", compilation_input(kSmallLine, std::nullopt));
  write(compilation / "line_entry_beyond_the_grid.bin",
        compilation_input(with_entries(kShortLine, {"pendenza,  8950,   3"}), kShortTrain));
  write(compilation / "train_entry_beyond_the_grid.bin",
        compilation_input(kShortLine, with_entries(kShortTrain, {"velocita,  9950,  60"})));
  write(compilation / "guard_1250.bin",
        compilation_input(kSmallLine, crlf({"[generale]", "rallentamento, 0, 30, 100, 0, 0, 0",
                                                 "[fine]"})));
  // One name board more than the 80 the records hold.
  const std::string empty_train = crlf({"[generale]", "[fine]"});
  std::string boards = "[indicazioni]\r\n";
  for (int i = 1; i <= 81; ++i) boards += "cartello_indicatore, " + std::to_string(50 * i) + ", X\r\n";
  write_build_seed(compilation / "name_boards_81.bin", replaced(kBareLine, "[fine]\r\n", boards + "[fine]\r\n"),
                   empty_train, 25);

  // The main program's run over a program folder laid out beforehand (the
  // inputs of the long-line target that begin with a NUL byte). Name bytes
  // 0 to 7 are the built-in scenario's files in the order of ScenarioFile,
  // 8 to 15 other files that must be left alone.
  using FolderFile = std::pair<uint8_t, std::string_view>;
  const std::string old_compiled = compile_in_memory(kShortLine, kShortTrain).service;
  const FolderFile old_files[] = {
      {0, kShortLine},                     // an old line description of another line
      {1, "[generale]\r\n[fine]\r\n"},     // an old, empty train description
      {2, std::string_view("\0\xff\r\n", 4)},  // documents of any bytes, or none
      {4, ""},
      {6, old_compiled},                   // another scenario's service file
      {7, "not a grid"},
      {8, "another train"},
      {10, kShortLine},
      {13, "the stem alone"},
      {15, "a grid file elsewhere"},
  };
  const FolderFile other_files[] = {{9, "a copy"}, {11, kShortTrain}, {12, "other letters"},
                                    {14, "a file below the program folder"}};
  write(compilation / "program_run_empty_folder.bin", program_run_input(0, {}));
  write(compilation / "program_run_old_files.bin", program_run_input(0, old_files));
  // A write that fails: the first description file (no build at all), the
  // last document, and the three compiled files written together.
  for (const uint8_t failing : {1, 5, 6})
    write(compilation / ("program_run_write_" + std::to_string(failing) + "_fails.bin"),
          program_run_input(failing, failing == 6 ? std::span<const FolderFile>(old_files)
                                                  : std::span<const FolderFile>(other_files)));
  // Command lines: the program's folder named, and the three a run refuses
  // (no such folder, a folder below that holds nothing, two folders), each
  // over old files that must stay as they were; then the folder below
  // holding a file (name byte 14), which the run builds into.
  for (const uint8_t command_line : {1, 2, 3, 4})
    write(compilation / ("program_run_command_line_" + std::to_string(command_line) + ".bin"),
          program_run_input(0, old_files, command_line));
  write(compilation / "program_run_into_a_folder_below.bin",
        program_run_input(0, other_files, 3));

  // The readers on scenarios that fit in the 8 KB of fuzz_inspector_readers:
  // a short line without its line data file, and one whose line data file
  // stops after a few rows.
  const fs::path inspector = folder / "inspector_readers";
  const CompiledInMemory short_compiled = compile_in_memory(kShortLine, kShortTrain);
  const CompiledInMemory two_row_plan = compile_in_memory(kTwoRowPlanLine, kSmallTrain);
  write(inspector / "short_no_plan.bin", inspector_input(short_compiled.service, short_compiled.grid, std::nullopt));
  write(inspector / "short_plan_cut.bin",
        inspector_input(short_compiled.service, short_compiled.grid, short_compiled.line_data.substr(0, 256)));
  write(inspector / "service_only.bin", inspector_input(two_row_plan.service, "", std::nullopt));

  // Whole scenarios, their line data files included, for fuzz_inspector_output.
  const fs::path output = folder / "inspector_output";
  const CompiledInMemory complete = compile_in_memory(built_in.line, built_in.train);
  write(output / "builtin_no_plan.bin", inspector_input(complete.service, complete.grid, std::nullopt));
  write(output / "short_plan.bin", inspector_input(two_row_plan.service, two_row_plan.grid, two_row_plan.line_data));
  write(output / "short_plan_byte_after_the_end.bin",
        inspector_input(two_row_plan.service, two_row_plan.grid, two_row_plan.line_data + '\0'));
  std::printf("seed corpora written to %s\n", folder.string().c_str());
  return 0;
}
