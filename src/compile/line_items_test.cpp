#include <gtest/gtest.h>

#include <vector>

#include "app/form1.h"
#include "model/numbers.h"
#include "testing/test_platform.h"

namespace {

struct Riferimento {
  int32_t posizione, progressiva, flag;
  bool operator==(const Riferimento&) const = default;
};

struct ContaProgressive : CompileListener {
  int cancellazioni = 0;
  void chainage_dropped() override { ++cancellazioni; }
};

/// A form with a grid of cells 0 to `ultima`, as the length entry creates it.
struct LineItemsTest : testing::Test {
  TempFolder cartella;
  TestPlatform piattaforma{cartella.path()};
  Form1 form{piattaforma};

  void griglia(size_t ultima) { form.percorso.assign(ultima + 1, cella{}); }
  cella& c(size_t i) { return form.percorso.at(i); }
  std::vector<size_t> celle_con_montagna(uint8_t tipo) {
    std::vector<size_t> out;
    for (size_t i = 0; i < form.percorso.size(); ++i)
      if (form.percorso[i].montagna == tipo) out.push_back(i);
    return out;
  }
  std::vector<size_t> marcatori() {
    std::vector<size_t> out;
    for (size_t i = 0; i < form.percorso.size(); ++i)
      if (form.percorso[i].tipo == tipo_cella::marcatore_galleria) out.push_back(i);
    return out;
  }
};

std::vector<size_t> intervallo(size_t da, size_t a, size_t passo = 1) {
  std::vector<size_t> out;
  for (size_t i = da; i <= a; i += passo) out.push_back(i);
  return out;
}

// ----- Chainage references -----

TEST_F(LineItemsTest, ChainageReferencesAreOrderedByPositionOrChainage) {
  struct Caso {
    const char* nome;
    Riferimento uno, due, tre;        // as read: uno in 83, due in 82, tre in 81
    Riferimento r81, r82, r83;        // after the ordering
    int cancellazioni;
  };
  const Riferimento zero{0, 0, 0};
  const Caso casi[] = {
      {"ascending positions stay", {100, 1000, 0}, {200, 2000, 0}, {300, 3000, 0},
       {300, 3000, 0}, {200, 2000, 0}, {100, 1000, 0}, 0},
      {"descending positions swap", {300, 3000, 0}, {200, 2000, 0}, {100, 1000, 0},
       {300, 3000, 0}, {200, 2000, 0}, {100, 1000, 0}, 0},
      {"due largest, tre above uno", {100, 1000, 0}, {300, 3000, 0}, {200, 2000, 0},
       {300, 3000, 0}, {200, 2000, 0}, {100, 1000, 0}, 0},
      {"due largest, uno above tre", {200, 2000, 0}, {300, 3000, 0}, {100, 1000, 0},
       {300, 3000, 0}, {200, 2000, 0}, {100, 1000, 0}, 0},
      {"uno largest, tre above due", {300, 3000, 0}, {100, 1000, 0}, {200, 2000, 0},
       {300, 3000, 0}, {200, 2000, 0}, {100, 1000, 0}, 0},
      {"largest shared: all cleared", {200, 2000, 1}, {200, 2000, 0}, {100, 1000, 0},
       zero, zero, zero, 1},
      {"built-in: flagged chainage raised", {0, 73350, 1}, zero, zero,
       {0, 73450, 1}, zero, zero, 0},
      {"positions 0: due has the chainage", zero, {0, 5000, 1}, {0, 7000, 0},
       {0, 5100, 1}, {0, 7000, 0}, zero, 0},
      {"positions 0: only tre keeps its place", zero, zero, {0, 7000, 1},
       {0, 7100, 1}, zero, zero, 0},
      {"positions summing to 0 order by chainage", {-100, 1000, 0}, {100, 2000, 0}, zero,
       {-100, 1000, 0}, {100, 2000, 0}, zero, 0},
      {"nothing at all: cleared silently", zero, zero, zero, zero, zero, zero, 0},
      {"positions 0, no chainage above 0: cleared", {0, -50, 1}, zero, zero,
       zero, zero, zero, 1},
  };
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.nome);
    ContaProgressive ascolto;
    form.ascoltatore = &ascolto;
    auto scrivi = [&](int32_t record, const Riferimento& r) {
      form.voci[static_cast<size_t>(record)].inizio = r.posizione;
      form.voci[static_cast<size_t>(record)].fine = r.progressiva;
      form.voci[static_cast<size_t>(record)].posizione = r.flag;
    };
    auto leggi = [&](int32_t record) {
      const voce& v = form.voci[static_cast<size_t>(record)];
      return Riferimento{v.inizio, v.fine, v.posizione};
    };
    scrivi(83, caso.uno);
    scrivi(82, caso.due);
    scrivi(81, caso.tre);
    form.progressive_ordina();
    EXPECT_EQ(leggi(81), caso.r81);
    EXPECT_EQ(leggi(82), caso.r82);
    EXPECT_EQ(leggi(83), caso.r83);
    EXPECT_EQ(ascolto.cancellazioni, caso.cancellazioni);
  }
}

