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
  void metti(int32_t i, uint8_t tipo, int16_t dato1 = 0) {
    at(i).tipo = tipo;
    at(i).dato1 = dato1;
  }
  void rallentamento(int32_t inizio, int32_t fine, int16_t velocita) {
    metti(inizio, tipo_cella::inizio_rallentamento, velocita);
    metti(fine, tipo_cella::fine_rallentamento, velocita);
  }

  /// Indices of the cells from `da` on that hold a point of value 180.
  std::vector<int32_t> punti(size_t da = 0) {
    std::vector<int32_t> trovati;
    for (size_t i = da; i < form.percorso.size(); ++i)
      if (form.percorso[i].tipo == tipo_cella::abbattimento && form.percorso[i].dato1 == 180)
        trovati.push_back(static_cast<int32_t>(i));
    return trovati;
  }
};

using Celle = std::vector<int32_t>;

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
  metti(300, tipo_cella::avviso_rallentamento, 30);
  for (int32_t d : {297, 290, 280, 279}) metti(d, tipo_cella::segnale);
  form.elabora_percorso();
  EXPECT_EQ(punti(), (Celle{278, 289, 296}));  // 279 is 21 cells back: not looked at
  EXPECT_EQ(form.codice_errore, 0);
}

TEST_F(GridScanTest, SignalsAtCellTwoOrLowerAreNeverLookedAt) {
  struct Caso {
    int32_t segnale;
    Celle attesi;
  };
  const Caso casi[] = {{2, {}}, {3, {2}}};
  for (const Caso& caso : casi) {
    form.percorso.assign(941, cella{});
    metti(10, tipo_cella::avviso_rallentamento, 30);
    metti(caso.segnale, tipo_cella::segnale);
    form.elabora_percorso();
    EXPECT_EQ(punti(), caso.attesi) << caso.segnale;
  }
}

TEST_F(GridScanTest, PointInFrontOfASignalFallsBackAndLowersExistingPoints) {
  struct Caso {
    uint8_t tipo1, tipo2;  ///< cells d - 1 and d - 2
    int16_t dato1, dato2;
    cella atteso1, atteso2;
    int32_t codice;
  };
  const cella punto{tipo_cella::abbattimento, 180};
  const cella stop{tipo_cella::fermata, 0};
  const Caso casi[] = {
      // A free cell right in front is taken even with a point two cells back.
      {0, 12, 0, 250, punto, {12, 250}, 0},
      {10, 0, 0, 0, stop, punto, 0},
      {12, 12, 250, 90, {12, 180}, {12, 90}, 0},
      {12, 12, 90, 250, {12, 90}, {12, 250}, 0},
      {10, 12, 0, 250, stop, {12, 180}, 0},
      {10, 10, 0, 0, stop, stop, 11},
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(testing::Message() << int{caso.tipo1} << "/" << int{caso.tipo2} << " "
                                    << caso.dato1 << "/" << caso.dato2);
    form.percorso.assign(941, cella{});
    form.codice_errore = 0;
    metti(300, tipo_cella::avviso_rallentamento, 30);
    metti(290, tipo_cella::segnale);
    metti(289, caso.tipo1, caso.dato1);
    metti(288, caso.tipo2, caso.dato2);
    form.elabora_percorso();
    EXPECT_EQ(at(289), caso.atteso1);
    EXPECT_EQ(at(288), caso.atteso2);
    EXPECT_EQ(form.codice_errore, caso.codice);
    if (caso.codice != 0) {
      EXPECT_EQ(form.posizione_errore, 290 * 50);
    }
  }
}

// ----- Windows before a slowdown start -----

TEST_F(GridScanTest, WindowsBeforeAStartDependOnItsCell) {
  struct Caso {
    int32_t inizio;
    Celle attesi;
  };
  const Caso casi[] = {
      {7, {}},
      {8, {3}},
      {14, {3, 9}},
      {21, {3, 10, 16}},
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.inizio);
    form.percorso.assign(941, cella{});
    rallentamento(caso.inizio, caso.inizio + 30, 110);
    form.elabora_percorso();
    EXPECT_EQ(punti(), caso.attesi);
  }
}

TEST_F(GridScanTest, AWindowTakesItsFirstFreeCellOrRecords12) {
  rallentamento(100, 130, 120);
  metti(95, tipo_cella::segnale);
  metti(89, tipo_cella::abbattimento, 50);  // a point counts as occupied here
  metti(88, tipo_cella::segnale);
  for (int32_t i : {82, 81, 80}) metti(i, tipo_cella::fermata);
  form.elabora_percorso();
  EXPECT_EQ(punti(), (Celle{87, 94}));
  EXPECT_EQ(at(89).dato1, 50);
  EXPECT_EQ(form.codice_errore, 12);
  EXPECT_EQ(form.posizione_errore, 5000);
}

// ----- Points through a slow slowdown -----

