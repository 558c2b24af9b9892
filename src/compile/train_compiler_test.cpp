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
  for (int64_t valore : f) riga += ", " + std::to_string(valore);
  return riga + ", " + nome;
}

/// A station of the given position, type and platform, every other value 0.
std::string stazione(int64_t posizione, int64_t tipo, int64_t lunghezza, int64_t prolunga = 0) {
  return stazione({posizione, tipo, lunghezza, 0, 0, prolunga, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
                  "FERMATA");
}

const std::string kPrimaStazione =
    "stazione,       0, 12,  400,  1, 0, 0,  4,1,0,  2,1,1,    1,   6,48, 0, VALDARCO TERME";
const std::string kSegnale5950 = "segnale,    5950,   1, 5, 1,  0, 0,    0,  0,0,0, 0";

using Valori = std::vector<uint8_t>;

/// 941 values: `valore` in cells da to a, 0 elsewhere unless already set.
Valori& riempi(Valori& v, size_t da, size_t a, uint8_t valore) {
  for (size_t i = da; i <= a; ++i) v[i] = valore;
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

  fs::path file_treno() const { return folder.path() / "Valdarco_Lornese_4158-.txt"; }

  /// Compiles "[generale]", these lines and the closing line.
  void compila(const std::vector<std::string>& righe, int32_t limite = 37) {
    std::string testo = "[generale]\r\n";
    for (const std::string& riga : righe) testo += riga + "\r\n";
    compila_testo(testo + "[fine]\r\n", limite);
  }

  void compila_testo(const std::string& testo, int32_t limite = 37) {
    write_bytes(file_treno(), testo);
    form.memorizza_treno(limite);
  }

  cella& at(size_t i) { return form.percorso[i]; }

  Valori campo(uint8_t cella::*c) const {
    Valori v;
    for (const cella& x : form.percorso) v.push_back(x.*c);
    return v;
  }
  Valori velocita() const { return campo(&cella::velocita); }
  Valori aderenza() const { return campo(&cella::aderenza); }
};

// ----- Stations -----

TEST_F(TrainCompilerTest, FirstAndLastBuiltInStations) {
  compila({kPrimaStazione,
           "stazione,   39900,  4,  600,  1, 3, 0,  1,1,0,  2,1,1,    0,   7,38, 0, LORNESE"});
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_FALSE(fs::exists(file_treno()));

  voce prima;
  prima.tipo = 12;
  prima.inizio = -200;
  prima.fine = 200;
  prima.posizione = 0;
  prima.campo4 = 1;
  prima.nome = "VALDARCO TERME";
  prima.campo7 = 4;
  prima.campo8 = 1;
  prima.campo10 = 2;
  prima.campo11 = 1;
  prima.campo12 = 1;
  prima.campo13 = 1;
  prima.orario = 24480;
  EXPECT_EQ(form.voci[1], prima);

  voce ultima;
  ultima.tipo = 4;
  ultima.inizio = 39600;
  ultima.fine = 40200;
  ultima.posizione = 39900;
  ultima.campo4 = 1;
  ultima.campo5 = 3;  // kept: 600 is not below 600
  ultima.nome = "LORNESE";
  ultima.campo7 = 1;
  ultima.campo8 = 1;
  ultima.campo10 = 2;
  ultima.campo11 = 1;
  ultima.campo12 = 1;
  ultima.orario = 27480;
  EXPECT_EQ(form.voci[2], ultima);

  Percorso atteso(941, cella{});
  atteso[2].marcatore = 81;  // markers 82 to 84 would fall in cells 1 and below
  atteso[3].tipo = tipo_cella::fermata;
  atteso[3].dato1 = 1;
  atteso[803].tipo = tipo_cella::fermata;
  atteso[803].dato1 = 2;
  for (uint8_t k = 1; k <= 4; ++k) atteso[803 - k].marcatore = static_cast<uint8_t>(80 + k);
  EXPECT_EQ(form.percorso, atteso);
}

TEST_F(TrainCompilerTest, PlatformByStationType) {
  struct Caso {
    int64_t tipo;
    int32_t inizio, fine;
    uint8_t prolunga;
    int32_t fermata;  ///< stop cell, or -1
    bool marcatori;
  };
  // Second stations at 10000 m with a 400 m platform and F6 = 1.
  const Caso casi[] = {
      {5, 9600, 10150, 0, 202, false}, {6, 9600, 10150, 0, 202, false},
      {7, 9600, 10400, 0, 207, true},  {8, 9600, 10400, 0, 207, true},
      {12, 9800, 10250, 1, 204, true}, {22, 9800, 10250, 1, 204, true},
      {24, 9800, 10250, 1, 204, true}, {25, 9800, 10250, 1, -1, false},
      {27, 9800, 10250, 1, -1, false},
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.tipo);
    form.percorso.assign(941, cella{});
    compila({stazione(0, 27, 200), stazione(10000, caso.tipo, 400, 1)});
    EXPECT_EQ(form.codice_errore, 0);
    EXPECT_EQ(form.voci[2].inizio, caso.inizio);
    EXPECT_EQ(form.voci[2].fine, caso.fine);
    EXPECT_EQ(form.voci[2].prolunga, caso.prolunga);
    Percorso atteso(941, cella{});
    if (caso.fermata >= 0) {
      atteso[static_cast<size_t>(caso.fermata)].tipo = tipo_cella::fermata;
      atteso[static_cast<size_t>(caso.fermata)].dato1 = 2;
    }
    if (caso.marcatori)
      for (uint8_t k = 1; k <= 4; ++k)
        atteso[static_cast<size_t>(caso.fermata - k)].marcatore = static_cast<uint8_t>(80 + k);
    EXPECT_EQ(form.percorso, atteso);
  }
}

