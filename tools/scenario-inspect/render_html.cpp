#include <algorithm>
#include <cmath>
#include <cstdio>

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
int32_t last_point(const Scenario& s) { return s.tracciato.computed - 1; }

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

std::string polyline(const Scenario& s, const MapFrame& m, int32_t from, int32_t a, int32_t step) {
  std::string pts;
  const auto& p = s.tracciato.points;
  for (int32_t i = from;; i += step) {
    if (i > a) i = a;
    const auto& q = p[static_cast<size_t>(i)];
    pts += f(m.px(q[0], q[1])) + "," + f(m.py(q[0], q[1])) + " ";
    if (i == a) break;
  }
  return pts;
}

std::string svg_map(const Scenario& s, const Decoded& d) {
  const int32_t last = last_point(s);
  if (!s.has_plan || last < 1)
    return "<p class=\"note\">No line data file was found: the plan of the track cannot be drawn.</p>";
  const int32_t line_end = std::min(s.length, last);
  // Framed on the line itself; what lies beyond its end runs off the frame.
  const MapFrame m = frame(s, line_end);
  const int32_t step = std::max(1, last / 4000);
  auto point = [&](int32_t metre) {
    const auto& q = s.tracciato.points[static_cast<size_t>(std::clamp(metre, 0, last))];
    return std::pair{m.px(q[0], q[1]), m.py(q[0], q[1])};
  };
  std::string o = "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"map\" viewBox=\"0 0 " + f(m.width) +
                  " " + f(m.height) + "\" role=\"img\" aria-label=\"Plan of the track\">\n";
  o += "<rect width=\"100%\" height=\"100%\" fill=\"#f9fbf7\"/>\n";
  // Beyond the end of the line, then the line itself, then its tunnels.
  if (last > line_end)
    o += "<polyline points=\"" + polyline(s, m, line_end, last, step) +
         "\" fill=\"none\" stroke=\"#9aa5b1\" stroke-width=\"2\" stroke-dasharray=\"6 5\"/>\n";
  o += "<polyline points=\"" + polyline(s, m, 0, line_end, step) +
       "\" fill=\"none\" stroke=\"#2b3a4a\" stroke-width=\"3\" stroke-linejoin=\"round\"/>\n";
  for (const Tunnel& g : d.tunnels) {
    const int32_t a = std::min(g.inizio(), last), b = std::min(g.fine(), last);
    if (a >= b) continue;
    o += "<polyline class=\"tunnel\" points=\"" + polyline(s, m, a, b, std::max(1, step / 4)) +
         "\" fill=\"none\" stroke=\"#7a4b1e\" stroke-width=\"7\" stroke-linecap=\"butt\" opacity=\"0.85\"/>\n";
  }
  for (const Signal& g : d.signals) {
    const auto [x, y] = point(g.posizione);
    o += "<rect class=\"signal\" x=\"" + f(x - 3.5) + "\" y=\"" + f(y - 3.5) +
         "\" width=\"7\" height=\"7\" fill=\"#1e8449\" stroke=\"#fff\" stroke-width=\"1\"><title>Signal at " +
         metres(g.posizione) + " m</title></rect>\n";
  }
  for (const Station& st : d.stations) {
    const voce& v = s.voci[static_cast<size_t>(st.voce)];
    const auto [x, y] = point(v.posizione);
    const std::string nome = html_text(cp1252_to_utf8(v.nome));
    o += "<circle class=\"station\" cx=\"" + f(x) + "\" cy=\"" + f(y) +
         "\" r=\"6\" fill=\"#fff\" stroke=\"#c0392b\" stroke-width=\"3\"><title>" + nome + "</title></circle>\n";
    // Names near the right edge go to the left of their station.
    const bool left_aligned = x > m.width - 160;
    o += "<text x=\"" + f(left_aligned ? x - 10 : x + 10) + "\" y=\"" + f(y + 4) + "\" text-anchor=\"" +
         (left_aligned ? "end" : "start") +
         "\" font-size=\"12\" fill=\"#1d2630\" stroke=\"#f9fbf7\" stroke-width=\"3\" paint-order=\"stroke\">" +
         nome + "</text>\n";
  }
  // Scale bar, bottom left.
  const double bar_metres = round_step((m.width / 5) / m.scale);
  const double lb = bar_metres * m.scale, y0 = m.height - 18;
  o += "<g id=\"scale\"><rect x=\"20\" y=\"" + f(y0 - 5) + "\" width=\"" + f(lb / 2) +
       "\" height=\"5\" fill=\"#2b3a4a\"/><rect x=\"" + f(20 + lb / 2) + "\" y=\"" + f(y0 - 5) +
       "\" width=\"" + f(lb / 2) + "\" height=\"5\" fill=\"#fff\" stroke=\"#2b3a4a\"/>";
  o += "<text x=\"20\" y=\"" + f(y0 - 9) + "\" font-size=\"11\">0</text><text x=\"" + f(20 + lb) +
       "\" y=\"" + f(y0 - 9) + "\" font-size=\"11\" text-anchor=\"middle\">" +
       (bar_metres >= 1000 ? km_label(bar_metres) : f(bar_metres) + " m") + "</text></g>\n";
  const auto [sx, sy] = point(0);
  o += "<text x=\"" + f(sx) + "\" y=\"" + f(sy + 22) +
       "\" font-size=\"11\" fill=\"#66707a\" text-anchor=\"middle\">origin</text>\n";
  o += "</svg>\n";
  return o;
}

