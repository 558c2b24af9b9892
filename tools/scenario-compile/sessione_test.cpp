#include "sessione.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

/// Every file of a folder with its bytes.
std::map<std::string, std::string> contenuto(const fs::path& cartella) {
  std::map<std::string, std::string> file;
  for (const auto& f : fs::directory_iterator(cartella))
    file[f.path().filename().string()] = f.is_regular_file() ? read_bytes(f.path()) : "<folder>";
  return file;
}

std::string righe(const std::vector<std::string>& r) {
  std::string testo;
  for (const std::string& riga : r) testo += riga + "\r\n";
  return testo;
}

// A small clean scenario: a 10 km line with a reference at km 73.450, two
// stations and one signal. Line numbers matter to the tests below.
const std::vector<std::string> kLinea = {
    "[generale]",                                 // 1
    "lunghezza percorso, 10000",                  // 2
    "progressiva chilometrica uno, 0, 73350, 1",  // 3
    "progressiva chilometrica due, 0, 0, 0",      // 4
    "progressiva chilometrica tre, 0, 0, 0",      // 5
    "sfondo uno, 33600",                          // 6
    "sfondo due, 27600",                          // 7
    "sfondo tre, 1",                              // 8
    "ripetizione segnali 4 codici, 0, 0",         // 9
    "[curve]",                                    // 10
    "curvas5, 700, 250",                          // 11
    "[pendenze]",                                 // 12
    "- altitudine iniziale 352 m. slm",           // 13
    "pendenza, 0, 0",                             // 14
    "pendenza, 2000, 12",                         // 15
    "[montagne]",                                 // 16
    "montagna, 4000, 4500, 11",                   // 17
    "[cartelli]",                                 // 18
    "indicatori_vmax, 300, 75, 80, 80, 0, , , , 0",  // 19
    "[indicazioni]",                              // 20
    "cartello_indicatore, 6000, (CULMINE)",       // 21
    "[fine]",                                     // 22
};

const std::vector<std::string> kTreno = {
    "[generale]",                                                               // 1
    "numero vetture,    3",                                                     // 2
    "percentuale massa frenata,    120",                                        // 3
    "sabbia,    300",                                                           // 4
    "orologio,    6               47            30 ",                           // 5
    "[aderenze]",                                                               // 6
    "aderenza, 0, 100",                                                         // 7
    "[vel_limite]",                                                             // 8
    "velocita, 0, 80",                                                          // 9
    "velocita, 5000, 60",                                                       // 10
    "[stazioni]",                                                               // 11
    "stazione, 500, 12, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 6,48, 0, ALFA",          // 12
    "stazione, 5000, 4, 600, 1, 0, 0, 1,1,0, 2,1,1, 0, 7,38, 0, BETA",          // 13
    "[rallentamenti]",                                                          // 14
    "[segnali]",                                                                // 15
    "segnale, 3000, 1, 5, 1, 0, 0, 0, 0,0,0, 0",                               // 16
    "[codici]",                                                                 // 17
    "[fine]",                                                                   // 18
};

/// The author's two files in a source folder, compiled into an output
/// folder of their own, with the temporary folder of the process pointed at
/// a folder the test watches, so that leftovers of the compiler show.
struct SessioneTest : testing::Test {
  TempFolder sorgente, uscita, temporanea;
  std::vector<std::string> linea = kLinea, treno = kTreno;
  std::string messaggi;
  std::string vecchio_tmpdir;

  void SetUp() override {
    if (const char* t = std::getenv("TMPDIR")) vecchio_tmpdir = t;
    setenv("TMPDIR", temporanea.path().c_str(), 1);
  }
  void TearDown() override {
    if (vecchio_tmpdir.empty())
      unsetenv("TMPDIR");
    else
      setenv("TMPDIR", vecchio_tmpdir.c_str(), 1);
    EXPECT_TRUE(fs::is_empty(temporanea.path())) << "a private folder was left behind";
  }

  fs::path file_linea() const { return sorgente.path() / "Prova_linea.txt"; }
  fs::path file_treno() const { return sorgente.path() / "Prova_7-.txt"; }
  std::string nome_linea() const { return file_linea().string(); }
  std::string nome_treno() const { return file_treno().string(); }

  void scrivi_descrizioni() {
    write_bytes(file_linea(), righe(linea));
    write_bytes(file_treno(), righe(treno));
  }

  int compila(bool solo_verifica = false) {
    scrivi_descrizioni();
    Richiesta r;
    r.sorgente = sorgente.path();
    r.uscita = uscita.path();
    r.linea = "Prova";
    r.treno = "7";
    r.solo_verifica = solo_verifica;
    std::ostringstream out;
    const int stato = compila_scenario(r, out);
    messaggi = out.str();
    return stato;
  }

  /// Compiles and checks that the author's files are exactly as written.
  int compila_intatti(bool solo_verifica = false) {
    const int stato = compila(solo_verifica);
    EXPECT_EQ(contenuto(sorgente.path()),
              (std::map<std::string, std::string>{{"Prova_linea.txt", righe(linea)},
                                                  {"Prova_7-.txt", righe(treno)}}));
    return stato;
  }
};

TEST_F(SessioneTest, CleanScenarioWritesTheThreeFilesAndSaysNothing) {
  EXPECT_EQ(compila_intatti(), 0);
  EXPECT_EQ(messaggi, "");
  std::map<std::string, std::string> scritti = contenuto(uscita.path());
  EXPECT_EQ(scritti.size(), 3u);
  EXPECT_EQ(scritti.count("Prova_linea.dat"), 1u);
  EXPECT_EQ(scritti.count("Prova_7.sim"), 1u);
  EXPECT_EQ(scritti.count("Prova_7.dat"), 1u);
}

}  // namespace
