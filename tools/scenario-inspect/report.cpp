#include "report.h"

#include <algorithm>
#include <cstdlib>

#include "model/chainage.h"
#include "platform/ansi.h"

namespace {

/// The column that tables add for items beyond the end of the line.
constexpr const char* kBeyondEndColumn = "beyond the end";

std::string n(int64_t v) { return std::to_string(v); }
std::string utf8(const std::string& cp1252) { return cp1252_to_utf8(cp1252); }

std::string status(const Check& c) {
  return n(c.found) + (c.valid() ? " (valid)" : " (INVALID, expected " + n(c.expected) + ")");
}

void line_general_values(const Scenario& s, Summary& r) {
  const voce& line = s.voci[fixed_record::line];
  const voce& train = s.voci[fixed_record::train];
  const voce& gen = s.voci[fixed_record::general];
  auto& g = r.general_keys;
  g.emplace_back("Line", utf8(s.nome_linea()));
  g.emplace_back("Train", utf8(s.numero_treno()));
  g.emplace_back("Line length", metres(s.length) + " m (grid cells 0 to " +
                                    n(static_cast<int64_t>(s.percorso.size()) - 1) + ")");
  if (s.has_plan)
    g.emplace_back("Track plan", n(s.tracciato.rows()) + " rows, " + n(s.tracciato.computed()) +
                                     " holding a point");
  else
    g.emplace_back("Track plan", "no line data file");
  g.emplace_back("Check codes", s.checks.valid_ones() ? "consistent with the names in the records" : "NOT VALID");
  for (const Check* c : {&s.checks.marcatore, &s.checks.record_marker,
                             &s.checks.plain_code, &s.checks.weighted_code})
    g.emplace_back("  " + c->nome, status(*c));
  // The codes depend only on the two names, and every build that gets as far
  // as writing its files stores them, whatever code it recorded.
  if (s.checks.valid_ones()) {
    g.emplace_back("  they show", "the grid and service files were written for the same line and train");
    g.emplace_back("  they do not show",
                   "that the build was clean (one that recorded an error code stores them too); "
                   "the line data file has no code");
  }
  for (int32_t i = fixed_record::chainage_1; i <= fixed_record::chainage_3; ++i) {
    const voce& v = s.voci[static_cast<size_t>(i)];
    g.emplace_back("Chainage reference " + n(i),
                   "position " + metres(v.inizio) + " m = " + kilometres(v.fine) + ", flag " + n(v.posizione));
  }
  g.emplace_back("Scenery values", "uno " + n(line.inizio) + ", due " + n(line.posizione) +
                                       ", tre " + n(line.fine));
  g.emplace_back("Signal repetition",
                 train.fine == 0 ? "off (distances " + n(train.inizio) + " m, " + n(train.fine) + " m)"
                                 : n(train.inizio) + " m and " + n(train.fine) + " m, " +
                                       n(train.posizione) + " codes");
  g.emplace_back("Consist and braking",
                 n(gen.posizione) + " cars, braked mass " + n(gen.inizio) + " %");
  g.emplace_back("Clock at the start", n(train.campo10) + ":" + (train.campo11 < 10 ? "0" : "") +
                                           n(train.campo11) + ":" + (train.campo12 < 10 ? "0" : "") +
                                           n(train.campo12));
  g.emplace_back("Sand", n(train.campo7));
}

/// Adds the column "beyond the end" to a table whose items include one past
/// the end of the line; `positions` holds each line's position, in order.
void mark_beyond_end(Table& t, const std::vector<int64_t>& positions, int32_t length) {
  if (std::none_of(positions.begin(), positions.end(),
                   [&](int64_t p) { return beyond_end(p, length).has_value(); }))
    return;
  t.columns.push_back(kBeyondEndColumn);
  t.right_aligned.push_back(false);
  for (size_t i = 0; i < t.lines.size(); ++i) {
    const auto by = beyond_end(positions[i], length);
    t.lines[i].push_back(by ? "by " + metres(*by) + " m" : "");
  }
  t.note += std::string(t.note.empty() ? "" : " ") + "Beyond the end: past the line's " + metres(length) +
            " m, in the margin that the grid keeps after it.";
}

std::string platform(const voce& v) { return metres(v.inizio) + " .. " + metres(v.fine); }

Table station_table(const Scenario& s, const Decoded& d) {
  Table t{"Stations", {"#", "position m", "platform m", "type", "time", "stop cell", "name"},
            {true, true, true, true, true, true, false}, {}, {}};
  for (const Station& st : d.stations) {
    const voce& v = s.voci[static_cast<size_t>(st.voce)];
    t.lines.push_back({n(st.voce), metres(v.posizione), platform(v),
                       n(v.tipo) + (v.tipo >= 25 ? " (no stop)" : ""),
                       v.orario == 0 ? "-" : time_of_day(v.orario),
                       st.stop_cell ? n(*st.stop_cell) : "-", utf8(v.nome)});
  }
  t.note = "A time of 0 is shown as \"-\": the station has no time of its own.";
  std::vector<int64_t> positions;
  for (const Station& st : d.stations) positions.push_back(s.voci[static_cast<size_t>(st.voce)].posizione);
  mark_beyond_end(t, positions, s.length);
  return t;
}

std::string markers(const Signal& g) {
  std::string out;
  bool all_right = true;
  for (size_t k = 0; k < 4; ++k) {
    if (k) out += " ";
    out += n(g.markers[k]);
    all_right = all_right && g.markers[k] == g.expected_markers[k];
  }
  return all_right ? out : out + " (expected " + n(g.expected_markers[0]) + ".." +
                            n(g.expected_markers[3]) + ")";
}

Table signal_table(const Decoded& d, int32_t length) {
  Table t{"Signals",
            {"position m", "cell", "left sx: s1 s2 s3", "right dx: d1 d2 d3", "rapp", "time", "markers"},
            {true, true, false, false, true, true, false}, {}, {}};
  for (const Signal& g : d.signals)
    t.lines.push_back({metres(g.posizione), n(g.cella),
                       n(g.sx) + ": " + n(g.s1) + " " + n(g.s2) + " " + n(g.s3),
                       n(g.dx) + ": " + n(g.d1) + " " + n(g.d2) + " " + n(g.d3), n(g.rapp),
                       n(g.tempo), markers(g)});
  t.note = "Markers are those of the cells 100, 200, 300 and 400 m before the signal.";
  std::vector<int64_t> positions;
  for (const Signal& g : d.signals) positions.push_back(g.posizione);
  mark_beyond_end(t, positions, length);
  return t;
}

Table slowdown_table(const Decoded& d, int32_t length) {
  Table t{"Slowdowns",
            {"board m", "start m", "end m", "speed km/h", "d_v", "f_tt", "pre-warning"},
            {true, true, true, true, true, true, false}, {}, {}};
  for (const Slowdown& r : d.slowdowns)
    t.lines.push_back({r.warning_cell ? metres((*r.warning_cell - 1) * 50) : "-", metres(r.inizio()),
                       r.fine() ? metres(*r.fine()) : (r.end_cell ? "-" : "same cell"),
                       n(r.velocita), n(r.d_v), n(r.f_tt), r.pre_warning ? "yes" : "no"});
  std::vector<int64_t> positions;
  for (const Slowdown& r : d.slowdowns) positions.push_back(r.inizio());
  mark_beyond_end(t, positions, length);
  return t;
}

Table board_table(const Decoded& d, int32_t length) {
  Table t{"Name boards", {"position m", "cell", "record", "text"}, {true, true, true, false}, {}, {}};
  for (const NameBoard& c : d.boards)
    t.lines.push_back({metres(c.posizione()), n(c.cella), n(c.voce),
                       c.valid_record ? utf8(c.text) : "(no such record)"});
  std::vector<int64_t> positions;
  for (const NameBoard& c : d.boards) positions.push_back(c.posizione());
  mark_beyond_end(t, positions, length);
  return t;
}

std::string three(const SpeedLimitBoards& b, bool left) {
  std::string out;
  for (size_t i = 0; i < 3; ++i) {
    if (i) out += " ";
    const int16_t v = b.values[i];
    out += n(left ? v / 20 : (v % 20) * 5);
  }
  return out;
}

Table speed_board_table(const Decoded& d, int32_t length) {
  Table t{"Speed-limit boards",
            {"position m", "cell", "left km/h", "right km/h", "stripes left/right", "packed"},
            {true, true, false, false, false, false}, {}, {}};
  for (const SpeedLimitBoards& b : d.speed_boards)
    t.lines.push_back({metres(b.posizione()), n(b.cella), three(b, true), three(b, false),
                       n(b.stripes / 10) + " / " + n(b.stripes % 10),
                       n(b.values[0]) + " " + n(b.values[1]) + " " + n(b.values[2]) + " " + n(b.stripes)});
  t.note = "Each speed is packed as 20 x left (km/h) + right / 5; the split assumes a right speed below 100 km/h.";
  std::vector<int64_t> positions;
  for (const SpeedLimitBoards& b : d.speed_boards) positions.push_back(b.posizione());
  mark_beyond_end(t, positions, length);
  return t;
}

std::string cell_list(const std::vector<int32_t>& cells) {
  std::string out;
  for (int32_t c : cells) {
    if (!out.empty()) out += ' ';
    out += n(c);
  }
  return out.empty() ? "-" : out;
}

Table tunnel_table(const Decoded& d, int32_t length) {
  Table t{"Tunnels", {"#", "start m", "end m", "length m", "cells", "kind", "marker cells"},
            {true, true, true, true, false, true, false}, {}, {}};
  int32_t i = 0;
  for (const Tunnel& g : d.tunnels)
    t.lines.push_back({n(++i), metres(g.inizio()), metres(g.fine()), metres(g.fine() - g.inizio()),
                       n(g.first) + ".." + n(g.last), n(g.tipo), cell_list(g.markers)});
  t.note = "Kind 3: a tunnel that begins 150 m or less after the previous one ends.";
  std::vector<int64_t> positions;
  for (const Tunnel& g : d.tunnels) positions.push_back(g.inizio());
  mark_beyond_end(t, positions, length);
  return t;
}

Table abbattimento_table(const Decoded& d, int32_t length) {
  Table t{"Abbattimento points", {"position m", "cell", "value"}, {true, true, true}, {}, {}};
  for (const Abbattimento& a : d.abbattimento_points)
    t.lines.push_back({metres(a.posizione()), n(a.cella), a.holds_value ? n(a.value) : "none"});
  std::vector<int64_t> positions;
  for (const Abbattimento& a : d.abbattimento_points) positions.push_back(a.posizione());
  mark_beyond_end(t, positions, length);
  return t;
}

Table stretch_table(const std::string& title, const std::string& unit,
                    const std::vector<Stretch>& stretches, int32_t length) {
  Table t{title, {"from m", "to m", unit}, {true, true, true}, {}, {}};
  for (const Stretch& x : stretches)
    t.lines.push_back({metres(x.inizio()), metres(x.fine()), n(x.value)});
  t.note = "The grid runs 7 000 m beyond the end of the line at " + metres(length) +
           " m; its last cells are never filled.";
  return t;
}

}  // namespace