TEST_F(TrainCompilerTest, ExtendedPlatformOfAType22Station) {
  compila({kPrimaStazione,
           stazione({7700, 22, 300, 0, 5, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "PIANO")});
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(form.voci[2].inizio, 7550);
  EXPECT_EQ(form.voci[2].fine, 7900);
  EXPECT_EQ(form.voci[2].prolunga, 1);
  EXPECT_EQ(form.voci[2].campo5, 0);  // platform below 600 m
  EXPECT_EQ(at(157).tipo, tipo_cella::fermata);
  EXPECT_EQ(at(157).dato1, 2);
}

TEST_F(TrainCompilerTest, TheFirstStationKeepsItsExtensionButNotItsFlags) {
  compila({stazione({1000, 12, 800, 0, 7, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "A")});
  EXPECT_EQ(form.voci[1].fine, 1450);
  EXPECT_EQ(form.voci[1].prolunga, 0);
  EXPECT_EQ(form.voci[1].campo5, 0);
  EXPECT_EQ(at(28).tipo, tipo_cella::fermata);
}

TEST_F(TrainCompilerTest, TheStopCellIsWrittenWhateverItHeld) {
  at(3).tipo = tipo_cella::segnale;
  at(3).dato2 = 5;
  compila({kPrimaStazione});
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(at(3).tipo, tipo_cella::fermata);
  EXPECT_EQ(at(3).dato1, 1);
  EXPECT_EQ(at(3).dato2, 5);
}

TEST_F(TrainCompilerTest, PlatformsMustBegin350MetresAfterThePreviousOne) {
  struct Caso {
    int64_t posizione;  ///< a 200 m platform begins 100 m before it
    int32_t codice;
  };
  const Caso casi[] = {{600, 22}, {650, 0}};
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.posizione);
    form.codice_errore = 0;
    form.percorso.assign(941, cella{});
    compila({"velocita, 0, 80", kPrimaStazione, stazione(caso.posizione, 12, 200)});
    EXPECT_EQ(form.codice_errore, caso.codice);
    EXPECT_FALSE(fs::exists(file_treno()));
    EXPECT_EQ(form.voci[2].posizione, caso.posizione);
    EXPECT_EQ(form.voci[2].nome, "FERMATA");
    if (caso.codice == 22) {
      EXPECT_EQ(form.posizione_errore, 600);
      EXPECT_EQ(velocita(), Valori(941, 0));  // a failure skips the trailing runs
    } else {
      Valori attesa(941, 0);
      EXPECT_EQ(velocita(), riempi(attesa, 0, 937, 16));
    }
  }
}

