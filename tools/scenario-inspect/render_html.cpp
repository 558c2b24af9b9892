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
std::string etichetta(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, std::fabs(v - std::round(v)) < 1e-9 ? "%.0f" : "%.1f", v);
  return buf;
}

/// A "nice" step (1, 2 or 5 times a power of ten) near `circa`.
double passo_tondo(double circa) {
  if (!(circa > 0)) return 1;
  const double p = std::pow(10.0, std::floor(std::log10(circa)));
  for (double k : {1.0, 2.0, 5.0, 10.0})
    if (k * p >= circa) return k * p;
  return 10 * p;
}

std::string km_etichetta(double metri) {
  char buf[32];
  if (std::fmod(metri, 1000.0) == 0) std::snprintf(buf, sizeof buf, "%.0f km", metri / 1000);
  else std::snprintf(buf, sizeof buf, "%.1f km", metri / 1000);
  return buf;
}

const char* kStile = R"(
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
struct Mappa {
  double coseno = 1, seno = 0;
  double min_x = 0, max_x = 0, min_y = 0, max_y = 0;
  double scala = 1, larghezza = 1000, altezza = 600, margine = 40;
  double ruota_x(double x, double y) const { return x * coseno + y * seno; }
  double ruota_y(double x, double y) const { return -x * seno + y * coseno; }
  double px(double x, double y) const { return margine + (ruota_x(x, y) - min_x) * scala; }
  double py(double x, double y) const { return altezza - margine - (ruota_y(x, y) - min_y) * scala; }
};

/// The last metre of the plan that holds a point.
int32_t ultimo_punto(const Scenario& s) { return s.tracciato.calcolati - 1; }

Mappa inquadra(const Scenario& s, int32_t fino) {
  Mappa m;
  const auto& p = s.tracciato.punti;
  const auto& a = p[0];
  const auto& b = p[static_cast<size_t>(fino)];
  const double angolo = std::atan2(b[1] - a[1], b[0] - a[0]);
  if (std::hypot(b[1] - a[1], b[0] - a[0]) > 1) m.coseno = std::cos(angolo), m.seno = std::sin(angolo);
  m.min_x = m.max_x = m.ruota_x(a[0], a[1]);
  m.min_y = m.max_y = m.ruota_y(a[0], a[1]);
  for (int32_t i = 0; i <= fino; ++i) {
    const auto& q = p[static_cast<size_t>(i)];
    const double x = m.ruota_x(q[0], q[1]), y = m.ruota_y(q[0], q[1]);
    m.min_x = std::min(m.min_x, x), m.max_x = std::max(m.max_x, x);
    m.min_y = std::min(m.min_y, y), m.max_y = std::max(m.max_y, y);
  }
  const double dx = std::max(m.max_x - m.min_x, 1.0), dy = std::max(m.max_y - m.min_y, 1.0);
  m.margine = 60;
  m.altezza = std::clamp(m.larghezza * dy / dx + 2 * m.margine, 300.0, 760.0);
  m.scala = std::min((m.larghezza - 2 * m.margine) / dx, (m.altezza - 2 * m.margine) / dy);
  // Centre the drawing in the frame.
  m.min_x -= ((m.larghezza - 2 * m.margine) / m.scala - dx) / 2;
  m.min_y -= ((m.altezza - 2 * m.margine) / m.scala - dy) / 2;
  return m;
}

std::string polilinea(const Scenario& s, const Mappa& m, int32_t da, int32_t a, int32_t passo) {
  std::string pts;
  const auto& p = s.tracciato.punti;
  for (int32_t i = da;; i += passo) {
    if (i > a) i = a;
    const auto& q = p[static_cast<size_t>(i)];
    pts += f(m.px(q[0], q[1])) + "," + f(m.py(q[0], q[1])) + " ";
    if (i == a) break;
  }
  return pts;
}

