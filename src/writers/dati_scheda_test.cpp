#include <cctype>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "writers/card_content.h"
#include "writers/train_content.h"
#include "writers/writers_test_util.h"

namespace {

constexpr std::size_t kFirstStation = 17;

const std::string kClosedGrid =
    " |_____|_____|__________|_____|____________________________|________________|_____|";

struct DatiSchedaTest : WriterTest {
  std::string bytes;
  std::vector<std::string> lines;

  void SetUp() override {
    form.dati_scheda();
    bytes = read_bytes(file(ScenarioFile::timetable_card));
    lines = crlf_lines(bytes);
    ASSERT_EQ(lines.size(), 32u);
  }
  const std::string& riga(std::size_t n) const { return lines.at(n - 1); }
};

TEST_F(DatiSchedaTest, SizeLineEndsAndLineLengths) {
  EXPECT_EQ(bytes.size(), 2186u);
  EXPECT_TRUE(bytes.starts_with("\r\n\r\n  ___"));
  EXPECT_TRUE(bytes.ends_with("\r\n\r\n\r\nNota: Nella colonna Orario il simbolo '+' indica 'mezzo minuto'.\r\n"));
  EXPECT_TRUE(non_ascii_byte(bytes).empty());
  EXPECT_EQ(bytes.find("riferimento fine del file"), std::string::npos);
  // Length of every line; the grid lines 14 to 29 are all 83 characters.
  const std::size_t lengths[] = {0,  0,  82, 83, 83, 83, 83, 56, 64, 57, 57, 0,  82, 83, 83, 83,
                                   83, 83, 83, 83, 83, 83, 83, 83, 83, 83, 83, 83, 83, 0,  0,  64};
  for (std::size_t n = 1; n <= lines.size(); ++n) {
    EXPECT_EQ(riga(n).size(), lengths[n - 1]) << "line " << n;
    if (!riga(n).empty()) {
      EXPECT_EQ(riga(n).back() == ' ', n == 9) << "line " << n;
    }
  }
  EXPECT_TRUE(riga(9).ends_with("|       "));
}

TEST_F(DatiSchedaTest, QuotedLinesStandWhereTheyBelong) {
  const std::pair<std::size_t, std::string> expected_values[] = {
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
      {16, kClosedGrid},
      {17, " |  80 |  75 |  73.370  |     | VALDARCO TERME             |  6.48          |     |"},
      {27, " |     |     |  35.330  |     | LORNESE OVEST              |  7.34+    7.35 |     |"},
      {28, " |     |     |  33.570  |     | LORNESE                    |           7.38 |     |"},
      {29, kClosedGrid},
      {30, ""},
      {31, ""},
      {32, "Nota: Nella colonna Orario il simbolo '+' indica 'mezzo minuto'."},
  };
  for (const auto& [n, text] : expected_values) EXPECT_EQ(riga(n), text) << "line " << n;
  EXPECT_EQ(riga(4).find("SCHEDA"), 42u);  // column 43
  EXPECT_EQ(riga(5).find("da: VALDARCO T."), 41u);
  EXPECT_EQ(riga(6).find("a: LORNESE"), 42u);
}

TEST_F(DatiSchedaTest, GridLinesHaveTheirBarsInTheSameColumns) {
  const std::vector<std::size_t> columns = {2, 8, 14, 25, 31, 60, 77, 83};
  for (std::size_t n = 14; n <= 29; ++n) {
    std::vector<std::size_t> bars;
    for (std::size_t i = 0; i < riga(n).size(); ++i)
      if (riga(n)[i] == '|') bars.push_back(i + 1);
    EXPECT_EQ(bars, columns) << "line " << n;
  }
}

/// A card time "H.MM" with an optional "+", in seconds after midnight.
int32_t seconds(const std::string& orario) {
  const int32_t hours = orario[0] - '0';
  const int32_t minutes = std::stoi(orario.substr(2, 2));
  return (hours * 60 + minutes) * 60 + (orario.ends_with("+") ? 30 : 0);
}

TEST_F(DatiSchedaTest, StationRowsReadBackAsTheCardRows) {
  // Kilometre, name, then the time column in its three places.
  const std::regex shape(
      R"( \|(.{5})\|(.{5})\|  (\d\d\.\d{3})  \|     \| (.{27})\|  (\d\.\d\d[+ ]|     )(\d\.\d\d| {4})(\d\.\d\d| {4}) \|     \|)");
  ASSERT_EQ(std::size(kCardRows), 12u);
  double previous_km = 1e9;
  int32_t previous_time = 0;
  for (std::size_t i = 0; i < std::size(kCardRows); ++i) {
    const std::string& text = riga(kFirstStation + i);
    SCOPED_TRACE(text);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, shape));
    const CardRow& r = kCardRows[i];
    EXPECT_EQ(m[1].str(), i == 0 ? "  80 " : "     ");
    EXPECT_EQ(m[2].str(), i == 0 ? "  75 " : "     ");
    EXPECT_EQ(m[3].str(), r.chainage);
    const double km = std::stod(m[3].str());
    EXPECT_LT(km, previous_km);
    previous_km = km;

