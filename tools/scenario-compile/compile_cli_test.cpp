#include "compile_cli.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "app/form1.h"
#include "session.h"
#include "testing/run_program.h"
#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
  int status;
  std::string output;
  std::string messages;
};

Outcome run(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "scenario-compile");
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::ostringstream output, messages;
  const int status =
      run_compile(static_cast<int>(arguments.size()), argv.data(), output, messages);
  return {status, output.str(), messages.str()};
}

TEST(CompileCliTest, HelpAndVersionGoToStandardOutput) {
  for (const char* help_option : {"-h", "--help"}) {
    const Outcome e = run({help_option, "--line", "x"});
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(e.output.rfind("Usage: scenario-compile [OPTIONS] [FOLDER]\n", 0), 0u);
    EXPECT_NE(e.output.find("  -c, --check          compile and report, write nothing\n"),
              std::string::npos);
    EXPECT_EQ(e.messages, "");
  }
  for (const char* help_option : {"-V", "--version"}) {
    const Outcome e = run({help_option});
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(e.output, std::string("scenario-compile ") + SCENARIO_VERSION_TEST + "\n");
  }
}

TEST(CompileCliTest, ThePageNeedsTheCompiledFiles) {
  TempFolder source;
  const Outcome e = run({"--check", "--html", "p.html", "-l", "A", "-t", "1", source.path().string()});
  EXPECT_EQ(e.status, 2);
  EXPECT_EQ(e.messages,
            "scenario-compile: --html shows the compiled files, which --check does not write\n"
            "Try 'scenario-compile --help' for more information.\n");
}

TEST(CompileCliTest, AnUnknownEncodingIsAUsageError) {
  TempFolder source;
  const Outcome e = run({"--encoding", "latin1", "-l", "A", "-t", "1", source.path().string()});
  EXPECT_EQ(e.status, 2);
  EXPECT_EQ(e.output, "");
  EXPECT_EQ(e.messages,
            "scenario-compile: unknown encoding 'latin1' (cp1252 or utf-8)\n"
            "Try 'scenario-compile --help' for more information.\n");
}

TEST(CompileCliTest, OptionsReachTheCompilation) {
  TempFolder source;
  write_bytes(source.path() / "Lin_linea.txt", "[generale]\r\nlunghezza percorso, 0\r\n[fine]\r\n");
  write_bytes(source.path() / "Lin_12-.txt", "[generale]\r\n[fine]\r\n");
  // --check: nothing is written, whatever the order of options and folder.
  Outcome e = run({source.path().string(), "--check", "-t", "12", "--line=Lin"});
  EXPECT_EQ(e.status, 0) << e.messages;
  size_t file = 0;
  for ([[maybe_unused]] const auto& f : fs::directory_iterator(source.path())) ++file;
  EXPECT_EQ(file, 2u);

  // The output folder is created, with the folders above it.
  TempFolder above;
  const fs::path output = above.path() / "new" / "out";
  e = run({"-l", "Lin", "--train", "12", "-o", output.string(), source.path().string()});
  EXPECT_EQ(e.status, 0) << e.messages;
  EXPECT_TRUE(fs::exists(output / "Lin_12.dat"));
  EXPECT_TRUE(fs::exists(output / "Lin_12.sim"));
  EXPECT_TRUE(fs::exists(output / "Lin_linea.dat"));

  // Not when there is nothing to compile: a misspelt name leaves no folder.
  const fs::path unused = above.path() / "unused";
  e = run({"-l", "Lni", "-t", "12", "-o", unused.string(), source.path().string()});
  EXPECT_EQ(e.status, 2);
  EXPECT_FALSE(fs::exists(unused));

  // Nor where a file stands in the way.
  write_bytes(above.path() / "file", "");
  e = run({"-o", (above.path() / "file" / "out").string(), source.path().string()});
  EXPECT_EQ(e.status, 3);
  EXPECT_EQ(e.messages.rfind("scenario-compile: " + (above.path() / "file" / "out").string() +
                                 ": cannot create the output folder: ", 0), 0u) << e.messages;
}

// The options that decide the outcome reach the compilation: each one
// changes the exit status or what is written.
TEST(CompileCliTest, StrictWriteOnErrorAndEncodingReachTheCompilation) {
  TempFolder source;
  write_bytes(source.path() / "Lin_linea.txt", "[generale]\r\nlunghezza percorso, 0\r\n[fine]\r\n");
  // A misspelt key (one warning) and a comment in Windows-1252.
  write_bytes(source.path() / "Lin_12-.txt", "[generale]\r\nsabbiia, 300\r\n- caf\xE8\r\n[fine]\r\n");
  const struct {
    std::vector<std::string> options;
    int status;
    bool written;
  } cases[] = {
      {{}, 0, true},
      {{"--strict"}, 1, false},
      {{"--strict", "--write-on-error"}, 1, true},
      {{"--encoding", "utf-8"}, 1, false},
      {{"--encoding=CP1252", "--check"}, 0, false},
  };
  for (const auto& c : cases) {
    TempFolder output;
    std::vector<std::string> arguments = {"-l", "Lin", "-t", "12", "-o", output.path().string(),
                                          source.path().string()};
    arguments.insert(arguments.begin(), c.options.begin(), c.options.end());
    const Outcome e = run(arguments);
    SCOPED_TRACE(e.messages);
    EXPECT_EQ(e.status, c.status);
    EXPECT_EQ(fs::exists(output.path() / "Lin_12.sim"), c.written);
  }
}

// The example scenario of the repository compiles with no message at all.
TEST(CompileCliTest, TheExampleScenarioCompilesWithoutAnyMessage) {
  const Outcome e = run({"--check", "-l", "Colle_Ferrato", "-t", "2291", SCENARIO_EXAMPLES_DIR});
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.messages, "");
}

// The two real programs: the main program builds the built-in scenario next
// to itself; the tool, given the description files the main program
// writes, produces the same three files byte for byte.
TEST(CompileCliTest, TheToolAndTheMainProgramAgreeByteForByte) {
  TempFolder program, source, output;
  const fs::path builder = program.path() / fs::path(SCENARIO_BUILDER_EXE).filename();
  fs::copy_file(SCENARIO_BUILDER_EXE, builder);
  ASSERT_EQ(run_program(builder, {}), 0);

  TestPlatform author_platform(source.path());
  Form1 author(author_platform);
  author.nome_linea = kDefaultLineName;
  author.numero_treno = kDefaultTrainNumber;
  author.dati_linea();
  author.dati_treno();
  const std::string line = read_bytes(source.path() / "Valdarco_Lornese_linea.txt");
  const std::string train = read_bytes(source.path() / "Valdarco_Lornese_4158-.txt");

  const fs::path messages = output.path().parent_path() / (output.path().filename().string() + ".err");
  ASSERT_EQ(run_program(SCENARIO_COMPILE_EXE, {"-o", output.path().string(), source.path().string()},
                        {.errors = messages}),
            0);
  EXPECT_EQ(read_bytes(messages), "");
  fs::remove(messages);
  for (const char* nome :
       {"Valdarco_Lornese_linea.dat", "Valdarco_Lornese_4158.sim", "Valdarco_Lornese_4158.dat"}) {
    SCOPED_TRACE(nome);
    EXPECT_EQ(read_bytes(output.path() / nome), read_bytes(program.path() / nome));
  }
  EXPECT_EQ(read_bytes(source.path() / "Valdarco_Lornese_linea.txt"), line);
  EXPECT_EQ(read_bytes(source.path() / "Valdarco_Lornese_4158-.txt"), train);
}

}  // namespace
