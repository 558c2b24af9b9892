// The round trip as a property: a compiled scenario, decompiled, compiles
// back to the very same three files. Every comparison is of whole files.

#include "decompile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/form1.h"
#include "generated_scenarios.h"
#include "model/file_names.h"
#include "platform/memory_platform.h"
#include "recover.h"
#include "testing/in_memory_build.h"
#include "testing/largest_scenario.h"

namespace {

std::string file_text(const std::string& name) {
  std::ifstream in(std::string(SCENARIO_EXAMPLES_DIR) + "/" + name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}


OriginalFiles files_of(const CompiledInMemory& c, bool with_plan = true) {
  OriginalFiles f;
  f.grid = c.grid;
  f.service = c.service;
  if (with_plan) f.line_data = c.line_data;
  f.grid_name = "grid.dat";
  f.service_name = "service.sim";
  f.line_data_name = "line.dat";
  return f;
}

Scenario read(const OriginalFiles& f) {
  ScenarioBytes bytes{f.grid, f.grid_name, f.service, f.service_name, std::nullopt, f.line_data_name};
  if (f.line_data) bytes.line = *f.line_data;
  const Read<Scenario> s = read_scenario(bytes);
  EXPECT_TRUE(s.ok()) << (s.ok() ? "" : s.error().message());
  return s.ok() ? s.value() : Scenario{};
}

/// Where two files first differ, for a readable failure.
std::string first_difference(const std::string& a, const std::string& b) {
  const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
  return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) +
         ", first difference at offset " + std::to_string(at);
}

void expect_same(const std::string& what, const std::string& original, const std::string& again) {
  EXPECT_TRUE(original == again) << what << ": " << first_difference(original, again);
}

/// Decompiles, and compiles the recovered files independently of the
/// tool's own check.
Decompiled expect_round_trip(const CompiledInMemory& original, const std::string& nome_linea,
                             const std::string& numero_treno, bool with_plan = true) {
  const OriginalFiles files = files_of(original, with_plan);
  const Decompiled d = decompile(read(files), files, true);
  std::string problems;
  for (const std::string& p : d.problems) problems += "\n  " + p;
  EXPECT_FALSE(d.error) << d.error.value_or("") << problems;
  const CompiledInMemory again = compile_in_memory(d.line_text, d.train_text, nome_linea, numero_treno);
  expect_same("grid file", original.grid, again.grid);
  expect_same("service file", original.service, again.service);
  if (with_plan) expect_same("line data file", original.line_data, again.line_data);
  return d;
}

TEST(RoundTrip, BuiltInScenario) {
  const auto [line, train] = built_in_descriptions();
  const CompiledInMemory c = compile_in_memory(line, train, kDefaultLineName, kDefaultTrainNumber);
  const Decompiled d = expect_round_trip(c, kDefaultLineName, kDefaultTrainNumber);
  EXPECT_TRUE(d.warnings.empty());
}

TEST(RoundTrip, Example) {
  const CompiledInMemory c = compile_in_memory(file_text("Colle_Ferrato_linea.txt"), file_text("Colle_Ferrato_2291-.txt"),
                             "Colle_Ferrato", "2291");
  ASSERT_EQ(c.codice_errore, 0);
  expect_round_trip(c, "Colle_Ferrato", "2291");
}

TEST(RoundTrip, LargestScenarios) {
  for (const LargestVariant v : {LargestVariant::with_boards, LargestVariant::with_stations}) {
    const LargestScenario s = largest_scenario(v);
    const CompiledInMemory c = compile_in_memory(s.line, s.train, "Massima", "1");
    ASSERT_EQ(c.codice_errore, 0);
    expect_round_trip(c, "Massima", "1");
  }
}

// Curves of every class and side (some overlapping the one before),
// tunnels from the first cell and past the last, kind-3 tunnels, boards and
// stations sharing the records, stations before or after the signals whose
// markers share their cells, signals whose markers fall before the first
// cell, slowdowns with pre-warnings and values, points of the author's:
// every scenario that compiles cleanly compiles back the same.
TEST(RoundTrip, GeneratedScenarios) {
  int clean = 0;
  for (uint32_t seed = 1; seed <= 100; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const GeneratedScenario g = generated_scenario(seed);
    const CompiledInMemory c = compile_in_memory(g.line, g.train, "Generata", std::to_string(seed));
    if (c.codice_errore != 0) continue;
    ++clean;
    expect_round_trip(c, "Generata", std::to_string(seed));
  }
  EXPECT_GE(clean, 80);
}

// Without the line data file no curve is known: the line description has
// none and says why; the service and grid files still compile back the same.
TEST(RoundTrip, WithoutLineDataFile) {
  const CompiledInMemory c = compile_in_memory(file_text("Colle_Ferrato_linea.txt"), file_text("Colle_Ferrato_2291-.txt"),
                             "Colle_Ferrato", "2291");
  const Decompiled d = expect_round_trip(c, "Colle_Ferrato", "2291", false);
  ASSERT_EQ(d.warnings.size(), 1u);
  EXPECT_NE(d.warnings[0].find("no line data file"), std::string::npos);
  EXPECT_EQ(d.line_text.find("curvas"), std::string::npos);
  EXPECT_EQ(d.line_text.find("curvad"), std::string::npos);
}

// The points the grid scan makes around the example's slowdown are not
// written; one the author wrote, even with the scan's own value, is. A
// value stored as 0 or below (65436 keeps -100 in 16 bits) is written as
// the number above 32767 that gives it, not as a point without a value.
TEST(AbbattimentoPoints, OnlyTheAuthorsAreWritten) {
  const std::string line = file_text("Colle_Ferrato_linea.txt");
  std::string train = file_text("Colle_Ferrato_2291-.txt");
  const struct {
    const char* entries;
    std::vector<std::pair<int64_t, int64_t>> points;
  } cases[] = {
      {"", {}},
      {"abbattimento, 3100, 180\r\n", {{3100, 180}}},
      {"abbattimento, 3100, 180\r\nabbattimento, 100, 0\r\nabbattimento, 6200, 65436\r\n",
       {{100, 0}, {3100, 180}, {6200, 65436}}},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.entries);
    std::string with = train;
    with.insert(with.find("[codici]"), t.entries);
    const CompiledInMemory c = compile_in_memory(line, with, "Colle_Ferrato", "2291");
    ASSERT_EQ(c.codice_errore, 0);
    const OriginalFiles files = files_of(c);
    const Recovered r = recover(read(files));
    std::vector<std::pair<int64_t, int64_t>> points;
    for (const PointEntry& p : r.train.points) points.emplace_back(p.posizione, p.value);
    EXPECT_EQ(points, t.points);
    expect_round_trip(c, "Colle_Ferrato", "2291");
  }
}

