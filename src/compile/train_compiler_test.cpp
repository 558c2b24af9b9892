#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "app/form1.h"
#include "compile/field_reader.h"
#include "testing/test_platform.h"

namespace {

namespace fs = std::filesystem;

/// A station row: F1 to F16, then the name.
std::string stazione(const std::array<int64_t, 16>& f, const std::string& nome) {
  std::string riga = "stazione";
  for (int64_t value : f) riga += ", " + std::to_string(value);
  return riga + ", " + nome;
}

/// A station of the given position, type and platform, every other value 0.
std::string stazione(int64_t posizione, int64_t tipo, int64_t length, int64_t prolunga = 0) {
  return stazione({posizione, tipo, length, 0, 0, prolunga, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                  "FERMATA");
}

const std::string kFirstStation =
    "stazione,       0, 12,  400,  1, 0, 0,  4,1,0,  2,1,1,    1,   6,48, 0, VALDARCO TERME";
const std::string kSignal5950 = "segnale,    5950,   1, 5, 1,  0, 0,    0,  0,0,0, 0";

using Values = std::vector<uint8_t>;

/// 941 values: `value` in cells da to a, 0 elsewhere unless already set.
Values& fill(Values& v, size_t from, size_t a, uint8_t value) {
  for (size_t i = from; i <= a; ++i) v[i] = value;
  return v;
}

struct TrainCompilerTest : testing::Test {
  TempFolder folder;
  TestPlatform platform{folder.path()};
  Form1 form{platform};

  TrainCompilerTest() {
    form.nome_linea = "Valdarco_Lornese";
    form.numero_treno = "4158";
    form.percorso.assign(941, cella{});  // a line of 40000 m: highest index 940
  }

  fs::path train_file() const { return folder.path() / "Valdarco_Lornese_4158-.txt"; }

  /// Compiles "[generale]", these lines and the closing line.
  void compile(const std::vector<std::string>& lines, int32_t limit = 37) {
    std::string text = "[generale]\r\n";
    for (const std::string& riga : lines) text += riga + "\r\n";
    compile_source(text + "[fine]\r\n", limit);
  }

  void compile_source(const std::string& text, int32_t limit = 37) {
    write_bytes(train_file(), text);
    form.store_train(limit);
  }

  cella& at(size_t i) { return form.percorso[i]; }

  Values field(uint8_t cella::*c) const {
    Values v;
    for (const cella& x : form.percorso) v.push_back(x.*c);
    return v;
  }
  Values velocita() const { return field(&cella::velocita); }
  Values aderenza() const { return field(&cella::aderenza); }
};

// ----- Stations -----

TEST_F(TrainCompilerTest, FirstAndLastBuiltInStations) {
  compile({kFirstStation,
           "stazione,   39900,  4,  600,  1, 3, 0,  1,1,0,  2,1,1,    0,   7,38, 0, LORNESE"});
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_FALSE(fs::exists(train_file()));

  voce before;
  before.tipo = 12;
  before.inizio = -200;
  before.fine = 200;
  before.posizione = 0;
  before.campo4 = 1;
  before.nome = "VALDARCO TERME";
  before.campo7 = 4;
  before.campo8 = 1;
  before.campo10 = 2;
  before.campo11 = 1;
  before.campo12 = 1;
  before.campo13 = 1;
  before.orario = 24480;
  EXPECT_EQ(form.voci[1], before);

  voce last;
  last.tipo = 4;
  last.inizio = 39600;
  last.fine = 40200;
  last.posizione = 39900;
  last.campo4 = 1;
  last.campo5 = 3;  // kept: 600 is not below 600
  last.nome = "LORNESE";
  last.campo7 = 1;
  last.campo8 = 1;
  last.campo10 = 2;
  last.campo11 = 1;
  last.campo12 = 1;
  last.orario = 27480;
  EXPECT_EQ(form.voci[2], last);

  CellGrid expected(941, cella{});
  expected[2].marcatore = 81;  // markers 82 to 84 would fall in cells 1 and below
  expected[3].tipo = cell_type::station_stop;
  expected[3].dato1 = 1;
  expected[803].tipo = cell_type::station_stop;
  expected[803].dato1 = 2;
  for (uint8_t k = 1; k <= 4; ++k) expected[803 - k].marcatore = static_cast<uint8_t>(80 + k);
  EXPECT_EQ(form.percorso, expected);
}

TEST_F(TrainCompilerTest, PlatformByStationType) {
  struct Case {
    int64_t tipo;
    int32_t inizio, fine;
    uint8_t prolunga;
    int32_t station_stop;  ///< stop cell, or -1
    bool markers;
  };
  // Second stations at 10000 m with a 400 m platform and F6 = 1.
  const Case cases[] = {
      {5, 9600, 10150, 0, 202, false}, {6, 9600, 10150, 0, 202, false},
      {7, 9600, 10400, 0, 207, true},  {8, 9600, 10400, 0, 207, true},
      {12, 9800, 10250, 1, 204, true}, {22, 9800, 10250, 1, 204, true},
      {24, 9800, 10250, 1, 204, true}, {25, 9800, 10250, 1, -1, false},
      {27, 9800, 10250, 1, -1, false},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.tipo);
    form.percorso.assign(941, cella{});
    compile({stazione(0, 27, 200), stazione(10000, test_case.tipo, 400, 1)});
    EXPECT_EQ(form.codice_errore, 0);
    EXPECT_EQ(form.voci[2].inizio, test_case.inizio);
    EXPECT_EQ(form.voci[2].fine, test_case.fine);
    EXPECT_EQ(form.voci[2].prolunga, test_case.prolunga);
    CellGrid expected(941, cella{});
    if (test_case.station_stop >= 0) {
      expected[static_cast<size_t>(test_case.station_stop)].tipo = cell_type::station_stop;
      expected[static_cast<size_t>(test_case.station_stop)].dato1 = 2;
    }
    if (test_case.markers)
      for (uint8_t k = 1; k <= 4; ++k)
        expected[static_cast<size_t>(test_case.station_stop - k)].marcatore = static_cast<uint8_t>(80 + k);
    EXPECT_EQ(form.percorso, expected);
  }
}

TEST_F(TrainCompilerTest, ExtendedPlatformOfAType22Station) {
  compile({kFirstStation,
           stazione({7700, 22, 300, 0, 5, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "PIANO")});
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(form.voci[2].inizio, 7550);
  EXPECT_EQ(form.voci[2].fine, 7900);
  EXPECT_EQ(form.voci[2].prolunga, 1);
  EXPECT_EQ(form.voci[2].campo5, 0);  // platform below 600 m
  EXPECT_EQ(at(157).tipo, cell_type::station_stop);
  EXPECT_EQ(at(157).dato1, 2);
}

TEST_F(TrainCompilerTest, TheFirstStationKeepsItsExtensionButNotItsFlags) {
  compile({stazione({1000, 12, 800, 0, 7, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "A")});
  EXPECT_EQ(form.voci[1].fine, 1450);
  EXPECT_EQ(form.voci[1].prolunga, 0);
  EXPECT_EQ(form.voci[1].campo5, 0);
  EXPECT_EQ(at(28).tipo, cell_type::station_stop);
}

TEST_F(TrainCompilerTest, TheStopCellIsWrittenWhateverItHeld) {
  at(3).tipo = cell_type::segnale;
  at(3).dato2 = 5;
  compile({kFirstStation});
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(at(3).tipo, cell_type::station_stop);
  EXPECT_EQ(at(3).dato1, 1);
  EXPECT_EQ(at(3).dato2, 5);
}

TEST_F(TrainCompilerTest, PlatformsMustBegin350MetresAfterThePreviousOne) {
  struct Case {
    int64_t posizione;  ///< a 200 m platform begins 100 m before it
    int32_t code;
  };
  const Case cases[] = {{600, 22}, {650, 0}};
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.posizione);
    form.codice_errore = 0;
    form.percorso.assign(941, cella{});
    compile({"velocita, 0, 80", kFirstStation, stazione(test_case.posizione, 12, 200)});
    EXPECT_EQ(form.codice_errore, test_case.code);
    EXPECT_FALSE(fs::exists(train_file()));
    EXPECT_EQ(form.voci[2].posizione, test_case.posizione);
    EXPECT_EQ(form.voci[2].nome, "FERMATA");
    if (test_case.code == 22) {
      EXPECT_EQ(form.posizione_errore, 600);
      EXPECT_EQ(velocita(), Values(941, 0));  // a failure skips the trailing runs
    } else {
      Values expected_text(941, 0);
      EXPECT_EQ(velocita(), fill(expected_text, 0, 937, 16));
    }
  }
}

TEST_F(TrainCompilerTest, PositionAndPlatformChecksKeepTheFieldsReadBeforeThem) {
  form.posizione_errore = 4321;
  compile({stazione(1025, 12, 400)});
  EXPECT_EQ(form.codice_errore, 8);
  EXPECT_EQ(form.posizione_errore, 1025);
  EXPECT_EQ(form.voci[1].posizione, 1025);
  EXPECT_EQ(form.voci[1].tipo, 0);  // not read yet
  EXPECT_FALSE(fs::exists(train_file()));

  form.voci[1] = voce{};
  compile({stazione({1050, 12, 450, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "A")});
  EXPECT_EQ(form.codice_errore, 9);
  EXPECT_EQ(form.posizione_errore, 1050);
  EXPECT_EQ(form.voci[1].tipo, 12);
  EXPECT_EQ(form.voci[1].campo4, 0);  // not read yet
}

TEST_F(TrainCompilerTest, StationFieldWidths) {
  struct Case {
    size_t field;  ///< 0 for F1
    int64_t value;
    bool read_value;
  };
  const Case cases[] = {
      {0, 2147483648, false}, {1, 255, true},    {1, 256, false},   {3, 256, false},
      {4, 256, false},        {5, 256, false},   {6, 32767, true},  {6, 32768, false},
      {6, -32768, true},      {7, -32769, false}, {8, -1, false},   {9, 32768, false},
      {10, 32768, false},     {11, 32768, false}, {12, 256, false}, {13, 2147483647, true},
      {14, -2147483649, false}, {15, 2147483648, false},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(testing::Message() << "F" << test_case.field + 1 << " = " << test_case.value);
    std::array<int64_t, 16> f{0, 12, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    f[test_case.field] = test_case.value;
    if (test_case.read_value) {
      EXPECT_NO_THROW(compile({stazione(f, "A")}));
    } else {
      EXPECT_THROW(compile({stazione(f, "A")}), ReadFailure);
    }
  }
  // The last readable cases left their values.
  compile({stazione({0, 255, 400, 0, 0, 0, -32768, 0, 0, 0, 0, 0, 0, 2147483647, 0, 0}, "A")});
  EXPECT_EQ(form.voci[1].tipo, 255);
  EXPECT_EQ(form.voci[1].campo7, -32768);
  EXPECT_EQ(form.voci[1].orario, -3600);  // (2^31 - 1) * 3600 wraps at 32 bits
}

TEST_F(TrainCompilerTest, AStopCellAtOrBefore100MetresFailsWith24) {
  struct Case {
    std::string riga;
    int32_t code;
  };
  const Case cases[] = {
      {stazione(0, 12, 200), 24},   // platform end 100 m: stop cell 1
      {stazione(-50, 5, 100), 24},  // end 100 m
      {stazione(50, 12, 200), 0},   // end 150 m: stop cell 2
      {stazione(0, 27, 200), 0},    // no stop cell at all
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.riga);
    form.percorso.assign(941, cella{});
    form.codice_errore = 0;
    form.posizione_errore = 4321;
    compile({test_case.riga});
    EXPECT_EQ(form.codice_errore, test_case.code);
    EXPECT_EQ(form.posizione_errore, 4321);
    if (test_case.code == 24) {
      EXPECT_EQ(form.percorso, CellGrid(941, cella{}));
    }
  }
}

TEST_F(TrainCompilerTest, StationCountStopsAtTheFirstNameBoardRecord) {
  struct Case {
    int32_t stations;
    int32_t code;
  };
  const Case cases[] = {{35, 0}, {36, 10}};
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.stations);
    form.codice_errore = 0;
    form.posizione_errore = 4321;
    std::vector<std::string> lines;
    for (int32_t i = 0; i < test_case.stations; ++i) lines.push_back(stazione(1000 * i, 27, 200));
    lines.push_back("sabbia, 300");
    form.voci[86].campo7 = 0;
    compile(lines, 37);
    EXPECT_EQ(form.codice_errore, test_case.code);
    EXPECT_EQ(form.posizione_errore, 4321);
    EXPECT_EQ(form.voci[static_cast<size_t>(test_case.stations)].posizione, 1000 * (test_case.stations - 1));
    EXPECT_EQ(form.voci[86].campo7, test_case.code == 0 ? 300 : 0);
  }
}

