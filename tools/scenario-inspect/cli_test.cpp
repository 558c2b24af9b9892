#include "cli.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <vector>

#include "testing/run_program.h"
#include "testing/test_platform.h"
#include "decode.h"
#include "model/file_names.h"
#include "output/scenario_files.h"
#include "sample_scenario.h"

namespace fs = std::filesystem;

namespace {

namespace tb = sample_scenario;

struct Esecuzione {
  int stato;
  std::string out, err;
};

/// Writes the sample's three files into a fresh folder and runs the tool there.
struct CliTest : testing::Test {
  TempFolder cartella;
  tb::Campione c = tb::campione();

  void scrivi(const std::string& linea = kDefaultLineName, const std::string& treno = kDefaultTrainNumber) {
    const auto file = [&](ScenarioFile f) { return cartella.path() / scenario_file_name(f, linea, treno); };
    write_bytes(file(ScenarioFile::grid), bytes_percorso(c.percorso));
    write_bytes(file(ScenarioFile::service), bytes_voci(c.voci));
    write_bytes(file(ScenarioFile::line_data), std::string(bytes_tracciato(c.tracciato).vista()));
  }

  Esecuzione esegui(std::vector<std::string> argomenti) {
    argomenti.insert(argomenti.begin(), "scenario-inspect");
    std::vector<char*> argv;
    for (auto& a : argomenti) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::ostringstream out, err;
    const int stato = esegui_inspect(static_cast<int>(argomenti.size()), argv.data(), out, err);
    return {stato, out.str(), err.str()};
  }
  std::string d() const { return "--folder=" + cartella.path().string(); }
};

TEST_F(CliTest, ValidScenarioPrintsTheSummaryAndExitsZero) {
  scrivi();
  const auto r = esegui({"-d", cartella.path().string()});
  EXPECT_EQ(r.stato, esito::valido) << r.err;
  EXPECT_TRUE(r.out.starts_with("Scenario Valdarco_Lornese, train 4158\n"));
  EXPECT_EQ(r.err, "");
}

TEST_F(CliTest, OtherNamesFindOtherFiles) {
  c.voci[85].nome = "Linea_Prova";
  c.voci[86].nome = "12";
  const std::string chiave = chiave_codici("12", "Linea_Prova");
  c.voci[85].orario = codice_pesato(chiave);
  c.percorso[1].dato2 = codice_semplice(chiave);
  scrivi("Linea_Prova", "12");
  EXPECT_EQ(esegui({d(), "--line", "Linea_Prova", "-t", "12"}).stato, esito::valido);
  const auto r = esegui({d()});
  EXPECT_EQ(r.stato, esito::file_errato);
  EXPECT_EQ(r.err, "scenario-inspect: " + (cartella.path() / "Valdarco_Lornese_4158.sim").string() +
                       ": no such file\n");
}

TEST_F(CliTest, FilesNamedOtherwiseThanTheirRecordsGiveAWarning) {
  scrivi("Altra_Linea", "4158");
  const auto r = esegui({d(), "-l", "Altra_Linea"});
  EXPECT_EQ(r.stato, esito::valido);
  EXPECT_EQ(r.err,
            "scenario-inspect: warning: the records name line \"Valdarco_Lornese\" and train \"4158\", "
            "the files \"Altra_Linea\" and \"4158\"\n");
}

TEST_F(CliTest, AWrongCheckCodeExitsOneAndStillShowsTheScenario) {
  c.voci[85].orario += 1;
  scrivi();
  const auto r = esegui({d()});
  EXPECT_EQ(r.stato, esito::controllo);
  EXPECT_NE(r.out.find("weighted check code in record 85  33077 (INVALID, expected 33076)"), std::string::npos);
  EXPECT_EQ(r.err, "scenario-inspect: the markers or check codes are not valid\n");
}

TEST_F(CliTest, ACorruptFileExitsThreeWithTheReadersMessage) {
  scrivi();
  const fs::path griglia = cartella.path() / "Valdarco_Lornese_4158.dat";
  std::string b = read_bytes(griglia);
  b.resize(b.size() - 1);
  write_bytes(griglia, b);
  const auto r = esegui({d()});
  EXPECT_EQ(r.stato, esito::file_errato);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "scenario-inspect: " + griglia.string() +
                       ": offset 3000: expected 15 bytes of cell 200 of 201 for the line length of "
                       "the service file, found only 14 bytes before the end of the file\n");
}

