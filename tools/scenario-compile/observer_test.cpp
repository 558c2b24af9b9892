#include "observer.h"

#include <gtest/gtest.h>

namespace {

struct References {
  int32_t p1, c1, p2, c2, p3, c3;  ///< records 81, 82, 83: position, chainage
};

// The chainage is computed where two references give the direction of the
// kilometres; with one reference only the distance from it is told.
TEST(ObserverTest, PositionsCarryTheChainageWhereTheReferencesGiveIt) {
  const struct {
    References r;
    int32_t posizione;
    const char* text;
  } cases[] = {
      {{0, 0, 0, 0, 0, 0}, 5950, " (at 5950 m)"},
      {{0, 73450, 0, 0, 0, 0}, 0, " (at 0 m, km 73.450)"},
      {{0, 73450, 0, 0, 0, 0}, 5950, " (at 5950 m, 5950 m beyond the reference km 73.450)"},
      {{1000, 73450, 0, 0, 0, 0}, 950, " (at 950 m, 50 m before the reference km 73.450)"},
      // Kilometres falling along the line.
      {{10000, 63450, 0, 73450, 0, 0}, 5950, " (at 5950 m, km 67.500)"},
      {{10000, 63450, 0, 73450, 0, 0}, 9000, " (at 9000 m, km 64.450)"},
      // Kilometres rising along the line, past the last reference.
      {{10000, 10000, 5000, 5000, 0, 0}, 12050, " (at 12050 m, km 12.050)"},
      {{10000, 10000, 5000, 5000, 0, 0}, 20, " (at 20 m, km 0.020)"},
      {{10000, 10000, 5000, 5000, 0, 0}, -100, " (at -100 m, km -0.100)"},
  };
  for (const auto& c : cases) {
    RecordTable voci{};
    voci[81].inizio = c.r.p1;
    voci[81].fine = c.r.c1;
    voci[82].inizio = c.r.p2;
    voci[82].fine = c.r.c2;
    voci[83].inizio = c.r.p3;
    voci[83].fine = c.r.c3;
    EXPECT_EQ(position_text(voci, c.posizione), c.text);
  }
}

}  // namespace
