#include <array>
#include <cctype>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "compile/field_reader.h"
#include "platform/ansi.h"
#include "writers/train_content.h"
#include "writers/writers_test_util.h"

namespace {

// Line numbers (from 1) of the rows of the train description file.
constexpr std::size_t kFirstAdhesion = 7;
constexpr std::size_t kFirstStation = 34;
constexpr std::size_t kFirstSignal = 48;

// Field widths of the rows, written out here rather than taken from the
// writer, so that a changed width in the writer shows.
constexpr std::array<std::size_t, 16> kWidthsF = {8, 3, 5, 3, 2, 2, 3, 1, 1, 3, 1, 1, 5, 4, 2, 2};
constexpr std::array<std::size_t, 11> kWidthsG = {8, 4, 2, 2, 3, 2, 5, 3, 1, 1, 2};

struct DatiTrenoTest : WriterTest {
  std::string bytes;
  std::vector<std::string> lines;

  void SetUp() override {
    form.dati_treno();
    bytes = read_bytes(file(ScenarioFile::train_description));
    lines = crlf_lines(bytes);
    ASSERT_EQ(lines.size(), 63u);
  }
  const std::string& riga(std::size_t n) const { return lines.at(n - 1); }
};

/// The comma-separated fields of a line after its keyword.
std::vector<std::string> fields(const std::string& riga, std::string& word) {
  std::vector<std::string> result;
  std::size_t inizio = riga.find(',');
  word = riga.substr(0, inizio);
  while (inizio != std::string::npos) {
    const std::size_t fine = riga.find(',', inizio + 1);
    result.push_back(riga.substr(inizio + 1, fine == std::string::npos ? fine : fine - inizio - 1));
    inizio = fine;
  }
  return result;
}

/// The number in a right-aligned field of exactly `width` characters:
/// blanks, then digits, nothing else.
int32_t numeric_field(const std::string& field, std::size_t width) {
  static const std::regex shape(R"( *(\d+))");
  EXPECT_EQ(field.size(), width) << "\"" << field << "\"";
  std::smatch m;
  if (!std::regex_match(field, m, shape)) {
    ADD_FAILURE() << "not a right-aligned number: \"" << field << "\"";
    return -1;
  }
  return std::stoi(m[1].str());
}

TEST_F(DatiTrenoTest, SizeLineEndsAndCharacters) {
  EXPECT_EQ(bytes.size(), 2636u);
  EXPECT_EQ(bytes.substr(bytes.size() - 8), "[fine]\r\n");
  EXPECT_TRUE(non_ascii_byte(bytes).empty());
  EXPECT_EQ(bytes.find("riferimento fine del file"), std::string::npos);
  for (std::size_t n = 1; n <= lines.size(); ++n) {
    EXPECT_FALSE(riga(n).empty()) << "line " << n;
    // Only the clock line ends with a blank.
    EXPECT_EQ(riga(n).back() == ' ', n == 5) << "line " << n;
  }
}

TEST_F(DatiTrenoTest, QuotedLinesStandWhereTheyBelong) {
  const std::pair<std::size_t, std::string> expected_values[] = {
      {1, "[generale]"},
      {2, "numero vetture,    3"},
      {3, "percentuale massa frenata,    120"},
      {4, "sabbia,    300"},
      {5, "orologio,    6               47            30 "},
      {6, "[aderenze]"},
      {8, "aderenza,    3550,    85"},
      {31, "[vel_limite]"},
      {32, "velocita,       0,    80"},
      {33, "[stazioni]"},
      {34, "stazione,       0, 12,  400,  1, 0, 0,  4,1,0,  2,1,1,    1,   6,48, 0, VALDARCO TERME"},
      {44, "stazione,   38000, 27,  200,  0, 0, 0,  0,0,0,  0,0,0,   30,   7,35, 0, LORNESE OVEST"},
      {45, "stazione,   39900,  4,  600,  1, 0, 0,  1,1,0,  2,1,1,    0,   7,38, 0, LORNESE"},
      {46, "[rallentamenti]"},
      {47, "[segnali]"},
      {48, "segnale,    5950,   1, 5, 1,  0, 0,    0,  0,0,0, 0"},
      {62, "[codici]"},
      {63, "[fine]"},
  };
  for (const auto& [n, text] : expected_values) EXPECT_EQ(riga(n), text) << "line " << n;
  EXPECT_EQ(riga(5).size(), 46u);
}

TEST_F(DatiTrenoTest, AdhesionRowsAreRightAlignedRuns) {
  ASSERT_EQ(std::size(kAdhesion), 24u);
  int32_t previous_position = -1;
  for (std::size_t i = 0; i < std::size(kAdhesion); ++i) {
    const std::string& text = riga(kFirstAdhesion + i);
    SCOPED_TRACE(text);
    std::string word;
    const auto c = fields(text, word);
    EXPECT_EQ(word, "aderenza");
    ASSERT_EQ(c.size(), 2u);
    const int32_t posizione = numeric_field(c[0], 8);
    EXPECT_EQ(posizione, kAdhesion[i].posizione);
    EXPECT_EQ(numeric_field(c[1], 6), kAdhesion[i].aderenza);
    EXPECT_GT(posizione, previous_position);
    EXPECT_EQ(posizione % 50, 0);
    previous_position = posizione;
  }
  EXPECT_EQ(kAdhesion[0].posizione, 0);
}

TEST_F(DatiTrenoTest, StationRowsHoldSixteenFieldsAndTheName) {
  ASSERT_EQ(std::size(kStations), 12u);
  int32_t previous_position = -1;
  for (std::size_t i = 0; i < std::size(kStations); ++i) {
    const std::string& text = riga(kFirstStation + i);
    SCOPED_TRACE(text);
    std::string word;
    const auto c = fields(text, word);
    EXPECT_EQ(word, "stazione");
    ASSERT_EQ(c.size(), 17u);
    for (std::size_t f = 0; f < kStationFields; ++f)
      EXPECT_EQ(numeric_field(c[f], kWidthsF[f]), kStations[i].fields[f]) << "F" << f + 1;
    EXPECT_EQ(c[16], " " + std::string(kStations[i].nome));
    const int32_t posizione = kStations[i].fields[0];
    EXPECT_GT(posizione, previous_position);
    EXPECT_EQ(posizione % 50, 0);
    EXPECT_EQ(kStations[i].fields[2] % 100, 0);
    previous_position = posizione;
  }
}

TEST_F(DatiTrenoTest, IntermediateStationNamesFollowTheNamingRules) {
  // Capitals in one or more words; a dot and a closing apostrophe occur;
  // every name ends with a letter or an apostrophe; never a comma.
  const std::regex shape(R"([A-Z][A-Z.']*( [A-Z][A-Z.']*)*)");
  bool with_point = false;
  bool with_trailing_apostrophe = false;
  for (std::size_t i = 1; i <= 9; ++i) {
    const std::string nome = kStations[i].nome;
    SCOPED_TRACE(nome);
    EXPECT_TRUE(std::regex_match(nome, shape));
    EXPECT_TRUE(std::isupper(static_cast<unsigned char>(nome.back())) || nome.back() == '\'');
    with_point = with_point || nome.find('.') != std::string::npos;
    with_trailing_apostrophe = with_trailing_apostrophe || nome.back() == '\'';
  }
  EXPECT_TRUE(with_point);
  EXPECT_TRUE(with_trailing_apostrophe);
  // The two stations without a time are the ones of rows 9 and 10.
  for (std::size_t i = 0; i < std::size(kStations); ++i) {
    const bool without_time = kStations[i].fields[13] == 0 && kStations[i].fields[14] == 0;
    EXPECT_EQ(without_time, i == 8 || i == 9) << kStations[i].nome;
  }
}

TEST_F(DatiTrenoTest, SignalRowsAreRightAlignedAndAlternate) {
  ASSERT_EQ(std::size(kSignals), 14u);
  int32_t previous_position = -1;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    const std::string& text = riga(kFirstSignal + i);
    SCOPED_TRACE(text);
    std::string word;
    const auto c = fields(text, word);
    EXPECT_EQ(word, "segnale");
    ASSERT_EQ(c.size(), 11u);
    std::array<int32_t, 11> read_values{};
    for (std::size_t f = 0; f < c.size(); ++f) read_values[f] = numeric_field(c[f], kWidthsG[f]);
    EXPECT_EQ(read_values, signal_fields(kSignals[i]));
    EXPECT_EQ(read_values[1], i % 2 == 0 ? 1 : 2) << "sx alternates 1 and 2";
    for (std::size_t f : {4, 5, 6, 7, 8, 9, 10}) EXPECT_EQ(read_values[f], 0) << "field " << f + 1;
    EXPECT_GT(read_values[0], previous_position);
    previous_position = read_values[0];
  }
}

