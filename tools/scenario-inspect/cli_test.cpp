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

struct RunResult {
  int status;
  std::string out, err;
};

/// Writes the sample's three files into a fresh folder and runs the tool there.
struct CliTest : testing::Test {
  TempFolder folder;
  tb::Sample c = tb::sample();

  void write(const std::string& line = kDefaultLineName, const std::string& train = kDefaultTrainNumber) {
    const auto file = [&](ScenarioFile f) { return folder.path() / scenario_file_name(f, line, train); };
    write_bytes(file(ScenarioFile::grid), grid_file_bytes(c.percorso));
    write_bytes(file(ScenarioFile::service), service_file_bytes(c.voci));
    write_bytes(file(ScenarioFile::line_data), std::string(line_data_file_bytes(c.tracciato).view()));
  }

  RunResult run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "scenario-inspect");
    std::vector<char*> argv;
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::ostringstream out, err;
    const int status = run_inspect(static_cast<int>(arguments.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
  }
  std::string d() const { return "--folder=" + folder.path().string(); }
};

TEST_F(CliTest, ValidScenarioPrintsTheSummaryAndExitsZero) {
  write();
  const auto r = run({"-d", folder.path().string()});
  EXPECT_EQ(r.status, exit_status::valid) << r.err;
  EXPECT_TRUE(r.out.starts_with("Scenario Valdarco_Lornese, train 4158\n"));
  EXPECT_EQ(r.err, "");
}

TEST_F(CliTest, OtherNamesFindOtherFiles) {
  c.voci[85].nome = "Linea_Prova";
  c.voci[86].nome = "12";
  const std::string key = check_code_key("12", "Linea_Prova");
  c.voci[85].orario = weighted_code(key);
  c.percorso[1].dato2 = plain_code(key);
  write("Linea_Prova", "12");
  EXPECT_EQ(run({d(), "--line", "Linea_Prova", "-t", "12"}).status, exit_status::valid);
  // Without names, those of the folder's one scenario.
  EXPECT_EQ(run({d()}).status, exit_status::valid);
  // Files the names do not find are an input the author named wrongly.
  const auto r = run({d(), "-l", kDefaultLineName, "-t", kDefaultTrainNumber});
  EXPECT_EQ(r.status, exit_status::usage);
  EXPECT_EQ(r.err, "scenario-inspect: " + (folder.path() / "Valdarco_Lornese_4158.sim").string() +
                       ": no such file\n");
}

TEST_F(CliTest, FilesNamedOtherwiseThanTheirRecordsGiveAWarning) {
  write("Altra_Linea", "4158");
  const auto r = run({d(), "-l", "Altra_Linea"});
  EXPECT_EQ(r.status, exit_status::valid);
  EXPECT_EQ(r.err,
            "scenario-inspect: warning: the records name line \"Valdarco_Lornese\" and train \"4158\", "
            "the files \"Altra_Linea\" and \"4158\"\n");
}

TEST_F(CliTest, AWrongCheckCodeExitsOneAndStillShowsTheScenario) {
  c.voci[85].orario += 1;
  write();
  const auto r = run({d()});
  EXPECT_EQ(r.status, exit_status::check_failed);
  EXPECT_NE(r.out.find("weighted check code in record 85  33077 (INVALID, expected 33076)"), std::string::npos);
  EXPECT_EQ(r.err, "scenario-inspect: the markers or check codes are not valid\n");
}

TEST_F(CliTest, ACorruptFileExitsThreeWithTheReadersMessage) {
  write();
  const fs::path grid = folder.path() / "Valdarco_Lornese_4158.dat";
  std::string b = read_bytes(grid);
  b.resize(b.size() - 1);
  write_bytes(grid, b);
  const auto r = run({d()});
  EXPECT_EQ(r.status, exit_status::bad_file);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "scenario-inspect: " + grid.string() +
                       ": offset 3000: expected 15 bytes of cell 200 of 201 for the line length of "
                       "the service file, found only 14 bytes before the end of the file\n");
}

TEST_F(CliTest, TheLineDataFileMayBeMissing) {
  write();
  fs::remove(folder.path() / "Valdarco_Lornese_linea.dat");
  const auto r = run({d()});
  EXPECT_EQ(r.status, exit_status::valid);
  EXPECT_NE(r.out.find("Track plan                          no line data file\n"), std::string::npos);
}

TEST_F(CliTest, JsonReplacesTheSummaryAndHtmlIsWrittenBeside) {
  write();
  const fs::path page = folder.path() / "pagina.html";
  const auto r = run({d(), "--json", "--html", page.string()});
  EXPECT_EQ(r.status, exit_status::valid) << r.err;
  EXPECT_TRUE(r.out.starts_with("{\"nome_linea\":\"Valdarco_Lornese\",\"numero_treno\":\"4158\","));
  EXPECT_TRUE(read_bytes(page).starts_with("<!DOCTYPE html>"));
  const auto without = run({d(), "--html", (folder.path() / "no" / "p.html").string()});
  EXPECT_EQ(without.status, exit_status::bad_file);
  EXPECT_NE(without.err.find(": cannot be written\n"), std::string::npos);
}