TEST_F(TrainCompilerTest, PositionAndPlatformChecksKeepTheFieldsReadBeforeThem) {
  form.posizione_errore = 4321;
  compila({stazione(1025, 12, 400)});
  EXPECT_EQ(form.codice_errore, 8);
  EXPECT_EQ(form.posizione_errore, 1025);
  EXPECT_EQ(form.voci[1].posizione, 1025);
  EXPECT_EQ(form.voci[1].tipo, 0);  // not read yet
  EXPECT_FALSE(fs::exists(file_treno()));

  form.voci[1] = voce{};
  compila({stazione({1050, 12, 450, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "A")});
  EXPECT_EQ(form.codice_errore, 9);
  EXPECT_EQ(form.posizione_errore, 1050);
  EXPECT_EQ(form.voci[1].tipo, 12);
  EXPECT_EQ(form.voci[1].campo4, 0);  // not read yet
}

TEST_F(TrainCompilerTest, StationFieldWidths) {
  struct Caso {
    size_t campo;  ///< 0 for F1
    int64_t valore;
    bool letto;
  };
  const Caso casi[] = {
      {0, 2147483648, false}, {1, 255, true},    {1, 256, false},   {3, 256, false},
      {4, 256, false},        {5, 256, false},   {6, 32767, true},  {6, 32768, false},
      {6, -32768, true},      {7, -32769, false}, {8, -1, false},   {9, 32768, false},
      {10, 32768, false},     {11, 32768, false}, {12, 256, false}, {13, 2147483647, true},
      {14, -2147483649, false}, {15, 2147483648, false},
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(testing::Message() << "F" << caso.campo + 1 << " = " << caso.valore);
    std::array<int64_t, 16> f{0, 12, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    f[caso.campo] = caso.valore;
    if (caso.letto) {
      EXPECT_NO_THROW(compila({stazione(f, "A")}));
    } else {
      EXPECT_THROW(compila({stazione(f, "A")}), ReadFailure);
    }
  }
  // The last readable cases left their values.
  compila({stazione({0, 255, 400, 0, 0, 0, -32768, 0, 0, 0, 0, 0, 0, 2147483647, 0, 0}, "A")});
  EXPECT_EQ(form.voci[1].tipo, 255);
  EXPECT_EQ(form.voci[1].campo7, -32768);
  EXPECT_EQ(form.voci[1].orario, -3600);  // (2^31 - 1) * 3600 wraps at 32 bits
}

TEST_F(TrainCompilerTest, AStopCellAtOrBefore100MetresFailsWith24) {
  struct Caso {
    std::string riga;
    int32_t codice;
  };
  const Caso casi[] = {
      {stazione(0, 12, 200), 24},   // platform end 100 m: stop cell 1
      {stazione(-50, 5, 100), 24},  // end 100 m
      {stazione(50, 12, 200), 0},   // end 150 m: stop cell 2
      {stazione(0, 27, 200), 0},    // no stop cell at all
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.riga);
    form.percorso.assign(941, cella{});
    form.codice_errore = 0;
    form.posizione_errore = 4321;
    compila({caso.riga});
    EXPECT_EQ(form.codice_errore, caso.codice);
    EXPECT_EQ(form.posizione_errore, 4321);
    if (caso.codice == 24) {
      EXPECT_EQ(form.percorso, Percorso(941, cella{}));
    }
  }
}

TEST_F(TrainCompilerTest, StationCountStopsAtTheFirstNameBoardRecord) {
  struct Caso {
    int32_t stazioni;
    int32_t codice;
  };
  const Caso casi[] = {{35, 0}, {36, 10}};
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.stazioni);
    form.codice_errore = 0;
    form.posizione_errore = 4321;
    std::vector<std::string> righe;
    for (int32_t i = 0; i < caso.stazioni; ++i) righe.push_back(stazione(1000 * i, 27, 200));
    righe.push_back("sabbia, 300");
    form.voci[86].campo7 = 0;
    compila(righe, 37);
    EXPECT_EQ(form.codice_errore, caso.codice);
    EXPECT_EQ(form.posizione_errore, 4321);
    EXPECT_EQ(form.voci[static_cast<size_t>(caso.stazioni)].posizione, 1000 * (caso.stazioni - 1));
    EXPECT_EQ(form.voci[86].campo7, caso.codice == 0 ? 300 : 0);
  }
}

