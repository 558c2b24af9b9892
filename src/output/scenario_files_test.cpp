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

TEST(GridFileBytesTest, CellsArePacked15BytesLittleEndian) {
  CellGrid percorso(3);
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
  EXPECT_EQ(grid_file_bytes(percorso),
            zero +
                b({1, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0x7F, 0x00, 0x80, 9, 0xFE, 3, 24, 0x80, 0xFF}) +
                zero);
}

TEST(GridFileBytesTest, LineOfLengthZeroGives2115Bytes) {
  // A line of length 0: indices 0 to nearest(7000 / 50) = 140.
  EXPECT_EQ(grid_file_bytes(CellGrid(141)).size(), 2115u);
  EXPECT_EQ(grid_file_bytes(CellGrid{}), "");
}

TEST(ServiceFileBytesTest, OneRecordFieldByField) {
  RecordTable voci;
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
  const std::string expected_text =
      b({25, 0x04, 0x03, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x2C, 0x01, 0, 0, 0xAB, 2, 0}) +
      "S\xE8" +
      b({0xFD, 0xFF, 0x02, 0x01, 6, 0, 47, 0, 30, 0, 1, 2, 3, 4, 0x7F, 0x51, 0x01, 0x00});
  const std::string whole = service_file_bytes(voci);
  ASSERT_EQ(whole.size(), expected_text.size() + 86 * 34);
  EXPECT_EQ(whole.substr(0, expected_text.size()), expected_text);
  EXPECT_EQ(whole.substr(expected_text.size()), std::string(86 * 34, '\0'));
}

TEST(ServiceFileBytesTest, BuiltInNamesGiveEntries85And86Of50And38Bytes) {
  RecordTable voci;
  voci[85].nome = "Valdarco_Lornese";
  voci[85].campo7 = 610;
  voci[85].orario = 33076;
  voci[86].nome = "4158";
  const std::string whole = service_file_bytes(voci);
  ASSERT_EQ(whole.size(), 87u * 34 + 16 + 4);
  const std::string record85 = whole.substr(85 * 34, 50);
  const std::string record86 = whole.substr(85 * 34 + 50);
  EXPECT_EQ(record85, std::string(14, '\0') + b({16, 0}) + "Valdarco_Lornese" +
                        b({0x62, 0x02}) + std::string(12, '\0') + b({0x34, 0x81, 0, 0}));
  EXPECT_EQ(record86, std::string(14, '\0') + b({4, 0}) + "4158" + std::string(18, '\0'));
}

TEST(ServiceFileBytesTest, NamesTheFilesCannotHoldAreRefused) {
  RecordTable voci;
  voci[3].nome = "A\x81";  // undefined in Windows-1252
  EXPECT_THROW(service_file_bytes(voci), AnsiError);
  voci[3].nome = std::string(65535, 'x');
  EXPECT_EQ(service_file_bytes(voci).size(), 87u * 34 + 65535);
  voci[3].nome += "x";
  EXPECT_THROW(service_file_bytes(voci), RecordError);
}

TEST(LineDataFileBytesTest, ColumnZeroThenColumnOneWithTaggedElements) {
  TrackPlan t;
  t.points = {{0, 0}, {0, 1}, {1.5, -2.25}};
  t.row_count = 5;  // metres 3 and 4 never computed
  const std::string empty = b({0, 0});
  const std::string column0 = b({2, 0, 0, 0}) + b({2, 0, 0, 0}) +
                               b({5, 0, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}) + empty + empty;
  const std::string column1 = b({2, 0, 0, 0}) + b({2, 0, 1, 0}) +
                               b({5, 0, 0, 0, 0, 0, 0, 0, 0x02, 0xC0}) + empty + empty;
  EXPECT_EQ(line_data_file_bytes(t), column0 + column1);
}

TEST(LineDataFileBytesTest, PlanNotStartedHoldsOnlyEmptyTags) {
  TrackPlan t;
  t.row_count = 3;
  EXPECT_EQ(line_data_file_bytes(t), std::string(12, '\0'));
  EXPECT_EQ(line_data_file_bytes(TrackPlan{}), "");
}

// Pieces of any size laid end to end are the whole file: every piece holds
// whole elements, none is longer than asked (or than one element, the
// least a piece can be), and none is empty before the end.
TEST(LineDataFileBytesTest, PiecesOfAnySizeMakeTheWholeFile) {
  TrackPlan t;
  t.row_count = 40;
  t.points = {{0, 0}, {0, 1}};
  for (size_t m = 2; m < 37; ++m)
    t.points.push_back({0.5 * static_cast<double>(m), -1.0 / static_cast<double>(m)});
  const ByteBlock whole = line_data_file_bytes(t);
  ASSERT_EQ(whole.size(), 2u * (2 * 4 + 35 * 10 + 3 * 2));
  for (const size_t asked : {0, 10, 11, 19, 64, 700, 1 << 20}) {
    SCOPED_TRACE("pieces of " + std::to_string(asked) + " bytes");
    LineDataPieces pieces(t, asked);
    EXPECT_EQ(pieces.size(), whole.size());
    std::string joined;
    size_t count = 0;
    for (std::string_view piece = pieces.next_piece(); !piece.empty();
         piece = pieces.next_piece()) {
      EXPECT_LE(piece.size(), std::max<size_t>(asked, 10));
      joined += piece;
      ++count;
    }
    EXPECT_EQ(joined, whole.view());
    if (asked >= whole.size()) {
      EXPECT_EQ(count, 1u);
    } else {
      EXPECT_GT(count, 1u);
    }
    EXPECT_TRUE(pieces.next_piece().empty());  // and stays complete
  }
}

