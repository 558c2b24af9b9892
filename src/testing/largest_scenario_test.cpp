// The largest scenarios the formats allow compile cleanly, with the grid the
// length implies and every item the generator laid out.

#include "testing/largest_scenario.h"

#include <gtest/gtest.h>

#include <map>

#include "app/form1.h"
#include "testing/memory_platform.h"

namespace {

struct Outcome {
  int32_t code = -1;
  size_t cells = 0;
  int32_t tunnels = 0;
  std::map<uint8_t, int32_t> types;  ///< cells per type
  int32_t stations = 0;              ///< records 1 .. 79 holding a station
  int32_t boards = 0;                ///< records 1 .. 80 holding a board text
  size_t grid_bytes = 0, line_bytes = 0;
};

Outcome compile(const LargestScenario& s) {
  MemoryPlatform p;
  Form1 f(p);
  f.nome_linea = "Massima";
  f.numero_treno = std::string("1");
  p.files[f.file_name(ScenarioFile::line_description)] = s.line;
  p.files[f.file_name(ScenarioFile::train_description)] = s.train;
  f.memorizza_percorso(1);
  Outcome e;
  e.code = f.codice_errore;
  e.cells = f.percorso.size();
  e.tunnels = f.numero_montagne;
  for (const cella& c : f.percorso) ++e.types[c.tipo];
  for (int32_t i = 1; i <= 80; ++i) {
    const voce& v = f.voci[static_cast<size_t>(i)];
    if (v.nome.rfind("STAZIONE ", 0) == 0) ++e.stations;
    if (v.nome.rfind("(GALLERIA ", 0) == 0) ++e.boards;
  }
  e.grid_bytes = p.files.at(f.file_name(ScenarioFile::grid)).size();
  e.line_bytes = p.files.at(f.file_name(ScenarioFile::line_data)).size();
  EXPECT_FALSE(p.files.count(f.file_name(ScenarioFile::line_description)));
  EXPECT_FALSE(p.files.count(f.file_name(ScenarioFile::train_description)));
  return e;
}

// Column 0 and column 1: rows 0 and 1 as 16-bit integers (4 bytes), rows 2 to
// L + 6998 as doubles (10 bytes), the last two rows empty (2 bytes).
constexpr size_t kLargestLineBytes = 2 * (2 * 4 + 1'006'997 * 10 + 2 * 2);

TEST(LargestScenario, EightyBoardsEightyTunnelsAndThousandsOfItems) {
  const LargestScenario s = largest_scenario(LargestVariant::with_boards);
  EXPECT_EQ(s.boards, 80);
  EXPECT_EQ(s.stations, 0);
  EXPECT_GE(s.signals, 1000);
  EXPECT_GE(s.slowdowns, 900);
  EXPECT_GE(s.abbattimento_points, 1000);

  const Outcome e = compile(s);
  EXPECT_EQ(e.code, 0);
  EXPECT_EQ(e.cells, 20141u);  // nearest(1007000 / 50) = 20140
  EXPECT_EQ(e.grid_bytes, 15u * 20141);
  EXPECT_EQ(e.line_bytes, kLargestLineBytes);
  EXPECT_EQ(e.tunnels, 80);
  EXPECT_EQ(e.boards, 80);
  EXPECT_EQ(e.types.at(14), 80);  // name boards
  EXPECT_EQ(e.types.at(1), s.signals);
  EXPECT_EQ(e.types.at(3), s.slowdowns);
  EXPECT_EQ(e.types.at(2), s.slowdowns);
  EXPECT_EQ(e.types.at(4), s.slowdowns);
  EXPECT_EQ(e.types.at(5), 4 * s.slowdowns);
  EXPECT_EQ(e.types.at(6), s.speed_boards);
  EXPECT_EQ(e.types.at(13), s.abbattimento_points / 2);  // the points without a value
  // Besides the train's points with a value, the scan's: with code 0 every
  // slowdown got its three windows and a point in front of the signal after
  // its end, and the signals before each later warning board got theirs.
  EXPECT_GE(e.types.at(12) - s.abbattimento_points / 2, 4 * s.slowdowns + (s.slowdowns - 1));
}

TEST(LargestScenario, SeventyEightStationsOnTheLineWithoutBoards) {
  const LargestScenario s = largest_scenario(LargestVariant::with_stations);
  EXPECT_EQ(s.boards, 0);
  EXPECT_EQ(s.stations, 78);

  const Outcome e = compile(s);
  EXPECT_EQ(e.code, 0);
  EXPECT_EQ(e.cells, 20141u);
  EXPECT_EQ(e.line_bytes, kLargestLineBytes);
  EXPECT_EQ(e.tunnels, 80);
  EXPECT_EQ(e.stations, 78);
  EXPECT_EQ(e.types.count(14), 0u);
  EXPECT_EQ(e.types.at(10), 78);  // stop cells
  EXPECT_EQ(e.types.at(1), s.signals);
  EXPECT_EQ(e.types.at(3), s.slowdowns);
}

// One more station than the records hold, and one station on the line with
// all 80 boards: both are refused with code 10, which is why the largest
// scenario comes in two.
TEST(LargestScenario, StationsBeyondTheRecordsAreCode10) {
  LargestScenario with_stations = largest_scenario(LargestVariant::with_stations);
  const std::string extra =
      "stazione,   990000, 12,  400,  1, 0, 0,  4,1,0,  2,1,1,    1,   20,0, 0, ULTIMA\r\n";
  with_stations.train.insert(with_stations.train.find("[rallentamenti]"), extra);
  EXPECT_EQ(compile(with_stations).code, 10);

  LargestScenario with_boards = largest_scenario(LargestVariant::with_boards);
  with_boards.train.insert(with_boards.train.find("[rallentamenti]"), extra);
  EXPECT_EQ(compile(with_boards).code, 10);
}

}  // namespace
