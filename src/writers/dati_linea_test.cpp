#include <array>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "compile/compile_listener.h"
#include "platform/ansi.h"
#include "writers/contenuto_linea.h"
#include "writers/writers_test_util.h"

namespace {

// Line numbers (from 1) of the sections of the line description file.
constexpr std::size_t kPrimaCurva = 11;
constexpr std::size_t kPrimaPendenza = 95;
constexpr std::size_t kPrimaMontagna = 127;
constexpr std::size_t kPrimoCartello = 172;

struct DatiLineaTest : WriterTest {
  std::string bytes;
  std::vector<std::string> righe;

  void SetUp() override {
    form.dati_linea();
    bytes = read_bytes(file(ScenarioFile::line_description));
    righe = righe_crlf(bytes);
    ASSERT_EQ(righe.size(), 215u);
  }
  /// Line n, counted from 1.
  const std::string& riga(std::size_t n) const { return righe.at(n - 1); }
};

int32_t numero(const std::ssub_match& m) { return std::stoi(m.str()); }

TEST_F(DatiLineaTest, SizeLineEndsAndCharacters) {
  EXPECT_EQ(bytes.size(), 6702u);
  EXPECT_EQ(bytes.substr(bytes.size() - 8), "[fine]\r\n");
  EXPECT_TRUE(byte_non_ascii(bytes).empty());
  EXPECT_EQ(bytes.find("riferimento fine del file"), std::string::npos);
  for (std::size_t n = 1; n <= righe.size(); ++n) EXPECT_FALSE(riga(n).empty()) << "line " << n;
}

TEST_F(DatiLineaTest, QuotedLinesStandWhereTheyBelong) {
  const std::pair<std::size_t, std::string> attese[] = {
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
  for (const auto& [n, testo] : attese) EXPECT_EQ(riga(n), testo) << "line " << n;
}

TEST_F(DatiLineaTest, CurveRowsHoldTheCurvesInTheirLayout) {
  const std::regex forma(R"(curva([sd])([1-6]),  (\d+) , (\d+) )");
  ASSERT_EQ(std::size(kCurves), 82u);
  int32_t fine_precedente = 0;
  for (std::size_t i = 0; i < std::size(kCurves); ++i) {
    const std::string& testo = riga(kPrimaCurva + i);
    SCOPED_TRACE(testo);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(testo, m, forma));
    EXPECT_EQ("curva" + m[1].str() + m[2].str(), kCurves[i].parola);
    EXPECT_GE(m[2].str(), "4");
    const int32_t posizione = numero(m[3]);
    const int32_t lunghezza = numero(m[4]);
    EXPECT_EQ(posizione, kCurves[i].posizione);
    EXPECT_EQ(lunghezza, kCurves[i].lunghezza);
    EXPECT_EQ(posizione % 50, 0);
    EXPECT_EQ(lunghezza % 50, 0);
    EXPECT_GT(lunghezza, 0);
    EXPECT_GE(posizione, fine_precedente) << "curves overlap";
    fine_precedente = posizione + lunghezza;
  }
  EXPECT_EQ(fine_precedente, 39400);
}

TEST_F(DatiLineaTest, GradientRowsHoldTheRunsInTheirTwoForms) {
  const std::regex forma_a(R"(pendenza,  (\d+),   (-?\d+))");
  const std::regex forma_b(R"(pendenza,  (\d+),  (-?\d+) )");
  ASSERT_EQ(std::size(kGradients), 31u);
  int32_t posizione_precedente = -1;
  for (std::size_t i = 0; i < std::size(kGradients); ++i) {
    const std::string& testo = riga(kPrimaPendenza + i);
    SCOPED_TRACE(testo);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(testo, m, i < 4 ? forma_a : forma_b));
    const int32_t posizione = numero(m[1]);
    const int32_t pendenza = numero(m[2]);
    EXPECT_EQ(posizione, kGradients[i].posizione);
    EXPECT_EQ(pendenza, kGradients[i].pendenza);
    EXPECT_GT(posizione, posizione_precedente);
    posizione_precedente = posizione;
    // Rising to the summit, level from 14450 m, falling from 14950 m but for
    // the level stretch from 28200 m to 28450 m.
    if (posizione < 14450) EXPECT_GE(pendenza, 0);
    else if (posizione < 14950 || (posizione >= 28200 && posizione < 28450)) EXPECT_EQ(pendenza, 0);
    else EXPECT_LT(pendenza, 0);
  }
  EXPECT_EQ(kGradients[0].posizione, 0);
}

TEST_F(DatiLineaTest, TunnelRowsNeitherOverlapNorTouch) {
  const std::regex forma(R"(montagna,   (\d+),  (\d+),  (1[12]))");
  ASSERT_EQ(std::size(kTunnels), 42u);
  int32_t fine_precedente = -1;
  for (std::size_t i = 0; i < std::size(kTunnels); ++i) {
    const std::string& testo = riga(kPrimaMontagna + i);
    SCOPED_TRACE(testo);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(testo, m, forma));
    const int32_t inizio = numero(m[1]);
    const int32_t fine = numero(m[2]);
    EXPECT_EQ(inizio, kTunnels[i].inizio);
    EXPECT_EQ(fine, kTunnels[i].fine);
    EXPECT_EQ(numero(m[3]), kTunnels[i].tipo);
    EXPECT_EQ(inizio % 50, 0);
    EXPECT_EQ(fine % 50, 0);
    EXPECT_LT(inizio, fine);
    EXPECT_GT(inizio, fine_precedente);
    fine_precedente = fine;
  }
}

