#include <gtest/gtest.h>

#include <vector>

#include "app/form1.h"
#include "model/numbers.h"
#include "testing/test_platform.h"

namespace {

struct Reference {
  int32_t posizione, chainage, flag;
  bool operator==(const Reference&) const = default;
};

struct ChainageListener : CompileListener {
  int deletions = 0;
  void chainage_dropped() override { ++deletions; }
};

/// A form with a grid of cells 0 to `last`, as the length entry creates it.
struct LineItemsTest : testing::Test {
  TempFolder folder;
  TestPlatform platform{folder.path()};
  Form1 form{platform};

  void grid(size_t last) { form.percorso.assign(last + 1, cella{}); }
  cella& c(size_t i) { return form.percorso.at(i); }
  std::vector<size_t> cells_in_tunnels(uint8_t tipo) {
    std::vector<size_t> out;
    for (size_t i = 0; i < form.percorso.size(); ++i)
      if (form.percorso[i].montagna == tipo) out.push_back(i);
    return out;
  }
  std::vector<size_t> markers() {
    std::vector<size_t> out;
    for (size_t i = 0; i < form.percorso.size(); ++i)
      if (form.percorso[i].tipo == cell_type::tunnel_marker) out.push_back(i);
    return out;
  }
};

std::vector<size_t> interval(size_t from, size_t a, size_t step = 1) {
  std::vector<size_t> out;
  for (size_t i = from; i <= a; i += step) out.push_back(i);
  return out;
}

// ----- Chainage references -----

TEST_F(LineItemsTest, ChainageReferencesAreOrderedByPositionOrChainage) {
  struct Case {
    const char* nome;
    Reference one, two, three;        // as read: uno in 83, due in 82, tre in 81
    Reference r81, r82, r83;          // after the ordering
    int deletions;
  };
  const Reference zero{0, 0, 0};
  const Case cases[] = {
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
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.nome);
    ChainageListener chainages_heard;
    form.listener = &chainages_heard;
    auto write = [&](int32_t record, const Reference& r) {
      form.voci[static_cast<size_t>(record)].inizio = r.posizione;
      form.voci[static_cast<size_t>(record)].fine = r.chainage;
      form.voci[static_cast<size_t>(record)].posizione = r.flag;
    };
    auto read = [&](int32_t record) {
      const voce& v = form.voci[static_cast<size_t>(record)];
      return Reference{v.inizio, v.fine, v.posizione};
    };
    write(83, test_case.one);
    write(82, test_case.two);
    write(81, test_case.three);
    form.progressive_ordina();
    EXPECT_EQ(read(81), test_case.r81);
    EXPECT_EQ(read(82), test_case.r82);
    EXPECT_EQ(read(83), test_case.r83);
    EXPECT_EQ(chainages_heard.deletions, test_case.deletions);
  }
}

// ----- Tunnels -----

TEST_F(LineItemsTest, TunnelCellsAndMarkers) {
  grid(400);
  form.memo_montagna(600, 850, 11);
  EXPECT_EQ(cells_in_tunnels(1), interval(12, 16));
  EXPECT_EQ(markers(), std::vector<size_t>{15});
  EXPECT_EQ(form.numero_montagne, 1);
  EXPECT_EQ(form.montagne_inizio[1], 600);
  EXPECT_EQ(form.montagne_fine[1], 850);

  form.memo_montagna(15050, 17800, 11);  // 14200 m after the previous one: its own kind
  EXPECT_EQ(cells_in_tunnels(1).size(), 5u + 55u);
  EXPECT_EQ(c(301).montagna, 1);
  EXPECT_EQ(c(355).montagna, 1);
  EXPECT_EQ(c(356).montagna, 0);
  std::vector<size_t> expected_items{15};
  for (size_t i : interval(304, 352, 4)) expected_items.push_back(i);
  EXPECT_EQ(markers(), expected_items);
}

TEST_F(LineItemsTest, ShortAndEmptyTunnels) {
  grid(100);
  form.memo_montagna(600, 640, 2);  // nearest(11.8) = 12: one cell
  EXPECT_EQ(cells_in_tunnels(2), std::vector<size_t>{12});
  form.memo_montagna(2000, 2000, 1);  // 40 to 39: none
  EXPECT_TRUE(cells_in_tunnels(1).empty());
  EXPECT_EQ(form.numero_montagne, 2);
}

TEST_F(LineItemsTest, TunnelStartingWithinOneHundredFiftyMetresGetsKindThree) {
  struct Case {
    int32_t inizio;
    uint8_t expected_type;
  };
  // The previous tunnel ends at 1000 m.
  const Case cases[] = {{1150, 3}, {1151, 2}, {900, 3}, {200, 3}};
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.inizio);
    form.numero_montagne = 0;
    grid(100);
    form.memo_montagna(500, 1000, 1);
    form.memo_montagna(test_case.inizio, test_case.inizio + 400, 12);
    EXPECT_EQ(c(static_cast<size_t>(test_case.inizio / 50) + 2).montagna, test_case.expected_type);
  }
}

