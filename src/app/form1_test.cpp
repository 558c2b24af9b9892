#include "app/form1.h"

#include <gtest/gtest.h>

#include "output/scenario_files.h"
#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

// The compiled files found in a folder.
std::vector<std::string> compiled_files(const fs::path& folder) {
  std::vector<std::string> found_all;
  for (const auto& f : fs::directory_iterator(folder)) {
    const std::string ext = f.path().extension().string();
    if (ext == ".dat" || ext == ".sim") found_all.push_back(f.path().filename().string());
  }
  return found_all;
}

const char kWithoutGrid[] =
    "Valdarco_Lornese_4158: the build stopped before the cell grid existed; no compiled file "
    "was written";

struct DriverTest : testing::Test {
  TempFolder folder;
  TestPlatform platform{folder.path()};
  Form1 form{platform};

  void SetUp() override {
    form.nome_linea = "Valdarco_Lornese";
    form.numero_treno = "4158";
  }

  // Writes the two description files: the entries given, each file with its
  // start heading and its closing line.
  void descriptions(const std::string& line, const std::string& train) {
    write_bytes(folder.path() / "Valdarco_Lornese_linea.txt",
                "[generale]\r\n" + line + "[fine]\r\n");
    write_bytes(folder.path() / "Valdarco_Lornese_4158-.txt",
                "[generale]\r\n" + train + "[fine]\r\n");
  }
};

TEST_F(DriverTest, ResetVociClearsEveryFieldOfEveryRecord) {
  for (voce& v : form.voci) {
    v = voce{7, 1, 2, 3, 4, "nome", 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
  }
  form.reset_voci();
  for (const voce& v : form.voci) EXPECT_EQ(v, voce{});
}

TEST_F(DriverTest, BuildWithoutGridResetsAndWritesNothing) {
  form.codice_errore = 16;
  form.voci[40].nome = "left from before";
  form.voci[85].campo7 = 99;
  form.memorizza_percorso(1);
  EXPECT_EQ(form.compila_linea, 1);
  EXPECT_EQ(form.voci[40], voce{});
  EXPECT_EQ(form.voci[85].campo7, 0);  // no guard ran on it
  EXPECT_TRUE(form.percorso.empty());
  EXPECT_TRUE(compiled_files(folder.path()).empty());
  EXPECT_TRUE(platform.messages.empty());
}

TEST_F(DriverTest, BuildWithAGridStoresTheCodesAndWritesTheFiles) {
  // A line of length 0 and a train with nothing on it.
  descriptions("lunghezza percorso, 0\r\n", "");
  form.memorizza_percorso(1);
  EXPECT_EQ(form.codice_errore, 0);
  EXPECT_EQ(form.voci[85].nome, "Valdarco_Lornese");
  EXPECT_EQ(form.voci[85].orario, 33076);
  EXPECT_EQ(form.percorso[1].dato2, 2398);
  EXPECT_EQ(read_bytes(folder.path() / "Valdarco_Lornese_4158.dat"),
            grid_file_bytes(form.percorso));
  EXPECT_EQ(read_bytes(folder.path() / "Valdarco_Lornese_4158.sim"), service_file_bytes(form.voci));
  EXPECT_EQ(read_bytes(folder.path() / "Valdarco_Lornese_4158.dat").size(), 2115u);
}

TEST_F(DriverTest, GuardEndsTheBuildBeforeAnyFileIsWritten) {
  // A slowdown at 0 m leaves its speed in cell 1.
  descriptions("lunghezza percorso, 0\r\n", "rallentamento, 0, 60, 100, 0, 0, 0\r\n");
  try {
    form.memorizza_percorso(1);
    FAIL() << "the build went on";
  } catch (const ProgramEnded& fine) {
    EXPECT_NE(fine.status, 0);
  }
  EXPECT_EQ(form.percorso[1].dato1, 60);
  EXPECT_EQ(platform.messages, std::vector<std::string>{" Errore n. 1250"});
  EXPECT_EQ(platform.reports,
            std::vector<std::string>{
                "Valdarco_Lornese_4158: error 1250: an item was placed in cell 1 (dato1) or "
                "record 85 (campo7), which are reserved for the scenario's marker"});
  EXPECT_TRUE(compiled_files(folder.path()).empty());
}

TEST_F(DriverTest, OutcomeOfTheBuild) {
  struct Case {
    const char* nome;
    int32_t code;
    int32_t posizione;
    size_t cells;
    int status;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"clean", 0, 0, 141, 0, {}},
      {"code with a position", 16, 5950, 141, 1,
       {"Valdarco_Lornese_4158: error 16 at 5950 m: a signal stands on an occupied cell"}},
      {"code without a position", 24, 5950, 141, 1,
       {"Valdarco_Lornese_4158: error 24: a stopping station's platform ends at or before 100 m"}},
      {"no grid", 0, 0, 0, 1, {kWithoutGrid}},
      {"stopped before the grid", 101, 0, 0, 1,
       {"Valdarco_Lornese_4158: error 101: the line description file does not exist",
        kWithoutGrid}},
      {"a grid without cell 1", 0, 0, 1, 1, {kWithoutGrid}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nome);
    TestPlatform p(folder.path());
    Form1 f(p);
    f.nome_linea = "Valdarco_Lornese";
    f.numero_treno = "4158";
    f.codice_errore = c.code;
    f.posizione_errore = c.posizione;
    f.percorso.assign(c.cells, cella{});
    EXPECT_EQ(f.report_outcome(), c.status);
    EXPECT_EQ(p.reports, c.lines);
  }
}