std::string svg_mappa(const Scenario& s, const Decodificato& d) {
  const int32_t ultimo = ultimo_punto(s);
  if (!s.ha_tracciato || ultimo < 1)
    return "<p class=\"note\">No line data file was found: the plan of the track cannot be drawn.</p>";
  const int32_t fine_linea = std::min(s.lunghezza, ultimo);
  // Framed on the line itself; what lies beyond its end runs off the frame.
  const Mappa m = inquadra(s, fine_linea);
  const int32_t passo = std::max(1, ultimo / 4000);
  auto punto = [&](int32_t metro) {
    const auto& q = s.tracciato.punti[static_cast<size_t>(std::clamp(metro, 0, ultimo))];
    return std::pair{m.px(q[0], q[1]), m.py(q[0], q[1])};
  };
  std::string o = "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"map\" viewBox=\"0 0 " + f(m.larghezza) +
                  " " + f(m.altezza) + "\" role=\"img\" aria-label=\"Plan of the track\">\n";
  o += "<rect width=\"100%\" height=\"100%\" fill=\"#f9fbf7\"/>\n";
  // Beyond the end of the line, then the line itself, then its tunnels.
  if (ultimo > fine_linea)
    o += "<polyline points=\"" + polilinea(s, m, fine_linea, ultimo, passo) +
         "\" fill=\"none\" stroke=\"#9aa5b1\" stroke-width=\"2\" stroke-dasharray=\"6 5\"/>\n";
  o += "<polyline points=\"" + polilinea(s, m, 0, fine_linea, passo) +
       "\" fill=\"none\" stroke=\"#2b3a4a\" stroke-width=\"3\" stroke-linejoin=\"round\"/>\n";
  for (const Galleria& g : d.gallerie) {
    const int32_t a = std::min(g.inizio(), ultimo), b = std::min(g.fine(), ultimo);
    if (a >= b) continue;
    o += "<polyline class=\"tunnel\" points=\"" + polilinea(s, m, a, b, std::max(1, passo / 4)) +
         "\" fill=\"none\" stroke=\"#7a4b1e\" stroke-width=\"7\" stroke-linecap=\"butt\" opacity=\"0.85\"/>\n";
  }
  for (const Segnale& g : d.segnali) {
    const auto [x, y] = punto(g.posizione);
    o += "<rect class=\"signal\" x=\"" + f(x - 3.5) + "\" y=\"" + f(y - 3.5) +
         "\" width=\"7\" height=\"7\" fill=\"#1e8449\" stroke=\"#fff\" stroke-width=\"1\"><title>Signal at " +
         metri(g.posizione) + " m</title></rect>\n";
  }
  for (const Stazione& st : d.stazioni) {
    const voce& v = s.voci[static_cast<size_t>(st.voce)];
    const auto [x, y] = punto(v.posizione);
    const std::string nome = html_testo(cp1252_a_utf8(v.nome));
    o += "<circle class=\"station\" cx=\"" + f(x) + "\" cy=\"" + f(y) +
         "\" r=\"6\" fill=\"#fff\" stroke=\"#c0392b\" stroke-width=\"3\"><title>" + nome + "</title></circle>\n";
    // Names near the right edge go to the left of their station.
    const bool a_sinistra = x > m.larghezza - 160;
    o += "<text x=\"" + f(a_sinistra ? x - 10 : x + 10) + "\" y=\"" + f(y + 4) + "\" text-anchor=\"" +
         (a_sinistra ? "end" : "start") +
         "\" font-size=\"12\" fill=\"#1d2630\" stroke=\"#f9fbf7\" stroke-width=\"3\" paint-order=\"stroke\">" +
         nome + "</text>\n";
  }
  // Scale bar, bottom left.
  const double metri_barra = passo_tondo((m.larghezza / 5) / m.scala);
  const double lb = metri_barra * m.scala, y0 = m.altezza - 18;
  o += "<g id=\"scale\"><rect x=\"20\" y=\"" + f(y0 - 5) + "\" width=\"" + f(lb / 2) +
       "\" height=\"5\" fill=\"#2b3a4a\"/><rect x=\"" + f(20 + lb / 2) + "\" y=\"" + f(y0 - 5) +
       "\" width=\"" + f(lb / 2) + "\" height=\"5\" fill=\"#fff\" stroke=\"#2b3a4a\"/>";
  o += "<text x=\"20\" y=\"" + f(y0 - 9) + "\" font-size=\"11\">0</text><text x=\"" + f(20 + lb) +
       "\" y=\"" + f(y0 - 9) + "\" font-size=\"11\" text-anchor=\"middle\">" +
       (metri_barra >= 1000 ? km_etichetta(metri_barra) : f(metri_barra) + " m") + "</text></g>\n";
  const auto [sx, sy] = punto(0);
  o += "<text x=\"" + f(sx) + "\" y=\"" + f(sy + 22) +
       "\" font-size=\"11\" fill=\"#66707a\" text-anchor=\"middle\">origin</text>\n";
  o += "</svg>\n";
  return o;
}

