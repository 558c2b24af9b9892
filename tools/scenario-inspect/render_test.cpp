#include "render.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <vector>

#include "output/scenario_files.h"
#include "sample_scenario.h"

namespace {

namespace tb = sample_scenario;

struct Rendered {
  Scenario s;
  Decoded d;
  Summary r;
};

Rendered render(const tb::Sample& c, bool with_line = true) {
  ScenarioBytes b{"", "g", "", "s", std::nullopt, "l"};
  const std::string g = grid_file_bytes(c.percorso), sv = service_file_bytes(c.voci), l = std::string(line_data_file_bytes(c.tracciato).view());
  b.grid = g;
  b.service = sv;
  if (with_line) b.line = l;
  auto read_value = read_scenario(b);
  EXPECT_TRUE(read_value.ok());
  Rendered r{read_value.value(), {}, {}};
  r.d = decode(r.s);
  r.r = compose_summary(r.s, r.d);
  return r;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

bool contains_line(const std::string& text, const std::string& riga) {
  for (const auto& l : lines(text))
    if (l == riga) return true;
  return false;
}

TEST(SummaryTest, ShowsTheGeneralValuesAndTheTables) {
  const Rendered x = render(tb::sample());
  const std::string t = render_summary(x.r);
  const std::vector<std::string> expected_values = {
      "Scenario Valdarco_Lornese, train 4158",
      "Line length                         3 000 m (grid cells 0 to 200)",
      "Track plan                          10001 rows, 9999 holding a point",
      "Beyond the end of the line          none",
      "Check codes                         consistent with the names in the records",
      "  marker in cell 1                  5121 (valid)",
      "  plain check code in cell 1        2398 (valid)",
      "  weighted check code in record 85  33076 (valid)",
      "  they show                         the grid and service files were written for the same line and train",
      "  they do not show                  that the build was clean (one that recorded an error code stores them "
      "too); the line data file has no code",
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
  for (const auto& riga : expected_values) EXPECT_TRUE(contains_line(t, riga)) << "missing line: [" << riga << "]\n" << t;
}

TEST(SummaryTest, AnInvalidCodeIsShownWithWhatItShouldBe) {
  tb::Sample c = tb::sample();
  c.percorso[1].dato2 = 2399;
  const std::string t = render_summary(render(c).r);
  EXPECT_TRUE(contains_line(t, "Check codes                         NOT VALID")) << t;
  EXPECT_TRUE(contains_line(t, "  plain check code in cell 1        2399 (INVALID, expected 2398)")) << t;
  EXPECT_EQ(t.find("they show"), std::string::npos) << t;
}

/// The sample with a signal 450 m and a name board 50 m beyond the end of
/// its 3000 m line; its abbattimento point at 3000 m stands at the very end.
tb::Sample sample_with_items_beyond_the_end() {
  tb::Sample c = tb::sample();
  c.percorso[70].tipo = 1, c.percorso[70].dato1 = 50, c.percorso[70].dato4 = 3;
  c.percorso[62].tipo = 14, c.percorso[62].dato1 = 78;
  c.voci[78].nome = "(OLTRE)";
  return c;
}

TEST(SummaryTest, ItemsBeyondTheEndOfTheLineAreCountedAndMarked) {
  const std::string t = render_summary(render(sample_with_items_beyond_the_end()).r);
  for (const char* riga : {
           "Beyond the end of the line          2 items, in the grid's margin after the line's end (see the "
           "column \"beyond the end\" of Signals, Name boards)",
           "  position m cell left sx: s1 s2 s3 right dx: d1 d2 d3 rapp time markers                   beyond the end",
           "       1 950   40 1: 5 1 0          0: 0 0 0              0    0 31 32 33 34",
           "       3 450   70 1: 5 0 0          0: 0 0 0              0    0 0 0 0 0 (expected 31..34) by 450 m",
           "       3 050   62     78 (OLTRE)            by 50 m",
           "  Beyond the end: past the line's 3 000 m, in the margin that the grid keeps after it.",
           // At the very end is still on the line: no column for the points.
           "  position m cell value",
           "       3 000   60  none",
       })
    EXPECT_TRUE(contains_line(t, riga)) << "missing line: [" << riga << "]\n" << t;
}

// ---- A small JSON checker: enough to tell well-formed JSON and read numbers back ----

class JsonChecker {
 public:
  explicit JsonChecker(const std::string& s) : s_(s) {}
  bool valid() {
    blanks();
    if (!value()) return false;
    blanks();
    return i_ == s_.size();
  }

 private:
  void blanks() {
    while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
  }
  bool c(char x) {
    blanks();
    if (i_ < s_.size() && s_[i_] == x) return ++i_, true;
    return false;
  }
  bool word(const char* w) {
    const std::string p(w);
    if (s_.compare(i_, p.size(), p) != 0) return false;
    i_ += p.size();
    return true;
  }
  bool string_token() {
    if (!c('"')) return false;
    while (i_ < s_.size() && s_[i_] != '"') {
      if (static_cast<unsigned char>(s_[i_]) < 0x20) return false;
      if (s_[i_] == '\\') ++i_;
      ++i_;
    }
    return c('"');
  }
  bool number() {
    const size_t a = i_;
    if (i_ < s_.size() && s_[i_] == '-') ++i_;
    while (i_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[i_])) || s_[i_] == '.' ||
                              s_[i_] == 'e' || s_[i_] == 'E' || s_[i_] == '+' || s_[i_] == '-'))
      ++i_;
    return i_ > a && std::isdigit(static_cast<unsigned char>(s_[i_ - 1]));
  }
  bool value() {
    blanks();
    if (i_ >= s_.size()) return false;
    const char x = s_[i_];
    if (x == '{') {
      ++i_;
      if (c('}')) return true;
      do {
        if (!string_token() || !c(':') || !value()) return false;
      } while (c(','));
      return c('}');
    }
    if (x == '[') {
      ++i_;
      if (c(']')) return true;
      do {
        if (!value()) return false;
      } while (c(','));
      return c(']');
    }
    if (x == '"') return string_token();
    if (x == 't') return word("true");
    if (x == 'f') return word("false");
    if (x == 'n') return word("null");
    return number();
  }
  const std::string& s_;
  size_t i_ = 0;
};

