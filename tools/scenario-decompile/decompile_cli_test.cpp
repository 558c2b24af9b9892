// The command line of scenario-decompile, run whole on real folders.

#include "decompile_cli.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "platform/ansi.h"
#include "model/file_names.h"
#include "testing/in_memory_build.h"
#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int status;
  std::string output, messages;
};

Outcome run(std::vector<std::string> args) {
  args.insert(args.begin(), "scenario-decompile");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  std::ostringstream out, err;
  const int status = run_decompile(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

std::string example(const std::string& name) {
  std::ifstream in(std::string(SCENARIO_EXAMPLES_DIR) + "/" + name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

/// The compiled files of a build in memory, by file name.
std::map<std::string, std::string> compiled(const std::string& line, const std::string& train,
                                            const std::string& nome_linea,
                                            const std::string& numero_treno) {
  const CompiledInMemory c = compile_in_memory(line, train, nome_linea, numero_treno);
  return {{scenario_file_name(ScenarioFile::line_data, nome_linea, numero_treno), c.line_data},
          {scenario_file_name(ScenarioFile::service, nome_linea, numero_treno), c.service},
          {scenario_file_name(ScenarioFile::grid, nome_linea, numero_treno), c.grid}};
}

std::map<std::string, std::string> example_compiled() {
  return compiled(example("Colle_Ferrato_linea.txt"), example("Colle_Ferrato_2291-.txt"),
                  "Colle_Ferrato", "2291");
}

void write_all(const fs::path& folder, const std::map<std::string, std::string>& files) {
  for (const auto& [name, bytes] : files) write_bytes(folder / name, bytes);
}

struct DecompileCliTest : testing::Test {
  TempFolder folder;
  fs::path in() const { return folder.path() / "compiled"; }
  fs::path out() const { return folder.path() / "new" / "sources"; }
  void SetUp() override { fs::create_directories(in()); }
};

// The names come from the folder's one scenario, the output folder is
// created, and what is written compiles back to the very files.
TEST_F(DecompileCliTest, WritesSourcesThatCompileBackTheSame) {
  const auto files = example_compiled();
  write_all(in(), files);
  const Outcome o = run({utf8_of_path(in()), "-o", utf8_of_path(out())});
  EXPECT_EQ(o.status, 0) << o.messages;
  EXPECT_EQ(o.messages, "");
  EXPECT_EQ(o.output, "");
  const auto again = compiled(read_bytes(out() / "Colle_Ferrato_linea.txt"),
                              read_bytes(out() / "Colle_Ferrato_2291-.txt"), "Colle_Ferrato", "2291");
  EXPECT_TRUE(again == files);
}

TEST_F(DecompileCliTest, ATruncatedFileIsRefusedWithTheReadersMessage) {
  auto files = example_compiled();
  files["Colle_Ferrato_2291.dat"].resize(4200);
  write_all(in(), files);
  const Outcome o = run({"-l", "Colle_Ferrato", "-t", "2291", utf8_of_path(in())});
  EXPECT_EQ(o.status, 3);
  EXPECT_EQ(o.messages, "scenario-decompile: " + utf8_of_path(in() / "Colle_Ferrato_2291.dat") +
                            ": offset 4200: expected 15 bytes of cell 280 of 281 for the line length "
                            "of the service file, found the end of the file\n");
  EXPECT_FALSE(fs::exists(in() / "Colle_Ferrato_linea.txt"));
}

// A grid no description can give: an error naming the file, the offset and
// the cell, and nothing written; --no-verify writes all the same.
TEST_F(DecompileCliTest, ADifferenceWritesNothingUnlessVerifyingIsOff) {
  auto files = example_compiled();
  files["Colle_Ferrato_2291.dat"][15 * 100] = 9;
  write_all(in(), files);
  const Outcome o = run({utf8_of_path(in())});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.messages,
            "scenario-decompile: note: cell 100 (5000 m): type 9, which no entry produces\n"
            "scenario-decompile: error: " + utf8_of_path(in() / "Colle_Ferrato_2291.dat") +
                ": offset 1500: cell 100 (5000 m), field tipo of type 9: the recovered files "
                "compile to other bytes; nothing written\n");
  EXPECT_FALSE(fs::exists(in() / "Colle_Ferrato_linea.txt"));

  const Outcome unverified = run({"--no-verify", utf8_of_path(in())});
  EXPECT_EQ(unverified.status, 0);
  EXPECT_TRUE(fs::exists(in() / "Colle_Ferrato_linea.txt"));
  EXPECT_TRUE(fs::exists(in() / "Colle_Ferrato_2291-.txt"));
}

TEST_F(DecompileCliTest, WithoutTheLineDataFileCurvesAreMissingAndSaidSo) {
  auto files = example_compiled();
  files.erase("Colle_Ferrato_linea.dat");
  write_all(in(), files);
  const Outcome o = run({utf8_of_path(in())});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.messages,
            "scenario-decompile: warning: no line data file: curves leave no trace in the other "
            "files, so the line description has none (the service and grid files still compile "
            "back the same)\n");
  const auto again = compiled(read_bytes(in() / "Colle_Ferrato_linea.txt"),
                              read_bytes(in() / "Colle_Ferrato_2291-.txt"), "Colle_Ferrato", "2291");
  EXPECT_EQ(again.at("Colle_Ferrato_2291.sim"), files.at("Colle_Ferrato_2291.sim"));
  EXPECT_EQ(again.at("Colle_Ferrato_2291.dat"), files.at("Colle_Ferrato_2291.dat"));
}

// Two scenarios in one folder: the names must say which; a line name or a
// train number alone is enough when it picks one.
TEST_F(DecompileCliTest, NamesPickOneOfSeveralScenarios) {
  write_all(in(), example_compiled());
  write_all(in(), compiled(example("Colle_Ferrato_linea.txt"), example("Colle_Ferrato_2291-.txt"),
                           "Colle_Ferrato", "2292"));
  const Outcome several = run({utf8_of_path(in())});
  EXPECT_EQ(several.status, 2);
  EXPECT_EQ(several.messages, "scenario-decompile: '" + utf8_of_path(in()) +
                                  "' holds 2 scenarios; choose one with --line and --train:\n"
                                  "  --line Colle_Ferrato --train 2291\n"
                                  "  --line Colle_Ferrato --train 2292\n");
  const Outcome one = run({"--train", "2292", utf8_of_path(in())});
  EXPECT_EQ(one.status, 0) << one.messages;
  EXPECT_TRUE(fs::exists(in() / "Colle_Ferrato_2292-.txt"));
  EXPECT_FALSE(fs::exists(in() / "Colle_Ferrato_2291-.txt"));
}

// Without a line data file the folder's names split "<line>_<train>" at a
// guess; the records name the scenario, and a name typed that differs from
// them is said.
TEST_F(DecompileCliTest, TheRecordsNameTheDescriptionFiles) {
  auto files = compiled(example("Colle_Ferrato_linea.txt"), example("Colle_Ferrato_2291-.txt"),
                        "Colle", "Ferrato_2291");
  files.erase("Colle_linea.dat");
  write_all(in(), files);
  const std::string no_curves =
      "scenario-decompile: warning: no line data file: curves leave no trace in the other "
      "files, so the line description has none (the service and grid files still compile "
      "back the same)\n";
  const Outcome found = run({utf8_of_path(in()), "-o", utf8_of_path(out())});
  EXPECT_EQ(found.status, 0) << found.messages;
  EXPECT_EQ(found.messages, no_curves);
  EXPECT_TRUE(fs::exists(out() / "Colle_linea.txt"));
  EXPECT_TRUE(fs::exists(out() / "Colle_Ferrato_2291-.txt"));

  const Outcome typed = run({"-l", "Colle_Ferrato", "-t", "2291", utf8_of_path(in())});
  EXPECT_EQ(typed.status, 0) << typed.messages;
  EXPECT_EQ(typed.messages,
            "scenario-decompile: warning: the records name line \"Colle\" and train "
            "\"Ferrato_2291\": the description files take these names\n" + no_curves);
  EXPECT_TRUE(fs::exists(in() / "Colle_linea.txt"));
  EXPECT_FALSE(fs::exists(in() / "Colle_Ferrato_linea.txt"));
}

TEST_F(DecompileCliTest, UsageErrors) {
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"--frobnicate"}, "scenario-decompile: unknown option '--frobnicate'\n"},
      {{"-o"}, "scenario-decompile: option '-o' needs a value\n"},
      {{"a", "b"}, "scenario-decompile: one folder at most, found 'b' as well\n"},
  };
  for (const auto& c : cases) {
    const Outcome o = run(c.args);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.messages, c.message + "Try 'scenario-decompile --help' for more information.\n");
  }
  const Outcome missing = run({utf8_of_path(folder.path() / "nowhere")});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.messages,
            "scenario-decompile: " + utf8_of_path(folder.path() / "nowhere") + ": no such folder\n");
  const Outcome nothing = run({utf8_of_path(in())});
  EXPECT_EQ(nothing.status, 2);
  EXPECT_EQ(nothing.messages, "scenario-decompile: no scenario in '" + utf8_of_path(in()) +
                                  "': it holds no service file <line>_<train>.sim with its grid "
                                  "file <line>_<train>.dat\n");
  const Outcome empty = run({"-l", "Colle_Ferrato", "-t", "2291", utf8_of_path(in())});
  EXPECT_EQ(empty.status, 2);
  EXPECT_EQ(empty.messages, "scenario-decompile: " +
                                utf8_of_path(file_in_folder(in(), "Colle_Ferrato_2291.sim")) +
                                ": no such file\n");
}

TEST_F(DecompileCliTest, HelpAndVersion) {
  const Outcome help = run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.output.rfind("Usage: scenario-decompile [OPTIONS] [FOLDER]\n", 0), 0u);
  const Outcome version = run({"-V"});
  EXPECT_EQ(version.output, std::string("scenario-decompile ") + SCENARIO_VERSION_TEST + "\n");
}

}  // namespace
