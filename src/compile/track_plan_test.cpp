#include "compile/track_plan.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

Tracciato piano_avviato(int32_t lunghezza) {
  Tracciato t;
  crea_tracciato(t, lunghezza);
  avvia_tracciato(t);
  return t;
}

/// Heading of the step that ends at metre m, in radians from +y towards +x.
double direzione(const Tracciato& t, int32_t m) {
  const auto& p = t.punti;
  const auto i = static_cast<size_t>(m);
  return std::atan2(p[i][0] - p[i - 1][0], p[i][1] - p[i - 1][1]);
}

TEST(TrackPlanTest, CurveClassesSidesAndMissingDigits) {
  struct Caso {
    const char* chiave;
    std::optional<double> k;
  };
  const Caso casi[] = {
      {"curvas5", -0.002},  {"curvad5", 0.002},    {"curvad1", 0.0001}, {"curvas2", -0.0002},
      {"curvad3", 0.0004},  {"curvas4", -0.001},   {"curvad6", 0.003},
      {"CURVA S5", -0.002},  // capitals: "S" is a left-hand curve
      {"curvad25", 0.0002},  // "2" is tested before "5"
      {"curvad52", 0.0002},  // the order of the tests, not of the key
      {"curvad", std::nullopt}, {"curvad7", std::nullopt}, {"curvas0", std::nullopt},
  };
  for (const Caso& c : casi) EXPECT_EQ(curvatura_curva(c.chiave), c.k) << c.chiave;
}

// The first 400 m of the built-in line: straight to metre 200, then
// "curvas5,  200 , 150 ", then straight again.
TEST(TrackPlanTest, FirstFourHundredMetresOfTheBuiltInLine) {
  Tracciato t = piano_avviato(40000);
  EXPECT_EQ(t.calcolati, 2);
  ASSERT_TRUE(estendi_curva(t, 200, 350, *curvatura_curva("curvas5")));
  EXPECT_EQ(t.calcolati, 351);
  ASSERT_TRUE(estendi_curva(t, 400, 400, 0.0));  // a curve of length 0: straight to 400
  EXPECT_EQ(t.calcolati, 401);

  for (int32_t m = 0; m <= 200; ++m) {
    EXPECT_EQ(t.punti[static_cast<size_t>(m)][0], 0.0) << m;
    EXPECT_EQ(t.punti[static_cast<size_t>(m)][1], static_cast<double>(m)) << m;
  }
  // The first two curved steps, term by term: dx, dy are taken before the step.
  const double k = -0.002;
  EXPECT_EQ(t.punti[201][0], 0.0 + (0.0 + k * 1.0));
  EXPECT_EQ(t.punti[201][1], 200.0 + (1.0 - k * 0.0));
  const double dx = t.punti[201][0] - t.punti[200][0];
  const double dy = t.punti[201][1] - t.punti[200][1];
  EXPECT_EQ(t.punti[202][0], t.punti[201][0] + (dx + k * dy));
  EXPECT_EQ(t.punti[202][1], t.punti[201][1] + (dy - k * dx));

  EXPECT_NEAR(t.punti[350][0], -22.484, 0.0005);
  EXPECT_NEAR(t.punti[350][1], 347.760, 0.0005);
  // 150 curved steps of 0.002 turned the heading left by about 0.3 rad, and
  // the straight run after the curve keeps that heading.
  EXPECT_NEAR(direzione(t, 350), -0.3, 0.001);
  EXPECT_NEAR(direzione(t, 400), direzione(t, 351), 1e-9);
}

TEST(TrackPlanTest, RightHandClassSixCurveOfFiftyMetresTurnsAboutPointFifteen) {
  Tracciato t = piano_avviato(1000);
  ASSERT_TRUE(estendi_curva(t, 100, 150, 0.003));
  EXPECT_NEAR(direzione(t, 150), 0.15, 0.001);
  EXPECT_GT(t.punti[150][0], 0.0);  // right-hand: from +y towards +x
}

TEST(TrackPlanTest, PointsOnceComputedNeverChange) {
  // A curve that begins before the plan counter turns only for its part
  // after it; the same plan comes out of a curve that starts there.
  Tracciato sovrapposta = piano_avviato(1000);
  ASSERT_TRUE(estendi_curva(sovrapposta, 100, 200, 0.002));
  ASSERT_TRUE(estendi_curva(sovrapposta, 150, 300, -0.003));
  Tracciato attesa = piano_avviato(1000);
  ASSERT_TRUE(estendi_curva(attesa, 100, 200, 0.002));
  ASSERT_TRUE(estendi_curva(attesa, 200, 300, -0.003));
  EXPECT_EQ(sovrapposta.calcolati, 301);
  EXPECT_EQ(sovrapposta.punti, attesa.punti);

  // One that ends before the counter has no effect at all.
  const auto prima = sovrapposta.punti;
  ASSERT_TRUE(estendi_curva(sovrapposta, 50, 250, 0.003));
  EXPECT_EQ(sovrapposta.calcolati, 301);
  EXPECT_EQ(sovrapposta.punti, prima);
}

TEST(TrackPlanTest, EndComputesUpToTheLastButTwoRowAndLeavesTheLastTwoEmpty) {
  Tracciato t = piano_avviato(0);
  ASSERT_EQ(t.righe(), 7001);
  chiudi_tracciato(t);
  EXPECT_EQ(t.calcolati, 6999);
  EXPECT_EQ(t.tipo(0), TipoVariante::intero16);
  EXPECT_EQ(t.tipo(1), TipoVariante::intero16);
  EXPECT_EQ(t.tipo(2), TipoVariante::reale64);
  EXPECT_EQ(t.tipo(6998), TipoVariante::reale64);
  EXPECT_EQ(t.tipo(6999), TipoVariante::vuoto);
  EXPECT_EQ(t.tipo(7000), TipoVariante::vuoto);
  EXPECT_EQ(t.punti[6998][1], 6998.0);
}

// A curve running past the plan's last computed row is clipped there.
TEST(TrackPlanTest, CurvePastThePlanIsClippedToTheLastComputedRow) {
  Tracciato t = piano_avviato(0);
  ASSERT_TRUE(estendi_curva(t, 6900, 9000, 0.003));
  EXPECT_EQ(t.calcolati, 6999);
  EXPECT_EQ(t.righe(), 7001);
  EXPECT_EQ(t.tipo(6999), TipoVariante::vuoto);
  chiudi_tracciato(t);  // nothing left to compute
  EXPECT_EQ(t.calcolati, 6999);
}

TEST(TrackPlanTest, CurveTakingTheCounterAboveOneMillionFails) {
  Tracciato t = piano_avviato(1000000);
  // The last curved step computes metre 999999: the counter stops at 1000000.
  EXPECT_TRUE(estendi_curva(t, 999000, 999999, 0.001));
  EXPECT_EQ(t.calcolati, 1000000);
  // The step that computes metre 1000000 takes the counter above the limit.
  EXPECT_FALSE(estendi_curva(t, 999999, 1000500, 0.001));
  EXPECT_EQ(t.calcolati, 1000001);
}

TEST(TrackPlanTest, StepsNeedAStartedPlanAndLengthsNeedAtLeastZero) {
  Tracciato t;
  EXPECT_THROW(estendi_curva(t, 10, 20, 0.001), RunTimeFailure);
  EXPECT_THROW(chiudi_tracciato(t), RunTimeFailure);
  crea_tracciato(t, 100);
  EXPECT_THROW(chiudi_tracciato(t), RunTimeFailure);  // created but not started
  EXPECT_THROW(crea_tracciato(t, -1), RunTimeFailure);
}

}  // namespace
