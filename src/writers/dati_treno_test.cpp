#include <array>
#include <cctype>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "compile/field_reader.h"
#include "platform/ansi.h"
#include "writers/contenuto_treno.h"
#include "writers/writers_test_util.h"

namespace {

// Line numbers (from 1) of the rows of the train description file.
constexpr std::size_t kPrimaAderenza = 7;
constexpr std::size_t kPrimaStazione = 34;
constexpr std::size_t kPrimoSegnale = 48;

// Field widths of the rows, written out here rather than taken from the
// writer, so that a changed width in the writer shows.
constexpr std::array<std::size_t, 16> kLarghezzeF = {8, 3, 5, 3, 2, 2, 3, 1, 1, 3, 1, 1, 5, 4, 2, 2};
constexpr std::array<std::size_t, 11> kLarghezzeG = {8, 4, 2, 2, 3, 2, 5, 3, 1, 1, 2};

struct DatiTrenoTest : WriterTest {
  std::string bytes;
  std::vector<std::string> righe;

  void SetUp() override {
    form.dati_treno();
    bytes = read_bytes(file(ScenarioFile::train_description));
    righe = righe_crlf(bytes);
    ASSERT_EQ(righe.size(), 63u);
  }
  const std::string& riga(std::size_t n) const { return righe.at(n - 1); }
};

/// The comma-separated fields of a line after its keyword.
std::vector<std::string> campi(const std::string& riga, std::string& parola) {
  std::vector<std::string> risultato;
  std::size_t inizio = riga.find(',');
  parola = riga.substr(0, inizio);
  while (inizio != std::string::npos) {
    const std::size_t fine = riga.find(',', inizio + 1);
    risultato.push_back(riga.substr(inizio + 1, fine == std::string::npos ? fine : fine - inizio - 1));
    inizio = fine;
  }
  return risultato;
}

/// The number in a right-aligned field of exactly `larghezza` characters:
/// blanks, then digits, nothing else.
int32_t campo_numerico(const std::string& campo, std::size_t larghezza) {
  static const std::regex forma(R"( *(\d+))");
  EXPECT_EQ(campo.size(), larghezza) << "\"" << campo << "\"";
  std::smatch m;
  if (!std::regex_match(campo, m, forma)) {
    ADD_FAILURE() << "not a right-aligned number: \"" << campo << "\"";
    return -1;
  }
  return std::stoi(m[1].str());
}

TEST_F(DatiTrenoTest, SizeLineEndsAndCharacters) {
  EXPECT_EQ(bytes.size(), 2636u);
  EXPECT_EQ(bytes.substr(bytes.size() - 8), "[fine]\r\n");
  EXPECT_TRUE(byte_non_ascii(bytes).empty());
  EXPECT_EQ(bytes.find("riferimento fine del file"), std::string::npos);
  for (std::size_t n = 1; n <= righe.size(); ++n) {
    EXPECT_FALSE(riga(n).empty()) << "line " << n;
    // Only the clock line ends with a blank.
    EXPECT_EQ(riga(n).back() == ' ', n == 5) << "line " << n;
  }
}

TEST_F(DatiTrenoTest, QuotedLinesStandWhereTheyBelong) {
  const std::pair<std::size_t, std::string> attese[] = {
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
  for (const auto& [n, testo] : attese) EXPECT_EQ(riga(n), testo) << "line " << n;
  EXPECT_EQ(riga(5).size(), 46u);
}

TEST_F(DatiTrenoTest, AdhesionRowsAreRightAlignedRuns) {
  ASSERT_EQ(std::size(kAdhesion), 24u);
  int32_t posizione_precedente = -1;
  for (std::size_t i = 0; i < std::size(kAdhesion); ++i) {
    const std::string& testo = riga(kPrimaAderenza + i);
    SCOPED_TRACE(testo);
    std::string parola;
    const auto c = campi(testo, parola);
    EXPECT_EQ(parola, "aderenza");
    ASSERT_EQ(c.size(), 2u);
    const int32_t posizione = campo_numerico(c[0], 8);
    EXPECT_EQ(posizione, kAdhesion[i].posizione);
    EXPECT_EQ(campo_numerico(c[1], 6), kAdhesion[i].aderenza);
    EXPECT_GT(posizione, posizione_precedente);
    EXPECT_EQ(posizione % 50, 0);
    posizione_precedente = posizione;
  }
  EXPECT_EQ(kAdhesion[0].posizione, 0);
}

TEST_F(DatiTrenoTest, StationRowsHoldSixteenFieldsAndTheName) {
  ASSERT_EQ(std::size(kStations), 12u);
  int32_t posizione_precedente = -1;
  for (std::size_t i = 0; i < std::size(kStations); ++i) {
    const std::string& testo = riga(kPrimaStazione + i);
    SCOPED_TRACE(testo);
    std::string parola;
    const auto c = campi(testo, parola);
    EXPECT_EQ(parola, "stazione");
    ASSERT_EQ(c.size(), 17u);
    for (std::size_t f = 0; f < kCampiStazione; ++f)
      EXPECT_EQ(campo_numerico(c[f], kLarghezzeF[f]), kStations[i].campi[f]) << "F" << f + 1;
    EXPECT_EQ(c[16], " " + std::string(kStations[i].nome));
    const int32_t posizione = kStations[i].campi[0];
    EXPECT_GT(posizione, posizione_precedente);
    EXPECT_EQ(posizione % 50, 0);
    EXPECT_EQ(kStations[i].campi[2] % 100, 0);
    posizione_precedente = posizione;
  }
}

TEST_F(DatiTrenoTest, IntermediateStationNamesFollowTheNamingRules) {
  // Capitals in one or more words; a dot and a closing apostrophe occur;
  // every name ends with a letter or an apostrophe; never a comma.
  const std::regex forma(R"([A-Z][A-Z.']*( [A-Z][A-Z.']*)*)");
  bool con_punto = false;
  bool con_apostrofo_finale = false;
  for (std::size_t i = 1; i <= 9; ++i) {
    const std::string nome = kStations[i].nome;
    SCOPED_TRACE(nome);
    EXPECT_TRUE(std::regex_match(nome, forma));
    EXPECT_TRUE(std::isupper(static_cast<unsigned char>(nome.back())) || nome.back() == '\'');
    con_punto = con_punto || nome.find('.') != std::string::npos;
    con_apostrofo_finale = con_apostrofo_finale || nome.back() == '\'';
  }
  EXPECT_TRUE(con_punto);
  EXPECT_TRUE(con_apostrofo_finale);
  // The two stations without a time are the ones of rows 9 and 10.
  for (std::size_t i = 0; i < std::size(kStations); ++i) {
    const bool senza_orario = kStations[i].campi[13] == 0 && kStations[i].campi[14] == 0;
    EXPECT_EQ(senza_orario, i == 8 || i == 9) << kStations[i].nome;
  }
}

TEST_F(DatiTrenoTest, SignalRowsAreRightAlignedAndAlternate) {
  ASSERT_EQ(std::size(kSignals), 14u);
  int32_t posizione_precedente = -1;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    const std::string& testo = riga(kPrimoSegnale + i);
    SCOPED_TRACE(testo);
    std::string parola;
    const auto c = campi(testo, parola);
    EXPECT_EQ(parola, "segnale");
    ASSERT_EQ(c.size(), 11u);
    std::array<int32_t, 11> letti{};
    for (std::size_t f = 0; f < c.size(); ++f) letti[f] = campo_numerico(c[f], kLarghezzeG[f]);
    EXPECT_EQ(letti, campi_segnale(kSignals[i]));
    EXPECT_EQ(letti[1], i % 2 == 0 ? 1 : 2) << "sx alternates 1 and 2";
    for (std::size_t f : {4, 5, 6, 7, 8, 9, 10}) EXPECT_EQ(letti[f], 0) << "field " << f + 1;
    EXPECT_GT(letti[0], posizione_precedente);
    posizione_precedente = letti[0];
  }
}

TEST_F(DatiTrenoTest, ReadsAsTheServiceCompilerReadsIt) {
  FieldReader lettore(bytes);
  std::string chiave;
  do chiave = lettore.leggi_testo();
  while (chiave.find("[generale]") == std::string::npos);

  std::vector<std::string> chiavi, scartate;
  std::vector<StationRow> stazioni;
  std::vector<std::string> nomi;
  std::vector<std::pair<int32_t, int32_t>> aderenze;
  std::vector<std::array<int32_t, 11>> segnali;
  std::string ultima;
  while (!lettore.fine_file()) {
    chiave = lettore.leggi_testo();
    if (lettore.fine_file()) {
      ultima = chiave;
      break;
    }
    EXPECT_EQ(chiave.find('-'), std::string::npos) << chiave;
    const std::string k = minuscolo(chiave);
    const char* const parole[] = {"frenata", "vetture", "velocit", "aderenza", "orologio",
                                  "sabbia", "segnale", "rallentamento", "abbattimento",
                                  "stazione"};
    int riconosciute = 0;
    for (const char* p : parole) riconosciute += k.find(p) != std::string::npos;
    ASSERT_LE(riconosciute, 1) << chiave;
    if (riconosciute == 0) {
      scartate.push_back(chiave);
      continue;
    }
    chiavi.push_back(chiave);
    if (k == "numero vetture" || k == "percentuale massa frenata") {
      lettore.leggi_int32();
    } else if (k == "sabbia") {
      lettore.leggi_int16();
    } else if (k == "orologio") {
      EXPECT_EQ(lettore.leggi_int16(), 6);
      EXPECT_EQ(lettore.leggi_int16(), 47);
      EXPECT_EQ(lettore.leggi_int16(), 30);
    } else if (k == "aderenza" || k == "velocita") {
      const int32_t posizione = lettore.leggi_int32();
      const int32_t valore = lettore.leggi_int32();
      if (k == "aderenza") aderenze.emplace_back(posizione, valore);
    } else if (k == "segnale") {
      std::array<int32_t, 11> valori{};
      for (int32_t& v : valori) v = lettore.leggi_int32();
      segnali.push_back(valori);
    } else if (k == "stazione") {
      // Each field in the width the compiler reads it with.
      StationRow s{};
      for (std::size_t f = 0; f < kCampiStazione; ++f) {
        switch (f + 1) {
          case 2: case 4: case 5: case 6: case 9: case 13:
            s.campi[f] = lettore.leggi_uint8();
            break;
          case 7: case 8: case 10: case 11: case 12:
            s.campi[f] = lettore.leggi_int16();
            break;
          default:
            s.campi[f] = lettore.leggi_int32();
        }
      }
      nomi.push_back(lettore.leggi_testo());
      stazioni.push_back(s);
    } else {
      ADD_FAILURE() << "unexpected entry " << chiave;
    }
  }
  EXPECT_EQ(ultima, "[fine]");
  EXPECT_EQ(scartate, (std::vector<std::string>{"[aderenze]", "[vel_limite]", "[stazioni]",
                                                "[rallentamenti]", "[segnali]", "[codici]"}));
  EXPECT_EQ(chiavi.size(), 4u + 24u + 1u + 12u + 14u);
  ASSERT_EQ(aderenze.size(), std::size(kAdhesion));
  for (std::size_t i = 0; i < aderenze.size(); ++i)
    EXPECT_EQ(aderenze[i], std::make_pair(kAdhesion[i].posizione, kAdhesion[i].aderenza));
  ASSERT_EQ(stazioni.size(), std::size(kStations));
  for (std::size_t i = 0; i < stazioni.size(); ++i) {
    EXPECT_EQ(stazioni[i].campi, kStations[i].campi);
    EXPECT_EQ(nomi[i], kStations[i].nome);
  }
  ASSERT_EQ(segnali.size(), std::size(kSignals));
  for (std::size_t i = 0; i < segnali.size(); ++i) EXPECT_EQ(segnali[i], campi_segnale(kSignals[i]));
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