// ---- The profile along the line ----

struct Pannello {
  double alto = 0, altezza = 0, minimo = 0, massimo = 1;
  double y(double v) const { return alto + altezza - (v - minimo) / (massimo - minimo) * altezza; }
};

/// A step line of a run field over 0..L.
std::string gradini(const std::vector<Tratto>& tratti, int32_t lunghezza, const Pannello& p,
                    double sinistra, double scala) {
  std::string pts;
  for (const Tratto& t : tratti) {
    if (t.inizio() >= lunghezza) break;
    const double a = sinistra + t.inizio() * scala;
    const double b = sinistra + std::min(t.fine(), lunghezza) * scala;
    pts += f(a) + "," + f(p.y(t.valore)) + " " + f(b) + "," + f(p.y(t.valore)) + " ";
  }
  return pts;
}

std::pair<double, double> estremi(const std::vector<Tratto>& tratti, int32_t lunghezza) {
  double lo = 0, hi = 1;
  for (const Tratto& t : tratti) {
    if (t.inizio() >= lunghezza) break;
    lo = std::min(lo, static_cast<double>(t.valore));
    hi = std::max(hi, static_cast<double>(t.valore));
  }
  return {lo, hi};
}

void asse_y(std::string& o, const Pannello& p, double sinistra, double destra, const std::string& unita) {
  const double passo = passo_tondo((p.massimo - p.minimo) / 4);
  for (double v = std::ceil(p.minimo / passo) * passo; v <= p.massimo + 1e-9; v += passo) {
    o += "<line x1=\"" + f(sinistra) + "\" x2=\"" + f(destra) + "\" y1=\"" + f(p.y(v)) + "\" y2=\"" +
         f(p.y(v)) + "\" stroke=\"#e3e7ec\"/>";
    o += "<text x=\"" + f(sinistra - 6) + "\" y=\"" + f(p.y(v) + 4) +
         "\" font-size=\"11\" fill=\"#66707a\" text-anchor=\"end\">" + etichetta(v) +
         "</text>\n";
  }
  o += "<text x=\"" + f(sinistra - 44) + "\" y=\"" + f(p.alto + p.altezza / 2) +
       "\" font-size=\"11\" fill=\"#66707a\" text-anchor=\"middle\" transform=\"rotate(-90 " +
       f(sinistra - 44) + " " + f(p.alto + p.altezza / 2) + ")\">" + unita + "</text>\n";
}

