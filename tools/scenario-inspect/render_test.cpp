#include "render.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <vector>

#include "output/scenario_files.h"
#include "sample_scenario.h"

namespace {

namespace tb = sample_scenario;

struct Resa {
  Scenario s;
  Decodificato d;
  Rapporto r;
};

Resa rendi(const tb::Campione& c, bool con_linea = true) {
  ScenarioBytes b{"", "g", "", "s", std::nullopt, "l"};
  const std::string g = bytes_percorso(c.percorso), sv = bytes_voci(c.voci), l = std::string(bytes_tracciato(c.tracciato).vista());
  b.griglia = g;
  b.servizio = sv;
  if (con_linea) b.linea = l;
  auto letto = leggi_scenario(b);
  EXPECT_TRUE(letto.ok());
  Resa r{letto.value(), {}, {}};
  r.d = decodifica(r.s);
  r.r = componi_rapporto(r.s, r.d);
  return r;
}

std::vector<std::string> righe(const std::string& testo) {
  std::vector<std::string> out;
  std::istringstream in(testo);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

bool contiene_riga(const std::string& testo, const std::string& riga) {
  for (const auto& l : righe(testo))
    if (l == riga) return true;
  return false;
}

TEST(SummaryTest, ShowsTheGeneralValuesAndTheTables) {
  const Resa x = rendi(tb::campione());
  const std::string t = render_summary(x.r);
  const std::vector<std::string> attese = {
      "Scenario Valdarco_Lornese, train 4158",
      "Line length                         3 000 m (grid cells 0 to 200)",
      "Track plan                          10001 rows, 9999 holding a point",
      "Check codes                         valid",
      "  marker in cell 1                  5121 (valid)",
      "  plain check code in cell 1        2398 (valid)",
      "  weighted check code in record 85  33076 (valid)",
      "Chainage reference 81               position 0 m = km 73+450, flag 1",
      "Scenery values                      uno 33600, due 27600, tre 1",
      "Signal repetition                   off (distances 0 m, 0 m)",
      "Consist and braking                 3 cars, braked mass 120 %",
      "Clock at the start                  6:47:30",
      "Sand                                300",
      "Stations (3)",
      "  # position m     platform m         type    time stop cell name",
      "  1          0    -200 .. 200           12 6:48:00         3 VALDARCO TERME",
      "  2      1 200 1 100 .. 1 300 27 (no stop)       -         - PONTE D'ARCO \xC3\x80 <MONTE>",
      "  3      2 500 2 200 .. 2 800            4 7:38:00        55 LORNESE",
      "Signals (1)",
      "       1 950   40 1: 5 1 0          0: 0 0 0              0    0 31 32 33 34",
      "Slowdowns (1)",
      "    1 250   2 450 2 550         30   0    0 yes",
      "Name boards (2)",
      "         600   13     80 (GALLERIA)(261 m.)",
      "       1 500   31     79 (CULMINE)",
      "Speed-limit boards (1)",
      "         300    7 75 80 80  0 0 0      0 / 0              1500 1600 1600 0",
      "Tunnels (2)",
      "  1     700   950      250 14..18    1 17",
      "  2   1 050 1 150      100 21..22    3 -",
      "Abbattimento points (2)",
      "       2 250   45   180",
      "       3 000   60  none",
      "Gradient runs (4)",
      "     250  2 050        18",
      "   2 050  9 900       -24",
      "Adhesion runs (3)",
      "   3 550  9 900       85",
  };
  for (const auto& riga : attese) EXPECT_TRUE(contiene_riga(t, riga)) << "missing line: [" << riga << "]\n" << t;
}

TEST(SummaryTest, AnInvalidCodeIsShownWithWhatItShouldBe) {
  tb::Campione c = tb::campione();
  c.percorso[1].dato2 = 2399;
  const std::string t = render_summary(rendi(c).r);
  EXPECT_TRUE(contiene_riga(t, "Check codes                         NOT VALID")) << t;
  EXPECT_TRUE(contiene_riga(t, "  plain check code in cell 1        2399 (INVALID, expected 2398)")) << t;
}

// ---- A small JSON checker: enough to tell well-formed JSON and read numbers back ----

class JsonChecker {
 public:
  explicit JsonChecker(const std::string& s) : s_(s) {}
  bool valido() {
    spazi();
    if (!valore()) return false;
    spazi();
    return i_ == s_.size();
  }

 private:
  void spazi() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
  }
  bool c(char x) {
    spazi();
    if (i_ < s_.size() && s_[i_] == x) return ++i_, true;
    return false;
  }
  bool parola(const char* w) {
    const std::string p(w);
    if (s_.compare(i_, p.size(), p) != 0) return false;
    i_ += p.size();
    return true;
  }
  bool stringa() {
    if (!c('"')) return false;
    while (i_ < s_.size() && s_[i_] != '"') {
      if (static_cast<unsigned char>(s_[i_]) < 0x20) return false;
      if (s_[i_] == '\\') ++i_;
      ++i_;
    }
    return c('"');
  }
  bool numero() {
    const size_t a = i_;
    if (i_ < s_.size() && s_[i_] == '-') ++i_;
    while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || s_[i_] == '.' ||
                              s_[i_] == 'e' || s_[i_] == 'E' || s_[i_] == '+' || s_[i_] == '-'))
      ++i_;
    return i_ > a && std::isdigit(static_cast<unsigned char>(s_[i_ - 1]));
  }
  bool valore() {
    spazi();
    if (i_ >= s_.size()) return false;
    const char x = s_[i_];
    if (x == '{') {
      ++i_;
      if (c('}')) return true;
      do {
        if (!stringa() || !c(':') || !valore()) return false;
      } while (c(','));
      return c('}');
    }
    if (x == '[') {
      ++i_;
      if (c(']')) return true;
      do {
        if (!valore()) return false;
      } while (c(','));
      return c(']');
    }
    if (x == '"') return stringa();
    if (x == 't') return parola("true");
    if (x == 'f') return parola("false");
    if (x == 'n') return parola("null");
    return numero();
  }
  const std::string& s_;
  size_t i_ = 0;
};

