#pragma once
// What the cells and records of a scenario mean: stations, signals,
// slowdowns, boards, tunnels and abbattimento points found in the grid, and
// the runs of gradient, speed limit and adhesion along it. Positions are
// given back in metres by the rule each item was placed with.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "scenario.h"

/// A station record (1 upward) and its stop cell when it has one.
struct Station {
  int32_t voce = 0;
  std::optional<int32_t> stop_cell;  ///< type-10 cell naming this record
};

/// A signal cell with its packed values taken apart.
struct Signal {
  int32_t cella = 0;
  int32_t posizione = 0;  ///< (cell - 1) x 50
  int32_t sx = 0, s1 = 0, s2 = 0, s3 = 0, rapp = 0, dx = 0, d1 = 0, d2 = 0, d3 = 0;
  uint8_t tempo = 0;
  std::array<uint8_t, 4> markers{};  ///< cells 2, 4, 6, 8 before it (0 outside the grid)
  std::array<uint8_t, 4> expected_markers{};  ///< 10 x (3 sx + dx) + k
};

/// A slowdown: its start cell, the end cell after it, the warning board
/// 24 cells before it and the four pre-warning cells before the board.
struct Slowdown {
  int32_t start_cell = 0;
  std::optional<int32_t> end_cell;      ///< none when no end cell follows
  std::optional<int32_t> warning_cell;  ///< type-4 cell 24 cells before the start
  bool pre_warning = false;             ///< the four type-5 cells before the board
  int16_t velocita = 0;                 ///< km/h
  int16_t d_v = 0;
  int16_t f_tt = 0;
  int32_t inizio() const { return (start_cell - 1) * 50; }
  std::optional<int32_t> fine() const {
    if (!end_cell) return std::nullopt;
    return (*end_cell - 1) * 50;
  }
};

struct NameBoard {
  int32_t cella = 0;
  int32_t voce = 0;       ///< record holding the text (dato1)
  bool valid_record = false;
  std::string text;      ///< Windows-1252
  int32_t posizione() const { return (cella - 1) * 50; }
};

/// A group of speed-limit boards; speeds as packed, with the left and right
/// values taken apart (left in km/h, right in units of 5 km/h).
struct SpeedLimitBoards {
  int32_t cella = 0;
  std::array<int16_t, 3> values{};  ///< dato1..dato3
  int16_t stripes = 0;              ///< dato4 = 10 x left + right
  int32_t posizione() const { return (cella - 1) * 50; }
};

/// A run of tunnel cells of one kind.
struct Tunnel {
  int32_t first = 0, last = 0;  ///< cells
  uint8_t tipo = 0;             ///< kind 1, 2 or 3
  std::vector<int32_t> markers; ///< type-11 cells inside it
  int32_t inizio() const { return first * 50; }
  int32_t fine() const { return (last + 1) * 50; }
};

struct Abbattimento {
  int32_t cella = 0;
  bool holds_value = false;  ///< type 12; type 13 has none
  int16_t value = 0;
  int32_t posizione() const { return cella * 50; }
};

/// Consecutive cells with one value of a field.
struct Stretch {
  int32_t first = 0, last = 0;
  int32_t value = 0;
  int32_t inizio() const { return first * 50; }
  int32_t fine() const { return (last + 1) * 50; }
};

struct Decoded {
  std::vector<Station> stations;
  std::vector<Signal> signals;
  std::vector<Slowdown> slowdowns;
  std::vector<NameBoard> boards;
  std::vector<SpeedLimitBoards> speed_boards;
  std::vector<Tunnel> tunnels;
  std::vector<Abbattimento> abbattimento_points;
  std::vector<Stretch> gradients;       ///< per mille (pendenza - 100)
  std::vector<Stretch> velocita;        ///< km/h (velocita x 5)
  std::vector<Stretch> adhesion_runs;   ///< adhesion value
  std::vector<double> elevation;        ///< elevation at the start of each cell, from 0 at cell 0
};

/// One pass over the grid and the records.
Decoded decode(const Scenario& s);

/// The metres by which an item's position lies beyond the end of the line,
/// in the 7000 m margin that the grid keeps after it; nothing for a position
/// on the line (up to its length).
std::optional<int64_t> beyond_end(int64_t posizione, int32_t length);

/// "h:mm:ss" for seconds after midnight (negative values with a sign).
std::string time_of_day(int32_t seconds);