// With name boards down to record 1 there is no record left for a station:
// it is refused before it could overwrite the board's text.
TEST_F(TrainCompilerTest, NoStationOverwritesANameBoard) {
  form.voci[1].nome = "(CULMINE)";
  compile({kFirstStation}, 0);
  EXPECT_EQ(form.codice_errore, 10);
  EXPECT_EQ(form.voci[1].nome, "(CULMINE)");
  EXPECT_EQ(form.voci[1].posizione, 0);
  EXPECT_EQ(form.percorso, CellGrid(941, cella{}));
}

TEST_F(TrainCompilerTest, StationsBeyondTheGridStopTheReadingWith15) {
  struct Case {
    std::string riga;
    int32_t code, posizione;
  };
  const Case cases[] = {
      {stazione(46200, 27, 200), 0, 0},          // 46200 + 800 = 50 * 940
      {stazione(46250, 27, 200), 15, 46250},
      {stazione(46200, 12, 1600), 0, 0},         // stop cell 939
      {stazione(46200, 12, 1800), 15, 46200},    // stop cell 941
      {stazione(46200, 7, 1000), 15, 46200},     // stop cell 943
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.riga);
    form.percorso.assign(941, cella{});
    form.codice_errore = 0;
    form.posizione_errore = 0;
    compile({"velocita, 0, 80", test_case.riga, "sabbia, 300"});
    EXPECT_EQ(form.codice_errore, test_case.code);
    EXPECT_EQ(form.posizione_errore, test_case.posizione);
    Values expected_text(941, 0);
    EXPECT_EQ(velocita(), fill(expected_text, 0, 937, 16));  // the trailing run still runs
    if (test_case.code == 15) {
      for (const cella& c : form.percorso) EXPECT_EQ(c.tipo, 0);
      for (const cella& c : form.percorso) EXPECT_EQ(c.marcatore, 0);
    }
  }
}

