#pragma once
// The track plan: the position of the track in the horizontal plane for every
// metre of line, built front to back while the curve entries are read. The
// line starts at the origin heading along +y in steps of 1 m; each step
// continues the previous one, bent by the curvature k of the curve it lies in.
//
// The plan counter (the metre of the next point to compute) is
// TrackPlan::computed(): the plan is only ever filled front to back, so the
// two are the same number.

#include <cstdint>
#include <optional>
#include <string_view>

#include "model/numbers.h"
#include "model/records.h"

/// Above this metre a curve may not take the plan counter (code 103).
inline constexpr int32_t plan_counter_limit = 1000000;

/// Creates the plan afresh for a line of `lunghezza` metres (at least 0):
/// rows 0 to lunghezza + 7000, all empty.
void create_plan(TrackPlan& tracciato, int32_t length);

/// Start of the plan: rows 0 and 1 hold (0, 0) and (0, 1), the plan counter
/// stands at 2.
void start_plan(TrackPlan& tracciato);

/// The last row that plan steps ever compute: the final two rows of the plan
/// always stay empty.
int32_t last_computed_point(const TrackPlan& tracciato);

/// The turn per metre of a curve key: the curvature of its class (the first
/// of the digits 1 to 6 that the key holds, tested in that order), negative
/// for a left-hand curve (a key holding "s", case ignored). Nothing when the
/// key holds no class digit.
std::optional<double> curve_curvature(std::string_view key);

/// One curve entry: straight steps while the plan counter is not above
/// `posizione`, then curved steps with `k` while it is not above `fine`.
/// Returns false when a curved step took the plan counter above 1,000,000.
bool extend_curve(TrackPlan& tracciato, int64_t posizione, int64_t fine, double k);

/// End of the plan: straight steps up to the last computed row.
void close_plan(TrackPlan& tracciato);
