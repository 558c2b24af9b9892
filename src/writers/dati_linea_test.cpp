#include <array>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "compile/compile_listener.h"
#include "platform/ansi.h"
#include "writers/line_content.h"
#include "writers/writers_test_util.h"

namespace {

// Line numbers (from 1) of the sections of the line description file.
constexpr std::size_t kFirstCurve = 11;
constexpr std::size_t kFirstGradient = 95;
constexpr std::size_t kFirstTunnel = 127;
constexpr std::size_t kFirstBoard = 172;

struct DatiLineaTest : WriterTest {
  std::string bytes;
  std::vector<std::string> lines;

  void SetUp() override {
    form.dati_linea();
    bytes = read_bytes(file(ScenarioFile::line_description));
    lines = crlf_lines(bytes);
    ASSERT_EQ(lines.size(), 215u);
  }
  /// Line n, counted from 1.
  const std::string& riga(std::size_t n) const { return lines.at(n - 1); }
};

int32_t number(const std::ssub_match& m) { return std::stoi(m.str()); }

TEST_F(DatiLineaTest, SizeLineEndsAndCharacters) {
  EXPECT_EQ(bytes.size(), 6702u);
  EXPECT_EQ(bytes.substr(bytes.size() - 8), "[fine]\r\n");
  EXPECT_TRUE(non_ascii_byte(bytes).empty());
  EXPECT_EQ(bytes.find("riferimento fine del file"), std::string::npos);
  for (std::size_t n = 1; n <= lines.size(); ++n) EXPECT_FALSE(riga(n).empty()) << "line " << n;
}

TEST_F(DatiLineaTest, QuotedLinesStandWhereTheyBelong) {
  const std::pair<std::size_t, std::string> expected_values[] = {
      {1, "[generale]"},
      {2, "lunghezza percorso,    40000"},
      {3, "progressiva chilometrica uno,    0,    73350,    1"},
      {4, "progressiva chilometrica due,    0,    0,    0"},
      {5, "progressiva chilometrica tre,    0,    0,    0"},
      {6, "sfondo uno,    33600"},
      {7, "sfondo due,    27600"},
      {8, "sfondo tre,    1"},
      {9, "ripetizione segnali 4 codici,    0    ,0"},
      {10, "[curve]"},
      {11, "curvas5,  200 , 150 "},
      {93, "[pendenze]"},
      {94, "- altitudine iniziale Valdarco T. 352 m. slm"},
      {96, "pendenza,  250,   18"},
      {111, "pendenza,  14950,  -24 "},
      {126, "[montagne]"},
      {127, "montagna,   600,  850,  11"},
      {169, "[cartelli]"},
      {170, "indicatori_vmax,  300,  75,  80,  80,  0,  ,  ,  ,  0"},
      {171, "[indicazioni]"},
      {189, "cartello_indicatore,  14400,   (CULMINE)"},
      {215, "[fine]"},
  };
  for (const auto& [n, text] : expected_values) EXPECT_EQ(riga(n), text) << "line " << n;
}

TEST_F(DatiLineaTest, CurveRowsHoldTheCurvesInTheirLayout) {
  const std::regex shape(R"(curva([sd])([1-6]),  (\d+) , (\d+) )");
  ASSERT_EQ(std::size(kCurves), 82u);
  int32_t previous_end = 0;
  for (std::size_t i = 0; i < std::size(kCurves); ++i) {
    const std::string& text = riga(kFirstCurve + i);
    SCOPED_TRACE(text);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, shape));
    EXPECT_EQ("curva" + m[1].str() + m[2].str(), kCurves[i].word);
    EXPECT_GE(m[2].str(), "4");
    const int32_t posizione = number(m[3]);
    const int32_t length = number(m[4]);
    EXPECT_EQ(posizione, kCurves[i].posizione);
    EXPECT_EQ(length, kCurves[i].length);
    EXPECT_EQ(posizione % 50, 0);
    EXPECT_EQ(length % 50, 0);
    EXPECT_GT(length, 0);
    EXPECT_GE(posizione, previous_end) << "curves overlap";
    previous_end = posizione + length;
  }
  EXPECT_EQ(previous_end, 39400);
}

