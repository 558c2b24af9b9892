#pragma once
// The built-in railway line: the tables that the line description writer
// lays out, one row per row of the line's data, in writing order.

#include <cstdint>

/// One curve: keyword (side letter s/d and class digit), start and length in metres.
struct CurveRow {
  const char* word;
  int32_t posizione;
  int32_t length;
};

inline constexpr CurveRow kCurves[] = {
    {"curvas5", 200, 150},
    {"curvas4", 1150, 200},
    {"curvad5", 1750, 500},
    {"curvas5", 2450, 250},
    {"curvad5", 2950, 500},
    {"curvas5", 3550, 150},
    {"curvad6", 3850, 250},
    {"curvas6", 4200, 200},
    {"curvas5", 4650, 50},
    {"curvad6", 4800, 100},
    {"curvas6", 4950, 100},
    {"curvad5", 5150, 100},
    {"curvas4", 5450, 50},
    {"curvas5", 6050, 200},
    {"curvad6", 7000, 300},
    {"curvas6", 7350, 300},
    {"curvad5", 7900, 50},
    {"curvad6", 8150, 100},
    {"curvas6", 8350, 250},
    {"curvad6", 8750, 400},
    {"curvas6", 9150, 400},
    {"curvad6", 9700, 200},
    {"curvas6", 9900, 200},
    {"curvad6", 10300, 250},
    {"curvas6", 10650, 100},
    {"curvad6", 10900, 150},
    {"curvas6", 11050, 300},
    {"curvad6", 11350, 250},
    {"curvas5", 11650, 400},
    {"curvad6", 12050, 100},
    {"curvad6", 12250, 50},
    {"curvas6", 12400, 50},
    {"curvas5", 12650, 100},
    {"curvad6", 12950, 100},
    {"curvas5", 13150, 50},
    {"curvas6", 13350, 150},
    {"curvad6", 13550, 300},
    {"curvad5", 14050, 150},
    {"curvas6", 14200, 350},
    {"curvas6", 15000, 250},
    {"curvas6", 17700, 100},
    {"curvad6", 17850, 50},
    {"curvad6", 18300, 250},
    {"curvad5", 19050, 150},
    {"curvas6", 19200, 550},
    {"curvad4", 20200, 200},
    {"curvad5", 21400, 250},
    {"curvad4", 21750, 350},
    {"curvas6", 22400, 200},
    {"curvad4", 22700, 400},
    {"curvad5", 23550, 1050},
    {"curvas6", 24700, 300},
    {"curvad6", 25100, 250},
    {"curvas6", 25450, 350},
    {"curvas5", 25800, 150},
    {"curvad5", 26150, 700},
    {"curvas5", 27000, 1200},
    {"curvad5", 28200, 50},
    {"curvas4", 28250, 200},
    {"curvas4", 28900, 250},
    {"curvad6", 29150, 150},
    {"curvas5", 29400, 100},
    {"curvad6", 29600, 50},
    {"curvad6", 29750, 50},
    {"curvad6", 30000, 50},
    {"curvas5", 30250, 50},
    {"curvas5", 30600, 150},
    {"curvad6", 30950, 200},
    {"curvas5", 31250, 200},
    {"curvad6", 31450, 200},
    {"curvas5", 31650, 300},
    {"curvas5", 32050, 50},
    {"curvad6", 32250, 350},
    {"curvas5", 32800, 800},
    {"curvad6", 33600, 700},
    {"curvad5", 34500, 150},
    {"curvad5", 35150, 200},
    {"curvad5", 35500, 100},
    {"curvas5", 35800, 200},
    {"curvas4", 36600, 200},
    {"curvad6", 37750, 50},
    {"curvas5", 38850, 550},
};

/// The two layouts of a gradient row: A has three blanks before the value and
/// none after it, B two blanks before and one after.
enum class GradientForm : uint8_t { A, B };

/// One gradient run: start in metres, gradient in per mille (rising positive).
struct GradientRow {
  int32_t posizione;
  int16_t pendenza;
  GradientForm shape;
};

inline constexpr GradientRow kGradients[] = {
    {0, 0, GradientForm::A},
    {250, 18, GradientForm::A},
    {600, 21, GradientForm::A},
    {900, 7, GradientForm::A},
    {1600, 11, GradientForm::B},
    {2800, 20, GradientForm::B},
    {3450, 25, GradientForm::B},
    {7050, 14, GradientForm::B},
    {7800, 17, GradientForm::B},
    {8900, 9, GradientForm::B},
    {9450, 16, GradientForm::B},
    {9950, 21, GradientForm::B},
    {12050, 19, GradientForm::B},
    {13050, 20, GradientForm::B},
    {13650, 17, GradientForm::B},
    {14450, 0, GradientForm::B},
    {14950, -24, GradientForm::B},
    {17900, -26, GradientForm::B},
    {18600, -25, GradientForm::B},
    {19650, -24, GradientForm::B},
    {20350, -21, GradientForm::B},
    {21600, -25, GradientForm::B},
    {28200, 0, GradientForm::B},
    {28450, -25, GradientForm::B},
    {29100, -27, GradientForm::B},
    {29700, -25, GradientForm::B},
    {32800, -24, GradientForm::B},
    {34200, -25, GradientForm::B},
    {35000, -24, GradientForm::B},
    {36150, -12, GradientForm::B},
    {39250, -2, GradientForm::B},
};

