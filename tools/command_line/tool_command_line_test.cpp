#include "tool_command_line.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

enum { kFlag };

constexpr ToolOption kOwn[] = {
    {{'f', "flag", false, kFlag}, nullptr, "an option of the tool's own\nover two lines"},
    {{'d', "folder", true, kFolderOption}, "DIR", "the same as FOLDER"},
};

ToolDescription tool(ScenarioFiles reads) {
  return {"tool", "1.2", "Does things.\n", reads, kOwn, "the scenario is wrong",
          "a file could not be read,\nor written"};
}

struct Outcome {
  ToolRun run;
  std::string out, err;
};

Outcome read(std::vector<std::string> arguments, ScenarioFiles reads = ScenarioFiles::descriptions) {
  arguments.insert(arguments.begin(), "tool");
  std::vector<const char*> argv;
  for (const std::string& a : arguments) argv.push_back(a.c_str());
  std::ostringstream out, err;
  ToolRun run = read_tool_command_line(static_cast<int>(argv.size()), argv.data(), tool(reads), out, err);
  return {std::move(run), out.str(), err.str()};
}

/// A folder holding empty files of the given names.
struct FolderTest : testing::Test {
  TempFolder folder;
  void files(std::initializer_list<const char*> names) {
    for (const char* name : names) write_bytes(folder.path() / name, "");
  }
  std::string f() const { return folder.path().string(); }
};

TEST(ToolCommandLineTest, HelpListsTheSharedOptionsAroundTheToolsOwn) {
  const Outcome o = read({"--help"});
  EXPECT_EQ(o.run.status, tool_status::success);
  EXPECT_FALSE(o.run.command_line);
  EXPECT_EQ(o.out,
            "Usage: tool [OPTIONS] [FOLDER]\n"
            "Does things.\n"
            "\n"
            "  FOLDER               the scenario's folder (default: the current folder)\n"
            "  -l, --line NAME      line name\n"
            "  -t, --train NUMBER   train number\n"
            "                       (both default to the names of the folder's one scenario)\n"
            "  -f, --flag           an option of the tool's own\n"
            "                       over two lines\n"
            "  -d, --folder DIR     the same as FOLDER\n"
            "  -h, --help           print this help and end\n"
            "  -V, --version        print the version and end\n"
            "\n"
            "Exit status:\n"
            "  0  done, nothing wrong\n"
            "  1  the scenario is wrong\n"
            "  2  a usage error: a bad option or name, a missing folder or input file,\n"
            "     no scenario in the folder or several\n"
            "  3  a file could not be read,\n"
            "     or written\n");
  EXPECT_EQ(o.err, "");
}

TEST_F(FolderTest, TheNamesOfTheFoldersOneScenarioAreTakenFromItsFiles) {
  files({"Colle_Ferrato_linea.txt", "Colle_Ferrato_2291-.txt", "notes.txt", "Other_2291-.txt"});
  const struct {
    std::vector<std::string> arguments;
    const char* line;
    const char* train;
    bool found;  ///< a name came from the folder
  } cases[] = {
      {{f()}, "Colle_Ferrato", "2291", true},
      {{"-d", f()}, "Colle_Ferrato", "2291", true},
      {{f(), "-l", "Colle_Ferrato"}, "Colle_Ferrato", "2291", true},
      {{f(), "--train=2291", "-f"}, "Colle_Ferrato", "2291", true},
      // Names given are taken as they are, whatever the folder holds.
      {{f(), "-l", "Altra", "-t", "7"}, "Altra", "7", false},
  };
  for (const auto& c : cases) {
    const Outcome o = read(c.arguments);
    ASSERT_TRUE(o.run.command_line) << o.err;
    EXPECT_EQ(o.run.command_line->line, c.line);
    EXPECT_EQ(o.run.command_line->train, c.train);
    EXPECT_EQ(o.run.command_line->names_found, c.found);
    EXPECT_EQ(o.run.command_line->folder, folder.path());
    EXPECT_EQ(o.err, "");
  }
  const Outcome flagged = read({"-f", f()});
  ASSERT_EQ(flagged.run.command_line->own.size(), 1u);
  EXPECT_EQ(flagged.run.command_line->own[0].id, kFlag);
}

