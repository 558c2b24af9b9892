#include "output/scenario_files.h"

#include <gtest/gtest.h>

#include "app/form1.h"
#include "platform/ansi.h"
#include "testing/test_platform.h"

namespace {

std::string b(std::initializer_list<int> bytes) {
  std::string out;
  for (int x : bytes) out += static_cast<char>(x);
  return out;
}

TEST(BytesPercorsoTest, CellsArePacked15BytesLittleEndian) {
  Percorso percorso(3);
  cella& c = percorso[1];
  c.tipo = 1;
  c.dato1 = 0x1234;
  c.dato2 = -2;
  c.dato3 = 0x7FFF;
  c.dato4 = -32768;
  c.tempo_segnale = 9;
  c.marcatore = 0xFE;
  c.montagna = 3;
  c.velocita = 24;
  c.pendenza = 0x80;
  c.aderenza = 0xFF;
  const std::string zero(15, '\0');
  EXPECT_EQ(bytes_percorso(percorso),
            zero +
                b({1, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0x7F, 0x00, 0x80, 9, 0xFE, 3, 24, 0x80, 0xFF}) +
                zero);
}

TEST(BytesPercorsoTest, LineOfLengthZeroGives2115Bytes) {
  // A line of length 0: indices 0 to nearest(7000 / 50) = 140.
  EXPECT_EQ(bytes_percorso(Percorso(141)).size(), 2115u);
  EXPECT_EQ(bytes_percorso(Percorso{}), "");
}

TEST(BytesVociTest, OneRecordFieldByField) {
  Voci voci;
  voce& v = voci[0];
  v.tipo = 25;
  v.inizio = 0x01020304;
  v.fine = -1;
  v.posizione = 300;
  v.campo4 = 0xAB;
  v.nome = "S\xE8";  // "Sè": one byte per character
  v.campo7 = -3;
  v.campo8 = 0x0102;
  v.campo10 = 6;
  v.campo11 = 47;
  v.campo12 = 30;
  v.campo9 = 1;
  v.campo13 = 2;
  v.prolunga = 3;
  v.campo5 = 4;
  v.orario = 86399;  // 0x0001517F
  const std::string attesa =
      b({25, 0x04, 0x03, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x2C, 0x01, 0, 0, 0xAB, 2, 0}) +
      "S\xE8" +
      b({0xFD, 0xFF, 0x02, 0x01, 6, 0, 47, 0, 30, 0, 1, 2, 3, 4, 0x7F, 0x51, 0x01, 0x00});
  const std::string tutto = bytes_voci(voci);
  ASSERT_EQ(tutto.size(), attesa.size() + 86 * 34);
  EXPECT_EQ(tutto.substr(0, attesa.size()), attesa);
  EXPECT_EQ(tutto.substr(attesa.size()), std::string(86 * 34, '\0'));
}

TEST(BytesVociTest, BuiltInNamesGiveEntries85And86Of50And38Bytes) {
  Voci voci;
  voci[85].nome = "Valdarco_Lornese";
  voci[85].campo7 = 610;
  voci[85].orario = 33076;
  voci[86].nome = "4158";
  const std::string tutto = bytes_voci(voci);
  ASSERT_EQ(tutto.size(), 87u * 34 + 16 + 4);
  const std::string voce85 = tutto.substr(85 * 34, 50);
  const std::string voce86 = tutto.substr(85 * 34 + 50);
  EXPECT_EQ(voce85, std::string(14, '\0') + b({16, 0}) + "Valdarco_Lornese" +
                        b({0x62, 0x02}) + std::string(12, '\0') + b({0x34, 0x81, 0, 0}));
  EXPECT_EQ(voce86, std::string(14, '\0') + b({4, 0}) + "4158" + std::string(18, '\0'));
}

TEST(BytesVociTest, NamesTheFilesCannotHoldAreRefused) {
  Voci voci;
  voci[3].nome = "A\x81";  // undefined in Windows-1252
  EXPECT_THROW(bytes_voci(voci), AnsiError);
  voci[3].nome = std::string(65535, 'x');
  EXPECT_EQ(bytes_voci(voci).size(), 87u * 34 + 65535);
  voci[3].nome += "x";
  EXPECT_THROW(bytes_voci(voci), RecordError);
}

TEST(BytesTracciatoTest, ColumnZeroThenColumnOneWithTaggedElements) {
  Tracciato t;
  t.punti = {{0, 0}, {0, 1}, {1.5, -2.25}, {0, 0}, {0, 0}};
  t.calcolati = 3;  // metres 3 and 4 never computed
  const std::string vuoto = b({0, 0});
  const std::string colonna0 = b({2, 0, 0, 0}) + b({2, 0, 0, 0}) +
                               b({5, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}) + vuoto + vuoto;
  const std::string colonna1 = b({2, 0, 0, 0}) + b({2, 0, 1, 0}) +
                               b({5, 0, 0, 0, 0, 0, 0, 0, 0x02, 0xC0}) + vuoto + vuoto;
  EXPECT_EQ(bytes_tracciato(t), colonna0 + colonna1);
}

TEST(BytesTracciatoTest, PlanNotStartedHoldsOnlyEmptyTags) {
  Tracciato t;
  t.punti.resize(3);
  EXPECT_EQ(bytes_tracciato(t), std::string(12, '\0'));
  EXPECT_EQ(bytes_tracciato(Tracciato{}), "");
}

// A small compiled state: a grid, the records with the built-in names, a plan.
struct ScriviFileTest : testing::Test {
  TempFolder cartella;
  TestPlatform platform{cartella.path()};
  Form1 form{platform};