// With name boards down to record 1 there is no record left for a station:
// it is refused before it could overwrite the board's text.
TEST_F(TrainCompilerTest, NoStationOverwritesANameBoard) {
  form.voci[1].nome = "(CULMINE)";
  compila({kPrimaStazione}, 0);
  EXPECT_EQ(form.codice_errore, 10);
  EXPECT_EQ(form.voci[1].nome, "(CULMINE)");
  EXPECT_EQ(form.voci[1].posizione, 0);
  EXPECT_EQ(form.percorso, Percorso(941, cella{}));
}

TEST_F(TrainCompilerTest, StationsBeyondTheGridStopTheReadingWith15) {
  struct Caso {
    std::string riga;
    int32_t codice, posizione;
  };
  const Caso casi[] = {
      {stazione(46200, 27, 200), 0, 0},          // 46200 + 800 = 50 * 940
      {stazione(46250, 27, 200), 15, 46250},
      {stazione(46200, 12, 1600), 0, 0},         // stop cell 939
      {stazione(46200, 12, 1800), 15, 46200},    // stop cell 941
      {stazione(46200, 7, 1000), 15, 46200},     // stop cell 943
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.riga);
    form.percorso.assign(941, cella{});
    form.codice_errore = 0;
    form.posizione_errore = 0;
    compila({"velocita, 0, 80", caso.riga, "sabbia, 300"});
    EXPECT_EQ(form.codice_errore, caso.codice);
    EXPECT_EQ(form.posizione_errore, caso.posizione);
    Valori attesa(941, 0);
    EXPECT_EQ(velocita(), riempi(attesa, 0, 937, 16));  // the trailing run still runs
    if (caso.codice == 15) {
      for (const cella& c : form.percorso) EXPECT_EQ(c.tipo, 0);
      for (const cella& c : form.percorso) EXPECT_EQ(c.marcatore, 0);
    }
  }
}

// ----- Speed-limit and adhesion runs -----

TEST_F(TrainCompilerTest, SpeedAndAdhesionRunsWithTrailingFills) {
  compila({"aderenza, 0, 95", "velocita, 0, 80", "aderenza, 3550, 85", "velocita, 2000, 100",
           "aderenza, 4250, 90"});
  EXPECT_EQ(form.codice_errore, 0);
  Valori v(941, 0), a(941, 0);
  riempi(v, 0, 39, 16);
  riempi(v, 40, 937, 20);
  riempi(a, 0, 70, 95);
  riempi(a, 71, 84, 85);
  riempi(a, 85, 937, 90);
  EXPECT_EQ(velocita(), v);
  EXPECT_EQ(aderenza(), a);
}