std::string svg_profilo(const Scenario& s, const Decodificato& d) {
  const double W = 1000, sinistra = 64, destra = W - 70;  // room for the last names
  const int32_t L = std::max(s.lunghezza, 50);
  const double scala = (destra - sinistra) / L;
  const auto celle = static_cast<size_t>(std::min<int64_t>(L / 50, static_cast<int64_t>(d.quota.size()) - 1));
  double qmin = 0, qmax = 1;
  for (size_t i = 0; i <= celle; ++i) qmin = std::min(qmin, d.quota[i]), qmax = std::max(qmax, d.quota[i]);
  const double margine_q = (qmax - qmin) * 0.08 + 1;
  Pannello quota{70, 220, qmin - margine_q, qmax + margine_q};
  const auto [vmin, vmax] = estremi(d.velocita, L);
  Pannello vel{320, 80, vmin, vmax + 10};
  const auto [amin, amax] = estremi(d.aderenze, L);
  Pannello ade{430, 80, amin, amax + 5};
  const double H = 550;
  std::string o = "<svg xmlns=\"http://www.w3.org/2000/svg\" id=\"profile\" viewBox=\"0 0 " + f(W) + " " +
                  f(H) + "\" role=\"img\" aria-label=\"Profile along the line\">\n";
  // Tunnels as bands over the elevation panel.
  for (const Galleria& g : d.gallerie) {
    if (g.inizio() >= L) continue;
    o += "<rect class=\"tunnel\" x=\"" + f(sinistra + g.inizio() * scala) + "\" y=\"" + f(quota.alto) +
         "\" width=\"" + f(std::max(1.0, (std::min(g.fine(), L) - g.inizio()) * scala)) + "\" height=\"" +
         f(quota.altezza) + "\" fill=\"#7a4b1e\" opacity=\"0.16\"/>\n";
  }
  asse_y(o, quota, sinistra, destra, "elevation m");
  asse_y(o, vel, sinistra, destra, "km/h");
  asse_y(o, ade, sinistra, destra, "adhesion");
  // Elevation: filled area and line.
  std::string linea;
  for (size_t i = 0; i <= celle; ++i)
    linea += f(sinistra + static_cast<double>(i) * 50 * scala) + "," + f(quota.y(d.quota[i])) + " ";
  o += "<polygon points=\"" + f(sinistra) + "," + f(quota.alto + quota.altezza) + " " + linea +
       f(sinistra + static_cast<double>(celle) * 50 * scala) + "," + f(quota.alto + quota.altezza) +
       "\" fill=\"#d9e6f2\"/>\n";
  o += "<polyline points=\"" + linea + "\" fill=\"none\" stroke=\"#1f6fb2\" stroke-width=\"2\"/>\n";
  o += "<polyline points=\"" + gradini(d.velocita, L, vel, sinistra, scala) +
       "\" fill=\"none\" stroke=\"#8e44ad\" stroke-width=\"2\"/>\n";
  o += "<polyline points=\"" + gradini(d.aderenze, L, ade, sinistra, scala) +
       "\" fill=\"none\" stroke=\"#d68910\" stroke-width=\"2\"/>\n";
  // Stations: a line across all panels and the name above.
  for (const Stazione& st : d.stazioni) {
    const voce& v = s.voci[static_cast<size_t>(st.voce)];
    if (v.posizione < 0 || v.posizione > L) continue;
    const double x = sinistra + v.posizione * scala;
    o += "<line class=\"station\" x1=\"" + f(x) + "\" x2=\"" + f(x) + "\" y1=\"" + f(quota.alto - 4) +
         "\" y2=\"" + f(ade.alto + ade.altezza) + "\" stroke=\"#c0392b\" stroke-dasharray=\"3 3\"/>";
    o += "<text x=\"" + f(x + 3) + "\" y=\"" + f(quota.alto - 8) + "\" font-size=\"10.5\" fill=\"#c0392b\" transform=\"rotate(-35 " +
         f(x + 3) + " " + f(quota.alto - 8) + ")\">" + html_testo(cp1252_a_utf8(v.nome)) + "</text>\n";
  }
  // Distance axis.
  const double passo = passo_tondo(L / 10.0);
  for (double m = 0; m <= L + 1e-9; m += passo) {
    const double x = sinistra + m * scala;
    o += "<line x1=\"" + f(x) + "\" x2=\"" + f(x) + "\" y1=\"" + f(ade.alto + ade.altezza) + "\" y2=\"" +
         f(ade.alto + ade.altezza + 5) + "\" stroke=\"#66707a\"/><text x=\"" + f(x) + "\" y=\"" +
         f(ade.alto + ade.altezza + 18) + "\" font-size=\"11\" fill=\"#66707a\" text-anchor=\"middle\">" +
         km_etichetta(m) + "</text>\n";
  }
  o += "</svg>\n";
  return o;
}

