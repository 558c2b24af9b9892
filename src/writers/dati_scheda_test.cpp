#include <cctype>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "writers/contenuto_scheda.h"
#include "writers/contenuto_treno.h"
#include "writers/writers_test_util.h"

namespace {

constexpr std::size_t kPrimaStazione = 17;

const std::string kGrigliaChiusa =
    " |_____|_____|__________|_____|____________________________|________________|_____|";

struct DatiSchedaTest : WriterTest {
  std::string bytes;
  std::vector<std::string> righe;

  void SetUp() override {
    form.dati_scheda();
    bytes = read_bytes(file(ScenarioFile::timetable_card));
    righe = righe_crlf(bytes);
    ASSERT_EQ(righe.size(), 32u);
  }
  const std::string& riga(std::size_t n) const { return righe.at(n - 1); }
};

TEST_F(DatiSchedaTest, SizeLineEndsAndLineLengths) {
  EXPECT_EQ(bytes.size(), 2186u);
  EXPECT_TRUE(bytes.starts_with("\r\n\r\n  ___"));
  EXPECT_TRUE(bytes.ends_with("\r\n\r\n\r\nNota: Nella colonna Orario il simbolo '+' indica 'mezzo minuto'.\r\n"));
  EXPECT_TRUE(byte_non_ascii(bytes).empty());
  EXPECT_EQ(bytes.find("riferimento fine del file"), std::string::npos);
  // Length of every line; the grid lines 14 to 29 are all 83 characters.
  const std::size_t lunghezze[] = {0,  0,  82, 83, 83, 83, 83, 56, 64, 57, 57, 0,  82, 83, 83, 83,
                                   83, 83, 83, 83, 83, 83, 83, 83, 83, 83, 83, 83, 83, 0,  0,  64};
  for (std::size_t n = 1; n <= righe.size(); ++n) {
    EXPECT_EQ(riga(n).size(), lunghezze[n - 1]) << "line " << n;
    if (!riga(n).empty()) {
      EXPECT_EQ(riga(n).back() == ' ', n == 9) << "line " << n;
    }
  }
  EXPECT_TRUE(riga(9).ends_with("|       "));
}

TEST_F(DatiSchedaTest, QuotedLinesStandWhereTheyBelong) {
  const std::pair<std::size_t, std::string> attese[] = {
      {3, "  ___________________                                               ______________"},
      {4, " |                   |                    SCHEDA                   |              |"},
      {5, " |   TRENO n. 4158   |                   da: VALDARCO T.           |    V160 B    |"},
      {6, " |___________________|                    a: LORNESE               |     120%     |"},
      {7, "                                                                   |______________|"},
      {8, "  ___________________                ___________________"},
      {9, " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       "},
      {10, " |    REGIONALE      |              |      250T         |"},
      {11, " |___________________|              |___________________|"},
      {12, ""},
      {13, "  ________________________________________________________________________________"},
      {14, " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |"},
      {15, " | Lim.|Marc.|          |  Rs |                            |                |     |"},
      {16, kGrigliaChiusa},
      {17, " |  80 |  75 |  73.370  |     | VALDARCO TERME             |  6.48          |     |"},
      {27, " |     |     |  35.330  |     | LORNESE OVEST              |  7.34+    7.35 |     |"},
      {28, " |     |     |  33.570  |     | LORNESE                    |           7.38 |     |"},
      {29, kGrigliaChiusa},
      {30, ""},
      {31, ""},
      {32, "Nota: Nella colonna Orario il simbolo '+' indica 'mezzo minuto'."},
  };
  for (const auto& [n, testo] : attese) EXPECT_EQ(riga(n), testo) << "line " << n;
  EXPECT_EQ(riga(4).find("SCHEDA"), 42u);  // column 43
  EXPECT_EQ(riga(5).find("da: VALDARCO T."), 41u);
  EXPECT_EQ(riga(6).find("a: LORNESE"), 42u);
}

TEST_F(DatiSchedaTest, GridLinesHaveTheirBarsInTheSameColumns) {
  const std::vector<std::size_t> colonne = {2, 8, 14, 25, 31, 60, 77, 83};
  for (std::size_t n = 14; n <= 29; ++n) {
    std::vector<std::size_t> barre;
    for (std::size_t i = 0; i < riga(n).size(); ++i)
      if (riga(n)[i] == '|') barre.push_back(i + 1);
    EXPECT_EQ(barre, colonne) << "line " << n;
  }
}

/// A card time "H.MM" with an optional "+", in seconds after midnight.
int32_t secondi(const std::string& orario) {
  const int32_t ore = orario[0] - '0';
  const int32_t minuti = std::stoi(orario.substr(2, 2));
  return (ore * 60 + minuti) * 60 + (orario.ends_with("+") ? 30 : 0);
}

TEST_F(DatiSchedaTest, StationRowsReadBackAsTheCardRows) {
  // Kilometre, name, then the time column in its three places.
  const std::regex forma(
      R"( \|(.{5})\|(.{5})\|  (\d\d\.\d{3})  \|     \| (.{27})\|  (\d\.\d\d[+ ]|     )(\d\.\d\d| {4})(\d\.\d\d| {4}) \|     \|)");
  ASSERT_EQ(std::size(kCardRows), 12u);
  double km_precedente = 1e9;
  int32_t orario_precedente = 0;
  for (std::size_t i = 0; i < std::size(kCardRows); ++i) {
    const std::string& testo = riga(kPrimaStazione + i);
    SCOPED_TRACE(testo);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(testo, m, forma));
    const CardRow& r = kCardRows[i];
    EXPECT_EQ(m[1].str(), i == 0 ? "  80 " : "     ");
    EXPECT_EQ(m[2].str(), i == 0 ? "  75 " : "     ");
    EXPECT_EQ(m[3].str(), r.progressiva);
    const double km = std::stod(m[3].str());
    EXPECT_LT(km, km_precedente);
    km_precedente = km;

    const std::string nome = m[4].str().substr(0, m[4].str().find_last_not_of(' ') + 1);
    EXPECT_EQ(nome, r.localita);
    const bool minuscole = i == 8 || i == 9;
    EXPECT_EQ(std::regex_match(nome, std::regex(minuscole ? "[A-Z][a-z]*( [A-Za-z][a-z]*)*"
                                                          : "[A-Z][A-Z.'-]*( [A-Z][A-Z.'-]*)*")),
              true);

    std::string sinistra = m[5].str();
    sinistra.erase(sinistra.find_last_not_of(' ') + 1);
    const std::string centro = m[6].str() == "    " ? "" : m[6].str();
    const std::string destra = m[7].str() == "    " ? "" : m[7].str();
    EXPECT_EQ(sinistra, r.orario_sinistra);
    EXPECT_EQ(centro, r.orario_centro);
    EXPECT_EQ(destra, r.orario_destra);
    // The first row has a left time only, the last a right time only, rows 9
    // and 10 a middle time only; two times stand left (earlier) and right.
    EXPECT_EQ(!centro.empty(), minuscole);
    EXPECT_EQ(std::string(r.orario_sinistra).empty(), minuscole || i == 11);
    EXPECT_EQ(std::string(r.orario_destra).empty(), minuscole || i == 0);
    for (const std::string& orario : {std::string(r.orario_sinistra), centro, destra}) {
      if (orario.empty()) continue;
      EXPECT_GT(secondi(orario), orario_precedente) << orario;
      orario_precedente = secondi(orario);
    }
  }
}