// ----- Speed-limit and adhesion runs -----

TEST_F(TrainCompilerTest, SpeedAndAdhesionRunsWithTrailingFills) {
  compile({"aderenza, 0, 95", "velocita, 0, 80", "aderenza, 3550, 85", "velocita, 2000, 100",
           "aderenza, 4250, 90"});
  EXPECT_EQ(form.codice_errore, 0);
  Values v(941, 0), a(941, 0);
  fill(v, 0, 39, 16);
  fill(v, 40, 937, 20);
  fill(a, 0, 70, 95);
  fill(a, 71, 84, 85);
  fill(a, 85, 937, 90);
  EXPECT_EQ(velocita(), v);
  EXPECT_EQ(aderenza(), a);
}

TEST_F(TrainCompilerTest, RunsThatDoNotLieAheadOfTheCursor) {
  struct Case {
    std::vector<std::string> lines;
    std::vector<std::array<size_t, 3>> stretches;  ///< from, to, value
  };
  const Case cases[] = {
      // A first entry that is not at 0 holds back to the origin.
      {{"velocita, 1000, 80"}, {{0, 937, 16}}},
      // No entry at all: nothing but zeros.
      {{}, {}},
      // Out of order: cells once written keep their value.
      {{"velocita, 0, 80", "velocita, 5000, 60", "velocita, 2000, 40", "velocita, 8000, 100"},
       {{0, 99, 16}, {100, 159, 8}, {160, 937, 20}}},
      // Two entries in one cell: the second one's value holds from there.
      {{"velocita, 0, 80", "velocita, 1000, 60", "velocita, 1010, 40"},
       {{0, 19, 16}, {20, 937, 8}}},
      // Negative positions write no cell.
      {{"velocita, -500, 50", "velocita, 0, 80"}, {{0, 937, 16}}},
      // A cursor already at N - 2 gets its own cell alone.
      {{"velocita, 0, 80", "velocita, 46900, 100"}, {{0, 937, 16}, {938, 938, 20}}},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(testing::PrintToString(test_case.lines));
    form.percorso.assign(941, cella{});
    compile(test_case.lines);
    EXPECT_EQ(form.codice_errore, 0);
    Values expected_text(941, 0);
    for (const auto& t : test_case.stretches) fill(expected_text, t[0], t[1], static_cast<uint8_t>(t[2]));
    EXPECT_EQ(velocita(), expected_text);
  }
}