    const std::string nome = m[4].str().substr(0, m[4].str().find_last_not_of(' ') + 1);
    EXPECT_EQ(nome, r.place);
    const bool lower_letters = i == 8 || i == 9;
    EXPECT_EQ(std::regex_match(nome, std::regex(lower_letters ? "[A-Z][a-z]*( [A-Za-z][a-z]*)*"
                                                          : "[A-Z][A-Z.'-]*( [A-Z][A-Z.'-]*)*")),
              true);

    std::string left = m[5].str();
    left.erase(left.find_last_not_of(' ') + 1);
    const std::string centre = m[6].str() == "    " ? "" : m[6].str();
    const std::string right = m[7].str() == "    " ? "" : m[7].str();
    EXPECT_EQ(left, r.left_time);
    EXPECT_EQ(centre, r.centre_time);
    EXPECT_EQ(right, r.right_time);
    // The first row has a left time only, the last a right time only, rows 9
    // and 10 a middle time only; two times stand left (earlier) and right.
    EXPECT_EQ(!centre.empty(), lower_letters);
    EXPECT_EQ(std::string(r.left_time).empty(), lower_letters || i == 11);
    EXPECT_EQ(std::string(r.right_time).empty(), lower_letters || i == 0);
    for (const std::string& orario : {std::string(r.left_time), centre, right}) {
      if (orario.empty()) continue;
      EXPECT_GT(seconds(orario), previous_time) << orario;
      previous_time = seconds(orario);
    }
  }
}

TEST_F(DatiSchedaTest, TimesAndNamesAgreeWithTheTrainDescription) {
  ASSERT_EQ(std::size(kCardRows), std::size(kStations));
  for (std::size_t i = 0; i < std::size(kCardRows); ++i) {
    const CardRow& r = kCardRows[i];
    const auto& f = kStations[i].fields;
    SCOPED_TRACE(r.place);
    // The train's hour and minute are those of the row's last time on the
    // card; the two stations without one have only a middle time.
    const std::string last = *r.right_time ? r.right_time : r.left_time;
    if (f[13] == 0 && f[14] == 0) {
      EXPECT_TRUE(last.empty());
    } else {
      ASSERT_GE(last.size(), 4u);
      EXPECT_EQ(last.substr(0, 4), std::to_string(f[13]) + "." + (f[14] < 10 ? "0" : "") +
                                         std::to_string(f[14]));
    }
    // A card name is the train's name in capitals, a hyphen for a blank and
    // the saint's title in full.
    std::string card = r.place;
    for (char& c : card) c = c == '-' ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string train = kStations[i].nome;
    if (const auto p = train.find("S. "); p != std::string::npos) train.replace(p, 3, "SAN ");
    EXPECT_EQ(card, train);
    EXPECT_LE(std::string(r.place).size(), 27u);
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
