// Every tool reads the same command line: each case below runs through
// scenario-compile, scenario-inspect and scenario-decompile alike, and must
// end with the same status and the same words, each tool naming itself.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "compile_cli.h"
#include "decompile_cli.h"
#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int status;
  std::string output, messages;
};

using ToolMain = int (*)(int, char**, std::ostream&, std::ostream&);

int compile_main(int argc, char** argv, std::ostream& output, std::ostream& messages) {
  return run_compile(argc, argv, output, messages);
}

const struct {
  const char* name;
  ToolMain run;
} kTools[] = {{"scenario-compile", compile_main},
              {"scenario-inspect", run_inspect},
              {"scenario-decompile", run_decompile}};

Outcome run(ToolMain tool, const char* name, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), name);
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::ostringstream output, messages;
  const int status = tool(static_cast<int>(arguments.size()), argv.data(), output, messages);
  return {status, output.str(), messages.str()};
}

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
  for (size_t i = text.find(from); i != std::string::npos; i = text.find(from, i + to.size()))
    text.replace(i, from.size(), to);
  return text;
}

TEST(SharedOptionsTest, EveryToolReadsTheSameCommandLineTheSameWay) {
  TempFolder empty;
  const std::string e = empty.path().string();
  const std::string help = "\nTry 'TOOL --help' for more information.\n";
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string output_start;  ///< the start of standard output
    std::string messages;      ///< the whole of standard error
  } cases[] = {
      {{"-h"}, 0, "Usage: TOOL [OPTIONS] [FOLDER]\n", ""},
      {{"--help", "--bogus"}, 0, "Usage: TOOL [OPTIONS] [FOLDER]\n", ""},
      {{"-V"}, 0, "TOOL " SCENARIO_VERSION_TEST "\n", ""},
      {{"--version"}, 0, "TOOL " SCENARIO_VERSION_TEST "\n", ""},
      {{"--bogus"}, 2, "", "TOOL: unknown option '--bogus'" + help},
      {{"-x"}, 2, "", "TOOL: unknown option '-x'" + help},
      {{"--line"}, 2, "", "TOOL: option '--line' needs a value" + help},
      {{"-t"}, 2, "", "TOOL: option '-t' needs a value" + help},
      {{e, "b"}, 2, "", "TOOL: one folder at most, found 'b' as well" + help},
      {{(empty.path() / "none").string()}, 2, "", "TOOL: " + (empty.path() / "none").string() + ": no such folder\n"},
      {{"-l", "Colle_linea.txt", e}, 2, "",
       "TOOL: bad line name \"Colle_linea.txt\": it is the name of a file, not of a scenario\n"
       "TOOL: hint: did you mean '--line Colle'?\n"},
      {{"--line", "C:\\x\\Colle", "--train=2291", e}, 2, "",
       "TOOL: bad line name \"C:\\x\\Colle\": it holds a path separator\n"
       "TOOL: hint: did you mean '--line Colle' with the folder 'C:\\x'?\n"},
      {{"-t", "Colle_2291-.txt", "-l", "Colle", e}, 2, "",
       "TOOL: bad train number \"Colle_2291-.txt\": it is the name of a file, not of a scenario\n"
       "TOOL: hint: did you mean '--train 2291'?\n"},
  };
  for (const auto& tool : kTools) {
    for (const auto& c : cases) {
      std::string shown;
      for (const std::string& a : c.arguments) shown += a + " ";
      SCOPED_TRACE(std::string(tool.name) + " " + shown);
      const Outcome o = run(tool.run, tool.name, c.arguments);
      EXPECT_EQ(o.status, c.status);
      EXPECT_TRUE(o.output.starts_with(replace_all(c.output_start, "TOOL", tool.name))) << o.output;
      EXPECT_EQ(o.output.empty(), c.output_start.empty());
      EXPECT_EQ(o.messages, replace_all(c.messages, "TOOL", tool.name));
    }
  }
}

// A folder with one scenario needs no names: the compiler finds the
// description files, the inspector and the decompiler the compiled files the
// compiler wrote beside them.
TEST(SharedOptionsTest, EveryToolTakesTheNamesOfTheFoldersOneScenario) {
  TempFolder folder;
  for (const char* name : {"Colle_Ferrato_linea.txt", "Colle_Ferrato_2291-.txt"})
    fs::copy_file(fs::path(SCENARIO_EXAMPLES_DIR) / name, folder.path() / name);
  const Outcome compiled = run(compile_main, "scenario-compile", {folder.path().string()});
  EXPECT_EQ(compiled.status, 0) << compiled.messages;
  EXPECT_TRUE(fs::exists(folder.path() / "Colle_Ferrato_2291.sim"));
  const Outcome inspected = run(run_inspect, "scenario-inspect", {folder.path().string()});
  EXPECT_EQ(inspected.status, 0) << inspected.messages;
  EXPECT_TRUE(inspected.output.starts_with("Scenario Colle_Ferrato, train 2291\n"));
  const fs::path sources = folder.path() / "sources";
  const Outcome decompiled =
      run(run_decompile, "scenario-decompile", {folder.path().string(), "-o", sources.string()});
  EXPECT_EQ(decompiled.status, 0) << decompiled.messages;
  EXPECT_TRUE(fs::exists(sources / "Colle_Ferrato_2291-.txt"));

  // A second scenario: every tool lists the two and stops.
  for (const char* name : {"Colle_Ferrato_2291-.txt", "Colle_Ferrato_2291.sim", "Colle_Ferrato_2291.dat"}) {
    std::string second = name;
    second.replace(second.find("2291"), 4, "2293");
    fs::copy_file(folder.path() / name, folder.path() / second);
  }
  for (const auto& tool : kTools) {
    const Outcome o = run(tool.run, tool.name, {folder.path().string()});
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.messages, std::string(tool.name) + ": '" + folder.path().string() +
                              "' holds 2 scenarios; choose one with --line and --train:\n"
                              "  --line Colle_Ferrato --train 2291\n  --line Colle_Ferrato --train 2293\n");
    EXPECT_EQ(run(tool.run, tool.name, {folder.path().string(), "-t", "2293"}).status, 0);
  }
}

}  // namespace