TEST_F(DatiSchedaTest, TimesAndNamesAgreeWithTheTrainDescription) {
  ASSERT_EQ(std::size(kCardRows), std::size(kStations));
  for (std::size_t i = 0; i < std::size(kCardRows); ++i) {
    const CardRow& r = kCardRows[i];
    const auto& f = kStations[i].campi;
    SCOPED_TRACE(r.localita);
    // The train's hour and minute are those of the row's last time on the
    // card; the two stations without one have only a middle time.
    const std::string ultimo = *r.orario_destra ? r.orario_destra : r.orario_sinistra;
    if (f[13] == 0 && f[14] == 0) {
      EXPECT_TRUE(ultimo.empty());
    } else {
      ASSERT_GE(ultimo.size(), 4u);
      EXPECT_EQ(ultimo.substr(0, 4), std::to_string(f[13]) + "." + (f[14] < 10 ? "0" : "") +
                                         std::to_string(f[14]));
    }
    // A card name is the train's name in capitals, a hyphen for a blank and
    // the saint's title in full.
    std::string card = r.localita;
    for (char& c : card) c = c == '-' ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string treno = kStations[i].nome;
    if (const auto p = treno.find("S. "); p != std::string::npos) treno.replace(p, 3, "SAN ");
    EXPECT_EQ(card, treno);
    EXPECT_LE(std::string(r.localita).size(), 27u);
  }
}

TEST_F(DatiSchedaTest, OtherNamesChangeOnlyTheFileName) {
  write_bytes(file("Valdarco_Lornese_4158_scheda_treno.txt"), std::string(5000, 'x'));
  form.dati_scheda();
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158_scheda_treno.txt")), bytes);
  form.numero_treno = "5";
  form.dati_scheda();
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_5_scheda_treno.txt")), bytes);
}

}  // namespace
