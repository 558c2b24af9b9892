#pragma once
// The built-in railway line: the tables that the line description writer
// lays out, one row per row of the line's data, in writing order.

#include <cstdint>

/// One curve: keyword (side letter s/d and class digit), start and length in metres.
struct CurveRow {
  const char* parola;
  int32_t posizione;
  int32_t lunghezza;
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
enum class FormaPendenza : uint8_t { A, B };

/// One gradient run: start in metres, gradient in per mille (rising positive).
struct GradientRow {
  int32_t posizione;
  int16_t pendenza;
  FormaPendenza forma;
};

inline constexpr GradientRow kGradients[] = {
    {0, 0, FormaPendenza::A},
    {250, 18, FormaPendenza::A},
    {600, 21, FormaPendenza::A},
    {900, 7, FormaPendenza::A},
    {1600, 11, FormaPendenza::B},
    {2800, 20, FormaPendenza::B},
    {3450, 25, FormaPendenza::B},
    {7050, 14, FormaPendenza::B},
    {7800, 17, FormaPendenza::B},
    {8900, 9, FormaPendenza::B},
    {9450, 16, FormaPendenza::B},
    {9950, 21, FormaPendenza::B},
    {12050, 19, FormaPendenza::B},
    {13050, 20, FormaPendenza::B},
    {13650, 17, FormaPendenza::B},
    {14450, 0, FormaPendenza::B},
    {14950, -24, FormaPendenza::B},
    {17900, -26, FormaPendenza::B},
    {18600, -25, FormaPendenza::B},
    {19650, -24, FormaPendenza::B},
    {20350, -21, FormaPendenza::B},
    {21600, -25, FormaPendenza::B},
    {28200, 0, FormaPendenza::B},
    {28450, -25, FormaPendenza::B},
    {29100, -27, FormaPendenza::B},
    {29700, -25, FormaPendenza::B},
    {32800, -24, FormaPendenza::B},
    {34200, -25, FormaPendenza::B},
    {35000, -24, FormaPendenza::B},
    {36150, -12, FormaPendenza::B},
    {39250, -2, FormaPendenza::B},
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
enum class TipoCartello : uint8_t { galleria, culmine };

/// One name board: position in metres, its text, the tunnel length shown (whole
/// metres, fixed, not the modelled span) and the width of both brackets.
struct NameBoardRow {
  int32_t posizione;
  TipoCartello tipo;
  const char* nome;
  int32_t lunghezza;
  int32_t larghezza;
};

inline constexpr NameBoardRow kNameBoards[] = {
    {550, TipoCartello::galleria, "FAGGETA", 261, 7},
    {3350, TipoCartello::galleria, "ROCCABUIA", 35, 9},
    {4200, TipoCartello::galleria, "CAPANNE", 330, 7},
    {4600, TipoCartello::galleria, "BOSCO", 110, 6},
    {4900, TipoCartello::galleria, "FORRA", 220, 6},
    {5250, TipoCartello::galleria, "CASTAGNO", 140, 8},
    {5500, TipoCartello::galleria, "COSTA LUNGA", 150, 11},
    {5800, TipoCartello::galleria, "VENTOSA", 110, 7},
    {6000, TipoCartello::galleria, "LECCETA", 270, 7},
    {6450, TipoCartello::galleria, "GINESTRA", 320, 8},
    {7050, TipoCartello::galleria, "CIGLIO", 50, 6},
    {9350, TipoCartello::galleria, "SASSO NERO", 156, 10},
    {9750, TipoCartello::galleria, "FRASSINO", 257, 8},
    {11650, TipoCartello::galleria, "TORRIONE", 195, 8},
    {12050, TipoCartello::galleria, "OLMETTO", 80, 7},
    {12350, TipoCartello::galleria, "CAVALLO", 515, 7},
    {13550, TipoCartello::galleria, "COLLE SCURO", 176, 11},
    {14400, TipoCartello::culmine, "CULMINE", 0, 0},
    {15000, TipoCartello::galleria, "VALLEMORA", 2727, 9},
    {18000, TipoCartello::galleria, "SCOGLIERA", 330, 9},
    {18550, TipoCartello::galleria, "TRE FOSSI", 475, 9},
    {19400, TipoCartello::galleria, "ROCCOLINO", 184, 9},
    {19750, TipoCartello::galleria, "NOCCIOLO", 44, 8},
    {20000, TipoCartello::galleria, "SORGENTE", 256, 8},
    {20350, TipoCartello::galleria, "BRUGHIERA", 1073, 9},
    {21500, TipoCartello::galleria, "PIAN ROSSO", 156, 10},
    {21750, TipoCartello::galleria, "CASTELLO", 403, 8},
    {22350, TipoCartello::galleria, "VIGNALTA", 200, 8},
    {22750, TipoCartello::galleria, "CERRO", 291, 6},
    {23500, TipoCartello::galleria, "MIRTETO", 162, 7},
    {23800, TipoCartello::galleria, "CANALETTO", 164, 9},
    {24050, TipoCartello::galleria, "COSTA NERA", 196, 10},
    {24450, TipoCartello::galleria, "RIPASECCA", 269, 9},
    {25150, TipoCartello::galleria, "ALBERETO", 489, 8},
    {25800, TipoCartello::galleria, "BALZA FOSCA", 114, 11},
    {25950, TipoCartello::galleria, "LUPAIA", 216, 6},
    {26150, TipoCartello::galleria, "QUERCETO", 852, 8},
    {27150, TipoCartello::galleria, "PIETRONE", 221, 8},
    {27400, TipoCartello::galleria, "GIUNCAIA", 635, 8},
    {29800, TipoCartello::galleria, "TUFO", 271, 6},
    {32500, TipoCartello::galleria, "ROCCETTA", 143, 8},
    {33150, TipoCartello::galleria, "CANTONE", 211, 7},
    {33450, TipoCartello::galleria, "SPINA", 535, 6},
};