TEST(JsonTest, IsWellFormedAndHoldsEveryRecordCellAndPlanRow) {
  const Resa x = rendi(tb::campione());
  const std::string j = render_json(x.s, x.d);
  EXPECT_TRUE(JsonChecker(j).valido());
  EXPECT_NE(j.find("\"nome\":\"PONTE D'ARCO \xC3\x80 <MONTE>\""), std::string::npos);
  EXPECT_NE(j.find("\"checks\":{\"valid\":true,\"cell_marker\":{\"found\":5121,\"expected\":5121,"),
            std::string::npos);
  // The decoded tables in order, under the inspector's own names; the runs of
  // a cell field keep the field's name.
  size_t at = j.find("\"decoded\":{");
  ASSERT_NE(at, std::string::npos);
  for (const char* k : {"stations", "signals", "slowdowns", "name_boards", "speed_limit_boards", "tunnels",
                        "abbattimento_points", "pendenza", "velocita", "aderenza"}) {
    at = j.find("\"" + std::string(k) + "\":[", at);
    ASSERT_NE(at, std::string::npos) << k;
  }
  // Cell 1 with its marker and code, as stored.
  EXPECT_NE(j.find("{\"tipo\":0,\"dato1\":5121,\"dato2\":2398,"), std::string::npos);
  // The plan: the two 16-bit rows, a computed row and the two empty rows at the end.
  EXPECT_NE(j.find("\"tracciato\":{\"rows\":10001,\"computed\":9999,\"x\":[0,0,0,"), std::string::npos);
  EXPECT_NE(j.find("\"y\":[0,1,2,3,"), std::string::npos);
  EXPECT_NE(j.find(",null,null],\"y\""), std::string::npos);
  size_t celle = 0;
  for (size_t p = j.find("\"tempo_segnale\""); p != std::string::npos; p = j.find("\"tempo_segnale\"", p + 1)) ++celle;
  EXPECT_EQ(celle, 201u);
  size_t voci = 0;
  for (size_t p = j.find("\"campo13\""); p != std::string::npos; p = j.find("\"campo13\"", p + 1)) ++voci;
  EXPECT_EQ(voci, 87u);
}

