#pragma once
// Recovery of the description entries from a compiled scenario: every cell,
// record and plan point traced back to the entries that produce it.

#include <optional>
#include <string>
#include <vector>

#include "scenario.h"
#include "sources.h"

struct Recovered {
  LineEntries line;
  TrainEntries train;
  /// What the compiled files cannot give back, for the author (a missing
  /// line data file: no curves).
  std::vector<std::string> warnings;
  /// What no entry can produce as the files hold it; the round trip will
  /// show the difference.
  std::vector<std::string> problems;
};

/// Where items overwrote each other, which entries to try.
struct Choices {
  /// Every tunnel marker from tunnels of its own, laid first (tunnels that
  /// overlapped), rather than from the tunnels of the runs.
  bool tunnel_markers_apart = false;
  /// Stations after signals, slowdowns and points (station markers written
  /// over signal markers).
  bool stations_last = false;
  /// Signals under the station stops whose approach markers remain.
  bool signals_under_stops = false;
};

/// The line entries: general values, curves (from the plan, when the
/// scenario has one), gradients, tunnels, speed-limit and name boards.
void recover_line(const Scenario& s, const Choices& choices, Recovered& out);

/// The train entries: general values, adhesion and speed runs, stations,
/// slowdowns, signals, and the abbattimento points that the grid scan does
/// not make by itself (found by replaying the scan).
void recover_train(const Scenario& s, Recovered& out);

/// Both halves.
Recovered recover(const Scenario& s, const Choices& choices = {});

/// How many stations the records hold: records 1 upward, up to the first
/// that is empty, holds a board text alone, or is named by a board cell.
int32_t station_count(const Scenario& s);

/// The stop cell of station record r, or -1 for a type that has none.
int64_t stop_cell(const voce& station);

/// The station stops, which overwrite whatever stood in their cells.
std::vector<int64_t> stop_cells(const Scenario& s);

/// A signal that stood in stop cell h before the stop wrote over it, as its
/// approach markers 300 and 400 m before the stop tell; nothing when they
/// tell none.
std::optional<SignalEntry> signal_under_stop(const CellGrid& g, int64_t h);

/// Where the cell begins along the line, for messages: "cell 120 (6000 m)".
std::string cell_name(int64_t cell);