TEST_F(DatiTrenoTest, ReadsAsTheServiceCompilerReadsIt) {
  FieldReader reader(bytes);
  std::string key;
  do key = reader.read_text();
  while (key.find("[generale]") == std::string::npos);

  std::vector<std::string> keys, discarded_keys;
  std::vector<StationRow> stations;
  std::vector<std::string> names;
  std::vector<std::pair<int32_t, int32_t>> adhesion_runs;
  std::vector<std::array<int32_t, 11>> signals;
  std::string last;
  while (!reader.end_of_file()) {
    key = reader.read_text();
    if (reader.end_of_file()) {
      last = key;
      break;
    }
    EXPECT_EQ(key.find('-'), std::string::npos) << key;
    const std::string k = lowercase(key);
    const char* const words[] = {"frenata", "vetture", "velocit", "aderenza", "orologio",
                                  "sabbia", "segnale", "rallentamento", "abbattimento",
                                  "stazione"};
    int recognised_keys = 0;
    for (const char* p : words) recognised_keys += k.find(p) != std::string::npos;
    ASSERT_LE(recognised_keys, 1) << key;
    if (recognised_keys == 0) {
      discarded_keys.push_back(key);
      continue;
    }
    keys.push_back(key);
    if (k == "numero vetture" || k == "percentuale massa frenata") {
      reader.read_int32();
    } else if (k == "sabbia") {
      reader.read_int16();
    } else if (k == "orologio") {
      EXPECT_EQ(reader.read_int16(), 6);
      EXPECT_EQ(reader.read_int16(), 47);
      EXPECT_EQ(reader.read_int16(), 30);
    } else if (k == "aderenza" || k == "velocita") {
      const int32_t posizione = reader.read_int32();
      const int32_t value = reader.read_int32();
      if (k == "aderenza") adhesion_runs.emplace_back(posizione, value);
    } else if (k == "segnale") {
      std::array<int32_t, 11> values{};
      for (int32_t& v : values) v = reader.read_int32();
      signals.push_back(values);
    } else if (k == "stazione") {
      // Each field in the width the compiler reads it with.
      StationRow s{};
      for (std::size_t f = 0; f < kStationFields; ++f) {
        switch (f + 1) {
          case 2: case 4: case 5: case 6: case 9: case 13:
            s.fields[f] = reader.read_uint8();
            break;
          case 7: case 8: case 10: case 11: case 12:
            s.fields[f] = reader.read_int16();
            break;
          default:
            s.fields[f] = reader.read_int32();
        }
      }
      names.push_back(reader.read_text());
      stations.push_back(s);
    } else {
      ADD_FAILURE() << "unexpected entry " << key;
    }
  }
  EXPECT_EQ(last, "[fine]");
  EXPECT_EQ(discarded_keys, (std::vector<std::string>{"[aderenze]", "[vel_limite]", "[stazioni]",
                                                "[rallentamenti]", "[segnali]", "[codici]"}));
  EXPECT_EQ(keys.size(), 4u + 24u + 1u + 12u + 14u);
  ASSERT_EQ(adhesion_runs.size(), std::size(kAdhesion));
  for (std::size_t i = 0; i < adhesion_runs.size(); ++i)
    EXPECT_EQ(adhesion_runs[i], std::make_pair(kAdhesion[i].posizione, kAdhesion[i].aderenza));
  ASSERT_EQ(stations.size(), std::size(kStations));
  for (std::size_t i = 0; i < stations.size(); ++i) {
    EXPECT_EQ(stations[i].fields, kStations[i].fields);
    EXPECT_EQ(names[i], kStations[i].nome);
  }
  ASSERT_EQ(signals.size(), std::size(kSignals));
  for (std::size_t i = 0; i < signals.size(); ++i) EXPECT_EQ(signals[i], signal_fields(kSignals[i]));
}

TEST_F(DatiTrenoTest, ALongerOldFileIsReplacedAndOtherNamesChangeOnlyTheName) {
  write_bytes(file("Valdarco_Lornese_4158-.txt"), std::string(9000, 'x'));
  form.dati_treno();
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158-.txt")), bytes);
  form.numero_treno = "77";
  form.nome_linea = "Altra_Linea";
  form.dati_treno();
  EXPECT_EQ(read_bytes(file("Altra_Linea_77-.txt")), bytes);
}

}  // namespace