TEST(JsonTest, IsWellFormedAndHoldsEveryRecordCellAndPlanRow) {
  const Rendered x = render(tb::sample());
  const std::string j = render_json(x.s, x.d);
  EXPECT_TRUE(JsonChecker(j).valid());
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
  size_t cells = 0;
  for (size_t p = j.find("\"tempo_segnale\""); p != std::string::npos; p = j.find("\"tempo_segnale\"", p + 1)) ++cells;
  EXPECT_EQ(cells, 201u);
  size_t voci = 0;
  for (size_t p = j.find("\"campo13\""); p != std::string::npos; p = j.find("\"campo13\"", p + 1)) ++voci;
  EXPECT_EQ(voci, 87u);
  EXPECT_EQ(j.find("\"beyond_end\":4"), std::string::npos);
}

TEST(JsonTest, GivesEveryItemThePlaceItHasBeyondTheEnd) {
  const Rendered x = render(sample_with_items_beyond_the_end());
  const std::string j = render_json(x.s, x.d);
  EXPECT_TRUE(JsonChecker(j).valid());
  EXPECT_NE(j.find("\"tempo\":0,\"markers\":[0,0,0,0],\"beyond_end\":450}"), std::string::npos);
  EXPECT_NE(j.find("\"text\":\"(OLTRE)\",\"beyond_end\":50}"), std::string::npos);
  EXPECT_NE(j.find("{\"cell\":60,\"posizione\":3000,\"value\":null,\"beyond_end\":null}"), std::string::npos);
  EXPECT_NE(j.find("{\"start_cell\":50,\"end_cell\":52,\"inizio\":2450,\"fine\":2550,"), std::string::npos);
}

TEST(JsonTest, EscapesQuotesBackslashesAndControlCharacters) {
  EXPECT_EQ(json_text("a\"b\\c\x01\n"), "a\\\"b\\\\c\\u0001\\u000a");
  tb::Sample c = tb::sample();
  c.voci[80].nome = "\"A\\B\"\t";
  const Rendered x = render(c, false);
  const std::string j = render_json(x.s, x.d);
  EXPECT_TRUE(JsonChecker(j).valid());
  EXPECT_NE(j.find("\"tracciato\":null"), std::string::npos);
}

// ---- HTML: balanced tags, both drawings, nothing fetched ----

/// Checks that every element is closed in order; returns the first fault.
std::string unbalanced_tags(const std::string& h) {
  static const std::vector<std::string> kVoidElements = {"meta", "br", "hr", "img", "input", "link"};
  std::vector<std::string> stack;
  size_t i = 0;
  while ((i = h.find('<', i)) != std::string::npos) {
    const size_t fine = h.find('>', i);
    if (fine == std::string::npos) return "unterminated tag at " + std::to_string(i);
    std::string tag = h.substr(i + 1, fine - i - 1);
    i = fine + 1;
    if (tag.starts_with("!")) continue;
    const bool closing = tag.starts_with("/");
    const bool self_closing = tag.ends_with("/");
    std::string nome = tag.substr(closing ? 1 : 0);
    nome = nome.substr(0, nome.find_first_of(" /"));
    if (self_closing || std::find(kVoidElements.begin(), kVoidElements.end(), nome) != kVoidElements.end()) continue;
    if (!closing) {
      stack.push_back(nome);
    } else {
      if (stack.empty() || stack.back() != nome) return "</" + nome + "> closes <" + (stack.empty() ? "" : stack.back()) + ">";
      stack.pop_back();
    }
  }
  return stack.empty() ? "" : "<" + stack.back() + "> never closed";
}