// A station stop writes over whatever stands in its cell: a name board
// (its text stays in its record) or speed-limit boards (their values after
// the first stay in the cell). Boards in the stop cells give both back.
TEST(RoundTrip, ItemsUnderAStationStop) {
  std::string line = file_text("Colle_Ferrato_linea.txt");
  // The stops of the stations at 3200 m and 6500 m are cells 66 and 135.
  line.insert(line.find("[indicazioni]"), "indicatori_vmax, 6700, 80, 90, 100, 1, 5, 10, 15, 2\r\n");
  line.insert(line.find("[fine]"), "cartello_indicatore, 3250, (FERMATA)\r\n");
  const CompiledInMemory c = compile_in_memory(line, file_text("Colle_Ferrato_2291-.txt"), "Colle_Ferrato", "2291");
  ASSERT_EQ(c.codice_errore, 0);
  ASSERT_EQ(c.grid[15 * 66], cell_type::station_stop);
  ASSERT_EQ(c.grid[15 * 135], cell_type::station_stop);
  ASSERT_NE(c.grid[15 * 135 + 3], 0);  // dato2 of the boards
  expect_round_trip(c, "Colle_Ferrato", "2291");
}

// A signal under a station stop: the stop takes its type and first values,
// the station's markers its two nearest markers; its values after the first
// and its markers 300 and 400 m back stay, and a signal written before the
// station gives them back. The first station's stop is cell 11.
TEST(RoundTrip, SignalUnderAStationStop) {
  std::string train = file_text("Colle_Ferrato_2291-.txt");
  train.insert(train.find("[stazioni]"), "segnale, 500, 1, 5, 2, 3, 1, 0, 4, 5, 6, 0\r\n");
  const CompiledInMemory c = compile_in_memory(file_text("Colle_Ferrato_linea.txt"), train, "Colle_Ferrato", "2291");
  ASSERT_EQ(c.codice_errore, 0);
  ASSERT_EQ(c.grid[15 * 11], cell_type::station_stop);
  expect_round_trip(c, "Colle_Ferrato", "2291");
}

