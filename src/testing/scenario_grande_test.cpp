// The largest scenarios the formats allow compile cleanly, with the grid the
// length implies and every item the generator laid out.

#include "testing/scenario_grande.h"

#include <gtest/gtest.h>

#include <map>

#include "app/form1.h"
#include "testing/memory_platform.h"

namespace {

struct Esito {
  int32_t codice = -1;
  size_t celle = 0;
  int32_t gallerie = 0;
  std::map<uint8_t, int32_t> tipi;  ///< cells per type
  int32_t stazioni = 0;             ///< records 1 .. 79 holding a station
  int32_t cartelli = 0;             ///< records 1 .. 80 holding a board text
  size_t byte_griglia = 0, byte_linea = 0;
};

Esito compila(const ScenarioGrande& s) {
  MemoryPlatform p;
  Form1 f(p);
  f.nome_linea = "Massima";
  f.numero_treno = std::string("1");
  p.files[f.nome_file(ScenarioFile::line_description)] = s.linea;
  p.files[f.nome_file(ScenarioFile::train_description)] = s.treno;
  f.memorizza_percorso(1);
  Esito e;
  e.codice = f.codice_errore;
  e.celle = f.percorso.size();
  e.gallerie = f.numero_montagne;
  for (const cella& c : f.percorso) ++e.tipi[c.tipo];
  for (int32_t i = 1; i <= 80; ++i) {
    const voce& v = f.voci[static_cast<size_t>(i)];
    if (v.nome.rfind("STAZIONE ", 0) == 0) ++e.stazioni;
    if (v.nome.rfind("(GALLERIA ", 0) == 0) ++e.cartelli;
  }
  e.byte_griglia = p.files.at(f.nome_file(ScenarioFile::grid)).size();
  e.byte_linea = p.files.at(f.nome_file(ScenarioFile::line_data)).size();
  EXPECT_FALSE(p.files.count(f.nome_file(ScenarioFile::line_description)));
  EXPECT_FALSE(p.files.count(f.nome_file(ScenarioFile::train_description)));
  return e;
}

// Column 0 and column 1: rows 0 and 1 as 16-bit integers (4 bytes), rows 2 to
// L + 6998 as doubles (10 bytes), the last two rows empty (2 bytes).
constexpr size_t kByteLineaMassima = 2 * (2 * 4 + 1'006'997 * 10 + 2 * 2);

TEST(LargestScenario, EightyBoardsEightyTunnelsAndThousandsOfItems) {
  const ScenarioGrande s = scenario_grande(VarianteGrande::con_cartelli);
  EXPECT_EQ(s.cartelli, 80);
  EXPECT_EQ(s.stazioni, 0);
  EXPECT_GE(s.segnali, 1000);
  EXPECT_GE(s.rallentamenti, 900);
  EXPECT_GE(s.abbattimenti, 1000);

  const Esito e = compila(s);
  EXPECT_EQ(e.codice, 0);
  EXPECT_EQ(e.celle, 20141u);  // nearest(1007000 / 50) = 20140
  EXPECT_EQ(e.byte_griglia, 15u * 20141);
  EXPECT_EQ(e.byte_linea, kByteLineaMassima);
  EXPECT_EQ(e.gallerie, 80);
  EXPECT_EQ(e.cartelli, 80);
  EXPECT_EQ(e.tipi.at(14), 80);  // name boards
  EXPECT_EQ(e.tipi.at(1), s.segnali);
  EXPECT_EQ(e.tipi.at(3), s.rallentamenti);
  EXPECT_EQ(e.tipi.at(2), s.rallentamenti);
  EXPECT_EQ(e.tipi.at(4), s.rallentamenti);
  EXPECT_EQ(e.tipi.at(5), 4 * s.rallentamenti);
  EXPECT_EQ(e.tipi.at(6), s.indicatori);
  EXPECT_EQ(e.tipi.at(13), s.abbattimenti / 2);  // the points without a value
  // Besides the train's points with a value, the scan's: with code 0 every
  // slowdown got its three windows and a point in front of the signal after
  // its end, and the signals before each later warning board got theirs.
  EXPECT_GE(e.tipi.at(12) - s.abbattimenti / 2, 4 * s.rallentamenti + (s.rallentamenti - 1));
}

TEST(LargestScenario, SeventyEightStationsOnTheLineWithoutBoards) {
  const ScenarioGrande s = scenario_grande(VarianteGrande::con_stazioni);
  EXPECT_EQ(s.cartelli, 0);
  EXPECT_EQ(s.stazioni, 78);

  const Esito e = compila(s);
  EXPECT_EQ(e.codice, 0);
  EXPECT_EQ(e.celle, 20141u);
  EXPECT_EQ(e.byte_linea, kByteLineaMassima);
  EXPECT_EQ(e.gallerie, 80);
  EXPECT_EQ(e.stazioni, 78);
  EXPECT_EQ(e.tipi.count(14), 0u);
  EXPECT_EQ(e.tipi.at(10), 78);  // stop cells
  EXPECT_EQ(e.tipi.at(1), s.segnali);
  EXPECT_EQ(e.tipi.at(3), s.rallentamenti);
}

// One more station than the records hold, and one station on the line with
// all 80 boards: both are refused with code 10, which is why the largest
// scenario comes in two.
TEST(LargestScenario, StationsBeyondTheRecordsAreCode10) {
  ScenarioGrande con_stazioni = scenario_grande(VarianteGrande::con_stazioni);
  const std::string in_piu =
      "stazione,   990000, 12,  400,  1, 0, 0,  4,1,0,  2,1,1,    1,   20,0, 0, ULTIMA\r\n";
  con_stazioni.treno.insert(con_stazioni.treno.find("[rallentamenti]"), in_piu);
  EXPECT_EQ(compila(con_stazioni).codice, 10);

  ScenarioGrande con_cartelli = scenario_grande(VarianteGrande::con_cartelli);
  con_cartelli.treno.insert(con_cartelli.treno.find("[rallentamenti]"), in_piu);
  EXPECT_EQ(compila(con_cartelli).codice, 10);
}

}  // namespace