TEST_F(LineItemsTest, MarkersOnlyWhereTheCellIsEmpty) {
  grid(100);
  c(15).tipo = cell_type::name_board;
  form.memo_montagna(600, 1500, 12);  // cells 12 to 29, markers in 15, 19, 23, 27
  EXPECT_EQ(c(15).tipo, cell_type::name_board);
  EXPECT_EQ(markers(), (std::vector<size_t>{19, 23, 27}));
  EXPECT_EQ(c(15).montagna, 2);  // the kind is set whatever stands there
  // A following marked tunnel within 150 m is kind 3 and keeps its markers.
  form.memo_montagna(1550, 1800, 11);  // cells 31 to 35, marker in 34
  EXPECT_EQ(c(31).montagna, 3);
  EXPECT_EQ(c(34).tipo, cell_type::tunnel_marker);
}

// A tunnel reaching outside the grid is clipped to it; the markers keep the
// places counted from the tunnel's own first cell.
TEST_F(LineItemsTest, TunnelOutsideTheGridIsClipped) {
  grid(20);
  form.memo_montagna(600, 5000, 11);  // cells 12 to 99 wanted
  EXPECT_EQ(cells_in_tunnels(1), interval(12, 20));
  EXPECT_EQ(markers(), (std::vector<size_t>{15, 19}));
  EXPECT_EQ(form.percorso.size(), 21u);

  form.numero_montagne = 0;
  grid(20);
  form.memo_montagna(-300, 400, 11);  // cells -6 to 7 wanted: markers at -3, 1, 5
  EXPECT_EQ(cells_in_tunnels(1), interval(0, 7));
  EXPECT_EQ(markers(), (std::vector<size_t>{1, 5}));
}

// The tunnel tables hold entries 1 to 80: an 81st entry is a run-time
// failure, and neither the tables nor the grid are touched for it.
TEST_F(LineItemsTest, EightyFirstTunnelIsRefused) {
  grid(2000);
  for (int32_t i = 0; i < 80; ++i) form.memo_montagna(i * 1000, i * 1000 + 500, 1);
  EXPECT_EQ(form.numero_montagne, 80);
  EXPECT_EQ(form.montagne_inizio[80], 79000);
  const auto tables = std::pair(form.montagne_inizio, form.montagne_fine);
  EXPECT_THROW(form.memo_montagna(90000, 90500, 2), RunTimeFailure);
  EXPECT_EQ(form.numero_montagne, 80);
  EXPECT_EQ(std::pair(form.montagne_inizio, form.montagne_fine), tables);
  EXPECT_EQ(c(1801).montagna, 0);
}

// ----- Speed-limit boards -----

TEST_F(LineItemsTest, SpeedLimitBoardValues) {
  grid(100);
  form.memo_indicatori_v_max(300, 75, 80, 80, 0, 0, 0, 0, 0);  // the built-in entry
  cella expected_text;
  expected_text.tipo = cell_type::speed_limit_boards;
  expected_text.dato1 = 1500;
  expected_text.dato2 = 1600;
  expected_text.dato3 = 1600;
  EXPECT_EQ(c(7), expected_text);

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
  grid(100);
  c(7).tipo = cell_type::tunnel_marker;
  form.memo_indicatori_v_max(300, 75, 80, 80, 0, 0, 0, 0, 0);
  EXPECT_EQ(c(7).tipo, cell_type::speed_limit_boards);
  EXPECT_EQ(form.codice_errore, 0);

  c(9).tipo = cell_type::name_board;
  c(9).dato1 = 80;
  const cella before = c(9);
  form.memo_indicatori_v_max(400, 75, 80, 80, 0, 0, 0, 0, 0);
  EXPECT_EQ(form.codice_errore, 21);
  EXPECT_EQ(c(9), before);
}

// A value beyond 16 bits is a conversion failure; what was stored before it
// stays. The speeds are computed exactly, so a huge value never wraps into
// range.
TEST_F(LineItemsTest, SpeedLimitBoardValueBeyondSixteenBitsFails) {
  grid(100);
  EXPECT_THROW(form.memo_indicatori_v_max(300, 80, 2000, 0, 0, 0, 0, 0, 0), RunTimeFailure);
  EXPECT_EQ(c(7).tipo, cell_type::speed_limit_boards);
  EXPECT_EQ(c(7).dato1, 1600);
  EXPECT_EQ(c(7).dato2, 0);
  // 20 x 214748365 wraps to 4 in 32 bits; exactly it is far beyond 16 bits.
  EXPECT_THROW(form.memo_indicatori_v_max(600, 214748365, 0, 0, 0, 0, 0, 0, 0), RunTimeFailure);
}

// Cell nearest(p / 50 + 1): -75 m still reaches cell 0 (nearest(-0.5) is 0);
// -100 m would be cell -1, which does not exist.
TEST_F(LineItemsTest, SpeedLimitBoardsBeforeTheGridAreRefused) {
  grid(100);
  form.memo_indicatori_v_max(-75, 75, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(c(0).tipo, cell_type::speed_limit_boards);
  EXPECT_THROW(form.memo_indicatori_v_max(-100, 75, 0, 0, 0, 0, 0, 0, 0), RunTimeFailure);
  EXPECT_THROW(form.memo_indicatori_v_max(5000, 75, 0, 0, 0, 0, 0, 0, 0), RunTimeFailure);
  form.percorso.clear();
  EXPECT_THROW(form.memo_indicatori_v_max(0, 75, 0, 0, 0, 0, 0, 0, 0), RunTimeFailure);
}

}  // namespace