// ----- Tunnels -----

TEST_F(LineItemsTest, TunnelCellsAndMarkers) {
  griglia(400);
  form.memo_montagna(600, 850, 11);
  EXPECT_EQ(celle_con_montagna(1), intervallo(12, 16));
  EXPECT_EQ(marcatori(), std::vector<size_t>{15});
  EXPECT_EQ(form.numero_montagne, 1);
  EXPECT_EQ(form.montagne_inizio[1], 600);
  EXPECT_EQ(form.montagne_fine[1], 850);

  form.memo_montagna(15050, 17800, 11);  // 14200 m after the previous one: its own kind
  EXPECT_EQ(celle_con_montagna(1).size(), 5u + 55u);
  EXPECT_EQ(c(301).montagna, 1);
  EXPECT_EQ(c(355).montagna, 1);
  EXPECT_EQ(c(356).montagna, 0);
  std::vector<size_t> attesi{15};
  for (size_t i : intervallo(304, 352, 4)) attesi.push_back(i);
  EXPECT_EQ(marcatori(), attesi);
}

TEST_F(LineItemsTest, ShortAndEmptyTunnels) {
  griglia(100);
  form.memo_montagna(600, 640, 2);  // nearest(11.8) = 12: one cell
  EXPECT_EQ(celle_con_montagna(2), std::vector<size_t>{12});
  form.memo_montagna(2000, 2000, 1);  // 40 to 39: none
  EXPECT_TRUE(celle_con_montagna(1).empty());
  EXPECT_EQ(form.numero_montagne, 2);
}

TEST_F(LineItemsTest, TunnelStartingWithinOneHundredFiftyMetresGetsKindThree) {
  struct Caso {
    int32_t inizio;
    uint8_t tipo_atteso;
  };
  // The previous tunnel ends at 1000 m.
  const Caso casi[] = {{1150, 3}, {1151, 2}, {900, 3}, {200, 3}};
  for (const Caso& caso : casi) {
    SCOPED_TRACE(caso.inizio);
    form.numero_montagne = 0;
    griglia(100);
    form.memo_montagna(500, 1000, 1);
    form.memo_montagna(caso.inizio, caso.inizio + 400, 12);
    EXPECT_EQ(c(static_cast<size_t>(caso.inizio / 50) + 2).montagna, caso.tipo_atteso);
  }
}

TEST_F(LineItemsTest, MarkersOnlyWhereTheCellIsEmpty) {
  griglia(100);
  c(15).tipo = tipo_cella::cartello_indicatore;
  form.memo_montagna(600, 1500, 12);  // cells 12 to 29, markers in 15, 19, 23, 27
  EXPECT_EQ(c(15).tipo, tipo_cella::cartello_indicatore);
  EXPECT_EQ(marcatori(), (std::vector<size_t>{19, 23, 27}));
  EXPECT_EQ(c(15).montagna, 2);  // the kind is set whatever stands there
  // A following marked tunnel within 150 m is kind 3 and keeps its markers.
  form.memo_montagna(1550, 1800, 11);  // cells 31 to 35, marker in 34
  EXPECT_EQ(c(31).montagna, 3);
  EXPECT_EQ(c(34).tipo, tipo_cella::marcatore_galleria);
}

// A tunnel reaching outside the grid is clipped to it; the markers keep the
// places counted from the tunnel's own first cell.
TEST_F(LineItemsTest, TunnelOutsideTheGridIsClipped) {
  griglia(20);
  form.memo_montagna(600, 5000, 11);  // cells 12 to 99 wanted
  EXPECT_EQ(celle_con_montagna(1), intervallo(12, 20));
  EXPECT_EQ(marcatori(), (std::vector<size_t>{15, 19}));
  EXPECT_EQ(form.percorso.size(), 21u);

  form.numero_montagne = 0;
  griglia(20);
  form.memo_montagna(-300, 400, 11);  // cells -6 to 7 wanted: markers at -3, 1, 5
  EXPECT_EQ(celle_con_montagna(1), intervallo(0, 7));
  EXPECT_EQ(marcatori(), (std::vector<size_t>{1, 5}));
}

