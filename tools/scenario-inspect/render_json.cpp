#include <charconv>
#include <cmath>

#include "platform/ansi.h"
#include "render.h"

namespace {

/// A JSON writer that only appends: keys and values in the order given,
/// commas placed by the writer.
class Json {
 public:
  explicit Json(std::string& out) : out_(out) {}

  void open(char c) { comma(); out_ += c; first_ = true; }
  void close(char c) { out_ += c; first_ = false; }
  void key(std::string_view k) {
    comma();
    out_ += '"';
    out_ += k;
    out_ += "\":";
    first_ = true;  // the value follows without a comma
  }
  void integer(int64_t v) {
    comma();
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, r.ptr);
  }
  void real(double v) {
    comma();
    if (!std::isfinite(v)) {  // JSON has no NaN or infinity
      out_ += "null";
      return;
    }
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, r.ptr);
  }
  void null_value() { comma(); out_ += "null"; }
  void boolean(bool b) { comma(); out_ += b ? "true" : "false"; }
  void text(const std::string& utf8) { comma(); out_ += '"' + json_text(utf8) + '"'; }

  template <class T>
  void field(std::string_view k, T v) {
    key(k);
    integer(static_cast<int64_t>(v));
  }

 private:
  void comma() {
    if (!first_) out_ += ',';
    first_ = false;
  }
  std::string& out_;
  bool first_ = true;
};

void write_record(Json& j, const voce& v) {
  j.open('{');
  j.field("tipo", v.tipo);
  j.field("inizio", v.inizio);
  j.field("fine", v.fine);
  j.field("posizione", v.posizione);
  j.field("campo4", v.campo4);
  j.key("nome");
  j.text(cp1252_to_utf8(v.nome));
  j.field("campo7", v.campo7);
  j.field("campo8", v.campo8);
  j.field("campo10", v.campo10);
  j.field("campo11", v.campo11);
  j.field("campo12", v.campo12);
  j.field("campo9", v.campo9);
  j.field("campo13", v.campo13);
  j.field("prolunga", v.prolunga);
  j.field("campo5", v.campo5);
  j.field("orario", v.orario);
  j.close('}');
}

void write_cell(Json& j, const cella& c) {
  j.open('{');
  j.field("tipo", c.tipo);
  j.field("dato1", c.dato1);
  j.field("dato2", c.dato2);
  j.field("dato3", c.dato3);
  j.field("dato4", c.dato4);
  j.field("tempo_segnale", c.tempo_segnale);
  j.field("marcatore", c.marcatore);
  j.field("montagna", c.montagna);
  j.field("velocita", c.velocita);
  j.field("pendenza", c.pendenza);
  j.field("aderenza", c.aderenza);
  j.close('}');
}

void write_column(Json& j, const TrackPlan& t, size_t column) {
  j.open('[');
  for (int32_t m = 0; m < t.rows(); ++m) {
    if (t.tipo(m) == VariantType::empty) j.null_value();
    else j.real(t.points[static_cast<size_t>(m)][column]);
  }
  j.close(']');
}

void write_check(Json& j, std::string_view k, const Check& c) {
  j.key(k);
  j.open('{');
  j.field("found", c.found);
  j.field("expected", c.expected);
  j.key("valid");
  j.boolean(c.valid());
  j.close('}');
}

void write_checks(Json& j, const Checks& c) {
  j.key("checks");
  j.open('{');
  j.key("valid");
  j.boolean(c.valid_ones());
  write_check(j, "cell_marker", c.marcatore);
  write_check(j, "record_marker", c.record_marker);
  write_check(j, "plain_code", c.plain_code);
  write_check(j, "weighted_code", c.weighted_code);
  j.close('}');
}

template <class T, class F>
void list(Json& j, std::string_view k, const std::vector<T>& v, F write) {
  j.key(k);
  j.open('[');
  for (const T& x : v) {
    j.open('{');
    write(x);
    j.close('}');
  }
  j.close(']');
}

void write_optional(Json& j, std::string_view k, const std::optional<int32_t>& v) {
  j.key(k);
  if (v) j.integer(*v);
  else j.null_value();
}

/// Metres past the end of the line for an item in the grid's margin, else null.
void write_beyond_end(Json& j, int64_t posizione, int32_t length) {
  j.key("beyond_end");
  if (const auto by = beyond_end(posizione, length)) j.integer(*by);
  else j.null_value();
}

