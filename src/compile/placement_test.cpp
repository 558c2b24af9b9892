#include <gtest/gtest.h>

#include <climits>

#include "app/form1.h"
#include "testing/test_platform.h"

namespace {

struct PlacementTest : testing::Test {
  TempFolder folder;
  TestPlatform platform{folder.path()};
  Form1 form{platform};

  PlacementTest() { form.percorso.assign(941, cella{}); }

  cella& at(size_t i) { return form.percorso[i]; }

  /// A signal with every value but the position given.
  void segnale(int32_t posizione, int32_t sx, int32_t s1, int32_t s2, int32_t s3, int32_t rapp,
               int32_t dx, int32_t d1, int32_t d2, int32_t d3, int32_t tempo) {
    form.memo_segnale(posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo);
  }
};

cella expected_signal(int16_t d1, int16_t d2, int16_t d3, int16_t d4, uint8_t tempo) {
  cella c;
  c.tipo = cell_type::segnale;
  c.dato1 = d1;
  c.dato2 = d2;
  c.dato3 = d3;
  c.dato4 = d4;
  c.tempo_segnale = tempo;
  return c;
}

// ----- Signals -----

TEST_F(PlacementTest, SignalCellsAndMarkers) {
  struct Case {
    int32_t posizione, sx, s1, s2;
    size_t signal_cell;
    cella expected;
    uint8_t first_marker;
  };
  const Case cases[] = {
      {5950, 1, 5, 1, 120, expected_signal(50, 10, 0, 3, 0), 31},
      {7000, 2, 3, 0, 141, expected_signal(30, 0, 0, 6, 0), 61},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.posizione);
    form.percorso.assign(941, cella{});
    segnale(test_case.posizione, test_case.sx, test_case.s1, test_case.s2, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(form.codice_errore, 0);
    CellGrid expected(941, cella{});
    expected[test_case.signal_cell] = test_case.expected;
    for (uint8_t k = 1; k <= 4; ++k)
      expected[test_case.signal_cell - 2 * k].marcatore = static_cast<uint8_t>(test_case.first_marker + k - 1);
    EXPECT_EQ(form.percorso, expected);
  }
}

TEST_F(PlacementTest, SignalTimeIsKeptOnlyForKindTwoAndShortTimesBecome101) {
  struct Case {
    int32_t sx, tempo;
    uint8_t expected;
  };
  const Case cases[] = {
      {2, 50, 101}, {2, 1, 101}, {2, 100, 101}, {2, 0, 0},  {2, 101, 101},
      {2, 255, 255}, {2, 300, 44}, {2, -1, 255}, {1, 50, 0}, {0, 200, 0},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(testing::Message() << "sx " << test_case.sx << " tempo " << test_case.tempo);
    form.percorso.assign(941, cella{});
    segnale(5950, test_case.sx, 0, 0, 0, 0, 0, 0, 0, 0, test_case.tempo);
    EXPECT_EQ(at(120).tempo_segnale, test_case.expected);
  }
}

TEST_F(PlacementTest, SignalValuesWrapAt16BitsAndMarkersAt8Bits) {
  // 4000 * 10 + 0 = 40000 keeps its low 16 bits; 10 * (3 * 9 + 0) + k = 270 + k
  // keeps its low 8 bits.
  segnale(5950, 9, 4000, -3300, 3276, 7000, 0, 0, 8, 9, 0);
  EXPECT_EQ(at(120).dato1, -25536);
  EXPECT_EQ(at(120).dato2, -32992 + 65536);
  EXPECT_EQ(at(120).dato3, 32769 - 65536);
  EXPECT_EQ(at(120).dato4, 70027 - 65536);
  EXPECT_EQ(at(118).marcatore, 15);
  EXPECT_EQ(at(112).marcatore, 18);
}

TEST_F(PlacementTest, SignalMarkersAreWrittenWhateverTheCellsHold) {
  at(118).tipo = cell_type::station_stop;
  at(118).marcatore = 81;
  at(114).tipo = cell_type::segnale;
  at(114).marcatore = 99;
  segnale(5950, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(at(118).tipo, cell_type::station_stop);
  EXPECT_EQ(at(118).marcatore, 31);
  EXPECT_EQ(at(114).tipo, cell_type::segnale);
  EXPECT_EQ(at(114).marcatore, 33);
}

TEST_F(PlacementTest, SignalOnATunnelMarkerReplacesItOnAnOccupiedCellFailsWith16) {
  at(120).tipo = cell_type::tunnel_marker;
  segnale(5950, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(at(120).tipo, cell_type::segnale);

  form.percorso.assign(941, cella{});
  at(120).tipo = cell_type::station_stop;
  const CellGrid before = form.percorso;
  segnale(5950, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(form.codice_errore, 16);
  EXPECT_EQ(form.percorso, before);  // nothing written, markers neither
}

// A signal closer than 350 m to the origin keeps the markers that fall in
// the grid; a signal whose own cell lies before cell 0 is refused.
TEST_F(PlacementTest, SignalsNearTheOriginNeverTouchCellsBeforeTheGrid) {
  segnale(300, 1, 5, 0, 0, 0, 0, 0, 0, 0, 0);  // cell 7, markers 5, 3, 1 (and -1)
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(at(7).tipo, cell_type::segnale);
  EXPECT_EQ(at(5).marcatore, 31);
  EXPECT_EQ(at(3).marcatore, 32);
  EXPECT_EQ(at(1).marcatore, 33);
  EXPECT_EQ(at(0).marcatore, 0);

  form.percorso.assign(941, cella{});
  segnale(-50, 1, 5, 0, 0, 0, 0, 0, 0, 0, 0);  // cell 0, every marker outside
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(at(0).tipo, cell_type::segnale);

  form.percorso.assign(941, cella{});
  const CellGrid empty = form.percorso;
  for (int32_t posizione : {-100, -5000, INT32_MIN}) {
    form.codice_errore = 0;
    segnale(posizione, 1, 5, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(form.codice_errore, 16) << posizione;
  }
  EXPECT_EQ(form.percorso, empty);
}

// ----- Slowdowns -----

TEST_F(PlacementTest, SlowdownWithBoardAndPreWarningCells) {
  form.memo_rallentamento(2000, 30, 500, 7, 1, 0);
  EXPECT_EQ(form.codice_errore, 0);
  CellGrid expected(941, cella{});
  expected[17].tipo = cell_type::slowdown_warning;
  expected[17].dato1 = 30;
  for (size_t i : {41, 51}) {
    expected[i].tipo = i == 41 ? cell_type::slowdown_start : cell_type::slowdown_end;
    expected[i].dato1 = 30;
    expected[i].dato3 = 7;
  }
  for (int16_t n = 1; n <= 4; ++n) {
    expected[static_cast<size_t>(17 - n)].tipo = cell_type::slowdown_pre_warning;
    expected[static_cast<size_t>(17 - n)].dato1 = n;
  }
  EXPECT_EQ(form.percorso, expected);
}

TEST_F(PlacementTest, SlowdownSecondValueGoesToBoardStartEndAndPreWarningCells) {
  form.memo_rallentamento(2000, 30, 500, 7, 1, 45);
  EXPECT_EQ(at(17).dato2, 45);
  EXPECT_EQ(at(41).dato2, 45);
  EXPECT_EQ(at(51).dato2, 45);
  for (size_t n = 1; n <= 4; ++n) EXPECT_EQ(at(17 - n).dato2, static_cast<int16_t>(n));
}

TEST_F(PlacementTest, NoBoardForSlowdownsWithinTheFirst1500Metres) {
  form.memo_rallentamento(1500, 30, 500, 0, 1, 0);
  EXPECT_EQ(form.codice_errore, 0);
  for (size_t i = 0; i < 31; ++i) EXPECT_EQ(at(i), cella{}) << i;
  EXPECT_EQ(at(31).tipo, cell_type::slowdown_start);

  form.percorso.assign(941, cella{});
  form.memo_rallentamento(1550, 30, 500, 0, 1, 0);
  EXPECT_EQ(at(8).tipo, cell_type::slowdown_warning);
  EXPECT_EQ(at(7).tipo, cell_type::slowdown_pre_warning);
  EXPECT_EQ(at(4).dato1, 4);
}

TEST_F(PlacementTest, SlowdownOfLengthZeroKeepsItsStart) {
  form.memo_rallentamento(3000, 40, 0, 2, 0, 0);
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(at(61).tipo, cell_type::slowdown_start);
  EXPECT_EQ(at(61).dato1, 40);
  EXPECT_EQ(at(61).dato3, 2);
}

TEST_F(PlacementTest, SlowdownValuesKeepTheirLow16Bits) {
  form.memo_rallentamento(2000, 70000, 500, -70000, 0, 65537);
  EXPECT_EQ(at(41).dato1, 4464);
  EXPECT_EQ(at(41).dato3, -4464);
  EXPECT_EQ(at(41).dato2, 1);
  EXPECT_EQ(at(17).dato1, 4464);
}

TEST_F(PlacementTest, SlowdownOccupiedCellsGiveTheirCodes) {
  struct Case {
    size_t occupied_cell;
    int32_t code;
    bool written;  ///< start, end and board written before the code
  };
  const Case cases[] = {
      {17, 17, false}, {41, 18, false}, {51, 19, false},
      {16, 20, true},  {13, 20, true},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.occupied_cell);
    form.percorso.assign(941, cella{});
    form.codice_errore = 0;
    at(test_case.occupied_cell).tipo = cell_type::station_stop;
    CellGrid expected = form.percorso;
    if (test_case.written) {
      expected[17].tipo = cell_type::slowdown_warning;
      expected[17].dato1 = 30;
      expected[41].tipo = cell_type::slowdown_start;
      expected[41].dato1 = 30;
      expected[51].tipo = cell_type::slowdown_end;
      expected[51].dato1 = 30;
    }
    form.memo_rallentamento(2000, 30, 500, 0, 1, 0);
    EXPECT_EQ(form.codice_errore, test_case.code);
    EXPECT_EQ(form.percorso, expected);
  }
}

TEST_F(PlacementTest, SlowdownOnTunnelMarkersSucceeds) {
  for (size_t i : {13, 16, 17, 41, 51}) at(i).tipo = cell_type::tunnel_marker;
  form.memo_rallentamento(2000, 30, 500, 0, 1, 0);
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(at(13).tipo, cell_type::slowdown_pre_warning);
  EXPECT_EQ(at(51).tipo, cell_type::slowdown_end);
}

// Slowdowns whose start or end cell lies outside the grid are refused with
// the code of that cell, and nothing is written.
TEST_F(PlacementTest, SlowdownsReachingOutsideTheGridAreRefused) {
  struct Case {
    int32_t x, l, code;
  };
  const Case cases[] = {
      {-100, 500, 18},          // start cell -1
      {INT32_MIN, 0, 18},       //
      {46000, 1000, 19},        // end cell 941, one past the highest
      {46000, INT32_MAX, 19},   // would wrap in 32 bits
      {2000, -3000, 19},        // end before the origin
  };
  const CellGrid empty = form.percorso;
  for (const Case& test_case : cases) {
    SCOPED_TRACE(testing::Message() << test_case.x << " + " << test_case.l);
    form.codice_errore = 0;
    form.memo_rallentamento(test_case.x, 30, test_case.l, 0, 1, 0);
    EXPECT_EQ(form.codice_errore, test_case.code);
    EXPECT_EQ(form.percorso, empty);
  }
  form.memo_rallentamento(46000, 30, 950, 0, 0, 0);  // end cell 940, the highest
  EXPECT_EQ(at(940).tipo, cell_type::slowdown_end);
}

}  // namespace
