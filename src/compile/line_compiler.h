#pragma once
// Helpers shared by the line half of the compiler (line_compiler.cpp) and the
// procedures it calls for single entries (line_items.cpp).

#include <cstdint>
#include <string_view>

#include "model/records.h"

/// The grid cell of a point item (name board, speed-limit boards) at
/// `posizione` metres: cell nearest(posizione / 50 + 1). A cell outside the
/// grid, or no grid at all, is a run-time failure (code 25): the item has
/// nowhere to stand, and nothing is ever written outside the grid.
cella& point_cell(CellGrid& percorso, int32_t posizione, std::string_view what);