void write_decoded(Json& j, const Scenario& s, const Decoded& d) {
  j.key("decoded");
  j.open('{');
  list(j, "stations", d.stations, [&](const Station& x) {
    j.field("record", x.voce);
    write_optional(j, "stop_cell", x.stop_cell);
    j.key("orario");
    j.text(time_of_day(s.voci[static_cast<size_t>(x.voce)].orario));
    write_beyond_end(j, s.voci[static_cast<size_t>(x.voce)].posizione, s.length);
  });
  list(j, "signals", d.signals, [&](const Signal& x) {
    j.field("cell", x.cella);
    j.field("posizione", x.posizione);
    for (auto [k, v] : {std::pair{"sx", x.sx}, {"s1", x.s1}, {"s2", x.s2}, {"s3", x.s3},
                        {"rapp", x.rapp}, {"dx", x.dx}, {"d1", x.d1}, {"d2", x.d2}, {"d3", x.d3}})
      j.field(k, v);
    j.field("tempo", x.tempo);
    j.key("markers");
    j.open('[');
    for (uint8_t m : x.markers) j.integer(m);
    j.close(']');
    write_beyond_end(j, x.posizione, s.length);
  });
  list(j, "slowdowns", d.slowdowns, [&](const Slowdown& x) {
    j.field("start_cell", x.start_cell);
    write_optional(j, "end_cell", x.end_cell);
    j.field("inizio", x.inizio());
    write_optional(j, "fine", x.fine());
    write_optional(j, "warning_cell", x.warning_cell);
    j.key("pre_warning");
    j.boolean(x.pre_warning);
    j.field("velocita", x.velocita);
    j.field("d_v", x.d_v);
    j.field("f_tt", x.f_tt);
    write_beyond_end(j, x.inizio(), s.length);
  });
  list(j, "name_boards", d.boards, [&](const NameBoard& x) {
    j.field("cell", x.cella);
    j.field("posizione", x.posizione());
    j.field("record", x.voce);
    j.key("text");
    if (x.valid_record) j.text(cp1252_to_utf8(x.text));
    else j.null_value();
    write_beyond_end(j, x.posizione(), s.length);
  });
  list(j, "speed_limit_boards", d.speed_boards, [&](const SpeedLimitBoards& x) {
    j.field("cell", x.cella);
    j.field("posizione", x.posizione());
    write_beyond_end(j, x.posizione(), s.length);
  });
  list(j, "tunnels", d.tunnels, [&](const Tunnel& x) {
    j.field("first_cell", x.first);
    j.field("last_cell", x.last);
    j.field("inizio", x.inizio());
    j.field("fine", x.fine());
    j.field("tipo", x.tipo);
    j.key("markers");
    j.open('[');
    for (int32_t m : x.markers) j.integer(m);
    j.close(']');
    write_beyond_end(j, x.inizio(), s.length);
  });
  list(j, "abbattimento_points", d.abbattimento_points, [&](const Abbattimento& x) {
    j.field("cell", x.cella);
    j.field("posizione", x.posizione());
    j.key("value");
    if (x.holds_value) j.integer(x.value);
    else j.null_value();
    write_beyond_end(j, x.posizione(), s.length);
  });
  auto stretches = [&](std::string_view k, const std::vector<Stretch>& v) {
    list(j, k, v, [&](const Stretch& x) {
      j.field("first_cell", x.first);
      j.field("last_cell", x.last);
      j.field("value", x.value);
    });
  };
  stretches("pendenza", d.gradients);
  stretches("velocita", d.velocita);
  stretches("aderenza", d.adhesion_runs);
  j.close('}');
}

}  // namespace

std::string json_text(const std::string& utf8) {
  std::string out;
  for (char ch : utf8) {
    const auto b = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (b < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\u00";
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    } else {
      out += ch;
    }
  }
  return out;
}

std::string render_json(const Scenario& s, const Decoded& d) {
  std::string out;
  out.reserve(s.percorso.size() * 160 + static_cast<size_t>(s.tracciato.rows()) * 40 + 65536);
  Json j(out);
  j.open('{');
  j.key("nome_linea");
  j.text(cp1252_to_utf8(s.nome_linea()));
  j.key("numero_treno");
  j.text(cp1252_to_utf8(s.numero_treno()));
  j.field("length", s.length);
  write_checks(j, s.checks);
  j.key("voci");
  j.open('[');
  for (const voce& v : s.voci) write_record(j, v);
  j.close(']');
  j.key("percorso");
  j.open('[');
  for (const cella& c : s.percorso) write_cell(j, c);
  j.close(']');
  j.key("tracciato");
  if (s.has_plan) {
    j.open('{');
    j.field("rows", s.tracciato.rows());
    j.field("computed", s.tracciato.computed());
    j.key("x");
    write_column(j, s.tracciato, 0);
    j.key("y");
    write_column(j, s.tracciato, 1);
    j.close('}');
  } else {
    j.null_value();
  }
  write_decoded(j, s, d);
  j.close('}');
  out += '\n';
  return out;
}
