#include <gtest/gtest.h>

#include <vector>

#include "app/form1.h"
#include "testing/test_platform.h"

namespace {

struct GridScanTest : testing::Test {
  TempFolder folder;
  TestPlatform platform{folder.path()};
  Form1 form{platform};

  GridScanTest() { form.percorso.assign(941, cella{}); }

  cella& at(int32_t i) { return form.percorso[static_cast<size_t>(i)]; }
  void put(int32_t i, uint8_t tipo, int16_t dato1 = 0) {
    at(i).tipo = tipo;
    at(i).dato1 = dato1;
  }
  void rallentamento(int32_t inizio, int32_t fine, int16_t velocita) {
    put(inizio, cell_type::slowdown_start, velocita);
    put(fine, cell_type::slowdown_end, velocita);
  }

  /// Indices of the cells from `da` on that hold a point of value 180.
  std::vector<int32_t> points(size_t from = 0) {
    std::vector<int32_t> found_all;
    for (size_t i = from; i < form.percorso.size(); ++i)
      if (form.percorso[i].tipo == cell_type::abbattimento && form.percorso[i].dato1 == 180)
        found_all.push_back(static_cast<int32_t>(i));
    return found_all;
  }
};

using Cells = std::vector<int32_t>;

TEST(MinimoTest, ReturnsTheSmallerAndXOnEqualValues) {
  TempFolder folder;
  TestPlatform platform{folder.path()};
  Form1 form{platform};
  EXPECT_EQ(form.minimo(180, 200), 180);
  EXPECT_EQ(form.minimo(180, 100), 100);
  EXPECT_EQ(form.minimo(180, 180), 180);
  EXPECT_EQ(form.minimo(180, -5), -5);
}

// ----- Signals before a warning board -----

TEST_F(GridScanTest, EverySignalWithinTwentyCellsBeforeABoardGetsAPoint) {
  put(300, cell_type::slowdown_warning, 30);
  for (int32_t d : {297, 290, 280, 279}) put(d, cell_type::segnale);
  form.scan_grid();
  EXPECT_EQ(points(), (Cells{278, 289, 296}));  // 279 is 21 cells back: not looked at
  EXPECT_EQ(form.codice_errore, 0);
}

TEST_F(GridScanTest, SignalsAtCellTwoOrLowerAreNeverLookedAt) {
  struct Case {
    int32_t segnale;
    Cells expected_items;
  };
  const Case cases[] = {{2, {}}, {3, {2}}};
  for (const Case& test_case : cases) {
    form.percorso.assign(941, cella{});
    put(10, cell_type::slowdown_warning, 30);
    put(test_case.segnale, cell_type::segnale);
    form.scan_grid();
    EXPECT_EQ(points(), test_case.expected_items) << test_case.segnale;
  }
}

TEST_F(GridScanTest, PointInFrontOfASignalFallsBackAndLowersExistingPoints) {
  struct Case {
    uint8_t type1, type2;  ///< cells d - 1 and d - 2
    int16_t dato1, dato2;
    cella expected1, expected2;
    int32_t code;
  };
  const cella point{cell_type::abbattimento, 180};
  const cella stop{cell_type::station_stop, 0};
  const Case cases[] = {
      // A free cell right in front is taken even with a point two cells back.
      {0, 12, 0, 250, point, {12, 250}, 0},
      {10, 0, 0, 0, stop, point, 0},
      {12, 12, 250, 90, {12, 180}, {12, 90}, 0},
      {12, 12, 90, 250, {12, 90}, {12, 250}, 0},
      {10, 12, 0, 250, stop, {12, 180}, 0},
      {10, 10, 0, 0, stop, stop, 11},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(testing::Message() << int{test_case.type1} << "/" << int{test_case.type2} << " "
                                    << test_case.dato1 << "/" << test_case.dato2);
    form.percorso.assign(941, cella{});
    form.codice_errore = 0;
    put(300, cell_type::slowdown_warning, 30);
    put(290, cell_type::segnale);
    put(289, test_case.type1, test_case.dato1);
    put(288, test_case.type2, test_case.dato2);
    form.scan_grid();
    EXPECT_EQ(at(289), test_case.expected1);
    EXPECT_EQ(at(288), test_case.expected2);
    EXPECT_EQ(form.codice_errore, test_case.code);
    if (test_case.code != 0) {
      EXPECT_EQ(form.posizione_errore, 290 * 50);
    }
  }
}

// ----- Windows before a slowdown start -----

TEST_F(GridScanTest, WindowsBeforeAStartDependOnItsCell) {
  struct Case {
    int32_t inizio;
    Cells expected_items;
  };
  const Case cases[] = {
      {7, {}},
      {8, {3}},
      {14, {3, 9}},
      {21, {3, 10, 16}},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.inizio);
    form.percorso.assign(941, cella{});
    rallentamento(test_case.inizio, test_case.inizio + 30, 110);
    form.scan_grid();
    EXPECT_EQ(points(), test_case.expected_items);
  }
}

TEST_F(GridScanTest, AWindowTakesItsFirstFreeCellOrRecords12) {
  rallentamento(100, 130, 120);
  put(95, cell_type::segnale);
  put(89, cell_type::abbattimento, 50);  // a point counts as occupied here
  put(88, cell_type::segnale);
  for (int32_t i : {82, 81, 80}) put(i, cell_type::station_stop);
  form.scan_grid();
  EXPECT_EQ(points(), (Cells{87, 94}));
  EXPECT_EQ(at(89).dato1, 50);
  EXPECT_EQ(form.codice_errore, 12);
  EXPECT_EQ(form.posizione_errore, 5000);
}

