#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/form1.h"
#include "testing/test_platform.h"

namespace {

namespace fs = std::filesystem;

/// The lines joined as the writer writes them: CR LF after every line.
std::string righe(std::initializer_list<std::string> linee) {
  std::string out;
  for (const std::string& l : linee) out += l + "\r\n";
  return out;
}

/// The general section of the built-in line (40000 m, n = 940).
const std::string kGenerale = righe({
    "[generale]",
    "lunghezza percorso,    40000",
    "progressiva chilometrica uno,    0,    73350,    1",
    "progressiva chilometrica due,    0,    0,    0",
    "progressiva chilometrica tre,    0,    0,    0",
    "sfondo uno,    33600",
    "sfondo due,    27600",
    "sfondo tre,    1",
    "ripetizione segnali 4 codici,    0    ,0",
});

/// A general section with only a length.
std::string generale(int32_t lunghezza) {
  return righe({"[generale]", "lunghezza percorso, " + std::to_string(lunghezza), "[curve]"});
}

/// Every event the compiler reports, one line each.
struct Registro : CompileListener {
  std::vector<std::string> eventi;
  static const char* nome(SezioneLettura s) {
    switch (s) {
      case SezioneLettura::prima_del_generale: return "before";
      case SezioneLettura::generale: return "general";
      case SezioneLettura::voci: return "entries";
    }
    return "?";
  }
  void key_dropped(FileDescrizione, int32_t line, SezioneLettura section,
                   std::string_view key) override {
    eventi.push_back(std::to_string(line) + " dropped " + nome(section) + " " + std::string(key));
  }
  void entry_read(FileDescrizione, int32_t line, std::string_view entry,
                  int32_t position) override {
    eventi.push_back(std::to_string(line) + " " + std::string(entry) + " " +
                     std::to_string(position));
  }
  void chainage_dropped() override { eventi.push_back("chainage dropped"); }
};

struct LineCompilerTest : testing::Test {
  TempFolder cartella;
  TestPlatform piattaforma{cartella.path()};
  Form1 form{piattaforma};
  Registro registro;

  LineCompilerTest() {
    form.nome_linea = "Linea_Prova";
    form.numero_treno = "77";
    form.compila_linea = 1;
    form.ascoltatore = &registro;
  }

  fs::path file_linea() const { return form.nome_file(ScenarioFile::line_description); }
  fs::path file_treno() const { return form.nome_file(ScenarioFile::train_description); }

  /// Writes the line file (and a train file beside it) and runs the line half.
  Form1::EsitoLinea compila(const std::string& testo) {
    write_bytes(file_linea(), testo);
    write_bytes(file_treno(), "[generale]\r\n");
    return form.memorizza_linea();
  }
  /// The same through memorizza_dati, the one failure trap of both halves.
  void compila_dati(const std::string& testo) {
    write_bytes(file_linea(), testo);
    write_bytes(file_treno(), "[generale]\r\n");
    form.memorizza_dati();
  }