TEST_F(FolderTest, SeveralScenariosAreListedAndNoneIsChosen) {
  files({"A_linea.txt", "A_1-.txt", "A_2-.txt", "B_linea.txt", "B_1-.txt", "Val d'Arco_linea.txt",
         "Val d'Arco_1-.txt"});
  Outcome o = read({f()});
  EXPECT_EQ(o.run.status, tool_status::usage);
  EXPECT_FALSE(o.run.command_line);
  EXPECT_EQ(o.err, "tool: '" + f() + "' holds 4 scenarios; choose one with --line and --train:\n"
                   "  --line A --train 1\n  --line A --train 2\n  --line B --train 1\n"
                   "  --line 'Val d'\\''Arco' --train 1\n");
  o = read({f(), "-t", "1"});
  EXPECT_EQ(o.err, "tool: '" + f() + "' holds 3 scenarios of train '1'; choose one with --line and --train:\n"
                   "  --line A --train 1\n  --line B --train 1\n  --line 'Val d'\\''Arco' --train 1\n");
  o = read({f(), "-l", "B"});
  ASSERT_TRUE(o.run.command_line) << o.err;
  EXPECT_EQ(o.run.command_line->train, "1");
}

TEST_F(FolderTest, NoScenarioInTheFolderEndsTheRun) {
  files({"A_linea.txt", "B_1-.txt", "A_1.sim"});
  Outcome o = read({f()});
  EXPECT_EQ(o.run.status, tool_status::usage);
  EXPECT_EQ(o.err, "tool: no scenario in '" + f() + "': it holds no line description <line>_linea.txt "
                   "with a train description <line>_<train>-.txt\n");
  o = read({f(), "-l", "A"}, ScenarioFiles::compiled);
  EXPECT_EQ(o.err, "tool: no scenario of line 'A' in '" + f() + "': it holds no service file "
                   "<line>_<train>.sim with its grid file <line>_<train>.dat\n");
}

TEST_F(FolderTest, CompiledScenariosTakeTheLineNameFromTheLineDataFile) {
  // The line data file says where the line name ends; without one, the
  // train number is the part after the last "_".
  files({"Val_Nera_linea.dat", "Val_Nera_R_1.sim", "Val_Nera_R_1.dat", "Monte_Alto_9.sim",
         "Monte_Alto_9.dat", "Lone_3.sim"});
  const std::vector<ScenarioNames> found = scenarios_in(folder.path(), ScenarioFiles::compiled);
  EXPECT_EQ(found, (std::vector<ScenarioNames>{{"Monte_Alto", "9"}, {"Val_Nera", "R_1"}}));
  EXPECT_EQ(scenarios_in(folder.path() / "missing", ScenarioFiles::compiled), std::vector<ScenarioNames>{});
}

TEST_F(FolderTest, BadNamesAreRefusedWithAHint) {
  const struct {
    std::vector<std::string> arguments;
    std::string err;
  } cases[] = {
      {{"-l", "Colle_linea.txt"},
       "tool: bad line name \"Colle_linea.txt\": it is the name of a file, not of a scenario\n"
       "tool: hint: did you mean '--line Colle'?\n"},
      {{"-l", "C:\\scen\\Colle", "-t", "12"},
       "tool: bad line name \"C:\\scen\\Colle\": it holds a path separator\n"
       "tool: hint: did you mean '--line Colle' with the folder 'C:\\scen'?\n"},
      {{"-t", "a/Colle_12-.txt", "-l", "x/y"},
       "tool: bad line name \"x/y\": it holds a path separator\n"
       "tool: hint: did you mean '--line y' with the folder 'x'?\n"
       "tool: bad train number \"a/Colle_12-.txt\": it holds a path separator\n"
       "tool: hint: did you mean '--train 12' with the folder 'a'?\n"},
      {{"-l", "a/.."}, "tool: bad line name \"a/..\": it holds a path separator\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = c.arguments;
    arguments.push_back(f());
    const Outcome o = read(arguments);
    EXPECT_EQ(o.run.status, tool_status::usage);
    EXPECT_EQ(o.err, c.err);
  }
}

TEST(ToolCommandLineTest, WrongCommandLinesEndWithTheUsageStatus) {
  const struct {
    std::vector<std::string> arguments;
    std::string err;
  } cases[] = {
      {{"--frobnicate"}, "tool: unknown option '--frobnicate'\nTry 'tool --help' for more information.\n"},
      {{"-l"}, "tool: option '-l' needs a value\nTry 'tool --help' for more information.\n"},
      {{"a", "b"}, "tool: one folder at most, found 'b' as well\nTry 'tool --help' for more information.\n"},
      {{"-d", "a", "b"}, "tool: one folder at most, found 'b' as well\nTry 'tool --help' for more information.\n"},
      {{"no-such-folder-here"}, "tool: no-such-folder-here: no such folder\n"},
  };
  for (const auto& c : cases) {
    const Outcome o = read(c.arguments);
    EXPECT_EQ(o.run.status, tool_status::usage) << c.arguments[0];
    EXPECT_FALSE(o.run.command_line);
    EXPECT_EQ(o.err, c.err);
    EXPECT_EQ(o.out, "");
  }
}

}  // namespace