TEST_F(TrainCompilerTest, SpeedMustFitAByteAfterDivisionAdhesionKeepsItsLowByte) {
  compile({"velocita, 0, 1277", "aderenza, 0, 300"});
  EXPECT_EQ(at(0).velocita, 255);
  EXPECT_EQ(at(0).aderenza, 44);
  compile({"aderenza, 0, -1"});
  EXPECT_EQ(at(0).aderenza, 255);
  EXPECT_THROW(compile({"velocita, 0, 1278"}), RunTimeFailure);
  EXPECT_THROW(compile({"velocita, 0, -5"}), RunTimeFailure);
}

TEST_F(TrainCompilerTest, ASpeedEntryBeyondTheGridStopsReadingButTheEndStillRuns) {
  compile({"velocita, 0, 80", "velocita, 46950, 100", "sabbia, 300"});
  EXPECT_EQ(form.codice_errore, 15);
  EXPECT_EQ(form.posizione_errore, 46950);
  EXPECT_EQ(form.voci[86].campo7, 0);  // not read
  EXPECT_FALSE(fs::exists(train_file()));
  Values expected_text(941, 0);
  EXPECT_EQ(velocita(), fill(expected_text, 0, 937, 16));

  // The chainage test still runs and replaces the 15.
  form.percorso.assign(941, cella{});
  form.voci[81].inizio = 25;
  compile({"velocita, 0, 80", "velocita, 46950, 100", "sabbia, 300"});
  EXPECT_EQ(form.codice_errore, 2);
  EXPECT_EQ(form.posizione_errore, 46950);
  EXPECT_EQ(velocita(), expected_text);
  EXPECT_TRUE(form.source.end_of_file);
}