std::string metres(int64_t m) {
  std::string digit_count = n(std::llabs(m));
  for (int64_t i = static_cast<int64_t>(digit_count.size()) - 3; i > 0; i -= 3)
    digit_count.insert(static_cast<size_t>(i), 1, ' ');
  return (m < 0 ? "-" : "") + digit_count;
}

std::string kilometres(int64_t m) { return kilometre_text(m); }

namespace {

/// "none", or how many items of which tables lie beyond the end of the line,
/// counted from the tables' own column.
std::string items_beyond_end(const std::vector<Table>& tables) {
  int64_t total = 0;
  std::string titles;
  for (const Table& t : tables) {
    if (t.columns.empty() || t.columns.back() != kBeyondEndColumn) continue;
    total += std::count_if(t.lines.begin(), t.lines.end(),
                           [](const std::vector<std::string>& l) { return !l.back().empty(); });
    titles += (titles.empty() ? "" : ", ") + t.title;
  }
  if (total == 0) return "none";
  return n(total) + (total == 1 ? " item" : " items") +
         ", in the grid's margin after the line's end (see the column \"" + kBeyondEndColumn + "\" of " +
         titles + ")";
}

}  // namespace

Summary compose_summary(const Scenario& s, const Decoded& d) {
  Summary r;
  r.title = "Scenario " + utf8(s.nome_linea()) + ", train " + utf8(s.numero_treno());
  line_general_values(s, r);
  r.tables.push_back(station_table(s, d));
  r.tables.push_back(signal_table(d, s.length));
  r.tables.push_back(slowdown_table(d, s.length));
  r.tables.push_back(board_table(d, s.length));
  r.tables.push_back(speed_board_table(d, s.length));
  r.tables.push_back(tunnel_table(d, s.length));
  r.tables.push_back(abbattimento_table(d, s.length));
  // Shown right under the line length, which it is about.
  const auto after_length = std::find_if(r.general_keys.begin(), r.general_keys.end(),
                                         [](const auto& k) { return k.first == "Line length"; });
  r.general_keys.insert(after_length + 1, {"Beyond the end of the line", items_beyond_end(r.tables)});
  r.tables.push_back(stretch_table("Gradient runs", "per mille", d.gradients, s.length));
  r.tables.push_back(stretch_table("Speed limit runs", "km/h", d.velocita, s.length));
  r.tables.push_back(stretch_table("Adhesion runs", "adhesion", d.adhesion_runs, s.length));
  return r;
}