TEST_F(GridScanTest, PointsEveryEightCellsThroughASlowSlowdownOnly) {
  struct Caso {
    int16_t velocita;
    Celle dentro;
  };
  const Caso casi[] = {
      {109, {108, 116, 124}},
      {110, {}},
      {-5, {108, 116, 124}},  // compared as a signed value
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.velocita);
    form.percorso.assign(941, cella{});
    rallentamento(100, 130, caso.velocita);
    form.elabora_percorso();
    Celle attesi{82, 89, 95};
    attesi.insert(attesi.end(), caso.dentro.begin(), caso.dentro.end());
    EXPECT_EQ(punti(), attesi);
    EXPECT_EQ(form.codice_errore, 0);
  }
}

TEST_F(GridScanTest, APointShiftsToANeighbourAndTheCountFollowsIt) {
  struct Caso {
    Celle occupate;
    Celle attesi;
  };
  const Caso casi[] = {
      {{116}, {108, 115, 123}},
      {{116, 115}, {108, 117, 125}},
  };
  for (const Caso& caso : casi) {
    form.percorso.assign(941, cella{});
    rallentamento(100, 130, 60);
    for (int32_t i : caso.occupate) metti(i, tipo_cella::fermata);
    form.elabora_percorso();
    EXPECT_EQ(punti(100), caso.attesi);
  }
}

TEST_F(GridScanTest, NoCellForAPointRecords13AndEndsThePointsOfThatSlowdown) {
  rallentamento(100, 140, 60);
  for (int32_t i : {107, 108, 109}) metti(i, tipo_cella::fermata);
  form.elabora_percorso();
  EXPECT_EQ(punti(), (Celle{82, 89, 95}));
  EXPECT_EQ(form.codice_errore, 13);
  EXPECT_EQ(form.posizione_errore, 108 * 50);
}

// A start without an end cell after it (the start of a slowdown of length 0
// has overwritten its end): the points run to the highest index, never past
// it, and code 13 records the slowdown that could not be treated to its end.
TEST_F(GridScanTest, ASlowStartWithoutEndStopsAtTheHighestIndexWith13) {
  form.percorso.assign(141, cella{});
  metti(100, tipo_cella::inizio_rallentamento, 60);
  metti(139, tipo_cella::fermata);  // the due cell 140 and its neighbour 139 ...
  metti(140, tipo_cella::fermata);  // ... leave only cell 141, outside the grid
  form.elabora_percorso();
  EXPECT_EQ(punti(), (Celle{82, 89, 95, 108, 116, 124, 132}));
  EXPECT_EQ(form.codice_errore, 13);
  EXPECT_EQ(form.posizione_errore, 140 * 50);
  EXPECT_EQ(form.percorso.size(), 141u);
}

// ----- The signal after a slow slowdown -----

TEST_F(GridScanTest, SignalAfterTheEndWithinTwelveCells) {
  struct Caso {
    int32_t segnale;
    Celle occupate;
    Celle attesi;
    int32_t codice;
  };
  const Caso casi[] = {
      {112, {}, {111}, 0},      // j + 12
      {113, {}, {}, 0},         // j + 13: too far
      {112, {111}, {110}, 0},
      {112, {111, 110}, {}, 13},
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.segnale);
    form.percorso.assign(941, cella{});
    form.codice_errore = 0;
    rallentamento(95, 100, 60);  // too short for a point inside
    metti(caso.segnale, tipo_cella::segnale);
    for (int32_t i : caso.occupate) metti(i, tipo_cella::fermata);
    form.elabora_percorso();
    EXPECT_EQ(punti(96), caso.attesi);
    EXPECT_EQ(form.codice_errore, caso.codice);
    if (caso.codice != 0) {
      EXPECT_EQ(form.posizione_errore, 100 * 50);
    }
  }
}

TEST_F(GridScanTest, AFastSlowdownGetsNoPointBeforeTheSignalAfterIt) {
  rallentamento(100, 130, 110);
  metti(135, tipo_cella::segnale);
  form.elabora_percorso();
  EXPECT_EQ(punti(), (Celle{82, 89, 95}));
}

// ----- Errors -----

TEST_F(GridScanTest, TwoErrorsLeaveTheLaterOne) {
  metti(50, tipo_cella::avviso_rallentamento, 30);
  metti(45, tipo_cella::segnale);
  metti(44, tipo_cella::fermata);
  metti(43, tipo_cella::fermata);
  rallentamento(100, 103, 120);
  for (int32_t i : {95, 94, 93}) metti(i, tipo_cella::fermata);
  form.elabora_percorso();
  EXPECT_EQ(form.codice_errore, 12);
  EXPECT_EQ(form.posizione_errore, 5000);
}

TEST_F(GridScanTest, SmallGridsAreLeftAlone) {
  for (size_t n : {0, 1, 2, 3}) {
    form.percorso.assign(n, cella{});
    if (n > 1) metti(1, tipo_cella::inizio_rallentamento, 10);
    const Percorso prima = form.percorso;
    form.elabora_percorso();
    EXPECT_EQ(form.percorso, prima) << n;
  }
}

}  // namespace