TEST_F(DatiLineaTest, TunnelBoardsShowNameAndLengthInBracketsOfOneWidth) {
  const std::regex forma(R"(cartello_indicatore,  (\d+),   \((.*)\)\((.*)\))");
  const std::regex lunghezza_mostrata(R"((\d+) m\. *)");
  const std::regex nome_galleria(R"([A-Z]+( [A-Z]+)? *)");
  ASSERT_EQ(std::size(kNameBoards), 43u);
  std::size_t galleria = 0;
  int32_t posizione_precedente = 0;
  for (std::size_t i = 0; i < std::size(kNameBoards); ++i) {
    const std::string& testo = riga(kPrimoCartello + i);
    SCOPED_TRACE(testo);
    if (kNameBoards[i].tipo == TipoCartello::culmine) continue;  // quoted line, tested above
    std::smatch m;
    ASSERT_TRUE(std::regex_match(testo, m, forma));
    const int32_t posizione = numero(m[1]);
    const std::string nome = m[2].str();
    const std::string lunghezza = m[3].str();
    EXPECT_EQ(posizione, kNameBoards[i].posizione);
    EXPECT_GT(posizione, posizione_precedente);
    posizione_precedente = posizione;

    std::smatch ml;
    ASSERT_TRUE(std::regex_match(lunghezza, ml, lunghezza_mostrata));
    EXPECT_EQ(numero(ml[1]), kNameBoards[i].lunghezza);
    EXPECT_TRUE(std::regex_match(nome, nome_galleria));

    // Both brackets are as wide as the larger natural width, which is the row's width.
    const std::size_t larghezza = static_cast<std::size_t>(kNameBoards[i].larghezza);
    const std::string nome_nudo = nome.substr(0, nome.find_last_not_of(' ') + 1);
    const std::size_t lunghezza_nuda = ml[1].length() + 3;
    EXPECT_EQ(nome.size(), larghezza);
    EXPECT_EQ(lunghezza.size(), larghezza);
    EXPECT_EQ(std::max(nome_nudo.size(), lunghezza_nuda), larghezza);
    EXPECT_EQ(nome_nudo, kNameBoards[i].nome);

    // The k-th tunnel board stands 50 m before the k-th tunnel.
    ASSERT_LT(galleria, std::size(kTunnels));
    EXPECT_EQ(posizione, kTunnels[galleria].inizio - 50);
    ++galleria;
  }
  EXPECT_EQ(galleria, std::size(kTunnels));
  // The summit board stands 50 m before the level stretch.
  EXPECT_EQ(riga(kPrimoCartello + 17), "cartello_indicatore,  14400,   (CULMINE)");
  // Boards the line's data describe in words.
  EXPECT_EQ(riga(kPrimoCartello), "cartello_indicatore,  550,   (" + std::string(kNameBoards[0].nome) +
                                      ")(261 m. )");
  EXPECT_EQ(std::string(kNameBoards[0].nome).size(), 7u);
  EXPECT_EQ(std::string(kNameBoards[4].nome).size(), 5u);
  EXPECT_TRUE(riga(kPrimoCartello + 4).ends_with(" )(220 m.)"));
  EXPECT_TRUE(riga(kPrimoCartello + 18).ends_with("(2727 m.  )"));
}

/// What the line compiler reads from the file: every entry it starts, with
/// its position, and every key it drops.
struct EntriesSeen : CompileListener {
  std::vector<std::pair<std::string, int32_t>> entries;
  std::vector<std::string> dropped;
  void entry_read(FileDescrizione, int32_t, std::string_view entry, int32_t position) override {
    entries.emplace_back(std::string(entry), position);
  }
  void key_dropped(FileDescrizione, int32_t, SezioneLettura, std::string_view key) override {
    dropped.emplace_back(key);
  }
};

// The written file compiled by the real line compiler gives the line of the
// tables: every row is read as the entry it was written for.
TEST_F(DatiLineaTest, CompilesIntoTheLineOfTheTables) {
  EntriesSeen seen;
  form.ascoltatore = &seen;
  form.compila_linea = 1;
  const Form1::EsitoLinea esito = form.memorizza_linea();
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_TRUE(esito.segue_treno);
  EXPECT_EQ(esito.contatore_cartelli, 80 - static_cast<int32_t>(std::size(kNameBoards)));

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
  const Voci& v = form.voci;
  EXPECT_EQ(v[voce_fissa::generale].fine, 40000);
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
    EXPECT_TRUE(riga(kPrimoCartello + i).ends_with(",   " + nome)) << nome;
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