TEST_F(TrainCompilerTest, RunsThatDoNotLieAheadOfTheCursor) {
  struct Caso {
    std::vector<std::string> righe;
    std::vector<std::array<size_t, 3>> tratti;  ///< from, to, value
  };
  const Caso casi[] = {
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
  for (const Caso& caso : casi) {
    SCOPED_TRACE(testing::PrintToString(caso.righe));
    form.percorso.assign(941, cella{});
    compila(caso.righe);
    EXPECT_EQ(form.codice_errore, 0);
    Valori attesa(941, 0);
    for (const auto& t : caso.tratti) riempi(attesa, t[0], t[1], static_cast<uint8_t>(t[2]));
    EXPECT_EQ(velocita(), attesa);
  }
}

TEST_F(TrainCompilerTest, SpeedMustFitAByteAfterDivisionAdhesionKeepsItsLowByte) {
  compila({"velocita, 0, 1277", "aderenza, 0, 300"});
  EXPECT_EQ(at(0).velocita, 255);
  EXPECT_EQ(at(0).aderenza, 44);
  compila({"aderenza, 0, -1"});
  EXPECT_EQ(at(0).aderenza, 255);
  EXPECT_THROW(compila({"velocita, 0, 1278"}), RunTimeFailure);
  EXPECT_THROW(compila({"velocita, 0, -5"}), RunTimeFailure);
}

TEST_F(TrainCompilerTest, ASpeedEntryBeyondTheGridStopsReadingButTheEndStillRuns) {
  compila({"velocita, 0, 80", "velocita, 46950, 100", "sabbia, 300"});
  EXPECT_EQ(form.codice_errore, 15);
  EXPECT_EQ(form.posizione_errore, 46950);
  EXPECT_EQ(form.voci[86].campo7, 0);  // not read
  EXPECT_FALSE(fs::exists(file_treno()));
  Valori attesa(941, 0);
  EXPECT_EQ(velocita(), riempi(attesa, 0, 937, 16));

  // The chainage test still runs and replaces the 15.
  form.percorso.assign(941, cella{});
  form.voci[81].inizio = 25;
  compila({"velocita, 0, 80", "velocita, 46950, 100", "sabbia, 300"});
  EXPECT_EQ(form.codice_errore, 2);
  EXPECT_EQ(form.posizione_errore, 46950);
  EXPECT_EQ(velocita(), attesa);
  EXPECT_TRUE(form.sorgente.fine_file);
}

TEST_F(TrainCompilerTest, ChainageReferencesMustBeMultiplesOf50) {
  struct Caso {
    size_t voce;
    int32_t inizio, fine, codice;
  };
  const Caso casi[] = {
      {81, 0, 73450, 0}, {81, 25, 73450, 2}, {82, 50, 73475, 2}, {83, -10, 0, 2}, {83, -50, -100, 0},
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.voce);
    for (size_t i = 81; i <= 83; ++i) form.voci[i] = voce{};
    form.voci[caso.voce].inizio = caso.inizio;
    form.voci[caso.voce].fine = caso.fine;
    form.codice_errore = 0;
    form.posizione_errore = 4321;
    form.sorgente = {};
    compila({"sabbia, 300"});
    EXPECT_EQ(form.codice_errore, caso.codice);
    EXPECT_EQ(form.posizione_errore, 4321);
    if (caso.codice == 2) {
      EXPECT_EQ(form.sorgente.file, FileDescrizione::treno);
      EXPECT_EQ(form.sorgente.riga, 3);  // the closing line
      EXPECT_TRUE(form.sorgente.fine_file);
    }
  }
}

// ----- A code 15 left by the line half -----

TEST_F(TrainCompilerTest, AfterALineCode15TheFirstSignalIsPlacedAndEndsTheReading) {
  form.codice_errore = 15;
  form.posizione_errore = 123;
  form.voci[81].inizio = 25;  // the chainage test would set 2
  compila({"aderenza, 0, 95", "aderenza, 37000, 100", "velocita, 0, 80", kPrimaStazione,
           kSegnale5950, "segnale,    7000,   2, 3, 0,  0, 0,    0,  0,0,0, 0"});
  EXPECT_EQ(form.codice_errore, 15);
  EXPECT_EQ(form.posizione_errore, 5950);
  EXPECT_FALSE(fs::exists(file_treno()));
  EXPECT_EQ(form.voci[1].nome, "VALDARCO TERME");
  EXPECT_EQ(at(120).tipo, tipo_cella::segnale);
  EXPECT_EQ(at(141).tipo, 0);
  EXPECT_EQ(velocita(), Valori(941, 0));
  Valori attesa(941, 0);
  EXPECT_EQ(aderenza(), riempi(attesa, 0, 739, 95));
}

