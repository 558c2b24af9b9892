#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/ansi.h"
#include "render.h"

namespace {

std::string n(int64_t v) { return std::to_string(v); }

/// A coordinate for SVG: one decimal is plenty at screen scale.
std::string f(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

/// An axis label: whole numbers without decimals.
std::string label(double v) {
  if (std::fabs(v) < 1e-9) v = 0;  // no "-0" on an axis
  char buf[32];
  std::snprintf(buf, sizeof buf, std::fabs(v - std::round(v)) < 1e-9 ? "%.0f" : "%.1f", v);
  return buf;
}

/// A "nice" step (1, 2 or 5 times a power of ten) near `near`.
double round_step(double near) {
  if (!(near > 0)) return 1;
  const double p = std::pow(10.0, std::floor(std::log10(near)));
  for (double k : {1.0, 2.0, 5.0, 10.0})
    if (k * p >= near) return k * p;
  return 10 * p;
}

std::string km_label(double metres) {
  char buf[32];
  if (std::fmod(metres, 1000.0) == 0) std::snprintf(buf, sizeof buf, "%.0f km", metres / 1000);
  else std::snprintf(buf, sizeof buf, "%.1f km", metres / 1000);
  return buf;
}

const char* kStyle = R"(
:root{--ink:#1d2630;--muted:#66707a;--line:#d5dae0;--bg:#f5f6f8;--card:#fff;--accent:#1f6fb2;
--track:#2b3a4a;--tunnel:#7a4b1e;--station:#c0392b;--signal:#1e8449;--ok:#1e8449;--bad:#c0392b}
*{box-sizing:border-box}
body{margin:0;font:14px/1.45 "DejaVu Sans",system-ui,sans-serif;color:var(--ink);background:var(--bg)}
header{background:var(--track);color:#fff;padding:18px 28px}
header h1{margin:0;font-size:22px;font-weight:600}
header p{margin:4px 0 0;color:#c9d3dd}
main{max-width:1120px;margin:0 auto;padding:20px 24px 40px}
section{background:var(--card);border:1px solid var(--line);border-radius:8px;padding:16px 20px;margin:0 0 18px}
h2{font-size:17px;margin:0 0 10px}
.badge{display:inline-block;padding:2px 10px;border-radius:12px;font-weight:600;color:#fff}
.ok{background:var(--ok)}.bad{background:var(--bad)}
dl{display:grid;grid-template-columns:max-content 1fr;gap:3px 18px;margin:0}
dt{color:var(--muted)}dt.sub{padding-left:16px;font-size:13px}dd{margin:0}
table{border-collapse:collapse;width:100%;font-size:13px}
th{text-align:left;color:var(--muted);font-weight:600;border-bottom:2px solid var(--line);padding:4px 8px}
td{border-bottom:1px solid var(--line);padding:3px 8px;white-space:nowrap}
td.r,th.r{text-align:right;font-variant-numeric:tabular-nums}
tr:nth-child(even) td{background:#fafbfc}
.note{color:var(--muted);font-size:12px;margin:6px 0 0}
details summary{cursor:pointer;font-weight:600;font-size:15px}
svg{display:block;width:100%;height:auto}
svg text{font-family:"DejaVu Sans",sans-serif}
.legend{display:flex;gap:18px;flex-wrap:wrap;color:var(--muted);font-size:12px;margin-top:6px}
.legend span::before{content:"";display:inline-block;width:14px;height:4px;margin-right:6px;vertical-align:middle;background:var(--c)}
.cols{display:grid;grid-template-columns:1fr 1fr;gap:18px}
@media (max-width:900px){.cols{grid-template-columns:1fr}}
)";

// ---- What both drawings share ----

/// Colours of the items, shared by the drawings and their legends.
constexpr const char* kTrackColour = "#2b3a4a";
constexpr const char* kTunnelColour = "#7a4b1e";
constexpr const char* kStationColour = "#c0392b";
constexpr const char* kSignalColour = "#1e8449";
constexpr const char* kSlowdownColour = "#e67e22";
constexpr const char* kBoardColour = "#2e6da4";
constexpr const char* kMarginColour = "#9aa5b1";

/// The furthest metre the drawings show: the end of the line, or, when items
/// stand beyond it in the grid's margin, the last of them with room after it.
int32_t drawn_reach(const Scenario& s, const Decoded& d) {
  int64_t far = s.length;
  auto see = [&](int64_t p) { far = std::max(far, p); };
  for (const Station& st : d.stations) see(s.voci[static_cast<size_t>(st.voce)].posizione);
  for (const Signal& g : d.signals) see(g.posizione);
  for (const Slowdown& r : d.slowdowns) see(r.fine().value_or(r.inizio()));
  for (const NameBoard& b : d.boards) see(b.posizione());
  for (const SpeedLimitBoards& b : d.speed_boards) see(b.posizione());
  for (const Abbattimento& a : d.abbattimento_points) see(a.posizione());
  if (far > s.length) far += 200;
  const int64_t grid_end = std::max<int64_t>(static_cast<int64_t>(s.percorso.size()) - 1, 1) * 50;
  return static_cast<int32_t>(std::min(far, std::max<int64_t>(grid_end, s.length)));
}

/// The words a tooltip adds for an item beyond the end of the line.
std::string beyond_words(int64_t posizione, int32_t length) {
  const auto by = beyond_end(posizione, length);
  return by ? ", beyond the end of the line by " + metres(*by) + " m" : "";
}

std::string title(const std::string& utf8) { return "<title>" + html_text(utf8) + "</title>"; }

/// Characters, not bytes, of UTF-8 text.
size_t characters(const std::string& utf8) {
  return static_cast<size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

/// About how wide a label is drawn: capitals and digits of DejaVu Sans.
double text_width(const std::string& utf8, double font_size) {
  return static_cast<double>(characters(utf8)) * font_size * 0.66;
}

/// Rows of horizontal labels: each label goes to the first row where it
/// clears the label before it; one that fits no row is left out, and its
/// item keeps its tooltip.
class LabelRows {
 public:
  LabelRows(size_t rows, double low, double high) : ends_(rows, low - 1e9), low_(low), high_(high) {}
  struct Place {
    int row = -1;  ///< -1: no room
    double x = 0;
    bool to_the_left = false;  ///< text-anchor end
  };
  /// A label for an item at `x`: to its right, or to its left near the edge.
  Place place(double x, double width) {
    Place p;
    p.to_the_left = x + 3 + width > high_;
    p.x = p.to_the_left ? x - 3 : x + 3;
    const double a = p.to_the_left ? p.x - width : p.x, b = a + width;
    if (a < low_) return p;
    for (size_t r = 0; r < ends_.size(); ++r)
      if (a >= ends_[r] + 8) {
        ends_[r] = b;
        used_ = std::max(used_, r + 1);
        p.row = static_cast<int>(r);
        return p;
      }
    return p;
  }
  size_t used() const { return used_; }

 private:
  std::vector<double> ends_;
  double low_, high_;
  size_t used_ = 0;
};

std::string label_text(const LabelRows::Place& p, double y, double size, const char* colour,
                       const std::string& utf8) {
  return "<text x=\"" + f(p.x) + "\" y=\"" + f(y) + "\" font-size=\"" + label(size) + "\" fill=\"" + colour +
         "\" stroke=\"#fff\" stroke-width=\"3\" paint-order=\"stroke\"" + (p.to_the_left ? " text-anchor=\"end\"" : "") +
         ">" + html_text(utf8) + "</text>\n";
}

// ---- The map of the plan ----

/// The frame of the map. The plan's own axes mean nothing to a reader (the
/// line just starts heading along +y), so the drawing is turned until its
/// start and end lie on one horizontal: the line then runs left to right
/// and fills the width of the page.
struct MapFrame {
  double cosine = 1, sine = 0;
  double min_x = 0, max_x = 0, min_y = 0, max_y = 0;
  double scale = 1, width = 1000, height = 600, margin = 40;
  double rotate_x(double x, double y) const { return x * cosine + y * sine; }
  double rotate_y(double x, double y) const { return -x * sine + y * cosine; }
  double px(double x, double y) const { return margin + (rotate_x(x, y) - min_x) * scale; }
  double py(double x, double y) const { return height - margin - (rotate_y(x, y) - min_y) * scale; }
};

/// The last metre of the plan that holds a point.
int32_t last_point(const Scenario& s) { return s.tracciato.computed() - 1; }

MapFrame frame(const Scenario& s, int32_t up_to) {
  MapFrame m;
  const auto& p = s.tracciato.points;
  const auto& a = p[0];
  const auto& b = p[static_cast<size_t>(up_to)];
  const double angle = std::atan2(b[1] - a[1], b[0] - a[0]);
  if (std::hypot(b[1] - a[1], b[0] - a[0]) > 1) m.cosine = std::cos(angle), m.sine = std::sin(angle);
  m.min_x = m.max_x = m.rotate_x(a[0], a[1]);
  m.min_y = m.max_y = m.rotate_y(a[0], a[1]);
  for (int32_t i = 0; i <= up_to; ++i) {
    const auto& q = p[static_cast<size_t>(i)];
    const double x = m.rotate_x(q[0], q[1]), y = m.rotate_y(q[0], q[1]);
    m.min_x = std::min(m.min_x, x), m.max_x = std::max(m.max_x, x);
    m.min_y = std::min(m.min_y, y), m.max_y = std::max(m.max_y, y);
  }
  const double dx = std::max(m.max_x - m.min_x, 1.0), dy = std::max(m.max_y - m.min_y, 1.0);
  m.margin = 60;
  m.height = std::clamp(m.width * dy / dx + 2 * m.margin, 300.0, 760.0);
  m.scale = std::min((m.width - 2 * m.margin) / dx, (m.height - 2 * m.margin) / dy);
  // Centre the drawing in the frame.
  m.min_x -= ((m.width - 2 * m.margin) / m.scale - dx) / 2;
  m.min_y -= ((m.height - 2 * m.margin) / m.scale - dy) / 2;
  return m;
}

/// The map's view of the plan: points by metre, clamped to the drawn part.
struct MapPlan {
  const Scenario& s;
  MapFrame m;
  int32_t reach = 0;  ///< last metre drawn
  int32_t step = 1;   ///< metres between the points of a long polyline

  std::pair<double, double> at(int64_t metre) const {
    const auto& q = s.tracciato.points[static_cast<size_t>(std::clamp<int64_t>(metre, 0, reach))];
    return {m.px(q[0], q[1]), m.py(q[0], q[1])};
  }
  std::string polyline(int64_t from, int64_t to, int32_t every) const {
    std::string pts;
    from = std::clamp<int64_t>(from, 0, reach), to = std::clamp<int64_t>(to, from, reach);
    for (int64_t i = from;; i += every) {
      if (i > to) i = to;
      const auto [x, y] = at(i);
      pts += f(x) + "," + f(y) + " ";
      if (i == to) break;
    }
    return pts;
  }
};

/// A dashed ring around an item beyond the end of the line.
std::string beyond_ring(double x, double y) {
  return "<circle class=\"beyond\" cx=\"" + f(x) + "\" cy=\"" + f(y) + "\" r=\"11\" fill=\"none\" stroke=\"" +
         kStationColour + "\" stroke-width=\"1.5\" stroke-dasharray=\"3 2\"/>\n";
}

void map_slowdowns(std::string& o, const MapPlan& p, const Decoded& d, int32_t length) {
  for (const Slowdown& r : d.slowdowns) {
    const int32_t fine = r.fine().value_or(r.inizio() + 50);
    o += "<polyline class=\"slowdown\" points=\"" + p.polyline(r.inizio(), fine, std::max(1, p.step / 4)) +
         "\" fill=\"none\" stroke=\"" + kSlowdownColour + "\" stroke-width=\"6\" opacity=\"0.9\">" +
         title("Slowdown " + std::to_string(r.velocita) + " km/h from " + metres(r.inizio()) + " to " +
               metres(fine) + " m" + beyond_words(r.inizio(), length)) +
         "</polyline>\n";
    if (beyond_end(r.inizio(), length)) {
      const auto [x, y] = p.at(r.inizio());
      o += beyond_ring(x, y);
    }
    if (!r.warning_cell) continue;
    const int32_t board = (*r.warning_cell - 1) * 50;
    const auto [x, y] = p.at(board);
    o += "<path class=\"slowdown-board\" d=\"M" + f(x) + "," + f(y - 6) + " l5,9 h-10 z\" fill=\"" +
         kSlowdownColour + "\" stroke=\"#fff\">" +
         title("Warning board of the slowdown at " + metres(r.inizio()) + " m, at " + metres(board) + " m") +
         "</path>\n";
  }
}

void map_boards(std::string& o, const MapPlan& p, const Decoded& d, int32_t length) {
  for (const NameBoard& b : d.boards) {
    const auto [x, y] = p.at(b.posizione());
    o += "<rect class=\"name-board\" x=\"" + f(x - 3.5) + "\" y=\"" + f(y - 3.5) +
         "\" width=\"7\" height=\"7\" transform=\"rotate(45 " + f(x) + " " + f(y) + ")\" fill=\"" + kBoardColour +
         "\" stroke=\"#fff\">" +
         title("Name board " + (b.valid_record ? cp1252_to_utf8(b.text) : std::string("(no such record)")) +
               " at " + metres(b.posizione()) + " m" + beyond_words(b.posizione(), length)) +
         "</rect>\n";
    if (beyond_end(b.posizione(), length)) o += beyond_ring(x, y);
  }
}

void map_signals(std::string& o, const MapPlan& p, const Decoded& d, int32_t length) {
  for (const Signal& g : d.signals) {
    const auto [x, y] = p.at(g.posizione);
    o += "<rect class=\"signal\" x=\"" + f(x - 3.5) + "\" y=\"" + f(y - 3.5) + "\" width=\"7\" height=\"7\" fill=\"" +
         kSignalColour + "\" stroke=\"#fff\" stroke-width=\"1\">" +
         title("Signal at " + metres(g.posizione) + " m" + beyond_words(g.posizione, length)) + "</rect>\n";
    if (beyond_end(g.posizione, length)) o += beyond_ring(x, y);
  }
}

void map_stations(std::string& o, const MapPlan& p, const Scenario& s, const Decoded& d) {
  for (const Station& st : d.stations) {
    const voce& v = s.voci[static_cast<size_t>(st.voce)];
    const auto [x, y] = p.at(v.posizione);
    const std::string nome = cp1252_to_utf8(v.nome);
    // A station the train passes without stopping is drawn thin.
    const bool stop = st.stop_cell.has_value();
    o += "<circle class=\"station\" cx=\"" + f(x) + "\" cy=\"" + f(y) + "\" r=\"6\" fill=\"#fff\" stroke=\"" +
         kStationColour + "\" stroke-width=\"" + (stop ? "3" : "1.5") + "\">" +
         title(nome + " at " + metres(v.posizione) + " m" + (stop ? "" : ", passed without stopping") +
               beyond_words(v.posizione, s.length)) +
         "</circle>\n";
    if (beyond_end(v.posizione, s.length)) o += beyond_ring(x, y);
    // The name stands above the station, clear of the track, kept inside the frame.
    const double half = text_width(nome, 12) / 2;
    const double cx = 8 + half <= p.m.width - 8 - half ? std::clamp(x, 8 + half, p.m.width - 8 - half)
                                                       : p.m.width / 2;
    o += "<text x=\"" + f(cx) + "\" y=\"" + f(y - 14) +
         "\" text-anchor=\"middle\" font-size=\"12\" fill=\"#1d2630\" stroke=\"#f9fbf7\" stroke-width=\"3\" "
         "paint-order=\"stroke\">" +
         html_text(nome) + "</text>\n";
  }
}

/// A tick across the track where the line ends, when the map goes on after it.
void map_line_end(std::string& o, const MapPlan& p, int32_t line_end) {
  const auto [x0, y0] = p.at(line_end - 1);
  const auto [x1, y1] = p.at(line_end + 1);
  const auto [x, y] = p.at(line_end);
  const double len = std::max(std::hypot(x1 - x0, y1 - y0), 1e-9);
  const double nx = -(y1 - y0) / len * 10, ny = (x1 - x0) / len * 10;
  o += "<line class=\"line-end\" x1=\"" + f(x - nx) + "\" y1=\"" + f(y - ny) + "\" x2=\"" + f(x + nx) + "\" y2=\"" +
       f(y + ny) + "\" stroke=\"" + kTrackColour + "\" stroke-width=\"2\"/>";
  // Below and before the tick: what stands beyond the end lies after it.
  o += "<text x=\"" + f(x - 6) + "\" y=\"" + f(y + 24) +
       "\" font-size=\"11\" fill=\"#66707a\" text-anchor=\"end\">end of the line</text>\n";
}

std::string svg_map(const Scenario& s, const Decoded& d) {
  const int32_t last = last_point(s);
  if (!s.has_plan || last < 1)
    return "<p class=\"note\">No line data file was found: the plan of the track cannot be drawn.</p>";
  const int32_t line_end = std::min(s.length, last);
  // Framed on the line and on whatever stands beyond its end.
  const int32_t reach = std::clamp(drawn_reach(s, d), line_end, last);
  const MapPlan p{s, frame(s, reach), reach, std::max(1, reach / 4000)};
  const MapFrame& m = p.m;
  std::string o = "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"map\" viewBox=\"0 0 " + f(m.width) +
                  " " + f(m.height) + "\" role=\"img\" aria-label=\"Plan of the track\">\n";
  o += "<rect width=\"100%\" height=\"100%\" fill=\"#f9fbf7\"/>\n";
  // Beyond the end of the line, then the line itself, then what stands on it.
  if (reach > line_end)
    o += "<polyline class=\"margin\" points=\"" + p.polyline(line_end, reach, p.step) + "\" fill=\"none\" stroke=\"" +
         kMarginColour + "\" stroke-width=\"2\" stroke-dasharray=\"6 5\"/>\n";
  o += "<polyline points=\"" + p.polyline(0, line_end, p.step) + "\" fill=\"none\" stroke=\"" + kTrackColour +
       "\" stroke-width=\"3\" stroke-linejoin=\"round\"/>\n";
  if (reach > line_end) map_line_end(o, p, line_end);
  for (const Tunnel& g : d.tunnels) {
    if (g.inizio() >= reach) continue;
    o += "<polyline class=\"tunnel\" points=\"" + p.polyline(g.inizio(), g.fine(), std::max(1, p.step / 4)) +
         "\" fill=\"none\" stroke=\"" + kTunnelColour + "\" stroke-width=\"7\" stroke-linecap=\"butt\" opacity=\"0.85\"/>\n";
  }
  map_slowdowns(o, p, d, s.length);
  map_boards(o, p, d, s.length);
  map_signals(o, p, d, s.length);
  map_stations(o, p, s, d);
  // Scale bar, bottom left.
  const double bar_metres = round_step((m.width / 5) / m.scale);
  const double lb = bar_metres * m.scale, y0 = m.height - 18;
  o += "<g id=\"scale\"><rect x=\"20\" y=\"" + f(y0 - 5) + "\" width=\"" + f(lb / 2) +
       "\" height=\"5\" fill=\"#2b3a4a\"/><rect x=\"" + f(20 + lb / 2) + "\" y=\"" + f(y0 - 5) +
       "\" width=\"" + f(lb / 2) + "\" height=\"5\" fill=\"#fff\" stroke=\"#2b3a4a\"/>";
  o += "<text x=\"20\" y=\"" + f(y0 - 9) + "\" font-size=\"11\">0</text><text x=\"" + f(20 + lb) +
       "\" y=\"" + f(y0 - 9) + "\" font-size=\"11\" text-anchor=\"middle\">" +
       (bar_metres >= 1000 ? km_label(bar_metres) : f(bar_metres) + " m") + "</text></g>\n";
  const auto [sx, sy] = p.at(0);
  o += "<text x=\"" + f(sx) + "\" y=\"" + f(sy + 22) +
       "\" font-size=\"11\" fill=\"#66707a\" text-anchor=\"middle\">origin</text>\n";
  o += "</svg>\n";
  return o;
}

// ---- The profile along the line ----

struct Panel {
  double top = 0, height = 0, minimo = 0, maximum = 1;
  double y(double v) const { return top + height - (v - minimo) / (maximum - minimo) * height; }
  double bottom() const { return top + height; }
};

/// The horizontal scale of the profile: metres 0 to `reach` across the page.
struct Across {
  double left = 64, right = 976;
  int32_t reach = 50;
  double x(int64_t metre) const {
    return left + static_cast<double>(std::clamp<int64_t>(metre, 0, reach)) * (right - left) / reach;
  }
};

/// A step line of a run field over 0..reach.
std::string steps(const std::vector<Stretch>& stretches, const Panel& p, const Across& a) {
  std::string pts;
  for (const Stretch& t : stretches) {
    if (t.inizio() >= a.reach) break;
    pts += f(a.x(t.inizio())) + "," + f(p.y(t.value)) + " " + f(a.x(t.fine())) + "," + f(p.y(t.value)) + " ";
  }
  return pts;
}

std::pair<double, double> extremes(const std::vector<Stretch>& stretches, int32_t reach) {
  double lo = 0, hi = 1;
  for (const Stretch& t : stretches) {
    if (t.inizio() >= reach) break;
    lo = std::min(lo, static_cast<double>(t.value));
    hi = std::max(hi, static_cast<double>(t.value));
  }
  return {lo, hi};
}

void y_axis(std::string& o, const Panel& p, double left, double right, const std::string& unit) {
  const double step = round_step((p.maximum - p.minimo) / 4);
  for (double v = std::ceil(p.minimo / step) * step; v <= p.maximum + 1e-9; v += step) {
    o += "<line x1=\"" + f(left) + "\" x2=\"" + f(right) + "\" y1=\"" + f(p.y(v)) + "\" y2=\"" +
         f(p.y(v)) + "\" stroke=\"#e3e7ec\"/>";
    o += "<text x=\"" + f(left - 6) + "\" y=\"" + f(p.y(v) + 4) +
         "\" font-size=\"11\" fill=\"#66707a\" text-anchor=\"end\">" + label(v) +
         "</text>\n";
  }
  o += "<text x=\"" + f(left - 44) + "\" y=\"" + f(p.top + p.height / 2) +
       "\" font-size=\"11\" fill=\"#66707a\" text-anchor=\"middle\" transform=\"rotate(-90 " +
       f(left - 44) + " " + f(p.top + p.height / 2) + ")\">" + unit + "</text>\n";
}

/// The station names above the profile, in as many rows as they need (up to
/// three); each name at its station's line, to its right or, near the right
/// edge, to its left.
struct StationLabels {
  std::vector<std::pair<LabelRows::Place, std::string>> placed;
  size_t rows = 1;
};

StationLabels station_labels(const Scenario& s, const Decoded& d, const Across& a, double width) {
  StationLabels out;
  LabelRows rows(3, 4, width - 4);
  for (const Station& st : d.stations) {
    const voce& v = s.voci[static_cast<size_t>(st.voce)];
    if (v.posizione < 0 || v.posizione > a.reach) continue;
    const std::string nome = cp1252_to_utf8(v.nome);
    out.placed.emplace_back(rows.place(a.x(v.posizione), text_width(nome, 11)), nome);
  }
  out.rows = std::max<size_t>(rows.used(), 1);
  return out;
}

/// The lineside strip under the elevation: signals, slowdowns (with their
/// warning boards) and name boards, one row each, and the boards' texts in
/// up to two rows under them.
void lineside_strip(std::string& o, const Scenario& s, const Decoded& d, const Across& a, double top) {
  const double signals_y = top + 8, slowdowns_y = top + 22, boards_y = top + 36;
  for (auto [y, words] : {std::pair{signals_y, "signals"}, {slowdowns_y, "slowdowns"}, {boards_y, "boards"}})
    o += "<text x=\"" + f(a.left - 6) + "\" y=\"" + f(y + 4) +
         "\" font-size=\"10\" fill=\"#66707a\" text-anchor=\"end\">" + words + "</text>\n";
  for (const Signal& g : d.signals) {
    if (g.posizione < 0 || g.posizione > a.reach) continue;
    o += "<rect class=\"signal\" x=\"" + f(a.x(g.posizione) - 3) + "\" y=\"" + f(signals_y - 3) +
         "\" width=\"6\" height=\"6\" fill=\"" + kSignalColour + "\">" +
         title("Signal at " + metres(g.posizione) + " m" + beyond_words(g.posizione, s.length)) + "</rect>\n";
  }
  for (const Slowdown& r : d.slowdowns) {
    if (r.inizio() < 0 || r.inizio() > a.reach) continue;
    const double x0 = a.x(r.inizio()), x1 = std::max(a.x(r.fine().value_or(r.inizio() + 50)), x0 + 2);
    o += "<rect class=\"slowdown\" x=\"" + f(x0) + "\" y=\"" + f(slowdowns_y - 3) + "\" width=\"" + f(x1 - x0) +
         "\" height=\"6\" fill=\"" + kSlowdownColour + "\">" +
         title("Slowdown " + std::to_string(r.velocita) + " km/h from " + metres(r.inizio()) + " m" +
               beyond_words(r.inizio(), s.length)) +
         "</rect>";
    o += "<text x=\"" + f(x1 + 3) + "\" y=\"" + f(slowdowns_y + 4) + "\" font-size=\"10\" fill=\"" + kSlowdownColour +
         "\">" + std::to_string(r.velocita) + "</text>\n";
    if (!r.warning_cell) continue;
    const double xb = a.x((*r.warning_cell - 1) * 50);
    o += "<path class=\"slowdown-board\" d=\"M" + f(xb) + "," + f(slowdowns_y - 5) + " l4,8 h-8 z\" fill=\"" +
         kSlowdownColour + "\">" + title("Warning board of the slowdown at " + metres(r.inizio()) + " m") +
         "</path>\n";
  }
  LabelRows rows(2, a.left, a.right + 20);
  for (const NameBoard& b : d.boards) {
    if (b.posizione() < 0 || b.posizione() > a.reach) continue;
    const double x = a.x(b.posizione());
    const std::string text = b.valid_record ? cp1252_to_utf8(b.text) : "(no such record)";
    o += "<rect class=\"name-board\" x=\"" + f(x - 3) + "\" y=\"" + f(boards_y - 3) +
         "\" width=\"6\" height=\"6\" transform=\"rotate(45 " + f(x) + " " + f(boards_y) + ")\" fill=\"" +
         kBoardColour + "\">" + title(text + " at " + metres(b.posizione()) + " m" + beyond_words(b.posizione(), s.length)) +
         "</rect>";
    // Texts go under the row of boards, so that no board covers one.
    const auto place = rows.place(x - 5, text_width(text, 10));
    if (place.row >= 0) o += label_text(place, boards_y + 15 + 11.0 * place.row, 10, kBoardColour, text);
    else o += "\n";
  }
}

/// The end of the line across every panel, and the grid's margin after it.
void profile_line_end(std::string& o, const Across& a, int32_t length, double top, double bottom) {
  const double x = a.x(length);
  o += "<rect class=\"margin\" x=\"" + f(x) + "\" y=\"" + f(top) + "\" width=\"" + f(a.right - x) + "\" height=\"" +
       f(bottom - top) + "\" fill=\"" + kMarginColour + "\" opacity=\"0.18\">" +
       title("Beyond the end of the line: the grid's margin") + "</rect>";
  o += "<line x1=\"" + f(x) + "\" x2=\"" + f(x) + "\" y1=\"" + f(top) + "\" y2=\"" + f(bottom) + "\" stroke=\"" +
       kTrackColour + "\" stroke-width=\"1.5\"/>";
  o += "<text x=\"" + f(x - 4) + "\" y=\"" + f(top + 12) +
       "\" font-size=\"10.5\" fill=\"#66707a\" text-anchor=\"end\">end of the line</text>\n";
}

std::string svg_profile(const Scenario& s, const Decoded& d) {
  const double W = 1000;
  const int32_t L = std::max(s.length, 50);
  const Across a{64, W - 24, std::max(drawn_reach(s, d), L)};
  const StationLabels names = station_labels(s, d, a, W);
  const auto cells = static_cast<size_t>(
      std::min<int64_t>(a.reach / 50, static_cast<int64_t>(d.elevation.size()) - 1));
  double qmin = 0, qmax = 1;
  for (size_t i = 0; i <= cells; ++i) qmin = std::min(qmin, d.elevation[i]), qmax = std::max(qmax, d.elevation[i]);
  const double margin_q = (qmax - qmin) * 0.08 + 1;
  Panel elevation{26 + 15.0 * static_cast<double>(names.rows), 200, qmin - margin_q, qmax + margin_q};
  const double strip_top = elevation.bottom() + 12;
  const auto [vmin, vmax] = extremes(d.velocita, a.reach);
  Panel speed_panel{strip_top + 80, 80, vmin, vmax + 10};
  const auto [adhesion_min, adhesion_max] = extremes(d.adhesion_runs, a.reach);
  Panel adhesion_panel{speed_panel.bottom() + 30, 80, adhesion_min, adhesion_max + 5};
  const double H = adhesion_panel.bottom() + 34;
  std::string o = "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"profile\" viewBox=\"0 0 " + f(W) + " " +
                  f(H) + "\" role=\"img\" aria-label=\"Profile along the line\">\n";
  // Tunnels as bands over the elevation panel.
  for (const Tunnel& g : d.tunnels) {
    if (g.inizio() >= a.reach) continue;
    o += "<rect class=\"tunnel\" x=\"" + f(a.x(g.inizio())) + "\" y=\"" + f(elevation.top) + "\" width=\"" +
         f(std::max(1.0, a.x(g.fine()) - a.x(g.inizio()))) + "\" height=\"" + f(elevation.height) + "\" fill=\"" +
         kTunnelColour + "\" opacity=\"0.16\"/>\n";
  }
  y_axis(o, elevation, a.left, a.right, "elevation m");
  y_axis(o, speed_panel, a.left, a.right, "km/h");
  y_axis(o, adhesion_panel, a.left, a.right, "adhesion");
  // Elevation: filled area and line.
  std::string line;
  for (size_t i = 0; i <= cells; ++i)
    line += f(a.x(static_cast<int64_t>(i) * 50)) + "," + f(elevation.y(d.elevation[i])) + " ";
  o += "<polygon points=\"" + f(a.left) + "," + f(elevation.bottom()) + " " + line +
       f(a.x(static_cast<int64_t>(cells) * 50)) + "," + f(elevation.bottom()) + "\" fill=\"#d9e6f2\"/>\n";
  o += "<polyline points=\"" + line + "\" fill=\"none\" stroke=\"#1f6fb2\" stroke-width=\"2\"/>\n";
  o += "<polyline points=\"" + steps(d.velocita, speed_panel, a) + "\" fill=\"none\" stroke=\"#8e44ad\" stroke-width=\"2\"/>\n";
  // A slowdown lowers the speed between its start and its end.
  for (const Slowdown& r : d.slowdowns) {
    if (r.inizio() < 0 || r.inizio() > a.reach) continue;
    const double y = speed_panel.y(std::clamp<double>(r.velocita, speed_panel.minimo, speed_panel.maximum));
    o += "<line class=\"slowdown\" x1=\"" + f(a.x(r.inizio())) + "\" x2=\"" +
         f(std::max(a.x(r.fine().value_or(r.inizio() + 50)), a.x(r.inizio()) + 2)) + "\" y1=\"" + f(y) +
         "\" y2=\"" + f(y) + "\" stroke=\"" + kSlowdownColour + "\" stroke-width=\"3\"/>\n";
  }
  o += "<polyline points=\"" + steps(d.adhesion_runs, adhesion_panel, a) +
       "\" fill=\"none\" stroke=\"#d68910\" stroke-width=\"2\"/>\n";
  lineside_strip(o, s, d, a, strip_top);
  if (a.reach > s.length) profile_line_end(o, a, s.length, elevation.top, adhesion_panel.bottom());
  // Stations: a line across all panels and the name above.
  size_t k = 0;
  for (const Station& st : d.stations) {
    const voce& v = s.voci[static_cast<size_t>(st.voce)];
    if (v.posizione < 0 || v.posizione > a.reach) continue;
    const auto& [place, nome] = names.placed[k++];
    const double x = a.x(v.posizione);
    const double label_y = 18 + 15.0 * place.row;
    o += "<line class=\"station\" x1=\"" + f(x) + "\" x2=\"" + f(x) + "\" y1=\"" +
         f(place.row >= 0 ? label_y + 3 : elevation.top - 4) + "\" y2=\"" + f(adhesion_panel.bottom()) + "\" stroke=\"" +
         kStationColour + "\" stroke-dasharray=\"3 3\">" +
         title(nome + " at " + metres(v.posizione) + " m" + beyond_words(v.posizione, s.length)) + "</line>";
    if (place.row >= 0) o += label_text(place, label_y, 11, kStationColour, nome);
    else o += "\n";
  }
  // Distance axis.
  const double step = round_step(a.reach / 10.0);
  for (double m = 0; m <= a.reach + 1e-9; m += step) {
    const double x = a.x(static_cast<int64_t>(m));
    o += "<line x1=\"" + f(x) + "\" x2=\"" + f(x) + "\" y1=\"" + f(adhesion_panel.bottom()) + "\" y2=\"" +
         f(adhesion_panel.bottom() + 5) + "\" stroke=\"#66707a\"/><text x=\"" + f(x) + "\" y=\"" +
         f(adhesion_panel.bottom() + 18) + "\" font-size=\"11\" fill=\"#66707a\" text-anchor=\"middle\">" +
         km_label(m) + "</text>\n";
  }
  o += "</svg>\n";
  return o;
}

/// "7 000 m of line, 4 stations, 1 signal, 1 tunnel" for the page's header.
std::string header_counts(const Scenario& s, const Decoded& d) {
  auto count = [](size_t k, const char* one, const char* many) {
    return std::to_string(k) + " " + (k == 1 ? one : many);
  };
  return metres(s.length) + " m of line, " + count(d.stations.size(), "station", "stations") + ", " +
         count(d.signals.size(), "signal", "signals") + ", " + count(d.tunnels.size(), "tunnel", "tunnels");
}

/// The legend under a drawing: one coloured bar and its words per entry.
std::string legend(std::initializer_list<std::pair<const char*, const char*>> entries) {
  std::string o = "<div class=\"legend\">";
  for (const auto& [colour, words] : entries)
    o += std::string("<span style=\"--c:") + colour + "\">" + words + "</span>";
  return o + "</div>";
}

/// The legends name the grid's margin only when something stands in it.
std::string map_legend(bool beyond) {
  return legend({{kTrackColour, "line"}, {kTunnelColour, "tunnel"},
                 {kStationColour, "station (a thin ring: passed without stopping)"},
                 {kSignalColour, "signal"}, {kSlowdownColour, "slowdown and its warning board"},
                 {kBoardColour, "name board"}}) +
         (beyond ? legend({{kMarginColour, "beyond the end of the line, in the grid's margin (ringed items)"}}) : "");
}

std::string profile_legend(bool beyond) {
  return legend({{"#1f6fb2", "elevation"}, {"#8e44ad", "speed limit"}, {kSlowdownColour, "slowdown"},
                 {"#d68910", "adhesion"}, {"#c9ac91", "tunnel"}, {kStationColour, "station"},
                 {kSignalColour, "signal"}, {kBoardColour, "name board"}}) +
         (beyond ? legend({{kMarginColour, "beyond the end of the line, in the grid's margin (shaded)"}}) : "");
}

// ---- Tables ----

std::string html_table(const Table& t) {
  std::string o = "<section><details" + std::string(t.lines.size() <= 60 ? " open" : "") +
                  "><summary>" + html_text(t.title) + " (" + n(static_cast<int64_t>(t.lines.size())) +
                  ")</summary>\n";
  if (t.lines.empty()) {
    o += "<p class=\"note\">None.</p></details></section>\n";
    return o;
  }
  o += "<table><thead><tr>";
  for (size_t c = 0; c < t.columns.size(); ++c)
    o += std::string("<th") + (t.right_aligned[c] ? " class=\"r\"" : "") + ">" + html_text(t.columns[c]) + "</th>";
  o += "</tr></thead><tbody>\n";
  for (const auto& r : t.lines) {
    o += "<tr>";
    for (size_t c = 0; c < r.size(); ++c)
      o += std::string("<td") + (t.right_aligned[c] ? " class=\"r\"" : "") + ">" + html_text(r[c]) + "</td>";
    o += "</tr>\n";
  }
  o += "</tbody></table>\n";
  if (!t.note.empty()) o += "<p class=\"note\">" + html_text(t.note) + "</p>\n";
  o += "</details></section>\n";
  return o;
}

std::string general_html(const Scenario& s, const Summary& r) {
  std::string o = "<section><h2>Scenario <span class=\"badge " +
                  std::string(s.checks.valid_ones() ? "ok\">check codes consistent" : "bad\">check codes NOT valid") +
                  "</span></h2>\n<dl>\n";
  for (const auto& [k, v] : r.general_keys) {
    // Keys indented in the summary are details of the key above them.
    const bool detail = k.starts_with("  ");
    o += std::string(detail ? "<dt class=\"sub\">" : "<dt>") + html_text(detail ? k.substr(2) : k) +
         "</dt><dd>" + html_text(v) + "</dd>\n";
  }
  return o + "</dl></section>\n";
}

}  // namespace

std::string html_text(const std::string& utf8) {
  std::string out;
  for (char c : utf8) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string reload_tag(int reload_seconds) {
  if (reload_seconds <= 0) return {};
  return "<meta http-equiv=\"refresh\" content=\"" + std::to_string(reload_seconds) + "\">\n";
}

std::string render_html(const Scenario& s, const Decoded& d, const Summary& r, int reload_seconds) {
  std::string o = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n" +
                  reload_tag(reload_seconds) + "<title>" + html_text(r.title) + "</title>\n<style>" +
                  kStyle + "</style>\n</head>\n<body>\n";
  o += "<header><h1>" + html_text(r.title) + "</h1><p>" + header_counts(s, d) + "</p></header>\n<main>\n";
  o += general_html(s, r);
  o += "<section><h2>Plan of the track</h2>\n" + svg_map(s, d);
  const bool beyond = drawn_reach(s, d) > s.length;
  o += map_legend(beyond) + "</section>\n";
  o += "<section><h2>Profile along the line</h2>\n" + svg_profile(s, d);
  o += profile_legend(beyond) + "\n";
  o += "<p class=\"note\">The scenario does not store the height of its origin: the elevation starts at 0 m "
       "and is integrated from the gradient of each 50 m cell.</p></section>\n";
  for (const Table& t : r.tables) o += html_table(t);
  o += "</main>\n</body>\n</html>\n";
  return o;
}
