#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ansi.h"
#include "writers/format.h"
#include "writers/writers_test_util.h"

namespace {

const std::string kMarker(kEndOfFile);

struct WriteLinesTest : WriterTest {
  std::filesystem::path written() const { return file(ScenarioFile::notes); }
};

TEST_F(WriteLinesTest, WritesEveryEntryUpToTheMarkerEachWithCrLf) {
  // Empty entries are empty lines; whatever stands after the marker is not written.
  form.write_lines(ScenarioFile::notes, {"prima riga", "", "  terza  ", kMarker, "dopo", kMarker});
  EXPECT_EQ(read_bytes(written()), "prima riga\r\n\r\n  terza  \r\n");
}

TEST_F(WriteLinesTest, MarkerAloneGivesAnEmptyFile) {
  form.write_lines(ScenarioFile::notes, {kMarker});
  ASSERT_TRUE(std::filesystem::exists(written()));
  EXPECT_EQ(read_bytes(written()), "");
}

TEST_F(WriteLinesTest, OnlyTheExactMarkerEndsTheTable) {
  form.write_lines(ScenarioFile::notes, {"Riferimento fine del file", "riferimento fine del file ",
                                   " riferimento fine del file", kMarker});
  EXPECT_EQ(read_bytes(written()),
            "Riferimento fine del file\r\nriferimento fine del file \r\n"
            " riferimento fine del file\r\n");
}

TEST_F(WriteLinesTest, LastSlotOfTheTableMayHoldTheMarker) {
  std::vector<std::string> table(kTableRows - 1, "x");
  close_table(table);
  ASSERT_EQ(table.size(), 1001u);
  form.write_lines(ScenarioFile::notes, table);
  std::string expected;
  for (int i = 0; i < 1000; ++i) expected += "x\r\n";
  EXPECT_EQ(read_bytes(written()), expected);
}

TEST_F(WriteLinesTest, FaultyTablesFailLoudlyAndLeaveTheOldFile) {
  std::vector<std::string> too_long(kTableRows, "x");
  close_table(too_long);  // 1002 entries
  std::vector<std::string> marker_outside(kTableRows + 5, "x");
  marker_outside[3] = kMarker;  // ends early, but the table is longer than its room
  const struct {
    const char* test_case;
    std::vector<std::string> table;
  } cases[] = {
      {"no marker", {"a", "b"}},
      {"empty table", {}},
      {"longer than 1001 entries", too_long},
      {"longer than 1001 entries, marker inside", marker_outside},
      {"line end inside an entry", {"a\r\nb", kMarker}},
      {"lone line feed inside an entry", {"a\nb", kMarker}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.test_case);
    write_bytes(written(), "vecchio contenuto\r\n");
    EXPECT_THROW(form.write_lines(ScenarioFile::notes, c.table), std::logic_error);
    EXPECT_EQ(read_bytes(written()), "vecchio contenuto\r\n");
  }
}

TEST_F(WriteLinesTest, TextThatIsNoWindows1252IsRefusedBeforeWriting) {
  EXPECT_THROW(form.write_lines(ScenarioFile::notes, {"ok", "byte \x81 undefined", kMarker}),
               AnsiError);
  EXPECT_FALSE(std::filesystem::exists(written()));
}

TEST_F(WriteLinesTest, Windows1252BytesAreWrittenAsTheyAre) {
  form.write_lines(ScenarioFile::notes, {"umidit\xE0", kMarker});
  EXPECT_EQ(read_bytes(written()), "umidit\xE0\r\n");
}

TEST_F(WriteLinesTest, ALongerOldFileIsReplacedWhole) {
  write_bytes(written(), std::string(10000, 'z'));
  form.write_lines(ScenarioFile::notes, {"corta", kMarker});
  EXPECT_EQ(read_bytes(written()), "corta\r\n");
  EXPECT_EQ(present_files(), std::vector<std::string>{"Valdarco_Lornese_4158_note.txt"});
}

/// Runs the five writers in the program's order.
void write_all(Form1& form) {
  form.dati_linea();
  form.dati_treno();
  form.dati_note();
  form.dati_rallentamenti();
  form.dati_scheda();
}

TEST_F(WriteLinesTest, FiveWritersNameTheirFilesFromTheForm) {
  write_all(form);
  EXPECT_EQ(present_files(), (std::vector<std::string>{
                                 "Valdarco_Lornese_4158-.txt",
                                 "Valdarco_Lornese_4158_note.txt",
                                 "Valdarco_Lornese_4158_rallentamenti.txt",
                                 "Valdarco_Lornese_4158_scheda_treno.txt",
                                 "Valdarco_Lornese_linea.txt",
                             }));
}

TEST_F(WriteLinesTest, OtherNamesChangeTheFileNamesOnly) {
  write_all(form);
  TempFolder other;
  TestPlatform other_platform(other.path());
  Form1 another(other_platform);
  another.nome_linea = "Monte_Prova";
  another.numero_treno = "12";
  write_all(another);
  const struct {
    const char* nome;
    const char* other_name;
  } pairs[] = {
      {"Valdarco_Lornese_linea.txt", "Monte_Prova_linea.txt"},
      {"Valdarco_Lornese_4158-.txt", "Monte_Prova_12-.txt"},
      {"Valdarco_Lornese_4158_note.txt", "Monte_Prova_12_note.txt"},
      {"Valdarco_Lornese_4158_rallentamenti.txt", "Monte_Prova_12_rallentamenti.txt"},
      {"Valdarco_Lornese_4158_scheda_treno.txt", "Monte_Prova_12_scheda_treno.txt"},
  };
  for (const auto& c : pairs) {
    SCOPED_TRACE(c.other_name);
    const std::string bytes = read_bytes(file(c.nome));
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(read_bytes(other.path() / c.other_name), bytes);
  }
}

TEST_F(WriteLinesTest, NoFileHoldsTheEndMarker) {
  write_all(form);
  for (const std::string& nome : present_files()) {
    SCOPED_TRACE(nome);
    EXPECT_EQ(read_bytes(file(nome)).find("riferimento"), std::string::npos);
  }
}

TEST(Format, RightAlignAndPadRefuseWhatDoesNotFit) {
  EXPECT_EQ(right_aligned(85, 6), "    85");
  EXPECT_EQ(right_aligned(-24, 4), " -24");
  EXPECT_EQ(right_aligned(12345, 5), "12345");
  EXPECT_THROW(right_aligned(123456, 5), std::logic_error);
  EXPECT_THROW(right_aligned(-10, 2), std::logic_error);
  EXPECT_EQ(left_aligned("CERRO", 6), "CERRO ");
  EXPECT_EQ(left_aligned("", 3), "   ");
  EXPECT_THROW(left_aligned("TROPPO", 5), std::logic_error);
}

}  // namespace
