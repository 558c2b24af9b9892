#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ansi.h"
#include "writers/formato.h"
#include "writers/writers_test_util.h"

namespace {

const std::string kMarcatore(kFineFile);

struct ScritturaTest : WriterTest {
  std::filesystem::path scritto() const { return file(ScenarioFile::notes); }
};

TEST_F(ScritturaTest, WritesEveryEntryUpToTheMarkerEachWithCrLf) {
  // Empty entries are empty lines; whatever stands after the marker is not written.
  form.scrivi_righe(ScenarioFile::notes, {"prima riga", "", "  terza  ", kMarcatore, "dopo", kMarcatore});
  EXPECT_EQ(read_bytes(scritto()), "prima riga\r\n\r\n  terza  \r\n");
}

TEST_F(ScritturaTest, MarkerAloneGivesAnEmptyFile) {
  form.scrivi_righe(ScenarioFile::notes, {kMarcatore});
  ASSERT_TRUE(std::filesystem::exists(scritto()));
  EXPECT_EQ(read_bytes(scritto()), "");
}

TEST_F(ScritturaTest, OnlyTheExactMarkerEndsTheTable) {
  form.scrivi_righe(ScenarioFile::notes, {"Riferimento fine del file", "riferimento fine del file ",
                                   " riferimento fine del file", kMarcatore});
  EXPECT_EQ(read_bytes(scritto()),
            "Riferimento fine del file\r\nriferimento fine del file \r\n"
            " riferimento fine del file\r\n");
}

TEST_F(ScritturaTest, LastSlotOfTheTableMayHoldTheMarker) {
  std::vector<std::string> tabella(kRigheTabella - 1, "x");
  chiudi_tabella(tabella);
  ASSERT_EQ(tabella.size(), 1001u);
  form.scrivi_righe(ScenarioFile::notes, tabella);
  std::string atteso;
  for (int i = 0; i < 1000; ++i) atteso += "x\r\n";
  EXPECT_EQ(read_bytes(scritto()), atteso);
}

TEST_F(ScritturaTest, FaultyTablesFailLoudlyAndLeaveTheOldFile) {
  std::vector<std::string> troppo_lunga(kRigheTabella, "x");
  chiudi_tabella(troppo_lunga);  // 1002 entries
  std::vector<std::string> marcatore_fuori(kRigheTabella + 5, "x");
  marcatore_fuori[3] = kMarcatore;  // ends early, but the table is longer than its room
  const struct {
    const char* caso;
    std::vector<std::string> tabella;
  } casi[] = {
      {"no marker", {"a", "b"}},
      {"empty table", {}},
      {"longer than 1001 entries", troppo_lunga},
      {"longer than 1001 entries, marker inside", marcatore_fuori},
      {"line end inside an entry", {"a\r\nb", kMarcatore}},
      {"lone line feed inside an entry", {"a\nb", kMarcatore}},
  };
  for (const auto& c : casi) {
    SCOPED_TRACE(c.caso);
    write_bytes(scritto(), "vecchio contenuto\r\n");
    EXPECT_THROW(form.scrivi_righe(ScenarioFile::notes, c.tabella), std::logic_error);
    EXPECT_EQ(read_bytes(scritto()), "vecchio contenuto\r\n");
  }
}

TEST_F(ScritturaTest, TextThatIsNoWindows1252IsRefusedBeforeWriting) {
  EXPECT_THROW(form.scrivi_righe(ScenarioFile::notes, {"ok", "byte \x81 undefined", kMarcatore}),
               AnsiError);
  EXPECT_FALSE(std::filesystem::exists(scritto()));
}

TEST_F(ScritturaTest, Windows1252BytesAreWrittenAsTheyAre) {
  form.scrivi_righe(ScenarioFile::notes, {"umidit\xE0", kMarcatore});
  EXPECT_EQ(read_bytes(scritto()), "umidit\xE0\r\n");
}

TEST_F(ScritturaTest, ALongerOldFileIsReplacedWhole) {
  write_bytes(scritto(), std::string(10000, 'z'));
  form.scrivi_righe(ScenarioFile::notes, {"corta", kMarcatore});
  EXPECT_EQ(read_bytes(scritto()), "corta\r\n");
  EXPECT_EQ(file_presenti(), std::vector<std::string>{"Valdarco_Lornese_4158_note.txt"});
}

/// Runs the five writers in the program's order.
void scrivi_tutto(Form1& form) {
  form.dati_linea();
  form.dati_treno();
  form.dati_note();
  form.dati_rallentamenti();
  form.dati_scheda();
}

TEST_F(ScritturaTest, FiveWritersNameTheirFilesFromTheForm) {
  scrivi_tutto(form);
  EXPECT_EQ(file_presenti(), (std::vector<std::string>{
                                 "Valdarco_Lornese_4158-.txt",
                                 "Valdarco_Lornese_4158_note.txt",
                                 "Valdarco_Lornese_4158_rallentamenti.txt",
                                 "Valdarco_Lornese_4158_scheda_treno.txt",
                                 "Valdarco_Lornese_linea.txt",
                             }));
}

TEST_F(ScritturaTest, OtherNamesChangeTheFileNamesOnly) {
  scrivi_tutto(form);
  TempFolder altra;
  TestPlatform altra_platform(altra.path());
  Form1 altro(altra_platform);
  altro.nome_linea = "Monte_Prova";
  altro.numero_treno = "12";
  scrivi_tutto(altro);
  const struct {
    const char* nome;
    const char* altro_nome;
  } coppie[] = {
      {"Valdarco_Lornese_linea.txt", "Monte_Prova_linea.txt"},
      {"Valdarco_Lornese_4158-.txt", "Monte_Prova_12-.txt"},
      {"Valdarco_Lornese_4158_note.txt", "Monte_Prova_12_note.txt"},
      {"Valdarco_Lornese_4158_rallentamenti.txt", "Monte_Prova_12_rallentamenti.txt"},
      {"Valdarco_Lornese_4158_scheda_treno.txt", "Monte_Prova_12_scheda_treno.txt"},
  };
  for (const auto& c : coppie) {
    SCOPED_TRACE(c.altro_nome);
    const std::string bytes = read_bytes(file(c.nome));
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(read_bytes(altra.path() / c.altro_nome), bytes);
  }
}

TEST_F(ScritturaTest, NoFileHoldsTheEndMarker) {
  scrivi_tutto(form);
  for (const std::string& nome : file_presenti()) {
    SCOPED_TRACE(nome);
    EXPECT_EQ(read_bytes(file(nome)).find("riferimento"), std::string::npos);
  }
}

TEST(Formato, RightAlignAndPadRefuseWhatDoesNotFit) {
  EXPECT_EQ(a_destra(85, 6), "    85");
  EXPECT_EQ(a_destra(-24, 4), " -24");
  EXPECT_EQ(a_destra(12345, 5), "12345");
  EXPECT_THROW(a_destra(123456, 5), std::logic_error);
  EXPECT_THROW(a_destra(-10, 2), std::logic_error);
  EXPECT_EQ(a_sinistra("CERRO", 6), "CERRO ");
  EXPECT_EQ(a_sinistra("", 3), "   ");
  EXPECT_THROW(a_sinistra("TROPPO", 5), std::logic_error);
}

}  // namespace