TEST_F(TrainCompilerTest, ChainageReferencesMustBeMultiplesOf50) {
  struct Case {
    size_t voce;
    int32_t inizio, fine, code;
  };
  const Case cases[] = {
      {81, 0, 73450, 0}, {81, 25, 73450, 2}, {82, 50, 73475, 2}, {83, -10, 0, 2}, {83, -50, -100, 0},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.voce);
    for (size_t i = 81; i <= 83; ++i) form.voci[i] = voce{};
    form.voci[test_case.voce].inizio = test_case.inizio;
    form.voci[test_case.voce].fine = test_case.fine;
    form.codice_errore = 0;
    form.posizione_errore = 4321;
    form.source = {};
    compile({"sabbia, 300"});
    EXPECT_EQ(form.codice_errore, test_case.code);
    EXPECT_EQ(form.posizione_errore, 4321);
    if (test_case.code == 2) {
      EXPECT_EQ(form.source.file, DescriptionFile::train);
      EXPECT_EQ(form.source.riga, 3);  // the closing line
      EXPECT_TRUE(form.source.end_of_file);
    }
  }
}

// ----- A code 15 left by the line half -----

TEST_F(TrainCompilerTest, AfterALineCode15TheFirstSignalIsPlacedAndEndsTheReading) {
  form.codice_errore = 15;
  form.posizione_errore = 123;
  form.voci[81].inizio = 25;  // the chainage test would set 2
  compile({"aderenza, 0, 95", "aderenza, 37000, 100", "velocita, 0, 80", kFirstStation,
           kSignal5950, "segnale,    7000,   2, 3, 0,  0, 0,    0,  0,0,0, 0"});
  EXPECT_EQ(form.codice_errore, 15);
  EXPECT_EQ(form.posizione_errore, 5950);
  EXPECT_FALSE(fs::exists(train_file()));
  EXPECT_EQ(form.voci[1].nome, "VALDARCO TERME");
  EXPECT_EQ(at(120).tipo, cell_type::segnale);
  EXPECT_EQ(at(141).tipo, 0);
  EXPECT_EQ(velocita(), Values(941, 0));
  Values expected_text(941, 0);
  EXPECT_EQ(aderenza(), fill(expected_text, 0, 739, 95));
}

TEST_F(TrainCompilerTest, AfterALineCode15AFileWithoutSignalsEndsAsUsual) {
  form.codice_errore = 15;
  compile({"velocita, 0, 80", kFirstStation});
  EXPECT_EQ(form.codice_errore, 15);
  Values expected_text(941, 0);
  EXPECT_EQ(velocita(), fill(expected_text, 0, 937, 16));

  form.voci[81].fine = 73375;
  compile({"velocita, 0, 80"});
  EXPECT_EQ(form.codice_errore, 2);
}

// ----- Signals, slowdowns and abbattimento points -----