  cella& c(size_t i) { return form.percorso.at(i); }
  std::vector<uint8_t> pendenze(size_t da, size_t a) {
    std::vector<uint8_t> out;
    for (size_t i = da; i <= a; ++i) out.push_back(c(i).pendenza);
    return out;
  }
};

std::vector<uint8_t> ripeti(uint8_t valore, size_t volte) { return std::vector<uint8_t>(volte, valore); }

// ----- The whole general section -----

TEST_F(LineCompilerTest, BuiltInGeneralSectionFillsRecordsGridAndPlan) {
  const auto esito = compila(kGenerale + righe({"[curve]", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_TRUE(esito.segue_treno);
  EXPECT_EQ(esito.contatore_cartelli, 80);
  EXPECT_EQ(form.voci[84].fine, 40000);
  ASSERT_EQ(form.percorso.size(), 941u);
  EXPECT_EQ(form.tracciato.righe(), 47001);
  EXPECT_EQ(form.tracciato.calcolati, 46999);

  auto terna = [&](size_t i) {
    return std::vector<int32_t>{form.voci[i].inizio, form.voci[i].fine, form.voci[i].posizione};
  };
  EXPECT_EQ(terna(81), (std::vector<int32_t>{0, 73450, 1}));
  EXPECT_EQ(terna(82), (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(terna(83), (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(terna(85), (std::vector<int32_t>{33600, 1, 27600}));  // uno, tre, due
  EXPECT_EQ(terna(86), (std::vector<int32_t>{0, 0, 0}));
  // With no gradient entry the trailing fill writes level track up to cell n - 3.
  EXPECT_EQ(pendenze(0, 937), ripeti(100, 938));
  EXPECT_EQ(pendenze(938, 940), ripeti(0, 3));
  EXPECT_EQ(form.riga, "[fine]");
  EXPECT_FALSE(fs::exists(file_linea()));
  EXPECT_TRUE(fs::exists(file_treno()));
}

TEST_F(LineCompilerTest, SignalRepetitionCodes) {
  struct Caso {
    const char* riga;
    int32_t inizio, fine, codici;
  };
  const Caso casi[] = {
      {"ripetizione segnali 4 codici,    0    ,0", 0, 0, 0},
      {"ripetizione segnali 4 codici, 100, 200", 100, 200, 4},
      {"ripetizione segnali 9 codici, 100, 200", 100, 200, 9},
      {"ripetizione segnali 9 o 4 codici, 100, 200", 100, 200, 4},
      {"ripetizione segnali 9 codici, 100, 0", 100, 0, 0},
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.riga);
    compila(righe({"[generale]", "lunghezza percorso, 1000", caso.riga, "[curve]"}));
    EXPECT_EQ(form.codice_errore, 0);
    EXPECT_EQ(form.voci[86].inizio, caso.inizio);
    EXPECT_EQ(form.voci[86].fine, caso.fine);
    EXPECT_EQ(form.voci[86].posizione, caso.codici);
  }
}

// The length key ignores case; every other general keyword is exact. An
// unrecognised key's numbers are read as keys and dropped in turn.
TEST_F(LineCompilerTest, CaseRulesOfTheGeneralKeys) {
  compila(righe({
      "[generale]",
      "Lunghezza Percorso,    2000",
      "Progressiva chilometrica uno,    100,    5000,    1",
      "sfondo DUE, 7",
      "SFONDO uno, 8",
      "sfondo tre, 9",
      "[curve]",
      "[fine]",
  }));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(form.voci[84].fine, 2000);
  EXPECT_EQ(form.percorso.size(), 181u);
  EXPECT_EQ(form.voci[83].fine, 0);
  EXPECT_EQ(form.voci[85].inizio, 0);
  EXPECT_EQ(form.voci[85].posizione, 0);
  EXPECT_EQ(form.voci[85].fine, 9);
  EXPECT_EQ(registro.eventi, (std::vector<std::string>{
                                 "3 dropped general Progressiva chilometrica uno",
                                 "3 dropped general 100",
                                 "3 dropped general 5000",
                                 "3 dropped general 1",
                                 "4 dropped general sfondo DUE",
                                 "4 dropped general 7",
                                 "5 dropped general SFONDO uno",
                                 "5 dropped general 8",
                                 "7 dropped general [curve]",
                                 "8 dropped entries [fine]",
                             }));
}

// A key holding the words of several entries starts all of them in table
// order, each reading its own values.
TEST_F(LineCompilerTest, KeyWithSeveralKeywordsStartsEachEntry) {
  compila(righe({"[generale]", "sfondo uno due tre, 1, 2, 3", "lunghezza percorso, 0", "[x]",
                 "pendenza e montagna, 100, 5, 600, 850, 1", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(form.voci[85].inizio, 1);
  EXPECT_EQ(form.voci[85].posizione, 2);
  EXPECT_EQ(form.voci[85].fine, 3);
  EXPECT_EQ(c(2).pendenza, 105);  // from cell 2 on, up to the trailing fill
  EXPECT_EQ(c(12).montagna, 1);
}

// A key beginning with "-" (one taken after ten comment fields) does not end
// the general section even with brackets; one with leading blanks before
// its bracket does, and a general entry after it is no longer recognised.
TEST_F(LineCompilerTest, EndOfTheGeneralSection) {
  std::string testo = righe({"[generale]", "lunghezza percorso, 1000"});
  for (int i = 0; i < 10; ++i) testo += "- c\r\n";
  testo += righe({"-[x]", "sfondo uno, 5", "\" [y]\"", "sfondo tre, 6", "pendenza, 0, 1",
                  "[fine]"});
  compila(testo);
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(form.voci[85].inizio, 5);
  EXPECT_EQ(form.voci[85].fine, 0);
  EXPECT_EQ(registro.eventi, (std::vector<std::string>{
                                 "13 dropped general -[x]",
                                 "15 dropped general  [y]",
                                 "16 dropped entries sfondo tre",
                                 "16 dropped entries 6",
                                 "17 pendenza 0",
                                 "18 dropped entries [fine]",
                             }));
}

TEST_F(LineCompilerTest, LineEntriesInsideTheGeneralSectionAreNotRecognised) {
  compila(righe({"[generale]", "lunghezza percorso, 1000", "pendenza, 0, 50", "[curve]",
                 "[fine]"}));
  EXPECT_EQ(c(0).pendenza, 100);
  EXPECT_EQ(registro.eventi[0], "3 dropped general pendenza");
}

TEST_F(LineCompilerTest, SecondLengthEntryReplacesTheGridAndPlan) {
  compila(righe({"[generale]", "lunghezza percorso, 1000", "lunghezza percorso, 2500", "[curve]",
                 "[fine]"}));
  EXPECT_EQ(form.percorso.size(), 191u);  // nearest(9500 / 50) = 190
  EXPECT_EQ(form.tracciato.righe(), 9501);
}

// A refused second length leaves no grid behind from the first: the
// record holds the refused length, which no grid or plan has.
TEST_F(LineCompilerTest, RefusedSecondLengthDiscardsTheFirstGrid) {
  compila(righe({"[generale]", "lunghezza percorso, 1000", "lunghezza percorso, 1000001",
                 "[curve]", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 1);
  EXPECT_EQ(form.voci[84].fine, 1000001);
  EXPECT_TRUE(form.percorso.empty());
  EXPECT_FALSE(form.tracciato.esiste());

  compila_dati(righe({"[generale]", "lunghezza percorso, 1000", "lunghezza percorso, -50",
                      "[curve]", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 25);
  EXPECT_EQ(form.voci[84].fine, -50);
  EXPECT_TRUE(form.percorso.empty());
  EXPECT_FALSE(form.tracciato.esiste());
}

TEST_F(LineCompilerTest, FileEndingRightAfterTheGeneralSectionCompiles) {
  const auto esito = compila("[generale]\r\nlunghezza percorso, 1000");
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_TRUE(esito.segue_treno);
  EXPECT_EQ(form.percorso.size(), 161u);
  EXPECT_EQ(form.tracciato.calcolati, 7999);
  EXPECT_FALSE(fs::exists(file_linea()));
}

// ----- The field reader as the compiler meets it -----

TEST_F(LineCompilerTest, OddButValidLayoutsOfEntries) {
  compila(generale(1000) +
          righe({
              "pendenza",  // key alone, values on the next line
              "0,   0",
              "pendenza,  250,   18, pendenza, 300, -24 ",  // two entries on one line
              "indicatori_vmax,  300,  75,  80,  80,  0,  ,  ,  ,  0",
              "cartello_indicatore,   1000,  \"(GALLERIA, 1200 m)\"",
              "cartello_indicatore,   1500,  (CULMINE)",
              "[fine]",
          }));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(pendenze(0, 6), (std::vector<uint8_t>{100, 100, 100, 100, 100, 118, 76}));
  EXPECT_EQ(c(7).tipo, tipo_cella::indicatori_v_max);
  EXPECT_EQ(c(7).dato1, 1500);
  EXPECT_EQ(c(7).dato4, 0);
  EXPECT_EQ(c(21).tipo, tipo_cella::cartello_indicatore);
  EXPECT_EQ(c(21).dato1, 80);
  EXPECT_EQ(form.voci[80].nome, "(GALLERIA, 1200 m)");
  EXPECT_EQ(c(31).dato1, 79);
  EXPECT_EQ(form.voci[79].nome, "(CULMINE)");
  EXPECT_EQ(registro.eventi, (std::vector<std::string>{
                                 "3 dropped general [curve]",
                                 "4 pendenza 0",
                                 "6 pendenza 250",
                                 "6 pendenza 300",
                                 "7 indicatori_vmax 300",
                                 "8 cartello_indicatore 1000",
                                 "9 cartello_indicatore 1500",
                                 "10 dropped entries [fine]",
                             }));
}

// In the general section ten comment fields in a row are skipped, and the
// eleventh is the key whatever it holds; among the line entries only two.
TEST_F(LineCompilerTest, CommentSkipLimits) {
  std::vector<std::string> linee{"[generale]"};
  for (int i = 0; i < 10; ++i) linee.push_back("- nota " + std::to_string(i));
  linee.push_back("- lunghezza percorso, 1000");  // the eleventh: taken as the key
  linee.push_back("[curve]");
  linee.push_back("- uno, - due, - pendenza, 100, 7");  // the third: taken as the key
  linee.push_back("- uno, - pendenza, 200, 9");          // the second: skipped
  linee.push_back("[fine]");
  std::string testo;
  for (const auto& l : linee) testo += l + "\r\n";
  compila(testo);
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(form.voci[84].fine, 1000);
  EXPECT_EQ(pendenze(0, 3), (std::vector<uint8_t>{100, 100, 107, 107}));
  EXPECT_EQ(registro.eventi, (std::vector<std::string>{
                                 "13 dropped general [curve]",
                                 "14 pendenza 100",
                                 "15 dropped entries 200",
                                 "15 dropped entries 9",
                                 "16 dropped entries [fine]",
                             }));
}

// The general comment skip makes no end-of-file test: a file ending inside
// it fails to read (code 25).
TEST_F(LineCompilerTest, FileEndingInsideTheGeneralCommentSkipIsAReadFailure) {
  compila_dati(righe({"[generale]", "lunghezza percorso, 1000", "- a", "- b"}));
  EXPECT_EQ(form.codice_errore, 25);
  EXPECT_FALSE(fs::exists(file_linea()));
  EXPECT_FALSE(fs::exists(file_treno()));
}

TEST_F(LineCompilerTest, LastFieldOfTheFileIsNeverInterpreted) {
  compila(generale(1000) + righe({"pendenza, 0, 5", "pendenza"}));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(c(0).pendenza, 105);
  compila(generale(1000) + righe({"pendenza, 0, 5", "- nota", "pendenza"}));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(registro.eventi.back(), "6 dropped entries pendenza");
}

// ----- Gradients -----

TEST_F(LineCompilerTest, GradientFill) {
  compila(kGenerale +
          righe({"[pendenze]", "- altitudine iniziale Valdarco T. 352 m. slm", "pendenza,  0,   0",
                 "pendenza,  250,   18", "pendenza,  600,   21", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(pendenze(0, 4), ripeti(100, 5));
  EXPECT_EQ(pendenze(5, 11), ripeti(118, 7));
  EXPECT_EQ(pendenze(12, 937), ripeti(121, 926));
  EXPECT_EQ(pendenze(938, 940), ripeti(0, 3));
}

// Two entries in one cell: the second still writes one cell with the
// previous gradient and moves the fill on by one.
TEST_F(LineCompilerTest, TwoGradientEntriesInOneCellWriteOneCell) {
  compila(generale(1000) + righe({"pendenza, 0, 0", "pendenza, 250, 18", "pendenza, 260, -24",
                                  "pendenza, 600, 21", "pendenza, 700, 160", "[fine]"}));
  EXPECT_EQ(pendenze(0, 15),
            (std::vector<uint8_t>{100, 100, 100, 100, 100, 118, 76, 76, 76, 76, 76, 76, 121, 121,
                                  4, 4}));  // 160 + 100 keeps its low byte
}

// Gradients at or before the first cell write nothing; entries crowding one
// cell push the fill index past the grid, where nothing is written.
TEST_F(LineCompilerTest, GradientFillStaysInsideTheGrid) {
  std::string voci = "pendenza, -500, 3\r\n";
  for (int i = 0; i < 10; ++i) voci += "pendenza, 6850, " + std::to_string(i) + "\r\n";
  compila(generale(0) + voci + "[fine]\r\n");  // n = 140; 6850 m is cell 137
  EXPECT_EQ(form.codice_errore, 0);
  ASSERT_EQ(form.percorso.size(), 141u);
  EXPECT_EQ(pendenze(0, 136), ripeti(103, 137));
  EXPECT_EQ(pendenze(137, 140), (std::vector<uint8_t>{100, 101, 102, 103}));
}

// ----- Position check -----

TEST_F(LineCompilerTest, PositionCheckAtTheEndOfTheGrid) {
  const auto esito = compila(kGenerale + righe({
                                             "[cartelli]",
                                             "cartello_indicatore, 46900, (A)",
                                             "pendenza, 0, 5",
                                             "cartello_indicatore, 46901, (B)",
                                             "pendenza, 100, 9",
                                             "[fine]",
                                         }));
  EXPECT_EQ(form.codice_errore, 15);
  EXPECT_EQ(form.posizione_errore, 46901);
  EXPECT_EQ(form.sorgente.riga, 13);
  EXPECT_TRUE(esito.segue_treno);  // the train half follows
  EXPECT_EQ(esito.contatore_cartelli, 79);
  EXPECT_EQ(c(939).tipo, tipo_cella::cartello_indicatore);
  EXPECT_EQ(form.voci[80].nome, "(A)");
  EXPECT_EQ(form.voci[79].nome, "");
  // Reading stopped, the end-of-file steps ran: gradient 5 to the end, the
  // entry after the rejected one never read, the plan finished.
  EXPECT_EQ(pendenze(0, 937), ripeti(105, 938));
  EXPECT_EQ(form.tracciato.calcolati, 46999);
  EXPECT_FALSE(fs::exists(file_linea()));
  EXPECT_TRUE(fs::exists(file_treno()));
}

TEST_F(LineCompilerTest, PositionCheckCoversEveryLineEntry) {
  const char* voci[] = {"pendenza, 46901, 1", "curvad5, 46901, 50", "montagna, 46901, 47000, 1",
                        "indicatori_vmax, 46901, 1,1,1,0,0,0,0,0", "cartello_indicatore, 46901, x",
                        // a sum that would wrap in 32 bits is still beyond the grid
                        "cartello_indicatore, 2147483600, x"};
  for (const char* voce : voci) {
    SCOPED_TRACE(voce);
    form.codice_errore = 0;
    const auto esito = compila(kGenerale + righe({"[x]", voce, "[fine]"}));
    EXPECT_EQ(form.codice_errore, 15);
    EXPECT_TRUE(esito.segue_treno);
    for (const cella& cc : form.percorso) {
      EXPECT_EQ(cc.tipo, 0);
      EXPECT_EQ(cc.montagna, 0);
    }
  }
  EXPECT_EQ(form.posizione_errore, 2147483600);
}

// ----- Boards -----

// Cell nearest(p / 50 + 1), halves to the even neighbour.
TEST_F(LineCompilerTest, NameBoardCellsRoundHalvesToEven) {
  struct Caso {
    int32_t posizione;
    size_t cella;
  };
  const Caso casi[] = {{25, 2}, {75, 2}, {125, 4}, {74, 2}, {76, 3}, {-75, 0}, {0, 1}};
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.posizione);
    compila(generale(1000) +
            righe({"cartello_indicatore, " + std::to_string(caso.posizione) + ", T", "[fine]"}));
    EXPECT_EQ(form.codice_errore, 0);
    EXPECT_EQ(c(caso.cella).tipo, tipo_cella::cartello_indicatore);
  }
}

TEST_F(LineCompilerTest, NameBoardsOnMarkersAndOnOccupiedCells) {
  const auto esito = compila(generale(1000) + righe({
                                                  "montagna, 600, 850, 11",
                                                  "cartello_indicatore, 700, (PRIMO)",
                                                  "cartello_indicatore, 25, (SECONDO)",
                                                  "cartello_indicatore, 75, (TERZO)",
                                                  "pendenza, 0, 9",
                                                  "[fine]",
                                              }));
  EXPECT_EQ(form.codice_errore, 6);
  EXPECT_EQ(form.posizione_errore, 75);
  EXPECT_EQ(form.sorgente.riga, 7);
  EXPECT_FALSE(esito.segue_treno);
  EXPECT_EQ(c(15).tipo, tipo_cella::cartello_indicatore);  // the marker is replaced
  EXPECT_EQ(c(15).dato1, 80);
  EXPECT_EQ(c(15).montagna, 1);
  EXPECT_EQ(c(2).dato1, 79);
  EXPECT_EQ(form.voci[78].nome, "");
  // The compilation returned at once: no trailing gradient, no plan end.
  EXPECT_EQ(c(0).pendenza, 0);
  EXPECT_EQ(form.tracciato.calcolati, 2);
  EXPECT_FALSE(fs::exists(file_linea()));
  EXPECT_TRUE(fs::exists(file_treno()));
}

TEST_F(LineCompilerTest, SpeedLimitBoardsOnANameBoardCell) {
  const auto esito = compila(generale(1000) + righe({
                                                  "montagna, 600, 850, 11",
                                                  "indicatori_vmax, 700, 60,0,0,0,0,0,0,0",
                                                  "cartello_indicatore, 300, (A)",
                                                  "indicatori_vmax, 300, 80,0,0,0,0,0,0,0",
                                                  "[fine]",
                                              }));
  EXPECT_EQ(form.codice_errore, 21);
  EXPECT_EQ(form.posizione_errore, 300);
  EXPECT_FALSE(esito.segue_treno);
  EXPECT_EQ(c(15).tipo, tipo_cella::indicatori_v_max);  // on the marker
  EXPECT_EQ(c(15).dato1, 1200);
  EXPECT_EQ(c(7).tipo, tipo_cella::cartello_indicatore);
  EXPECT_FALSE(fs::exists(file_linea()));
  EXPECT_TRUE(fs::exists(file_treno()));
}

// Boards take records 80 down to 1; an 81st board has no record left and
// is refused with code 25 without touching record 0 or its cell.
TEST_F(LineCompilerTest, EightyFirstNameBoardIsRefused) {
  std::string voci;
  for (int i = 0; i < 81; ++i)
    voci += "cartello_indicatore, " + std::to_string(i * 100) + ", B" + std::to_string(i) + "\r\n";
  compila_dati(generale(10000) + voci + "[fine]\r\n");
  EXPECT_EQ(form.codice_errore, 25);
  EXPECT_EQ(form.voci[80].nome, "B0");
  EXPECT_EQ(form.voci[1].nome, "B79");
  EXPECT_EQ(c(159).dato1, 1);
  EXPECT_EQ(form.voci[0].nome, "");
  EXPECT_EQ(c(161).tipo, 0);
  EXPECT_EQ(form.sorgente.riga, 84);
  EXPECT_FALSE(fs::exists(file_linea()));
  EXPECT_FALSE(fs::exists(file_treno()));
}

// ----- Curves -----

TEST_F(LineCompilerTest, CurvesShapeThePlanOnly) {
  compila(kGenerale + righe({"[curve]", "curvas5,  200 , 150 ", "CURVA S5, 1000, 100",
                             "[fine]"}));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_NEAR(form.tracciato.punti[350][0], -22.484, 0.0005);
  EXPECT_NEAR(form.tracciato.punti[350][1], 347.760, 0.0005);
  EXPECT_EQ(form.tracciato.calcolati, 46999);
  // The second curve turns left too: x keeps falling ever faster after it.
  const auto& p = form.tracciato.punti;
  EXPECT_LT(p[1101][0] - p[1100][0], p[1000][0] - p[999][0]);
  for (const cella& cc : form.percorso) EXPECT_EQ(cc.tipo, 0);
}

TEST_F(LineCompilerTest, WithoutThePlanCurveKeysAreDropped) {
  form.compila_linea = 0;
  compila(generale(1000) + righe({"curvad7, 200, 150", "pendenza, 0, 2", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_FALSE(form.tracciato.esiste());
  EXPECT_EQ(c(0).pendenza, 102);
  EXPECT_EQ(registro.eventi, (std::vector<std::string>{
                                 "3 dropped general [curve]",
                                 "4 dropped entries curvad7",
                                 "4 dropped entries 200",
                                 "4 dropped entries 150",
                                 "5 pendenza 0",
                                 "6 dropped entries [fine]",
                             }));
}

// ----- Codes that end the line half -----

// Each code: what was stored before it stays, the line file is deleted, the
// train file is left alone and the train half does not follow.
TEST_F(LineCompilerTest, CodesThatReturn) {
  struct Caso {
    const char* nome;
    std::string testo;
    int32_t codice;
    int32_t riga_sorgente;
  };
  const std::string prima = righe({"pendenza, 0, 4", "montagna, 600, 850, 1"});
  const Caso casi[] = {
      {"no general section", righe({"[curve]", "pendenza, 0, 0", "[fine]"}), 102, 3},
      {"general heading as the last field", righe({"x", "[generale]"}), 102, 2},
      {"empty file", "", 102, 0},
      {"length above 1000000", righe({"[generale]", "lunghezza percorso, 1000001", "[c]"}), 1, 2},
      {"first repetition distance", righe({"[generale]", "lunghezza percorso, 1000",
                                           "ripetizione segnali 4 codici, 75, 100", "[c]"}),
       3, 3},
      {"second repetition distance", righe({"[generale]", "lunghezza percorso, 1000",
                                            "ripetizione segnali 4 codici, 100, 120", "[c]"}),
       4, 3},
      {"no number of codes", righe({"[generale]", "lunghezza percorso, 1000",
                                    "ripetizione segnali, 100, 0", "[c]"}),
       5, 3},
      {"curve without class", generale(1000) + prima + righe({"curvad, 200, 100", "[fine]"}), 103,
       6},
      {"curve past 1000000", generale(1000000) + prima + righe({"curvad6, 999900, 200", "[f]"}),
       103, 6},
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.nome);
    form.codice_errore = 0;
    const auto esito = compila(caso.testo);
    EXPECT_EQ(form.codice_errore, caso.codice);
    EXPECT_EQ(form.sorgente.riga, caso.riga_sorgente);
    EXPECT_FALSE(esito.segue_treno);
    EXPECT_FALSE(fs::exists(file_linea()));
    EXPECT_TRUE(fs::exists(file_treno()));
  }
}

TEST_F(LineCompilerTest, ValuesAreStoredBeforeTheyAreTested) {
  compila(righe({"[generale]", "sfondo uno, 4", "lunghezza percorso, 1000001", "[c]"}));
  EXPECT_EQ(form.codice_errore, 1);
  EXPECT_EQ(form.voci[84].fine, 1000001);
  EXPECT_EQ(form.voci[85].inizio, 4);
  EXPECT_TRUE(form.percorso.empty());

  compila(righe({"[generale]", "lunghezza percorso, 1000", "ripetizione segnali 4, 100, 120",
                 "[c]"}));
  EXPECT_EQ(form.codice_errore, 4);
  EXPECT_EQ(form.voci[86].inizio, 100);
  EXPECT_EQ(form.voci[86].fine, 120);

  compila(generale(1000) + righe({"pendenza, 0, 4", "montagna, 600, 850, 1", "curvad5, 300, 50",
                                  "curvad, 500, 100", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 103);
  EXPECT_EQ(c(12).montagna, 1);
  EXPECT_EQ(form.tracciato.calcolati, 351);  // the first curve was built
  EXPECT_EQ(c(0).pendenza, 0);               // no trailing fill after a return
}

TEST_F(LineCompilerTest, MissingLineFileIsCode101AndDeletesNothing) {
  write_bytes(file_treno(), "x\r\n");
  const auto esito = form.memorizza_linea();
  EXPECT_EQ(form.codice_errore, 101);
  EXPECT_FALSE(esito.segue_treno);
  EXPECT_TRUE(form.percorso.empty());
  EXPECT_TRUE(fs::exists(file_treno()));
}

// ----- Failures caught by the trap of memorizza_dati (code 25) -----

TEST_F(LineCompilerTest, RunTimeFailuresEndInCode25WithBothFilesDeleted) {
  struct Caso {
    const char* nome;
    std::string testo;
    bool griglia;
    int32_t riga_sorgente;
  };
  const Caso casi[] = {
      {"no length entry", righe({"[generale]", "sfondo uno, 1", "[curve]", "[fine]"}), false, 3},
      {"no length entry before the heading", righe({"[generale]", "[curve]", "pendenza, 0, 1", "[fine]"}),
       false, 2},
      {"length below 0", righe({"[generale]", "lunghezza percorso, -1", "[c]"}), false, 2},
      {"text for a number", generale(1000) + righe({"pendenza, 100, ripida", "[fine]"}), true, 4},
      {"number beyond 32 bits", generale(1000) + righe({"pendenza, 4294967296, 1", "[fine]"}),
       true, 4},
      // The reader stands on the line after the last one when the file ends.
      {"entry cut by the end", generale(1000) + righe({"montagna, 600, 850"}), true, 5},
      {"board value beyond 16 bits",
       generale(1000) + righe({"pendenza, 0, 1", "indicatori_vmax, 300, 1700,0,0,0,0,0,0,0",
                               "[fine]"}),
       true, 5},
      {"name board before the grid", generale(1000) + righe({"cartello_indicatore, -100, x",
                                                            "[fine]"}),
       true, 4},
      {"speed boards before the grid",
       generale(1000) + righe({"indicatori_vmax, -100, 1,0,0,0,0,0,0,0", "[fine]"}), true, 4},
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.nome);
    form.codice_errore = 0;
    form.compila_linea = 1;
    compila_dati(caso.testo);
    EXPECT_EQ(form.codice_errore, 25);
    EXPECT_EQ(form.sorgente.riga, caso.riga_sorgente);
    EXPECT_EQ(form.percorso.empty(), !caso.griglia);
    EXPECT_FALSE(fs::exists(file_linea()));
    EXPECT_FALSE(fs::exists(file_treno()));
  }
  // Without the plan, the grid is first needed by the end of the file.
  form.compila_linea = 0;
  compila_dati(righe({"[generale]", "[curve]", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 25);
  EXPECT_EQ(form.dettaglio_errore, "no line length entry before the end of the line file");
}

TEST_F(LineCompilerTest, TunnelEntriesBeyondEightyEndInCode25) {
  std::string voci;
  for (int i = 0; i < 81; ++i)
    voci += "montagna, " + std::to_string(i * 1000) + ", " + std::to_string(i * 1000 + 500) +
            ", 11\r\n";
  compila_dati(generale(100000) + voci + "[fine]\r\n");
  EXPECT_EQ(form.codice_errore, 25);
  EXPECT_EQ(form.numero_montagne, 80);
  EXPECT_EQ(c(1580).montagna, 1);  // the 80th tunnel
  EXPECT_EQ(c(1600).montagna, 0);  // the 81st: not stored
}

// ----- The built-in line -----

// Runs once the built-in line writer exists: the whole built-in file.
TEST_F(LineCompilerTest, BuiltInLine) {
  form.nome_linea = "Valdarco_Lornese";
  form.dati_linea();
  if (!fs::exists(file_linea())) GTEST_SKIP() << "the built-in line writer writes no file yet";
  const auto esito = form.memorizza_linea();
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_TRUE(esito.segue_treno);
  EXPECT_EQ(esito.contatore_cartelli, 37);
  ASSERT_EQ(form.percorso.size(), 941u);
  EXPECT_EQ(form.numero_montagne, 42);
  int tipi[4] = {};
  for (int32_t j = 1; j <= 42; ++j) {
    const auto primo = static_cast<size_t>(form.montagne_inizio[static_cast<size_t>(j)] / 50);
    const uint8_t tipo = form.percorso[primo].montagna;
    ASSERT_GE(tipo, 1);
    ASSERT_LE(tipo, 3);
    ++tipi[tipo];
  }
  EXPECT_EQ(tipi[1], 15);
  EXPECT_EQ(tipi[2], 9);
  EXPECT_EQ(tipi[3], 18);
  int marcatori = 0, cartelli = 0;
  for (const cella& cc : form.percorso) {
    marcatori += cc.tipo == tipo_cella::marcatore_galleria;
    cartelli += cc.tipo == tipo_cella::cartello_indicatore;
  }
  EXPECT_EQ(marcatori, 52);  // no board meets a marker
  EXPECT_EQ(cartelli, 43);
  EXPECT_EQ(c(289).tipo, tipo_cella::cartello_indicatore);
  EXPECT_EQ(form.voci[38].nome.empty(), false);
  EXPECT_EQ(form.voci[81].fine, 73450);
  EXPECT_EQ(pendenze(938, 940), ripeti(0, 3));
  EXPECT_NE(c(937).pendenza, 0);
  EXPECT_EQ(form.tracciato.calcolati, 46999);
  EXPECT_NEAR(form.tracciato.punti[350][0], -22.484, 0.0005);
  EXPECT_NEAR(form.tracciato.punti[46998][0], 4031.55, 0.005);
  EXPECT_NEAR(form.tracciato.punti[46998][1], 36975.87, 0.005);
}

}  // namespace