TEST_F(DatiLineaTest, GradientRowsHoldTheRunsInTheirTwoForms) {
  const std::regex shape_a(R"(pendenza,  (\d+),   (-?\d+))");
  const std::regex shape_b(R"(pendenza,  (\d+),  (-?\d+) )");
  ASSERT_EQ(std::size(kGradients), 31u);
  int32_t previous_position = -1;
  for (std::size_t i = 0; i < std::size(kGradients); ++i) {
    const std::string& text = riga(kFirstGradient + i);
    SCOPED_TRACE(text);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, i < 4 ? shape_a : shape_b));
    const int32_t posizione = number(m[1]);
    const int32_t pendenza = number(m[2]);
    EXPECT_EQ(posizione, kGradients[i].posizione);
    EXPECT_EQ(pendenza, kGradients[i].pendenza);
    EXPECT_GT(posizione, previous_position);
    previous_position = posizione;
    // Rising to the summit, level from 14450 m, falling from 14950 m but for
    // the level stretch from 28200 m to 28450 m.
    if (posizione < 14450) EXPECT_GE(pendenza, 0);
    else if (posizione < 14950 || (posizione >= 28200 && posizione < 28450)) EXPECT_EQ(pendenza, 0);
    else EXPECT_LT(pendenza, 0);
  }
  EXPECT_EQ(kGradients[0].posizione, 0);
}

TEST_F(DatiLineaTest, TunnelRowsNeitherOverlapNorTouch) {
  const std::regex shape(R"(montagna,   (\d+),  (\d+),  (1[12]))");
  ASSERT_EQ(std::size(kTunnels), 42u);
  int32_t previous_end = -1;
  for (std::size_t i = 0; i < std::size(kTunnels); ++i) {
    const std::string& text = riga(kFirstTunnel + i);
    SCOPED_TRACE(text);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, shape));
    const int32_t inizio = number(m[1]);
    const int32_t fine = number(m[2]);
    EXPECT_EQ(inizio, kTunnels[i].inizio);
    EXPECT_EQ(fine, kTunnels[i].fine);
    EXPECT_EQ(number(m[3]), kTunnels[i].tipo);
    EXPECT_EQ(inizio % 50, 0);
    EXPECT_EQ(fine % 50, 0);
    EXPECT_LT(inizio, fine);
    EXPECT_GT(inizio, previous_end);
    previous_end = fine;
  }
}

TEST_F(DatiLineaTest, TunnelBoardsShowNameAndLengthInBracketsOfOneWidth) {
  const std::regex shape(R"(cartello_indicatore,  (\d+),   \((.*)\)\((.*)\))");
  const std::regex shown_length(R"((\d+) m\. *)");
  const std::regex tunnel_name(R"([A-Z]+( [A-Z]+)? *)");
  ASSERT_EQ(std::size(kNameBoards), 43u);
  std::size_t tunnel = 0;
  int32_t previous_position = 0;
  for (std::size_t i = 0; i < std::size(kNameBoards); ++i) {
    const std::string& text = riga(kFirstBoard + i);
    SCOPED_TRACE(text);
    if (kNameBoards[i].tipo == BoardKind::summit) continue;  // quoted line, tested above
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, shape));
    const int32_t posizione = number(m[1]);
    const std::string nome = m[2].str();
    const std::string length = m[3].str();
    EXPECT_EQ(posizione, kNameBoards[i].posizione);
    EXPECT_GT(posizione, previous_position);
    previous_position = posizione;

    std::smatch ml;
    ASSERT_TRUE(std::regex_match(length, ml, shown_length));
    EXPECT_EQ(number(ml[1]), kNameBoards[i].length);
    EXPECT_TRUE(std::regex_match(nome, tunnel_name));

    // Both brackets are as wide as the larger natural width, which is the row's width.
    const std::size_t width = static_cast<std::size_t>(kNameBoards[i].width);
    const std::string bare_name = nome.substr(0, nome.find_last_not_of(' ') + 1);
    const std::size_t bare_length = ml[1].length() + 3;
    EXPECT_EQ(nome.size(), width);
    EXPECT_EQ(length.size(), width);
    EXPECT_EQ(std::max(bare_name.size(), bare_length), width);
    EXPECT_EQ(bare_name, kNameBoards[i].nome);

    // The k-th tunnel board stands 50 m before the k-th tunnel.
    ASSERT_LT(tunnel, std::size(kTunnels));
    EXPECT_EQ(posizione, kTunnels[tunnel].inizio - 50);
    ++tunnel;
  }
  EXPECT_EQ(tunnel, std::size(kTunnels));
  // The summit board stands 50 m before the level stretch.
  EXPECT_EQ(riga(kFirstBoard + 17), "cartello_indicatore,  14400,   (CULMINE)");
  // Boards the line's data describe in words.
  EXPECT_EQ(riga(kFirstBoard), "cartello_indicatore,  550,   (" + std::string(kNameBoards[0].nome) +
                                      ")(261 m. )");
  EXPECT_EQ(std::string(kNameBoards[0].nome).size(), 7u);
  EXPECT_EQ(std::string(kNameBoards[4].nome).size(), 5u);
  EXPECT_TRUE(riga(kFirstBoard + 4).ends_with(" )(220 m.)"));
  EXPECT_TRUE(riga(kFirstBoard + 18).ends_with("(2727 m.  )"));
}