TEST_F(TrainCompilerTest, AfterALineCode15AFileWithoutSignalsEndsAsUsual) {
  form.codice_errore = 15;
  compila({"velocita, 0, 80", kPrimaStazione});
  EXPECT_EQ(form.codice_errore, 15);
  Valori attesa(941, 0);
  EXPECT_EQ(velocita(), riempi(attesa, 0, 937, 16));

  form.voci[81].fine = 73375;
  compila({"velocita, 0, 80"});
  EXPECT_EQ(form.codice_errore, 2);
}

// ----- Signals, slowdowns and abbattimento points -----

TEST_F(TrainCompilerTest, ASignalOnAnOccupiedCellFailsWith16) {
  at(120).tipo = tipo_cella::fermata;
  form.posizione_errore = 4321;
  compila({"velocita, 0, 80", kSegnale5950, "sabbia, 300"});
  EXPECT_EQ(form.codice_errore, 16);
  EXPECT_EQ(form.posizione_errore, 5950);
  EXPECT_EQ(form.riga, "segnale");
  EXPECT_EQ(form.sorgente.file, FileDescrizione::treno);
  EXPECT_EQ(form.sorgente.riga, 3);
  EXPECT_FALSE(form.sorgente.fine_file);
  EXPECT_EQ(form.voci[86].campo7, 0);
  EXPECT_EQ(velocita(), Valori(941, 0));
  EXPECT_FALSE(fs::exists(file_treno()));
}

TEST_F(TrainCompilerTest, SignalsAndSlowdownsFromTheFile) {
  compila({kSegnale5950, "rallentamento, 2000, 30, 500, 7, 1, 0"});
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(at(120).tipo, tipo_cella::segnale);
  EXPECT_EQ(at(120).dato1, 50);
  EXPECT_EQ(at(112).marcatore, 34);
  EXPECT_EQ(at(17).tipo, tipo_cella::avviso_rallentamento);
  EXPECT_EQ(at(41).tipo, tipo_cella::inizio_rallentamento);
  EXPECT_EQ(at(51).dato3, 7);
  EXPECT_EQ(at(13).dato1, 4);

  struct Caso {
    std::string riga;
    int32_t codice, posizione;
  };
  const Caso casi[] = {
      {"rallentamento, 2000, 30, 500, 7, 1, 0", 17, 2000},    // board on the board above
      {"rallentamento, -100, 30, 500, 0, 0, 0", 18, -100},    // start before the grid
      {"rallentamento, 45000, 30, 5000, 0, 0, 0", 19, 45000},  // end beyond the grid
      {"segnale, -500, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0", 16, -500},
      {"segnale, 46950, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0", 15, 46950},
      {"rallentamento, 46950, 30, 0, 0, 0, 0", 15, 46950},
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.riga);
    form.codice_errore = 0;
    compila({caso.riga});
    EXPECT_EQ(form.codice_errore, caso.codice);
    EXPECT_EQ(form.posizione_errore, caso.posizione);
  }
}

TEST_F(TrainCompilerTest, AbbattimentoPoints) {
  struct Caso {
    int64_t posizione, valore;
    int32_t codice;
    size_t cella;
    uint8_t tipo;
    int16_t dato1;
  };
  const Caso casi[] = {
      {3000, 50, 0, 60, 12, 50},   {3000, 0, 0, 60, 13, 7},     {3000, -4, 0, 60, 13, 7},
      {3000, 70000, 0, 60, 12, 4464}, {3050, 50, 7, 61, 1, 0}, {-20, 5, 0, 0, 12, 5},
      {-30, 5, 7, 0, 0, 0},        {46900, 5, 0, 938, 12, 5},   {46950, 5, 15, 939, 0, 0},
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(testing::Message() << caso.posizione << ", " << caso.valore);
    form.percorso.assign(941, cella{});
    at(60) = cella{tipo_cella::marcatore_galleria, 7};
    at(61).tipo = tipo_cella::segnale;
    form.codice_errore = 0;
    form.posizione_errore = 0;
    compila({"abbattimento, " + std::to_string(caso.posizione) + ", " +
             std::to_string(caso.valore)});
    EXPECT_EQ(form.codice_errore, caso.codice);
    if (caso.codice != 0) {
      EXPECT_EQ(form.posizione_errore, caso.posizione);
    }
    EXPECT_EQ(at(caso.cella).tipo, caso.tipo);
    EXPECT_EQ(at(caso.cella).dato1, caso.dato1);
  }
}

