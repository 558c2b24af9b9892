#pragma once
// The built-in train service: the tables that the train description writer
// lays out, one row per row of the service's data, in writing order.

#include <array>
#include <cstddef>
#include <cstdint>

/// One adhesion run: start in metres, adhesion in percent.
struct AdhesionRow {
  int32_t posizione;
  int32_t aderenza;
};

inline constexpr AdhesionRow kAdhesion[] = {
    {0, 95},
    {3550, 85},
    {4250, 70},
    {6850, 80},
    {14500, 90},
    {14800, 80},
    {15050, 70},
    {17000, 75},
    {17800, 85},
    {18050, 75},
    {19100, 85},
    {19900, 80},
    {20400, 70},
    {21450, 80},
    {21800, 85},
    {22800, 75},
    {23100, 80},
    {25200, 70},
    {28100, 85},
    {29850, 70},
    {30150, 85},
    {33500, 70},
    {34050, 85},
    {37000, 100},
};

/// The one speed-limit run: from the origin, 80 km/h.
inline constexpr int32_t kSpeedPosition = 0;
inline constexpr int32_t kSpeedLimit = 80;

/// Fields F1 to F16 of a station row: position, type, platform length,
/// opaque values, platform end extension (F6) and the station time (F14 hours,
/// F15 minutes, F16 seconds).
inline constexpr std::size_t kStationFields = 16;

/// One station: its sixteen numbers and its name (capitals, no comma).
struct StationRow {
  std::array<int32_t, kStationFields> fields;
  const char* nome;
};

inline constexpr StationRow kStations[] = {
    {{0, 12, 400, 1, 0, 0, 4, 1, 0, 2, 1, 1, 1, 6, 48, 0}, "VALDARCO TERME"},
    {{3550, 28, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30, 6, 52, 0}, "FONTECAVA"},
    {{7700, 22, 300, 0, 0, 1, 0, 0, 0, 4, 1, 1, 60, 6, 58, 0}, "S. GUIDO AL BOSCO"},
    {{9650, 27, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30, 7, 2, 0}, "POGGIOMORO"},
    {{14750, 12, 300, 0, 0, 0, 1, 1, 0, 4, 1, 1, 60, 7, 9, 0}, "TORRIGNA"},
    {{17900, 28, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30, 7, 13, 0}, "CASE VALLOMBRA"},
    {{19900, 27, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30, 7, 16, 0}, "PIEVE S. NICOLO'"},
    {{22250, 22, 200, 0, 0, 1, 0, 0, 0, 4, 1, 1, 60, 7, 20, 0}, "CASTELRUVO"},
    {{28250, 22, 200, 0, 0, 1, 0, 0, 0, 4, 1, 1, 0, 0, 0, 0}, "SELVARCO"},
    {{34550, 22, 300, 0, 0, 1, 0, 0, 0, 4, 1, 1, 0, 0, 0, 0}, "LORNESE TERME"},
    {{38000, 27, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 30, 7, 35, 0}, "LORNESE OVEST"},
    {{39900, 4, 600, 1, 0, 0, 1, 1, 0, 2, 1, 1, 0, 7, 38, 0}, "LORNESE"},
};

/// Widths of F1 to F16 in a station row.
inline constexpr std::array<std::size_t, kStationFields> kStationWidths = {
    8, 3, 5, 3, 2, 2, 3, 1, 1, 3, 1, 1, 5, 4, 2, 2};

/// One signal, its eleven fields in the order they are written.
struct SignalRow {
  int32_t posizione;
  int32_t sx;
  int32_t s1;
  int32_t s2;
  int32_t s3;
  int32_t rapp;
  int32_t dx;
  int32_t d1;
  int32_t d2;
  int32_t d3;
  int32_t tempo;
};

inline constexpr SignalRow kSignals[] = {
    {5950, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0},
    {7000, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0},
    {13250, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0},
    {14100, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0},
    {20200, 1, 5, 1, 0, 0, 0, 0, 0, 0, 0},
    {21450, 2, 3, 1, 0, 0, 0, 0, 0, 0, 0},
    {25100, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0},
    {26350, 2, 4, 1, 0, 0, 0, 0, 0, 0, 0},
    {32450, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0},
    {33700, 2, 4, 1, 0, 0, 0, 0, 0, 0, 0},
    {36600, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0},
    {37450, 2, 4, 0, 0, 0, 0, 0, 0, 0, 0},
    {37850, 1, 3, 4, 0, 0, 0, 0, 0, 0, 0},
    {39050, 2, 2, 3, 0, 0, 0, 0, 0, 0, 0},
};

/// Widths of the eleven signal fields, in the order of SignalRow.
inline constexpr std::array<std::size_t, 11> kSignalWidths = {8, 4, 2, 2, 3, 2, 5, 3, 1, 1, 2};

/// The signal's fields in writing order.
constexpr std::array<int32_t, 11> signal_fields(const SignalRow& s) {
  return {s.posizione, s.sx, s.s1, s.s2, s.s3, s.rapp, s.dx, s.d1, s.d2, s.d3, s.tempo};
}
