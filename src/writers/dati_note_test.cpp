#include <cctype>
#include <string>
#include <vector>

#include "writers/train_content.h"
#include "writers/writers_test_util.h"

namespace {

using DatiRallentamentiTest = WriterTest;

TEST_F(DatiRallentamentiTest, NoticeIsFourEmptyLinesAndTheNoOrdersLine) {
  write_bytes(file("Valdarco_Lornese_4158_rallentamenti.txt"), std::string(500, 'x'));
  form.dati_rallentamenti();
  const std::string expected =
      "\r\n\r\n\r\n\r\n" + std::string(25, ' ') + "NESSUNA PRESCRIZIONE\r\n";
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158_rallentamenti.txt")), expected);
  EXPECT_EQ(expected.size(), 55u);
  form.numero_treno = "10";
  form.dati_rallentamenti();
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_10_rallentamenti.txt")), expected);
}

struct DatiNoteTest : WriterTest {
  std::string bytes;
  std::vector<std::string> lines;

  void SetUp() override {
    form.dati_note();
    bytes = read_bytes(file(ScenarioFile::notes));
    lines = crlf_lines(bytes);
    ASSERT_EQ(lines.size(), 22u);
  }
  const std::string& riga(std::size_t n) const { return lines.at(n - 1); }
};

// The whole file is pinned by its digest (built_in_scenario.sha256); these
// tests check what the lines must agree with elsewhere.

/// The station at this position, its name with a capital initial then small letters.
std::string station_name(int32_t posizione) {
  for (const StationRow& s : kStations) {
    if (s.fields[0] != posizione) continue;
    std::string nome = s.nome;
    for (std::size_t i = 1; i < nome.size(); ++i)
      nome[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(nome[i])));
    return nome;
  }
  return "(no station at " + std::to_string(posizione) + ")";
}

TEST_F(DatiNoteTest, LineThirteenNamesTheTwoLevelStops) {
  const std::string at_28250 = station_name(28250);
  const std::string at_14750 = station_name(14750);
  EXPECT_EQ(at_28250.size(), 8u);
  EXPECT_EQ(at_14750.size(), 8u);
  EXPECT_EQ(riga(13), "   fermate intermedie, escluse " + at_28250 + " e " + at_14750 +
                          ", sono anch'esse in forte");
  EXPECT_EQ(riga(13).size(), 75u);
}

TEST_F(DatiNoteTest, SourcesAuthorAndContact) {
  for (std::size_t n : {17, 18, 19, 21, 22}) {
    ASSERT_GE(riga(n).size(), 2u) << "line " << n;
    EXPECT_EQ(riga(n)[0], ' ') << "line " << n;
    EXPECT_NE(riga(n)[1], ' ') << "line " << n;
  }
  const std::string sources = riga(17) + riga(18) + riga(19);
  EXPECT_NE(sources.find("1:25000"), std::string::npos);
  EXPECT_TRUE(riga(19).ends_with("ed altre informazioni varie."));
  EXPECT_TRUE(riga(22).ends_with("@example.org"));
  EXPECT_EQ(bytes.find("@"), bytes.find("@example.org"));
}

TEST_F(DatiNoteTest, OnlyTheAccentOfLineTenIsNotAscii) {
  const std::size_t line_10 = bytes.find(" - Le condizioni");
  const std::size_t accent =
      line_10 + std::string(" - Le condizioni di aderenza tengono conto dell'umidit").size();
  EXPECT_EQ(non_ascii_byte(bytes), std::vector<std::size_t>{accent});
  EXPECT_EQ(static_cast<uint8_t>(bytes.at(non_ascii_byte(bytes).at(0))), 0xE0);
  for (std::size_t n = 1; n <= lines.size(); ++n)
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
