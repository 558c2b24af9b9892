#include "decode.h"

#include <gtest/gtest.h>

#include "sample_scenario.h"

namespace {

namespace tb = sample_scenario;

Scenario scenario_of(const tb::Sample& c) {
  Scenario s;
  s.voci = c.voci;
  s.percorso = c.percorso;
  s.tracciato = c.tracciato;
  s.has_plan = true;
  s.length = c.length;
  s.checks = compute_checks(s.voci, s.percorso);
  return s;
}

struct DecodeTest : testing::Test {
  tb::Sample c = tb::sample();
  Decoded decode_sample() { return decode(scenario_of(c)); }
};

TEST_F(DecodeTest, StationsAreTheRecordsBeforeTheBoardsWithTheirStopCells) {
  const Decoded d = decode_sample();
  ASSERT_EQ(d.stations.size(), 3u);
  EXPECT_EQ(d.stations[0].voce, 1);
  EXPECT_EQ(d.stations[0].stop_cell, 3);
  EXPECT_EQ(d.stations[1].stop_cell, std::nullopt);  // type 27 does not stop
  EXPECT_EQ(d.stations[2].stop_cell, 55);
  // With every record up to the boards used, the boards' records stay boards.
  for (int32_t i = 4; i <= 78; ++i) c.voci[static_cast<size_t>(i)].nome = std::string("S");
  EXPECT_EQ(decode_sample().stations.size(), 78u);
}

TEST_F(DecodeTest, SignalsAreUnpackedWithTheirMarkers) {
  // A second signal: sx 2, dx 1, rapp 4, s = 3 2 1, d = 9 8 7, time 101.
  c.percorso[80] = {.tipo = 1, .dato1 = 39, .dato2 = 28, .dato3 = 17, .dato4 = 47, .tempo_segnale = 101};
  const Decoded d = decode_sample();
  ASSERT_EQ(d.signals.size(), 2u);
  const Signal& a = d.signals[0];
  EXPECT_EQ(a.posizione, 1950);
  EXPECT_EQ(a.sx, 1);
  EXPECT_EQ(a.s1, 5);
  EXPECT_EQ(a.s2, 1);
  EXPECT_EQ(a.dx, 0);
  EXPECT_EQ(a.markers, (std::array<uint8_t, 4>{31, 32, 33, 34}));
  EXPECT_EQ(a.markers, a.expected_markers);
  const Signal& b = d.signals[1];
  EXPECT_EQ((std::array{b.sx, b.dx, b.rapp, b.s1, b.s2, b.s3, b.d1, b.d2, b.d3}),
            (std::array{2, 1, 4, 3, 2, 1, 9, 8, 7}));
  EXPECT_EQ(b.tempo, 101);
  EXPECT_EQ(b.expected_markers, (std::array<uint8_t, 4>{71, 72, 73, 74}));
  EXPECT_EQ(b.markers, (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST_F(DecodeTest, SignalNearTheOriginReadsNoMarkerBeforeCellZero) {
  c.percorso[3] = {.tipo = 1, .dato4 = 3};
  const Decoded d = decode_sample();
  ASSERT_EQ(d.signals.front().cella, 3);
  EXPECT_EQ(d.signals.front().markers[1], 0);  // cell -1 does not exist
}

TEST_F(DecodeTest, SlowdownsFindTheirEndBoardAndPreWarning) {
  // A slowdown of length 0 near the origin: start and end in one cell, no board.
  c.percorso[10] = {.tipo = 3, .dato1 = 60, .dato2 = 2, .dato3 = 7};
  const Decoded d = decode_sample();
  ASSERT_EQ(d.slowdowns.size(), 2u);
  const Slowdown& short_slowdown = d.slowdowns[0];
  EXPECT_EQ(short_slowdown.inizio(), 450);
  EXPECT_EQ(short_slowdown.end_cell, std::nullopt);  // the next start (cell 50) comes first
  EXPECT_EQ(short_slowdown.warning_cell, std::nullopt);
  EXPECT_EQ((std::array{short_slowdown.velocita, short_slowdown.d_v, short_slowdown.f_tt}), (std::array<int16_t, 3>{60, 2, 7}));
  const Slowdown& r = d.slowdowns[1];
  EXPECT_EQ(r.inizio(), 2450);
  EXPECT_EQ(r.fine(), 2550);
  EXPECT_EQ(r.warning_cell, 26);
  EXPECT_TRUE(r.pre_warning);
  EXPECT_EQ(r.velocita, 30);
}

TEST_F(DecodeTest, BoardsTunnelsAndAbbattimentoPoints) {
  c.percorso[100] = {.tipo = 14, .dato1 = 85};  // names a record outside the boards' range
  const Decoded d = decode_sample();
  ASSERT_EQ(d.boards.size(), 3u);
  EXPECT_EQ(d.boards[0].posizione(), 600);
  EXPECT_EQ(d.boards[0].text, "(GALLERIA)(261 m.)");
  EXPECT_EQ(d.boards[1].text, "(CULMINE)");
  EXPECT_FALSE(d.boards[2].valid_record);

  ASSERT_EQ(d.speed_boards.size(), 1u);
  EXPECT_EQ(d.speed_boards[0].posizione(), 300);
  EXPECT_EQ(d.speed_boards[0].values, (std::array<int16_t, 3>{1500, 1600, 1600}));

  ASSERT_EQ(d.tunnels.size(), 2u);
  EXPECT_EQ(d.tunnels[0].inizio(), 700);
  EXPECT_EQ(d.tunnels[0].fine(), 950);
  EXPECT_EQ(d.tunnels[0].tipo, 1);
  EXPECT_EQ(d.tunnels[0].markers, std::vector<int32_t>{17});
  EXPECT_EQ(d.tunnels[1].tipo, 3);
  EXPECT_EQ(d.tunnels[1].fine() - d.tunnels[1].inizio(), 100);

  ASSERT_EQ(d.abbattimento_points.size(), 2u);
  EXPECT_EQ(d.abbattimento_points[0].posizione(), 2250);
  EXPECT_TRUE(d.abbattimento_points[0].holds_value);
  EXPECT_EQ(d.abbattimento_points[0].value, 180);
  EXPECT_FALSE(d.abbattimento_points[1].holds_value);
}

TEST_F(DecodeTest, TunnelsOfDifferentKindsSideBySideAreTwoTunnels) {
  for (size_t i = 19; i <= 20; ++i) c.percorso[i].montagna = 2;  // between the two tunnels
  const Decoded d = decode_sample();
  ASSERT_EQ(d.tunnels.size(), 3u);
  EXPECT_EQ(d.tunnels[0].last, 18);
  EXPECT_EQ(d.tunnels[1].first, 19);
  EXPECT_EQ(d.tunnels[2].first, 21);
}

TEST_F(DecodeTest, RunsAndElevationAlongTheGrid) {
  const Decoded d = decode_sample();
  ASSERT_EQ(d.gradients.size(), 4u);
  EXPECT_EQ((std::array{d.gradients[0].inizio(), d.gradients[0].fine(), d.gradients[0].value}),
            (std::array{0, 250, 0}));
  EXPECT_EQ((std::array{d.gradients[1].inizio(), d.gradients[1].fine(), d.gradients[1].value}),
            (std::array{250, 2050, 18}));
  EXPECT_EQ(d.gradients[2].value, -24);
  EXPECT_EQ(d.gradients[3].inizio(), 9900);  // the last cells are never written
  ASSERT_EQ(d.velocita.size(), 2u);
  EXPECT_EQ(d.velocita[0].value, 80);
  ASSERT_EQ(d.adhesion_runs.size(), 3u);
  EXPECT_EQ(d.adhesion_runs[1].inizio(), 3550);
  EXPECT_EQ(d.adhesion_runs[1].value, 85);
  // 36 cells at +18 per mille rise 32.4 m; then each cell falls 1.2 m.
  EXPECT_DOUBLE_EQ(d.elevation[5], 0.0);
  EXPECT_NEAR(d.elevation[41], 32.4, 1e-9);
  EXPECT_NEAR(d.elevation[61], 32.4 - 24.0, 1e-9);
}

TEST(TimeOfDayTest, HoursMinutesSeconds) {
  EXPECT_EQ(time_of_day(24480), "6:48:00");
  EXPECT_EQ(time_of_day(27485), "7:38:05");
  EXPECT_EQ(time_of_day(0), "0:00:00");
  EXPECT_EQ(time_of_day(90000), "25:00:00");
  EXPECT_EQ(time_of_day(-61), "-0:01:01");
}

}  // namespace
