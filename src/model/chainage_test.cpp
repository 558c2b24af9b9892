#include "model/chainage.h"

#include <gtest/gtest.h>

namespace {

TEST(ChainageTest, KilometresAreWrittenInTheRailwaysForm) {
  EXPECT_EQ(kilometre_text(73450), "km 73+450");
  EXPECT_EQ(kilometre_text(0), "km 0+000");
  EXPECT_EQ(kilometre_text(48300), "km 48+300");
  EXPECT_EQ(kilometre_text(-100), "km -0+100");
  EXPECT_EQ(kilometre_text(1000005), "km 1000+005");
}

struct References {
  int32_t p1, c1, p2, c2, p3, c3;  ///< records 81, 82, 83: position, chainage
};

// The chainage is computed where two references give the direction of the
// kilometres; with one reference only the distance from it is told.
TEST(ChainageTest, PositionsCarryTheChainageWhereTheReferencesGiveIt) {
  const struct {
    References r;
    int32_t posizione;
    const char* text;  ///< nullptr: no chainage
  } cases[] = {
      {{0, 0, 0, 0, 0, 0}, 5950, nullptr},
      {{0, 73450, 0, 0, 0, 0}, 0, "km 73+450"},
      {{0, 73450, 0, 0, 0, 0}, 5950, "5950 m beyond the reference km 73+450"},
      {{1000, 73450, 0, 0, 0, 0}, 950, "50 m before the reference km 73+450"},
      // Kilometres falling along the line.
      {{10000, 63450, 0, 73450, 0, 0}, 5950, "km 67+500"},
      {{10000, 63450, 0, 73450, 0, 0}, 9000, "km 64+450"},
      // Kilometres rising along the line, past the last reference.
      {{10000, 10000, 5000, 5000, 0, 0}, 12050, "km 12+050"},
      {{10000, 10000, 5000, 5000, 0, 0}, 20, "km 0+020"},
      {{10000, 10000, 5000, 5000, 0, 0}, -100, "km -0+100"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.posizione);
    RecordTable voci{};
    voci[81].inizio = c.r.p1;
    voci[81].fine = c.r.c1;
    voci[82].inizio = c.r.p2;
    voci[82].fine = c.r.c2;
    voci[83].inizio = c.r.p3;
    voci[83].fine = c.r.c3;
    const std::optional<std::string> text = chainage_at(voci, c.posizione);
    if (c.text == nullptr)
      EXPECT_EQ(text, std::nullopt);
    else
      EXPECT_EQ(text, std::optional<std::string>(c.text));
  }
}

}  // namespace