TEST_F(TrainCompilerTest, ASignalOnAnOccupiedCellFailsWith16) {
  at(120).tipo = cell_type::station_stop;
  form.posizione_errore = 4321;
  compile({"velocita, 0, 80", kSignal5950, "sabbia, 300"});
  EXPECT_EQ(form.codice_errore, 16);
  EXPECT_EQ(form.posizione_errore, 5950);
  EXPECT_EQ(form.riga, "segnale");
  EXPECT_EQ(form.source.file, DescriptionFile::train);
  EXPECT_EQ(form.source.riga, 3);
  EXPECT_FALSE(form.source.end_of_file);
  EXPECT_EQ(form.voci[86].campo7, 0);
  EXPECT_EQ(velocita(), Values(941, 0));
  EXPECT_FALSE(fs::exists(train_file()));
}

TEST_F(TrainCompilerTest, SignalsAndSlowdownsFromTheFile) {
  compile({kSignal5950, "rallentamento, 2000, 30, 500, 7, 1, 0"});
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(at(120).tipo, cell_type::segnale);
  EXPECT_EQ(at(120).dato1, 50);
  EXPECT_EQ(at(112).marcatore, 34);
  EXPECT_EQ(at(17).tipo, cell_type::slowdown_warning);
  EXPECT_EQ(at(41).tipo, cell_type::slowdown_start);
  EXPECT_EQ(at(51).dato3, 7);
  EXPECT_EQ(at(13).dato1, 4);

  struct Case {
    std::string riga;
    int32_t code, posizione;
  };
  const Case cases[] = {
      {"rallentamento, 2000, 30, 500, 7, 1, 0", 17, 2000},    // board on the board above
      {"rallentamento, -100, 30, 500, 0, 0, 0", 18, -100},    // start before the grid
      {"rallentamento, 45000, 30, 5000, 0, 0, 0", 19, 45000},  // end beyond the grid
      {"segnale, -500, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0", 16, -500},
      {"segnale, 46950, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0", 15, 46950},
      {"rallentamento, 46950, 30, 0, 0, 0, 0", 15, 46950},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.riga);
    form.codice_errore = 0;
    compile({test_case.riga});
    EXPECT_EQ(form.codice_errore, test_case.code);
    EXPECT_EQ(form.posizione_errore, test_case.posizione);
  }
}

TEST_F(TrainCompilerTest, AbbattimentoPoints) {
  struct Case {
    int64_t posizione, value;
    int32_t code;
    size_t cella;
    uint8_t tipo;
    int16_t dato1;
  };
  const Case cases[] = {
      {3000, 50, 0, 60, 12, 50},   {3000, 0, 0, 60, 13, 7},     {3000, -4, 0, 60, 13, 7},
      {3000, 70000, 0, 60, 12, 4464}, {3050, 50, 7, 61, 1, 0}, {-20, 5, 0, 0, 12, 5},
      {-30, 5, 7, 0, 0, 0},        {46900, 5, 0, 938, 12, 5},   {46950, 5, 15, 939, 0, 0},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(testing::Message() << test_case.posizione << ", " << test_case.value);
    form.percorso.assign(941, cella{});
    at(60) = cella{cell_type::tunnel_marker, 7};
    at(61).tipo = cell_type::segnale;
    form.codice_errore = 0;
    form.posizione_errore = 0;
    compile({"abbattimento, " + std::to_string(test_case.posizione) + ", " +
             std::to_string(test_case.value)});
    EXPECT_EQ(form.codice_errore, test_case.code);
    if (test_case.code != 0) {
      EXPECT_EQ(form.posizione_errore, test_case.posizione);
    }
    EXPECT_EQ(at(test_case.cella).tipo, test_case.tipo);
    EXPECT_EQ(at(test_case.cella).dato1, test_case.dato1);
  }
}

// ----- Reading order -----

TEST_F(TrainCompilerTest, KeysAreFoundByKeywordCaseIgnoredAfterTheGeneralHeading) {
  compile_source(
      "sabbia, 100\r\n"
      "[Generale]\r\n"
      "percentuale massa frenata,    120\r\n"
      "massa, 7\r\n"
      "NUMERO VETTURE,    3\r\n"
      "Sabbia,    300\r\n"
      "orologio,    6               47            30 \r\n"
      "[stazioni]\r\n"
      "STAZIONE, 0, 12, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, A\r\n"
      "velocita e aderenza, 0, 80, 0, 95\r\n"
      "[fine]\r\n");
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(form.voci[84].inizio, 120);
  EXPECT_EQ(form.voci[84].posizione, 3);
  EXPECT_EQ(form.voci[86].campo7, 300);
  EXPECT_EQ(form.voci[86].campo10, 6);
  EXPECT_EQ(form.voci[86].campo11, 47);
  EXPECT_EQ(form.voci[86].campo12, 30);
  EXPECT_EQ(form.voci[1].nome, "A");
  EXPECT_EQ(at(500).velocita, 16);
  EXPECT_EQ(at(500).aderenza, 95);
}

