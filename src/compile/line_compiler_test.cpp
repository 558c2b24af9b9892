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
std::string lines(std::initializer_list<std::string> lines) {
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  return out;
}

/// The general section of the built-in line (40000 m, n = 940).
const std::string kGeneral = lines({
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
std::string general(int32_t length) {
  return lines({"[generale]", "lunghezza percorso, " + std::to_string(length), "[curve]"});
}

/// Every event the compiler reports, one line each.
struct Recorder : CompileListener {
  std::vector<std::string> events;
  static const char* nome(ReadingSection s) {
    switch (s) {
      case ReadingSection::before_general: return "before";
      case ReadingSection::general: return "general";
      case ReadingSection::entries: return "entries";
    }
    return "?";
  }
  void key_dropped(DescriptionFile, int32_t line, ReadingSection section,
                   std::string_view key) override {
    events.push_back(std::to_string(line) + " dropped " + nome(section) + " " + std::string(key));
  }
  void entry_read(DescriptionFile, int32_t line, std::string_view entry,
                  int32_t position) override {
    events.push_back(std::to_string(line) + " " + std::string(entry) + " " +
                     std::to_string(position));
  }
  void chainage_dropped() override { events.push_back("chainage dropped"); }
};

struct LineCompilerTest : testing::Test {
  TempFolder folder;
  TestPlatform platform{folder.path()};
  Form1 form{platform};
  Recorder recorder;

  LineCompilerTest() {
    form.nome_linea = "Linea_Prova";
    form.numero_treno = "77";
    form.compila_linea = 1;
    form.listener = &recorder;
  }

  fs::path line_file() const { return form.file_name(ScenarioFile::line_description); }
  fs::path train_file() const { return form.file_name(ScenarioFile::train_description); }

  /// Writes the line file (and a train file beside it) and runs the line half.
  Form1::LineOutcome compile(const std::string& text) {
    write_bytes(line_file(), text);
    write_bytes(train_file(), "[generale]\r\n");
    return form.store_line();
  }
  /// The same through memorizza_dati, the one failure trap of both halves.
  void compile_text(const std::string& text) {
    write_bytes(line_file(), text);
    write_bytes(train_file(), "[generale]\r\n");
    form.memorizza_dati();
  }

  cella& c(size_t i) { return form.percorso.at(i); }
  std::vector<uint8_t> gradients(size_t from, size_t a) {
    std::vector<uint8_t> out;
    for (size_t i = from; i <= a; ++i) out.push_back(c(i).pendenza);
    return out;
  }
};

std::vector<uint8_t> repeat(uint8_t value, size_t times) { return std::vector<uint8_t>(times, value); }

// ----- The whole general section -----

TEST_F(LineCompilerTest, BuiltInGeneralSectionFillsRecordsGridAndPlan) {
  const auto outcome = compile(kGeneral + lines({"[curve]", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_TRUE(outcome.train_follows);
  EXPECT_EQ(outcome.board_counter, 80);
  EXPECT_EQ(form.voci[84].fine, 40000);
  ASSERT_EQ(form.percorso.size(), 941u);
  EXPECT_EQ(form.tracciato.rows(), 47001);
  EXPECT_EQ(form.tracciato.computed(), 46999);

  auto triple = [&](size_t i) {
    return std::vector<int32_t>{form.voci[i].inizio, form.voci[i].fine, form.voci[i].posizione};
  };
  EXPECT_EQ(triple(81), (std::vector<int32_t>{0, 73450, 1}));
  EXPECT_EQ(triple(82), (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(triple(83), (std::vector<int32_t>{0, 0, 0}));
  EXPECT_EQ(triple(85), (std::vector<int32_t>{33600, 1, 27600}));  // uno, tre, due
  EXPECT_EQ(triple(86), (std::vector<int32_t>{0, 0, 0}));
  // With no gradient entry the trailing fill writes level track up to cell n - 3.
  EXPECT_EQ(gradients(0, 937), repeat(100, 938));
  EXPECT_EQ(gradients(938, 940), repeat(0, 3));
  EXPECT_EQ(form.riga, "[fine]");
  EXPECT_FALSE(fs::exists(line_file()));
  EXPECT_TRUE(fs::exists(train_file()));
}

TEST_F(LineCompilerTest, SignalRepetitionCodes) {
  struct Case {
    const char* riga;
    int32_t inizio, fine, codes;
  };
  const Case cases[] = {
      {"ripetizione segnali 4 codici,    0    ,0", 0, 0, 0},
      {"ripetizione segnali 4 codici, 100, 200", 100, 200, 4},
      {"ripetizione segnali 9 codici, 100, 200", 100, 200, 9},
      {"ripetizione segnali 9 o 4 codici, 100, 200", 100, 200, 4},
      {"ripetizione segnali 9 codici, 100, 0", 100, 0, 0},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.riga);
    compile(lines({"[generale]", "lunghezza percorso, 1000", test_case.riga, "[curve]"}));
    EXPECT_EQ(form.codice_errore, 0);
    EXPECT_EQ(form.voci[86].inizio, test_case.inizio);
    EXPECT_EQ(form.voci[86].fine, test_case.fine);
    EXPECT_EQ(form.voci[86].posizione, test_case.codes);
  }
}

// The length key ignores case; every other general keyword is exact. An
// unrecognised key's numbers are read as keys and dropped in turn.
TEST_F(LineCompilerTest, CaseRulesOfTheGeneralKeys) {
  compile(lines({
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
  EXPECT_EQ(recorder.events, (std::vector<std::string>{
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
  compile(lines({"[generale]", "sfondo uno due tre, 1, 2, 3", "lunghezza percorso, 0", "[x]",
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
  std::string text = lines({"[generale]", "lunghezza percorso, 1000"});
  for (int i = 0; i < 10; ++i) text += "- c\r\n";
  text += lines({"-[x]", "sfondo uno, 5", "\" [y]\"", "sfondo tre, 6", "pendenza, 0, 1",
                  "[fine]"});
  compile(text);
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(form.voci[85].inizio, 5);
  EXPECT_EQ(form.voci[85].fine, 0);
  EXPECT_EQ(recorder.events, (std::vector<std::string>{
                                 "13 dropped general -[x]",
                                 "15 dropped general  [y]",
                                 "16 dropped entries sfondo tre",
                                 "16 dropped entries 6",
                                 "17 pendenza 0",
                                 "18 dropped entries [fine]",
                             }));
}

TEST_F(LineCompilerTest, LineEntriesInsideTheGeneralSectionAreNotRecognised) {
  compile(lines({"[generale]", "lunghezza percorso, 1000", "pendenza, 0, 50", "[curve]",
                 "[fine]"}));
  EXPECT_EQ(c(0).pendenza, 100);
  EXPECT_EQ(recorder.events[0], "3 dropped general pendenza");
}

TEST_F(LineCompilerTest, SecondLengthEntryReplacesTheGridAndPlan) {
  compile(lines({"[generale]", "lunghezza percorso, 1000", "lunghezza percorso, 2500", "[curve]",
                 "[fine]"}));
  EXPECT_EQ(form.percorso.size(), 191u);  // nearest(9500 / 50) = 190
  EXPECT_EQ(form.tracciato.rows(), 9501);
}

// A refused second length leaves no grid behind from the first: the
// record holds the refused length, which no grid or plan has.
TEST_F(LineCompilerTest, RefusedSecondLengthDiscardsTheFirstGrid) {
  compile(lines({"[generale]", "lunghezza percorso, 1000", "lunghezza percorso, 1000001",
                 "[curve]", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 1);
  EXPECT_EQ(form.voci[84].fine, 1000001);
  EXPECT_TRUE(form.percorso.empty());
  EXPECT_FALSE(form.tracciato.exists());

  compile_text(lines({"[generale]", "lunghezza percorso, 1000", "lunghezza percorso, -50",
                      "[curve]", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 25);
  EXPECT_EQ(form.voci[84].fine, -50);
  EXPECT_TRUE(form.percorso.empty());
  EXPECT_FALSE(form.tracciato.exists());
}

TEST_F(LineCompilerTest, FileEndingRightAfterTheGeneralSectionCompiles) {
  const auto outcome = compile("[generale]\r\nlunghezza percorso, 1000");
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_TRUE(outcome.train_follows);
  EXPECT_EQ(form.percorso.size(), 161u);
  EXPECT_EQ(form.tracciato.computed(), 7999);
  EXPECT_FALSE(fs::exists(line_file()));
}

// ----- The field reader as the compiler meets it -----

TEST_F(LineCompilerTest, OddButValidLayoutsOfEntries) {
  compile(general(1000) +
          lines({
              "pendenza",  // key alone, values on the next line
              "0,   0",
              "pendenza,  250,   18, pendenza, 300, -24 ",  // two entries on one line
              "indicatori_vmax,  300,  75,  80,  80,  0,  ,  ,  ,  0",
              "cartello_indicatore,   1000,  \"(GALLERIA, 1200 m)\"",
              "cartello_indicatore,   1500,  (CULMINE)",
              "[fine]",
          }));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(gradients(0, 6), (std::vector<uint8_t>{100, 100, 100, 100, 100, 118, 76}));
  EXPECT_EQ(c(7).tipo, cell_type::speed_limit_boards);
  EXPECT_EQ(c(7).dato1, 1500);
  EXPECT_EQ(c(7).dato4, 0);
  EXPECT_EQ(c(21).tipo, cell_type::name_board);
  EXPECT_EQ(c(21).dato1, 80);
  EXPECT_EQ(form.voci[80].nome, "(GALLERIA, 1200 m)");
  EXPECT_EQ(c(31).dato1, 79);
  EXPECT_EQ(form.voci[79].nome, "(CULMINE)");
  EXPECT_EQ(recorder.events, (std::vector<std::string>{
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
  std::vector<std::string> lines{"[generale]"};
  for (int i = 0; i < 10; ++i) lines.push_back("- nota " + std::to_string(i));
  lines.push_back("- lunghezza percorso, 1000");  // the eleventh: taken as the key
  lines.push_back("[curve]");
  lines.push_back("- uno, - due, - pendenza, 100, 7");  // the third: taken as the key
  lines.push_back("- uno, - pendenza, 200, 9");          // the second: skipped
  lines.push_back("[fine]");
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  compile(text);
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(form.voci[84].fine, 1000);
  EXPECT_EQ(gradients(0, 3), (std::vector<uint8_t>{100, 100, 107, 107}));
  EXPECT_EQ(recorder.events, (std::vector<std::string>{
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
  compile_text(lines({"[generale]", "lunghezza percorso, 1000", "- a", "- b"}));
  EXPECT_EQ(form.codice_errore, 25);
  EXPECT_FALSE(fs::exists(line_file()));
  EXPECT_FALSE(fs::exists(train_file()));
}

TEST_F(LineCompilerTest, LastFieldOfTheFileIsNeverInterpreted) {
  compile(general(1000) + lines({"pendenza, 0, 5", "pendenza"}));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(c(0).pendenza, 105);
  compile(general(1000) + lines({"pendenza, 0, 5", "- nota", "pendenza"}));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(recorder.events.back(), "6 dropped entries pendenza");
}

// ----- Gradients -----

TEST_F(LineCompilerTest, GradientFill) {
  compile(kGeneral +
          lines({"[pendenze]", "- altitudine iniziale Valdarco T. 352 m. slm", "pendenza,  0,   0",
                 "pendenza,  250,   18", "pendenza,  600,   21", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(gradients(0, 4), repeat(100, 5));
  EXPECT_EQ(gradients(5, 11), repeat(118, 7));
  EXPECT_EQ(gradients(12, 937), repeat(121, 926));
  EXPECT_EQ(gradients(938, 940), repeat(0, 3));
}

// Two entries in one cell: the second still writes one cell with the
// previous gradient and moves the fill on by one.
TEST_F(LineCompilerTest, TwoGradientEntriesInOneCellWriteOneCell) {
  compile(general(1000) + lines({"pendenza, 0, 0", "pendenza, 250, 18", "pendenza, 260, -24",
                                  "pendenza, 600, 21", "pendenza, 700, 160", "[fine]"}));
  EXPECT_EQ(gradients(0, 15),
            (std::vector<uint8_t>{100, 100, 100, 100, 100, 118, 76, 76, 76, 76, 76, 76, 121, 121,
                                  4, 4}));  // 160 + 100 keeps its low byte
}

// Gradients at or before the first cell write nothing; entries crowding one
// cell push the fill index past the grid, where nothing is written.
TEST_F(LineCompilerTest, GradientFillStaysInsideTheGrid) {
  std::string voci = "pendenza, -500, 3\r\n";
  for (int i = 0; i < 10; ++i) voci += "pendenza, 6850, " + std::to_string(i) + "\r\n";
  compile(general(0) + voci + "[fine]\r\n");  // n = 140; 6850 m is cell 137
  EXPECT_EQ(form.codice_errore, 0);
  ASSERT_EQ(form.percorso.size(), 141u);
  EXPECT_EQ(gradients(0, 136), repeat(103, 137));
  EXPECT_EQ(gradients(137, 140), (std::vector<uint8_t>{100, 101, 102, 103}));
}

// ----- Position check -----

TEST_F(LineCompilerTest, PositionCheckAtTheEndOfTheGrid) {
  const auto outcome = compile(kGeneral + lines({
                                             "[cartelli]",
                                             "cartello_indicatore, 46900, (A)",
                                             "pendenza, 0, 5",
                                             "cartello_indicatore, 46901, (B)",
                                             "pendenza, 100, 9",
                                             "[fine]",
                                         }));
  EXPECT_EQ(form.codice_errore, 15);
  EXPECT_EQ(form.posizione_errore, 46901);
  EXPECT_EQ(form.source.riga, 13);
  EXPECT_TRUE(outcome.train_follows);  // the train half follows
  EXPECT_EQ(outcome.board_counter, 79);
  EXPECT_EQ(c(939).tipo, cell_type::name_board);
  EXPECT_EQ(form.voci[80].nome, "(A)");
  EXPECT_EQ(form.voci[79].nome, "");
  // Reading stopped, the end-of-file steps ran: gradient 5 to the end, the
  // entry after the rejected one never read, the plan finished.
  EXPECT_EQ(gradients(0, 937), repeat(105, 938));
  EXPECT_EQ(form.tracciato.computed(), 46999);
  EXPECT_FALSE(fs::exists(line_file()));
  EXPECT_TRUE(fs::exists(train_file()));
}

TEST_F(LineCompilerTest, PositionCheckCoversEveryLineEntry) {
  const char* voci[] = {"pendenza, 46901, 1", "curvad5, 46901, 50", "montagna, 46901, 47000, 1",
                        "indicatori_vmax, 46901, 1,1,1,0,0,0,0,0", "cartello_indicatore, 46901, x",
                        // a sum that would wrap in 32 bits is still beyond the grid
                        "cartello_indicatore, 2147483600, x"};
  for (const char* voce : voci) {
    SCOPED_TRACE(voce);
    form.codice_errore = 0;
    const auto outcome = compile(kGeneral + lines({"[x]", voce, "[fine]"}));
    EXPECT_EQ(form.codice_errore, 15);
    EXPECT_TRUE(outcome.train_follows);
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
  struct Case {
    int32_t posizione;
    size_t cella;
  };
  const Case cases[] = {{25, 2}, {75, 2}, {125, 4}, {74, 2}, {76, 3}, {-75, 0}, {0, 1}};
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.posizione);
    compile(general(1000) +
            lines({"cartello_indicatore, " + std::to_string(test_case.posizione) + ", T", "[fine]"}));
    EXPECT_EQ(form.codice_errore, 0);
    EXPECT_EQ(c(test_case.cella).tipo, cell_type::name_board);
  }
}

TEST_F(LineCompilerTest, NameBoardsOnMarkersAndOnOccupiedCells) {
  const auto outcome = compile(general(1000) + lines({
                                                  "montagna, 600, 850, 11",
                                                  "cartello_indicatore, 700, (PRIMO)",
                                                  "cartello_indicatore, 25, (SECONDO)",
                                                  "cartello_indicatore, 75, (TERZO)",
                                                  "pendenza, 0, 9",
                                                  "[fine]",
                                              }));
  EXPECT_EQ(form.codice_errore, 6);
  EXPECT_EQ(form.posizione_errore, 75);
  EXPECT_EQ(form.source.riga, 7);
  EXPECT_FALSE(outcome.train_follows);
  EXPECT_EQ(c(15).tipo, cell_type::name_board);  // the marker is replaced
  EXPECT_EQ(c(15).dato1, 80);
  EXPECT_EQ(c(15).montagna, 1);
  EXPECT_EQ(c(2).dato1, 79);
  EXPECT_EQ(form.voci[78].nome, "");
  // The compilation returned at once: no trailing gradient, no plan end.
  EXPECT_EQ(c(0).pendenza, 0);
  EXPECT_EQ(form.tracciato.computed(), 2);
  EXPECT_FALSE(fs::exists(line_file()));
  EXPECT_TRUE(fs::exists(train_file()));
}

TEST_F(LineCompilerTest, SpeedLimitBoardsOnANameBoardCell) {
  const auto outcome = compile(general(1000) + lines({
                                                  "montagna, 600, 850, 11",
                                                  "indicatori_vmax, 700, 60,0,0,0,0,0,0,0",
                                                  "cartello_indicatore, 300, (A)",
                                                  "indicatori_vmax, 300, 80,0,0,0,0,0,0,0",
                                                  "[fine]",
                                              }));
  EXPECT_EQ(form.codice_errore, 21);
  EXPECT_EQ(form.posizione_errore, 300);
  EXPECT_FALSE(outcome.train_follows);
  EXPECT_EQ(c(15).tipo, cell_type::speed_limit_boards);  // on the marker
  EXPECT_EQ(c(15).dato1, 1200);
  EXPECT_EQ(c(7).tipo, cell_type::name_board);
  EXPECT_FALSE(fs::exists(line_file()));
  EXPECT_TRUE(fs::exists(train_file()));
}

// Boards take records 80 down to 1; an 81st board has no record left and
// is refused with code 25 without touching record 0 or its cell.
TEST_F(LineCompilerTest, EightyFirstNameBoardIsRefused) {
  std::string voci;
  for (int i = 0; i < 81; ++i)
    voci += "cartello_indicatore, " + std::to_string(i * 100) + ", B" + std::to_string(i) + "\r\n";
  compile_text(general(10000) + voci + "[fine]\r\n");
  EXPECT_EQ(form.codice_errore, 25);
  EXPECT_EQ(form.voci[80].nome, "B0");
  EXPECT_EQ(form.voci[1].nome, "B79");
  EXPECT_EQ(c(159).dato1, 1);
  EXPECT_EQ(form.voci[0].nome, "");
  EXPECT_EQ(c(161).tipo, 0);
  EXPECT_EQ(form.source.riga, 84);
  EXPECT_FALSE(fs::exists(line_file()));
  EXPECT_FALSE(fs::exists(train_file()));
}

// ----- Curves -----

TEST_F(LineCompilerTest, CurvesShapeThePlanOnly) {
  compile(kGeneral + lines({"[curve]", "curvas5,  200 , 150 ", "CURVA S5, 1000, 100",
                             "[fine]"}));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_NEAR(form.tracciato.points[350][0], -22.484, 0.0005);
  EXPECT_NEAR(form.tracciato.points[350][1], 347.760, 0.0005);
  EXPECT_EQ(form.tracciato.computed(), 46999);
  // The second curve turns left too: x keeps falling ever faster after it.
  const auto& p = form.tracciato.points;
  EXPECT_LT(p[1101][0] - p[1100][0], p[1000][0] - p[999][0]);
  for (const cella& cc : form.percorso) EXPECT_EQ(cc.tipo, 0);
}

TEST_F(LineCompilerTest, WithoutThePlanCurveKeysAreDropped) {
  form.compila_linea = 0;
  compile(general(1000) + lines({"curvad7, 200, 150", "pendenza, 0, 2", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_FALSE(form.tracciato.exists());
  EXPECT_EQ(c(0).pendenza, 102);
  EXPECT_EQ(recorder.events, (std::vector<std::string>{
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
  struct Case {
    const char* nome;
    std::string text;
    int32_t code;
    int32_t source_line;
  };
  const std::string before = lines({"pendenza, 0, 4", "montagna, 600, 850, 1"});
  const Case cases[] = {
      {"no general section", lines({"[curve]", "pendenza, 0, 0", "[fine]"}), 102, 3},
      {"general heading as the last field", lines({"x", "[generale]"}), 102, 2},
      {"empty file", "", 102, 0},
      {"length above 1000000", lines({"[generale]", "lunghezza percorso, 1000001", "[c]"}), 1, 2},
      {"first repetition distance", lines({"[generale]", "lunghezza percorso, 1000",
                                           "ripetizione segnali 4 codici, 75, 100", "[c]"}),
       3, 3},
      {"second repetition distance", lines({"[generale]", "lunghezza percorso, 1000",
                                            "ripetizione segnali 4 codici, 100, 120", "[c]"}),
       4, 3},
      {"no number of codes", lines({"[generale]", "lunghezza percorso, 1000",
                                    "ripetizione segnali, 100, 0", "[c]"}),
       5, 3},
      {"curve without class", general(1000) + before + lines({"curvad, 200, 100", "[fine]"}), 103,
       6},
      {"curve past 1000000", general(1000000) + before + lines({"curvad6, 999900, 200", "[f]"}),
       103, 6},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.nome);
    form.codice_errore = 0;
    const auto outcome = compile(test_case.text);
    EXPECT_EQ(form.codice_errore, test_case.code);
    EXPECT_EQ(form.source.riga, test_case.source_line);
    EXPECT_FALSE(outcome.train_follows);
    EXPECT_FALSE(fs::exists(line_file()));
    EXPECT_TRUE(fs::exists(train_file()));
  }
}

TEST_F(LineCompilerTest, ValuesAreStoredBeforeTheyAreTested) {
  compile(lines({"[generale]", "sfondo uno, 4", "lunghezza percorso, 1000001", "[c]"}));
  EXPECT_EQ(form.codice_errore, 1);
  EXPECT_EQ(form.voci[84].fine, 1000001);
  EXPECT_EQ(form.voci[85].inizio, 4);
  EXPECT_TRUE(form.percorso.empty());

  compile(lines({"[generale]", "lunghezza percorso, 1000", "ripetizione segnali 4, 100, 120",
                 "[c]"}));
  EXPECT_EQ(form.codice_errore, 4);
  EXPECT_EQ(form.voci[86].inizio, 100);
  EXPECT_EQ(form.voci[86].fine, 120);

  compile(general(1000) + lines({"pendenza, 0, 4", "montagna, 600, 850, 1", "curvad5, 300, 50",
                                  "curvad, 500, 100", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 103);
  EXPECT_EQ(c(12).montagna, 1);
  EXPECT_EQ(form.tracciato.computed(), 351);  // the first curve was built
  EXPECT_EQ(c(0).pendenza, 0);              // no trailing fill after a return
}

TEST_F(LineCompilerTest, MissingLineFileIsCode101AndDeletesNothing) {
  write_bytes(train_file(), "x\r\n");
  const auto outcome = form.store_line();
  EXPECT_EQ(form.codice_errore, 101);
  EXPECT_FALSE(outcome.train_follows);
  EXPECT_TRUE(form.percorso.empty());
  EXPECT_TRUE(fs::exists(train_file()));
}

// ----- Failures caught by the trap of memorizza_dati (code 25) -----

TEST_F(LineCompilerTest, RunTimeFailuresEndInCode25WithBothFilesDeleted) {
  struct Case {
    const char* nome;
    std::string text;
    bool grid;
    int32_t source_line;
  };
  const Case cases[] = {
      {"no length entry", lines({"[generale]", "sfondo uno, 1", "[curve]", "[fine]"}), false, 3},
      {"no length entry before the heading", lines({"[generale]", "[curve]", "pendenza, 0, 1", "[fine]"}),
       false, 2},
      {"length below 0", lines({"[generale]", "lunghezza percorso, -1", "[c]"}), false, 2},
      {"text for a number", general(1000) + lines({"pendenza, 100, ripida", "[fine]"}), true, 4},
      {"number beyond 32 bits", general(1000) + lines({"pendenza, 4294967296, 1", "[fine]"}),
       true, 4},
      // The reader stands on the line after the last one when the file ends.
      {"entry cut by the end", general(1000) + lines({"montagna, 600, 850"}), true, 5},
      {"board value beyond 16 bits",
       general(1000) + lines({"pendenza, 0, 1", "indicatori_vmax, 300, 1700,0,0,0,0,0,0,0",
                               "[fine]"}),
       true, 5},
      {"name board before the grid", general(1000) + lines({"cartello_indicatore, -100, x",
                                                            "[fine]"}),
       true, 4},
      {"speed boards before the grid",
       general(1000) + lines({"indicatori_vmax, -100, 1,0,0,0,0,0,0,0", "[fine]"}), true, 4},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.nome);
    form.codice_errore = 0;
    form.compila_linea = 1;
    compile_text(test_case.text);
    EXPECT_EQ(form.codice_errore, 25);
    EXPECT_EQ(form.source.riga, test_case.source_line);
    EXPECT_EQ(form.percorso.empty(), !test_case.grid);
    EXPECT_FALSE(fs::exists(line_file()));
    EXPECT_FALSE(fs::exists(train_file()));
  }
  // Without the plan, the grid is first needed by the end of the file.
  form.compila_linea = 0;
  compile_text(lines({"[generale]", "[curve]", "[fine]"}));
  EXPECT_EQ(form.codice_errore, 25);
  EXPECT_EQ(form.error_detail, "no line length entry before the end of the line file");
}

TEST_F(LineCompilerTest, TunnelEntriesBeyondEightyEndInCode25) {
  std::string voci;
  for (int i = 0; i < 81; ++i)
    voci += "montagna, " + std::to_string(i * 1000) + ", " + std::to_string(i * 1000 + 500) +
            ", 11\r\n";
  compile_text(general(100000) + voci + "[fine]\r\n");
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
  if (!fs::exists(line_file())) GTEST_SKIP() << "the built-in line writer writes no file yet";
  const auto outcome = form.store_line();
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_TRUE(outcome.train_follows);
  EXPECT_EQ(outcome.board_counter, 37);
  ASSERT_EQ(form.percorso.size(), 941u);
  EXPECT_EQ(form.numero_montagne, 42);
  int types[4] = {};
  for (int32_t j = 1; j <= 42; ++j) {
    const auto first = static_cast<size_t>(form.montagne_inizio[static_cast<size_t>(j)] / 50);
    const uint8_t tipo = form.percorso[first].montagna;
    ASSERT_GE(tipo, 1);
    ASSERT_LE(tipo, 3);
    ++types[tipo];
  }
  EXPECT_EQ(types[1], 15);
  EXPECT_EQ(types[2], 9);
  EXPECT_EQ(types[3], 18);
  int markers = 0, boards = 0;
  for (const cella& cc : form.percorso) {
    markers += cc.tipo == cell_type::tunnel_marker;
    boards += cc.tipo == cell_type::name_board;
  }
  EXPECT_EQ(markers, 52);  // no board meets a marker
  EXPECT_EQ(boards, 43);
  EXPECT_EQ(c(289).tipo, cell_type::name_board);
  EXPECT_EQ(form.voci[38].nome.empty(), false);
  EXPECT_EQ(form.voci[81].fine, 73450);
  EXPECT_EQ(gradients(938, 940), repeat(0, 3));
  EXPECT_NE(c(937).pendenza, 0);
  EXPECT_EQ(form.tracciato.computed(), 46999);
  EXPECT_NEAR(form.tracciato.points[350][0], -22.484, 0.0005);
  EXPECT_NEAR(form.tracciato.points[46998][0], 4031.55, 0.005);
  EXPECT_NEAR(form.tracciato.points[46998][1], 36975.87, 0.005);
}

}  // namespace
