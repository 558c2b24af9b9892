#include "compile/track_plan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TrackPlan plan_started(int32_t length) {
  TrackPlan t;
  create_plan(t, length);
  start_plan(t);
  return t;
}

/// Heading of the step that ends at metre m, in radians from +y towards +x.
double direction(const TrackPlan& t, int32_t m) {
  const auto& p = t.points;
  const auto i = static_cast<size_t>(m);
  return std::atan2(p[i][0] - p[i - 1][0], p[i][1] - p[i - 1][1]);
}

TEST(TrackPlanTest, CurveClassesSidesAndMissingDigits) {
  struct Case {
    const char* key;
    std::optional<double> k;
  };
  const Case cases[] = {
      {"curvas5", -0.002},  {"curvad5", 0.002},    {"curvad1", 0.0001}, {"curvas2", -0.0002},
      {"curvad3", 0.0004},  {"curvas4", -0.001},   {"curvad6", 0.003},
      {"CURVA S5", -0.002},  // capitals: "S" is a left-hand curve
      {"curvad25", 0.0002},  // "2" is tested before "5"
      {"curvad52", 0.0002},  // the order of the tests, not of the key
      {"curvad", std::nullopt}, {"curvad7", std::nullopt}, {"curvas0", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(curve_curvature(c.key), c.k) << c.key;
}

// The first 400 m of the built-in line: straight to metre 200, then
// "curvas5,  200 , 150 ", then straight again.
TEST(TrackPlanTest, FirstFourHundredMetresOfTheBuiltInLine) {
  TrackPlan t = plan_started(40000);
  EXPECT_EQ(t.computed(), 2);
  ASSERT_TRUE(extend_curve(t, 200, 350, *curve_curvature("curvas5")));
  EXPECT_EQ(t.computed(), 351);
  ASSERT_TRUE(extend_curve(t, 400, 400, 0.0));  // a curve of length 0: straight to 400
  EXPECT_EQ(t.computed(), 401);

  for (int32_t m = 0; m <= 200; ++m) {
    EXPECT_EQ(t.points[static_cast<size_t>(m)][0], 0.0) << m;
    EXPECT_EQ(t.points[static_cast<size_t>(m)][1], static_cast<double>(m)) << m;
  }
  // The first two curved steps, term by term: dx, dy are taken before the step.
  const double k = -0.002;
  EXPECT_EQ(t.points[201][0], 0.0 + (0.0 + k * 1.0));
  EXPECT_EQ(t.points[201][1], 200.0 + (1.0 - k * 0.0));
  const double dx = t.points[201][0] - t.points[200][0];
  const double dy = t.points[201][1] - t.points[200][1];
  EXPECT_EQ(t.points[202][0], t.points[201][0] + (dx + k * dy));
  EXPECT_EQ(t.points[202][1], t.points[201][1] + (dy - k * dx));

  EXPECT_NEAR(t.points[350][0], -22.484, 0.0005);
  EXPECT_NEAR(t.points[350][1], 347.760, 0.0005);
  // 150 curved steps of 0.002 turned the heading left by about 0.3 rad, and
  // the straight run after the curve keeps that heading.
  EXPECT_NEAR(direction(t, 350), -0.3, 0.001);
  EXPECT_NEAR(direction(t, 400), direction(t, 351), 1e-9);
}

TEST(TrackPlanTest, RightHandClassSixCurveOfFiftyMetresTurnsAboutPointFifteen) {
  TrackPlan t = plan_started(1000);
  ASSERT_TRUE(extend_curve(t, 100, 150, 0.003));
  EXPECT_NEAR(direction(t, 150), 0.15, 0.001);
  EXPECT_GT(t.points[150][0], 0.0);  // right-hand: from +y towards +x
}

TEST(TrackPlanTest, PointsOnceComputedNeverChange) {
  // A curve that begins before the plan counter turns only for its part
  // after it; the same plan comes out of a curve that starts there.
  TrackPlan overlapping = plan_started(1000);
  ASSERT_TRUE(extend_curve(overlapping, 100, 200, 0.002));
  ASSERT_TRUE(extend_curve(overlapping, 150, 300, -0.003));
  TrackPlan expected_text = plan_started(1000);
  ASSERT_TRUE(extend_curve(expected_text, 100, 200, 0.002));
  ASSERT_TRUE(extend_curve(expected_text, 200, 300, -0.003));
  EXPECT_EQ(overlapping.computed(), 301);
  EXPECT_EQ(overlapping.points, expected_text.points);

  // One that ends before the counter has no effect at all.
  const auto before = overlapping.points;
  ASSERT_TRUE(extend_curve(overlapping, 50, 250, 0.003));
  EXPECT_EQ(overlapping.computed(), 301);
  EXPECT_EQ(overlapping.points, before);
}

TEST(TrackPlanTest, EndComputesUpToTheLastButTwoRowAndLeavesTheLastTwoEmpty) {
  TrackPlan t = plan_started(0);
  ASSERT_EQ(t.rows(), 7001);
  close_plan(t);
  EXPECT_EQ(t.computed(), 6999);
  EXPECT_EQ(t.tipo(0), VariantType::int16);
  EXPECT_EQ(t.tipo(1), VariantType::int16);
  EXPECT_EQ(t.tipo(2), VariantType::float64);
  EXPECT_EQ(t.tipo(6998), VariantType::float64);
  EXPECT_EQ(t.tipo(6999), VariantType::empty);
  EXPECT_EQ(t.tipo(7000), VariantType::empty);
  EXPECT_EQ(t.points[6998][1], 6998.0);
}

// A curve running past the plan's last computed row is clipped there.
TEST(TrackPlanTest, CurvePastThePlanIsClippedToTheLastComputedRow) {
  TrackPlan t = plan_started(0);
  ASSERT_TRUE(extend_curve(t, 6900, 9000, 0.003));
  EXPECT_EQ(t.computed(), 6999);
  EXPECT_EQ(t.rows(), 7001);
  EXPECT_EQ(t.tipo(6999), VariantType::empty);
  close_plan(t);  // nothing left to compute
  EXPECT_EQ(t.computed(), 6999);
}

TEST(TrackPlanTest, CurveTakingTheCounterAboveOneMillionFails) {
  TrackPlan t = plan_started(1000000);
  // The last curved step computes metre 999999: the counter stops at 1000000.
  EXPECT_TRUE(extend_curve(t, 999000, 999999, 0.001));
  EXPECT_EQ(t.computed(), 1000000);
  // The step that computes metre 1000000 takes the counter above the limit.
  EXPECT_FALSE(extend_curve(t, 999999, 1000500, 0.001));
  EXPECT_EQ(t.computed(), 1000001);

  // Straight steps may pass the limit; a curve starting beyond it makes its
  // first step and fails, and one ending before the counter makes none.
  TrackPlan beyond = plan_started(1000100);
  EXPECT_TRUE(extend_curve(beyond, 1000020, 1000019, 0.001));
  EXPECT_EQ(beyond.computed(), 1000021);
  EXPECT_FALSE(extend_curve(beyond, 0, 1000030, 0.001));
  EXPECT_EQ(beyond.computed(), 1000022);
}

TEST(TrackPlanTest, StepsNeedAStartedPlanAndLengthsNeedAtLeastZero) {
  TrackPlan t;
  EXPECT_THROW(extend_curve(t, 10, 20, 0.001), RunTimeFailure);
  EXPECT_THROW(close_plan(t), RunTimeFailure);
  create_plan(t, 100);
  EXPECT_THROW(close_plan(t), RunTimeFailure);  // created but not started
  EXPECT_THROW(create_plan(t, -1), RunTimeFailure);
  // A length whose rows a 32-bit count cannot hold is refused before any
  // room is taken.
  EXPECT_THROW(create_plan(t, std::numeric_limits<int32_t>::max() - 7000), RunTimeFailure);
  EXPECT_EQ(t.rows(), 7101);  // the plan made before is left as it was
}

}  // namespace