// ---- Tables ----

std::string tabella_html(const Tabella& t) {
  std::string o = "<section><details" + std::string(t.righe.size() <= 60 ? " open" : "") +
                  "><summary>" + html_testo(t.titolo) + " (" + n(static_cast<int64_t>(t.righe.size())) +
                  ")</summary>\n";
  if (t.righe.empty()) {
    o += "<p class=\"note\">None.</p></details></section>\n";
    return o;
  }
  o += "<table><thead><tr>";
  for (size_t c = 0; c < t.colonne.size(); ++c)
    o += std::string("<th") + (t.a_destra[c] ? " class=\"r\"" : "") + ">" + html_testo(t.colonne[c]) + "</th>";
  o += "</tr></thead><tbody>\n";
  for (const auto& r : t.righe) {
    o += "<tr>";
    for (size_t c = 0; c < r.size(); ++c)
      o += std::string("<td") + (t.a_destra[c] ? " class=\"r\"" : "") + ">" + html_testo(r[c]) + "</td>";
    o += "</tr>\n";
  }
  o += "</tbody></table>\n";
  if (!t.nota.empty()) o += "<p class=\"note\">" + html_testo(t.nota) + "</p>\n";
  o += "</details></section>\n";
  return o;
}

std::string generali_html(const Scenario& s, const Rapporto& r) {
  std::string o = "<section><h2>Scenario <span class=\"badge " +
                  std::string(s.controlli.validi() ? "ok\">check codes valid" : "bad\">check codes NOT valid") +
                  "</span></h2>\n<dl>\n";
  for (const auto& [k, v] : r.generali) {
    // Keys indented in the summary are details of the key above them.
    const bool dettaglio = k.starts_with("  ");
    o += std::string(dettaglio ? "<dt class=\"sub\">" : "<dt>") + html_testo(dettaglio ? k.substr(2) : k) +
         "</dt><dd>" + html_testo(v) + "</dd>\n";
  }
  return o + "</dl></section>\n";
}

}  // namespace

std::string html_testo(const std::string& utf8) {
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

std::string render_html(const Scenario& s, const Decodificato& d, const Rapporto& r) {
  std::string o = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                  html_testo(r.titolo) + "</title>\n<style>" + kStile + "</style>\n</head>\n<body>\n";
  o += "<header><h1>" + html_testo(r.titolo) + "</h1><p>" + metri(s.lunghezza) + " m of line, " +
       n(static_cast<int64_t>(d.stazioni.size())) + " stations, " + n(static_cast<int64_t>(d.segnali.size())) +
       " signals, " + n(static_cast<int64_t>(d.gallerie.size())) + " tunnels</p></header>\n<main>\n";
  o += generali_html(s, r);
  o += "<section><h2>Plan of the track</h2>\n" + svg_mappa(s, d);
  o += "<div class=\"legend\"><span style=\"--c:#2b3a4a\">line</span><span style=\"--c:#7a4b1e\">tunnel</span>"
       "<span style=\"--c:#c0392b\">station</span><span style=\"--c:#1e8449\">signal</span>"
       "<span style=\"--c:#9aa5b1\">beyond the end of the line</span></div></section>\n";
  o += "<section><h2>Profile along the line</h2>\n" + svg_profilo(s, d);
  o += "<div class=\"legend\"><span style=\"--c:#1f6fb2\">elevation</span><span style=\"--c:#8e44ad\">speed limit</span>"
       "<span style=\"--c:#d68910\">adhesion</span><span style=\"--c:#c9ac91\">tunnel</span>"
       "<span style=\"--c:#c0392b\">station</span></div>\n";
  o += "<p class=\"note\">The scenario does not store the height of its origin: the elevation starts at 0 m "
       "and is integrated from the gradient of each 50 m cell.</p></section>\n";
  for (const Tabella& t : r.tabelle) o += tabella_html(t);
  o += "</main>\n</body>\n</html>\n";
  return o;
}