TEST_F(CliTest, TheLineDataFileMayBeMissing) {
  scrivi();
  fs::remove(cartella.path() / "Valdarco_Lornese_linea.dat");
  const auto r = esegui({d()});
  EXPECT_EQ(r.stato, esito::valido);
  EXPECT_NE(r.out.find("Track plan                          no line data file\n"), std::string::npos);
}

TEST_F(CliTest, JsonReplacesTheSummaryAndHtmlIsWrittenBeside) {
  scrivi();
  const fs::path pagina = cartella.path() / "pagina.html";
  const auto r = esegui({d(), "--json", "--html", pagina.string()});
  EXPECT_EQ(r.stato, esito::valido) << r.err;
  EXPECT_TRUE(r.out.starts_with("{\"nome_linea\":\"Valdarco_Lornese\",\"numero_treno\":\"4158\","));
  EXPECT_TRUE(read_bytes(pagina).starts_with("<!DOCTYPE html>"));
  const auto senza = esegui({d(), "--html", (cartella.path() / "no" / "p.html").string()});
  EXPECT_EQ(senza.stato, esito::file_errato);
  EXPECT_NE(senza.err.find(": cannot be written\n"), std::string::npos);
}

TEST_F(CliTest, UsageErrorsExitTwo) {
  const struct {
    std::vector<std::string> argomenti;
    std::string err;
  } casi[] = {
      {{"--bogus"}, "scenario-inspect: unknown option --bogus\nTry 'scenario-inspect --help'.\n"},
      {{"-x"}, "scenario-inspect: unknown option -x\nTry 'scenario-inspect --help'.\n"},
      {{"--html"}, "scenario-inspect: option --html needs a value\nTry 'scenario-inspect --help'.\n"},
      {{"-l"}, "scenario-inspect: option -l needs a value\nTry 'scenario-inspect --help'.\n"},
      {{"extra"}, "scenario-inspect: unexpected argument extra\nTry 'scenario-inspect --help'.\n"},
  };
  for (const auto& k : casi) {
    const auto r = esegui(k.argomenti);
    EXPECT_EQ(r.stato, esito::uso) << k.argomenti[0];
    EXPECT_EQ(r.err, k.err);
  }
  // A name that Windows-1252 cannot hold cannot name a file of the builder.
  EXPECT_EQ(esegui({"-l", "\xE2\x82\xAC\xE4\xB8\xAD"}).stato, esito::uso);
}

TEST_F(CliTest, HelpAndVersion) {
  const auto h = esegui({"--help"});
  EXPECT_EQ(h.stato, esito::valido);
  EXPECT_TRUE(h.out.starts_with("Usage: scenario-inspect [OPTION]...\n"));
  EXPECT_NE(h.out.find("Exit status: 0 valid, 1 a marker or check code is wrong, 2 usage error,"), std::string::npos);
  const auto v = esegui({"--version"});
  EXPECT_EQ(v.stato, esito::valido);
  EXPECT_TRUE(v.out.starts_with("scenario-inspect "));
}

TEST_F(CliTest, TheExecutableGivesTheSameStatuses) {
  scrivi();
  const fs::path exe = SCENARIO_INSPECT_EXE;
  EXPECT_EQ(run_program(exe, {"-d", cartella.path().string()}), 0);
  EXPECT_EQ(run_program(exe, {"--nope"}), esito::uso);
  EXPECT_EQ(run_program(exe, {"-d", "/nonexistent-folder"}), esito::file_errato);
}

