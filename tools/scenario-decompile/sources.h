#pragma once
// The entries of the two description files as the decompiler recovers them
// from a compiled scenario, and their text: Windows-1252 lines ending in
// CR LF, the sections in the order the author's guide gives, one entry a
// line, a comment line above every heading, and the closing line.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

/// One curve: side letter 's' (left) or 'd' (right), class digit '1' to '6'.
struct CurveEntry {
  char side;
  char class_digit;
  int64_t posizione;
  int64_t length;
};

struct GradientEntry {
  int64_t posizione;
  int64_t pendenza;  ///< per mille
};

struct TunnelEntry {
  int64_t inizio;
  int64_t fine;
  int64_t tipo;  ///< the kind, plus 10 for a tunnel with markers
};

/// posizione, vas, vbs, vcs, strisces, vad, vbd, vcd, strisced.
struct SpeedBoardEntry {
  std::array<int64_t, 9> values;
};

struct NameBoardEntry {
  int64_t posizione;
  std::string text;  ///< Windows-1252
};

/// One chainage reference as written: position, chainage, flag.
struct ChainageEntry {
  int64_t posizione = 0;
  int64_t chainage = 0;
  int64_t flag = 0;
};

struct LineEntries {
  int64_t length = 0;
  std::array<ChainageEntry, 3> chainage;  ///< "uno", "due", "tre"
  std::array<int64_t, 3> scenery{};       ///< "sfondo uno", "due", "tre"
  bool nine_codes = false;                ///< the repetition key says 9 codes, not 4
  int64_t repetition_first = 0;
  int64_t repetition_second = 0;
  std::vector<CurveEntry> curves;
  std::vector<GradientEntry> gradients;
  std::vector<TunnelEntry> tunnels;
  std::vector<SpeedBoardEntry> speed_boards;
  std::vector<NameBoardEntry> name_boards;
};

/// Position and value of one speed-limit or adhesion run.
struct RunEntry {
  int64_t posizione;
  int64_t value;
};

/// F1 to F16 and the name.
struct StationEntry {
  std::array<int64_t, 16> fields;
  std::string nome;  ///< Windows-1252
};

/// x, v, l, f_tt, f_ta, d_v.
struct SlowdownEntry {
  std::array<int64_t, 6> values;
};

/// posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo.
struct SignalEntry {
  std::array<int64_t, 11> values;
};

struct PointEntry {
  int64_t posizione;
  int64_t value;
};

struct TrainEntries {
  int64_t cars = 0;
  int64_t braked_mass = 0;
  int64_t sand = 0;
  std::array<int64_t, 3> clock{};  ///< hours, minutes, seconds
  std::vector<RunEntry> adhesion;
  std::vector<RunEntry> speed;
  std::vector<StationEntry> stations;
  std::vector<SlowdownEntry> slowdowns;
  std::vector<SignalEntry> signals;
  /// Signals that the station stops write over: written before the stations.
  std::vector<SignalEntry> signals_under_stops;
  std::vector<PointEntry> points;  ///< abbattimento points written by the author
  /// Stations after the signals, slowdowns and points, for scenarios whose
  /// station markers were written last.
  bool stations_last = false;
};

/// A text the field reader cannot give back as it is (a quote where the
/// text would need quoting).
struct TextError {
  std::string what;
};

/// The line description file. Throws TextError for a board text that
/// cannot be written.
std::string line_text(const LineEntries& entries);
/// The train description file. Throws TextError for a station name that
/// cannot be written.
std::string train_text(const TrainEntries& entries);
