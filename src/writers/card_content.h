#pragma once
// The built-in timetable card: one row per station of the journey. Every
// value is the card's own text; none is derived from the train description.

#include <cstdint>

/// One station row of the card. Speeds are km/h, 0 for an empty column; the
/// kilometre is the card's text (three decimals); a time is "H.MM", with a
/// final "+" for half a minute more, or empty when that place is unused.
struct CardRow {
  int16_t speed_limit;
  int16_t marker_speed;
  const char* chainage;
  const char* place;
  const char* left_time;
  const char* centre_time;
  const char* right_time;
};

inline constexpr CardRow kCardRows[] = {
    {80, 75, "73.370", "VALDARCO TERME", "6.48", "", ""},
    {0, 0, "69.890", "FONTECAVA", "6.51+", "", "6.52"},
    {0, 0, "65.710", "SAN GUIDO AL BOSCO", "6.57", "", "6.58"},
    {0, 0, "63.670", "POGGIOMORO", "7.01+", "", "7.02"},
    {0, 0, "58.600", "TORRIGNA", "7.08", "", "7.09"},
    {0, 0, "55.440", "CASE-VALLOMBRA", "7.12+", "", "7.13"},
    {0, 0, "53.440", "PIEVE SAN NICOLO'", "7.15+", "", "7.16"},
    {0, 0, "51.080", "CASTELRUVO", "7.19", "", "7.20"},
    {0, 0, "45.100", "Selvarco", "", "7.26", ""},
    {0, 0, "38.800", "Lornese Terme", "", "7.31", ""},
    {0, 0, "35.330", "LORNESE OVEST", "7.34+", "", "7.35"},
    {0, 0, "33.570", "LORNESE", "", "", "7.38"},
};