size_t occurrences(const std::string& h, const std::string& what) {
  size_t n = 0;
  for (size_t p = h.find(what); p != std::string::npos; p = h.find(what, p + 1)) ++n;
  return n;
}

TEST(HtmlTest, IsOneWellFormedPageWithTheMapTheProfileAndTheTables) {
  const Rendered x = render(tb::sample());
  const std::string h = render_html(x.s, x.d, x.r);
  EXPECT_TRUE(h.starts_with("<!DOCTYPE html>\n"));
  EXPECT_EQ(unbalanced_tags(h), "");
  EXPECT_NE(h.find("<p>3 000 m of line, 3 stations, 1 signal, 2 tunnels</p>"), std::string::npos);
  EXPECT_EQ(occurrences(h, "<svg "), 2u);
  EXPECT_EQ(occurrences(h, "id=\"map\""), 1u);
  EXPECT_EQ(occurrences(h, "id=\"profile\""), 1u);
  // Every item on both drawings; a slowdown also lowers the speed line.
  EXPECT_EQ(occurrences(h, "class=\"station\""), 6u);
  EXPECT_EQ(occurrences(h, "class=\"signal\""), 2u);
  EXPECT_EQ(occurrences(h, "class=\"tunnel\""), 4u);
  EXPECT_EQ(occurrences(h, "class=\"slowdown\""), 3u);
  EXPECT_EQ(occurrences(h, "class=\"slowdown-board\""), 2u);
  EXPECT_EQ(occurrences(h, "class=\"name-board\""), 4u);
  EXPECT_NE(h.find(">(GALLERIA)(261 m.)</text>"), std::string::npos);
  // The type-27 station is passed without stopping.
  EXPECT_NE(h.find("stroke-width=\"1.5\"><title>PONTE D&#39;ARCO \xC3\x80 &lt;MONTE&gt; at 1 200 m, passed without "
                   "stopping</title>"),
            std::string::npos);
  // Nothing beyond the end: no margin drawn, nothing ringed.
  EXPECT_EQ(occurrences(h, "class=\"margin\""), 0u);
  EXPECT_EQ(occurrences(h, "class=\"beyond\""), 0u);
  EXPECT_EQ(occurrences(h, "id=\"scale\""), 1u);
  EXPECT_EQ(occurrences(h, "<table>"), 10u - 0u);  // every table of the summary has rows
  EXPECT_NE(h.find("elevation starts at 0 m"), std::string::npos);
  // Self-contained: no script and no address other than the SVG namespace.
  EXPECT_EQ(h.find("<script"), std::string::npos);
  EXPECT_EQ(occurrences(h, "http"), occurrences(h, "xmlns=\"http://www.w3.org/2000/svg\""));
  // Names are escaped.
  EXPECT_NE(h.find("PONTE D&#39;ARCO \xC3\x80 &lt;MONTE&gt;"), std::string::npos);
  EXPECT_EQ(h.find("<MONTE>"), std::string::npos);
}

TEST(HtmlTest, ItemsBeyondTheEndAreDrawnInTheMarginAndMarked) {
  const Rendered x = render(sample_with_items_beyond_the_end());
  const std::string h = render_html(x.s, x.d, x.r);
  EXPECT_EQ(unbalanced_tags(h), "");
  // The map goes on past the end (dashed) and rings the two items there;
  // the profile shades its margin; both mark the end of the line.
  EXPECT_EQ(occurrences(h, "class=\"margin\""), 2u);
  EXPECT_EQ(occurrences(h, "class=\"beyond\""), 2u);
  EXPECT_EQ(occurrences(h, ">end of the line</text>"), 2u);
  EXPECT_EQ(occurrences(h, "<title>Signal at 3 450 m, beyond the end of the line by 450 m</title>"), 2u);
  EXPECT_EQ(occurrences(h, "<title>Name board (OLTRE) at 3 050 m, beyond the end of the line by 50 m</title>"), 1u);
  EXPECT_NE(h.find(">(OLTRE)</text>"), std::string::npos);
}

TEST(HtmlTest, AStationNameWiderThanTheMapIsCentredOnIt) {
  tb::Sample c = tb::sample();
  c.voci[1].nome = std::string(150, 'A');
  const Rendered x = render(c);
  const std::string h = render_html(x.s, x.d, x.r);
  EXPECT_EQ(unbalanced_tags(h), "");
  EXPECT_NE(h.find("<text x=\"500.0\" y=\""), std::string::npos);
}

TEST(HtmlTest, WithoutLineDataTheMapSaysSoAndTheProfileStays) {
  const Rendered x = render(tb::sample(), false);
  const std::string h = render_html(x.s, x.d, x.r);
  EXPECT_EQ(unbalanced_tags(h), "");
  EXPECT_EQ(occurrences(h, "<svg "), 1u);
  EXPECT_NE(h.find("No line data file was found"), std::string::npos);
}

}  // namespace