// A small compiled state: a grid, the records with the built-in names, a plan.
struct WriteCompiledFilesTest : testing::Test {
  TempFolder folder;
  TestPlatform platform{folder.path()};
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
    form.tracciato.points = {{0, 0}, {0, 1}, {0.25, 2.0}};
    form.tracciato.row_count = 4;
  }
  std::filesystem::path file(const char* nome) const { return folder.path() / nome; }
};

TEST_F(WriteCompiledFilesTest, WritesTheThreeTablesUnderTheirNames) {
  form.write_compiled_files();
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_linea.dat")), line_data_file_bytes(form.tracciato));
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158.sim")), service_file_bytes(form.voci));
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158.dat")), grid_file_bytes(form.percorso));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 3);
}

TEST_F(WriteCompiledFilesTest, SecondWriteOverLongerOldFilesIsByteIdentical) {
  form.write_compiled_files();
  const std::string line = read_bytes(file("Valdarco_Lornese_linea.dat"));
  const std::string service = read_bytes(file("Valdarco_Lornese_4158.sim"));
  const std::string grid = read_bytes(file("Valdarco_Lornese_4158.dat"));
  for (const char* nome :
       {"Valdarco_Lornese_linea.dat", "Valdarco_Lornese_4158.sim", "Valdarco_Lornese_4158.dat"})
    write_bytes(file(nome), std::string(100000, '\x5A'));
  form.write_compiled_files();
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_linea.dat")), line);
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158.sim")), service);
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158.dat")), grid);
}

TEST_F(WriteCompiledFilesTest, SwitchOffLeavesAnOlderLineDataFileUntouched) {
  write_bytes(file("Valdarco_Lornese_linea.dat"), "older plan");
  form.compila_linea = 0;
  form.write_compiled_files();
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_linea.dat")), "older plan");
  EXPECT_EQ(read_bytes(file("Valdarco_Lornese_4158.dat")), grid_file_bytes(form.percorso));
}

// The three files go together: a name the service file cannot hold leaves
// every old file as it was, the line data file included.
TEST_F(WriteCompiledFilesTest, UnwritableNameFailsUnderTheServiceFileAndWritesNoFile) {
  write_bytes(file("Valdarco_Lornese_4158.dat"), "older grid");
  form.voci[1].nome = "Sta\x8Fione";
  try {
    form.write_compiled_files();
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

// A plan value the line data file cannot hold shows only while the file is
// being written, piece by piece: it fails under the line data file's name,
// and the group leaves every old file as it was, with no temporary file.
TEST_F(WriteCompiledFilesTest, PlanValueOutOfItsWidthFailsUnderTheLineDataFile) {
  for (const char* nome :
       {"Valdarco_Lornese_linea.dat", "Valdarco_Lornese_4158.sim", "Valdarco_Lornese_4158.dat"})
    write_bytes(file(nome), std::string("older ") + nome);
  form.tracciato.points[1] = {0, 40000};  // metre 1 is stored as a 16-bit integer
  try {
    form.write_compiled_files();
    FAIL() << "the line data file was written";
  } catch (const FileError& failure) {
    EXPECT_EQ(std::string(failure.what()),
              file("Valdarco_Lornese_linea.dat").string() +
                  ": cannot write: value 40000.000000 does not fit 16 bits");
  }
  for (const char* nome :
       {"Valdarco_Lornese_linea.dat", "Valdarco_Lornese_4158.sim", "Valdarco_Lornese_4158.dat"})
    EXPECT_EQ(read_bytes(file(nome)), std::string("older ") + nome);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 3);
}

TEST_F(WriteCompiledFilesTest, FolderThatCannotHoldFilesFailsOnTheFirstFile) {
  const std::filesystem::path not_a_folder = folder.path() / "plain";
  write_bytes(not_a_folder, "x");
  TestPlatform elsewhere(not_a_folder);
  Form1 f(elsewhere);
  f.nome_linea = form.nome_linea;
  f.numero_treno = form.numero_treno;
  f.compila_linea = 1;
  f.percorso = form.percorso;
  try {
    f.write_compiled_files();
    FAIL() << "no failure";
  } catch (const FileError& failure) {
    EXPECT_EQ(failure.file(), not_a_folder / "Valdarco_Lornese_linea.dat");
  }
  EXPECT_EQ(read_bytes(not_a_folder), "x");
}

}  // namespace