// The tunnel tables hold entries 1 to 80: an 81st entry is a run-time
// failure, and neither the tables nor the grid are touched for it.
TEST_F(LineItemsTest, EightyFirstTunnelIsRefused) {
  griglia(2000);
  for (int32_t i = 0; i < 80; ++i) form.memo_montagna(i * 1000, i * 1000 + 500, 1);
  EXPECT_EQ(form.numero_montagne, 80);
  EXPECT_EQ(form.montagne_inizio[80], 79000);
  const auto tabelle = std::pair(form.montagne_inizio, form.montagne_fine);
  EXPECT_THROW(form.memo_montagna(90000, 90500, 2), RunTimeFailure);
  EXPECT_EQ(form.numero_montagne, 80);
  EXPECT_EQ(std::pair(form.montagne_inizio, form.montagne_fine), tabelle);
  EXPECT_EQ(c(1801).montagna, 0);
}

// ----- Speed-limit boards -----

TEST_F(LineItemsTest, SpeedLimitBoardValues) {
  griglia(100);
  form.memo_indicatori_v_max(300, 75, 80, 80, 0, 0, 0, 0, 0);  // the built-in entry
  cella attesa;
  attesa.tipo = tipo_cella::indicatori_v_max;
  attesa.dato1 = 1500;
  attesa.dato2 = 1600;
  attesa.dato3 = 1600;
  EXPECT_EQ(c(7), attesa);

  // Right-hand speeds on an empty left side: 75 / 5 = 15, nearest(15.4) = 15.
  // Stripes: 10 x left + right, in 16 bits.
  form.memo_indicatori_v_max(1000, 0, 0, 0, 3, 75, 77, 78, 2);
  EXPECT_EQ(c(21).dato1, 15);
  EXPECT_EQ(c(21).dato2, 15);
  EXPECT_EQ(c(21).dato3, 16);
  EXPECT_EQ(c(21).dato4, 32);
  form.memo_indicatori_v_max(2000, 0, 0, 0, 3277, 0, 0, 0, 0);  // 32770 wraps
  EXPECT_EQ(c(41).dato4, -32766);
  EXPECT_EQ(form.codice_errore, 0);
}

TEST_F(LineItemsTest, SpeedLimitBoardsReplaceAMarkerButNotABoard) {
  griglia(100);
  c(7).tipo = tipo_cella::marcatore_galleria;
  form.memo_indicatori_v_max(300, 75, 80, 80, 0, 0, 0, 0, 0);
  EXPECT_EQ(c(7).tipo, tipo_cella::indicatori_v_max);
  EXPECT_EQ(form.codice_errore, 0);

  c(9).tipo = tipo_cella::cartello_indicatore;
  c(9).dato1 = 80;
  const cella prima = c(9);
  form.memo_indicatori_v_max(400, 75, 80, 80, 0, 0, 0, 0, 0);
  EXPECT_EQ(form.codice_errore, 21);
  EXPECT_EQ(c(9), prima);
}

// A value beyond 16 bits is a conversion failure; what was stored before it
// stays. The speeds are computed exactly, so a huge value never wraps into
// range.
TEST_F(LineItemsTest, SpeedLimitBoardValueBeyondSixteenBitsFails) {
  griglia(100);
  EXPECT_THROW(form.memo_indicatori_v_max(300, 80, 2000, 0, 0, 0, 0, 0, 0), RunTimeFailure);
  EXPECT_EQ(c(7).tipo, tipo_cella::indicatori_v_max);
  EXPECT_EQ(c(7).dato1, 1600);
  EXPECT_EQ(c(7).dato2, 0);
  // 20 x 214748365 wraps to 4 in 32 bits; exactly it is far beyond 16 bits.
  EXPECT_THROW(form.memo_indicatori_v_max(600, 214748365, 0, 0, 0, 0, 0, 0, 0), RunTimeFailure);
}

// Cell nearest(p / 50 + 1): -75 m still reaches cell 0 (nearest(-0.5) is 0);
// -100 m would be cell -1, which does not exist.
TEST_F(LineItemsTest, SpeedLimitBoardsBeforeTheGridAreRefused) {
  griglia(100);
  form.memo_indicatori_v_max(-75, 75, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(c(0).tipo, tipo_cella::indicatori_v_max);
  EXPECT_THROW(form.memo_indicatori_v_max(-100, 75, 0, 0, 0, 0, 0, 0, 0), RunTimeFailure);
  EXPECT_THROW(form.memo_indicatori_v_max(5000, 75, 0, 0, 0, 0, 0, 0, 0), RunTimeFailure);
  form.percorso.clear();
  EXPECT_THROW(form.memo_indicatori_v_max(0, 75, 0, 0, 0, 0, 0, 0, 0), RunTimeFailure);
}

}  // namespace