/// One tunnel: start and end in metres, type (11 or 12: kind 1 or 2 with markers).
struct TunnelRow {
  int32_t inizio;
  int32_t fine;
  int16_t tipo;
};

inline constexpr TunnelRow kTunnels[] = {
    {600, 850, 11},
    {3400, 3450, 12},
    {4250, 4600, 11},
    {4650, 4750, 12},
    {4950, 5150, 11},
    {5300, 5450, 12},
    {5550, 5700, 12},
    {5850, 5950, 12},
    {6050, 6350, 11},
    {6500, 6850, 11},
    {7100, 7150, 12},
    {9400, 9550, 12},
    {9800, 10050, 11},
    {11700, 11900, 11},
    {12100, 12200, 12},
    {12400, 12900, 11},
    {13600, 13750, 11},
    {15050, 17800, 11},
    {18050, 18400, 11},
    {18600, 19100, 11},
    {19450, 19650, 12},
    {19800, 19850, 12},
    {20050, 20350, 11},
    {20400, 21450, 11},
    {21550, 21700, 12},
    {21800, 22150, 11},
    {22400, 22600, 12},
    {22800, 23100, 11},
    {23550, 23700, 11},
    {23850, 24050, 11},
    {24100, 24300, 11},
    {24500, 24750, 11},
    {25200, 25700, 11},
    {25850, 25950, 12},
    {26000, 26150, 12},
    {26200, 27150, 11},
    {27200, 27400, 12},
    {27450, 28050, 11},
    {29850, 30150, 12},
    {32550, 32700, 12},
    {33200, 33400, 12},
    {33500, 34050, 11},
};

/// What a name board shows: a tunnel's name and length in two brackets of
/// one width, or the single bracketed word of the summit.
enum class BoardKind : uint8_t { tunnel, summit };

/// One name board: position in metres, its text, the tunnel length shown (whole
/// metres, fixed, not the modelled span) and the width of both brackets.
struct NameBoardRow {
  int32_t posizione;
  BoardKind tipo;
  const char* nome;
  int32_t length;
  int32_t width;
};

inline constexpr NameBoardRow kNameBoards[] = {
    {550, BoardKind::tunnel, "FAGGETA", 261, 7},
    {3350, BoardKind::tunnel, "ROCCABUIA", 35, 9},
    {4200, BoardKind::tunnel, "CAPANNE", 330, 7},
    {4600, BoardKind::tunnel, "BOSCO", 110, 6},
    {4900, BoardKind::tunnel, "FORRA", 220, 6},
    {5250, BoardKind::tunnel, "CASTAGNO", 140, 8},
    {5500, BoardKind::tunnel, "COSTA LUNGA", 150, 11},
    {5800, BoardKind::tunnel, "VENTOSA", 110, 7},
    {6000, BoardKind::tunnel, "LECCETA", 270, 7},
    {6450, BoardKind::tunnel, "GINESTRA", 320, 8},
    {7050, BoardKind::tunnel, "CIGLIO", 50, 6},
    {9350, BoardKind::tunnel, "SASSO NERO", 156, 10},
    {9750, BoardKind::tunnel, "FRASSINO", 257, 8},
    {11650, BoardKind::tunnel, "TORRIONE", 195, 8},
    {12050, BoardKind::tunnel, "OLMETTO", 80, 7},
    {12350, BoardKind::tunnel, "CAVALLO", 515, 7},
    {13550, BoardKind::tunnel, "COLLE SCURO", 176, 11},
    {14400, BoardKind::summit, "CULMINE", 0, 0},
    {15000, BoardKind::tunnel, "VALLEMORA", 2727, 9},
    {18000, BoardKind::tunnel, "SCOGLIERA", 330, 9},
    {18550, BoardKind::tunnel, "TRE FOSSI", 475, 9},
    {19400, BoardKind::tunnel, "ROCCOLINO", 184, 9},
    {19750, BoardKind::tunnel, "NOCCIOLO", 44, 8},
    {20000, BoardKind::tunnel, "SORGENTE", 256, 8},
    {20350, BoardKind::tunnel, "BRUGHIERA", 1073, 9},
    {21500, BoardKind::tunnel, "PIAN ROSSO", 156, 10},
    {21750, BoardKind::tunnel, "CASTELLO", 403, 8},
    {22350, BoardKind::tunnel, "VIGNALTA", 200, 8},
    {22750, BoardKind::tunnel, "CERRO", 291, 6},
    {23500, BoardKind::tunnel, "MIRTETO", 162, 7},
    {23800, BoardKind::tunnel, "CANALETTO", 164, 9},
    {24050, BoardKind::tunnel, "COSTA NERA", 196, 10},
    {24450, BoardKind::tunnel, "RIPASECCA", 269, 9},
    {25150, BoardKind::tunnel, "ALBERETO", 489, 8},
    {25800, BoardKind::tunnel, "BALZA FOSCA", 114, 11},
    {25950, BoardKind::tunnel, "LUPAIA", 216, 6},
    {26150, BoardKind::tunnel, "QUERCETO", 852, 8},
    {27150, BoardKind::tunnel, "PIETRONE", 221, 8},
    {27400, BoardKind::tunnel, "GIUNCAIA", 635, 8},
    {29800, BoardKind::tunnel, "TUFO", 271, 6},
    {32500, BoardKind::tunnel, "ROCCETTA", 143, 8},
    {33150, BoardKind::tunnel, "CANTONE", 211, 7},
    {33450, BoardKind::tunnel, "SPINA", 535, 6},
};