namespace {

/// Characters, not bytes, of UTF-8 text: what a terminal column counts.
size_t width(const std::string& s) {
  return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

void render_table(const Table& t, std::string& out) {
  out += "\n" + t.title + " (" + n(static_cast<int64_t>(t.lines.size())) + ")\n";
  if (t.lines.empty()) {
    out += "  none\n";
    return;
  }
  std::vector<size_t> w(t.columns.size());
  for (size_t c = 0; c < w.size(); ++c) {
    w[c] = width(t.columns[c]);
    for (const auto& r : t.lines) w[c] = std::max(w[c], width(r[c]));
  }
  auto riga = [&](const std::vector<std::string>& cells) {
    std::string line = " ";
    for (size_t c = 0; c < w.size(); ++c) {
      const std::string pad(w[c] - width(cells[c]), ' ');
      const bool last = c + 1 == w.size();
      line += ' ';
      if (t.right_aligned[c]) line += pad;
      line += cells[c];
      if (!t.right_aligned[c] && !last) line += pad;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  };
  riga(t.columns);
  for (const auto& r : t.lines) riga(r);
  if (!t.note.empty()) out += "  " + t.note + "\n";
}

}  // namespace

std::string render_summary(const Summary& r) {
  std::string out = r.title + "\n\n";
  size_t w = 0;
  for (const auto& [k, v] : r.general_keys) w = std::max(w, width(k));
  for (const auto& [k, v] : r.general_keys) out += k + std::string(w - width(k) + 2, ' ') + v + "\n";
  for (const Table& t : r.tables) render_table(t, out);
  return out;
}