TEST_F(CliTest, HelpNamesTheInspectorsOwnOptions) {
  const auto h = run({"--help"});
  EXPECT_EQ(h.status, exit_status::valid);
  EXPECT_TRUE(h.out.starts_with("Usage: scenario-inspect [OPTIONS] [FOLDER]\n"));
  EXPECT_NE(h.out.find("\n  -d, --folder DIR     the same as FOLDER\n"), std::string::npos);
  EXPECT_NE(h.out.find("\n  1  a marker or check code is wrong\n"), std::string::npos);
  // A name that Windows-1252 cannot hold cannot name a file of the builder.
  EXPECT_EQ(run({"-l", "\xE2\x82\xAC\xE4\xB8\xAD"}).status, exit_status::usage);
}

TEST_F(CliTest, TheExecutableGivesTheSameStatuses) {
  write();
  const fs::path exe = SCENARIO_INSPECT_EXE;
  EXPECT_EQ(run_program(exe, {"-d", folder.path().string()}), 0);
  EXPECT_EQ(run_program(exe, {"--nope"}), exit_status::usage);
  EXPECT_EQ(run_program(exe, {"/nonexistent-folder"}), exit_status::usage);
}

// Round trip against the real builder: run it in a folder of its own, then
// inspect what it wrote. Enabled once the builder writes its files.
TEST(BuiltInScenarioTest, CompiledBuiltInScenarioShowsItsFacts) {
  TempFolder folder;
  const fs::path builder = folder.path() / fs::path(SCENARIO_BUILDER_EXE).filename();
  fs::copy_file(SCENARIO_BUILDER_EXE, builder);
  ASSERT_EQ(run_program(builder, {}, {.folder = folder.path()}), 0);

  const std::string grid = read_bytes(folder.path() / "Valdarco_Lornese_4158.dat");
  const std::string service = read_bytes(folder.path() / "Valdarco_Lornese_4158.sim");
  const std::string line = read_bytes(folder.path() / "Valdarco_Lornese_linea.dat");
  const auto read_value = read_scenario({grid, "grid", service, "service", line, "line"});
  ASSERT_TRUE(read_value.ok()) << read_value.error().message();
  const Scenario& s = read_value.value();
  EXPECT_TRUE(s.checks.valid_ones());
  EXPECT_EQ(s.checks.plain_code.found, 2398);
  EXPECT_EQ(s.checks.weighted_code.found, 33076);
  EXPECT_EQ(s.length, 40000);
  EXPECT_EQ(s.percorso.size(), 941u);
  EXPECT_EQ(s.tracciato.computed(), 46999);

  const Decoded d = decode(s);
  ASSERT_EQ(d.stations.size(), 12u);
  const voce& first = s.voci[1];
  EXPECT_EQ(first.nome, "VALDARCO TERME");
  EXPECT_EQ(time_of_day(first.orario), "6:48:00");
  EXPECT_EQ(d.stations[0].stop_cell, 3);
  const voce& last = s.voci[12];
  EXPECT_EQ(last.nome, "LORNESE");
  EXPECT_EQ(time_of_day(last.orario), "7:38:00");
  EXPECT_EQ(d.stations[11].stop_cell, 803);
  ASSERT_EQ(d.signals.size(), 14u);
  EXPECT_EQ(d.signals[0].posizione, 5950);
  EXPECT_EQ((std::array{d.signals[0].sx, d.signals[0].s1, d.signals[0].s2}), (std::array{1, 5, 1}));
  EXPECT_EQ(d.signals[0].markers, (std::array<uint8_t, 4>{31, 32, 33, 34}));
  ASSERT_EQ(d.tunnels.size(), 42u);
  int by_type[4] = {};
  size_t markers = 0;
  for (const Tunnel& g : d.tunnels) ++by_type[g.tipo], markers += g.markers.size();
  EXPECT_EQ((std::array{by_type[1], by_type[2], by_type[3]}), (std::array{15, 9, 18}));
  EXPECT_EQ(d.tunnels[17].inizio(), 15050);
  EXPECT_EQ(d.tunnels[17].fine(), 17800);
  EXPECT_EQ(d.boards.size(), 43u);
  ASSERT_EQ(d.speed_boards.size(), 1u);
  EXPECT_EQ(d.speed_boards[0].posizione(), 300);

  std::string a0 = "scenario-inspect", a1 = "--folder=" + folder.path().string();
  std::string a2 = "--html=" + (folder.path() / "p.html").string();
  char* argv[] = {a0.data(), a1.data(), a2.data(), nullptr};
  std::ostringstream out, err;
  EXPECT_EQ(run_inspect(3, argv, out, err), exit_status::valid) << err.str();
  EXPECT_NE(out.str().find("\nTunnels (42)\n"), std::string::npos);
}

}  // namespace