// Tunnels that overlap: the later one takes over the kind of the shared
// cells, and each leaves its markers in its own step. The example's tunnel
// covers cells 40 to 50 with markers in 43 and 47; one from 2200 m covers
// cells 44 to 61, one from 1700 m cells 34 to 45 (its markers in 37, 41,
// 45 fall among the example's own: only tunnels laid for their markers
// alone give those back).
TEST(RoundTrip, OverlappingTunnels) {
  for (const char* entry : {"montagna, 2200, 3100, 12\r\n", "montagna, 1700, 2300, 11\r\n"}) {
    SCOPED_TRACE(entry);
    std::string line = file_text("Colle_Ferrato_linea.txt");
    line.insert(line.find("[cartelli]"), entry);
    const CompiledInMemory c = compile_in_memory(line, file_text("Colle_Ferrato_2291-.txt"), "Colle_Ferrato", "2291");
    ASSERT_EQ(c.codice_errore, 0);
    expect_round_trip(c, "Colle_Ferrato", "2291");
  }
}

// A cell that no entry produces: the round trip fails and names the file,
// the offset and the cell.
TEST(RoundTrip, AnUnreproducibleCellIsNamed) {
  CompiledInMemory c = compile_in_memory(file_text("Colle_Ferrato_linea.txt"), file_text("Colle_Ferrato_2291-.txt"),
                       "Colle_Ferrato", "2291");
  c.grid[15 * 100] = 9;  // cell 100 holds type 9
  const OriginalFiles files = files_of(c);
  const Decompiled d = decompile(read(files), files, true);
  ASSERT_TRUE(d.error);
  EXPECT_EQ(*d.error,
            "grid.dat: offset 1500: cell 100 (5000 m), field tipo of type 9: the recovered files "
            "compile to other bytes");
  ASSERT_FALSE(d.problems.empty());
  EXPECT_EQ(d.problems.back(), "cell 100 (5000 m): type 9, which no entry produces");
}

// Whatever a readable grid holds, the tool never fails on it, and when it
// says the round trip holds, an independent compilation agrees.
TEST(RoundTrip, AnyReadableGridIsDecompiledOrRefused) {
  const CompiledInMemory example = compile_in_memory(file_text("Colle_Ferrato_linea.txt"),
                                   file_text("Colle_Ferrato_2291-.txt"), "Colle_Ferrato", "2291");
  uint32_t state = 12345;
  const auto next = [&] { return state = state * 1103515245u + 12345u; };
  int proven = 0;
  for (int round = 0; round < 100; ++round) {
    CompiledInMemory c = example;
    for (int changes = 1 + static_cast<int>(next() % 6); changes > 0; --changes) {
      // Cells 2 and up, so that the markers and check codes of cell 1 stay.
      const size_t at = 30 + next() % (c.grid.size() - 30);
      c.grid[at] = static_cast<char>(next() >> 8);
    }
    const OriginalFiles files = files_of(c);
    const Decompiled d = decompile(read(files), files, true);
    if (d.error) continue;
    ++proven;
    const CompiledInMemory again = compile_in_memory(d.line_text, d.train_text, "Colle_Ferrato", "2291");
    expect_same("grid file", c.grid, again.grid);
    expect_same("service file", c.service, again.service);
    expect_same("line data file", c.line_data, again.line_data);
  }
  EXPECT_GT(proven, 0);
}

}  // namespace
