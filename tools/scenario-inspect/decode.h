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
struct Stazione {
  int32_t voce = 0;
  std::optional<int32_t> cella_fermata;  ///< type-10 cell naming this record
};

/// A signal cell with its packed values taken apart.
struct Segnale {
  int32_t cella = 0;
  int32_t posizione = 0;  ///< (cell - 1) x 50
  int32_t sx = 0, s1 = 0, s2 = 0, s3 = 0, rapp = 0, dx = 0, d1 = 0, d2 = 0, d3 = 0;
  uint8_t tempo = 0;
  std::array<uint8_t, 4> marcatori{};  ///< cells 2, 4, 6, 8 before it (0 outside the grid)
  std::array<uint8_t, 4> marcatori_attesi{};  ///< 10 x (3 sx + dx) + k
};

/// A slowdown: its start cell, the end cell after it, the warning board
/// 24 cells before it and the four pre-warning cells before the board.
struct Rallentamento {
  int32_t cella_inizio = 0;
  std::optional<int32_t> cella_fine;    ///< none when no end cell follows
  std::optional<int32_t> cella_avviso;  ///< type-4 cell 24 cells before the start
  bool preavviso = false;               ///< the four type-5 cells before the board
  int16_t velocita = 0;                 ///< km/h
  int16_t d_v = 0;
  int16_t f_tt = 0;
  int32_t inizio() const { return (cella_inizio - 1) * 50; }
  std::optional<int32_t> fine() const {
    if (!cella_fine) return std::nullopt;
    return (*cella_fine - 1) * 50;
  }
};

struct CartelloIndicatore {
  int32_t cella = 0;
  int32_t voce = 0;       ///< record holding the text (dato1)
  bool voce_valida = false;
  std::string testo;      ///< Windows-1252
  int32_t posizione() const { return (cella - 1) * 50; }
};

/// A group of speed-limit boards; speeds as packed, with the left and right
/// values taken apart (left in km/h, right in units of 5 km/h).
struct IndicatoriVMax {
  int32_t cella = 0;
  std::array<int16_t, 3> valori{};  ///< dato1..dato3
  int16_t strisce = 0;              ///< dato4 = 10 x left + right
  int32_t posizione() const { return (cella - 1) * 50; }
};

/// A run of tunnel cells of one kind.
struct Galleria {
  int32_t prima = 0, ultima = 0;  ///< cells
  uint8_t tipo = 0;               ///< kind 1, 2 or 3
  std::vector<int32_t> marcatori; ///< type-11 cells inside it
  int32_t inizio() const { return prima * 50; }
  int32_t fine() const { return (ultima + 1) * 50; }
};

struct Abbattimento {
  int32_t cella = 0;
  bool ha_valore = false;  ///< type 12; type 13 has none
  int16_t valore = 0;
  int32_t posizione() const { return cella * 50; }
};

/// Consecutive cells with one value of a field.
struct Tratto {
  int32_t prima = 0, ultima = 0;
  int32_t valore = 0;
  int32_t inizio() const { return prima * 50; }
  int32_t fine() const { return (ultima + 1) * 50; }
};

struct Decodificato {
  std::vector<Stazione> stazioni;
  std::vector<Segnale> segnali;
  std::vector<Rallentamento> rallentamenti;
  std::vector<CartelloIndicatore> cartelli;
  std::vector<IndicatoriVMax> indicatori;
  std::vector<Galleria> gallerie;
  std::vector<Abbattimento> abbattimenti;
  std::vector<Tratto> pendenze;   ///< per mille (pendenza - 100)
  std::vector<Tratto> velocita;   ///< km/h (velocita x 5)
  std::vector<Tratto> aderenze;   ///< adhesion value
  std::vector<double> quota;      ///< elevation at the start of each cell, from 0 at cell 0
};

/// One pass over the grid and the records.
Decodificato decodifica(const Scenario& s);

/// "h:mm:ss" for seconds after midnight (negative values with a sign).
std::string ora(int32_t secondi);
