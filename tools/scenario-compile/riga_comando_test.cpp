#include "riga_comando.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "sessione.h"
#include "testing/run_program.h"
#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

struct Esito {
  int stato;
  std::string uscita;
  std::string messaggi;
};

Esito esegui(std::vector<std::string> argomenti) {
  argomenti.insert(argomenti.begin(), "scenario-compile");
  std::vector<char*> argv;
  for (std::string& a : argomenti) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::ostringstream uscita, messaggi;
  const int stato =
      esegui_riga_comando(static_cast<int>(argomenti.size()), argv.data(), uscita, messaggi);
  return {stato, uscita.str(), messaggi.str()};
}

TEST(RigaComandoTest, HelpAndVersionGoToStandardOutput) {
  for (const char* opzione : {"-h", "--help"}) {
    const Esito e = esegui({opzione, "--line", "x"});
    EXPECT_EQ(e.stato, 0);
    EXPECT_EQ(e.uscita.rfind("Usage: scenario-compile [OPTIONS] [SOURCE_FOLDER]\n", 0), 0u);
    EXPECT_NE(e.uscita.find("  -c, --check          compile and report, write nothing\n"),
              std::string::npos);
    EXPECT_EQ(e.messaggi, "");
  }
  for (const char* opzione : {"-V", "--version"}) {
    const Esito e = esegui({opzione});
    EXPECT_EQ(e.stato, 0);
    EXPECT_EQ(e.uscita, std::string("scenario-compile ") + SCENARIO_VERSION_TEST + "\n");
  }
}

TEST(RigaComandoTest, UsageErrorsEndWithStatus2AndAHint) {
  const struct {
    std::vector<std::string> argomenti;
    const char* messaggio;
  } casi[] = {
      {{"--frobnicate"}, "unknown option '--frobnicate'"},
      {{"-x"}, "unknown option '-x'"},
      {{"--line"}, "option '--line' needs a value"},
      {{"-o"}, "option '-o' needs a value"},
      {{"a", "b"}, "one source folder at most, found 'b' as well"},
  };
  for (const auto& c : casi) {
    const Esito e = esegui(c.argomenti);
    EXPECT_EQ(e.stato, 2);
    EXPECT_EQ(e.uscita, "");
    EXPECT_EQ(e.messaggi, std::string("scenario-compile: ") + c.messaggio +
                              "\nTry 'scenario-compile --help' for more information.\n");
  }
}

TEST(RigaComandoTest, OptionsReachTheCompilation) {
  TempFolder sorgente;
  write_bytes(sorgente.path() / "Lin_linea.txt", "[generale]\r\nlunghezza percorso, 0\r\n[fine]\r\n");
  write_bytes(sorgente.path() / "Lin_12-.txt", "[generale]\r\n[fine]\r\n");
  // --check: nothing is written, whatever the order of options and folder.
  Esito e = esegui({sorgente.path().string(), "--check", "-t", "12", "--line=Lin"});
  EXPECT_EQ(e.stato, 0) << e.messaggi;
  size_t file = 0;
  for ([[maybe_unused]] const auto& f : fs::directory_iterator(sorgente.path())) ++file;
  EXPECT_EQ(file, 2u);

  TempFolder uscita;
  e = esegui({"-l", "Lin", "--train", "12", "-o", uscita.path().string(), sorgente.path().string()});
  EXPECT_EQ(e.stato, 0) << e.messaggi;
  EXPECT_TRUE(fs::exists(uscita.path() / "Lin_12.dat"));
  EXPECT_TRUE(fs::exists(uscita.path() / "Lin_12.sim"));
  EXPECT_TRUE(fs::exists(uscita.path() / "Lin_linea.dat"));
}

// The example scenario of the repository compiles with no message at all.
TEST(RigaComandoTest, TheExampleScenarioCompilesWithoutAnyMessage) {
  const Esito e = esegui({"--check", "-l", "Colle_Ferrato", "-t", "2291", SCENARIO_EXAMPLES_DIR});
  EXPECT_EQ(e.stato, 0);
  EXPECT_EQ(e.messaggi, "");
}

// The two real programs: the main program builds the built-in scenario next
// to itself; the tool, given the description files the main program
// writes, produces the same three files byte for byte.
TEST(RigaComandoTest, TheToolAndTheMainProgramAgreeByteForByte) {
  TempFolder programma, sorgente, uscita;
  const fs::path builder = programma.path() / fs::path(SCENARIO_BUILDER_EXE).filename();
  fs::copy_file(SCENARIO_BUILDER_EXE, builder);
  ASSERT_EQ(run_program(builder, {}), 0);

  TestPlatform autore_piattaforma(sorgente.path());
  Form1 autore(autore_piattaforma);
  autore.nome_linea = kDefaultLineName;
  autore.numero_treno = kDefaultTrainNumber;
  autore.dati_linea();
  autore.dati_treno();
  const std::string linea = read_bytes(sorgente.path() / "Valdarco_Lornese_linea.txt");
  const std::string treno = read_bytes(sorgente.path() / "Valdarco_Lornese_4158-.txt");

  const fs::path messaggi = uscita.path().parent_path() / (uscita.path().filename().string() + ".err");
  ASSERT_EQ(run_program(SCENARIO_COMPILE_EXE, {"-o", uscita.path().string(), sorgente.path().string()},
                        {.errors = messaggi}),
            0);
  EXPECT_EQ(read_bytes(messaggi), "");
  fs::remove(messaggi);
  for (const char* nome :
       {"Valdarco_Lornese_linea.dat", "Valdarco_Lornese_4158.sim", "Valdarco_Lornese_4158.dat"}) {
    SCOPED_TRACE(nome);
    EXPECT_EQ(read_bytes(uscita.path() / nome), read_bytes(programma.path() / nome));
  }
  EXPECT_EQ(read_bytes(sorgente.path() / "Valdarco_Lornese_linea.txt"), linea);
  EXPECT_EQ(read_bytes(sorgente.path() / "Valdarco_Lornese_4158-.txt"), treno);
}

}  // namespace