// Round trip against the real builder: run it in a folder of its own, then
// inspect what it wrote. Enabled once the builder writes its files.
TEST(BuiltInScenarioTest, CompiledBuiltInScenarioShowsItsFacts) {
  TempFolder cartella;
  const fs::path builder = cartella.path() / fs::path(SCENARIO_BUILDER_EXE).filename();
  fs::copy_file(SCENARIO_BUILDER_EXE, builder);
  ASSERT_EQ(run_program(builder, {}, {.folder = cartella.path()}), 0);

  const std::string griglia = read_bytes(cartella.path() / "Valdarco_Lornese_4158.dat");
  const std::string servizio = read_bytes(cartella.path() / "Valdarco_Lornese_4158.sim");
  const std::string linea = read_bytes(cartella.path() / "Valdarco_Lornese_linea.dat");
  const auto letto = leggi_scenario({griglia, "grid", servizio, "service", linea, "line"});
  ASSERT_TRUE(letto.ok()) << letto.error().message();
  const Scenario& s = letto.value();
  EXPECT_TRUE(s.controlli.validi());
  EXPECT_EQ(s.controlli.codice_semplice.trovato, 2398);
  EXPECT_EQ(s.controlli.codice_pesato.trovato, 33076);
  EXPECT_EQ(s.lunghezza, 40000);
  EXPECT_EQ(s.percorso.size(), 941u);
  EXPECT_EQ(s.tracciato.calcolati, 46999);

  const Decodificato d = decodifica(s);
  ASSERT_EQ(d.stazioni.size(), 12u);
  const voce& prima = s.voci[1];
  EXPECT_EQ(prima.nome, "VALDARCO TERME");
  EXPECT_EQ(ora(prima.orario), "6:48:00");
  EXPECT_EQ(d.stazioni[0].cella_fermata, 3);
  const voce& ultima = s.voci[12];
  EXPECT_EQ(ultima.nome, "LORNESE");
  EXPECT_EQ(ora(ultima.orario), "7:38:00");
  EXPECT_EQ(d.stazioni[11].cella_fermata, 803);
  ASSERT_EQ(d.segnali.size(), 14u);
  EXPECT_EQ(d.segnali[0].posizione, 5950);
  EXPECT_EQ((std::array{d.segnali[0].sx, d.segnali[0].s1, d.segnali[0].s2}), (std::array{1, 5, 1}));
  EXPECT_EQ(d.segnali[0].marcatori, (std::array<uint8_t, 4>{31, 32, 33, 34}));
  ASSERT_EQ(d.gallerie.size(), 42u);
  int per_tipo[4] = {};
  size_t marcatori = 0;
  for (const Galleria& g : d.gallerie) ++per_tipo[g.tipo], marcatori += g.marcatori.size();
  EXPECT_EQ((std::array{per_tipo[1], per_tipo[2], per_tipo[3]}), (std::array{15, 9, 18}));
  EXPECT_EQ(d.gallerie[17].inizio(), 15050);
  EXPECT_EQ(d.gallerie[17].fine(), 17800);
  EXPECT_EQ(d.cartelli.size(), 43u);
  ASSERT_EQ(d.indicatori.size(), 1u);
  EXPECT_EQ(d.indicatori[0].posizione(), 300);

  std::string a0 = "scenario-inspect", a1 = "--folder=" + cartella.path().string();
  std::string a2 = "--html=" + (cartella.path() / "p.html").string();
  char* argv[] = {a0.data(), a1.data(), a2.data(), nullptr};
  std::ostringstream out, err;
  EXPECT_EQ(esegui_inspect(3, argv, out, err), esito::valido) << err.str();
  EXPECT_NE(out.str().find("\nTunnels (42)\n"), std::string::npos);
}

}  // namespace