TEST_F(TrainCompilerTest, TwoCommentFieldsAreSkippedTheThirdIsAKey) {
  compile({"- nota, sabbia, 300"});
  EXPECT_EQ(form.voci[86].campo7, 300);
  compile({"- a, - b, - sabbia, 250"});
  EXPECT_EQ(form.voci[86].campo7, 250);
  compile({"- a, - b, - c, sabbia, 200"});
  EXPECT_EQ(form.voci[86].campo7, 200);
}

TEST_F(TrainCompilerTest, TheLastFieldOfTheFileIsNeverInterpreted) {
  compile_source("[generale]\r\nsabbia, 300\r\nsabbia");
  EXPECT_EQ(form.voci[86].campo7, 300);
  compile_source("[generale]\r\nsabbia, 250");
  EXPECT_EQ(form.voci[86].campo7, 250);
  compile_source("[generale]\r\nsabbia, 200\r\n- nota\r\n");
  EXPECT_EQ(form.voci[86].campo7, 200);
  EXPECT_EQ(form.codice_errore, 0);
}

TEST_F(TrainCompilerTest, AFileWithoutGeneralHeadingYieldsNoEntries) {
  for (const std::string text : {"sabbia, 300\r\n[fine]\r\n", ""}) {
    compile_source(text);
    EXPECT_EQ(form.codice_errore, 0);
    EXPECT_EQ(form.voci[86].campo7, 0);
    EXPECT_FALSE(fs::exists(train_file()));
  }
}

// Read failures are not handled here: they reach the one trap of the
// compiler, which records code 25 and deletes the file.
TEST_F(TrainCompilerTest, ReadFailuresPropagate) {
  EXPECT_THROW(form.store_train(37), FileError);  // no file
  EXPECT_THROW(compile_source("[generale]\r\nsabbia, 300\r\nsegnale, 5950, 1"), ReadFailure);
  EXPECT_THROW(compile({"segnale, 5950, 1"}), ReadFailure);  // "[fine]" is no number
  EXPECT_THROW(compile({"sabbia, 40000"}), ReadFailure);
  EXPECT_THROW(compile({"orologio, 6 47 x"}), ReadFailure);
}

// ----- What a listener is told -----

struct RecordingListener : CompileListener {
  std::vector<std::string> events;
  void key_dropped(DescriptionFile file, int32_t line, ReadingSection section,
                   std::string_view key) override {
    events.push_back((file == DescriptionFile::train ? "treno:" : "linea:") +
                     std::to_string(line) +
                     (section == ReadingSection::before_general ? " prima " : " voci ") +
                     std::string(key));
  }
  void entry_read(DescriptionFile file, int32_t line, std::string_view entry,
                  int32_t position) override {
    events.push_back((file == DescriptionFile::train ? "treno:" : "linea:") +
                     std::to_string(line) + " " + std::string(entry) + " " +
                     std::to_string(position));
  }
};

TEST_F(TrainCompilerTest, TheListenerHearsOfDroppedKeysAndPositionedEntries) {
  RecordingListener listener;
  form.listener = &listener;
  compile_source(
      "nota\r\n"
      "[generale]\r\n"
      "numero vetture,    3\r\n"
      "[aderenze]\r\n"
      "aderenza, 0, 95\r\n"
      "- commento\r\n"
      "segnale, 5950, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0\r\n"
      "abbattimento, 3000, 5, velocita, 0, 80\r\n"
      "stazione, 0, 12, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6, 48, 0, A\r\n"
      "[fine]\r\n");
  EXPECT_EQ(listener.events, (std::vector<std::string>{
                                    "treno:1 prima nota",
                                    "treno:4 voci [aderenze]",
                                    "treno:5 aderenza 0",
                                    "treno:7 segnale 5950",
                                    "treno:8 abbattimento 3000",
                                    "treno:8 velocita 0",
                                    "treno:9 stazione 0",
                                    "treno:10 voci [fine]",
                                }));
}

}  // namespace
