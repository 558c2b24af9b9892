#include "compile/track_plan.h"

#include <algorithm>
#include <array>

#include "model/numbers.h"
#include "platform/ansi.h"
#include "platform/system.h"

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
  if (tracciato.computed < 2)
    throw RunTimeFailure("the track plan is extended before it has been started");
}

// dx and dy are taken from before the step; each coordinate is one addition
// to the previous point, term by term, so every build gives the same bits.
void straight_step(TrackPlan& tracciato) {
  auto& p = tracciato.points;
  const size_t m = static_cast<size_t>(tracciato.computed);
  const double dx = p[m - 1][0] - p[m - 2][0];
  const double dy = p[m - 1][1] - p[m - 2][1];
  p[m][0] = p[m - 1][0] + dx;
  p[m][1] = p[m - 1][1] + dy;
  ++tracciato.computed;
}

void curved_step(TrackPlan& tracciato, double k) {
  auto& p = tracciato.points;
  const size_t m = static_cast<size_t>(tracciato.computed);
  const double dx = p[m - 1][0] - p[m - 2][0];
  const double dy = p[m - 1][1] - p[m - 2][1];
  p[m][0] = p[m - 1][0] + (dx + k * dy);
  p[m][1] = p[m - 1][1] + (dy - k * dx);
  ++tracciato.computed;
}

}  // namespace

// The plan of a long line is the largest block of the build (16 bytes a
// metre): it is asked for huge pages before it is first filled.
void create_plan(TrackPlan& tracciato, int32_t length) {
  if (length < 0) throw RunTimeFailure("a track plan needs a line length of at least 0");
  const size_t rows = static_cast<size_t>(length) + 7001;
  tracciato.points.clear();
  tracciato.points.reserve(rows);
  os::advise_huge_pages(tracciato.points.data(), rows * sizeof(tracciato.points[0]));
  tracciato.points.assign(rows, {0.0, 0.0});
  tracciato.computed = 0;
}

void start_plan(TrackPlan& tracciato) {
  if (tracciato.rows() < 2) throw RunTimeFailure("the track plan has no room for its start");
  tracciato.points[0] = {0.0, 0.0};
  tracciato.points[1] = {0.0, 1.0};
  tracciato.computed = 2;
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
  const int64_t straight_end = std::min(posizione, last);
  while (tracciato.computed <= straight_end) straight_step(tracciato);
  const int64_t curve_end = std::min(fine, last);
  while (tracciato.computed <= curve_end) {
    curved_step(tracciato, k);
    if (tracciato.computed > plan_counter_limit) return false;
  }
  return true;
}

void close_plan(TrackPlan& tracciato) {
  require_start(tracciato);
  const int32_t last = last_computed_point(tracciato);
  while (tracciato.computed <= last) straight_step(tracciato);
}