// ----- Points through a slow slowdown -----

TEST_F(GridScanTest, PointsEveryEightCellsThroughASlowSlowdownOnly) {
  struct Case {
    int16_t velocita;
    Cells inside;
  };
  const Case cases[] = {
      {109, {108, 116, 124}},
      {110, {}},
      {-5, {108, 116, 124}},  // compared as a signed value
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.velocita);
    form.percorso.assign(941, cella{});
    rallentamento(100, 130, test_case.velocita);
    form.scan_grid();
    Cells expected_items{82, 89, 95};
    expected_items.insert(expected_items.end(), test_case.inside.begin(), test_case.inside.end());
    EXPECT_EQ(points(), expected_items);
    EXPECT_EQ(form.codice_errore, 0);
  }
}

TEST_F(GridScanTest, APointShiftsToANeighbourAndTheCountFollowsIt) {
  struct Case {
    Cells occupied;
    Cells expected_items;
  };
  const Case cases[] = {
      {{116}, {108, 115, 123}},
      {{116, 115}, {108, 117, 125}},
  };
  for (const Case& test_case : cases) {
    form.percorso.assign(941, cella{});
    rallentamento(100, 130, 60);
    for (int32_t i : test_case.occupied) put(i, cell_type::station_stop);
    form.scan_grid();
    EXPECT_EQ(points(100), test_case.expected_items);
  }
}

TEST_F(GridScanTest, NoCellForAPointRecords13AndEndsThePointsOfThatSlowdown) {
  rallentamento(100, 140, 60);
  for (int32_t i : {107, 108, 109}) put(i, cell_type::station_stop);
  form.scan_grid();
  EXPECT_EQ(points(), (Cells{82, 89, 95}));
  EXPECT_EQ(form.codice_errore, 13);
  EXPECT_EQ(form.posizione_errore, 108 * 50);
}

// A start without an end cell after it (the start of a slowdown of length 0
// has overwritten its end): the points run to the highest index, never past
// it, and code 13 records the slowdown that could not be treated to its end.
TEST_F(GridScanTest, ASlowStartWithoutEndStopsAtTheHighestIndexWith13) {
  form.percorso.assign(141, cella{});
  put(100, cell_type::slowdown_start, 60);
  put(139, cell_type::station_stop);  // the due cell 140 and its neighbour 139 ...
  put(140, cell_type::station_stop);  // ... leave only cell 141, outside the grid
  form.scan_grid();
  EXPECT_EQ(points(), (Cells{82, 89, 95, 108, 116, 124, 132}));
  EXPECT_EQ(form.codice_errore, 13);
  EXPECT_EQ(form.posizione_errore, 140 * 50);
  EXPECT_EQ(form.percorso.size(), 141u);
}

// ----- The signal after a slow slowdown -----

TEST_F(GridScanTest, SignalAfterTheEndWithinTwelveCells) {
  struct Case {
    int32_t segnale;
    Cells occupied;
    Cells expected_items;
    int32_t code;
  };
  const Case cases[] = {
      {112, {}, {111}, 0},      // j + 12
      {113, {}, {}, 0},         // j + 13: too far
      {112, {111}, {110}, 0},
      {112, {111, 110}, {}, 13},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.segnale);
    form.percorso.assign(941, cella{});
    form.codice_errore = 0;
    rallentamento(95, 100, 60);  // too short for a point inside
    put(test_case.segnale, cell_type::segnale);
    for (int32_t i : test_case.occupied) put(i, cell_type::station_stop);
    form.scan_grid();
    EXPECT_EQ(points(96), test_case.expected_items);
    EXPECT_EQ(form.codice_errore, test_case.code);
    if (test_case.code != 0) {
      EXPECT_EQ(form.posizione_errore, 100 * 50);
    }
  }
}

TEST_F(GridScanTest, AFastSlowdownGetsNoPointBeforeTheSignalAfterIt) {
  rallentamento(100, 130, 110);
  put(135, cell_type::segnale);
  form.scan_grid();
  EXPECT_EQ(points(), (Cells{82, 89, 95}));
}

// ----- Errors -----

TEST_F(GridScanTest, TwoErrorsLeaveTheLaterOne) {
  put(50, cell_type::slowdown_warning, 30);
  put(45, cell_type::segnale);
  put(44, cell_type::station_stop);
  put(43, cell_type::station_stop);
  rallentamento(100, 103, 120);
  for (int32_t i : {95, 94, 93}) put(i, cell_type::station_stop);
  form.scan_grid();
  EXPECT_EQ(form.codice_errore, 12);
  EXPECT_EQ(form.posizione_errore, 5000);
}

TEST_F(GridScanTest, SmallGridsAreLeftAlone) {
  for (size_t n : {0, 1, 2, 3}) {
    form.percorso.assign(n, cella{});
    if (n > 1) put(1, cell_type::slowdown_start, 10);
    const CellGrid before = form.percorso;
    form.scan_grid();
    EXPECT_EQ(form.percorso, before) << n;
  }
}

}  // namespace