TEST(JsonTest, EscapesQuotesBackslashesAndControlCharacters) {
  EXPECT_EQ(json_testo("a\"b\\c\x01\n"), "a\\\"b\\\\c\\u0001\\u000a");
  tb::Campione c = tb::campione();
  c.voci[80].nome = "\"A\\B\"\t";
  const Resa x = rendi(c, false);
  const std::string j = render_json(x.s, x.d);
  EXPECT_TRUE(JsonChecker(j).valido());
  EXPECT_NE(j.find("\"tracciato\":null"), std::string::npos);
}

// ---- HTML: balanced tags, both drawings, nothing fetched ----

/// Checks that every element is closed in order; returns the first fault.
std::string tag_sbilanciati(const std::string& h) {
  static const std::vector<std::string> kVuoti = {"meta", "br", "hr", "img", "input", "link"};
  std::vector<std::string> pila;
  size_t i = 0;
  while ((i = h.find('<', i)) != std::string::npos) {
    const size_t fine = h.find('>', i);
    if (fine == std::string::npos) return "unterminated tag at " + std::to_string(i);
    std::string tag = h.substr(i + 1, fine - i - 1);
    i = fine + 1;
    if (tag.starts_with("!")) continue;
    const bool chiusura = tag.starts_with("/");
    const bool auto_chiuso = tag.ends_with("/");
    std::string nome = tag.substr(chiusura ? 1 : 0);
    nome = nome.substr(0, nome.find_first_of(" /"));
    if (auto_chiuso || std::find(kVuoti.begin(), kVuoti.end(), nome) != kVuoti.end()) continue;
    if (!chiusura) {
      pila.push_back(nome);
    } else {
      if (pila.empty() || pila.back() != nome) return "</" + nome + "> closes <" + (pila.empty() ? "" : pila.back()) + ">";
      pila.pop_back();
    }
  }
  return pila.empty() ? "" : "<" + pila.back() + "> never closed";
}

size_t conta(const std::string& h, const std::string& cosa) {
  size_t n = 0;
  for (size_t p = h.find(cosa); p != std::string::npos; p = h.find(cosa, p + 1)) ++n;
  return n;
}

TEST(HtmlTest, IsOneWellFormedPageWithTheMapTheProfileAndTheTables) {
  const Resa x = rendi(tb::campione());
  const std::string h = render_html(x.s, x.d, x.r);
  EXPECT_TRUE(h.starts_with("<!DOCTYPE html>\n"));
  EXPECT_EQ(tag_sbilanciati(h), "");
  EXPECT_EQ(conta(h, "<svg "), 2u);
  EXPECT_EQ(conta(h, "id=\"map\""), 1u);
  EXPECT_EQ(conta(h, "id=\"profile\""), 1u);
  // Stations on both drawings, signals and tunnels on the map, tunnels on the profile.
  EXPECT_EQ(conta(h, "class=\"station\""), 6u);
  EXPECT_EQ(conta(h, "class=\"signal\""), 1u);
  EXPECT_EQ(conta(h, "class=\"tunnel\""), 4u);
  EXPECT_EQ(conta(h, "id=\"scale\""), 1u);
  EXPECT_EQ(conta(h, "<table>"), 10u - 0u);  // every table of the summary has rows
  EXPECT_NE(h.find("elevation starts at 0 m"), std::string::npos);
  // Self-contained: no script and no address other than the SVG namespace.
  EXPECT_EQ(h.find("<script"), std::string::npos);
  EXPECT_EQ(conta(h, "http"), conta(h, "xmlns=\"http://www.w3.org/2000/svg\""));
  // Names are escaped.
  EXPECT_NE(h.find("PONTE D&#39;ARCO \xC3\x80 &lt;MONTE&gt;"), std::string::npos);
  EXPECT_EQ(h.find("<MONTE>"), std::string::npos);
}

TEST(HtmlTest, WithoutLineDataTheMapSaysSoAndTheProfileStays) {
  const Resa x = rendi(tb::campione(), false);
  const std::string h = render_html(x.s, x.d, x.r);
  EXPECT_EQ(tag_sbilanciati(h), "");
  EXPECT_EQ(conta(h, "<svg "), 1u);
  EXPECT_NE(h.find("No line data file was found"), std::string::npos);
}

}  // namespace