TEST_F(DriverTest, CodeTwentyFiveCarriesWhatFailed) {
  form.percorso.assign(141, cella{});
  form.codice_errore = 25;
  form.error_detail = "line 3: \"abc\" is not a number";
  EXPECT_EQ(form.report_outcome(), 1);
  EXPECT_EQ(platform.reports,
            std::vector<std::string>{
                "Valdarco_Lornese_4158: error 25: a description file cannot be read, or a field is "
                "not a number or does not fit its width (line 3: \"abc\" is not a number)"});
}

// A platform that loses the line description on its way to disk: the build
// then has no line to compile, whichever compiler it runs.
class WithoutLineFile : public TestPlatform {
 public:
  using TestPlatform::TestPlatform;
  void replace_file(const fs::path& file, std::string_view bytes) override {
    if (file.filename() == "Valdarco_Lornese_linea.txt") return;
    TestPlatform::replace_file(file, bytes);
  }
};

TEST(FormLoadTest, BuildWithoutGridEndsWithStatusOneAndNoCompiledFile) {
  TempFolder folder;
  WithoutLineFile platform(folder.path());
  Form1 form(platform);
  try {
    form.Form_Load();
    FAIL() << "Form_Load returned";
  } catch (const ProgramEnded& fine) {
    EXPECT_EQ(fine.status, 1);
  }
  EXPECT_EQ(form.nome_linea, "Valdarco_Lornese");
  EXPECT_EQ(form.numero_treno, "4158");
  EXPECT_EQ(platform.windows, std::vector<std::string>{"Attendere"});
  ASSERT_FALSE(platform.reports.empty());
  EXPECT_EQ(platform.reports.back(), kWithoutGrid);
  EXPECT_TRUE(platform.messages.empty());
  EXPECT_TRUE(compiled_files(folder.path()).empty());
}

TEST(FormLoadTest, FileThatCannotBeCreatedEndsWithStatusThreeNamingIt) {
  TempFolder folder;
  const fs::path not_a_folder = folder.path() / "plain";
  write_bytes(not_a_folder, "x");
  TestPlatform platform(not_a_folder);
  Form1 form(platform);
  // A grid, so that the build reaches its files whichever step fails first.
  form.percorso.assign(141, cella{});
  try {
    form.Form_Load();
    FAIL() << "Form_Load returned";
  } catch (const ProgramEnded& fine) {
    EXPECT_EQ(fine.status, 3);
  }
  ASSERT_EQ(platform.reports.size(), 1u);
  const std::string& riga = platform.reports[0];
  const std::string inizio = (not_a_folder / "Valdarco_Lornese_").string();
  EXPECT_EQ(riga.substr(0, inizio.size()), inizio) << riga;
  // The reason is the system's own words, which differ between systems.
  EXPECT_NE(riga.find(": cannot create a file in its folder: "), std::string::npos) << riga;
  EXPECT_EQ(read_bytes(not_a_folder), "x");
}

}  // namespace