// ----- Reading order -----

TEST_F(TrainCompilerTest, KeysAreFoundByKeywordCaseIgnoredAfterTheGeneralHeading) {
  compila_testo(
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
  compila({"- nota, sabbia, 300"});
  EXPECT_EQ(form.voci[86].campo7, 300);
  compila({"- a, - b, - sabbia, 250"});
  EXPECT_EQ(form.voci[86].campo7, 250);
  compila({"- a, - b, - c, sabbia, 200"});
  EXPECT_EQ(form.voci[86].campo7, 200);
}

TEST_F(TrainCompilerTest, TheLastFieldOfTheFileIsNeverInterpreted) {
  compila_testo("[generale]\r\nsabbia, 300\r\nsabbia");
  EXPECT_EQ(form.voci[86].campo7, 300);
  compila_testo("[generale]\r\nsabbia, 250");
  EXPECT_EQ(form.voci[86].campo7, 250);
  compila_testo("[generale]\r\nsabbia, 200\r\n- nota\r\n");
  EXPECT_EQ(form.voci[86].campo7, 200);
  EXPECT_EQ(form.codice_errore, 0);
}

TEST_F(TrainCompilerTest, AFileWithoutGeneralHeadingYieldsNoEntries) {
  for (const std::string testo : {"sabbia, 300\r\n[fine]\r\n", ""}) {
    compila_testo(testo);
    EXPECT_EQ(form.codice_errore, 0);
    EXPECT_EQ(form.voci[86].campo7, 0);
    EXPECT_FALSE(fs::exists(file_treno()));
  }
}

// Read failures are not handled here: they reach the one trap of the
// compiler, which records code 25 and deletes the file.
TEST_F(TrainCompilerTest, ReadFailuresPropagate) {
  EXPECT_THROW(form.memorizza_treno(37), FileError);  // no file
  EXPECT_THROW(compila_testo("[generale]\r\nsabbia, 300\r\nsegnale, 5950, 1"), ReadFailure);
  EXPECT_THROW(compila({"segnale, 5950, 1"}), ReadFailure);  // "[fine]" is no number
  EXPECT_THROW(compila({"sabbia, 40000"}), ReadFailure);
  EXPECT_THROW(compila({"orologio, 6 47 x"}), ReadFailure);
}

// ----- What a listener is told -----

struct Ascoltatore : CompileListener {
  std::vector<std::string> eventi;
  void key_dropped(FileDescrizione file, int32_t line, SezioneLettura section,
                   std::string_view key) override {
    eventi.push_back((file == FileDescrizione::treno ? "treno:" : "linea:") +
                     std::to_string(line) +
                     (section == SezioneLettura::prima_del_generale ? " prima " : " voci ") +
                     std::string(key));
  }
  void entry_read(FileDescrizione file, int32_t line, std::string_view entry,
                  int32_t position) override {
    eventi.push_back((file == FileDescrizione::treno ? "treno:" : "linea:") +
                     std::to_string(line) + " " + std::string(entry) + " " +
                     std::to_string(position));
  }
};

TEST_F(TrainCompilerTest, TheListenerHearsOfDroppedKeysAndPositionedEntries) {
  Ascoltatore ascoltatore;
  form.ascoltatore = &ascoltatore;
  compila_testo(
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
  EXPECT_EQ(ascoltatore.eventi, (std::vector<std::string>{
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
