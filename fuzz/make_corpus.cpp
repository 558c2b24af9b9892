// Writes the seed corpora of the three fuzz targets into a folder (by
// default fuzz/corpus of the source tree): the built-in description files
// and the compiled built-in scenario, made by the builder's own writers and
// compiler, plus a few small fixtures. Run it again after a change of the
// formats and commit what it writes.
//
//   fuzz_make_corpus [FOLDER]

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/form1.h"
#include "harness.h"
#include "testing/memory_platform.h"

namespace fs = std::filesystem;

namespace {

void scrivi(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", file.c_str());
    std::exit(1);
  }
}

struct Descrizioni {
  std::string linea, treno;
};

/// The built-in description files, as the writers lay them out.
Descrizioni descrizioni_incorporate() {
  MemoryPlatform p;
  Form1 f(p);
  f.nome_linea = "Valdarco_Lornese";
  f.numero_treno = "4158";
  f.dati_linea();
  f.dati_treno();
  return {p.files.at(f.nome_file("_linea.txt")), p.files.at(f.nome_file("_4158-.txt"))};
}

struct Compilati {
  std::string servizio, griglia, linea;
};

/// A build of two description files in memory: the three compiled files.
Compilati compila(const std::string& linea, const std::string& treno) {
  MemoryPlatform p;
  Form1 f(p);
  f.nome_linea = "Valdarco_Lornese";
  f.numero_treno = "4158";
  p.files[f.nome_file("_linea.txt")] = linea;
  p.files[f.nome_file("_4158-.txt")] = treno;
  f.memorizza_percorso(1);
  return {p.files.at(f.nome_file("_4158.sim")), p.files.at(f.nome_file("_4158.dat")),
          p.files.at(f.nome_file("_linea.dat"))};
}

std::string crlf(std::initializer_list<const char*> righe) {
  std::string out;
  for (const char* r : righe) (out += r) += "\r\n";
  return out;
}

// A short line and a train that hold one or more of every entry.
const std::string kLineaPiccola = crlf({
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

const std::string kTrenoPiccolo = crlf({
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

// The grid exists and the plan is started, then a curve without its class
// stops the line: a compiled scenario whose plan is two rows long, small
// enough for a seed of the inspector.
const std::string kLineaBreve = crlf({
    "[generale]",
    "lunghezza percorso,    0",
    "[curve]",
    "curvas,  0 , 50 ",
    "[fine]",
});

}  // namespace

int main(int argc, char** argv) {
  const fs::path cartella = argc > 1 ? fs::path(argv[1]) : fs::path(SCENARIO_FUZZ_DIR) / "corpus";
  const Descrizioni incorporate = descrizioni_incorporate();

  const fs::path lettore = cartella / "field_reader";
  scrivi(lettore / "builtin_line.txt", incorporate.linea);
  scrivi(lettore / "builtin_train.txt", incorporate.treno);
  scrivi(lettore / "small_line.txt", kLineaPiccola);
  // Kinds before the NUL: text, then numbers of every width.
  scrivi(lettore / "fields_mixed.bin",
         std::string("\0\1\0\2\0\3\1\1", 8) + '\0' +
             "key,  -24 ,+7,\"a, \r\nb\" tail,, 99999999999,\t300\rx\n  ,32768,-129,256,\r\n");
  scrivi(lettore / "fields_numbers.bin",
         std::string("\1\2\3", 3) + '\0' + "2147483647,-2147483648,2147483648, -0 ,+,-,12a,  ,\n");

  // Lines of at most kShortLineMetres for fuzz_compilation.
  const fs::path short_lines = cartella / "compilation";
  scrivi(short_lines / "short.bin", input_compilazione(kShortLine, kShortTrain));
  scrivi(short_lines / "short_line_only.bin", input_compilazione(kShortLine, std::nullopt));
  scrivi(short_lines / "short_plan.bin", input_compilazione(kLineaBreve, kTrenoPiccolo));
  scrivi(short_lines / "short_guard_1250.bin",
         input_compilazione(kShortLine, crlf({"[generale]", "rallentamento, 0, 30, 100, 0, 0, 0",
                                              "[fine]"})));

  // Longer lines, the built-in one among them, for fuzz_compilation_long_line.
  const fs::path compilazione = cartella / "compilation_long_line";
  scrivi(compilazione / "builtin.bin", input_compilazione(incorporate.linea, incorporate.treno));
  scrivi(compilazione / "small.bin", input_compilazione(kLineaPiccola, kTrenoPiccolo));
  scrivi(compilazione / "line_only.bin", input_compilazione(kLineaPiccola, std::nullopt));
  scrivi(compilazione / "guard_1250.bin",
         input_compilazione(kLineaPiccola, crlf({"[generale]", "rallentamento, 0, 30, 100, 0, 0, 0",
                                                 "[fine]"})));

  // The readers on scenarios that fit in the 8 KB of fuzz_inspector_readers:
  // a short line without its line data file, and one whose line data file
  // stops after a few rows.
  const fs::path inspector = cartella / "inspector_readers";
  const Compilati short_compiled = compila(kShortLine, kShortTrain);
  const Compilati breve = compila(kLineaBreve, kTrenoPiccolo);
  scrivi(inspector / "short_no_plan.bin", input_inspector(short_compiled.servizio, short_compiled.griglia, std::nullopt));
  scrivi(inspector / "short_plan_cut.bin",
         input_inspector(short_compiled.servizio, short_compiled.griglia, short_compiled.linea.substr(0, 256)));
  scrivi(inspector / "service_only.bin", input_inspector(breve.servizio, "", std::nullopt));

  // Whole scenarios, their line data files included, for fuzz_inspector_output.
  const fs::path output = cartella / "inspector_output";
  const Compilati completo = compila(incorporate.linea, incorporate.treno);
  scrivi(output / "builtin_no_plan.bin", input_inspector(completo.servizio, completo.griglia, std::nullopt));
  scrivi(output / "short_plan.bin", input_inspector(breve.servizio, breve.griglia, breve.linea));
  std::printf("seed corpora written to %s\n", cartella.c_str());
  return 0;
}