/// What the line compiler reads from the file: every entry it starts, with
/// its position, and every key it drops.
struct EntriesSeen : CompileListener {
  std::vector<std::pair<std::string, int32_t>> entries;
  std::vector<std::string> dropped;
  void entry_read(DescriptionFile, int32_t, std::string_view entry, int32_t position) override {
    entries.emplace_back(std::string(entry), position);
  }
  void key_dropped(DescriptionFile, int32_t, ReadingSection, std::string_view key) override {
    dropped.emplace_back(key);
  }
};

// The written file compiled by the real line compiler gives the line of the
// tables: every row is read as the entry it was written for.
TEST_F(DatiLineaTest, CompilesIntoTheLineOfTheTables) {
  EntriesSeen seen;
  form.listener = &seen;
  form.compila_linea = 1;
  const Form1::LineOutcome outcome = form.store_line();
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_TRUE(outcome.train_follows);
  EXPECT_EQ(outcome.board_counter, 80 - static_cast<int32_t>(std::size(kNameBoards)));

  std::vector<std::pair<std::string, int32_t>> expected;
  for (const CurveRow& c : kCurves) expected.emplace_back("curva", c.posizione);
  for (const auto& g : kGradients) expected.emplace_back("pendenza", g.posizione);
  for (const auto& t : kTunnels) expected.emplace_back("montagna", t.inizio);
  expected.emplace_back("indicatori_vmax", 300);
  for (const auto& b : kNameBoards) expected.emplace_back("cartello_indicatore", b.posizione);
  EXPECT_EQ(seen.entries, expected);
  // Headings and the closing line start nothing; the comment is skipped unseen.
  EXPECT_EQ(seen.dropped, (std::vector<std::string>{"[curve]", "[pendenze]", "[montagne]", "[cartelli]",
                                                    "[indicazioni]", "[fine]"}));

  // The general section.
  const RecordTable& v = form.voci;
  EXPECT_EQ(v[fixed_record::general].fine, 40000);
  EXPECT_EQ(form.percorso.size(), 941u);
  // The kilometric value 73350 with the flag 1 is stored 100 m on.
  EXPECT_EQ((std::array<int32_t, 3>{v[81].inizio, v[81].fine, v[81].posizione}),
            (std::array<int32_t, 3>{0, 73450, 1}));
  EXPECT_EQ((std::array<int32_t, 3>{v[85].inizio, v[85].posizione, v[85].fine}),
            (std::array<int32_t, 3>{33600, 27600, 1}));
  EXPECT_EQ((std::array<int32_t, 3>{v[86].inizio, v[86].fine, v[86].posizione}),
            (std::array<int32_t, 3>{0, 0, 0}));
  // Each board's whole text reaches its record, from 80 down.
  for (std::size_t i = 0; i < std::size(kNameBoards); ++i) {
    const std::string& nome = v[static_cast<std::size_t>(80 - static_cast<int32_t>(i))].nome;
    EXPECT_TRUE(riga(kFirstBoard + i).ends_with(",   " + nome)) << nome;
    EXPECT_TRUE(nome.starts_with("(") && nome.ends_with(")")) << nome;
  }
}

TEST_F(DatiLineaTest, ALongerOldFileIsReplacedAndOtherNamesChangeOnlyTheName) {
  write_bytes(file("Valdarco_Lornese_linea.txt"), std::string(20000, 'x'));
  form.numero_treno = "9999";  // the train number plays no part in this file
  form.dati_linea();
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_linea.txt")), bytes);
  form.nome_linea = "Altra_Linea";
  form.dati_linea();
  EXPECT_EQ(read_bytes(file("Altra_Linea_linea.txt")), bytes);
}

}  // namespace