  void SetUp() override {
    form.nome_linea = "Valdarco_Lornese";
    form.numero_treno = "4158";
    form.compila_linea = 1;
    form.percorso.assign(141, cella{});
    form.percorso[7].tipo = 12;
    form.percorso[7].dato1 = 180;
    form.voci[85].nome = "Valdarco_Lornese";
    form.voci[86].nome = "4158";
    form.voci[1].nome = "Stazione";
    form.tracciato.punti = {{0, 0}, {0, 1}, {0.25, 2.0}, {0, 0}};
    form.tracciato.calcolati = 3;
  }
  std::filesystem::path file(const char* nome) const { return cartella.path() / nome; }
};

TEST_F(ScriviFileTest, WritesTheThreeTablesUnderTheirNames) {
  form.scrivi_file_compilati();
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_linea.dat")), bytes_tracciato(form.tracciato));
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158.sim")), bytes_voci(form.voci));
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158.dat")), bytes_percorso(form.percorso));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(cartella.path()), {}), 3);
}

TEST_F(ScriviFileTest, SecondWriteOverLongerOldFilesIsByteIdentical) {
  form.scrivi_file_compilati();
  const std::string linea = read_bytes(file("Valdarco_Lornese_linea.dat"));
  const std::string servizio = read_bytes(file("Valdarco_Lornese_4158.sim"));
  const std::string griglia = read_bytes(file("Valdarco_Lornese_4158.dat"));
  for (const char* nome :
       {"Valdarco_Lornese_linea.dat", "Valdarco_Lornese_4158.sim", "Valdarco_Lornese_4158.dat"})
    write_bytes(file(nome), std::string(100000, '\x5A'));
  form.scrivi_file_compilati();
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_linea.dat")), linea);
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158.sim")), servizio);
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158.dat")), griglia);
}

TEST_F(ScriviFileTest, SwitchOffLeavesAnOlderLineDataFileUntouched) {
  write_bytes(file("Valdarco_Lornese_linea.dat"), "older plan");
  form.compila_linea = 0;
  form.scrivi_file_compilati();
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_linea.dat")), "older plan");
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158.dat")), bytes_percorso(form.percorso));
}

// The three files go together: a name the service file cannot hold leaves
// every old file as it was, the line data file included.
TEST_F(ScriviFileTest, UnwritableNameFailsUnderTheServiceFileAndWritesNoFile) {
  write_bytes(file("Valdarco_Lornese_4158.dat"), "older grid");
  form.voci[1].nome = "Sta\x8Fione";
  try {
    form.scrivi_file_compilati();
    FAIL() << "the service file was written";
  } catch (const FileError& failure) {
    EXPECT_EQ(failure.file(), file("Valdarco_Lornese_4158.sim"));
    EXPECT_EQ(std::string(failure.what()),
              file("Valdarco_Lornese_4158.sim").string() +
                  ": cannot write: the name of record 1: byte 0x8F at character 4 is not a "
                  "Windows-1252 character");
  }
  EXPECT_FALSE(std::filesystem::exists(file("Valdarco_Lornese_linea.dat")));
  EXPECT_FALSE(std::filesystem::exists(file("Valdarco_Lornese_4158.sim")));
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158.dat")), "older grid");
}

TEST_F(ScriviFileTest, FolderThatCannotHoldFilesFailsOnTheFirstFile) {
  const std::filesystem::path non_cartella = cartella.path() / "plain";
  write_bytes(non_cartella, "x");
  TestPlatform altrove(non_cartella);
  Form1 f(altrove);
  f.nome_linea = form.nome_linea;
  f.numero_treno = form.numero_treno;
  f.compila_linea = 1;
  f.percorso = form.percorso;
  try {
    f.scrivi_file_compilati();
    FAIL() << "no failure";
  } catch (const FileError& failure) {
    EXPECT_EQ(failure.file(), non_cartella / "Valdarco_Lornese_linea.dat");
  }
  EXPECT_EQ(read_bytes(non_cartella), "x");
}

}  // namespace
