// The main program's command line, run as a real process: one optional
// folder to build into.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/form1.h"
#include "testing/run_program.h"
#include "testing/test_platform.h"

namespace fs = std::filesystem;

namespace {

struct BuilderCommandLineTest : testing::Test {
  TempFolder scratch;
  fs::path errors() const { return scratch.path() / "errors.txt"; }
  int run_builder(const std::vector<std::string>& arguments) const {
    return run_program(SCENARIO_BUILDER_EXE, arguments, {.errors = errors()});
  }
};

// Given a folder, the program builds there exactly what it builds next to
// itself.
TEST_F(BuilderCommandLineTest, BuildsIntoTheFolderItIsGiven) {
  TempFolder out, reference;
  ASSERT_EQ(run_builder({out.path().string()}), 0) << read_bytes(errors());
  TestPlatform platform(reference.path());
  Form1 form(platform);
  EXPECT_THROW(form.Form_Load(), ProgramEnded);

  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(reference.path())) {
    ++files;
    SCOPED_TRACE(entry.path().filename().string());
    EXPECT_EQ(read_bytes(out.path() / entry.path().filename()), read_bytes(entry.path()));
  }
  EXPECT_EQ(files, 6u);
  EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(out.path()), {})), files);
}

TEST_F(BuilderCommandLineTest, BadArgumentsEndWithStatusTwoAndAMessage) {
  const fs::path missing = scratch.path() / "missing";
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{scratch.path().string(), "second"}, "one folder at most, found 'second' as well"},
      {{missing.string()}, missing.string() + ": no such folder"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(run_builder(c.arguments), 2) << c.message;
    // Standard error is text: Windows ends its lines with CR LF.
    std::string said = read_bytes(errors());
    std::erase(said, '\r');
    EXPECT_EQ(said, "scenario-builder: " + c.message + "\nUsage: scenario-builder [FOLDER]\n");
  }
  EXPECT_FALSE(fs::exists(missing));
}

}  // namespace
