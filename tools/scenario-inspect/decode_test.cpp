#include "decode.h"

#include <gtest/gtest.h>

#include "sample_scenario.h"

namespace {

namespace tb = sample_scenario;

Scenario scenario_di(const tb::Campione& c) {
  Scenario s;
  s.voci = c.voci;
  s.percorso = c.percorso;
  s.tracciato = c.tracciato;
  s.ha_tracciato = true;
  s.lunghezza = c.lunghezza;
  s.controlli = calcola_controlli(s.voci, s.percorso);
  return s;
}

struct DecodeTest : testing::Test {
  tb::Campione c = tb::campione();
  Decodificato decodifica_campione() { return decodifica(scenario_di(c)); }
};

TEST_F(DecodeTest, StationsAreTheRecordsBeforeTheBoardsWithTheirStopCells) {
  const Decodificato d = decodifica_campione();
  ASSERT_EQ(d.stazioni.size(), 3u);
  EXPECT_EQ(d.stazioni[0].voce, 1);
  EXPECT_EQ(d.stazioni[0].cella_fermata, 3);
  EXPECT_EQ(d.stazioni[1].cella_fermata, std::nullopt);  // type 27 does not stop
  EXPECT_EQ(d.stazioni[2].cella_fermata, 55);
  // With every record up to the boards used, the boards' records stay boards.
  for (int32_t i = 4; i <= 78; ++i) c.voci[static_cast<size_t>(i)].nome = std::string("S");
  EXPECT_EQ(decodifica_campione().stazioni.size(), 78u);
}

TEST_F(DecodeTest, SignalsAreUnpackedWithTheirMarkers) {
  // A second signal: sx 2, dx 1, rapp 4, s = 3 2 1, d = 9 8 7, time 101.
  c.percorso[80] = {.tipo = 1, .dato1 = 39, .dato2 = 28, .dato3 = 17, .dato4 = 47, .tempo_segnale = 101};
  const Decodificato d = decodifica_campione();
  ASSERT_EQ(d.segnali.size(), 2u);
  const Segnale& a = d.segnali[0];
  EXPECT_EQ(a.posizione, 1950);
  EXPECT_EQ(a.sx, 1);
  EXPECT_EQ(a.s1, 5);
  EXPECT_EQ(a.s2, 1);
  EXPECT_EQ(a.dx, 0);
  EXPECT_EQ(a.marcatori, (std::array<uint8_t, 4>{31, 32, 33, 34}));
  EXPECT_EQ(a.marcatori, a.marcatori_attesi);
  const Segnale& b = d.segnali[1];
  EXPECT_EQ((std::array{b.sx, b.dx, b.rapp, b.s1, b.s2, b.s3, b.d1, b.d2, b.d3}),
            (std::array{2, 1, 4, 3, 2, 1, 9, 8, 7}));
  EXPECT_EQ(b.tempo, 101);
  EXPECT_EQ(b.marcatori_attesi, (std::array<uint8_t, 4>{71, 72, 73, 74}));
  EXPECT_EQ(b.marcatori, (std::array<uint8_t, 4>{0, 0, 0, 0}));
}

TEST_F(DecodeTest, SignalNearTheOriginReadsNoMarkerBeforeCellZero) {
  c.percorso[3] = {.tipo = 1, .dato4 = 3};
  const Decodificato d = decodifica_campione();
  ASSERT_EQ(d.segnali.front().cella, 3);
  EXPECT_EQ(d.segnali.front().marcatori[1], 0);  // cell -1 does not exist
}

TEST_F(DecodeTest, SlowdownsFindTheirEndBoardAndPreWarning) {
  // A slowdown of length 0 near the origin: start and end in one cell, no board.
  c.percorso[10] = {.tipo = 3, .dato1 = 60, .dato2 = 2, .dato3 = 7};
  const Decodificato d = decodifica_campione();
  ASSERT_EQ(d.rallentamenti.size(), 2u);
  const Rallentamento& corto = d.rallentamenti[0];
  EXPECT_EQ(corto.inizio(), 450);
  EXPECT_EQ(corto.cella_fine, std::nullopt);  // the next start (cell 50) comes first
  EXPECT_EQ(corto.cella_avviso, std::nullopt);
  EXPECT_EQ((std::array{corto.velocita, corto.d_v, corto.f_tt}), (std::array<int16_t, 3>{60, 2, 7}));
  const Rallentamento& r = d.rallentamenti[1];
  EXPECT_EQ(r.inizio(), 2450);
  EXPECT_EQ(r.fine(), 2550);
  EXPECT_EQ(r.cella_avviso, 26);
  EXPECT_TRUE(r.preavviso);
  EXPECT_EQ(r.velocita, 30);
}

TEST_F(DecodeTest, BoardsTunnelsAndAbbattimentoPoints) {
  c.percorso[100] = {.tipo = 14, .dato1 = 85};  // names a record outside the boards' range
  const Decodificato d = decodifica_campione();
  ASSERT_EQ(d.cartelli.size(), 3u);
  EXPECT_EQ(d.cartelli[0].posizione(), 600);
  EXPECT_EQ(d.cartelli[0].testo, "(GALLERIA)(261 m.)");
  EXPECT_EQ(d.cartelli[1].testo, "(CULMINE)");
  EXPECT_FALSE(d.cartelli[2].voce_valida);

  ASSERT_EQ(d.indicatori.size(), 1u);
  EXPECT_EQ(d.indicatori[0].posizione(), 300);
  EXPECT_EQ(d.indicatori[0].valori, (std::array<int16_t, 3>{1500, 1600, 1600}));

  ASSERT_EQ(d.gallerie.size(), 2u);
  EXPECT_EQ(d.gallerie[0].inizio(), 700);
  EXPECT_EQ(d.gallerie[0].fine(), 950);
  EXPECT_EQ(d.gallerie[0].tipo, 1);
  EXPECT_EQ(d.gallerie[0].marcatori, std::vector<int32_t>{17});
  EXPECT_EQ(d.gallerie[1].tipo, 3);
  EXPECT_EQ(d.gallerie[1].fine() - d.gallerie[1].inizio(), 100);

  ASSERT_EQ(d.abbattimenti.size(), 2u);
  EXPECT_EQ(d.abbattimenti[0].posizione(), 2250);
  EXPECT_TRUE(d.abbattimenti[0].ha_valore);
  EXPECT_EQ(d.abbattimenti[0].valore, 180);
  EXPECT_FALSE(d.abbattimenti[1].ha_valore);
}

TEST_F(DecodeTest, TunnelsOfDifferentKindsSideBySideAreTwoTunnels) {
  for (size_t i = 19; i <= 20; ++i) c.percorso[i].montagna = 2;  // between the two tunnels
  const Decodificato d = decodifica_campione();
  ASSERT_EQ(d.gallerie.size(), 3u);
  EXPECT_EQ(d.gallerie[0].ultima, 18);
  EXPECT_EQ(d.gallerie[1].prima, 19);
  EXPECT_EQ(d.gallerie[2].prima, 21);
}

TEST_F(DecodeTest, RunsAndElevationAlongTheGrid) {
  const Decodificato d = decodifica_campione();
  ASSERT_EQ(d.pendenze.size(), 4u);
  EXPECT_EQ((std::array{d.pendenze[0].inizio(), d.pendenze[0].fine(), d.pendenze[0].valore}),
            (std::array{0, 250, 0}));
  EXPECT_EQ((std::array{d.pendenze[1].inizio(), d.pendenze[1].fine(), d.pendenze[1].valore}),
            (std::array{250, 2050, 18}));
  EXPECT_EQ(d.pendenze[2].valore, -24);
  EXPECT_EQ(d.pendenze[3].inizio(), 9900);  // the last cells are never written
  ASSERT_EQ(d.velocita.size(), 2u);
  EXPECT_EQ(d.velocita[0].valore, 80);
  ASSERT_EQ(d.aderenze.size(), 3u);
  EXPECT_EQ(d.aderenze[1].inizio(), 3550);
  EXPECT_EQ(d.aderenze[1].valore, 85);
  // 36 cells at +18 per mille rise 32.4 m; then each cell falls 1.2 m.
  EXPECT_DOUBLE_EQ(d.quota[5], 0.0);
  EXPECT_NEAR(d.quota[41], 32.4, 1e-9);
  EXPECT_NEAR(d.quota[61], 32.4 - 24.0, 1e-9);
}

TEST(OraTest, HoursMinutesSeconds) {
  EXPECT_EQ(ora(24480), "6:48:00");
  EXPECT_EQ(ora(27485), "7:38:05");
  EXPECT_EQ(ora(0), "0:00:00");
  EXPECT_EQ(ora(90000), "25:00:00");
  EXPECT_EQ(ora(-61), "-0:01:01");
}

}  // namespace
