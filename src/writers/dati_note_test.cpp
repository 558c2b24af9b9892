#include <cctype>
#include <string>
#include <vector>

#include "writers/contenuto_treno.h"
#include "writers/writers_test_util.h"

namespace {

using DatiRallentamentiTest = WriterTest;

TEST_F(DatiRallentamentiTest, NoticeIsFourEmptyLinesAndTheNoOrdersLine) {
  write_bytes(file("Valdarco_Lornese_4158_rallentamenti.txt"), std::string(500, 'x'));
  form.dati_rallentamenti();
  const std::string atteso =
      "\r\n\r\n\r\n\r\n" + std::string(25, ' ') + "NESSUNA PRESCRIZIONE\r\n";
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158_rallentamenti.txt")), atteso);
  EXPECT_EQ(atteso.size(), 55u);
  form.numero_treno = "10";
  form.dati_rallentamenti();
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_10_rallentamenti.txt")), atteso);
}

struct DatiNoteTest : WriterTest {
  std::string bytes;
  std::vector<std::string> righe;

  void SetUp() override {
    form.dati_note();
    bytes = read_bytes(file(ScenarioFile::notes));
    righe = righe_crlf(bytes);
    ASSERT_EQ(righe.size(), 22u);
  }
  const std::string& riga(std::size_t n) const { return righe.at(n - 1); }
};

// The whole file is pinned by its digest (built_in_scenario.sha256); these
// tests check what the lines must agree with elsewhere.

/// The station at this position, its name with a capital initial then small letters.
std::string nome_stazione(int32_t posizione) {
  for (const StationRow& s : kStations) {
    if (s.campi[0] != posizione) continue;
    std::string nome = s.nome;
    for (std::size_t i = 1; i < nome.size(); ++i)
      nome[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(nome[i])));
    return nome;
  }
  return "(no station at " + std::to_string(posizione) + ")";
}

TEST_F(DatiNoteTest, LineThirteenNamesTheTwoLevelStops) {
  const std::string a_28250 = nome_stazione(28250);
  const std::string a_14750 = nome_stazione(14750);
  EXPECT_EQ(a_28250.size(), 8u);
  EXPECT_EQ(a_14750.size(), 8u);
  EXPECT_EQ(riga(13), "   fermate intermedie, escluse " + a_28250 + " e " + a_14750 +
                          ", sono anch'esse in forte");
  EXPECT_EQ(riga(13).size(), 75u);
}

TEST_F(DatiNoteTest, SourcesAuthorAndContact) {
  for (std::size_t n : {17, 18, 19, 21, 22}) {
    ASSERT_GE(riga(n).size(), 2u) << "line " << n;
    EXPECT_EQ(riga(n)[0], ' ') << "line " << n;
    EXPECT_NE(riga(n)[1], ' ') << "line " << n;
  }
  const std::string fonti = riga(17) + riga(18) + riga(19);
  EXPECT_NE(fonti.find("1:25000"), std::string::npos);
  EXPECT_TRUE(riga(19).ends_with("ed altre informazioni varie."));
  EXPECT_TRUE(riga(22).ends_with("@example.org"));
  EXPECT_EQ(bytes.find("@"), bytes.find("@example.org"));
}

TEST_F(DatiNoteTest, OnlyTheAccentOfLineTenIsNotAscii) {
  const std::size_t riga_10 = bytes.find(" - Le condizioni");
  const std::size_t accento =
      riga_10 + std::string(" - Le condizioni di aderenza tengono conto dell'umidit").size();
  EXPECT_EQ(byte_non_ascii(bytes), std::vector<std::size_t>{accento});
  EXPECT_EQ(static_cast<uint8_t>(bytes.at(byte_non_ascii(bytes).at(0))), 0xE0);
  for (std::size_t n = 1; n <= righe.size(); ++n)
    if (!riga(n).empty()) {
      EXPECT_NE(riga(n).back(), ' ') << "line " << n;
    }
  EXPECT_TRUE(bytes.ends_with("@example.org\r\n"));
  EXPECT_EQ(bytes.find("riferimento fine del file"), std::string::npos);
}

TEST_F(DatiNoteTest, OtherNamesChangeOnlyTheFileName) {
  form.nome_linea = "Altra_Linea";
  form.numero_treno = "1";
  form.dati_note();
  EXPECT_EQ(read_bytes(file("Altra_Linea_1_note.txt")), bytes);
}

}  // namespace
