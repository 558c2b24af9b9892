#include "compile/track_plan.h"

#include <algorithm>
#include <array>
#include <limits>

#include "model/numbers.h"
#include "platform/ansi.h"

namespace {

/// One row per curve class: the class digit and the turn per metre (radians);
/// the radius is 1 / k.
struct CurveClass {
  char digit;
  double k;
};
constexpr std::array<CurveClass, 6> kCurveClasses{{
    {'1', 0.0001},  // 10000 m
    {'2', 0.0002},  // 5000 m
    {'3', 0.0004},  // 2500 m
    {'4', 0.001},   // 1000 m
    {'5', 0.002},   // 500 m
    {'6', 0.003},   // about 333 m
}};

/// Plan steps continue from the two points before the counter, so the plan
/// must have been started; a step past the last computed row is never made.
void require_start(const TrackPlan& tracciato) {
  if (tracciato.computed() < 2)
    throw RunTimeFailure("the track plan is extended before it has been started");
}

enum class Bend : bool { straight, curved };

// Plan steps for metres from the plan counter up to and including `end`.
// dx and dy are taken from before each step; each coordinate is one addition
// to the previous point, term by term, so every build gives the same bits.
// The last two points ride from one step to the next in locals rather than
// being read back from the plan, which would put a memory round trip into
// the chain of additions. A straight step is not a curved one with k = 0:
// adding k * dy = 0 could turn a -0 difference into +0.
//
// The rows of the steps are added at once and then written one by one
// through a plain pointer: every row written lies between the first new row
// and `end`, inside the plan, so the sanitizer's check of that pointer
// arithmetic is left out (it could never fire, and under the fuzzer it was
// a traced comparison for every metre). AddressSanitizer still checks
// every row written.
template <Bend bend>
__attribute__((no_sanitize("pointer-overflow"))) void steps_until(TrackPlan& tracciato, int64_t end,
                                                                  double k) {
  auto& points = tracciato.points;
  auto m = points.size();
  if (static_cast<int64_t>(m) > end) return;
  points.resize(static_cast<size_t>(end) + 1);  // rows m .. end, each written below
  std::array<double, 2>* p = points.data();
  double x0 = p[m - 2][0], y0 = p[m - 2][1];
  double x1 = p[m - 1][0], y1 = p[m - 1][1];
  for (; static_cast<int64_t>(m) <= end; ++m) {
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    double x = 0, y = 0;
    if constexpr (bend == Bend::curved) {
      x = x1 + (dx + k * dy);
      y = y1 + (dy - k * dx);
    } else {
      x = x1 + dx;
      y = y1 + dy;
    }
    p[m][0] = x;
    p[m][1] = y;
    x0 = x1;
    y0 = y1;
    x1 = x;
    y1 = y;
  }
}

}  // namespace

// The plan of a long line is the largest block of the build (16 bytes a
// metre); its storage (PlanAllocator) takes it in huge pages. The plan of
// an earlier line goes first, so that the two are never held together.
// Room for every row is taken at once, but only the rows that get a value
// are ever written, each once, by the steps that compute them.
void create_plan(TrackPlan& tracciato, int32_t length) {
  if (length < 0) throw RunTimeFailure("a track plan needs a line length of at least 0");
  if (length > std::numeric_limits<int32_t>::max() - 7001)
    throw RunTimeFailure("a track plan has at most 2^31 - 1 rows");
  const int32_t rows = length + 7001;
  tracciato.points = {};
  tracciato.points.reserve(static_cast<size_t>(rows));
  tracciato.row_count = rows;
}

void start_plan(TrackPlan& tracciato) {
  if (tracciato.rows() < 2) throw RunTimeFailure("the track plan has no room for its start");
  tracciato.points.assign({{0.0, 0.0}, {0.0, 1.0}});
}

int32_t last_computed_point(const TrackPlan& tracciato) { return tracciato.rows() - 3; }

std::optional<double> curve_curvature(std::string_view key) {
  const std::string lower_letter = lowercase(key);
  const bool left = lower_letter.find('s') != std::string::npos;
  for (const CurveClass& curve_class : kCurveClasses) {
    if (key.find(curve_class.digit) != std::string_view::npos)
      return left ? -curve_class.k : curve_class.k;
  }
  return std::nullopt;
}

// A curve reaching beyond the plan's last computed row is clipped there: the
// part on the plan is built and the final two rows stay empty as always,
// rather than refusing a line whose last curve runs into the run-out.
bool extend_curve(TrackPlan& tracciato, int64_t posizione, int64_t fine, double k) {
  require_start(tracciato);
  const int64_t last = last_computed_point(tracciato);
  steps_until<Bend::straight>(tracciato, std::min(posizione, last), 0.0);
  const int64_t curve_end = std::min(fine, last);
  if (tracciato.computed() > curve_end) return true;
  // The step that takes the counter above the limit is the last one made.
  const int64_t stop =
      std::max<int64_t>(tracciato.computed(), std::min<int64_t>(curve_end, plan_counter_limit));
  steps_until<Bend::curved>(tracciato, stop, k);
  return tracciato.computed() <= plan_counter_limit;
}

void close_plan(TrackPlan& tracciato) {
  require_start(tracciato);
  steps_until<Bend::straight>(tracciato, last_computed_point(tracciato), 0.0);
}