// ---- The profile along the line ----

struct Panel {
  double top = 0, height = 0, minimo = 0, maximum = 1;
  double y(double v) const { return top + height - (v - minimo) / (maximum - minimo) * height; }
};

/// A step line of a run field over 0..L.
std::string steps(const std::vector<Stretch>& stretches, int32_t length, const Panel& p,
                  double left, double scale) {
  std::string pts;
  for (const Stretch& t : stretches) {
    if (t.inizio() >= length) break;
    const double a = left + t.inizio() * scale;
    const double b = left + std::min(t.fine(), length) * scale;
    pts += f(a) + "," + f(p.y(t.value)) + " " + f(b) + "," + f(p.y(t.value)) + " ";
  }
  return pts;
}

std::pair<double, double> extremes(const std::vector<Stretch>& stretches, int32_t length) {
  double lo = 0, hi = 1;
  for (const Stretch& t : stretches) {
    if (t.inizio() >= length) break;
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

std::string svg_profile(const Scenario& s, const Decoded& d) {
  const double W = 1000, left = 64, right = W - 70;  // room for the last names
  const int32_t L = std::max(s.length, 50);
  const double scale = (right - left) / L;
  const auto cells = static_cast<size_t>(std::min<int64_t>(L / 50, static_cast<int64_t>(d.elevation.size()) - 1));
  double qmin = 0, qmax = 1;
  for (size_t i = 0; i <= cells; ++i) qmin = std::min(qmin, d.elevation[i]), qmax = std::max(qmax, d.elevation[i]);
  const double margin_q = (qmax - qmin) * 0.08 + 1;
  Panel elevation{70, 220, qmin - margin_q, qmax + margin_q};
  const auto [vmin, vmax] = extremes(d.velocita, L);
  Panel speed_panel{320, 80, vmin, vmax + 10};
  const auto [adhesion_min, adhesion_max] = extremes(d.adhesion_runs, L);
  Panel adhesion_panel{430, 80, adhesion_min, adhesion_max + 5};
  const double H = 550;
  std::string o = "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"profile\" viewBox=\"0 0 " + f(W) + " " +
                  f(H) + "\" role=\"img\" aria-label=\"Profile along the line\">\n";
  // Tunnels as bands over the elevation panel.
  for (const Tunnel& g : d.tunnels) {
    if (g.inizio() >= L) continue;
    o += "<rect class=\"tunnel\" x=\"" + f(left + g.inizio() * scale) + "\" y=\"" + f(elevation.top) +
         "\" width=\"" + f(std::max(1.0, (std::min(g.fine(), L) - g.inizio()) * scale)) + "\" height=\"" +
         f(elevation.height) + "\" fill=\"#7a4b1e\" opacity=\"0.16\"/>\n";
  }
  y_axis(o, elevation, left, right, "elevation m");
  y_axis(o, speed_panel, left, right, "km/h");
  y_axis(o, adhesion_panel, left, right, "adhesion");
  // Elevation: filled area and line.
  std::string line;
  for (size_t i = 0; i <= cells; ++i)
    line += f(left + static_cast<double>(i) * 50 * scale) + "," + f(elevation.y(d.elevation[i])) + " ";
  o += "<polygon points=\"" + f(left) + "," + f(elevation.top + elevation.height) + " " + line +
       f(left + static_cast<double>(cells) * 50 * scale) + "," + f(elevation.top + elevation.height) +
       "\" fill=\"#d9e6f2\"/>\n";
  o += "<polyline points=\"" + line + "\" fill=\"none\" stroke=\"#1f6fb2\" stroke-width=\"2\"/>\n";
  o += "<polyline points=\"" + steps(d.velocita, L, speed_panel, left, scale) +
       "\" fill=\"none\" stroke=\"#8e44ad\" stroke-width=\"2\"/>\n";
  o += "<polyline points=\"" + steps(d.adhesion_runs, L, adhesion_panel, left, scale) +
       "\" fill=\"none\" stroke=\"#d68910\" stroke-width=\"2\"/>\n";
  // Stations: a line across all panels and the name above.
  for (const Station& st : d.stations) {
    const voce& v = s.voci[static_cast<size_t>(st.voce)];
    if (v.posizione < 0 || v.posizione > L) continue;
    const double x = left + v.posizione * scale;
    o += "<line class=\"station\" x1=\"" + f(x) + "\" x2=\"" + f(x) + "\" y1=\"" + f(elevation.top - 4) +
         "\" y2=\"" + f(adhesion_panel.top + adhesion_panel.height) + "\" stroke=\"#c0392b\" stroke-dasharray=\"3 3\"/>";
    o += "<text x=\"" + f(x + 3) + "\" y=\"" + f(elevation.top - 8) + "\" font-size=\"10.5\" fill=\"#c0392b\" transform=\"rotate(-35 " +
         f(x + 3) + " " + f(elevation.top - 8) + ")\">" + html_text(cp1252_to_utf8(v.nome)) + "</text>\n";
  }
  // Distance axis.
  const double step = round_step(L / 10.0);
  for (double m = 0; m <= L + 1e-9; m += step) {
    const double x = left + m * scale;
    o += "<line x1=\"" + f(x) + "\" x2=\"" + f(x) + "\" y1=\"" + f(adhesion_panel.top + adhesion_panel.height) + "\" y2=\"" +
         f(adhesion_panel.top + adhesion_panel.height + 5) + "\" stroke=\"#66707a\"/><text x=\"" + f(x) + "\" y=\"" +
         f(adhesion_panel.top + adhesion_panel.height + 18) + "\" font-size=\"11\" fill=\"#66707a\" text-anchor=\"middle\">" +
         km_label(m) + "</text>\n";
  }
  o += "</svg>\n";
  return o;
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
                  std::string(s.checks.valid_ones() ? "ok\">check codes valid" : "bad\">check codes NOT valid") +
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
                  reload_tag(reload_seconds) + "<title>" + html_text(r.title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
  o += "<header><h1>" + html_text(r.title) + "</h1><p>" + metres(s.length) + " m of line, " +
       n(static_cast<int64_t>(d.stations.size())) + " stations, " + n(static_cast<int64_t>(d.signals.size())) +
       " signals, " + n(static_cast<int64_t>(d.tunnels.size())) + " tunnels</p></header>\n<main>\n";
  o += general_html(s, r);
  o += "<section><h2>Plan of the track</h2>\n" + svg_map(s, d);
  o += "<div class=\"legend\"><span style=\"--c:#2b3a4a\">line</span><span style=\"--c:#7a4b1e\">tunnel</span>"
       "<span style=\"--c:#c0392b\">station</span><span style=\"--c:#1e8449\">signal</span>"
       "<span style=\"--c:#9aa5b1\">beyond the end of the line</span></div></section>\n";
  o += "<section><h2>Profile along the line</h2>\n" + svg_profile(s, d);
  o += "<div class=\"legend\"><span style=\"--c:#1f6fb2\">elevation</span><span style=\"--c:#8e44ad\">speed limit</span>"
       "<span style=\"--c:#d68910\">adhesion</span><span style=\"--c:#c9ac91\">tunnel</span>"
       "<span style=\"--c:#c0392b\">station</span></div>\n";
  o += "<p class=\"note\">The scenario does not store the height of its origin: the elevation starts at 0 m "
       "and is integrated from the gradient of each 50 m cell.</p></section>\n";
  for (const Table& t : r.tables) o += html_table(t);
  o += "</main>\n</body>\n</html>\n";
  return o;
}
